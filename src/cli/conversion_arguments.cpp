#include "cli/conversion_arguments.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace orrisbay::cli {
namespace {

// The value of "--name=VALUE", or none when `argument` has no "=".
std::optional<std::string_view> AttachedValue(std::string_view argument, std::string_view name) {
    if (argument.size() > name.size() && argument[name.size()] == '=') {
        return argument.substr(name.size() + 1);
    }
    return std::nullopt;
}

// True when `text` starts with a dithering mode's name (alone or before a
// colon): the value of a --dither given apart, rather than an input file.
bool NamesDitherMode(std::string_view text) {
    return static_cast<bool>(quake_palette::ParseDithering(text.substr(0, text.find(':'))));
}

std::string ReadDithering(std::span<const std::string> arguments, std::size_t& i,
                          quake_palette::ConversionOptions& options) {
    std::optional<std::string_view> value = AttachedValue(arguments[i], "--dither");
    if (!value && i + 1 < arguments.size() && NamesDitherMode(arguments[i + 1])) {
        value = arguments[++i];
    }
    if (!value) {
        options.dither = true;  // today's Floyd-Steinberg, byte for byte
        options.dithering = {};
        return {};
    }
    const Result<quake_palette::Dithering> dithering = quake_palette::ParseDithering(*value);
    if (!dithering) {
        return "--dither: " + dithering.problem().message;
    }
    options.dither = false;
    options.dithering = *dithering;
    return {};
}

std::string ReadMetric(std::span<const std::string> arguments, std::size_t& i,
                       quake_palette::ConversionOptions& options) {
    std::optional<std::string_view> value = AttachedValue(arguments[i], "--metric");
    if (!value && i + 1 < arguments.size() && !arguments[i + 1].starts_with('-')) {
        value = arguments[++i];
    }
    if (!value || value->empty()) {
        return "option --metric needs rgb or perceptual";
    }
    const Result<quake_palette::ColourMetric> metric = quake_palette::ParseColourMetric(*value);
    if (!metric) {
        return "--metric: " + metric.problem().message;
    }
    options.metric = *metric;
    return {};
}

}  // namespace

std::string OptionHelp(std::string_view name, std::string_view text) {
    constexpr std::size_t kTextColumn = 22, kWidth = 80;
    std::string help = "      " + std::string(name);
    std::size_t column = help.size();
    if (column + 2 > kTextColumn) {
        help += '\n';
        column = 0;
    }
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        const std::string_view word = text.substr(start, end - start);
        if (column > kTextColumn && column + 1 + word.size() > kWidth) {
            help += '\n';
            column = 0;
        }
        if (column < kTextColumn) {
            help.append(kTextColumn - column, ' ');
            column = kTextColumn;
        } else {
            help += ' ';
            ++column;
        }
        help += word;
        column += word.size();
        start = end + 1;
    }
    return help + '\n';
}

ConversionArgument ReadConversionArgument(std::span<const std::string> arguments, std::size_t& i,
                                          quake_palette::ConversionOptions& options) {
    const std::string_view argument = arguments[i];
    const std::string_view name = argument.substr(0, argument.find('='));
    if (name == "--dither") {
        return {"--dither", ReadDithering(arguments, i, options)};
    }
    if (name == "--metric") {
        return {"--metric", ReadMetric(arguments, i, options)};
    }
    return {};
}

std::string ConversionUsageLines(std::string_view condition) {
    const std::string dither(condition);
    return OptionHelp("--dither [MODE]",
                      dither +
                          "dither the conversion to the palette: alone, with "
                          "Floyd-Steinberg as before; MODE is none, floyd-steinberg, "
                          "diffusion[:S] or ordered[:S]. diffusion (in linear light, "
                          "wrapping around the edges) and ordered (a blue-noise "
                          "pattern) tile without a seam; S is their strength from 0 "
                          "to 1 (default 0.9 and 1)") +
           OptionHelp("--metric NAME",
                      dither +
                          "how each pixel's colour is chosen: rgb (the default) or "
                          "perceptual (nearer to how colours look; slower)");
}

}  // namespace orrisbay::cli
