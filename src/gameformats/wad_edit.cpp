#include "gameformats/wad_edit.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "console/text.h"
#include "gameformats/texture_names.h"
#include "imageio/image_writer.h"

namespace orrisbay::gameformats {
namespace {

using console::Quoted;

Problem NoSuchLump(std::string_view name) {
    return Fail(ProblemKind::NotFound, "no texture or lump is named " + Quoted(name));
}

// Refuses an edit of a name that more than one lump has; empty status otherwise.
Result<void> AmbiguityOf(const WadFile& wad, std::string_view name) {
    const std::size_t count = CountLumps(wad, name);
    if (count < 2) {
        return {};
    }
    return Fail(ProblemKind::Damaged, std::to_string(count) + " lumps are named " + Quoted(name) +
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

Result<bool> PutTexture(WadFile& wad, WadLump texture) {
    if (Result<void> ambiguous = AmbiguityOf(wad, texture.name); !ambiguous) {
        return ambiguous.problem();
    }
    const auto found = FindLump(wad, texture.name);
    if (!found) {
        wad.lumps.push_back(std::move(texture));
        return false;
    }
    if (!IsTextureLump(wad.lumps[*found], wad.kind)) {
        return Fail(ProblemKind::BreaksGameRule,
                    Quoted(wad.lumps[*found].name) + " is a lump of another type, not a texture");
    }
    wad.lumps[*found] = std::move(texture);
    return true;
}

Result<void> RenameLump(WadFile& wad, std::string_view from, std::string_view to) {
    if (Result<void> ambiguous = AmbiguityOf(wad, from); !ambiguous) {
        return ambiguous;
    }
    const auto found = FindLump(wad, from);
    if (!found) {
        return NoSuchLump(from);
    }
    const Result<std::string> name = CheckTextureName(to, wad.kind);
    if (!name) {
        return name.problem();
    }
    const auto taken = FindLump(wad, name.value());
    if (taken && taken != found) {
        return Fail(ProblemKind::BreaksGameRule,
                    Quoted(wad.lumps[*taken].name) + " is already there");
    }
    WadLump& lump = wad.lumps[*found];
    lump.name = name.value();
    if (IsTextureLump(lump, wad.kind)) {
        SetHeaderName(lump.data, lump.name);
    }
    return {};
}

Result<void> RemoveLump(WadFile& wad, std::string_view name) {
    if (Result<void> ambiguous = AmbiguityOf(wad, name); !ambiguous) {
        return ambiguous;
    }
    const auto found = FindLump(wad, name);
    if (!found) {
        return NoSuchLump(name);
    }
    wad.lumps.erase(wad.lumps.begin() + static_cast<std::ptrdiff_t>(*found));
    return {};
}

Result<MipTexture> FindTexture(const WadFile& wad, std::string_view name) {
    const auto found = FindLump(wad, name);
    if (!found) {
        return NoSuchLump(name);
    }
    return DecodeMipTexture(wad.lumps[*found], wad.kind);
}

Result<WadFile> OpenWadForEditing(const std::string& path, WadKind kindIfNew) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
        return WadFile{kindIfNew, {}};
    }
    return ReadWadFile(path);
}

Result<void> EditWadFile(const std::string& path,
                         const std::function<Result<void>(WadFile&)>& edit) {
    Result<WadFile> wad = ReadWadFile(path);
    if (!wad) {
        return wad.problem();
    }
    if (Result<void> edited = edit(wad.value()); !edited) {
        return edited;
    }
    return WriteWadFile(path, wad.value());
}

Result<void> ExtractTexture(const WadFile& wad, std::string_view name,
                            const quake_palette::Palette& gamePalette,
                            const std::string& picturePath) {
    const Result<MipTexture> texture = FindTexture(wad, name);
    if (!texture) {
        return texture.problem();
    }
    const freeimage_base::Bitmap picture = MipTextureBitmap(texture.value(), wad.kind, gamePalette);
    if (!picture) {
        return Fail(ProblemKind::ConversionFailed,
                    Quoted(texture.value().name) + " is too large to extract");
    }
    if (Result<void> saved = imageio::SaveImageFile(picture.get(), picturePath); !saved) {
        return Fail(ProblemKind::CannotWrite, saved.problem().message, picturePath);
    }
    return {};
}

}  // namespace orrisbay::gameformats
