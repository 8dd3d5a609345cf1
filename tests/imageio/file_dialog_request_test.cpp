#include "imageio/file_dialog_request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace orrisbay::imageio {
namespace {

using namespace std::string_literals;

constexpr WindowHandle kOwner = 0x1234;

OpenFileRequest OpenImageRequest(std::string_view initialFile = "", std::string_view folder = "") {
    return BuildOpenFileRequest(kOwner, initialFile, folder, "*.png", ImageFileFilter(),
                                kAllSupportedFormatsIndex, "Load Image");
}

TEST(ImageFileFilter, IsSixEntriesEachPartEndedByNulAndOneMoreNul) {
    const std::string filter = ImageFileFilter();
    ASSERT_EQ(filter.size(), 211u);
    EXPECT_EQ(std::count(filter.begin(), filter.end(), '\0'), 13);
    EXPECT_EQ(filter.substr(209), "\0\0"s);
    EXPECT_EQ(filter.substr(0, 27), "BMP - Windows Bitmap\0*.bmp\0"s);
    EXPECT_EQ(filter.substr(54, 30), "JPG - JPEG Files\0*.jpg;*.jpeg\0"s);
    EXPECT_EQ(filter.substr(151),
              "All Supported Formats\0*.bmp;*.png;*.gif;*.jpg;*.jpeg;*.tga\0\0"s);
}

TEST(BuildOpenFileRequest, FillsTheRecordForTheOpenButtons) {
    const OpenFileRequest request = OpenImageRequest();
    EXPECT_EQ(request.lStructSize, 76u);
    EXPECT_EQ(request.hwndOwner, kOwner);
    EXPECT_EQ(request.lpstrFilter, ImageFileFilter());
    EXPECT_EQ(request.nFilterIndex, 6);
    EXPECT_EQ(request.lpstrFile, std::string(1024, ' ') + "\0\0"s);
    EXPECT_EQ(request.nMaxFile, 1026u);
    EXPECT_EQ(request.lpstrFileTitle, "\0"s + std::string(512, ' ') + "\0\0"s);
    EXPECT_EQ(request.nMaxFileTitle, 515u);
    EXPECT_EQ(request.lpstrInitialDir, "\0\0"s);
    EXPECT_EQ(request.lpstrTitle, "Load Image");
    EXPECT_EQ(request.Flags, 0x00382004u);
    EXPECT_EQ(request.lpstrDefExt, "png\0\0"s);
}

TEST(BuildOpenFileRequest, FileBufferGrowsWithInitialNameAndFolderIsKept) {
    const std::string name = "C:\\Art\\old.png";
    const OpenFileRequest request = OpenImageRequest(name, "C:\\Art");
    EXPECT_EQ(request.lpstrFile, name + std::string(1024, ' ') + "\0\0"s);
    EXPECT_EQ(request.nMaxFile, name.size() + 1026);
    EXPECT_EQ(request.lpstrInitialDir, "C:\\Art\0\0"s);
}

TEST(BuildOpenFileRequest, DefaultExtensionComesFromTextAfterFirstDot) {
    const auto defExt = [](std::string_view pattern) {
        return BuildOpenFileRequest(0, "", "", pattern, "", 1, "").lpstrDefExt;
    };
    EXPECT_EQ(defExt("*.TGA"), "TGA\0\0"s);
    EXPECT_EQ(defExt("*"), "\0\0"s);
}

// A stand-in for the platform that writes `answer` over the start of the
// file buffer and returns `result`, recording what it was handed.
struct ScriptedDialog {
    explicit ScriptedDialog(std::string answerText, int resultValue = 1)
        : answer(std::move(answerText)), result(resultValue) {}

    std::string answer;
    int result;
    OpenFileRequest copy;

    OpenFileDialogFunction Function() {
        return [this](OpenFileRequest& request) {
            copy = request;
            request.lpstrFile.replace(0, answer.size(), answer);
            return result;
        };
    }
};

std::string Show(ScriptedDialog& platform, std::string& folder, std::string_view initial = "") {
    return ShowFileDialog(platform.Function(), kOwner, initial, folder, "*.png", ImageFileFilter(),
                          kAllSupportedFormatsIndex, "Load Image");
}

TEST(ShowFileDialog, ReturnsPathUnchangedAndLowerCasedFolder) {
    ScriptedDialog platform{"C:\\Textures\\Wall.PNG\0"s};
    std::string folder = "d:\\before\\";
    EXPECT_EQ(Show(platform, folder), "C:\\Textures\\Wall.PNG");
    EXPECT_EQ(folder, "c:\\textures\\");
    EXPECT_EQ(platform.copy.lpstrInitialDir, "d:\\before\\\0\0"s);
    EXPECT_EQ(platform.copy.Flags, kOpenImageFlags);
}

TEST(ShowFileDialog, CancelReturnsEmptyAndLeavesFolder) {
    ScriptedDialog platform{"C:\\Textures\\Wall.PNG\0"s, 0};
    std::string folder = "d:\\before\\";
    EXPECT_EQ(Show(platform, folder), "");
    EXPECT_EQ(folder, "d:\\before\\");
}

TEST(ShowFileDialog, IgnoresWhatFollowsThePathsNul) {
    // A shorter choice over a longer initial name leaves the name's tail behind.
    ScriptedDialog platform{"C:\\x.png\0"s};
    std::string folder;
    EXPECT_EQ(Show(platform, folder, "C:\\Textures\\Wall.PNG"), "C:\\x.png");
    EXPECT_EQ(folder, "c:\\");

    ScriptedDialog noisy{"/srv/Art/a b.png\0junk\\more\0\x01zz"s};
    EXPECT_EQ(Show(noisy, folder), "/srv/Art/a b.png");
    EXPECT_EQ(folder, "/srv/art/");
}

TEST(ShowFileDialog, SuccessWithoutAPathReadsAsNoChoice) {
    ScriptedDialog platform{"\0"s};
    std::string folder = "kept";
    EXPECT_EQ(Show(platform, folder), "");
    EXPECT_EQ(folder, "kept");

    std::string other = "kept";
    EXPECT_EQ(ShowFileDialog({}, 0, "", other, "*.png", "", 1, ""), "");
    EXPECT_EQ(other, "kept");
}

}  // namespace
}  // namespace orrisbay::imageio
