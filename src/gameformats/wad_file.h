#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "console/result.h"

namespace orrisbay::gameformats {

// Quake keeps textures in WAD2 files; Half-Life in WAD3 files, whose textures
// carry their own 256 colours.
enum class WadKind { Wad2, Wad3 };

// The lump type of a texture ("miptex") in each kind of file.
inline constexpr std::uint8_t kWad2TextureType = 0x44;
inline constexpr std::uint8_t kWad3TextureType = 0x43;
std::uint8_t TextureLumpType(WadKind kind);
// Whose textures a WAD of `kind` holds, for messages: "Quake" or "Half-Life".
std::string_view GameName(WadKind kind);

// One entry of a WAD: its directory name and type and the bytes it holds on
// disk, kept exactly as read so that lumps nobody edits are written back
// unchanged.
struct WadLump {
    std::string name;  // up to 16 characters, as in the directory
    std::uint8_t type = 0;
    std::uint8_t compression = 0;  // 0 for every lump this program makes
    std::uint32_t memorySize = 0;  // the size once uncompressed; data.size() when not compressed
    std::vector<std::uint8_t> data;
};

// A parsed WAD file: its kind and its lumps in directory order.
struct WadFile {
    WadKind kind = WadKind::Wad2;
    std::vector<WadLump> lumps;
};

// True for an uncompressed texture lump of the file's kind.
bool IsTextureLump(const WadLump& lump, WadKind kind);

// Reads a WAD from its bytes. Every position and size in the directory and in
// each texture header is checked against the file; a damaged file is refused
// with a message that starts with `fileName` and says what is wrong.
Result<WadFile> ParseWad(std::span<const std::uint8_t> bytes, const std::string& fileName);

// Reads and parses the WAD file at `path`.
Result<WadFile> ReadWadFile(const std::string& path);

// What a WAD's 12-byte header says: its kind, how many lumps its directory
// holds and where that starts.
struct WadHeader {
    WadKind kind = WadKind::Wad2;
    std::size_t lumpCount = 0;
    std::uint64_t directoryOffset = 0;
};

// Reads only the header of the WAD file at `path` and checks its directory's
// place against the file's size, for a quick look at a file that may be
// large; the lumps themselves are neither read nor checked.
Result<WadHeader> ReadWadHeader(const std::string& path);

// Whether the file at `path` may be the WAD a command works on: an existing
// file is one when its header says WAD2 or WAD3, whatever its name; a file
// that does not exist yet may become one (`mayCreate`) only when it is named
// .wad. Anything else is refused, nothing written, with what it is:
// "precious.png is not a WAD file: it is a PNG picture".
Result<void> CheckWadTarget(const std::string& path, bool mayCreate);

// The bytes of `wad`: header, each lump at a position that is a multiple of 4,
// then the directory. Fails when a name is longer than 16 characters or the
// file would pass the 2 GiB that its offsets can address.
Result<std::vector<std::uint8_t>> EncodeWad(const WadFile& wad);

// Writes `wad` to a new file beside `path` and renames it into place, so a
// failure (a full disk, a missing folder) leaves an existing file as it was.
// A failure says "PATH: reason".
Result<void> WriteWadFile(const std::string& path, const WadFile& wad);

}  // namespace orrisbay::gameformats
