// Any bytes as the palette file: the reader must fill at most 256 entries and
// report, never crash or read past the file.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "palette/quake_palette.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    orrisbay::fuzz::SilenceConsole();
    const std::string path = orrisbay::fuzz::WriteScratchFile(data, size, ".pal");
    orrisbay::quake_palette::PaletteEntries entries;
    const auto result = orrisbay::quake_palette::ReadPaletteFile(path, &entries);
    if (entries.entriesSet > 256 || (result && entries.entriesSet < 0)) {
        __builtin_trap();
    }
    return 0;
}
