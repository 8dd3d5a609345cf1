// Size limits checked from file headers before any pixel is decoded, and
// damaged files under every accepted extension.
#include "imageio/image_limits.h"

#include <gtest/gtest.h>

#include <sstream>

#include "imageio/crafted_images.h"
#include "imageio/file_types.h"
#include "support/image_files.h"

namespace orrisbay::imageio {
namespace {

using orrisbay::testing::TemporaryFolder;
using orrisbay::testing::WithDeclaredSize;

TEST(PictureLimits, SideAndPixelCountBoundaries) {
    EXPECT_TRUE(IsWithinPictureLimits({1, 1}));
    EXPECT_TRUE(IsWithinPictureLimits({16384, 16384}));
    EXPECT_TRUE(IsWithinPictureLimits({16384, 1}));
    EXPECT_FALSE(IsWithinPictureLimits({16385, 1}));
    EXPECT_FALSE(IsWithinPictureLimits({1, 16385}));
    EXPECT_FALSE(IsWithinPictureLimits({60000, 60000}));
    // Sides that would overflow a 32-bit product are still refused.
    EXPECT_FALSE(IsWithinPictureLimits({std::uint64_t{1} << 32, std::uint64_t{1} << 32}));
}

struct Declared {
    const char* name;
    FREE_IMAGE_FORMAT format;
};

class DeclaredSizeTest : public ::testing::TestWithParam<Declared> {
  protected:
    TemporaryFolder folder_{"orrisbay-limits"};
};

// A file of a few hundred bytes that claims 60000 x 60000 pixels is refused
// from its header, with a message naming the file and its size.
TEST_P(DeclaredSizeTest, HugeDeclaredSizeIsRefusedBeforeDecoding) {
    const Declared& declared = GetParam();
    const std::string path =
        folder_.Write(declared.name, WithDeclaredSize(declared.format, 60000, 60000));

    const Result<freeimage_base::Bitmap> result = LoadImageFile(path);

    ASSERT_FALSE(result);
    const std::string& message = result.problem().message;
    EXPECT_EQ(result.problem().kind, ProblemKind::TooLarge);
    EXPECT_NE(message.find(declared.name), std::string::npos) << message;
    EXPECT_NE(message.find("60000 x 60000 pixels"), std::string::npos) << message;
    EXPECT_NE(message.find("16384 x 16384"), std::string::npos) << message;
}

// Just inside the side limit: the header passes, and the file (whose pixels
// do not match its header) then fails to decode without a message.
TEST_P(DeclaredSizeTest, SizeWithinLimitsIsHandedToTheDecoder) {
    const Declared& declared = GetParam();
    const std::string path =
        folder_.Write(declared.name, WithDeclaredSize(declared.format, 16384, 2));

    const Result<freeimage_base::Bitmap> result = LoadImageFile(path);

    EXPECT_TRUE(result || result.problem().kind != ProblemKind::TooLarge);
}

TEST_P(DeclaredSizeTest, DamagedFilesFailQuietly) {
    const Declared& declared = GetParam();
    const std::string whole = WithDeclaredSize(declared.format, 2, 2);
    for (const std::string& bytes : {std::string(), whole.substr(0, 3), whole.substr(0, 20),
                                     std::string(64, '\xFF'), std::string(64, '\0')}) {
        const std::string path = folder_.Write(declared.name, bytes);
        const Result<freeimage_base::Bitmap> result = LoadImageFile(path);
        // The Targa reader keeps a picture whose pixel data is cut short (the
        // missing part black); anything else damaged is refused quietly.
        if (result) {
            EXPECT_EQ(declared.format, FIF_TARGA);
            EXPECT_EQ(FreeImage_GetWidth(result->get()), 2u);
            EXPECT_EQ(FreeImage_GetHeight(result->get()), 2u);
        } else {
            EXPECT_NE(result.problem().kind, ProblemKind::TooLarge) << bytes.size() << " bytes";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllFormats, DeclaredSizeTest,
    ::testing::Values(Declared{"huge.png", FIF_PNG}, Declared{"huge.bmp", FIF_BMP},
                      Declared{"huge.jpg", FIF_JPEG}, Declared{"huge.jpeg", FIF_JPEG},
                      Declared{"huge.tga", FIF_TARGA}, Declared{"huge.gif", FIF_GIF}),
    [](const auto& info) {
        std::string name = info.param.name;
        return name.substr(name.find('.') + 1);
    });

TEST(PictureLimits, PixelCountLimitAppliesWhenEachSideFits) {
    TemporaryFolder folder("orrisbay-limits");
    const std::string path = folder.Write("square.png", WithDeclaredSize(FIF_PNG, 16384, 16385));
    EXPECT_EQ(LoadImageFile(path).problem().kind, ProblemKind::TooLarge);
}

// The library allocates the first frame's own size, so a small logical screen
// must not hide a huge frame, nor a comment block before it.
TEST(GifDeclaredSize, LargerOfScreenAndFirstFrame) {
    using orrisbay::testing::HandMadeGif;
    const auto sizeOf = [](const std::string& bytes) {
        std::istringstream in(bytes);
        return ReadGifDeclaredSize(in);
    };
    const auto frameOnly = sizeOf(HandMadeGif(1, 1, 60000, 2, true));
    ASSERT_TRUE(frameOnly);
    EXPECT_EQ(frameOnly->width, 60000u);
    EXPECT_EQ(frameOnly->height, 2u);

    const auto screenOnly = sizeOf(HandMadeGif(3, 50000, 1, 1, false));
    ASSERT_TRUE(screenOnly);
    EXPECT_EQ(screenOnly->width, 3u);
    EXPECT_EQ(screenOnly->height, 50000u);

    EXPECT_FALSE(sizeOf("GIF"));
    EXPECT_FALSE(sizeOf(std::string(20, '\0')));

    TemporaryFolder folder("orrisbay-limits");
    const Result<freeimage_base::Bitmap> result =
        LoadImageFile(folder.Write("tall.gif", HandMadeGif(1, 1, 1, 20000, true)));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.problem().kind, ProblemKind::TooLarge);
    EXPECT_NE(result.problem().message.find("1 x 20000 pixels"), std::string::npos);
}

TEST(GifDeclaredSize, OnePixelGifLoads) {
    TemporaryFolder folder("orrisbay-limits");
    const Result<freeimage_base::Bitmap> result =
        LoadImageFile(folder.Write("dot.gif", orrisbay::testing::HandMadeGif(1, 1, 1, 1, true)));
    ASSERT_TRUE(result);
    EXPECT_EQ(FreeImage_GetWidth(result->get()), 1u);
}

}  // namespace
}  // namespace orrisbay::imageio

namespace orrisbay::imageio {
namespace {

// Found by fuzzing: a run-length Targa whose 255-byte image ID runs past the
// end of the 22-byte file. The library sizes a buffer negatively and returns
// a bitmap it has already freed; the file must be refused before the call.
TEST(LibraryGuards, TargaWhoseHeaderFieldsRunPastTheFileIsRefused) {
    TemporaryFolder folder("orrisbay-limits");
    const std::string bytes(
        "\xFF\x00\x0A\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x02\x00"
        "\x20\x08\x81\x00\x2E\x00",
        22);
    const Result<freeimage_base::Bitmap> result = LoadImageFile(folder.Write("cut.tga", bytes));
    ASSERT_FALSE(result);
    EXPECT_NE(result.problem().kind, ProblemKind::TooLarge);

    // The same picture with its ID field present loads.
    std::string whole = bytes.substr(0, 18) + std::string(255, 'i') + bytes.substr(18);
    whole += std::string(64, '\0');
    const Result<freeimage_base::Bitmap> loaded = LoadImageFile(folder.Write("whole.tga", whole));
    EXPECT_TRUE(loaded || loaded.problem().kind != ProblemKind::TooLarge);
}

}  // namespace
}  // namespace orrisbay::imageio
