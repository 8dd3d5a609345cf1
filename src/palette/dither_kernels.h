#pragma once

#include <FreeImage.h>

#include "palette/colour_finder.h"
#include "palette/conversion_regions.h"

namespace orrisbay::quake_palette {

// What one conversion works on: a 24-bit picture, the 8-bit result of its
// size, each pixel's region (null: every pixel ordinary) and the finder of
// each region that occurs (both search `palette`).
struct ConversionJob {
    const FIBITMAP* rgb = nullptr;
    FIBITMAP* indexed = nullptr;
    const RegionMap* regions = nullptr;
    const NearestColourFinder* ordinary = nullptr;
    const NearestColourFinder* glowing = nullptr;
    std::uint8_t seeThroughIndex = 255;
    const Palette* palette = nullptr;
};

// Each pixel its nearest colour.
void ConvertPlain(const ConversionJob& job);
// Floyd-Steinberg in sRGB from the top-left corner, serpentine, errors in
// sixteenths: byte for byte the conversion's first dithering.
void ConvertFloydSteinberg(const ConversionJob& job);
// Serpentine error diffusion in linear light that wraps around the edges as
// the texture tiles, `strength` scaling the error passed on; a colour the
// allowed ones cannot average to is aimed at the nearest one they can.
void ConvertWrappedDiffusion(const ConversionJob& job, float strength);
// A blue-noise threshold pattern whose tile divides the texture's sides.
void ConvertOrdered(const ConversionJob& job, float strength);

}  // namespace orrisbay::quake_palette
