// The open buttons end to end: the request is built and read back for real;
// only the dialog's answer comes from the test.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <string>

#include "app/image_box.h"
#include "console/application.h"
#include "imageio/file_dialog_request.h"
#include "slots/slot_table.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

namespace fs = std::filesystem;

class OpenButtonTest : public testing::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        folder_ = fs::temp_directory_path() / ("orrisbay-open-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        originalFolder_ = fs::current_path();
    }
    void TearDown() override {
        fs::current_path(originalFolder_);
        fs::remove_all(folder_);
        WindowTest::TearDown();
    }

    // The dialog answers with `path`, as the platform would: written at the
    // start of the file buffer and ended by a NUL. An empty path cancels.
    void AnswerDialogWith(const std::string& path) {
        window->setOpenFileDialog([this, path](imageio::OpenFileRequest& request) {
            lastRequest_ = request;
            ++dialogCalls_;
            // Changing folder is what a real dialog may do.
            fs::current_path(folder_);
            if (path.empty() || path.size() + 1 > request.nMaxFile) {
                return 0;
            }
            request.lpstrFile.replace(0, path.size() + 1, path + '\0');
            return 1;
        });
    }

    std::string WriteImage(const std::string& name, FREE_IMAGE_FORMAT format, int width, int height,
                           int bpp = 24) {
        FIBITMAP* dib = FreeImage_Allocate(width, height, bpp);
        if (bpp == 8) {
            RGBQUAD* palette = FreeImage_GetPalette(dib);
            for (int i = 0; i < 256; ++i) {
                palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = BYTE(i);
            }
        }
        const std::string path = (folder_ / name).string();
        EXPECT_TRUE(FreeImage_Save(format, dib, path.c_str(), 0)) << path;
        FreeImage_Unload(dib);
        return path;
    }

    std::string WriteBytes(const std::string& name, const std::string& bytes) {
        const std::string path = (folder_ / name).string();
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return path;
    }

    std::string Label(int i) const { return window->lblsize(i)->text().toStdString(); }
    const FIBITMAP* Slot(int i) const { return window->slotTable().Slot(i); }

    fs::path folder_;
    fs::path originalFolder_;
    imageio::OpenFileRequest lastRequest_;
    int dialogCalls_ = 0;
};

TEST_F(OpenButtonTest, AsksForAnImageWithTheImageFilter) {
    AnswerDialogWith("");
    window->btnOpen(0)->click();
    ASSERT_EQ(dialogCalls_, 1);
    EXPECT_EQ(lastRequest_.lpstrTitle, "Load Image");
    EXPECT_EQ(lastRequest_.nFilterIndex, 6);
    EXPECT_EQ(lastRequest_.lpstrFilter, imageio::ImageFileFilter());
    EXPECT_EQ(lastRequest_.lpstrDefExt.substr(0, 3), "png");
    EXPECT_EQ(lastRequest_.Flags, 0x00382004u);
    EXPECT_EQ(lastRequest_.nMaxFile, 1026u);
}

