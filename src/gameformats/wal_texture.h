#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "console/result.h"
#include "gameformats/wal_file.h"
#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {

// The header fields of a .wal that the game reads besides its name.
struct WalFields {
    std::string nextFrame{};     // the next texture of an animation; empty for none
    std::uint32_t flags = 0;     // surface flags: light, slick, sky, warp, trans33, ...
    std::uint32_t contents = 0;  // contents flags: solid, window, water, ...
    std::int32_t value = 0;      // such as a light's strength
    bool operator==(const WalFields&) const = default;
};

// What a .wal gets besides its picture.
struct WalOptions {
    std::string name{};  // empty: WalNameForPath of the output
    WalFields fields{};
    quake_palette::ConversionOptions conversion{};  // dithering, fullbrights
    const FIBITMAP* glow = nullptr;  // a grey mask of the texture's size: where it glows
};

// The name Quake II looks a texture up by: the path below the innermost
// "textures" folder (in any case) without its extension ("e1u1/floor1_3") when `outputPath`
// lies under one, else the file's name without its extension.
std::string WalNameForPath(const std::string& outputPath);

// Checks a .wal name: 1 to 31 characters of printable ASCII without spaces,
// folders separated by '/'. Gives the name, or BreaksGameRule saying why.
Result<std::string> CheckWalName(std::string_view name);

// Makes a .wal texture from `fullColour` with the code a WAD2 texture is made
// with: sides multiples of 16 (else NotOnGrid with TextureSizeMessage's
// text), every mip level averaged in linear light and converted to `palette`
// with the same options. The names are checked with CheckWalName (an empty
// next frame stays empty).
Result<WalTexture> MakeWalTexture(const FIBITMAP* fullColour, const WalOptions& options,
                                  const quake_palette::Palette& palette);

// Makes the texture, named after `path` unless `options` name it, and writes
// it to `path` beside the old file and renamed into place.
Result<WalTexture> WriteWalTexture(const FIBITMAP* fullColour, const std::string& path,
                                   WalOptions options, const quake_palette::Palette& palette);

}  // namespace orrisbay::gameformats
