#include "cli/game_file_arguments.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <system_error>

#include "gameformats/texture_export.h"

namespace orrisbay::cli {
namespace {

// The value of "--name=VALUE" or "--name VALUE"; none when there is none.
std::optional<std::string> OptionValue(std::span<const std::string> arguments, std::size_t& i,
                                       std::string_view name) {
    const std::string& argument = arguments[i];
    if (argument.size() > name.size() && argument[name.size()] == '=') {
        return argument.substr(name.size() + 1);
    }
    if (argument.size() == name.size() && i + 1 < arguments.size()) {
        return arguments[++i];
    }
    return std::nullopt;
}

// A whole number of `Number` in decimal, or in hex after "0x" when `hex`.
template <typename Number>
std::optional<Number> WholeNumber(std::string_view text, bool hex) {
    int base = 10;
    if (hex && (text.starts_with("0x") || text.starts_with("0X"))) {
        text.remove_prefix(2);
        base = 16;
    }
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

bool IsOptionName(std::string_view name, std::string_view argument) {
    return argument.substr(0, argument.find('=')) == name;
}

}  // namespace

ConversionArgument ReadPaletteArgument(std::span<const std::string> arguments, std::size_t& i,
                                       PaletteChoice& choice) {
    const std::string_view argument = arguments[i];
    std::string option;
    if (IsOptionName("--palette", argument)) {
        option = "--palette";
    } else if (IsOptionName("--fullbright-count", argument)) {
        option = "--fullbright-count";
    } else {
        return {};
    }
    if (choice.firstOption.empty()) {
        choice.firstOption = option;
    }
    const std::optional<std::string> value = OptionValue(arguments, i, option);
    if (option == "--palette") {
        if (!value || value->empty()) {
            return {option, "option --palette needs a file name"};
        }
        choice.file = *value;
        return {option, {}};
    }
    const auto count = value ? WholeNumber<int>(*value, false) : std::nullopt;
    if (!count || *count < 0 || *count > 255) {
        return {option, "--fullbright-count takes a number from 0 to 255"};
    }
    choice.fullbrightCount = *count;
    return {option, {}};
}

ConversionArgument ReadGlowArgument(std::span<const std::string> arguments, std::size_t& i,
                                    GlowChoice& choice) {
    const std::string_view argument = arguments[i];
    if (argument == "--glow-output") {
        choice.output = true;
        return {"--glow-output", {}};
    }
    if (!IsOptionName("--glow", argument)) {
        return {};
    }
    const std::optional<std::string> value = OptionValue(arguments, i, "--glow");
    if (!value || value->empty()) {
        return {"--glow", "option --glow needs a file name"};
    }
    choice.file = *value;
    return {"--glow", {}};
}

std::string GlowOptionError(const GlowChoice& choice, bool converts, const std::string& output) {
    const gameformats::OutputKind kind = gameformats::OutputKindOf(output);
    if (choice.output && choice.file.empty()) {
        return "--glow-output needs --glow FILE";
    }
    if (choice.output && kind != gameformats::OutputKind::Picture &&
        kind != gameformats::OutputKind::Jpeg) {
        return "--glow-output writes beside a picture output (.png, .tga, .bmp or .jpg)";
    }
    if (!choice.file.empty() && !converts && !choice.output) {
        return "--glow needs --quake, or a .wad, .bsp or .wal output, or --glow-output";
    }
    return {};
}

ConversionArgument ReadWalArgument(std::span<const std::string> arguments, std::size_t& i,
                                   gameformats::WalFields& fields, std::string& given) {
    const std::string_view argument = arguments[i];
    std::string option;
    for (const char* name : {"--wal-flags", "--wal-contents", "--wal-value", "--wal-next"}) {
        if (IsOptionName(name, argument)) {
            option = name;
        }
    }
    if (option.empty()) {
        return {};
    }
    if (given.empty()) {
        given = option;
    }
    const std::optional<std::string> value = OptionValue(arguments, i, option);
    if (option == "--wal-next") {
        if (!value || value->empty()) {
            return {option, "option --wal-next needs a texture name"};
        }
        const Result<std::string> name = gameformats::CheckWalName(*value);
        if (!name) {
            return {option, "--wal-next: " + name.problem().message};
        }
        fields.nextFrame = *name;
        return {option, {}};
    }
    if (option == "--wal-value") {
        const auto number = value ? WholeNumber<std::int32_t>(*value, false) : std::nullopt;
        if (!number) {
            return {option, "--wal-value takes a whole number"};
        }
        fields.value = *number;
        return {option, {}};
    }
    const auto bits = value ? WholeNumber<std::uint32_t>(*value, true) : std::nullopt;
    if (!bits) {
        return {option, option + " takes a number from 0 to 4294967295 (or 0x and hex digits)"};
    }
    (option == "--wal-flags" ? fields.flags : fields.contents) = *bits;
    return {option, {}};
}

std::string PaletteUsageLines(std::string_view condition) {
    const std::string when(condition);
    return OptionHelp("--palette FILE",
                      when +
                          "the game's palette instead of the one beside the program: a "
                          "JASC-PAL .pal, a GIMP .gpl, a raw 768-byte palette.lmp, the "
                          "end of a PCX picture (Quake II's colormap.pcx) or a WAD's "
                          "palette lump") +
           OptionHelp("--fullbright-count N",
                      when +
                          "how many of the palette's last colours glow in the dark, 0 to "
                          "255 (default: 32 for Quake's palette, 0 for any other)");
}

std::string GlowUsageLines(bool glowOutput) {
    std::string lines = OptionHelp(
        "--glow FILE",
        "a grey mask, scaled like the masks, of where the texture glows: where it is at "
        "least 128 only the fullbright colours are chosen (224 to 254 in a .wad, to 255 in "
        "a picture), and nowhere else, whatever --fullbrights says; a Half-Life texture "
        "named ~NAME gets its colours 224 to 255 from the glowing pixels alone");
    if (glowOutput) {
        lines += OptionHelp("--glow-output",
                            "with --glow: write NAME_glow.png beside a picture output NAME, "
                            "the glowing pixels in full colour on black");
    }
    return lines;
}

std::string WalUsageLines() {
    return OptionHelp("--wal-flags N",
                      "a .wal output's surface flags (light 1, slick 2, sky 4, warp 8, "
                      "trans33 16, trans66 32, flowing 64, nodraw 128), a number or 0x and "
                      "hex digits") +
           OptionHelp("--wal-contents N",
                      "a .wal output's contents flags (solid 1, window 2, ...)") +
           OptionHelp("--wal-value N", "a .wal output's value, such as a light's strength") +
           OptionHelp("--wal-next NAME",
                      "the next texture of a .wal output's animation, as the game names it "
                      "(the path below textures/ without .wal)");
}

}  // namespace orrisbay::cli
