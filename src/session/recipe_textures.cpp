#include "session/recipe_textures.h"

#include <glob.h>

#include <algorithm>
#include <map>
#include <optional>
#include <system_error>
#include <unordered_map>

#include "console/text.h"
#include "gameformats/picture_input.h"
#include "gameformats/texture_names.h"
#include "gameformats/texture_rules.h"
#include "imageio/file_types.h"

namespace orrisbay::session {
namespace {

namespace fs = std::filesystem;
using gameformats::OutputKind;

constexpr std::array kBlendRoles = {SourceRole::Layer1, SourceRole::Layer2, SourceRole::Mask1,
                                    SourceRole::Mask2};
constexpr std::array kBlendOnlyRoles = {SourceRole::Layer1,  SourceRole::Layer2,
                                        SourceRole::Mask1,   SourceRole::Mask2,
                                        SourceRole::Height1, SourceRole::Height2};

// `folder` with glob's special characters escaped, so only the pattern matches.
std::string EscapedForGlob(const std::string& folder) {
    std::string escaped;
    for (const char c : folder) {
        if (c == '*' || c == '?' || c == '[' || c == '\\') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

// The picture files `pattern` matches under `folder`, sorted by name.
std::vector<fs::path> MatchingPictures(const fs::path& folder, const std::string& pattern) {
    const std::string full = fs::path(pattern).is_absolute() || folder.empty()
                                 ? pattern
                                 : EscapedForGlob(folder.string()) + "/" + pattern;
    glob_t found{};
    std::vector<fs::path> pictures;
    if (glob(full.c_str(), 0, nullptr, &found) == 0) {
        for (std::size_t i = 0; i < found.gl_pathc; ++i) {
            const fs::path path = fs::path(found.gl_pathv[i]).lexically_normal();
            std::error_code error;
            if (fs::is_regular_file(path, error) &&
                gameformats::IsInputPicturePath(path.string())) {
                pictures.push_back(path);
            }
        }
    }
    globfree(&found);
    return pictures;
}

// What is wrong with writing a texture to `output`; empty when nothing is.
std::string OutputProblem(const fs::path& output, const TextureSettings& settings) {
    switch (gameformats::OutputKindOf(output.string())) {
        case OutputKind::Unsupported:
            return "unsupported output type (use .wad, .bsp, .wal, .png, .tga, .bmp or .jpg)";
        case OutputKind::Map: {
            // A map is compiled, never made here: its texture is replaced in place.
            std::error_code error;
            return fs::is_regular_file(output, error)
                       ? std::string()
                       : output.filename().string() + ": no such map (compile it first)";
        }
        case OutputKind::Jpeg:
            return settings.toPalette ? "quake = true writes .png, .tga or .bmp; JPEG would lose "
                                        "the palette"
                                      : std::string();
        default:
            break;
    }
    return {};
}

// A texture on its way from the recipe, with where its keys were written.
struct Pending {
    SetTexture texture;
    RecipePlace place;                                       // where it begins
    std::map<std::string, RecipePlace, std::less<>> places;  // its own keys
    RecipeOptions own;                                       // its own options
    bool fromPattern = false;

    RecipePlace PlaceOf(std::string_view key) const {
        const auto found = places.find(key);
        return found == places.end() ? place : found->second;
    }
};

class Expander {
  public:
    explicit Expander(const Recipe& recipe)
        : recipe_(recipe), folder_(fs::path(recipe.path).parent_path()) {}

    Result<TextureSet> Expand() {
        for (const RecipeTexture& texture : recipe_.textures) {
            AddTexture(texture);
        }
        for (const PictureGroup& group : recipe_.pictures) {
            AddGroup(group);
        }
        std::ranges::stable_sort(pending_, {}, [](const Pending& p) { return p.place.line; });
        TextureSet set{recipe_.path, folder_, {}};
        for (Pending& texture : pending_) {
            Finish(texture);
        }
        CheckNamesTaken();
        if (!errors_.empty()) {
            std::string text = ErrorText();
            return Fail(errors_.front().kind, std::move(text), recipe_.path);
        }
        for (Pending& texture : pending_) {
            set.textures.push_back(std::move(texture.texture));
        }
        Result<TextureSet> result(std::move(set));
        for (std::string& warning : warnings_) {
            result.Warn(std::move(warning));
        }
        return result;
    }

  private:
    struct Error {
        RecipePlace place;
        ProblemKind kind;
        std::string message;
    };

    void Report(const RecipePlace& place, std::string_view key, ProblemKind kind,
                std::string_view text) {
        errors_.push_back({place, kind, PlaceMessage(recipe_.path, place, key, text)});
    }

    std::string Origin(const RecipePlace& place) const {
        return recipe_.path + ":" + std::to_string(place.line);
    }

    void AddTexture(const RecipeTexture& recipeTexture) {
        Pending pending{{}, recipeTexture.PlaceOf(""), recipeTexture.places, recipeTexture.options};
        SetTexture& texture = pending.texture;
        texture.name = recipeTexture.name;
        texture.origin = Origin(pending.place);
        if (!recipeTexture.output.empty()) {
            texture.output = (folder_ / recipeTexture.output).lexically_normal();
        }
        for (std::size_t role = 0; role < kSourceRoles; ++role) {
            if (!recipeTexture.sources[role].empty()) {
                texture.sources[role] = (folder_ / recipeTexture.sources[role]).lexically_normal();
            }
        }
        CheckSources(pending);
        pending_.push_back(std::move(pending));
    }

    // Every picture `group` matches: a texture of its own, or one an earlier
    // pattern made, whose options and output this group's override.
    void AddGroup(const PictureGroup& group) {
        const RecipePlace place = group.PlaceOf("");
        if (group.files.empty()) {
            Report(place, "files", ProblemKind::WrongUsage,
                   "a [[pictures]] entry needs a pattern, such as files = \"walls/*.png\"");
            return;
        }
        const std::vector<fs::path> pictures = MatchingPictures(folder_, group.files);
        if (pictures.empty()) {
            warnings_.push_back(PlaceMessage(recipe_.path, group.PlaceOf("files"), "files",
                                             "\"" + group.files + "\" matches no picture"));
        }
        for (const fs::path& picture : pictures) {
            Pending& pending = PendingForPicture(picture, place, group.PlaceOf("files"));
            for (const auto& [key, setting] : group.options) {
                pending.own.insert_or_assign(key, setting);
                pending.places.insert_or_assign(key, setting.place);
            }
            if (!group.output.empty()) {
                pending.texture.output = (folder_ / group.output).lexically_normal();
                pending.places.insert_or_assign("output", group.PlaceOf("output"));
            }
        }
    }

    Pending& PendingForPicture(const fs::path& picture, const RecipePlace& place,
                               const RecipePlace& filesPlace) {
        // Looked up by name: a set of a thousand pictures is not a million comparisons.
        const auto [found, added] = fromPatterns_.try_emplace(picture.native(), pending_.size());
        if (!added) {
            return pending_[found->second];
        }
        Pending& pending = pending_.emplace_back();
        pending.place = place;
        pending.fromPattern = true;
        pending.texture.name = gameformats::TextureNameFromFileName(picture.string());
        pending.texture.sources[static_cast<std::size_t>(SourceRole::Picture)] = picture;
        pending.texture.origin = Origin(place);
        pending.places.insert_or_assign("files", filesPlace);
        return pending;
    }

    void CheckSources(const Pending& pending) {
        const SetTexture& texture = pending.texture;
        if (texture.IsPlainPicture()) {
            for (const SourceRole role : kBlendOnlyRoles) {
                if (!texture.Source(role).empty()) {
                    Report(pending.PlaceOf(SourceKey(role)), SourceKey(role),
                           ProblemKind::WrongUsage,
                           "belongs to a blend; a texture has either picture or the four "
                           "pictures of a blend (layer1, layer2, mask1, mask2)");
                }
            }
        } else {
            for (const SourceRole role : kBlendRoles) {
                if (texture.Source(role).empty()) {
                    Report(pending.place, SourceKey(role), ProblemKind::WrongUsage,
                           "missing: a blend needs layer1, layer2, mask1 and mask2 (or give "
                           "picture for a plain picture)");
                }
            }
            if (!texture.Source(SourceRole::Mask).empty()) {
                Report(pending.PlaceOf("mask"), "mask", ProblemKind::WrongUsage,
                       "is a plain picture's see-through mask; a blend's come from its masks");
            }
        }
        for (std::size_t role = 0; role < kSourceRoles; ++role) {
            CheckSourceFile(pending, static_cast<SourceRole>(role));
        }
    }

    void CheckSourceFile(const Pending& pending, SourceRole role) {
        const fs::path& path = pending.texture.Source(role);
        if (path.empty()) {
            return;
        }
        const std::string_view key = SourceKey(role);
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (!fs::exists(status)) {
            Report(pending.PlaceOf(key), key, ProblemKind::Missing,
                   path.string() + ": no such file");
        } else if (!fs::is_regular_file(status)) {
            Report(pending.PlaceOf(key), key, ProblemKind::Unreadable,
                   path.string() + ": not a picture file");
        } else if (!gameformats::IsInputPicturePath(path.string())) {
            Report(pending.PlaceOf(key), key, ProblemKind::UnsupportedType,
                   path.string() +
                       ": unsupported file type (use .bmp, .gif, .jpg, .jpeg, .png, .tga "
                       "or .wal)");
        }
    }

    // Resolves the texture's settings and checks its name and output.
    void Finish(Pending& pending) {
        SetTexture& texture = pending.texture;
        for (const auto& [key, setting] : pending.own) {
            const OptionRow* row = FindOption(key);
            if (texture.IsPlainPicture() && row && (row->scope & kForPictures) == 0) {
                Report(setting.place, key, ProblemKind::WrongUsage,
                       "does not apply to a plain picture, which has no blend");
            }
        }
        const ResolvedSettings resolved = ResolveSettings(recipe_.defaults, pending.own, folder_);
        texture.settings = resolved.settings;
        texture.options = recipe_.defaults;
        for (const auto& [key, setting] : pending.own) {
            texture.options.insert_or_assign(key, setting);
        }
        if (!resolved.problem.empty()) {
            Report(pending.PlaceOf(resolved.problemKey), resolved.problemKey,
                   ProblemKind::WrongUsage, resolved.problem);
        }
        CheckPalette(pending);
        if (texture.output.empty()) {
            Report(pending.place, "output", ProblemKind::WrongUsage,
                   "missing: where the texture goes (a .wad, or a picture file)");
            return;
        }
        texture.outputKind = gameformats::OutputKindOf(texture.output.string());
        if (const std::string problem = OutputProblem(texture.output, texture.settings);
            !problem.empty()) {
            Report(pending.PlaceOf("output"), "output", ProblemKind::WrongUsage, problem);
            return;
        }
        CheckWalKeys(pending);
        CheckName(pending);
    }

    void CheckPalette(const Pending& pending) {
        const fs::path& palette = pending.texture.settings.palette;
        std::error_code error;
        if (!palette.empty() && !fs::is_regular_file(palette, error)) {
            const auto own = pending.own.find("palette");
            const RecipePlace place =
                own != pending.own.end() ? own->second.place : recipe_.defaults.at("palette").place;
            if (std::ranges::find(checkedPalettes_, palette) == checkedPalettes_.end()) {
                checkedPalettes_.push_back(palette);
                Report(place, "palette", ProblemKind::Missing, palette.string() + ": no such file");
            }
        }
    }

    // The .wal header's keys, given (or defaulted) for an output of another kind.
    void CheckWalKeys(const Pending& pending) {
        if (pending.texture.outputKind == OutputKind::Wal) {
            return;
        }
        for (const std::string_view key : {"wal_flags", "wal_contents", "wal_value", "wal_next"}) {
            if (pending.own.contains(key)) {
                Report(pending.PlaceOf(key), key, ProblemKind::WrongUsage,
                       "is for a .wal output, and this texture goes to " +
                           pending.texture.output.filename().string());
            }
        }
    }

    void CheckName(const Pending& pending) {
        const SetTexture& texture = pending.texture;
        if (texture.name.empty()) {
            Report(pending.place, "name", ProblemKind::WrongUsage, "missing: the texture's name");
            return;
        }
        if (texture.outputKind != OutputKind::Wad) {
            return;
        }
        const auto checked =
            gameformats::CheckTextureName(texture.name, texture.settings.newWadKind);
        if (!checked) {
            const std::string_view key = pending.fromPattern ? "files" : "name";
            Report(pending.PlaceOf(key), key, ProblemKind::BreaksGameRule,
                   checked.problem().message);
        }
    }

    // Two textures of one name in one WAD, or two of one picture file; an
    // output that is also a source, which would be read while written.
    void CheckNamesTaken() {
        std::map<fs::path, std::string> sources;
        for (const Pending& pending : pending_) {
            for (const fs::path& source : pending.texture.sources) {
                if (!source.empty()) {
                    sources.try_emplace(source, pending.texture.origin);
                }
            }
        }
        std::map<std::pair<std::string, std::string>, std::string> taken;
        for (const Pending& pending : pending_) {
            const SetTexture& texture = pending.texture;
            if (texture.output.empty() || texture.name.empty()) {
                continue;
            }
            if (const auto source = sources.find(texture.output); source != sources.end()) {
                Report(pending.PlaceOf("output"), "output", ProblemKind::WrongUsage,
                       texture.output.string() + " is a source of a texture (" + source->second +
                           ") and cannot be an output too");
                continue;
            }
            // A WAD and a map hold many textures, each of its own name.
            const bool wad =
                texture.outputKind == OutputKind::Wad || texture.outputKind == OutputKind::Map;
            const std::pair key(texture.output.string(),
                                wad ? console::LowerCase(texture.name) : std::string());
            const auto [first, inserted] = taken.try_emplace(key, texture.origin);
            if (!inserted) {
                Report(pending.PlaceOf(pending.fromPattern ? "files" : "name"),
                       pending.fromPattern ? "files" : "name", ProblemKind::BreaksGameRule,
                       wad ? "\"" + texture.name + "\" is in " + texture.output.string() +
                                 " already (" + first->second + ")"
                           : texture.output.string() + " is written by another texture already (" +
                                 first->second + ")");
            }
        }
    }

    std::string ErrorText() {
        std::ranges::stable_sort(errors_, [](const Error& a, const Error& b) {
            return std::pair(a.place.line, a.place.column) <
                   std::pair(b.place.line, b.place.column);
        });
        std::string text;
        for (const Error& error : errors_) {
            text += (text.empty() ? "" : "\n") + error.message;
        }
        return text;
    }

    const Recipe& recipe_;
    fs::path folder_;
    std::vector<Pending> pending_;
    // The textures patterns made, by their picture's path: indices into pending_.
    std::unordered_map<std::string, std::size_t> fromPatterns_;
    std::vector<Error> errors_;
    std::vector<std::string> warnings_;
    std::vector<fs::path> checkedPalettes_;
};

}  // namespace

Result<TextureSet> ExpandRecipe(const Recipe& recipe) {
    return Expander(recipe).Expand();
}

}  // namespace orrisbay::session
