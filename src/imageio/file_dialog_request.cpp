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

// The chosen path at the start of the dialog's file buffer, up to its NUL.
// Only the Windows dialog's buffer has its control characters and outer
// spaces dropped; no Windows file name holds them. Other dialogs hand back an
// exact path, and there a name may hold a tab or end in spaces.
std::string ChosenPath(const std::string& fileBuffer) {
    std::string path = TextBefore(fileBuffer, "\0"s);
#ifdef _WIN32
    path = StripControlChars(path);
#endif
    return path;
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
    const std::string path = ChosenPath(request.lpstrFile);
    if (path.empty()) {
        return {};
    }
    // The folder comes from the path alone: what follows the path's NUL may be
    // left over from a longer initial name, not part of the choice.
    folder = FolderOfPath(path);
    return path;
}

}  // namespace orrisbay::imageio
