#include "gameformats/wad_edit.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "gameformats/texture_names.h"
#include "imageio/image_writer.h"

namespace orrisbay::gameformats {
namespace {

std::string Quoted(std::string_view name) {
    return "\"" + std::string(name) + "\"";
}

WadStatus NoSuchLump(std::string_view name) {
    return WadFailure(WadProblem::NoSuchLump, "no texture or lump is named " + Quoted(name));
}

// Refuses an edit of a name that more than one lump has; empty status otherwise.
WadStatus AmbiguityOf(const WadFile& wad, std::string_view name) {
    const std::size_t count = CountLumps(wad, name);
    if (count < 2) {
        return {};
    }
    return WadFailure(WadProblem::Damaged, std::to_string(count) + " lumps are named " +
                                               Quoted(name) +
                                               " (the WAD is damaged), so which one is "
                                               "meant is unknown; nothing was changed");
}

}  // namespace

std::optional<std::size_t> FindLump(const WadFile& wad, std::string_view name) {
    for (std::size_t i = 0; i < wad.lumps.size(); ++i) {
        if (SameLumpName(wad.lumps[i].name, name)) {
            return i;
        }
    }
    return std::nullopt;
}

std::size_t CountLumps(const WadFile& wad, std::string_view name) {
    return static_cast<std::size_t>(
        std::count_if(wad.lumps.begin(), wad.lumps.end(),
                      [name](const WadLump& lump) { return SameLumpName(lump.name, name); }));
}

WadResult<bool> PutTexture(WadFile& wad, WadLump texture) {
    if (WadStatus ambiguous = AmbiguityOf(wad, texture.name); !ambiguous) {
        return ambiguous;
    }
    const auto found = FindLump(wad, texture.name);
    if (!found) {
        wad.lumps.push_back(std::move(texture));
        return false;
    }
    if (!IsTextureLump(wad.lumps[*found], wad.kind)) {
        return WadFailure(WadProblem::NameTaken, Quoted(wad.lumps[*found].name) +
                                                     " is a lump of another type, not a texture");
    }
    wad.lumps[*found] = std::move(texture);
    return true;
}

WadStatus RenameLump(WadFile& wad, std::string_view from, std::string_view to) {
    if (WadStatus ambiguous = AmbiguityOf(wad, from); !ambiguous) {
        return ambiguous;
    }
    const auto found = FindLump(wad, from);
    if (!found) {
        return NoSuchLump(from);
    }
    const WadResult<std::string> name = CheckTextureName(to, wad.kind);
    if (!name) {
        return name.status;
    }
    const auto taken = FindLump(wad, name.value);
    if (taken && taken != found) {
        return WadFailure(WadProblem::NameTaken,
                          Quoted(wad.lumps[*taken].name) + " is already there");
    }
    WadLump& lump = wad.lumps[*found];
    lump.name = name.value;
    if (IsTextureLump(lump, wad.kind)) {
        SetHeaderName(lump.data, lump.name);
    }
    return {};
}

WadStatus RemoveLump(WadFile& wad, std::string_view name) {
    if (WadStatus ambiguous = AmbiguityOf(wad, name); !ambiguous) {
        return ambiguous;
    }
    const auto found = FindLump(wad, name);
    if (!found) {
        return NoSuchLump(name);
    }
    wad.lumps.erase(wad.lumps.begin() + static_cast<std::ptrdiff_t>(*found));
    return {};
}

WadResult<MipTexture> FindTexture(const WadFile& wad, std::string_view name) {
    const auto found = FindLump(wad, name);
    if (!found) {
        return NoSuchLump(name);
    }
    return DecodeMipTexture(wad.lumps[*found], wad.kind);
}

WadResult<WadFile> OpenWadForEditing(const std::string& path, WadKind kindIfNew) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        return WadFile{kindIfNew, {}};
    }
    return ReadWadFile(path);
}

WadStatus EditWadFile(const std::string& path, const std::function<WadStatus(WadFile&)>& edit) {
    WadResult<WadFile> wad = ReadWadFile(path);
    if (!wad) {
        return wad.status;
    }
    if (WadStatus edited = edit(wad.value); !edited) {
        return edited;
    }
    return WriteWadFile(path, wad.value);
}

WadStatus ExtractTexture(const WadFile& wad, std::string_view name,
                         const quake_palette::Palette& gamePalette,
                         const std::string& picturePath) {
    const WadResult<MipTexture> texture = FindTexture(wad, name);
    if (!texture) {
        return texture.status;
    }
    const freeimage_base::Bitmap picture = MipTextureBitmap(texture.value, wad.kind, gamePalette);
    if (!picture) {
        return WadFailure(WadProblem::ConversionFailed,
                          Quoted(texture.value.name) + " is too large to extract");
    }
    const imageio::SaveResult saved = imageio::SaveImageFile(picture.get(), picturePath);
    if (!saved) {
        return WadFailure(WadProblem::NotWritten, saved.message);
    }
    return {};
}

}  // namespace orrisbay::gameformats
