#include "gameformats/wal_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <system_error>

#include "console/text.h"
#include "imageio/file_types.h"
#include "imageio/image_limits.h"
#include "imageio/image_writer.h"

namespace orrisbay::gameformats {
namespace {

namespace fs = std::filesystem;
using freeimage_base::Bitmap;

// Where each header field begins.
constexpr std::size_t kWidthAt = 32, kHeightAt = 36, kOffsetsAt = 40, kNextFrameAt = 56,
                      kFlagsAt = 88, kContentsAt = 92, kValueAt = 96;

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

void AppendU32(std::vector<std::uint8_t>& out, std::uint64_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void AppendName(std::vector<std::uint8_t>& out, const std::string& name) {
    const std::size_t start = out.size();
    out.insert(out.end(), name.begin(), name.end());
    out.resize(start + kWalNameSize, 0);
}

std::uint64_t LevelSize(std::uint64_t width, std::uint64_t height, int level) {
    return (width >> level) * (height >> level);
}

// The text of the name field at `at`, or nothing when no NUL ends it.
std::optional<std::string> FieldName(std::span<const std::uint8_t> header, std::size_t at) {
    const auto field = header.subspan(at, kWalNameSize);
    const auto end = std::find(field.begin(), field.end(), 0);
    if (end == field.end()) {
        return std::nullopt;
    }
    return std::string(field.begin(), end);
}

Problem Damaged(const std::string& path, const std::string& reason) {
    return Fail(ProblemKind::Damaged, path + ": the .wal file is damaged: " + reason, path);
}

// What is wrong with a .wal header (its length, its names, its sides), or
// nothing: all a reader needs to know before it reads the levels.
std::optional<Problem> HeaderProblem(std::span<const std::uint8_t> header,
                                     const std::string& path) {
    if (header.size() < kWalHeaderSize) {
        return Damaged(path, "it ends inside its 100-byte header");
    }
    if (!FieldName(header, 0)) {
        return Damaged(path, "its texture name is not ended by a NUL byte");
    }
    if (!FieldName(header, kNextFrameAt)) {
        return Damaged(path, "the name of its next frame is not ended by a NUL byte");
    }
    const imageio::PictureSize size{ReadU32(header, kWidthAt), ReadU32(header, kHeightAt)};
    if (size.width == 0 || size.height == 0) {
        return Damaged(path, "its texture is " + std::to_string(size.width) + " x " +
                                 std::to_string(size.height));
    }
    if (!imageio::IsWithinPictureLimits(size)) {
        return Fail(ProblemKind::TooLarge, imageio::FileTooLargeMessage(path, size), path);
    }
    return std::nullopt;
}

// How many bytes from the start of the file the header's levels reach.
std::uint64_t LevelsEnd(std::span<const std::uint8_t> header) {
    const std::uint32_t width = ReadU32(header, kWidthAt), height = ReadU32(header, kHeightAt);
    std::uint64_t end = kWalHeaderSize;
    for (int level = 0; level < kMipLevels; ++level) {
        const std::uint64_t offset = ReadU32(header, kOffsetsAt + 4 * level);
        end = std::max(end, offset + LevelSize(width, height, level));
    }
    return end;
}

Result<std::uint64_t> WalFileSize(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        return Fail(ProblemKind::Missing, path + ": no such file", path);
    }
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || !fs::is_regular_file(status)) {
        return Fail(ProblemKind::Unreadable, path + ": cannot be read as a .wal file", path);
    }
    return std::uint64_t{size};
}

std::string NameLengthProblem(const std::string& name) {
    if (name.find('\0') != std::string::npos) {
        return "a texture name cannot hold a NUL byte";
    }
    if (name.size() > kMaxWalNameLength) {
        return console::Quoted(name) + " has " + std::to_string(name.size()) +
               " characters; a .wal holds names of at most 31";
    }
    return {};
}

}  // namespace

bool IsWalPath(std::string_view path) {
    return imageio::FileExtension(path) == ".wal";
}

