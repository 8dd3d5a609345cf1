#include "gameformats/wad_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <span>
#include <system_error>

#include "console/text.h"
#include "gameformats/mip_texture.h"
#include "imageio/file_types.h"
#include "imageio/image_writer.h"

namespace orrisbay::gameformats {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kHeaderSize = 12;  // magic, lump count, directory offset
constexpr std::size_t kEntrySize = 32;   // position, two sizes, type, compression, pad, name
constexpr std::size_t kNameSize = 16;
// Every offset and size in the file is a signed 32-bit number.
constexpr std::uint64_t kLargestFile = std::numeric_limits<std::int32_t>::max();

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

void AppendU32(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint64_t AlignTo4(std::uint64_t position) {
    return (position + 3) / 4 * 4;
}

// A directory entry with the lump's place in the file; the directory's
// numbers are signed, so a damaged one may be negative.
struct Entry {
    WadLump lump;
    std::int64_t position = 0;
    std::int64_t diskSize = 0;
};

using console::Quoted;

// Checks the header's lump count and directory position against the file's size.
std::string DirectoryProblem(std::uint64_t fileSize, std::int32_t count, std::int32_t offset) {
    if (count < 0) {
        return "it claims a negative number of lumps (" + std::to_string(count) + ")";
    }
    const std::uint64_t directorySize = kEntrySize * static_cast<std::uint64_t>(count);
    if (kHeaderSize + directorySize > fileSize) {
        return "it claims " + std::to_string(count) + " lumps, more than a file of " +
               std::to_string(fileSize) + " bytes can hold";
    }
    if (offset < 0) {
        return "its directory is at a negative position (" + std::to_string(offset) + ")";
    }
    if (static_cast<std::uint64_t>(offset) > fileSize) {
        return "its directory starts past the end of the file";
    }
    if (static_cast<std::uint64_t>(offset) < kHeaderSize && count > 0) {
        return "its directory overlaps the file header";
    }
    if (static_cast<std::uint64_t>(offset) + directorySize > fileSize) {
        return "its directory runs past the end of the file";
    }
    return {};
}

Entry ReadEntry(std::span<const std::uint8_t> bytes, std::size_t at) {
    Entry entry;
    entry.position = static_cast<std::int32_t>(ReadU32(bytes, at));
    entry.diskSize = static_cast<std::int32_t>(ReadU32(bytes, at + 4));
    entry.lump.memorySize = ReadU32(bytes, at + 8);
    entry.lump.type = bytes[at + 12];
    entry.lump.compression = bytes[at + 13];
    const auto name = bytes.subspan(at + 16, kNameSize);
    entry.lump.name.assign(name.begin(), std::find(name.begin(), name.end(), 0));
    return entry;
}

// Checks one lump's place against the header, the directory and the file's end.
std::string LumpPlaceProblem(const Entry& entry, std::uint64_t fileSize,
                             std::uint64_t directoryStart, std::uint64_t directoryEnd) {
    const std::string name = "lump " + Quoted(entry.lump.name);
    if (entry.position < 0) {
        return name + " is at a negative position (" + std::to_string(entry.position) + ")";
    }
    if (entry.diskSize < 0) {
        return name + " has a negative size (" + std::to_string(entry.diskSize) + ")";
    }
    const auto position = static_cast<std::uint64_t>(entry.position);
    const auto diskSize = static_cast<std::uint64_t>(entry.diskSize);
    const std::uint64_t end = position + diskSize;
    if (position > fileSize) {
        return name + " starts past the end of the file";
    }
    if (end > fileSize) {
        return name + " runs past the end of the file";
    }
    if (diskSize > 0 && position < kHeaderSize) {
        return name + " overlaps the file header";
    }
    if (diskSize > 0 && position < directoryEnd && directoryStart < end) {
        return name + " overlaps the directory";
    }
    if (entry.lump.compression == 0 && entry.lump.memorySize != diskSize) {
        return name + " has two sizes that differ (" + std::to_string(entry.diskSize) +
               " bytes on disk, " + std::to_string(entry.lump.memorySize) + " in memory)";
    }
    return {};
}

// Two lumps sharing bytes: editing one would change the other.
std::string OverlapProblem(const std::vector<Entry>& all) {
    std::vector<const Entry*> entries;
    for (const Entry& entry : all) {
        if (entry.diskSize > 0) {
            entries.push_back(&entry);
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry* a, const Entry* b) { return a->position < b->position; });
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (entries[i - 1]->position + entries[i - 1]->diskSize > entries[i]->position) {
            return "lumps " + Quoted(entries[i - 1]->lump.name) + " and " +
                   Quoted(entries[i]->lump.name) + " overlap";
        }
    }
    return {};
}

Problem Damaged(const std::string& fileName, const std::string& problem) {
    return Fail(ProblemKind::Damaged, fileName + ": the WAD is damaged: " + problem, fileName);
}

// The header at the start of a file of `fileSize` bytes (`head` holds its
// first 12 bytes, or all of a shorter file), its directory's place checked.
Result<WadHeader> ParseHeader(std::span<const std::uint8_t> head, std::uint64_t fileSize,
                              const std::string& fileName) {
    const std::string magic(head.begin(), head.begin() + std::min<std::size_t>(4, head.size()));
    if (magic != "WAD2" && magic != "WAD3") {
        return Fail(ProblemKind::Unreadable, fileName + ": not a WAD2 or WAD3 file", fileName);
    }
    if (head.size() < kHeaderSize) {
        return Damaged(fileName, "it ends inside its header");
    }
    const auto count = static_cast<std::int32_t>(ReadU32(head, 4));
    const auto offset = static_cast<std::int32_t>(ReadU32(head, 8));
    if (std::string problem = DirectoryProblem(fileSize, count, offset); !problem.empty()) {
        return Damaged(fileName, problem);
    }
    return WadHeader{magic == "WAD3" ? WadKind::Wad3 : WadKind::Wad2,
                     static_cast<std::size_t>(count), static_cast<std::uint64_t>(offset)};
}

// The size of the file at `path`, or why it cannot be a WAD to read.
Result<std::uint64_t> WadFileSize(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return Fail(ProblemKind::Missing, path + ": no such file", path);
    }
    if (fs::is_directory(status)) {
        return Fail(ProblemKind::Unreadable, path + ": is a folder, not a WAD file", path);
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        return Fail(ProblemKind::Unreadable, path + ": cannot be read", path);
    }
    if (size > kLargestFile) {
        return Fail(ProblemKind::Unreadable, path + ": larger than a WAD file can be", path);
    }
    return std::uint64_t{size};
}

