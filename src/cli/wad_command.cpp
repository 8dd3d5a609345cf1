#include "cli/wad_command.h"

#include <FreeImage.h>

#include <array>
#include <charconv>
#include <filesystem>
#include <iomanip>
#include <ostream>
#include <system_error>

#include "cli/blend_command.h"
#include "gameformats/texture_names.h"
#include "gameformats/texture_rules.h"
#include "gameformats/wad_edit.h"
#include "imageio/file_types.h"
#include "imageio/image_writer.h"
#include "palette/quake_palette.h"

namespace orrisbay::cli {
namespace {

namespace fs = std::filesystem;
using freeimage_base::Bitmap;
using gameformats::WadKind;
using gameformats::WadProblem;
using gameformats::WadStatus;
using Failure = BlendFailure;

// Each verb, the number of operands after the WAD, and its usage line.
struct Verb {
    std::string_view name;
    std::size_t operands;
    std::string_view usage;
};
constexpr std::array<Verb, 5> kVerbs = {{
    {"list", 0, "list WAD"},
    {"extract", 1, "extract WAD NAME -o FILE"},
    {"remove", 1, "remove WAD NAME"},
    {"rename", 2, "rename WAD OLD NEW"},
    {"add", 1, "add WAD PICTURE [--name NAME] [options]"},
}};

const Verb* FindVerb(std::string_view name) {
    for (const Verb& verb : kVerbs) {
        if (verb.name == name) {
            return &verb;
        }
    }
    return nullptr;
}

int ExitCodeOf(WadProblem problem) {
    switch (problem) {
        case WadProblem::None:
            return kExitSuccess;
        case WadProblem::Unreadable:
        case WadProblem::Damaged:
        case WadProblem::NoSuchLump:
        case WadProblem::NotATexture:
            return kExitBadInput;
        case WadProblem::BadName:
        case WadProblem::NameTaken:
            return kExitUsage;
        case WadProblem::NotWadSize:
            return kExitNotWadSize;
        case WadProblem::NotWritten:
            return kExitOutputNotWritten;
        case WadProblem::BadPicture:
        case WadProblem::ConversionFailed:
            break;
    }
    return kExitMergeFailed;
}

// The failure for `status`, its message prefixed with `file` unless it names it already.
Failure FailureOf(const WadStatus& status, const std::string& file) {
    const bool named = status.message.starts_with(file + ":");
    return {ExitCodeOf(status.problem), named ? status.message : file + ": " + status.message};
}

void Warn(std::ostream& err, const std::string& warning) {
    if (!warning.empty()) {
        err << kWadProgramName << ": warning: " << warning << '\n';
    }
}

// The game's palette, read from the program's folder as orrisbay-blend reads it.
Failure ReadGamePalette(quake_palette::Palette& palette) {
    Failure failure = ReadQuakePalette();
    palette = quake_palette::PaletteColors();
    return failure;
}

std::string TypeName(const gameformats::WadLump& lump, WadKind kind) {
    if (lump.type == gameformats::TextureLumpType(kind)) {
        return "texture";
    }
    switch (lump.type) {
        case 0x40:
            return "palette";
        case 0x42:
            return "picture";
        default:
            break;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02x", lump.type);
    return hex;
}

Failure List(const WadCommand& command, std::ostream& out) {
    const auto wad = gameformats::ReadWadFile(command.wad);
    if (!wad) {
        return FailureOf(wad.status, command.wad);
    }
    for (const gameformats::WadLump& lump : wad.value.lumps) {
        out << std::left << std::setw(16) << lump.name << ' ' << std::setw(8)
            << TypeName(lump, wad.value.kind) << ' ' << std::right << std::setw(9)
            << lump.data.size();
        if (const auto texture = gameformats::DecodeMipTexture(lump, wad.value.kind); texture) {
            out << "  " << texture.value.width << " x " << texture.value.height;
        }
        out << '\n';
    }
    return {};
}

Failure Extract(const WadCommand& command, std::ostream& out) {
    const auto wad = gameformats::ReadWadFile(command.wad);
    if (!wad) {
        return FailureOf(wad.status, command.wad);
    }
    const auto texture = gameformats::FindTexture(wad.value, command.operands[0]);
    if (!texture) {
        return FailureOf(texture.status, command.wad);
    }
    quake_palette::Palette palette{};
    if (wad.value.kind == WadKind::Wad2) {
        if (Failure failure = ReadGamePalette(palette); failure.code != kExitSuccess) {
            return failure;
        }
    }
    const Bitmap picture = MipTextureBitmap(texture.value, wad.value.kind, palette);
    if (!picture) {
        return {kExitMergeFailed,
                command.wad + ": \"" + texture.value.name + "\" is too large to extract"};
    }
    const imageio::SaveResult saved = imageio::SaveImageFile(picture.get(), command.output);
    if (!saved) {
        return {kExitOutputNotWritten, command.output + ": not written: " + saved.reason};
    }
    out << "extracted " << texture.value.name << " to " << command.output << '\n';
    return {};
}

// Reads the WAD, applies `edit` and writes the WAD back in one piece.
template <typename Edit>
Failure EditWad(const std::string& path, WadKind kindIfNew, Edit edit) {
    auto wad = gameformats::OpenWadForEditing(path, kindIfNew);
    if (!wad) {
        return FailureOf(wad.status, path);
    }
    if (Failure failure = edit(wad.value); failure.code != kExitSuccess) {
        return failure;
    }
    const WadStatus written = gameformats::WriteWadFile(path, wad.value);
    return written ? Failure{} : FailureOf(written, path);
}

Failure Remove(const WadCommand& command, std::ostream& out, std::ostream& err) {
    if (!fs::exists(command.wad)) {
        return {kExitBadInput, command.wad + ": no such file"};
    }
    const std::string& name = command.operands[0];
    return EditWad(command.wad, WadKind::Wad2, [&](gameformats::WadFile& wad) -> Failure {
        if (const WadStatus removed = gameformats::RemoveLump(wad, name); !removed) {
            return FailureOf(removed, command.wad);
        }
        Warn(err, gameformats::AnimationGapWarning(wad, name));
        out << "removed " << name << " from " << command.wad << '\n';
        return {};
    });
}

Failure Rename(const WadCommand& command, std::ostream& out, std::ostream& err) {
    if (!fs::exists(command.wad)) {
        return {kExitBadInput, command.wad + ": no such file"};
    }
    const std::string& from = command.operands[0];
    const std::string& to = command.operands[1];
    return EditWad(command.wad, WadKind::Wad2, [&](gameformats::WadFile& wad) -> Failure {
        if (const WadStatus renamed = gameformats::RenameLump(wad, from, to); !renamed) {
            return FailureOf(renamed, command.wad);
        }
        Warn(err, gameformats::AnimationGapWarning(wad, from));
        Warn(err, gameformats::AnimationGapWarning(wad, to));
        if (const auto texture = gameformats::FindTexture(wad, to); texture) {
            Warn(err, gameformats::SkySizeWarning(texture.value.name, wad.kind, texture.value.width,
                                                  texture.value.height));
        }
        out << "renamed " << from << " to " << to << " in " << command.wad << '\n';
        return {};
    });
}

Failure LoadPicture(const std::string& path, Bitmap& picture) {
    imageio::LoadResult loaded = imageio::LoadImageFile(path);
    switch (loaded.outcome) {
        case imageio::LoadOutcome::Loaded:
            picture = std::move(loaded.bitmap);
            return {};
        case imageio::LoadOutcome::InvalidFormat:
            return {kExitBadInput,
                    path + ": unsupported file type (use .bmp, .gif, .jpg, .jpeg, .png or .tga)"};
        case imageio::LoadOutcome::TooLarge:
            return {kExitBadInput, path + ": " + loaded.message};
        case imageio::LoadOutcome::LoadFailed:
            break;
    }
    std::error_code error;
    return {kExitBadInput,
            path + (fs::exists(path, error) ? ": cannot be read as a picture" : ": no such file")};
}

// The see-through mask for `picture`: the --mask file, else the picture's own alpha.
Failure LoadMask(const WadCommand& command, const FIBITMAP* picture, Bitmap& mask) {
    if (!command.mask.empty()) {
        return LoadPicture(command.mask, mask);
    }
    if (freeimage_base::ImageType(picture) == FIT_BITMAP && freeimage_base::Bpp(picture) == 32) {
        mask.reset(FreeImage_GetChannel(const_cast<FIBITMAP*>(picture), FICC_ALPHA));
    }
    return {};
}

// Rescales the picture (and its mask) to multiples of 16 when asked to.
Failure FitTheGrid(const WadCommand& command, Bitmap& picture, Bitmap& mask) {
    const unsigned width = freeimage_base::Width(picture.get());
    const unsigned height = freeimage_base::Height(picture.get());
    if (gameformats::IsWadTextureSize(width, height) || !command.rescale) {
        return {};  // MakeMipTexture explains a size off the grid
    }
    picture = gameformats::RescaleToMultipleOf16(picture.get());
    if (mask) {
        mask = gameformats::RescaleToMultipleOf16(mask.get());
    }
    if (!picture) {
        return {kExitMergeFailed, command.operands[0] + ": the picture could not be rescaled"};
    }
    return {};
}

Failure Add(const WadCommand& command, std::ostream& out, std::ostream& err) {
    const std::string& file = command.operands[0];
    Bitmap picture, mask;
    for (Failure failure : {LoadPicture(file, picture), LoadMask(command, picture.get(), mask),
                            FitTheGrid(command, picture, mask)}) {
        if (failure.code != kExitSuccess) {
            return failure;
        }
    }
    const std::string name =
        command.name.empty() ? gameformats::TextureNameFromFileName(file) : command.name;
    const WadKind kindIfNew = command.wad3 ? WadKind::Wad3 : WadKind::Wad2;
    return EditWad(command.wad, kindIfNew, [&](gameformats::WadFile& wad) -> Failure {
        quake_palette::Palette palette{};
        if (wad.kind == WadKind::Wad2) {
            if (Failure failure = ReadGamePalette(palette); failure.code != kExitSuccess) {
                return failure;
            }
        }
        if (command.wad3 && wad.kind == WadKind::Wad2) {
            Warn(err, command.wad + " is a WAD2 file and stays one; --wad3 is for new files");
        }
        const auto made = gameformats::MakeMipTexture(picture.get(), mask.get(), name, wad.kind,
                                                      command.texture, palette);
        if (!made) {
            return FailureOf(made.status, file);
        }
        const gameformats::MipTexture& texture = made.value;
        if (gameformats::IsSeeThroughName(texture.name) && !mask) {
            Warn(err,
                 file + " has no alpha channel and no --mask was given: nothing is see-through");
        }
        Warn(err,
             gameformats::SkySizeWarning(texture.name, wad.kind, texture.width, texture.height));
        const auto put = gameformats::PutTexture(wad, EncodeMipTexture(texture, wad.kind));
        if (!put) {
            return FailureOf(put.status, command.wad);
        }
        Warn(err, gameformats::AnimationGapWarning(wad, texture.name));
        out << (put.value ? "replaced " : "added ") << texture.name << " (" << texture.width
            << " x " << texture.height << ") " << (put.value ? "in " : "to ") << command.wad
            << '\n';
        return {};
    });
}

Failure Run(const WadCommand& command, std::ostream& out, std::ostream& err) {
    if (command.verb == "list") {
        return List(command, out);
    }
    if (command.verb == "extract") {
        return Extract(command, out);
    }
    if (command.verb == "remove") {
        return Remove(command, out, err);
    }
    if (command.verb == "rename") {
        return Rename(command, out, err);
    }
    return Add(command, out, err);
}

bool ParseThreshold(const std::string& text, int& threshold) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), threshold);
    return error == std::errc() && end == text.data() + text.size() && threshold >= 1 &&
           threshold <= 255;
}

