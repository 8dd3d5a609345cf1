#include "palette/conversion_options.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "console/text.h"

namespace orrisbay::quake_palette {
namespace {

struct ModeName {
    DitherMode mode;
    std::string_view name;
};
constexpr std::array<ModeName, 4> kModeNames{{
    {DitherMode::None, "none"},
    {DitherMode::FloydSteinberg, "floyd-steinberg"},
    {DitherMode::Diffusion, "diffusion"},
    {DitherMode::Ordered, "ordered"},
}};

struct MetricEntry {
    ColourMetric metric;
    std::string_view name;
};
constexpr std::array<MetricEntry, 4> kMetricNames{{
    {ColourMetric::Rgb, "rgb"},
    {ColourMetric::Perceptual, "perceptual"},
    {ColourMetric::Oklab, "oklab"},
    {ColourMetric::Cielab, "cielab"},
}};

constexpr std::string_view kDitheringChoices =
    "none, floyd-steinberg, diffusion[:STRENGTH] or ordered[:STRENGTH]";

Problem DitheringProblem(std::string_view text, std::string_view why) {
    std::string message = "dithering ";
    message += console::Quoted(text);
    message += ' ';
    message += why;
    message += ": use ";
    message += kDitheringChoices;
    return Fail(ProblemKind::WrongUsage, message);
}

bool TakesStrength(DitherMode mode) {
    return mode == DitherMode::Diffusion || mode == DitherMode::Ordered;
}

// A decimal number from 0 to 1, nothing else around it.
std::optional<float> ParseStrength(std::string_view text) {
    float value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value >= 0 && value <= 1)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

float Dithering::Strength() const {
    if (strength) {
        return *strength;
    }
    return mode == DitherMode::Diffusion ? kDefaultDiffusionStrength
           : mode == DitherMode::Ordered ? kDefaultOrderedStrength
                                         : 1.0f;
}

Dithering ConversionOptions::EffectiveDithering() const {
    if (dithering.mode != DitherMode::None) {
        return dithering;
    }
    return dither ? Dithering{DitherMode::FloydSteinberg, {}} : Dithering{};
}

Result<Dithering> ParseDithering(std::string_view text) {
    const std::string trimmed = console::LowerCase(console::TrimSpaces(text));
    const std::size_t colon = trimmed.find(':');
    const std::string_view name = std::string_view(trimmed).substr(0, colon);
    for (const ModeName& entry : kModeNames) {
        if (entry.name != name) {
            continue;
        }
        Dithering dithering{entry.mode, {}};
        if (colon == std::string::npos) {
            return dithering;
        }
        if (!TakesStrength(entry.mode)) {
            return DitheringProblem(text, "takes no strength");
        }
        dithering.strength = ParseStrength(std::string_view(trimmed).substr(colon + 1));
        if (!dithering.strength) {
            return DitheringProblem(text, "needs a strength from 0 to 1 after the colon");
        }
        return dithering;
    }
    return DitheringProblem(text, "is not a dithering mode");
}

Result<ColourMetric> ParseColourMetric(std::string_view text) {
    const std::string name = console::LowerCase(console::TrimSpaces(text));
    for (const MetricEntry& entry : kMetricNames) {
        if (entry.name == name) {
            return entry.metric;
        }
    }
    std::string message = "colour metric ";
    message += console::Quoted(text);
    message += " is not known: use rgb or perceptual";
    return Fail(ProblemKind::WrongUsage, message);
}

std::string DitheringText(const Dithering& dithering) {
    std::string text;
    for (const ModeName& entry : kModeNames) {
        if (entry.mode == dithering.mode) {
            text = entry.name;
        }
    }
    if (dithering.strength && TakesStrength(dithering.mode)) {
        char number[32];
        std::snprintf(number, sizeof number, ":%g", static_cast<double>(*dithering.strength));
        text += number;
    }
    return text;
}

std::string_view MetricName(ColourMetric metric) {
    for (const MetricEntry& entry : kMetricNames) {
        if (entry.metric == metric) {
            return entry.name;
        }
    }
    return "rgb";
}

}  // namespace orrisbay::quake_palette
