#include "imageio/embedded_profile.h"

#define ZLIB_CONST  // the compressed bytes are only read
#include <zlib.h>

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

namespace orrisbay::imageio {

namespace {

constexpr std::array<unsigned char, 8> kPngSignature = {0x89, 'P',  'N',  'G',
                                                        '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kMaxPngChunkLength = 0x7FFFFFFF;
constexpr std::size_t kMaxProfileNameSize = 80;  // 1 to 79 characters and a NUL

std::uint32_t BigEndian32(const unsigned char* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

bool ReadInto(std::istream& in, unsigned char* bytes, std::size_t count) {
    in.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
    return in.gcount() == static_cast<std::streamsize>(count);
}

// The zlib stream `compressed` inflated whole; empty when it is damaged,
// cut short or larger than kMaxProfileSize.
std::vector<std::uint8_t> Inflate(std::span<const std::uint8_t> compressed) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return {};
    }
    stream.next_in = compressed.data();
    stream.avail_in = static_cast<uInt>(compressed.size());
    std::vector<std::uint8_t> out;
    int status = Z_OK;
    for (;;) {
        if (stream.avail_out == 0) {
            if (out.size() >= kMaxProfileSize) {
                break;
            }
            out.resize(std::min(kMaxProfileSize, std::max<std::size_t>(2 * out.size(), 65536)));
            stream.next_out = out.data() + stream.total_out;
            stream.avail_out = static_cast<uInt>(out.size() - stream.total_out);
        }
        status = inflate(&stream, Z_NO_FLUSH);
        if (status == Z_STREAM_END ||
            !(status == Z_OK || (status == Z_BUF_ERROR && stream.avail_out == 0))) {
            break;
        }
    }
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return status == Z_STREAM_END ? out : std::vector<std::uint8_t>{};
}

// An iCCP chunk's data: a name, a NUL, the compression method (0, zlib) and
// the compressed profile.
std::vector<std::uint8_t> ProfileFromIccpChunk(std::istream& in, std::uint32_t length) {
    if (length > kMaxProfileSize) {
        return {};
    }
    std::vector<std::uint8_t> data(length);
    if (!ReadInto(in, data.data(), data.size())) {
        return {};
    }
    const auto nameEnd =
        data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), kMaxProfileNameSize));
    const auto nul = std::find(data.begin(), nameEnd, std::uint8_t{0});
    if (nul == nameEnd || nul + 1 == data.end() || nul[1] != 0) {
        return {};
    }
    const auto start = static_cast<std::size_t>(nul - data.begin()) + 2;
    return Inflate(std::span(data).subspan(start));
}

// Walks the chunks before the first image data; a profile comes before it.
EmbeddedProfile ReadPngProfile(std::istream& in) {
    std::array<unsigned char, 8> signature{};
    if (!ReadInto(in, signature.data(), signature.size()) || signature != kPngSignature) {
        return {};
    }
    for (;;) {
        std::array<unsigned char, 8> head{};
        if (!ReadInto(in, head.data(), head.size())) {
            return {};
        }
        const std::uint32_t length = BigEndian32(head.data());
        const std::string_view type(reinterpret_cast<const char*>(head.data() + 4), 4);
        if (length > kMaxPngChunkLength || type == "IDAT" || type == "IEND") {
            return {};
        }
        if (type == "iCCP") {
            return {true, ProfileFromIccpChunk(in, length)};
        }
        in.ignore(std::streamsize{length} + 4);  // the data and its checksum
    }
}

}  // namespace

EmbeddedProfile ReadEmbeddedProfile(FREE_IMAGE_FORMAT format, std::istream& file) {
    return format == FIF_PNG ? ReadPngProfile(file) : EmbeddedProfile{};
}

}  // namespace orrisbay::imageio