// Takes the value of an option given as "--opt VALUE" or "--opt=VALUE".
bool TakeValue(std::span<const std::string> arguments, std::size_t& i, std::string_view option,
               std::string& value) {
    const std::string& argument = arguments[i];
    if (argument.size() > option.size() && argument[option.size()] == '=') {
        value = argument.substr(option.size() + 1);
    } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
    } else {
        return false;
    }
    return !value.empty();
}

// Reads one option; returns an error, or empty when the option was understood.
std::string ParseOption(std::span<const std::string> arguments, std::size_t& i,
                        WadCommand& command) {
    const std::string& argument = arguments[i];
    const std::string option = argument.substr(0, argument.find('='));
    std::string* value = option == "-o" || option == "--output" ? &command.output
                         : option == "--name"                   ? &command.name
                         : option == "--mask"                   ? &command.mask
                                                                : nullptr;
    std::string threshold;
    if (option == "--threshold") {
        value = &threshold;
    }
    if (value != nullptr) {
        if (!TakeValue(arguments, i, option, *value)) {
            return "option " + option + " needs a value";
        }
        if (value == &threshold &&
            !ParseThreshold(threshold, command.texture.seeThroughThreshold)) {
            return "--threshold takes a number from 1 to 255";
        }
        return {};
    }
    bool* flag = argument == "-h" || argument == "--help"      ? &command.help
                 : argument == "-V" || argument == "--version" ? &command.version
                 : argument == "--wad3"                        ? &command.wad3
                 : argument == "--rescale"                     ? &command.rescale
                 : argument == "--dither"                      ? &command.texture.conversion.dither
                 : argument == "--fullbrights" ? &command.texture.conversion.allowFullbrights
                                               : nullptr;
    if (flag == nullptr) {
        return "unknown option " + argument;
    }
    *flag = true;
    return {};
}

