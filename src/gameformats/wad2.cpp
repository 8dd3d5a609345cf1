#include "gameformats/wad2.h"

#include <cstring>
#include <limits>

#include "gameformats/texture_rules.h"

namespace orrisbay::gameformats {
namespace {

using freeimage_base::Bitmap;

constexpr std::size_t kHeaderSize = 12;          // magic, lump count, directory offset
constexpr std::size_t kDirectoryEntrySize = 32;  // position, sizes, type, compression, name
constexpr std::size_t kNameSize = 16;
constexpr std::size_t kMipHeaderSize = kNameSize + 4 * 2 + 4 * kMipLevels;

unsigned MipSide(unsigned side, int level) {
    return side >> level;
}

std::size_t MipBytes(const WadTexture& texture, int level) {
    return static_cast<std::size_t>(MipSide(texture.width, level)) * MipSide(texture.height, level);
}

std::size_t LumpSize(const WadTexture& texture) {
    std::size_t size = kMipHeaderSize;
    for (int level = 0; level < kMipLevels; ++level) {
        size += MipBytes(texture, level);
    }
    return size;
}

bool IsWritable(const WadTexture& texture) {
    if (!IsValidTextureName(texture.name) || !IsWadTextureSize(texture.width, texture.height)) {
        return false;
    }
    for (int level = 0; level < kMipLevels; ++level) {
        if (texture.mips[static_cast<std::size_t>(level)].size() != MipBytes(texture, level)) {
            return false;
        }
    }
    return true;
}

class ByteWriter {
  public:
    explicit ByteWriter(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    void Int32(std::size_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    void Byte(std::uint8_t value) { bytes_.push_back(value); }
    void Name(const std::string& name) {
        const std::size_t start = bytes_.size();
        bytes_.insert(bytes_.end(), name.begin(), name.end());
        bytes_.resize(start + kNameSize, 0);
    }
    void Data(const std::vector<std::uint8_t>& data) {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }

  private:
    std::vector<std::uint8_t>& bytes_;
};

void WriteMipTexture(ByteWriter& out, const WadTexture& texture) {
    out.Name(texture.name);
    out.Int32(texture.width);
    out.Int32(texture.height);
    std::size_t offset = kMipHeaderSize;
    for (int level = 0; level < kMipLevels; ++level) {
        out.Int32(offset);
        offset += MipBytes(texture, level);
    }
    for (const auto& mip : texture.mips) {
        out.Data(mip);
    }
}

// A copy of `source` reduced to `width` x `height`; the box filter averages
// exactly the 2^level x 2^level block behind each mip pixel.
Bitmap Reduce(const FIBITMAP* source, unsigned width, unsigned height) {
    return freeimage_base::Rescale(source, static_cast<int>(width), static_cast<int>(height),
                                   FILTER_BOX);
}

// The indices of an 8-bit bitmap, top row first as the game stores them.
std::vector<std::uint8_t> TopDownIndices(const FIBITMAP* indexed) {
    const unsigned width = freeimage_base::Width(indexed);
    const unsigned height = freeimage_base::Height(indexed);
    std::vector<std::uint8_t> indices;
    indices.reserve(static_cast<std::size_t>(width) * height);
    for (unsigned row = 0; row < height; ++row) {
        const BYTE* line = freeimage_base::ScanLine(indexed, height - 1 - row);
        indices.insert(indices.end(), line, line + width);
    }
    return indices;
}

}  // namespace

WadTextureResult MakeWadTexture(const FIBITMAP* fullColour, const std::string& name,
                                quake_palette::ConversionOptions options,
                                const quake_palette::Palette& palette) {
    WadTextureResult result;
    if (fullColour == nullptr) {
        result.error = WadTextureError::NoTexture;
        return result;
    }
    const unsigned width = freeimage_base::Width(fullColour);
    const unsigned height = freeimage_base::Height(fullColour);
    if (!IsWadTextureSize(width, height)) {
        result.error = WadTextureError::NotMultipleOf16;
        return result;
    }
    if (!IsValidTextureName(name)) {
        result.error = WadTextureError::BadName;
        return result;
    }
    const quake_palette::NearestColourFinder finder(palette, options.allowFullbrights);
    result.texture = {name, width, height, {}};
    for (int level = 0; level < kMipLevels; ++level) {
        Bitmap reduced;
        const FIBITMAP* source = fullColour;
        if (level > 0) {
            reduced = Reduce(fullColour, MipSide(width, level), MipSide(height, level));
            source = reduced.get();
        }
        const Bitmap indexed =
            source ? quake_palette::ConvertToPalette(source, finder, options.dither) : Bitmap();
        if (!indexed) {
            result.error = WadTextureError::ConversionFailed;
            return result;
        }
        result.texture.mips[static_cast<std::size_t>(level)] = TopDownIndices(indexed.get());
    }
    return result;
}

std::optional<std::vector<std::uint8_t>> EncodeWad2(std::span<const WadTexture> textures) {
    std::size_t total = kHeaderSize;
    for (const WadTexture& texture : textures) {
        if (!IsWritable(texture)) {
            return std::nullopt;
        }
        total += LumpSize(texture) + kDirectoryEntrySize;
    }
    // Every offset and size in the file is a signed 32-bit number.
    if (total > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(total);
    ByteWriter out(bytes);
    out.Data({'W', 'A', 'D', '2'});
    out.Int32(textures.size());
    out.Int32(total - kDirectoryEntrySize * textures.size());
    std::vector<std::size_t> positions;
    for (const WadTexture& texture : textures) {
        positions.push_back(bytes.size());
        WriteMipTexture(out, texture);
    }
    for (std::size_t i = 0; i < textures.size(); ++i) {
        const std::size_t size = LumpSize(textures[i]);
        out.Int32(positions[i]);
        out.Int32(size);  // on disk
        out.Int32(size);  // in memory: never compressed
        out.Byte(kMipTextureLumpType);
        out.Byte(0);  // compression
        out.Byte(0);  // padding
        out.Byte(0);
        out.Name(textures[i].name);
    }
    return bytes;
}

imageio::SaveResult WriteWad2(const std::string& path, std::span<const WadTexture> textures) {
    const auto bytes = EncodeWad2(textures);
    if (!bytes) {
        return {imageio::SaveOutcome::EncodeFailed,
                "a texture has a bad name or a size that is not a multiple of 16"};
    }
    if (path.find('\0') != std::string::npos) {
        return {imageio::SaveOutcome::WriteFailed, "invalid file name"};
    }
    return imageio::WriteAtomically(bytes->data(), bytes->size(), std::filesystem::path(path));
}

imageio::SaveResult SaveQuakeWad(const FIBITMAP* fullColour, const std::string& path,
                                 quake_palette::ConversionOptions options,
                                 const quake_palette::Palette& palette) {
    const std::string name = TextureNameFromFileName(path);
    const WadTextureResult made = MakeWadTexture(fullColour, name, options, palette);
    switch (made.error) {
        case WadTextureError::None:
            return WriteWad2(path, std::span(&made.texture, 1));
        case WadTextureError::NoTexture:
            return {imageio::SaveOutcome::EncodeFailed, "no image to save"};
        case WadTextureError::NotMultipleOf16: {
            return {imageio::SaveOutcome::EncodeFailed,
                    TextureSizeMessage(static_cast<int>(freeimage_base::Width(fullColour)),
                                       static_cast<int>(freeimage_base::Height(fullColour)))};
        }
        case WadTextureError::BadName:
            return {imageio::SaveOutcome::InvalidFormat,
                    "the file name gives no usable texture name"};
        case WadTextureError::ConversionFailed:
            break;
    }
    return {imageio::SaveOutcome::EncodeFailed, "the texture could not be converted"};
}

}  // namespace orrisbay::gameformats
