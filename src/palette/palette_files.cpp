#include "palette/palette_files.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "palette/palette_text_files.h"

namespace orrisbay::quake_palette {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kPcxHeaderSize = 128;
// A 256-colour PCX picture ends with the byte 12 and its 768 bytes of colours.
constexpr std::size_t kPcxTrailerSize = 1 + kRawPaletteSize;
constexpr std::uint8_t kPcxManufacturer = 0x0A;
constexpr std::uint8_t kPcxPaletteMarker = 12;
constexpr std::uint8_t kPcxPaletteVersion = 5;

std::string_view AsText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The maker's byte, a version up to 5 and run-length encoding.
bool LooksLikePcx(std::span<const std::uint8_t> head) {
    return head.size() >= 3 && head[0] == kPcxManufacturer && head[1] <= kPcxPaletteVersion &&
           head[2] == 1;
}

Problem Refused(ProblemKind kind, const std::string& path, const std::string& reason) {
    return Fail(kind, path + ": " + reason, path);
}

// The palette at the end of a PCX picture of `fileSize` bytes, from its first
// bytes (`head`) and its last 769 (`tail`, all of a shorter file).
Result<Palette> PcxPalette(std::span<const std::uint8_t> head, std::span<const std::uint8_t> tail,
                           std::uint64_t fileSize, const std::string& path) {
    if (head.size() < kPcxHeaderSize) {
        return Refused(ProblemKind::Damaged, path, "it ends inside its PCX header");
    }
    const int version = head[1], bits = head[3], planes = head[65];
    if (version != kPcxPaletteVersion) {
        return Refused(ProblemKind::UnsupportedType, path,
                       "it is a PCX picture of version " + std::to_string(version) +
                           ", and only version 5 keeps a 256-colour palette");
    }
    if (bits != 8 || planes != 1) {
        return Refused(ProblemKind::UnsupportedType, path,
                       "it is a PCX picture of " + std::to_string(planes) + " planes of " +
                           std::to_string(bits) + " bits, which keeps no 256-colour palette");
    }
    if (fileSize < kPcxHeaderSize + kPcxTrailerSize) {
        return Refused(ProblemKind::Damaged, path,
                       "it ends before the 256-colour palette a PCX picture keeps at its end");
    }
    if (tail[0] != kPcxPaletteMarker) {
        return Refused(ProblemKind::Damaged, path,
                       "it has no 256-colour palette at its end: the byte 12 that marks one is "
                       "missing");
    }
    return PaletteFromRgb(tail.subspan(1).first<kRawPaletteSize>());
}

Result<PaletteFile> Named(Result<Palette> colours, const std::string& path, PaletteFormat format) {
    if (!colours) {
        return Forward<PaletteFile>(std::move(colours));
    }
    return MakePaletteFile(*colours, path, format);
}

Problem NotAPalette(const std::string& path, std::uint64_t size) {
    return Refused(ProblemKind::UnsupportedType, path,
                   "not a palette file: neither JASC-PAL nor GIMP palette text, nor a PCX "
                   "picture, nor a raw palette of 768 bytes (it has " +
                       std::to_string(size) + " bytes)");
}

// The size of the regular file at `path`, or why it cannot be read.
Result<std::uint64_t> PaletteFileSize(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return Refused(ProblemKind::Missing, path, "no such file");
    }
    if (fs::is_directory(status)) {
        return Refused(ProblemKind::Unreadable, path, "is a folder, not a palette file");
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || !fs::is_regular_file(status)) {
        return Refused(ProblemKind::Unreadable, path, "cannot be read as a palette file");
    }
    return std::uint64_t{size};
}

bool ReadBytes(std::ifstream& in, std::vector<std::uint8_t>& bytes) {
    return static_cast<bool>(
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())));
}

}  // namespace

Result<PaletteFile> ParseGamePalette(std::span<const std::uint8_t> bytes, const std::string& path) {
    const std::string_view text = AsText(bytes);
    if (StartsWithJascHeader(text)) {
        return Named(ParseJascPalette(text, path), path, PaletteFormat::Jasc);
    }
    if (StartsWithGimpHeader(text)) {
        return Named(ParseGimpPalette(text, path), path, PaletteFormat::Gimp);
    }
    // No PCX picture is this short, so a PCX-like first colour does not mislead.
    if (bytes.size() == kRawPaletteSize) {
        return MakePaletteFile(PaletteFromRgb(bytes.first<kRawPaletteSize>()), path,
                               PaletteFormat::RawLump);
    }
    if (LooksLikePcx(bytes)) {
        const auto head = bytes.first(std::min(kPcxHeaderSize, bytes.size()));
        const auto tail = bytes.last(std::min(kPcxTrailerSize, bytes.size()));
        return Named(PcxPalette(head, tail, bytes.size(), path), path, PaletteFormat::Pcx);
    }
    return NotAPalette(path, bytes.size());
}

Result<PaletteFile> ReadGamePaletteFile(const std::string& path) {
    const Result<std::uint64_t> size = PaletteFileSize(path);
    if (!size) {
        return size.problem();
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> head(std::min(*size, kMaxTextPaletteBytes));
    if (!in || !ReadBytes(in, head)) {
        return Refused(ProblemKind::Unreadable, path, "cannot be read");
    }
    if (*size <= kMaxTextPaletteBytes) {
        return ParseGamePalette(head, path);
    }
    if (!LooksLikePcx(head)) {
        return NotAPalette(path, *size);
    }
    // A large picture: only its palette, at the very end, is read.
    std::vector<std::uint8_t> tail(kPcxTrailerSize);
    in.seekg(static_cast<std::streamoff>(*size - kPcxTrailerSize));
    if (!ReadBytes(in, tail)) {
        return Refused(ProblemKind::Unreadable, path, "cannot be read");
    }
    return Named(PcxPalette(head, tail, *size, path), path, PaletteFormat::Pcx);
}

}  // namespace orrisbay::quake_palette