// The options given that `verb` does not take.
std::string MisplacedOption(const WadCommand& command) {
    const bool add = command.verb == "add";
    const gameformats::TextureOptions defaults;
    if (!command.output.empty() && command.verb != "extract") {
        return "-o is for extract";
    }
    if (!add &&
        (!command.name.empty() || !command.mask.empty() || command.wad3 || command.rescale ||
         command.texture.conversion.dither || command.texture.conversion.allowFullbrights ||
         command.texture.seeThroughThreshold != defaults.seeThroughThreshold)) {
        return "--name, --mask, --wad3, --rescale, --dither, --fullbrights and --threshold are "
               "for add";
    }
    if (command.verb == "extract" && command.output.empty()) {
        return "extract needs -o FILE";
    }
    return {};
}

}  // namespace

ParsedWadCommand ParseWadArguments(std::span<const std::string> arguments) {
    ParsedWadCommand parsed;
    WadCommand& command = parsed.command;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size() && parsed.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            words.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else {
            parsed.error = ParseOption(arguments, i, command);
        }
    }
    if (!parsed.error.empty() || command.help || command.version) {
        return parsed;
    }
    const Verb* verb = words.empty() ? nullptr : FindVerb(words[0]);
    if (verb == nullptr) {
        parsed.error = words.empty() ? "no command given" : "unknown command " + words[0];
        return parsed;
    }
    command.verb = verb->name;
    if (words.size() != verb->operands + 2) {
        parsed.error = "usage: " + std::string(kWadProgramName) + " " + std::string(verb->usage);
        return parsed;
    }
    command.wad = words[1];
    command.operands.assign(words.begin() + 2, words.end());
    if (!command.output.empty() && !imageio::FindSaveFormat(command.output)) {
        parsed.error = command.output + ": unsupported output type (use .png, .tga, .bmp or .jpg)";
    } else {
        parsed.error = MisplacedOption(command);
    }
    return parsed;
}

