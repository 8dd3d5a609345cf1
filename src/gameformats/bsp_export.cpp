#include "gameformats/bsp_export.h"

#include <filesystem>

#include "console/text.h"
#include "gameformats/texture_match.h"

namespace orrisbay::gameformats {
namespace {

using console::Quoted;

std::string SizeText(unsigned width, unsigned height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

std::string SizeText(const FIBITMAP* bitmap) {
    return SizeText(freeimage_base::Width(bitmap), freeimage_base::Height(bitmap));
}

// A map read whole, with the texture to replace found stored in it.
struct MapTarget {
    BspFile map;
    BspTexture entry;  // a copy: laying the map out anew moves its entries
    WadKind kind = WadKind::Wad2;
};

// The checks before anything is asked or made: the map read and sound, the
// texture `name` stored in it, and the game's palette for a Quake map (a
// Half-Life texture brings a palette of its own).
Result<MapTarget> OpenMap(const std::string& path, const std::string& name,
                          const std::optional<quake_palette::Palette>& palette) {
    if (name.empty()) {
        return Fail(ProblemKind::WrongUsage, path + ": no texture of the map was named to replace",
                    path);
    }
    Result<BspFile> map = ReadBspFile(path);
    if (!map) {
        return map.problem();
    }
    if (const Result<MipTexture> stored = StoredBspTexture(*map, name, path); !stored) {
        return stored.problem();
    }
    MapTarget target{std::move(*map), {}, WadKind::Wad2};
    target.entry = *FindBspTexture(target.map, name);
    target.kind = TextureKindOf(target.map.version);
    if (target.kind == WadKind::Wad2 && !palette) {
        return Fail(ProblemKind::NoPalette, std::string(quake_palette::kUnavailableMessage), path);
    }
    return target;
}

// What stops the picture before any conversion, or nothing.
Result<void> CheckPicture(const FIBITMAP* fullColour, const FIBITMAP* coverage,
                          const std::string& path) {
    if (fullColour == nullptr) {
        return Fail(ProblemKind::NothingToWrite, "there is no texture to put into the map", path);
    }
    if (coverage != nullptr && SizeText(coverage) != SizeText(fullColour)) {
        return Fail(ProblemKind::ConversionFailed,
                    "the see-through mask is " + SizeText(coverage) + " but the texture is " +
                        SizeText(fullColour),
                    path);
    }
    return {};
}

// Makes the texture of the map's kind and puts it in place of the entry's,
// writing the map unless it held these very pixels already.
Result<BspTextureChange> PutIntoMap(MapTarget& target, const FIBITMAP* fullColour,
                                    const FIBITMAP* coverage, const TextureOptions& options,
                                    bool allowResize,
                                    const std::optional<quake_palette::Palette>& palette,
                                    const std::string& path) {
    const BspTexture& entry = target.entry;
    const unsigned width = freeimage_base::Width(fullColour);
    const unsigned height = freeimage_base::Height(fullColour);
    const quake_palette::Palette game = palette.value_or(quake_palette::Palette{});
    if (ShowsTexture(fullColour, coverage, options.seeThroughThreshold,
                     DecodeBspTexture(target.map, entry), target.kind, game)) {
        return BspTextureChange{entry.name, entry.width, entry.height, width, height, false};
    }
    if (Result<void> fits = CheckResize(entry, width, height, allowResize, path); !fits) {
        return fits.problem();
    }
    const Result<MipTexture> made =
        MakeMipTexture(fullColour, coverage, entry.name, target.kind, options, game);
    if (!made) {
        return Fail(made.problem().kind, path + ": " + ReasonOf(made.problem()), path);
    }
    Result<BspTextureChange> change =
        ReplaceBspTexture(target.map, entry.name, *made, allowResize, path);
    if (change && change->changed) {
        if (Result<void> written = WriteBspFile(path, target.map); !written) {
            return written.problem();
        }
    }
    if (change && IsSeeThroughName(entry.name) && coverage == nullptr) {
        change.Warn(Quoted(entry.name) +
                    " is a see-through name, but the picture has no alpha: nothing is "
                    "see-through");
    }
    return change;
}

bool SameSize(const FIBITMAP* picture, const BspTexture& entry) {
    return freeimage_base::Width(picture) == entry.width &&
           freeimage_base::Height(picture) == entry.height;
}

// The texture made to fit the entry it replaces: rescaled to its size when
// agreed, else refused; with `allowResize` of any size on the 16-pixel grid.
Result<void> FitToMap(OutgoingTexture& texture, const MapTarget& target, bool allowResize,
                      bool rescale, const std::string& path) {
    if (allowResize) {
        return FitToGrid(texture, true, rescale, GameName(target.kind));
    }
    if (SameSize(texture.colour, target.entry)) {
        return {};
    }
    if (!rescale) {
        return CheckResize(target.entry, freeimage_base::Width(texture.colour),
                           freeimage_base::Height(texture.colour), false, path);
    }
    return RescaleTo(texture, static_cast<int>(target.entry.width),
                     static_cast<int>(target.entry.height));
}

// The question offering the map's texture's size.
RescaleQuestion MapSizeQuestion(const FIBITMAP* picture, const BspTexture& entry,
                                const std::string& path) {
    const std::string size = SizeText(entry.width, entry.height);
    return {static_cast<int>(freeimage_base::Width(picture)),
            static_cast<int>(freeimage_base::Height(picture)), true,
            Quoted(entry.name) + " in " + std::filesystem::path(path).filename().string() + " is " +
                size + ", the size its faces were laid out for, and this texture is " +
                SizeText(picture) + ". Rescale it to " + size + "?"};
}

}  // namespace

Result<BspTextureChange> ExportToMap(const FIBITMAP* fullColour, const FIBITMAP* coverage,
                                     const MapTextureRequest& request,
                                     const std::optional<quake_palette::Palette>& palette) {
    Result<MapTarget> target = OpenMap(request.path, request.textureName, palette);
    if (!target) {
        return target.problem();
    }
    if (Result<void> checked = CheckPicture(fullColour, coverage, request.path); !checked) {
        return checked.problem();
    }
    return PutIntoMap(*target, fullColour, coverage, request.options, request.allowResize, palette,
                      request.path);
}

Result<ExportWritten> ExportMapTexture(OutgoingTexture texture, const ExportRequest& request,
                                       const std::optional<quake_palette::Palette>& palette,
                                       const ExportAnswers& answers) {
    const std::string& path = request.path;
    Result<MapTarget> target = OpenMap(path, request.textureName, palette);
    if (!target) {
        return target.problem();
    }
    if (Result<void> checked = CheckPicture(texture.colour, texture.coverage, path); !checked) {
        return checked.problem();
    }
    if (Result<void> fitted =
            FitToMap(texture, *target, request.allowResize, answers.rescaleToGrid, path);
        !fitted) {
        return fitted.problem();
    }
    Result<BspTextureChange> change =
        PutIntoMap(*target, texture.colour, texture.coverage,
                   {request.conversion, request.seeThroughThreshold, texture.glow},
                   request.allowResize, palette, path);
    if (!change) {
        return Forward<ExportWritten>(std::move(change));
    }
    Result<ExportWritten> written(ExportWritten{{}, *change});
    return std::move(written.WarnFirst(change.warnings()));
}

Result<std::vector<ExportQuestion>> MapQuestions(
    const FIBITMAP* fullColour, const ExportRequest& request,
    const std::optional<quake_palette::Palette>& palette) {
    const Result<MapTarget> target = OpenMap(request.path, request.textureName, palette);
    if (!target) {
        return target.problem();
    }
    std::vector<ExportQuestion> questions;
    if (fullColour == nullptr) {
        return questions;
    }
    std::optional<RescaleQuestion> rescale;
    if (request.allowResize) {
        rescale = GridQuestion(fullColour, true, GameName(target->kind));
    } else if (!SameSize(fullColour, target->entry)) {
        rescale = MapSizeQuestion(fullColour, target->entry, request.path);
    }
    if (rescale) {
        questions.push_back({ExportQuestion::About::RescaleToGrid, request.path, target->entry.name,
                             std::move(*rescale)});
    }
    return questions;
}

}  // namespace orrisbay::gameformats
