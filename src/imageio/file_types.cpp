#include "imageio/file_types.h"

#include <filesystem>
#include <fstream>

#include "console/text.h"
#include "imageio/bitmap_colour.h"
#include "imageio/embedded_profile.h"
#include "imageio/image_limits.h"
#include "imageio/library_guards.h"

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

namespace {

// The file type of a path by its extension. Blanks at the end of a name do not
// count towards the extension: "wall.png " is still a PNG, as it was when the
// dialog's path had its outer spaces stripped; the file itself is opened by
// its exact name.
const FileTypeRow* FileTypeOfPath(std::string_view path) {
    const std::size_t end = path.find_last_not_of(' ');
    return FindFileType(FileExtension(path.substr(0, end == std::string_view::npos ? 0 : end + 1)));
}

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
    const ColourResult colours = ConvertBitmapToSrgb(dib, profile);
    return colours.problem.empty() ? std::string() : ColourProfileWarning(colours.problem);
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
    return DeclaredSize(row->format, path);
}

LoadResult LoadImageFile(const std::string& path) {
    LoadResult result;
    const FileTypeRow* row = FileTypeOfPath(path);
    if (row == nullptr) {
        result.outcome = LoadOutcome::InvalidFormat;
        return result;
    }
    // A NUL inside the path would make the library open a different, shorter
    // name than the one whose extension was checked.
    if (path.find('\0') != std::string::npos) {
        result.outcome = LoadOutcome::LoadFailed;
        return result;
    }
    freeimage_base::InitialiseImageLibrary();
    const std::optional<PictureSize> size = DeclaredSize(row->format, path);
    if (!size) {
        result.outcome = LoadOutcome::LoadFailed;
        return result;
    }
    if (!IsWithinPictureLimits(*size)) {
        result.outcome = LoadOutcome::TooLarge;
        result.message = FileTooLargeMessage(FileName(path), *size);
        return result;
    }
    const EmbeddedProfile profile = ReadProfile(row->format, path);
    result.bitmap.reset(LoadWithLibrary(row->format, path, LoadFlags(*row, profile)));
    if (!result.bitmap) {
        result.outcome = LoadOutcome::LoadFailed;
        return result;
    }
    result.outcome = LoadOutcome::Loaded;
    result.warning = ConvertToSrgb(result.bitmap.get(), profile);
    return result;
}

}  // namespace orrisbay::imageio
