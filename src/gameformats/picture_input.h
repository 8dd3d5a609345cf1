#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "console/result.h"
#include "imageio/freeimage_base.h"
#include "palette/quake_palette.h"

namespace orrisbay::gameformats {

// True when `path` names a picture the program reads: one of the image
// types the open buttons take (by extension), or a Quake II .wal texture.
bool IsInputPicturePath(std::string_view path);

// Reads the picture at `path` wherever a picture is read (the window's Open
// and drops, the files the live link reads again, the commands' inputs): an
// image file as imageio::LoadImageFile reads it, with its warnings, or a
// .wal texture as an 8-bit picture in `palette`. A .wal holds no colours of
// its own, so without a palette it is refused (NoPalette).
Result<freeimage_base::Bitmap> ReadInputPicture(
    const std::string& path, const std::optional<quake_palette::Palette>& palette);

}  // namespace orrisbay::gameformats