TEST_F(OpenButtonTest, EachOfTheSixExtensionsLoadsIntoItsSlotAndMerges) {
    struct Case {
        std::string name;
        FREE_IMAGE_FORMAT format;
        int slot;
        int bpp;
        std::string label;
    };
    const Case cases[] = {
        {"layer.bmp", FIF_BMP, 0, 24, "64 x 32 24 bpp"},
        {"layer.jpg", FIF_JPEG, 1, 24, "64 x 32 24 bpp"},
        {"mask.JPEG", FIF_JPEG, 2, 24, "64 x 32 8 bpp"},  // upper case; 24-bit mask to grey
        {"mask.gif", FIF_GIF, 3, 8, "64 x 32 8 bpp"},
        {"wall.tar.png", FIF_PNG, 0, 24, "64 x 32 24 bpp"},  // only the last dot counts
        {"Layer.Two.TGA", FIF_TARGA, 1, 24, "64 x 32 24 bpp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AnswerDialogWith(WriteImage(c.name, c.format, 64, 32, c.bpp));
        window->btnOpen(c.slot)->click();
        EXPECT_EQ(Label(c.slot), c.label);
        EXPECT_EQ(fs::current_path(), fs::path(console::ApplicationFolder()));
    }
    EXPECT_TRUE(messages.empty());
    // Both layers are now 64 x 32, so the merge is too.
    const FIBITMAP* result = Slot(slots::kResult);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(freeimage_base::Width(result), 64u);
    EXPECT_EQ(freeimage_base::Height(result), 32u);
}

TEST_F(OpenButtonTest, UnsupportedExtensionShowsTheMessageAndLoadsNothing) {
    const std::string path = WriteImage("picture.tif", FIF_TIFF, 16, 16);
    const FIBITMAP* before = Slot(1);
    AnswerDialogWith(path);
    window->btnOpen(1)->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Load: Invalid format; no image loaded.");
    EXPECT_EQ(messages[0].buttons, console::MessageButtons::OkCancel);
    EXPECT_EQ(Slot(1), before);
    EXPECT_EQ(Label(1), "256 x 256 24 bpp");
    // The working folder is restored before the extension is even looked at.
    EXPECT_EQ(fs::current_path(), fs::path(console::ApplicationFolder()));
}

TEST_F(OpenButtonTest, UnreadableFilesChangeNothingSilently) {
    const std::string damaged = WriteBytes("damaged.png", "\x89PNG\r\n\x1a\nnot really");
    const std::string mismatched = WriteImage("really-a-bmp.jpg", FIF_BMP, 8, 8);
    const std::string missing = (folder_ / "missing.png").string();
    for (const std::string& path : {damaged, mismatched, missing}) {
        SCOPED_TRACE(path);
        const FIBITMAP* before = Slot(2);
        const FIBITMAP* result = Slot(slots::kResult);
        AnswerDialogWith(path);
        window->btnOpen(2)->click();
        EXPECT_EQ(Slot(2), before);
        EXPECT_EQ(Label(2), "512 x 512 8 bpp");
        EXPECT_EQ(Slot(slots::kResult), result);
        EXPECT_EQ(fs::current_path(), fs::path(console::ApplicationFolder()));
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(OpenButtonTest, CancelChangesNothingNotEvenTheWorkingFolder) {
    const FIBITMAP* before = Slot(3);
    fs::current_path(fs::temp_directory_path());
    AnswerDialogWith("");
    window->btnOpen(3)->click();
    EXPECT_EQ(dialogCalls_, 1);
    EXPECT_EQ(Slot(3), before);
    EXPECT_TRUE(messages.empty());
    // The fake dialog moved to its own folder, as a real one may; nothing moved it back.
    EXPECT_EQ(fs::current_path(), folder_);
}

TEST_F(OpenButtonTest, PathTooLongForTheBufferCountsAsCancel) {
    AnswerDialogWith("/" + std::string(1100, 'x') + ".png");
    const FIBITMAP* before = Slot(0);
    window->btnOpen(0)->click();
    EXPECT_EQ(Slot(0), before);
    EXPECT_TRUE(messages.empty());
}

TEST_F(OpenButtonTest, NonAsciiFileNamesLoad) {
    AnswerDialogWith(WriteImage("textur-grün-ß.png", FIF_PNG, 20, 10));
    window->btnOpen(0)->click();
    EXPECT_EQ(Label(0), "20 x 10 24 bpp");
}

TEST_F(OpenButtonTest, ThirtyTwoBitPictureWithZeroAlphaShowsItsColours) {
    freeimage_base::Bitmap dib(FreeImage_Allocate(8, 8, 32));
    const RGBQUAD orange{0x20, 0x80, 0xF0, 0};  // alpha 0, as many programs write it
    for (int y = 0; y < 8; ++y) {
        std::fill_n(reinterpret_cast<RGBQUAD*>(FreeImage_GetScanLine(dib.get(), y)), 8, orange);
    }
    const std::string path = (folder_ / "clear.bmp").string();
    ASSERT_TRUE(FreeImage_Save(FIF_BMP, dib.get(), path.c_str(), 0));
    AnswerDialogWith(path);
    window->btnOpen(0)->click();
    EXPECT_EQ(window->Image1(0)->grab().toImage().pixelColor(56, 56), QColor(0xF0, 0x80, 0x20));
}

TEST_F(OpenButtonTest, NamesWithATabOrATrailingSpaceAreOpenedAsTheyAre) {
    WriteImage("wall.png", FIF_PNG, 20, 10);  // what stripping makes of both names below
    AnswerDialogWith(WriteImage("wa\tll.png", FIF_PNG, 30, 10));
    window->btnOpen(0)->click();
    EXPECT_EQ(Label(0), "30 x 10 24 bpp");
    AnswerDialogWith(WriteImage("wall.png ", FIF_PNG, 40, 10));
    window->btnOpen(1)->click();
    EXPECT_EQ(Label(1), "40 x 10 24 bpp");
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace orrisbay::app
