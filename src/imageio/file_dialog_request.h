#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace orrisbay::imageio {

// Flag bits of the open-file request.
inline constexpr std::uint32_t OFN_HIDEREADONLY = 0x4;
inline constexpr std::uint32_t OFN_CREATEPROMPT = 0x2000;
inline constexpr std::uint32_t OFN_EXPLORER = 0x80000;
inline constexpr std::uint32_t OFN_NODEREFERENCELINKS = 0x100000;
inline constexpr std::uint32_t OFN_LONGNAMES = 0x200000;
inline constexpr std::uint32_t kOpenImageFlags =
    OFN_HIDEREADONLY | OFN_CREATEPROMPT | OFN_EXPLORER | OFN_NODEREFERENCELINKS | OFN_LONGNAMES;

inline constexpr std::uint32_t kOpenFileNameSize = 76;
inline constexpr std::size_t kFileBufferSpaces = 1024;

// An opaque native window handle of the dialog's owner.
using WindowHandle = std::uintptr_t;

// The open-file request record, in its 76-byte form, as plain data. Text
// fields hold their exact character content, NULs included.
struct OpenFileRequest {
    std::uint32_t lStructSize = kOpenFileNameSize;
    WindowHandle hwndOwner = 0;
    std::uintptr_t hInstance = 0;
    std::string lpstrFilter;
    std::string lpstrCustomFilter;  // null
    std::uint32_t nMaxCustFilter = 0;
    std::int32_t nFilterIndex = 0;
    std::string lpstrFile;  // file buffer; the dialog writes the chosen path here
    std::uint32_t nMaxFile = 0;
    std::string lpstrFileTitle;
    std::uint32_t nMaxFileTitle = 0;
    std::string lpstrInitialDir;
    std::string lpstrTitle;
    std::uint32_t Flags = 0;
    std::uint16_t nFileOffset = 0;
    std::uint16_t nFileExtension = 0;
    std::string lpstrDefExt;
    std::uintptr_t lCustData = 0;
    std::uintptr_t lpfnHook = 0;
    std::uintptr_t lpTemplateName = 0;
};

// The image-file filter: six description/pattern pairs, each part followed by
// a NUL, and one more NUL at the end (211 characters).
std::string ImageFileFilter();

inline constexpr std::int32_t kAllSupportedFormatsIndex = 6;

// Fills the request from the dialog's arguments.
OpenFileRequest BuildOpenFileRequest(WindowHandle owner, std::string_view initialFile,
                                     std::string_view folder,
                                     std::string_view defaultExtensionPattern,
                                     std::string_view filter, std::int32_t filterIndex,
                                     std::string_view title);

// Shows the dialog for `request`: non-zero when a file was chosen (its path
// written at the start of request.lpstrFile, ended by a NUL), 0 on cancel or
// failure.
using OpenFileDialogFunction = std::function<int(OpenFileRequest& request)>;

// Shows the open-file dialog through `platform` and returns the chosen path
// as the dialog gave it, or the empty text. When a file was chosen, `folder`
// becomes its folder.
std::string ShowFileDialog(const OpenFileDialogFunction& platform, WindowHandle owner,
                           std::string_view initialFile, std::string& folder,
                           std::string_view defaultExtensionPattern, std::string_view filter,
                           std::int32_t filterIndex, std::string_view title);

}  // namespace orrisbay::imageio
