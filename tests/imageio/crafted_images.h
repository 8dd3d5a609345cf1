#pragma once

// Image files made byte by byte, for inputs the image library will not write:
// headers that declare a size other than the pixels hold, greyscale PNGs with
// alpha, CMYK JPEGs, hand-built GIFs.
#include <FreeImage.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace orrisbay::testing {

// The bytes of `dib` saved as `format` with `flags`.
std::string SavedBytes(FIBITMAP* dib, FREE_IMAGE_FORMAT format, int flags = 0);

// A small valid file of `format` whose header then claims `width` x `height`
// (PNG with a correct header checksum). GIFs get the size on the logical
// screen and on the first frame.
std::string WithDeclaredSize(FREE_IMAGE_FORMAT format, std::uint32_t width, std::uint32_t height);

// A GIF of one frame; the screen and the frame may have different sizes, and
// a comment block may come before the frame. The pixel data encodes one pixel.
std::string HandMadeGif(std::uint16_t screenWidth, std::uint16_t screenHeight,
                        std::uint16_t frameWidth, std::uint16_t frameHeight, bool comment);

// A PNG of `colourType` (0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA) and
// `bitDepth`, every sample set to `sample`.
std::string HandMadePng(std::uint32_t width, std::uint32_t height, int bitDepth, int colourType,
                        std::uint8_t sample);

// A PNG chunk of `type` with its length and checksum.
std::string PngChunk(const std::string& type, const std::string& data);

// An iCCP chunk holding `profile`, compressed.
std::string IccpChunk(const std::string& profile);

// `png` (a whole file) with `chunks` inserted right after its header chunk.
std::string WithPngChunks(const std::string& png, const std::string& chunks);

// A baseline JPEG in the CMYK colour space, every pixel the same colour.
std::string CmykJpeg(int width, int height);

}  // namespace orrisbay::testing