// What a file that is no WAD holds, from its first bytes, for the message
// that refuses it.
std::string WhatItIs(std::span<const std::uint8_t> head) {
    if (head.empty()) {
        return "it is empty";
    }
    const std::string magic(head.begin(), head.begin() + std::min<std::size_t>(4, head.size()));
    if (magic == "PACK") {
        return "it is a Quake PAK file";
    }
    if (magic == "IWAD" || magic == "PWAD") {
        return "it is a Doom WAD, whose lumps are not textures";
    }
    if (magic == "BSP2" || magic == "2PSB" || magic == "IBSP" ||
        (head.size() >= 4 && (ReadU32(head, 0) == 29 || ReadU32(head, 0) == 30))) {
        return "it is a compiled map";
    }
    const FREE_IMAGE_FORMAT picture = imageio::PictureTypeOfBytes(head);
    if (picture != FIF_UNKNOWN) {
        return "it is " + imageio::PictureTypeName(picture);
    }
    return "its header says neither WAD2 nor WAD3";
}

}  // namespace

Result<void> CheckWadTarget(const std::string& path, bool mayCreate) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
        return Fail(ProblemKind::Unreadable, path + " is a folder, not a WAD file", path);
    }
    if (!fs::exists(status)) {
        if (!mayCreate) {
            return Fail(ProblemKind::Missing, path + ": no such file", path);
        }
        if (imageio::FileExtension(path) != ".wad") {
            return Fail(ProblemKind::Unreadable,
                        path + ": a new WAD file must have a name ending in .wad");
        }
        return {};
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> head(64);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (!in && !in.eof()) {
        return Fail(ProblemKind::Unreadable, path + ": cannot be read", path);
    }
    const std::string magic(head.begin(), head.begin() + std::min<std::size_t>(4, head.size()));
    if (magic != "WAD2" && magic != "WAD3") {
        return Fail(ProblemKind::Unreadable, path + " is not a WAD file: " + WhatItIs(head), path);
    }
    return {};
}

std::uint8_t TextureLumpType(WadKind kind) {
    return kind == WadKind::Wad3 ? kWad3TextureType : kWad2TextureType;
}

std::string_view GameName(WadKind kind) {
    return kind == WadKind::Wad3 ? "Half-Life" : "Quake";
}

bool IsTextureLump(const WadLump& lump, WadKind kind) {
    return lump.type == TextureLumpType(kind) && lump.compression == 0;
}

Result<WadFile> ParseWad(std::span<const std::uint8_t> bytes, const std::string& fileName) {
    const auto header =
        ParseHeader(bytes.first(std::min(kHeaderSize, bytes.size())), bytes.size(), fileName);
    if (!header) {
        return header.problem();
    }
    WadFile wad;
    wad.kind = header.value().kind;
    const std::uint64_t offset = header.value().directoryOffset;
    const std::uint64_t directoryEnd = offset + kEntrySize * header.value().lumpCount;
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < header.value().lumpCount; ++i) {
        entries.push_back(ReadEntry(bytes, offset + kEntrySize * i));
        if (std::string problem =
                LumpPlaceProblem(entries.back(), bytes.size(), offset, directoryEnd);
            !problem.empty()) {
            return Damaged(fileName, problem);
        }
    }
    // Before any lump is copied: overlapping lumps could claim the file many times over.
    if (std::string problem = OverlapProblem(entries); !problem.empty()) {
        return Damaged(fileName, problem);
    }
    for (Entry& entry : entries) {
        const auto data = bytes.subspan(static_cast<std::size_t>(entry.position),
                                        static_cast<std::size_t>(entry.diskSize));
        if (IsTextureLump(entry.lump, wad.kind)) {
            if (std::string problem = MipTextureProblem(data, wad.kind); !problem.empty()) {
                return Damaged(fileName, "texture " + Quoted(entry.lump.name) + ": " + problem);
            }
        }
        entry.lump.data.assign(data.begin(), data.end());
        wad.lumps.push_back(std::move(entry.lump));
    }
    return wad;
}

