#include "gameformats/texture_rules.h"

#include <gtest/gtest.h>

#include "gameformats/texture_names.h"
#include "support/image_files.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

TEST(TextureSizes, NearestMultiplesOf16RoundHalfToEvenAndNeverVanish) {
    const auto expect = [](int w, int h, int ew, int eh) {
        const TextureSize size = NearestMultipleOf16Sizes(w, h);
        EXPECT_EQ(size.width, ew) << w;
        EXPECT_EQ(size.height, eh) << h;
    };
    expect(100, 70, 96, 64);
    expect(104, 120, 96, 128);  // 6.5 steps -> 6, 7.5 steps -> 8
    expect(8, 1, 16, 16);       // at least one step
    expect(256, 16, 256, 16);
    EXPECT_TRUE(IsWadTextureSize(16, 4096));
    EXPECT_FALSE(IsWadTextureSize(0, 16));
    EXPECT_FALSE(IsWadTextureSize(100, 64));
    EXPECT_FALSE(IsWadTextureSize(64, 70));

    const std::string message = TextureSizeMessage(100, 70);
    EXPECT_NE(message.find("multiple of 16"), std::string::npos) << message;
    EXPECT_NE(message.find("100 x 70"), std::string::npos) << message;
    EXPECT_NE(message.find("96 x 64"), std::string::npos) << message;
}

TEST(TextureSizes, RescaleToMultipleOf16MakesANewBitmapOfTheOfferedSize) {
    const Bitmap texture = testing::RandomBitmap(100, 70, 24, 1);
    const Bitmap scaled = RescaleToMultipleOf16(texture.get());
    ASSERT_TRUE(scaled);
    EXPECT_NE(scaled.get(), texture.get());
    const Bitmap library(FreeImage_Rescale(texture.get(), 96, 64, FILTER_BICUBIC));
    EXPECT_TRUE(testing::SameBitmap(library.get(), scaled.get())) << "the library's bytes";
    EXPECT_EQ(FreeImage_GetWidth(texture.get()), 100u) << "the source is left alone";
    EXPECT_FALSE(RescaleToMultipleOf16(nullptr));
}

TEST(TextureNames, ComeFromTheFileStemInLowerCaseWithTheGamesPrefixesKept) {
    EXPECT_EQ(TextureNameFromFileName("/maps/Textures/Brick.wad"), "brick");
    EXPECT_EQ(TextureNameFromFileName("*Water1.wad"), "*water1");
    EXPECT_EQ(TextureNameFromFileName("/x/+0Lava.WAD"), "+0lava");
    EXPECT_EQ(TextureNameFromFileName("+aButton.wad"), "+abutton");
    EXPECT_EQ(TextureNameFromFileName("{Grate.png"), "{grate");
    EXPECT_EQ(TextureNameFromFileName("SKY_Castle.wad"), "sky_castle");
    EXPECT_EQ(TextureNameFromFileName("metal.plate.wad"), "metal.plate");
}

// A name from a file that breaks a rule is refused, never cut or changed,
// with the nearest name that keeps the rules; names that differ stay apart.
TEST(TextureNames, FromFilesBreakingARuleAreRefusedWithTheNearestValidName) {
    const struct {
        const char* file;
        const char* nearest;
    } cases[] = {
        {"brick_wall_large_01.png", "brick_wall_l_01"},
        {"brick_wall_large_02.png", "brick_wall_l_02"},
        {"AVeryVeryLongTextureName.wad", "averyverylongte"},
        {"Stone Wall.png", "stone_wall"},
        {"my tex(1) \"q\".wad", "my_tex_1_q"},
        {"\xC3\x9Cn\xC3\xAF"
         "code.png",
         "unicode"},
        {"D\xC3\xA9j\xC3\xA0.wad", "deja"},
        {"+lava.png", "lava"},
        {"\xE5\xA3\x81.png", "texture"},
    };
    for (const auto& c : cases) {
        const std::string name = TextureNameFromFileName(c.file);
        const auto checked = CheckTextureName(name, WadKind::Wad2, c.file);
        ASSERT_FALSE(checked) << c.file;
        EXPECT_NE(checked.problem().message.find("(from " + std::string(c.file) + ")"),
                  std::string::npos)
            << checked.problem().message;
        EXPECT_NE(checked.problem().message.find("the nearest valid name is \"" +
                                                 std::string(c.nearest) + "\""),
                  std::string::npos)
            << checked.problem().message;
        EXPECT_TRUE(CheckTextureName(NearestValidTextureName(name), WadKind::Wad2)) << c.file;
    }
    EXPECT_FALSE(CheckTextureName("averyverylongtex", WadKind::Wad2)) << "16 bytes leave no NUL";
}

}  // namespace
}  // namespace orrisbay::gameformats
