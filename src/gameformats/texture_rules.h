#pragma once

#include <FreeImage.h>

#include <string>
#include <string_view>

#include "imageio/freeimage_base.h"

namespace orrisbay::gameformats {

// A texture name fills 16 bytes with at least one NUL after it.
inline constexpr std::size_t kMaxTextureNameLength = 15;
// Each of the four mip levels halves both sides, so sides come in steps of 16.
inline constexpr unsigned kTextureSizeStep = 16;

struct TextureSize {
    int width = 0;
    int height = 0;
};

// True when both sides are positive multiples of 16.
bool IsWadTextureSize(unsigned width, unsigned height);

// Each side rounded to the nearest multiple of 16 (halfway goes to the even
// multiple of 16, as every rounding in the program does), never less than 16.
TextureSize NearestMultipleOf16Sizes(int width, int height);

// The message shown when a texture of `width` x `height` cannot go into a
// game's files as it is, offering the nearest multiples of 16; `game` names
// whose textures they are ("Quake", "Half-Life").
std::string TextureSizeMessage(int width, int height, std::string_view game = "Quake");

// A copy of `texture` rescaled (bicubic, as the merge does, with the same
// bytes as the library's rescale) to the nearest multiples of 16. Empty when
// it cannot be rescaled.
freeimage_base::Bitmap RescaleToMultipleOf16(const FIBITMAP* texture);

// The texture name a file's name gives: its stem in lower case (the game
// matches names without regard to case), nothing else changed; it is held to
// the game's rules like a name given by hand (CheckTextureName).
std::string TextureNameFromFileName(const std::string& path);

}  // namespace orrisbay::gameformats
