#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "gameformats/wad_file.h"
#include "gameformats/wal_texture.h"
#include "palette/palette_conversion.h"
#include "slots/merge_options.h"

// The options a recipe gives its textures ([defaults], and each texture's
// own over them), in one table: a key is added by adding its row (and the
// setting it fills).
namespace orrisbay::session {

// Where something is written in a recipe file, counted from 1.
struct RecipePlace {
    int line = 0;
    int column = 0;
};

// An option's value as the recipe writes it.
using OptionValue = std::variant<bool, std::int64_t, double, std::string>;
struct OptionSetting {
    OptionValue value;
    RecipePlace place;
};
using RecipeOptions = std::map<std::string, OptionSetting, std::less<>>;

// What a texture is made with once its options are resolved.
struct TextureSettings {
    // A palette file of any kind ReadAnyPaletteFile reads; empty: the one
    // beside the program. Its fullbright count as given, else as it implies.
    std::filesystem::path palette;
    std::optional<int> fullbrightCount;
    quake_palette::ConversionOptions conversion;
    bool rescale = false;               // sides to the nearest multiples of 16 first
    bool toPalette = false;             // a picture output in the palette (a WAD always is)
    std::optional<double> heightDepth;  // height blending, when set
    double heightStrength = slots::kDefaultHeightStrength;
    gameformats::WadKind newWadKind = gameformats::WadKind::Wad2;  // of a WAD yet to be made
    int threshold = 128;         // mask levels below it are see-through in a '{' texture
    gameformats::WalFields wal;  // a .wal output's header fields
    bool glowOutput = false;     // with a glow mask: NAME_glow.png beside a picture output

    slots::MergeOptions Merge() const;
};

// Which textures an option means something for.
enum OptionScope : unsigned { kForBlends = 1, kForPictures = 2, kForBoth = 3 };

struct OptionRow {
    std::string_view key;
    OptionScope scope;
    // What is wrong with `value` for this key; empty when it can be used.
    std::string (*check)(const OptionValue& value);
    // Puts a checked value into `settings`; paths start at `folder`.
    void (*apply)(const OptionValue& value, const std::filesystem::path& folder,
                  TextureSettings& settings);
};

std::span<const OptionRow> OptionRows();
const OptionRow* FindOption(std::string_view key);

// The settings of a texture: the defaults, then its own options over them.
// Gives what is wrong with the two together (a height strength and depth
// adding up to more than 1), with the key to blame, or the settings.
struct ResolvedSettings {
    TextureSettings settings;
    std::string problem;  // empty when none
    std::string problemKey;
};
ResolvedSettings ResolveSettings(const RecipeOptions& defaults, const RecipeOptions& own,
                                 const std::filesystem::path& folder);

// `value` as TOML writes it ("true", "0.15", "\"wad3\"").
std::string OptionValueText(const OptionValue& value);

}  // namespace orrisbay::session