Result<WadFile> ReadWadFile(const std::string& path) {
    const Result<std::uint64_t> size = WadFileSize(path);
    if (!size) {
        return size.problem();
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(size.value());
    if (!in.read(reinterpret_cast<char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()))) {
        return Fail(ProblemKind::Unreadable, path + ": cannot be read", path);
    }
    return ParseWad(bytes, path);
}

Result<WadHeader> ReadWadHeader(const std::string& path) {
    const Result<std::uint64_t> size = WadFileSize(path);
    if (!size) {
        return size.problem();
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> head(std::min<std::uint64_t>(kHeaderSize, size.value()));
    if (!in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()))) {
        return Fail(ProblemKind::Unreadable, path + ": cannot be read", path);
    }
    return ParseHeader(head, size.value(), path);
}

namespace {

// The bytes of a WAD file other than its lumps' own: the header, the zeros
// that start each lump on a multiple of 4 and the directory.
struct WadFrame {
    std::vector<std::uint8_t> header;
    std::vector<std::uint64_t> positions;  // of each lump
    std::vector<std::uint8_t> directory;   // at AlignTo4 of the last lump's end
};

Result<WadFrame> FrameOf(const WadFile& wad) {
    WadFrame frame;
    std::uint64_t end = kHeaderSize;
    for (const WadLump& lump : wad.lumps) {
        if (lump.name.size() > kNameSize) {
            return Fail(ProblemKind::BreaksGameRule,
                        Quoted(lump.name) + " is too long a lump name");
        }
        frame.positions.push_back(AlignTo4(end));
        end = frame.positions.back() + lump.data.size();
    }
    const std::uint64_t directory = AlignTo4(end);
    if (directory + kEntrySize * wad.lumps.size() > kLargestFile) {
        return Fail(ProblemKind::CannotWrite, "the WAD would pass 2 GiB");
    }
    const char* magic = wad.kind == WadKind::Wad3 ? "WAD3" : "WAD2";
    frame.header.assign(magic, magic + 4);
    AppendU32(frame.header, wad.lumps.size());
    AppendU32(frame.header, directory);
    std::vector<std::uint8_t>& bytes = frame.directory;
    for (std::size_t i = 0; i < wad.lumps.size(); ++i) {
        const WadLump& lump = wad.lumps[i];
        AppendU32(bytes, frame.positions[i]);
        AppendU32(bytes, lump.data.size());
        AppendU32(bytes, lump.compression == 0 ? lump.data.size() : lump.memorySize);
        bytes.insert(bytes.end(), {lump.type, lump.compression, 0, 0});
        const std::size_t name = bytes.size();
        bytes.insert(bytes.end(), lump.name.begin(), lump.name.end());
        bytes.resize(name + kNameSize, 0);
    }
    return frame;
}

// The file's bytes in order, the lumps' from their own memory.
std::vector<std::span<const std::uint8_t>> PiecesOf(const WadFile& wad, const WadFrame& frame) {
    static constexpr std::uint8_t kZeros[4] = {};
    std::vector<std::span<const std::uint8_t>> pieces{frame.header};
    std::uint64_t at = frame.header.size();
    for (std::size_t i = 0; i < wad.lumps.size(); ++i) {
        pieces.emplace_back(kZeros, frame.positions[i] - at);
        pieces.emplace_back(wad.lumps[i].data);
        at = frame.positions[i] + wad.lumps[i].data.size();
    }
    pieces.emplace_back(kZeros, AlignTo4(at) - at);
    pieces.emplace_back(frame.directory);
    return pieces;
}

}  // namespace

Result<std::vector<std::uint8_t>> EncodeWad(const WadFile& wad) {
    const Result<WadFrame> frame = FrameOf(wad);
    if (!frame) {
        return frame.problem();
    }
    const auto pieces = PiecesOf(wad, *frame);
    std::size_t size = 0;
    for (const std::span<const std::uint8_t> piece : pieces) {
        size += piece.size();
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size);
    for (const std::span<const std::uint8_t> piece : pieces) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
    return bytes;
}

// Written from the lumps as they are, without a copy of the whole file.
Result<void> WriteWadFile(const std::string& path, const WadFile& wad) {
    const Result<WadFrame> frame = FrameOf(wad);
    if (!frame) {
        return Fail(frame.problem().kind, path + ": " + frame.problem().message, path);
    }
    if (path.find('\0') != std::string::npos) {
        return Fail(ProblemKind::CannotWrite, path + ": invalid file name", path);
    }
    return imageio::WriteAtomically(PiecesOf(wad, *frame), fs::path(path));
}

}  // namespace orrisbay::gameformats
