#include "imageio/file_types.h"

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "console/text.h"
#include "imageio/bitmap_colour.h"
#include "imageio/embedded_profile.h"
#include "imageio/image_limits.h"
#include "imageio/library_guards.h"
#include "imageio/replaced_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace orrisbay::imageio {

std::string FileExtension(std::string_view path) {
    std::string lower = console::LowerCase(path);
    const std::size_t dot = lower.rfind('.');
    if (dot == std::string::npos) {
        return lower;
    }
    return lower.substr(dot);
}

const FileTypeRow* FindFileType(std::string_view extension) {
    for (const FileTypeRow& row : kFileTypeTable) {
        if (row.extension == extension) {
            return &row;
        }
    }
    return nullptr;
}

// Blanks at the end do not count, as they did not when the dialog's path had
// its outer spaces stripped.
const FileTypeRow* FileTypeOfPath(std::string_view path) {
    const std::size_t end = path.find_last_not_of(' ');
    return FindFileType(FileExtension(path.substr(0, end == std::string_view::npos ? 0 : end + 1)));
}

namespace {

#ifdef _WIN32
// Windows file names are wide; the program's texts are UTF-8.
std::wstring WidePath(const std::string& utf8) {
    const int size = static_cast<int>(utf8.size());
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), length);
    return wide;
}
#endif

FIBITMAP* LoadWithLibrary(FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
#ifdef _WIN32
    const std::wstring wide = WidePath(path);
    return wide.empty() ? nullptr : FreeImage_LoadU(format, wide.c_str(), flags);
#else
    // The local 8-bit encoding is the file system's own: the bytes go as they are.
    return FreeImage_Load(format, path.c_str(), flags);
#endif
}

std::filesystem::path FileSystemPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// Checks, before any call into the library, for files it is known to mishandle.
bool SafeToDecode(FREE_IMAGE_FORMAT format, const std::string& path) {
    std::ifstream file(FileSystemPath(path), std::ios::binary);
    return IsSafeToDecode(format, file);
}

// The picture size the file declares, read without decoding pixels; empty
// when the header cannot be read or the file is not safe to hand to the library.
std::optional<PictureSize> DeclaredSize(FREE_IMAGE_FORMAT format, const std::string& path) {
    if (!SafeToDecode(format, path)) {
        return std::nullopt;
    }
    if (!FreeImage_FIFSupportsNoPixels(format)) {
        // GIF: the library has no header-only load, so read the sizes here.
        std::ifstream in(FileSystemPath(path), std::ios::binary);
        return ReadGifDeclaredSize(in);
    }
    const freeimage_base::Bitmap header(LoadWithLibrary(format, path, FIF_LOAD_NOPIXELS));
    if (!header) {
        return std::nullopt;
    }
    return PictureSize{FreeImage_GetWidth(header.get()), FreeImage_GetHeight(header.get())};
}

// The profile stored in the file, where the image library would not read it.
EmbeddedProfile ReadProfile(FREE_IMAGE_FORMAT format, const std::string& path) {
    std::ifstream file(FileSystemPath(path), std::ios::binary);
    return ReadEmbeddedProfile(format, file);
}

// A PNG with a profile is decoded without the library's own gamma
// correction: the profile governs, and the pixels are corrected once.
int LoadFlags(const FileTypeRow& row, const EmbeddedProfile& profile) {
    return row.format == FIF_PNG && profile.present ? row.loadFlags | PNG_IGNOREGAMMA
                                                    : row.loadFlags;
}

// Brings the loaded pixels to sRGB; the warning when the profile was not used.
std::string ConvertToSrgb(FIBITMAP* dib, const EmbeddedProfile& fromFile) {
    const ProfileBytes profile =
        fromFile.present ? ProfileBytes(fromFile.bytes) : AttachedProfile(dib);
    if (!fromFile.present && profile.empty()) {
        return {};
    }
    const std::string problem = WhyNotUsed(ConvertBitmapToSrgb(dib, profile));
    return problem.empty() ? std::string() : ColourProfileWarning(problem);
}

// The first bytes of a file, for telling what it holds.
std::vector<std::uint8_t> FirstBytes(const std::string& path, std::size_t count) {
    std::ifstream file(FileSystemPath(path), std::ios::binary);
    std::vector<std::uint8_t> bytes(count);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    return bytes;
}

