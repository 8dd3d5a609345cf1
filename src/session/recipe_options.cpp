#include "session/recipe_options.h"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <sstream>

#include "palette/conversion_options.h"

namespace orrisbay::session {
namespace {

namespace fs = std::filesystem;
using gameformats::WadKind;

const bool* AsBool(const OptionValue& value) {
    return std::get_if<bool>(&value);
}

const std::string* AsText(const OptionValue& value) {
    return std::get_if<std::string>(&value);
}

// A number, whole or not.
std::optional<double> AsNumber(const OptionValue& value) {
    if (const auto* whole = std::get_if<std::int64_t>(&value)) {
        return static_cast<double>(*whole);
    }
    if (const auto* real = std::get_if<double>(&value)) {
        return *real;
    }
    return std::nullopt;
}

std::string CheckBool(const OptionValue& value) {
    return AsBool(value) ? std::string() : "takes true or false";
}

std::string CheckNonEmptyText(const OptionValue& value) {
    const std::string* text = AsText(value);
    return text && !text->empty() ? std::string() : "takes a file name in quotes";
}

// On or off (Floyd-Steinberg), or a mode with its strength, as --dither takes it.
std::string CheckDither(const OptionValue& value) {
    if (AsBool(value)) {
        return {};
    }
    if (const std::string* text = AsText(value)) {
        const Result<quake_palette::Dithering> mode = quake_palette::ParseDithering(*text);
        return mode ? std::string() : mode.problem().message;
    }
    return "takes true or false, or a mode such as \"diffusion:0.8\"";
}

std::string CheckMetric(const OptionValue& value) {
    const std::string* text = AsText(value);
    if (text == nullptr) {
        return "takes \"rgb\" or \"perceptual\"";
    }
    const Result<quake_palette::ColourMetric> metric = quake_palette::ParseColourMetric(*text);
    return metric ? std::string() : metric.problem().message;
}

// A depth, or false for the plain blend (over a depth in [defaults]).
std::string CheckDepth(const OptionValue& value) {
    const auto depth = AsNumber(value);
    const bool* off = AsBool(value);
    return (off && !*off) || (depth && *depth >= slots::kMinHeightDepth && *depth <= 0.5)
               ? std::string()
               : "takes a depth from 0.01 to 0.5, or false for none";
}

std::string CheckStrength(const OptionValue& value) {
    const auto strength = AsNumber(value);
    return strength && *strength >= 0 && *strength <= 0.9 ? std::string()
                                                          : "takes a strength from 0 to 0.9";
}

std::string CheckWadKind(const OptionValue& value) {
    const std::string* text = AsText(value);
    return text && (*text == "wad2" || *text == "wad3")
               ? std::string()
               : "takes \"wad2\" (Quake) or \"wad3\" (Half-Life)";
}

std::string CheckFullbrightCount(const OptionValue& value) {
    const auto* count = std::get_if<std::int64_t>(&value);
    return count && *count >= 0 && *count <= 255 ? std::string() : "takes a count from 0 to 255";
}

std::string CheckWalBits(const OptionValue& value) {
    const auto* bits = std::get_if<std::int64_t>(&value);
    return bits && *bits >= 0 && *bits <= 0xFFFFFFFF
               ? std::string()
               : "takes a number from 0 to 4294967295 (0x and hex digits in TOML)";
}

std::string CheckWalValue(const OptionValue& value) {
    const auto* number = std::get_if<std::int64_t>(&value);
    return number && *number >= INT32_MIN && *number <= INT32_MAX
               ? std::string()
               : "takes a whole number of 32 bits";
}

std::string CheckWalNext(const OptionValue& value) {
    const std::string* text = AsText(value);
    if (text == nullptr) {
        return "takes the next texture's name in quotes";
    }
    const Result<std::string> name = gameformats::CheckWalName(*text);
    return name ? std::string() : name.problem().message;
}

std::uint32_t AsBits(const OptionValue& value) {
    return static_cast<std::uint32_t>(std::get<std::int64_t>(value));
}

std::string CheckThreshold(const OptionValue& value) {
    const auto* level = std::get_if<std::int64_t>(&value);
    return level && *level >= 1 && *level <= 255 ? std::string() : "takes a level from 1 to 255";
}

// The table: one row per option a recipe knows.
const std::array<OptionRow, 16> kOptionRows = {{
    {"palette", kForBoth, CheckNonEmptyText,
     [](const OptionValue& value, const fs::path& folder, TextureSettings& settings) {
         settings.palette = folder / *AsText(value);
     }},
    {"fullbright_count", kForBoth, CheckFullbrightCount,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.fullbrightCount = static_cast<int>(std::get<std::int64_t>(value));
     }},
    {"wal_flags", kForBoth, CheckWalBits,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.wal.flags = AsBits(value);
     }},
    {"wal_contents", kForBoth, CheckWalBits,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.wal.contents = AsBits(value);
     }},
    {"wal_value", kForBoth, CheckWalValue,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.wal.value = static_cast<std::int32_t>(std::get<std::int64_t>(value));
     }},
    {"wal_next", kForBoth, CheckWalNext,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.wal.nextFrame = *AsText(value);
     }},
    {"dither", kForBoth, CheckDither,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         const std::string* mode = AsText(value);
         settings.conversion.dither = mode == nullptr && *AsBool(value);
         settings.conversion.dithering =
             mode ? *quake_palette::ParseDithering(*mode) : quake_palette::Dithering{};
     }},
    {"metric", kForBoth, CheckMetric,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.conversion.metric = *quake_palette::ParseColourMetric(*AsText(value));
     }},
    {"fullbrights", kForBoth, CheckBool,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.conversion.allowFullbrights = *AsBool(value);
     }},
    {"rescale", kForBoth, CheckBool,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.rescale = *AsBool(value);
     }},
    {"glow_output", kForBoth, CheckBool,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.glowOutput = *AsBool(value);
     }},
    {"quake", kForBoth, CheckBool,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.toPalette = *AsBool(value);
     }},
    {"height_blend", kForBlends, CheckDepth,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.heightDepth = AsBool(value) ? std::nullopt : AsNumber(value);
     }},
    {"height_strength", kForBlends, CheckStrength,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.heightStrength = *AsNumber(value);
     }},
    {"wad", kForBoth, CheckWadKind,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.newWadKind = *AsText(value) == "wad3" ? WadKind::Wad3 : WadKind::Wad2;
     }},
    {"threshold", kForBoth, CheckThreshold,
     [](const OptionValue& value, const fs::path&, TextureSettings& settings) {
         settings.threshold = static_cast<int>(std::get<std::int64_t>(value));
     }},
}};

}  // namespace

