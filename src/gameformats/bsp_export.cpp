#include "gameformats/bsp_export.h"

#include "console/text.h"
#include "gameformats/texture_match.h"

namespace orrisbay::gameformats {
namespace {

std::string SizeText(const FIBITMAP* bitmap) {
    return std::to_string(freeimage_base::Width(bitmap)) + " x " +
           std::to_string(freeimage_base::Height(bitmap));
}

// What stops the picture before any conversion, or nothing.
std::optional<Problem> PictureProblem(const FIBITMAP* fullColour, const FIBITMAP* coverage,
                                      const std::string& path) {
    if (fullColour == nullptr) {
        return Fail(ProblemKind::Failed, "there is no texture to put into the map", path);
    }
    if (coverage != nullptr && SizeText(coverage) != SizeText(fullColour)) {
        return Fail(ProblemKind::Failed,
                    "the see-through mask is " + SizeText(coverage) + " but the texture is " +
                        SizeText(fullColour),
                    path);
    }
    return std::nullopt;
}

}  // namespace

Result<BspTextureChange> ExportToMap(const FIBITMAP* fullColour, const FIBITMAP* coverage,
                                     const MapTextureRequest& request,
                                     const std::optional<quake_palette::Palette>& palette) {
    const std::string& path = request.path;
    Result<BspFile> map = ReadBspFile(path);
    if (!map) {
        return map.problem();
    }
    const Result<MipTexture> stored = StoredBspTexture(*map, request.textureName, path);
    if (!stored) {
        return stored.problem();
    }
    const WadKind kind = TextureKindOf(map->version);
    // A Half-Life texture brings a palette of its own.
    if (kind == WadKind::Wad2 && !palette) {
        return Fail(ProblemKind::NoPalette, std::string(quake_palette::kUnavailableMessage), path);
    }
    if (auto problem = PictureProblem(fullColour, coverage, path)) {
        return *problem;
    }
    const BspTexture entry = *FindBspTexture(*map, request.textureName);  // the map may move
    const unsigned width = freeimage_base::Width(fullColour);
    const unsigned height = freeimage_base::Height(fullColour);
    const BspTextureChange unchanged{entry.name, entry.width, entry.height, width, height, false};
    const quake_palette::Palette game = palette.value_or(quake_palette::Palette{});
    if (ShowsTexture(fullColour, coverage, request.options.seeThroughThreshold, *stored, kind,
                     game)) {
        return unchanged;
    }
    if (Result<void> fits = CheckResize(entry, width, height, request.allowResize, path); !fits) {
        return fits.problem();
    }
    const Result<MipTexture> made =
        MakeMipTexture(fullColour, coverage, entry.name, kind, request.options, game);
    if (!made) {
        return Fail(made.problem().kind, path + ": " + ReasonOf(made.problem()), path);
    }
    Result<BspTextureChange> change =
        ReplaceBspTexture(*map, entry.name, *made, request.allowResize, path);
    if (change && change->changed) {
        if (Result<void> written = WriteBspFile(path, *map); !written) {
            return written.problem();
        }
    }
    if (change && IsSeeThroughName(entry.name) && coverage == nullptr) {
        change.Warn(console::Quoted(entry.name) +
                    " is a see-through name, but the picture has no alpha: nothing is "
                    "see-through");
    }
    return change;
}

}  // namespace orrisbay::gameformats
