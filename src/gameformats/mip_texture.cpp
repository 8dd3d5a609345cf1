#include "gameformats/mip_texture.h"

#include <algorithm>

#include "imageio/image_limits.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

constexpr std::size_t kNameSize = 16;
constexpr std::size_t kHeaderSize = kNameSize + 4 * 2 + 4 * kMipLevels;
constexpr std::size_t kPaletteColours = 256;

std::uint32_t ReadU32(std::span<const std::uint8_t> data, std::size_t at) {
    return std::uint32_t{data[at]} | std::uint32_t{data[at + 1]} << 8 |
           std::uint32_t{data[at + 2]} << 16 | std::uint32_t{data[at + 3]} << 24;
}

void AppendU32(std::vector<std::uint8_t>& out, std::size_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint64_t MipBytes(std::uint64_t width, std::uint64_t height, int level) {
    return (width >> level) * (height >> level);
}

// The end of the last mip level, where a WAD3 palette begins.
std::uint64_t MipDataEnd(std::span<const std::uint8_t> data) {
    const std::uint32_t width = ReadU32(data, kNameSize), height = ReadU32(data, kNameSize + 4);
    const int last = kMipLevels - 1;
    return ReadU32(data, kNameSize + 8 + 4 * last) + MipBytes(width, height, last);
}

// The number of colours a WAD3 palette at `at` holds.
unsigned PaletteCount(std::span<const std::uint8_t> data, std::size_t at) {
    return data[at] | unsigned{data[at + 1]} << 8;
}

std::string PaletteProblem(std::span<const std::uint8_t> data) {
    const std::uint64_t at = MipDataEnd(data);
    if (at + 2 > data.size()) {
        return "its palette lies outside the lump";
    }
    const unsigned count = PaletteCount(data, at);
    if (count > kPaletteColours || at + 2 + 3ull * count > data.size()) {
        return "its palette of " + std::to_string(count) + " colours does not fit the lump";
    }
    return {};
}

}  // namespace

bool IsSeeThroughName(std::string_view name) {
    return name.starts_with('{');
}

std::string MipTextureProblem(std::span<const std::uint8_t> data, WadKind kind) {
    if (data.size() < kHeaderSize) {
        return "it is too short to hold a texture header";
    }
    const std::uint32_t width = ReadU32(data, kNameSize), height = ReadU32(data, kNameSize + 4);
    if (width == 0 || height == 0) {
        return "its texture is " + std::to_string(width) + " x " + std::to_string(height);
    }
    for (int level = 0; level < kMipLevels; ++level) {
        const std::uint32_t offset = ReadU32(data, kNameSize + 8 + 4 * level);
        if (offset < kHeaderSize || offset + MipBytes(width, height, level) > data.size()) {
            return "mip level " + std::to_string(level) + " of its " + std::to_string(width) +
                   " x " + std::to_string(height) + " texture lies outside the lump";
        }
    }
    return kind == WadKind::Wad3 ? PaletteProblem(data) : std::string();
}

Result<MipTexture> DecodeMipTexture(const WadLump& lump, WadKind kind) {
    if (!IsTextureLump(lump, kind)) {
        return Fail(ProblemKind::UnsupportedType, "\"" + lump.name + "\" is not a texture");
    }
    const std::span<const std::uint8_t> data(lump.data);
    if (std::string problem = MipTextureProblem(data, kind); !problem.empty()) {
        return Fail(ProblemKind::Damaged, "texture \"" + lump.name + "\": " + problem);
    }
    return DecodeCheckedMipTexture(data, kind);
}

MipTexture DecodeCheckedMipTexture(std::span<const std::uint8_t> data, WadKind kind) {
    MipTexture texture;
    texture.name = std::string(data.begin(), data.begin() + kNameSize).c_str();
    texture.width = ReadU32(data, kNameSize);
    texture.height = ReadU32(data, kNameSize + 4);
    for (int level = 0; level < kMipLevels; ++level) {
        const auto begin = data.begin() + ReadU32(data, kNameSize + 8 + 4 * level);
        const auto size = MipBytes(texture.width, texture.height, level);
        texture.mips[level].assign(begin, begin + static_cast<std::ptrdiff_t>(size));
    }
    if (kind == WadKind::Wad3) {
        const std::size_t at = MipDataEnd(data);
        const unsigned count = PaletteCount(data, at);
        for (unsigned i = 0; i < count; ++i) {
            const std::uint8_t* rgb = &data[at + 2 + 3 * i];
            texture.palette[i] = quake_palette::MakeColour(rgb[0], rgb[1], rgb[2]);
        }
    }
    return texture;
}

std::size_t MipTextureSize(std::span<const std::uint8_t> data, WadKind kind) {
    const std::uint32_t width = ReadU32(data, kNameSize), height = ReadU32(data, kNameSize + 4);
    std::uint64_t end = kHeaderSize;
    for (int level = 0; level < kMipLevels; ++level) {
        end = std::max<std::uint64_t>(
            end, ReadU32(data, kNameSize + 8 + 4 * level) + MipBytes(width, height, level));
    }
    if (kind == WadKind::Wad3) {
        const std::uint64_t at = MipDataEnd(data);
        end = std::max<std::uint64_t>(end, at + 2 + 3ull * PaletteCount(data, at));
    }
    return static_cast<std::size_t>(end);
}