slots::MergeOptions TextureSettings::Merge() const {
    slots::MergeOptions options;
    if (heightDepth) {
        options.heightBlend = slots::HeightBlend{*heightDepth, heightStrength};
    }
    return options;
}

std::span<const OptionRow> OptionRows() {
    return kOptionRows;
}

const OptionRow* FindOption(std::string_view key) {
    const auto found = std::ranges::find(kOptionRows, key, &OptionRow::key);
    return found == kOptionRows.end() ? nullptr : &*found;
}

ResolvedSettings ResolveSettings(const RecipeOptions& defaults, const RecipeOptions& own,
                                 const fs::path& folder) {
    ResolvedSettings resolved;
    for (const RecipeOptions* options : {&defaults, &own}) {
        for (const auto& [key, setting] : *options) {
            if (const OptionRow* row = FindOption(key)) {
                row->apply(setting.value, folder, resolved.settings);
            }
        }
    }
    const slots::MergeOptions merge = resolved.settings.Merge();
    if (merge.heightBlend && !slots::IsUsable(*merge.heightBlend)) {
        resolved.problem = "height_strength and height_blend add up to more than 1";
        resolved.problemKey = own.contains("height_strength") ? "height_strength" : "height_blend";
    }
    return resolved;
}

std::string OptionValueText(const OptionValue& value) {
    std::ostringstream text;
    std::visit(
        [&text](const auto& held) {
            using Held = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<Held, std::string>) {
                text << toml::value<std::string>(held);
            } else {
                text << toml::value<Held>(held);
            }
        },
        value);
    return text.str();
}

}  // namespace orrisbay::session