std::string WadUsageText() {
    std::string text;
    for (const Verb& verb : kVerbs) {
        text += (text.empty() ? "Usage: " : "       ") + std::string(kWadProgramName) + " " +
                std::string(verb.usage) + "\n";
    }
    text +=
        "\n"
        "Lists and edits the textures of a Quake WAD2 or Half-Life WAD3 file. Names are\n"
        "matched without regard to case. An edited WAD is written whole beside the old\n"
        "one and renamed into place, so a failure leaves the old file as it was; lumps\n"
        "that are not edited keep their bytes.\n\n"
        "  list      one line per lump: name, type, size in bytes, and a texture's size\n"
        "  extract   writes a texture's full-size picture (.png, .tga, .bmp or .jpg); in a\n"
        "            see-through texture (name starting with {) colour 255 is transparent\n"
        "  remove    removes a texture or lump\n"
        "  rename    renames a texture or lump\n"
        "  add       adds PICTURE (any file the Open buttons read) as a texture, or replaces\n"
        "            the texture of the same name; makes the WAD when it is missing. Its\n"
        "            four mip levels are averaged in linear light. WAD2 textures use the\n"
        "            Quake palette beside the program, WAD3 textures get their own.\n\n"
        "Options of add:\n"
        "      --name NAME     the texture's name (default: from the picture's file name):\n"
        "                      at most 15 characters of ASCII without spaces; * liquid,\n"
        "                      +0..+9 and +a..+j animation frames, sky, { see-through\n"
        "      --wad3          make a new WAD a WAD3 (an existing WAD keeps its kind)\n"
        "      --mask FILE     where a { texture is see-through (default: the picture's alpha)\n"
        "      --threshold N   mask values below N (1 to 255, default 128) are see-through\n"
        "      --rescale       rescale sides that are not multiples of 16 to the nearest\n"
        "      --dither        Floyd-Steinberg dithering\n"
        "      --fullbrights   allow the Quake palette's fullbright colours 224 to 254\n"
        "  -o, --output FILE   extract: the picture to write\n"
        "  -h, --help          show this help and exit\n"
        "  -V, --version       show the version and exit\n\n"
        "Exit status:\n"
        "   0  done\n"
        "  64  the command line is wrong, or a name breaks the game's rules or is taken\n"
        "  65  the picture could not be converted or rescaled\n"
        "  66  the WAD or the picture is missing, unreadable or damaged, or has no such texture\n"
        "  67  the picture is not a multiple of 16 pixels wide and high (see --rescale)\n"
        "  69  Quake palette conversion is not available (palette file missing or wrong)\n"
        "  73  the WAD or the picture could not be written\n";
    return text;
}

int RunWad(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    const std::string name(kWadProgramName);
    const ParsedWadCommand parsed = ParseWadArguments(arguments);
    if (!parsed.error.empty()) {
        err << name << ": " << parsed.error << "\nTry '" << name << " --help'.\n";
        return kExitUsage;
    }
    if (parsed.command.help) {
        out << WadUsageText();
        return kExitSuccess;
    }
    if (parsed.command.version) {
        out << name << ' ' << kVersion << '\n';
        return kExitSuccess;
    }
    const Failure failure = Run(parsed.command, out, err);
    if (failure.code != kExitSuccess) {
        err << name << ": " << failure.message << '\n';
    }
    return failure.code;
}

}  // namespace orrisbay::cli
