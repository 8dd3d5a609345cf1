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
    EXPECT_EQ(TextureNameFromFileName("metal.plate.wad"), "metal_plate");
}

TEST(TextureNames, AreCutTo15CharactersAndMadeSafeForMapFiles) {
    EXPECT_EQ(TextureNameFromFileName("AVeryVeryLongTextureName.wad"), "averyverylongte");
    EXPECT_EQ(TextureNameFromFileName("my tex(1) \"q\".wad"), "my_tex_1___q_");
    EXPECT_EQ(TextureNameFromFileName("\xC3\xBC"
                                      "ber.wad"),
              "__ber");
    EXPECT_EQ(TextureNameFromFileName(""), "");
    // What the file names give passes the game's rules.
    for (const char* made : {"+0lava", "averyverylongte", "my_tex_1___q_", "__ber"}) {
        EXPECT_TRUE(CheckTextureName(made, WadKind::Wad2)) << made;
    }
    EXPECT_FALSE(CheckTextureName("averyverylongtex", WadKind::Wad2)) << "16 bytes leave no NUL";
}

}  // namespace
}  // namespace orrisbay::gameformats
