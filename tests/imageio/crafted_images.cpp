#include "imageio/crafted_images.h"

#include <jpeglib.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace orrisbay::testing {

namespace fs = std::filesystem;

namespace {

void PutBigEndian32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
    }
}

void PutBigEndian16(std::string& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<char>((value >> 8) & 0xFF);
    bytes[at + 1] = static_cast<char>(value & 0xFF);
}

void PutLittleEndian16(std::string& bytes, std::size_t at, std::uint32_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void PutLittleEndian32(std::string& bytes, std::size_t at, std::uint32_t value) {
    PutLittleEndian16(bytes, at, value & 0xFFFF);
    PutLittleEndian16(bytes, at + 2, value >> 16);
}

std::string BigEndian32(std::uint32_t value) {
    std::string bytes(4, '\0');
    PutBigEndian32(bytes, 0, value);
    return bytes;
}

std::string SmallSaved(FREE_IMAGE_FORMAT format) {
    FIBITMAP* dib = FreeImage_Allocate(2, 2, 24);
    std::string bytes = SavedBytes(dib, format);
    FreeImage_Unload(dib);
    return bytes;
}

}  // namespace

std::string PngChunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    return BigEndian32(static_cast<std::uint32_t>(data.size())) + body + BigEndian32(crc);
}

std::string IccpChunk(const std::string& profile) {
    uLongf size = compressBound(static_cast<uLong>(profile.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(profile.data()), static_cast<uLong>(profile.size()));
    return PngChunk("iCCP", std::string("ICC\0\0", 5) + packed.substr(0, size));
}

std::string WithPngChunks(const std::string& png, const std::string& chunks) {
    constexpr std::size_t kAfterHeader = 8 + 25;  // signature, IHDR chunk
    return png.substr(0, kAfterHeader) + chunks + png.substr(kAfterHeader);
}

std::string SavedBytes(FIBITMAP* dib, FREE_IMAGE_FORMAT format, int flags) {
    FIMEMORY* memory = FreeImage_OpenMemory();
    std::string bytes;
    if (FreeImage_SaveToMemory(format, dib, memory, flags)) {
        BYTE* data = nullptr;
        DWORD size = 0;
        FreeImage_AcquireMemory(memory, &data, &size);
        bytes.assign(reinterpret_cast<const char*>(data), size);
    }
    FreeImage_CloseMemory(memory);
    return bytes;
}

std::string WithDeclaredSize(FREE_IMAGE_FORMAT format, std::uint32_t width, std::uint32_t height) {
    if (format == FIF_GIF) {
        return HandMadeGif(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                           static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                           false);
    }
    std::string bytes = SmallSaved(format);
    switch (format) {
        case FIF_BMP:
            PutLittleEndian32(bytes, 18, width);
            PutLittleEndian32(bytes, 22, height);
            break;
        case FIF_TARGA:
            PutLittleEndian16(bytes, 12, width);
            PutLittleEndian16(bytes, 14, height);
            break;
        case FIF_PNG: {
            PutBigEndian32(bytes, 16, width);
            PutBigEndian32(bytes, 20, height);
            const auto crc = static_cast<std::uint32_t>(
                crc32(0, reinterpret_cast<const Bytef*>(bytes.data() + 12), 17));
            PutBigEndian32(bytes, 29, crc);
            break;
        }
        case FIF_JPEG: {
            // Start-of-frame: FF C0, length, precision, height, width.
            const std::size_t frame = bytes.find("\xFF\xC0");
            if (frame == std::string::npos) {
                throw std::runtime_error("no SOF0 marker");
            }
            PutBigEndian16(bytes, frame + 5, height);
            PutBigEndian16(bytes, frame + 7, width);
            break;
        }
        default:
            throw std::runtime_error("format not handled");
    }
    return bytes;
}

std::string HandMadeGif(std::uint16_t screenWidth, std::uint16_t screenHeight,
                        std::uint16_t frameWidth, std::uint16_t frameHeight, bool comment) {
    std::string bytes = "GIF89a";
    std::string screen(7, '\0');
    PutLittleEndian16(screen, 0, screenWidth);
    PutLittleEndian16(screen, 2, screenHeight);
    screen[4] = static_cast<char>(0x80);  // global colour table of two entries
    bytes += screen;
    bytes += std::string("\xFF\xFF\xFF\x00\x00\x00", 6);
    if (comment) {
        bytes += std::string("\x21\xFE\x05hello\x00", 9);
    }
    std::string descriptor(10, '\0');
    descriptor[0] = 0x2C;
    PutLittleEndian16(descriptor, 5, frameWidth);
    PutLittleEndian16(descriptor, 7, frameHeight);
    bytes += descriptor;
    bytes += std::string("\x02\x02\x44\x01\x00\x3B", 6);  // LZW data of one pixel, trailer
    return bytes;
}

std::string HandMadePng(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType,
                        std::uint8_t sample) {
    const int channels = colourType == 0 || colourType == 3 ? 1
                         : colourType == 4                  ? 2
                         : colourType == 2                  ? 3
                                                            : 4;
    const std::size_t rowBytes = (std::size_t{width} * channels * bitDepth + 7) / 8;
    std::string raw;
    for (std::uint32_t y = 0; y < height; ++y) {
        raw += '\0';  // filter type: none
        raw += std::string(rowBytes, static_cast<char>(sample));
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<Bytef> packed(packedSize);
    compress(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
             static_cast<uLong>(raw.size()));

    std::string header = BigEndian32(width) + BigEndian32(height);
    header += static_cast<char>(bitDepth);
    header += static_cast<char>(colourType);
    header += std::string(3, '\0');
    std::string png = "\x89PNG\r\n\x1A\n";
    png += PngChunk("IHDR", header);
    if (colourType == 3) {
        png += PngChunk("PLTE", std::string(3 * 256, '\x80'));
    }
    png += PngChunk("IDAT", std::string(reinterpret_cast<const char*>(packed.data()), packedSize));
    png += PngChunk("IEND", "");
    return png;
}

std::string CmykJpeg(int width, int height) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 4);
    // Stored as Adobe programs write CMYK: 255 minus the ink. No cyan, much
    // magenta and yellow, no black: a red.
    for (std::size_t i = 0; i < row.size(); i += 4) {
        row[i] = 255;
        row[i + 1] = 55;
        row[i + 2] = 55;
        row[i + 3] = 255;
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return bytes;
}

}  // namespace orrisbay::testing
