// Any bytes as a palette file and as a Quake II .wal: the readers must refuse
// what does not fit, and a .wal they accept must write back to the same texture.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "gameformats/wal_file.h"
#include "palette/palette_files.h"

namespace gf = orrisbay::gameformats;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const auto palette = orrisbay::quake_palette::ParseGamePalette(bytes, "fuzz.pal");
    if (palette && palette->palette.fullbrightCount != 0 &&
        palette->palette.fullbrightCount != 32) {
        __builtin_trap();
    }
    auto wal = gf::DecodeWal(bytes, "fuzz.wal");
    if (!wal) {
        return 0;
    }
    const auto encoded = gf::EncodeWal(*wal);
    const auto again = gf::DecodeWal(encoded ? *encoded : std::vector<std::uint8_t>{}, "again.wal");
    if (!again || again->mips != wal->mips || again->name != wal->name ||
        again->nextFrame != wal->nextFrame || again->flags != wal->flags ||
        again->contents != wal->contents || again->value != wal->value) {
        __builtin_trap();
    }
    if (std::uint64_t{wal->width} * wal->height <= 4096) {
        (void)gf::WalPicture(std::move(*wal), orrisbay::quake_palette::Palette{});
    }
    return 0;
}
