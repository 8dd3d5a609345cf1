// Reading a recipe with toml++: every key checked against what its table
// may hold, every value against what its key takes.
#include <toml++/toml.h>

#include <algorithm>
#include <numeric>

#include "session/file_text.h"
#include "session/recipe.h"

namespace orrisbay::session {
namespace {

constexpr std::array<std::string_view, 3> kTopKeys = {"defaults", "texture", "pictures"};
constexpr std::array<std::string_view, 2> kTextureKeys = {"name", "output"};
constexpr std::array<std::string_view, 2> kPicturesKeys = {"files", "output"};

bool IsTextureKey(std::string_view key) {
    return std::ranges::find(kTextureKeys, key) != kTextureKeys.end() ||
           std::ranges::find(kPicturesKeys, key) != kPicturesKeys.end() ||
           std::ranges::find(kSourceKeys, key) != kSourceKeys.end();
}

RecipePlace PlaceOf(const toml::source_region& region) {
    return {static_cast<int>(region.begin.line), static_cast<int>(region.begin.column)};
}

// The number of single-character edits from `a` to `b`.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string_view Nearest(std::string_view key, const std::vector<std::string_view>& known) {
    return *std::ranges::min_element(
        known, {}, [key](std::string_view candidate) { return EditDistance(key, candidate); });
}

// Reads the tables of one recipe, gathering every problem on the way.
class RecipeReader {
  public:
    explicit RecipeReader(const std::string& path) : path_(path) {}

    Result<Recipe> Read(std::string_view text) {
        toml::table root;
        try {
            root = toml::parse(text, std::string_view(path_));
        } catch (const toml::parse_error& error) {
            return Fail(ProblemKind::WrongUsage,
                        PlaceMessage(path_, PlaceOf(error.source()), {},
                                     "not a valid TOML file: " + std::string(error.description())),
                        path_);
        }
        Recipe recipe;
        recipe.path = path_;
        for (auto&& [key, node] : root) {
            ReadTopLevel(key, node, recipe);
            if (const toml::array* entries = node.as_array()) {
                for (const toml::node& entry : *entries) {
                    recipe.tableLines.push_back(PlaceOf(entry.source()).line);
                }
            } else {
                recipe.tableLines.push_back(PlaceOf(node.source()).line);
            }
        }
        std::ranges::sort(recipe.tableLines);
        if (!errors_.empty()) {
            return Fail(ProblemKind::WrongUsage, ErrorText(), path_);
        }
        return recipe;
    }

  private:
    void ReadTopLevel(const toml::key& key, const toml::node& node, Recipe& recipe) {
        if (key == "defaults") {
            if (const toml::table* table = TableOf(key, node)) {
                std::map<std::string, RecipePlace, std::less<>> ignored;
                for (auto&& [name, value] : *table) {
                    if (IsTextureKey(name.str())) {
                        Error(name.source(), name.str(),
                              "belongs to each [[texture]] or [[pictures]], not to [defaults]");
                    } else {
                        ReadKey(name, value, {}, recipe.defaults, ignored, nullptr);
                    }
                }
            }
        } else if (key == "texture" || key == "pictures") {
            const toml::array* entries = node.as_array();
            if (entries == nullptr || !entries->is_array_of_tables()) {
                Error(key.source(), key.str(),
                      "write each as [[" + std::string(key.str()) + "]], one table per entry");
                return;
            }
            for (const toml::node& entry : *entries) {
                if (key == "texture") {
                    recipe.textures.push_back(ReadTexture(*entry.as_table()));
                } else {
                    recipe.pictures.push_back(ReadPictures(*entry.as_table()));
                }
            }
        } else {
            UnknownKey(key, {kTopKeys.begin(), kTopKeys.end()});
        }
    }

    RecipeTexture ReadTexture(const toml::table& table) {
        RecipeTexture texture;
        texture.places[""] = PlaceOf(table.source());
        std::vector<std::string_view> known(kTextureKeys.begin(), kTextureKeys.end());
        known.insert(known.end(), kSourceKeys.begin(), kSourceKeys.end());
        for (auto&& [key, value] : table) {
            std::string* text = nullptr;
            if (key == "name") {
                text = &texture.name;
            } else if (key == "output") {
                text = &texture.output;
            } else if (const auto role = std::ranges::find(kSourceKeys, key.str());
                       role != kSourceKeys.end()) {
                text = &texture.sources[static_cast<std::size_t>(role - kSourceKeys.begin())];
            }
            ReadKey(key, value, known, texture.options, texture.places, text);
        }
        return texture;
    }

