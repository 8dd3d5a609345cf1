#include "imageio/image_limits.h"

#include <algorithm>
#include <array>

namespace orrisbay::imageio {

bool IsWithinPictureLimits(PictureSize size) {
    return size.width <= kMaxPictureSide && size.height <= kMaxPictureSide &&
           size.width * size.height <= kMaxPicturePixels;
}

namespace {

constexpr int kGifHeaderSize = 6;
constexpr int kGifScreenFieldsSize = 7;
constexpr int kGifDescriptorFieldsSize = 9;  // left, top, width, height, flags
constexpr char kGifExtension = 0x21;
constexpr char kGifImageDescriptor = 0x2C;
constexpr unsigned char kColourTableFlag = 0x80;

unsigned LittleEndian16(const unsigned char* bytes) {
    return static_cast<unsigned>(bytes[0]) | (static_cast<unsigned>(bytes[1]) << 8);
}

template <std::size_t N>
bool ReadBytes(std::istream& in, std::array<unsigned char, N>& bytes) {
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(N));
    return in.gcount() == static_cast<std::streamsize>(N);
}

// Skips a colour table announced by `flags` (bit 7 set, size in bits 0..2).
void SkipColourTable(std::istream& in, unsigned char flags) {
    if (flags & kColourTableFlag) {
        in.ignore(3 * (std::streamsize{2} << (flags & 0x07)));
    }
}

// Skips data sub-blocks up to and including the zero-length terminator.
bool SkipSubBlocks(std::istream& in) {
    for (;;) {
        const int length = in.get();
        if (length == std::char_traits<char>::eof()) {
            return false;
        }
        if (length == 0) {
            return true;
        }
        in.ignore(length);
    }
}

// The size of the first frame, or empty when the stream holds none.
std::optional<PictureSize> ReadFirstFrameSize(std::istream& in) {
    for (;;) {
        const int introducer = in.get();
        if (introducer == kGifImageDescriptor) {
            std::array<unsigned char, kGifDescriptorFieldsSize> fields{};
            if (!ReadBytes(in, fields)) {
                return std::nullopt;
            }
            return PictureSize{LittleEndian16(&fields[4]), LittleEndian16(&fields[6])};
        }
        if (introducer != kGifExtension) {
            return std::nullopt;  // trailer, end of file or damage
        }
        in.get();  // the extension's label
        if (!SkipSubBlocks(in)) {
            return std::nullopt;
        }
    }
}

std::string Describe(PictureSize size) {
    return std::to_string(size.width) + " x " + std::to_string(size.height) + " pixels";
}

std::string LimitText() {
    return "larger than the " + std::to_string(kMaxPictureSide) + " x " +
           std::to_string(kMaxPictureSide) + " (" + std::to_string(kMaxPicturePixels) +
           " pixels) that can be blended";
}

}  // namespace

std::optional<PictureSize> ReadGifDeclaredSize(std::istream& in) {
    std::array<unsigned char, kGifHeaderSize> header{};
    if (!ReadBytes(in, header) || header[0] != 'G' || header[1] != 'I' || header[2] != 'F') {
        return std::nullopt;
    }
    std::array<unsigned char, kGifScreenFieldsSize> screen{};
    if (!ReadBytes(in, screen)) {
        return std::nullopt;
    }
    PictureSize size{LittleEndian16(&screen[0]), LittleEndian16(&screen[2])};
    SkipColourTable(in, screen[4]);
    if (const std::optional<PictureSize> frame = ReadFirstFrameSize(in)) {
        size.width = std::max(size.width, frame->width);
        size.height = std::max(size.height, frame->height);
    }
    return size;
}

std::string FileTooLargeMessage(const std::string& name, PictureSize size) {
    return "Load: " + name + " is " + Describe(size) + ", " + LimitText() + "; no image loaded.";
}

std::string ClipboardTooLargeMessage(PictureSize size) {
    return "Paste: the clipboard image is " + Describe(size) + ", " + LimitText() +
           "; no image pasted.";
}

}  // namespace orrisbay::imageio
