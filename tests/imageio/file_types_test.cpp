#include "imageio/file_types.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace orrisbay::imageio {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

TEST(FileExtension, LowerCasesFromTheLastDot) {
    EXPECT_EQ(FileExtension("C:\\Art\\BRICK.JPG"), ".jpg");
    EXPECT_EQ(FileExtension("brick.jpeg"), ".jpeg");
    EXPECT_EQ(FileExtension("wall.tar.png"), ".png");
    EXPECT_EQ(FileExtension("C:\\Art.v2\\wall"), ".v2\\wall");
    EXPECT_EQ(FileExtension("C:\\Art\\wall"), "c:\\art\\wall");
    EXPECT_EQ(FileExtension("wall."), ".");
}

TEST(FindFileType, MatchesOnlyExactLowerCaseExtensionsWithDot) {
    ASSERT_NE(FindFileType(".jpeg"), nullptr);
    EXPECT_EQ(FindFileType(".jpeg")->format, FIF_JPEG);
    EXPECT_EQ(FindFileType(".PNG"), nullptr);  // callers lower-case first
    EXPECT_EQ(FindFileType("png"), nullptr);
    EXPECT_EQ(FindFileType(".tif"), nullptr);
    EXPECT_EQ(FindFileType(""), nullptr);
}

// Real image files written into a fresh temporary folder.
class LoadImageFileTest : public ::testing::Test {
  protected:
    static constexpr unsigned kWidth = 7;
    static constexpr unsigned kHeight = 5;

    void SetUp() override {
        freeimage_base::InitialiseImageLibrary();
        folder_ =
            fs::temp_directory_path() /
            ("orrisbay-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

    // Saves a small colour picture as `name` in `format`; returns its path.
    std::string WriteImage(const std::string& name, FREE_IMAGE_FORMAT format) const {
        freeimage_base::Bitmap bitmap(FreeImage_Allocate(kWidth, kHeight, 24));
        for (unsigned y = 0; y < kHeight; ++y) {
            for (unsigned x = 0; x < kWidth; ++x) {
                RGBQUAD colour{static_cast<BYTE>(x * 30), static_cast<BYTE>(y * 50), 90, 0};
                FreeImage_SetPixelColor(bitmap.get(), x, y, &colour);
            }
        }
        if (format == FIF_GIF) {
            bitmap.reset(FreeImage_ColorQuantize(bitmap.get(), FIQ_WUQUANT));
        }
        const std::string path = PathOf(name);
        EXPECT_TRUE(FreeImage_Save(format, bitmap.get(), path.c_str(), 0)) << path;
        return path;
    }

    std::string WriteBytes(const std::string& name, const std::string& bytes) const {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    static void ExpectLoaded(const std::string& path) {
        const Result<freeimage_base::Bitmap> result = LoadImageFile(path);
        ASSERT_TRUE(result) << path;
        ASSERT_TRUE(*result);
        EXPECT_EQ(FreeImage_GetWidth(result->get()), kWidth);
        EXPECT_EQ(FreeImage_GetHeight(result->get()), kHeight);
    }

    // An extension not in the table is refused as unsupported without
    // reading; `unreadable` files are refused for what they hold.
    enum class Refused { InvalidFormat, Unreadable };
    static void ExpectOutcome(const std::string& path, Refused refused) {
        const Result<freeimage_base::Bitmap> result = LoadImageFile(path);
        ASSERT_FALSE(result) << path;
        if (refused == Refused::InvalidFormat) {
            EXPECT_EQ(result.problem().message, path +
                                                    ": unsupported file type (use .bmp, .gif, "
                                                    ".jpg, .jpeg, .png or .tga)");
        } else {
            EXPECT_THAT(result.problem().message,
                        ::testing::Not(::testing::HasSubstr("unsupported file type")));
        }
    }

    fs::path folder_;
};

TEST_F(LoadImageFileTest, LoadsEachOfTheSixExtensions) {
    ExpectLoaded(WriteImage("a.bmp", FIF_BMP));
    ExpectLoaded(WriteImage("a.jpg", FIF_JPEG));
    ExpectLoaded(WriteImage("a.jpeg", FIF_JPEG));
    ExpectLoaded(WriteImage("a.gif", FIF_GIF));
    ExpectLoaded(WriteImage("a.png", FIF_PNG));
    ExpectLoaded(WriteImage("a.tga", FIF_TARGA));
}

TEST_F(LoadImageFileTest, LoadsAwkwardNames) {
    ExpectLoaded(WriteImage("BRICK.JPG", FIF_JPEG));
    ExpectLoaded(WriteImage("wall.tar.v2.png", FIF_PNG));
    ExpectLoaded(
        WriteImage("Stra\xc3\x9f"
                   "e \xe5\xa3\x81 \xd0\x96.tga",
                   FIF_TARGA));
    ExpectLoaded(WriteImage("with space.bmp", FIF_BMP));
}

TEST_F(LoadImageFileTest, UnlistedExtensionIsInvalidWithoutReading) {
    ExpectOutcome(WriteImage("real.tif", FIF_TIFF), Refused::InvalidFormat);
    ExpectOutcome(PathOf("missing.tif"), Refused::InvalidFormat);
    ExpectOutcome("C:\\Art.v2\\wall", Refused::InvalidFormat);
    ExpectOutcome("C:\\Art\\wall", Refused::InvalidFormat);
    ExpectOutcome("", Refused::InvalidFormat);
}

TEST_F(LoadImageFileTest, UnreadableFilesFailToLoad) {
    const std::string png = ReadBytes(WriteImage("source.png", FIF_PNG));
    const std::string jpeg = ReadBytes(WriteImage("source.jpg", FIF_JPEG));
    ExpectOutcome(WriteBytes("damaged.png", png.substr(0, png.size() / 2)), Refused::Unreadable);
    ExpectOutcome(WriteBytes("header-only.gif", "GIF89a"), Refused::Unreadable);
    ExpectOutcome(WriteBytes("empty.bmp", ""), Refused::Unreadable);
    ExpectOutcome(WriteBytes("png-inside.jpg", png), Refused::Unreadable);
    ExpectOutcome(WriteBytes("jpeg-inside.png", jpeg), Refused::Unreadable);
    ExpectOutcome(WriteBytes("png-inside.bmp", png), Refused::Unreadable);
    ExpectOutcome(PathOf("missing.png"), Refused::Unreadable);
    fs::create_directory(PathOf("folder.png"));
    ExpectOutcome(PathOf("folder.png"), Refused::Unreadable);
}

TEST_F(LoadImageFileTest, NulInsidePathIsNotCutShort) {
    // Cut at the NUL, the name would open picture.tif, whose extension was
    // never checked (its content is a PNG, so it would load).
    const std::string hidden = WriteImage("picture.tif", FIF_PNG);
    ExpectOutcome(hidden + "\0.png"s, Refused::Unreadable);
}

}  // namespace
}  // namespace orrisbay::imageio
