#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "gameformats/mip_texture.h"
#include "gameformats/wad_file.h"

namespace orrisbay::gameformats {

// Edits of a WAD held in memory; write the result with WriteWadFile. Names are
// matched without regard to case, as the game's tools match them. Where a
// damaged-but-readable file holds one name twice, reading finds the first
// lump, and the edits refuse the name: which lump was meant is unknown.

// The position of the first lump named `name`, if any.
std::optional<std::size_t> FindLump(const WadFile& wad, std::string_view name);

// How many lumps are named `name`.
std::size_t CountLumps(const WadFile& wad, std::string_view name);

// Puts `texture` in place of the texture of the same name, or after the last
// lump when there is none; true when it replaced one. A lump of that name
// that is not a texture (a palette, a picture) is never replaced.
Result<bool> PutTexture(WadFile& wad, WadLump texture);

// Renames a lump, in its directory entry and, for a texture, in its header
// too. The new name must follow the game's rules and be free.
Result<void> RenameLump(WadFile& wad, std::string_view from, std::string_view to);

Result<void> RemoveLump(WadFile& wad, std::string_view name);

// The texture `name` of `wad`.
Result<MipTexture> FindTexture(const WadFile& wad, std::string_view name);

// The WAD at `path` to be edited: read when the file exists, otherwise empty
// and of `kindIfNew`.
Result<WadFile> OpenWadForEditing(const std::string& path, WadKind kindIfNew);

// Reads the existing WAD at `path`, applies `edit` and, when that succeeds,
// writes the WAD back whole (see WriteWadFile), so every change goes through
// the file as it is on disk now.
Result<void> EditWadFile(const std::string& path,
                         const std::function<Result<void>(WadFile&)>& edit);

// Writes the full-size level of the texture `name` as a picture at
// `picturePath` (its extension chooses the format); WAD2 textures are in
// `gamePalette`, and index 255 of a see-through texture is transparent.
Result<void> ExtractTexture(const WadFile& wad, std::string_view name,
                            const quake_palette::Palette& gamePalette,
                            const std::string& picturePath);

}  // namespace orrisbay::gameformats
