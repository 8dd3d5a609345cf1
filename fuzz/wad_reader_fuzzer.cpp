// Any bytes as a WAD file: the reader must refuse what does not fit, and what
// it accepts must decode, edit and write back to the same lumps.
#include <cstddef>
#include <cstdint>
#include <span>

#include "gameformats/mip_texture.h"
#include "gameformats/wad_edit.h"
#include "gameformats/wad_file.h"

namespace gf = orrisbay::gameformats;

namespace {

bool SameLumps(const gf::WadFile& a, const gf::WadFile& b) {
    if (a.kind != b.kind || a.lumps.size() != b.lumps.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.lumps.size(); ++i) {
        if (a.lumps[i].name != b.lumps[i].name || a.lumps[i].data != b.lumps[i].data) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto read = gf::ParseWad(std::span(data, size), "fuzz.wad");
    if (!read) {
        return 0;
    }
    gf::WadFile& wad = read.value();
    const orrisbay::quake_palette::Palette palette{};
    for (const gf::WadLump& lump : wad.lumps) {
        const auto texture = gf::DecodeMipTexture(lump, wad.kind);
        if (texture && texture.value().width * std::uint64_t{texture.value().height} <= 4096) {
            gf::MipTextureBitmap(texture.value(), wad.kind, palette);
        }
    }
    const auto bytes = gf::EncodeWad(wad);
    if (!bytes || !SameLumps(gf::ParseWad(bytes.value(), "again.wad").value(), wad)) {
        __builtin_trap();
    }
    if (!wad.lumps.empty()) {
        const std::string first = wad.lumps.front().name;
        if (gf::RenameLump(wad, first, "renamed")) {
            const auto renamed = gf::EncodeWad(wad);
            if (!renamed || !gf::ParseWad(renamed.value(), "renamed.wad")) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
