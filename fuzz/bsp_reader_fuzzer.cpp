// Any bytes as a compiled map: the reader must refuse what does not fit, and
// what it accepts must decode its stored textures and take a texture of
// another size in place of one, reading back whole with every other lump
// unchanged.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "gameformats/bsp_edit.h"
#include "gameformats/bsp_file.h"

namespace gf = orrisbay::gameformats;

namespace {

// A 16 x 16 texture of one colour, named `name`.
gf::MipTexture SmallTexture(const std::string& name) {
    gf::MipTexture texture{name, 16, 16, {}, {}};
    for (int level = 0; level < gf::kMipLevels; ++level) {
        texture.mips[level].assign((16u >> level) * (16u >> level), 7);
    }
    return texture;
}

std::span<const std::uint8_t> LumpBytes(const gf::BspFile& map, std::size_t lump) {
    return std::span(map.bytes).subspan(map.lumps[lump].offset, map.lumps[lump].length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto read = gf::ParseBsp(std::span(data, size), "fuzz.bsp");
    if (!read) {
        return 0;
    }
    gf::BspFile map = std::move(read).value();
    const orrisbay::quake_palette::Palette palette{};
    const gf::BspTexture* first = nullptr;
    for (const gf::BspTexture& texture : map.textures) {
        if (texture.storage == gf::BspTextureStorage::InMap) {
            const gf::MipTexture decoded = gf::DecodeBspTexture(map, texture);
            if (decoded.width * std::uint64_t{decoded.height} <= 4096) {
                gf::MipTextureBitmap(decoded, gf::TextureKindOf(map.version), palette);
            }
            first = first != nullptr ? first : &texture;
        }
    }
    if (first == nullptr) {
        return 0;
    }
    const gf::BspFile before = map;
    const std::string name = first->name;
    // A replacement that is refused leaves the map as it was; one that is
    // made reads back whole.
    if (!gf::ReplaceBspTexture(map, name, SmallTexture(name), true, "fuzz.bsp")) {
        if (map.bytes != before.bytes) {
            __builtin_trap();
        }
        return 0;
    }
    if (!gf::ParseBsp(map.bytes, "again.bsp")) {
        __builtin_trap();
    }
    for (std::size_t lump = 0; lump < gf::kBspLumpCount; ++lump) {
        if (lump != gf::kBspTextureLump &&
            !std::ranges::equal(LumpBytes(before, lump), LumpBytes(map, lump))) {
            __builtin_trap();
        }
    }
    return 0;
}
