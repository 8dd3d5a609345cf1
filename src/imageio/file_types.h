#pragma once

#include <FreeImage.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "console/result.h"
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

// The row for a path's extension; blanks at the end of a name do not count
// towards it ("wall.png " is a PNG, opened by its exact name). Null when the
// table has none.
const FileTypeRow* FileTypeOfPath(std::string_view path);

// Chooses the file type by extension and loads the file with the table's
// flags. The path is passed to the library in the system's own file-name
// encoding, so every name that exists can be opened. The picture size in the
// file's header is checked against the limits of image_limits.h before any
// pixel is decoded. A picture whose file carries a colour profile other than
// sRGB is converted to sRGB (a PNG's gamma chunk then yields to the
// profile); a profile that could not be used is a warning.
//
// A file that cannot be loaded gives why, in a message "PATH: reason":
// UnsupportedType for an extension not in the table ("unsupported file
// type") or content of another type ("it is a JPEG picture named .png"),
// Missing, Unreadable (a folder, no permission), Damaged (with what the image
// library said), or TooLarge (the text of FileTooLargeMessage after the path).
Result<freeimage_base::Bitmap> LoadImageFile(const std::string& path);

// "a PNG picture", "a JPEG picture", ... for the image library's format.
std::string PictureTypeName(FREE_IMAGE_FORMAT format);

// What the image library takes these bytes (a file's first ones) for; FIF_UNKNOWN when no picture.
FREE_IMAGE_FORMAT PictureTypeOfBytes(std::span<const std::uint8_t> bytes);

// The picture size declared in the header of the file at `path`, read under
// the type its extension selects and without decoding pixels; empty when the
// extension is not accepted or the header cannot be read.
std::optional<PictureSize> ReadDeclaredSize(const std::string& path);

}  // namespace orrisbay::imageio
