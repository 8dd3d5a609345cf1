#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "console/result.h"

namespace orrisbay::quake_palette {

// How the error between a pixel and its palette colour is spread.
enum class DitherMode {
    None,            // each pixel its nearest colour
    FloydSteinberg,  // today's error diffusion from the top-left corner, in sRGB
    Diffusion,       // serpentine error diffusion in linear light that wraps around the edges
    Ordered,         // a blue-noise threshold pattern that tiles with the texture
};

// A dithering mode and how strongly it dithers (0 to 1); no strength given
// means the mode's own default.
struct Dithering {
    DitherMode mode = DitherMode::None;
    std::optional<float> strength;

    float Strength() const;
    bool operator==(const Dithering&) const = default;
};

// The default strengths, chosen by measuring on tileable textures.
inline constexpr float kDefaultDiffusionStrength = 0.9f;
inline constexpr float kDefaultOrderedStrength = 1.0f;

// The distance the nearest-colour search minimises.
enum class ColourMetric {
    Rgb,         // today's "redmean" weighting of sRGB differences
    Perceptual,  // CIELAB weighted as CIEDE2000 weighs texture colours' differences
    Oklab,       // Euclidean distance in OKLab
    Cielab,      // Euclidean distance in CIELAB (CIE 1976, D65)
};

struct ConversionOptions {
    bool dither = false;            // today's Floyd-Steinberg, unless `dithering` names a mode
    bool allowFullbrights = false;  // without a glow mask: the fullbright colours may be chosen
    Dithering dithering{};          // any mode; None leaves the choice to `dither`
    ColourMetric metric = ColourMetric::Rgb;

    // The dithering this asks for: `dithering` when it names a mode, else
    // Floyd-Steinberg when `dither` is set, else none.
    Dithering EffectiveDithering() const;
};

// Reads "MODE[:STRENGTH]": none, floyd-steinberg, diffusion or ordered, the
// strength a number from 0 to 1 (diffusion and ordered only). The problem's
// message says what was wrong and what is accepted.
Result<Dithering> ParseDithering(std::string_view text);
// Reads rgb or perceptual (or, to compare, oklab or cielab).
Result<ColourMetric> ParseColourMetric(std::string_view text);

// The text ParseDithering reads back to the same value ("diffusion:0.8").
std::string DitheringText(const Dithering& dithering);
std::string_view MetricName(ColourMetric metric);

}  // namespace orrisbay::quake_palette
