#pragma once

#include <FreeImage.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "console/result.h"

namespace orrisbay::imageio {

// One row of the table of formats a texture can be written in.
struct SaveFormat {
    std::string_view extension;  // lower case, dot included
    FREE_IMAGE_FORMAT format;
    int saveFlags;
};

// The output format chosen by the lower-cased extension of `path` (PNG,
// Targa, BMP, JPEG), or null when it names none of them.
const SaveFormat* FindSaveFormat(std::string_view path);

// Why a path names no format we write.
inline constexpr std::string_view kUnsupportedSaveFormatMessage =
    "unsupported output format (use .png, .tga, .bmp or .jpg)";

// The filter of the save dialog, in Qt's "Name (*.a *.b);;..." form, PNG first.
std::string SaveFileFilter();

// How hard a PNG is compressed: as the library does by default (Save As, a
// single run of the command), or quickly, for a file written again on every
// change (the same pixels in a file about as large, written six to ten times
// as fast: colour pictures as `WriteQuickPng` writes them, others at zlib's
// fastest level). Other formats do not differ.
enum class PngCompression { Default, Fast };

// Encodes `bitmap` in the format of `path`'s extension straight into a new
// temporary file in the same folder (converting it first only when the format
// cannot take its depth) and renames that over `path`. Any failure removes
// the temporary file and leaves an existing `path` as it was. Failures say
// "PATH: reason": UnsupportedType for an extension naming no format we
// write, Failed when the image library could not encode the bitmap,
// CannotWrite when the file could not be written or moved into place.
Result<void> SaveImageFile(const FIBITMAP* bitmap, const std::string& path,
                           PngCompression compression = PngCompression::Default);

// Has `write` fill a new temporary file beside `target`, flushes it to disk
// and renames it over `target`. When `write` or any step fails, the temporary
// file is removed, `target` is untouched and the failure returned.
// A `target` that is a symbolic link keeps it: the link's final target is
// replaced, in its own folder, and a dangling link's target is created when
// its folder exists. A replaced file keeps its permission bits and, where the
// process may set them, its owner and group.
// Failures of its own are CannotWrite, "TARGET: reason"; those of `write`
// come back as `write` gave them.
Result<void> WriteAtomically(const std::function<Result<void>(std::FILE*)>& write,
                             const std::filesystem::path& target);

// Writes `size` bytes to `target` the same way.
Result<void> WriteAtomically(const BYTE* bytes, std::size_t size,
                             const std::filesystem::path& target);

// Writes `pieces` one after another to `target` the same way: a file made of
// parts already in memory needs no copy of the whole.
Result<void> WriteAtomically(std::span<const std::span<const BYTE>> pieces,
                             const std::filesystem::path& target);

}  // namespace orrisbay::imageio
