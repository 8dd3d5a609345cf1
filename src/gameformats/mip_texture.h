#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gameformats/wad_file.h"
#include "imageio/freeimage_base.h"
#include "palette/palette_conversion.h"

namespace orrisbay::gameformats {

// A texture holds four levels, each half the width and height of the one before.
inline constexpr int kMipLevels = 4;

// The palette index a see-through texture ('{' names) leaves undrawn, and the
// colour a WAD3 palette gives it.
inline constexpr std::uint8_t kSeeThroughIndex = 255;
inline constexpr quake_palette::ColourValue kSeeThroughBlue = quake_palette::MakeColour(0, 0, 255);

// A texture as a WAD holds it: palette indices for four mip levels, each half
// the width and height of the one before, rows from the top down. A WAD3
// texture carries its own palette; a WAD2 texture uses the game's.
struct MipTexture {
    std::string name;
    unsigned width = 0;
    unsigned height = 0;
    std::array<std::vector<std::uint8_t>, kMipLevels> mips;
    quake_palette::Palette palette{};  // WAD3 only
};

// True when textures named `name` are see-through ("{" first).
bool IsSeeThroughName(std::string_view name);

// What is wrong with the texture header in `data` (sizes, mip offsets and, in
// WAD3, the palette running outside the lump), or empty when nothing is.
std::string MipTextureProblem(std::span<const std::uint8_t> data, WadKind kind);

// The texture in a texture lump of `kind`.
Result<MipTexture> DecodeMipTexture(const WadLump& lump, WadKind kind);

// The texture that `data` begins with, whose header MipTextureProblem found
// sound: a texture lump's bytes, or a texture inside a compiled map.
MipTexture DecodeCheckedMipTexture(std::span<const std::uint8_t> data, WadKind kind);

// How many bytes from its start a sound texture header's levels and (WAD3)
// palette reach.
std::size_t MipTextureSize(std::span<const std::uint8_t> data, WadKind kind);

// Writes the levels and (WAD3) the palette of `texture` where the sound
// texture header at the start of `data` places them, leaving every other byte
// (the name among them) as it is. False, with nothing written, when the
// header is of another size or, in WAD3, holds a palette of fewer colours.
bool OverwriteMipTexture(std::span<std::uint8_t> data, const MipTexture& texture, WadKind kind);

// The lump holding `texture`, named as the texture; WAD3 lumps end with the
// palette and are padded to a multiple of 4 bytes.
WadLump EncodeMipTexture(const MipTexture& texture, WadKind kind);

// Writes the pixels of every level of `texture` back into `lump`, the texture
// lump it was decoded from, where they lie: the header, a WAD3 palette and any
// other byte of the lump stay as they are.
void StoreMipPixels(const MipTexture& texture, WadLump& lump);

// Writes `name` into the 16-byte name field that begins a texture lump.
void SetHeaderName(std::vector<std::uint8_t>& data, std::string_view name);

// The full-size level as an 8-bit picture in the texture's colours (WAD3) or
// `gamePalette` (WAD2); in a see-through texture index 255 is transparent.
// Empty when the picture would pass the program's size limits.
freeimage_base::Bitmap MipTextureBitmap(const MipTexture& texture, WadKind kind,
                                        const quake_palette::Palette& gamePalette);

}  // namespace orrisbay::gameformats