Result<std::vector<std::uint8_t>> EncodeWal(const WalTexture& texture) {
    for (const std::string* name : {&texture.name, &texture.nextFrame}) {
        if (std::string problem = NameLengthProblem(*name); !problem.empty()) {
            return Fail(ProblemKind::BreaksGameRule, problem);
        }
    }
    std::uint64_t end = kWalHeaderSize;
    for (int level = 0; level < kMipLevels; ++level) {
        if (texture.mips[level].size() != LevelSize(texture.width, texture.height, level)) {
            return Fail(ProblemKind::WrongUsage,
                        "mip level " + std::to_string(level) + " does not fit the texture's size");
        }
        end += texture.mips[level].size();
    }
    if (texture.width == 0 || texture.height == 0 ||
        end > std::numeric_limits<std::uint32_t>::max()) {
        return Fail(ProblemKind::TooLarge, "the texture cannot be held in a .wal file");
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(end);
    AppendName(bytes, texture.name);
    AppendU32(bytes, texture.width);
    AppendU32(bytes, texture.height);
    std::uint64_t offset = kWalHeaderSize;
    for (const auto& mip : texture.mips) {
        AppendU32(bytes, offset);
        offset += mip.size();
    }
    AppendName(bytes, texture.nextFrame);
    AppendU32(bytes, texture.flags);
    AppendU32(bytes, texture.contents);
    AppendU32(bytes, static_cast<std::uint32_t>(texture.value));
    for (const auto& mip : texture.mips) {
        bytes.insert(bytes.end(), mip.begin(), mip.end());
    }
    return bytes;
}

Result<WalTexture> DecodeWal(std::span<const std::uint8_t> bytes, const std::string& path) {
    if (std::optional<Problem> problem = HeaderProblem(bytes, path)) {
        return *problem;
    }
    WalTexture texture;
    texture.name = *FieldName(bytes, 0);
    texture.nextFrame = *FieldName(bytes, kNextFrameAt);
    texture.width = ReadU32(bytes, kWidthAt);
    texture.height = ReadU32(bytes, kHeightAt);
    texture.flags = ReadU32(bytes, kFlagsAt);
    texture.contents = ReadU32(bytes, kContentsAt);
    texture.value = static_cast<std::int32_t>(ReadU32(bytes, kValueAt));
    for (int level = 0; level < kMipLevels; ++level) {
        const std::uint64_t offset = ReadU32(bytes, kOffsetsAt + 4 * level);
        const std::uint64_t size = LevelSize(texture.width, texture.height, level);
        if (offset < kWalHeaderSize || offset + size > bytes.size()) {
            return Damaged(path, "mip level " + std::to_string(level) + " of its " +
                                     std::to_string(texture.width) + " x " +
                                     std::to_string(texture.height) +
                                     " texture lies outside the file");
        }
        const auto levelBytes = bytes.subspan(offset, size);
        texture.mips[level].assign(levelBytes.begin(), levelBytes.end());
    }
    return texture;
}

Result<WalTexture> ReadWalFile(const std::string& path) {
    const Result<std::uint64_t> size = WalFileSize(path);
    if (!size) {
        return size.problem();
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(std::min<std::uint64_t>(*size, kWalHeaderSize));
    const auto read = [&in](std::span<std::uint8_t> into) {
        return static_cast<bool>(in.read(reinterpret_cast<char*>(into.data()),
                                         static_cast<std::streamsize>(into.size())));
    };
    if (!in || !read(bytes)) {
        return Fail(ProblemKind::Unreadable, path + ": cannot be read", path);
    }
    if (std::optional<Problem> problem = HeaderProblem(bytes, path)) {
        return *problem;
    }
    // Only as far as the levels reach: bytes after them are not the texture's.
    bytes.resize(std::min(*size, LevelsEnd(bytes)));
    if (!read(std::span(bytes).subspan(kWalHeaderSize))) {
        return Fail(ProblemKind::Unreadable, path + ": cannot be read", path);
    }
    return DecodeWal(bytes, path);
}

Result<void> WriteWalFile(const std::string& path, const WalTexture& texture) {
    Result<std::vector<std::uint8_t>> bytes = EncodeWal(texture);
    if (!bytes) {
        Problem problem = bytes.problem();
        problem.path = path;
        return problem;
    }
    if (path.find('\0') != std::string::npos) {
        return Fail(ProblemKind::CannotWrite, "invalid file name", path);
    }
    return imageio::WriteAtomically(bytes->data(), bytes->size(), fs::path(path));
}

Result<Bitmap> WalPicture(WalTexture texture, const quake_palette::Palette& palette) {
    const imageio::PictureSize size{texture.width, texture.height};
    if (texture.mips[0].size() != LevelSize(size.width, size.height, 0)) {
        return Fail(ProblemKind::WrongUsage, "the texture's full-size level is not of its size");
    }
    if (!imageio::IsWithinPictureLimits(size)) {
        return Fail(ProblemKind::TooLarge, imageio::FileTooLargeMessage(texture.name, size));
    }
    MipTexture fullSize{{}, texture.width, texture.height, {}, {}};
    fullSize.mips[0] = std::move(texture.mips[0]);
    Bitmap picture = MipTextureBitmap(fullSize, WadKind::Wad2, palette);
    if (!picture) {
        return Fail(ProblemKind::OutOfMemory, "there is too little memory for the " +
                                                  std::to_string(size.width) + " x " +
                                                  std::to_string(size.height) + " texture");
    }
    return picture;
}

Result<Bitmap> ReadWalPicture(const std::string& path, const quake_palette::Palette& palette) {
    Result<WalTexture> texture = ReadWalFile(path);
    if (!texture) {
        return Forward<Bitmap>(std::move(texture));
    }
    Result<Bitmap> picture = WalPicture(std::move(texture).value(), palette);
    if (!picture) {
        Problem problem = picture.problem();
        problem.path = path;
        return problem;
    }
    return picture;
}

}  // namespace orrisbay::gameformats