    PictureGroup ReadPictures(const toml::table& table) {
        PictureGroup group;
        group.places[""] = PlaceOf(table.source());
        const std::vector<std::string_view> known(kPicturesKeys.begin(), kPicturesKeys.end());
        for (auto&& [key, value] : table) {
            std::string* text = key == "files"    ? &group.files
                                : key == "output" ? &group.output
                                                  : nullptr;
            ReadKey(key, value, known, group.options, group.places, text);
        }
        return group;
    }

    // One key of a table: a text of the table's own (`text`, when not
    // null), else an option; `ownKeys` are the table's keys besides options.
    void ReadKey(const toml::key& key, const toml::node& value,
                 const std::vector<std::string_view>& ownKeys, RecipeOptions& options,
                 std::map<std::string, RecipePlace, std::less<>>& places, std::string* text) {
        places[std::string(key.str())] = PlaceOf(value.source());
        if (text != nullptr) {
            const auto* written = value.as_string();
            if (written == nullptr || written->get().empty()) {
                Error(value.source(), key.str(), "takes a file or texture name in quotes");
            } else {
                *text = written->get();
            }
            return;
        }
        const OptionRow* row = FindOption(key.str());
        if (row == nullptr) {
            std::vector<std::string_view> known = ownKeys;
            for (const OptionRow& option : OptionRows()) {
                known.push_back(option.key);
            }
            UnknownKey(key, known);
            return;
        }
        const std::optional<OptionValue> read = ValueOf(value);
        const std::string wrong = read ? row->check(*read) : "takes a single value";
        if (!wrong.empty()) {
            Error(value.source(), key.str(), wrong);
            return;
        }
        options[std::string(key.str())] = {*read, PlaceOf(value.source())};
    }

    static std::optional<OptionValue> ValueOf(const toml::node& node) {
        if (const auto* flag = node.as_boolean()) {
            return OptionValue(flag->get());
        }
        if (const auto* whole = node.as_integer()) {
            return OptionValue(whole->get());
        }
        if (const auto* real = node.as_floating_point()) {
            return OptionValue(real->get());
        }
        if (const auto* text = node.as_string()) {
            return OptionValue(text->get());
        }
        return std::nullopt;
    }

    const toml::table* TableOf(const toml::key& key, const toml::node& node) {
        const toml::table* table = node.as_table();
        if (table == nullptr) {
            Error(key.source(), key.str(), "write it as a table, [" + std::string(key.str()) + "]");
        }
        return table;
    }

    void UnknownKey(const toml::key& key, const std::vector<std::string_view>& known) {
        Error(key.source(), key.str(),
              "unknown key (did you mean '" + std::string(Nearest(key.str(), known)) + "'?)");
    }

    void Error(const toml::source_region& where, std::string_view key, std::string text) {
        errors_.push_back({PlaceOf(where), PlaceMessage(path_, PlaceOf(where), key, text)});
    }

    // The problems one per line, in the order of the file.
    std::string ErrorText() {
        std::ranges::stable_sort(errors_, [](const auto& a, const auto& b) {
            return std::pair(a.first.line, a.first.column) <
                   std::pair(b.first.line, b.first.column);
        });
        std::string text;
        for (const auto& [place, line] : errors_) {
            text += (text.empty() ? "" : "\n") + line;
        }
        return text;
    }

    std::string path_;
    std::vector<std::pair<RecipePlace, std::string>> errors_;
};

}  // namespace

std::string_view SourceKey(SourceRole role) {
    return kSourceKeys[static_cast<std::size_t>(role)];
}

std::string PlaceMessage(const std::string& file, const RecipePlace& place, std::string_view key,
                         std::string_view text) {
    std::string message =
        file + ":" + std::to_string(place.line) + ":" + std::to_string(place.column) + ": ";
    if (!key.empty()) {
        message += std::string(key) + ": ";
    }
    return message + std::string(text);
}

Result<Recipe> ParseRecipe(std::string_view text, const std::string& path) {
    return RecipeReader(path).Read(text);
}

Result<Recipe> ReadRecipe(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        const bool missing = !std::filesystem::exists(path, error);
        return Fail(missing ? ProblemKind::Missing : ProblemKind::Unreadable,
                    path + (missing ? ": no such file" : ": not a recipe file"), path);
    }
    const std::optional<std::string> text = ReadFileText(path);
    if (!text) {
        return Fail(ProblemKind::Unreadable, path + ": cannot be read", path);
    }
    return ParseRecipe(*text, path);
}

}  // namespace orrisbay::session
