#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console/result.h"
#include "gameformats/mip_texture.h"
#include "imageio/freeimage_base.h"
#include "palette/quake_palette.h"

namespace orrisbay::gameformats {

// A Quake II texture file: a 100-byte header (name[32], width, height, four
// mip offsets, the next frame's name[32], surface flags, contents flags and
// a value; every number little-endian 32-bit), then the four mip levels. It
// holds no palette: the game's comes from its pics/colormap.pcx.
inline constexpr std::size_t kWalHeaderSize = 100;
inline constexpr std::size_t kWalNameSize = 32;
// A name fills its 32 bytes with at least one NUL after it.
inline constexpr std::size_t kMaxWalNameLength = kWalNameSize - 1;

// True when `path` names a .wal file, by its extension in any case.
bool IsWalPath(std::string_view path);

struct WalTexture {
    std::string name{};  // the path below textures/, without extension ("e1u1/floor1_3")
    unsigned width = 0;
    unsigned height = 0;
    // Palette indices, rows from the top down, each level half the sides of the one before.
    std::array<std::vector<std::uint8_t>, kMipLevels> mips{};
    std::string nextFrame{};     // the next texture of an animation; empty for none
    std::uint32_t flags = 0;     // surface flags: light, slick, sky, warp, trans33, ...
    std::uint32_t contents = 0;  // contents flags: solid, window, water, ...
    std::int32_t value = 0;      // such as a light's strength
};

// The bytes of a .wal file holding `texture`; refused when a name passes 31
// characters or a level is not of its size.
Result<std::vector<std::uint8_t>> EncodeWal(const WalTexture& texture);

// The texture in the bytes of a .wal file read from `path`. Its names must
// be terminated, its sides positive and within the program's picture limits
// and every level inside the file; otherwise refused with the reason.
Result<WalTexture> DecodeWal(std::span<const std::uint8_t> bytes, const std::string& path);

// Reads the .wal file at `path`; its declared size is checked before the
// levels are read.
Result<WalTexture> ReadWalFile(const std::string& path);

// Writes `texture` to a new file beside `path` and renames it into place.
Result<void> WriteWalFile(const std::string& path, const WalTexture& texture);

// The full-size level as an 8-bit picture whose colour table is `palette`.
Result<freeimage_base::Bitmap> WalPicture(WalTexture texture,
                                          const quake_palette::Palette& palette);

// Reads the .wal file at `path` as a picture in `palette`, for the loaders.
Result<freeimage_base::Bitmap> ReadWalPicture(const std::string& path,
                                              const quake_palette::Palette& palette);

}  // namespace orrisbay::gameformats
