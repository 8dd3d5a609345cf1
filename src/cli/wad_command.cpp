#include "cli/wad_command.h"

#include <FreeImage.h>

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
    const std::string name =
        command.name.empty() ? gameformats::TextureNameFromFileName(file) : command.name;
    if (const auto checked = gameformats::CheckTextureName(name, WadKind::Wad2); !checked) {
        return {kExitUsage, checked.status.message};
    }
    Bitmap picture, mask;
    if (Failure failure = LoadPicture(file, picture); failure.code != kExitSuccess) {
        return failure;
    }
    if (Failure failure = LoadMask(command, picture.get(), mask); failure.code != kExitSuccess) {
        return failure;
    }
    if (Failure failure = FitTheGrid(command, picture, mask); failure.code != kExitSuccess) {
        return failure;
    }
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

}  // namespace

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