// Why a file whose extension is in the table could not be loaded, from what
// is on the disk and what the image library said while it tried.
Problem UnreadableFile(const std::string& path, const FileTypeRow& row,
                       const std::string& librarySaid) {
    const auto failed = [&](ProblemKind kind, const std::string& reason) {
        return Fail(kind, path + ": " + reason, path);
    };
    std::error_code error;
    const std::filesystem::file_status status =
        std::filesystem::status(FileSystemPath(path), error);
    if (!std::filesystem::exists(status)) {
        return failed(ProblemKind::Missing, "no such file");
    }
    if (std::filesystem::is_directory(status)) {
        return failed(ProblemKind::Unreadable, "is a folder, not an image file");
    }
    errno = 0;
    if (!std::ifstream(FileSystemPath(path), std::ios::binary)) {
        return failed(ProblemKind::Unreadable,
                      "cannot be read (" + ErrnoText(errno != 0 ? errno : EIO) + ")");
    }
    const std::vector<std::uint8_t> head = FirstBytes(path, 4096);
    if (head.empty()) {
        return failed(ProblemKind::Damaged, "is empty");
    }
    const FREE_IMAGE_FORMAT content = PictureTypeOfBytes(head);
    if (content != FIF_UNKNOWN && content != row.format) {
        return failed(ProblemKind::UnsupportedType,
                      "it is " + PictureTypeName(content) + " named " + std::string(row.extension));
    }
    const char* format = FreeImage_GetFormatFromFIF(row.format);
    return failed(ProblemKind::Damaged, std::string("cannot be read as a ") +
                                            (format ? format : "supported") + " image" +
                                            (librarySaid.empty() ? "" : " (" + librarySaid + ")"));
}

std::string FileName(const std::string& path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

}  // namespace

std::optional<PictureSize> ReadDeclaredSize(const std::string& path) {
    const FileTypeRow* row = FileTypeOfPath(path);
    if (row == nullptr || path.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    freeimage_base::InitialiseImageLibrary();
    const freeimage_base::LibraryMessages quiet;
    return DeclaredSize(row->format, path);
}

Result<freeimage_base::Bitmap> LoadImageFile(const std::string& path) {
    const FileTypeRow* row = FileTypeOfPath(path);
    if (row == nullptr) {
        return Fail(ProblemKind::UnsupportedType,
                    path + ": unsupported file type (use .bmp, .gif, .jpg, .jpeg, .png or .tga)",
                    path);
    }
    // A NUL inside the path would make the library open a different, shorter
    // name than the one whose extension was checked.
    if (path.find('\0') != std::string::npos) {
        return Fail(ProblemKind::Missing, path + ": no such file", path);
    }
    freeimage_base::InitialiseImageLibrary();
    const freeimage_base::LibraryMessages said;
    const std::optional<PictureSize> size = DeclaredSize(row->format, path);
    if (!size) {
        return UnreadableFile(path, *row, said.Text());
    }
    if (!IsWithinPictureLimits(*size)) {
        return Fail(ProblemKind::TooLarge, path + ": " + FileTooLargeMessage(FileName(path), *size),
                    path);
    }
    const EmbeddedProfile profile = ReadProfile(row->format, path);
    freeimage_base::Bitmap bitmap(LoadWithLibrary(row->format, path, LoadFlags(*row, profile)));
    if (!bitmap) {
        return UnreadableFile(path, *row, said.Text());
    }
    const std::string warning = ConvertToSrgb(bitmap.get(), profile);
    Result<freeimage_base::Bitmap> loaded(std::move(bitmap));
    loaded.Warn(warning);
    return loaded;
}

std::string PictureTypeName(FREE_IMAGE_FORMAT format) {
    switch (format) {
        case FIF_TARGA:
            return "a Targa picture";
        case FIF_UNKNOWN:
            return "an unknown kind of file";
        default:
            break;
    }
    const char* name = FreeImage_GetFormatFromFIF(format);
    return std::string("a ") + (name != nullptr ? name : "picture") + " picture";
}

FREE_IMAGE_FORMAT PictureTypeOfBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return FIF_UNKNOWN;
    }
    freeimage_base::InitialiseImageLibrary();
    const freeimage_base::LibraryMessages quiet;
    freeimage_base::Memory memory(bytes.data(), bytes.size());
    return memory ? FreeImage_GetFileTypeFromMemory(memory.get(), static_cast<int>(bytes.size()))
                  : FIF_UNKNOWN;
}

}  // namespace orrisbay::imageio