bool OverwriteMipTexture(std::span<std::uint8_t> data, const MipTexture& texture, WadKind kind) {
    if (ReadU32(data, kNameSize) != texture.width ||
        ReadU32(data, kNameSize + 4) != texture.height ||
        (kind == WadKind::Wad3 && PaletteCount(data, MipDataEnd(data)) != kPaletteColours)) {
        return false;
    }
    for (int level = 0; level < kMipLevels; ++level) {
        if (texture.mips[level].size() != MipBytes(texture.width, texture.height, level)) {
            return false;
        }
    }
    for (int level = 0; level < kMipLevels; ++level) {
        std::copy(texture.mips[level].begin(), texture.mips[level].end(),
                  data.begin() + ReadU32(data, kNameSize + 8 + 4 * level));
    }
    if (kind == WadKind::Wad3) {
        auto out = data.begin() + static_cast<std::ptrdiff_t>(MipDataEnd(data) + 2);
        for (const quake_palette::ColourValue colour : texture.palette) {
            for (int shift = 0; shift < 24; shift += 8) {
                *out++ = static_cast<std::uint8_t>(colour >> shift);
            }
        }
    }
    return true;
}

WadLump EncodeMipTexture(const MipTexture& texture, WadKind kind) {
    WadLump lump{texture.name, TextureLumpType(kind), 0, 0, {}};
    std::vector<std::uint8_t>& out = lump.data;
    out.resize(kNameSize);
    SetHeaderName(out, texture.name);
    AppendU32(out, texture.width);
    AppendU32(out, texture.height);
    std::size_t offset = kHeaderSize;
    for (const auto& mip : texture.mips) {
        AppendU32(out, offset);
        offset += mip.size();
    }
    for (const auto& mip : texture.mips) {
        out.insert(out.end(), mip.begin(), mip.end());
    }
    if (kind == WadKind::Wad3) {
        out.push_back(kPaletteColours & 0xFF);
        out.push_back(kPaletteColours >> 8);
        for (const quake_palette::ColourValue colour : texture.palette) {
            for (int shift = 0; shift < 24; shift += 8) {
                out.push_back(static_cast<std::uint8_t>(colour >> shift));
            }
        }
        out.resize((out.size() + 3) / 4 * 4, 0);
    }
    lump.memorySize = static_cast<std::uint32_t>(out.size());
    return lump;
}

void StoreMipPixels(const MipTexture& texture, WadLump& lump) {
    for (int level = 0; level < kMipLevels; ++level) {
        const std::vector<std::uint8_t>& pixels = texture.mips[static_cast<std::size_t>(level)];
        const std::uint32_t offset = ReadU32(lump.data, kNameSize + 8 + 4 * level);
        std::copy(pixels.begin(), pixels.end(), lump.data.begin() + offset);
    }
}

void SetHeaderName(std::vector<std::uint8_t>& data, std::string_view name) {
    const std::size_t length = std::min(name.size(), kNameSize);
    std::fill_n(data.begin(), kNameSize, 0);
    std::copy_n(name.begin(), length, data.begin());
}

Bitmap MipTextureBitmap(const MipTexture& texture, WadKind kind,
                        const quake_palette::Palette& gamePalette) {
    if (!imageio::IsWithinPictureLimits({texture.width, texture.height})) {
        return Bitmap();
    }
    Bitmap bitmap(
        FreeImage_Allocate(static_cast<int>(texture.width), static_cast<int>(texture.height), 8));
    if (!bitmap) {
        return bitmap;
    }
    const quake_palette::Palette& colours = kind == WadKind::Wad3 ? texture.palette : gamePalette;
    RGBQUAD* table = FreeImage_GetPalette(bitmap.get());
    for (std::size_t i = 0; i < colours.size(); ++i) {
        table[i].rgbRed = static_cast<BYTE>(colours[i]);
        table[i].rgbGreen = static_cast<BYTE>(colours[i] >> 8);
        table[i].rgbBlue = static_cast<BYTE>(colours[i] >> 16);
        table[i].rgbReserved = 0;
    }
    for (unsigned row = 0; row < texture.height; ++row) {
        BYTE* line =
            FreeImage_GetScanLine(bitmap.get(), static_cast<int>(texture.height - 1 - row));
        std::copy_n(texture.mips[0].begin() + std::ptrdiff_t{row} * texture.width, texture.width,
                    line);
    }
    if (IsSeeThroughName(texture.name)) {
        std::array<BYTE, 256> alpha;
        alpha.fill(255);
        alpha[kSeeThroughIndex] = 0;
        FreeImage_SetTransparencyTable(bitmap.get(), alpha.data(), static_cast<int>(alpha.size()));
    }
    return bitmap;
}

}  // namespace orrisbay::gameformats
