#pragma once

#include <FreeImage.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imageio/image_writer.h"
#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {

inline constexpr int kMipLevels = 4;
inline constexpr std::uint8_t kMipTextureLumpType = 0x44;

// A texture as the game stores it: palette indices for four mip levels, each
// half the width and height of the one before, rows from the top down.
struct WadTexture {
    std::string name;
    unsigned width = 0;
    unsigned height = 0;
    std::array<std::vector<std::uint8_t>, kMipLevels> mips;
};

enum class WadTextureError {
    None,
    NoTexture,         // no bitmap was given
    NotMultipleOf16,   // see TextureSizeMessage
    BadName,           // see IsValidTextureName
    ConversionFailed,  // the library could not reduce or read the bitmap
};

struct WadTextureResult {
    WadTexture texture;
    WadTextureError error = WadTextureError::None;
    explicit operator bool() const { return error == WadTextureError::None; }
};

// Makes the four mip levels of `fullColour`: each level is reduced from the
// full-colour texture (averaging blocks of 2, 4 and 8 pixels) and then
// converted to `palette`, so small mips keep the true colour of fine detail.
WadTextureResult MakeWadTexture(const FIBITMAP* fullColour, const std::string& name,
                                quake_palette::ConversionOptions options,
                                const quake_palette::Palette& palette);

// The bytes of a WAD2 file holding `textures`, one lump each in the given
// order. Empty when a texture has a bad name, a bad size or mip data that
// does not match its size, or when the file would pass 2 GiB.
std::optional<std::vector<std::uint8_t>> EncodeWad2(std::span<const WadTexture> textures);

// Writes the WAD2 file through a temporary file renamed into place, so an
// existing file is never left half written.
imageio::SaveResult WriteWad2(const std::string& path, std::span<const WadTexture> textures);

// The whole path from the merged texture to a one-texture WAD at `path`,
// named after the file. The texture must already be a multiple of 16 on both
// sides (see RescaleToMultipleOf16).
imageio::SaveResult SaveQuakeWad(const FIBITMAP* fullColour, const std::string& path,
                                 quake_palette::ConversionOptions options,
                                 const quake_palette::Palette& palette);

}  // namespace orrisbay::gameformats
