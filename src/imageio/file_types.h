#pragma once

#include <FreeImage.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "imageio/freeimage_base.h"
#include "imageio/image_limits.h"

namespace orrisbay::imageio {

inline constexpr std::string_view kInvalidFormatMessage = "Load: Invalid format; no image loaded.";

// One row of the file-type table.
struct FileTypeRow {
    std::string_view extension;  // lower case, dot included
    FREE_IMAGE_FORMAT format;
    int loadFlags;
};

// The six accepted extensions, in look-up order. JPEGs are decoded with the
// accurate transform and smooth chroma upsampling, not the library's fast default.
inline constexpr std::array<FileTypeRow, 6> kFileTypeTable = {{
    {".bmp", FIF_BMP, 0},
    {".jpg", FIF_JPEG, JPEG_ACCURATE},
    {".jpeg", FIF_JPEG, JPEG_ACCURATE},
    {".gif", FIF_GIF, 0},
    {".png", FIF_PNG, 0},
    {".tga", FIF_TARGA, 0},
}};

// The lower-cased extension of `path` from its last dot, dot included; the
// whole lower-cased path when it holds no dot.
std::string FileExtension(std::string_view path);

// The first table row whose extension equals `extension`, or null.
const FileTypeRow* FindFileType(std::string_view extension);

enum class LoadOutcome {
    Loaded,         // `bitmap` holds the image
    InvalidFormat,  // the extension is not in the table; nothing was read
    LoadFailed,     // the image library could not read the file
    TooLarge,       // the file declares a picture over the size limits; `message` says so
};

struct LoadResult {
    LoadOutcome outcome = LoadOutcome::LoadFailed;
    freeimage_base::Bitmap bitmap;
    std::string message;  // for TooLarge: the text to show the user
    std::string warning;  // for Loaded: the colour profile was not used, and why
    explicit operator bool() const { return outcome == LoadOutcome::Loaded; }
};

// Chooses the file type by extension and loads the file with the table's
// flags. The path is passed to the library in the system's own file-name
// encoding, so every name that exists can be opened. The picture size in the
// file's header is checked against the limits of image_limits.h before any
// pixel is decoded. A picture whose file carries a colour profile other than
// sRGB is converted to sRGB; a PNG's gamma chunk then yields to the profile.
LoadResult LoadImageFile(const std::string& path);

// The picture size declared in the header of the file at `path`, read under
// the type its extension selects and without decoding pixels; empty when the
// extension is not accepted or the header cannot be read.
std::optional<PictureSize> ReadDeclaredSize(const std::string& path);

}  // namespace orrisbay::imageio
