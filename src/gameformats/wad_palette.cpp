#include "gameformats/wad_palette.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "gameformats/texture_names.h"
#include "palette/palette_files.h"

namespace orrisbay::gameformats {
namespace {

bool IsPaletteLump(const WadLump& lump) {
    return lump.type == kPaletteLumpType && lump.compression == 0 &&
           lump.data.size() == quake_palette::kRawPaletteSize;
}

bool BeginsAsWad(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<char, 4> magic{};
    if (!in.read(magic.data(), magic.size())) {
        return false;
    }
    const std::string_view text(magic.data(), magic.size());
    return text == "WAD2" || text == "WAD3";
}

}  // namespace

Result<quake_palette::PaletteFile> WadPalette(const WadFile& wad, const std::string& path) {
    auto found = std::find_if(wad.lumps.begin(), wad.lumps.end(), [](const WadLump& lump) {
        return IsPaletteLump(lump) && SameLumpName(lump.name, "palette");
    });
    if (found == wad.lumps.end()) {
        found = std::find_if(wad.lumps.begin(), wad.lumps.end(), IsPaletteLump);
    }
    if (found == wad.lumps.end()) {
        const std::string why = wad.kind == WadKind::Wad3
                                    ? "; a Half-Life WAD's textures each carry their own colours"
                                    : "";
        return Fail(ProblemKind::NotFound,
                    path + ": the WAD holds no palette lump (type 0x40, 768 bytes)" + why, path);
    }
    const std::span<const std::uint8_t> rgb(found->data);
    return quake_palette::MakePaletteFile(
        quake_palette::PaletteFromRgb(rgb.first<quake_palette::kRawPaletteSize>()), path,
        quake_palette::PaletteFormat::WadLump);
}

Result<quake_palette::PaletteFile> ReadAnyPaletteFile(const std::string& path) {
    if (!BeginsAsWad(path)) {
        return quake_palette::ReadGamePaletteFile(path);
    }
    Result<WadFile> wad = ReadWadFile(path);
    if (!wad) {
        return Forward<quake_palette::PaletteFile>(std::move(wad));
    }
    return WadPalette(*wad, path);
}

}  // namespace orrisbay::gameformats
