#include "imageio/file_dialog_request.h"

#include <array>

#include "imageio/text_ops.h"

namespace orrisbay::imageio {

namespace {

using namespace std::string_literals;

struct FilterEntry {
    std::string_view description;
    std::string_view pattern;
};

constexpr std::array<FilterEntry, 6> kImageFilterEntries = {{
    {"BMP - Windows Bitmap", "*.bmp"},
    {"GIF - Compuserve GIF", "*.gif"},
    {"JPG - JPEG Files", "*.jpg;*.jpeg"},
    {"PNG - Portable Network Graphics", "*.png"},
    {"TGA - Truevision Targa", "*.tga"},
    {"All Supported Formats", "*.bmp;*.png;*.gif;*.jpg;*.jpeg;*.tga"},
}};

constexpr std::size_t kFileTitleSpaces = 512;
const std::string kTwoNuls = "\0\0"s;

// The initial name, then room for the dialog to write a longer path.
std::string FileBuffer(std::string_view initialFile) {
    return std::string(initialFile) + std::string(kFileBufferSpaces, ' ') + kTwoNuls;
}

std::string FileTitleBuffer() {
    return "\0"s + std::string(kFileTitleSpaces, ' ') + kTwoNuls;
}

}  // namespace

std::string ImageFileFilter() {
    std::string filter;
    for (const FilterEntry& entry : kImageFilterEntries) {
        filter.append(entry.description).push_back('\0');
        filter.append(entry.pattern).push_back('\0');
    }
    filter.push_back('\0');
    return filter;
}

OpenFileRequest BuildOpenFileRequest(WindowHandle owner, std::string_view initialFile,
                                     std::string_view folder,
                                     std::string_view defaultExtensionPattern,
                                     std::string_view filter, std::int32_t filterIndex,
                                     std::string_view title) {
    OpenFileRequest request;
    request.hwndOwner = owner;
    request.lpstrFilter = std::string(filter);
    request.nFilterIndex = filterIndex;
    request.lpstrFile = FileBuffer(initialFile);
    request.nMaxFile = static_cast<std::uint32_t>(request.lpstrFile.size());
    request.lpstrFileTitle = FileTitleBuffer();
    request.nMaxFileTitle = static_cast<std::uint32_t>(request.lpstrFileTitle.size());
    request.lpstrInitialDir = std::string(folder) + kTwoNuls;
    request.lpstrTitle = std::string(title);
    request.Flags = kOpenImageFlags;
    request.lpstrDefExt = TextAfter(defaultExtensionPattern, ".") + kTwoNuls;
    return request;
}

std::string ShowFileDialog(const OpenFileDialogFunction& platform, WindowHandle owner,
                           std::string_view initialFile, std::string& folder,
                           std::string_view defaultExtensionPattern, std::string_view filter,
                           std::int32_t filterIndex, std::string_view title) {
    if (!platform) {
        return {};
    }
    OpenFileRequest request = BuildOpenFileRequest(
        owner, initialFile, folder, defaultExtensionPattern, filter, filterIndex, title);
    if (platform(request) == 0) {
        return {};
    }
    std::string path = StripControlChars(TextBefore(request.lpstrFile, "\0"s));
    if (path.empty()) {
        return {};
    }
    // The folder comes from the path alone: what follows the path's NUL may be
    // left over from a longer initial name, not part of the choice.
    folder = FolderOfPath(path);
    return path;
}

}  // namespace orrisbay::imageio
