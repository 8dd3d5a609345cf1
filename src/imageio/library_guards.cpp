#include "imageio/library_guards.h"

#include <array>
#include <cstdint>

namespace orrisbay::imageio {

namespace {

constexpr std::streamoff kTargaHeaderSize = 18;

bool TargaPixelDataInsideFile(std::istream& file) {
    std::array<unsigned char, kTargaHeaderSize> header{};
    file.read(reinterpret_cast<char*>(header.data()), kTargaHeaderSize);
    if (file.gcount() != kTargaHeaderSize) {
        return false;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff fileSize = file.tellg();

    const std::streamoff idLength = header[0];
    const bool hasColourMap = header[1] != 0;
    const std::streamoff mapEntries = header[5] | (header[6] << 8);
    const std::streamoff mapEntryBytes = (header[7] + 7) / 8;
    const std::streamoff pixelDataOffset =
        kTargaHeaderSize + idLength + (hasColourMap ? mapEntries * mapEntryBytes : 0);
    return pixelDataOffset < fileSize;
}

}  // namespace

bool IsSafeToDecode(FREE_IMAGE_FORMAT format, std::istream& file) {
    if (format == FIF_TARGA) {
        return TargaPixelDataInsideFile(file);
    }
    return true;
}

}  // namespace orrisbay::imageio
