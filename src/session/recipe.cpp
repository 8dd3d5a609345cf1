// The recipe model and its writing: keys in a fixed order, values quoted by
// toml++, files replaced atomically.
#include "session/recipe.h"

#include <toml++/toml.h>

#include <algorithm>
#include <sstream>

#include "console/text.h"
#include "imageio/image_writer.h"
#include "session/file_text.h"

namespace orrisbay::session {
namespace {

std::string Quoted(const std::string& text) {
    std::ostringstream out;
    out << toml::value<std::string>(text);
    return out.str();
}

void AddLine(std::string& text, std::string_view key, const std::string& value) {
    if (!value.empty()) {
        text += std::string(key) + " = " + Quoted(value) + "\n";
    }
}

// The options in the table's order, so a written recipe reads the same way each time.
void AddOptions(std::string& text, const RecipeOptions& options) {
    for (const OptionRow& row : OptionRows()) {
        if (const auto found = options.find(row.key); found != options.end()) {
            text += std::string(row.key) + " = " + OptionValueText(found->second.value) + "\n";
        }
    }
}

std::string PicturesText(const PictureGroup& group) {
    std::string text = "[[pictures]]\n";
    AddLine(text, "files", group.files);
    AddLine(text, "output", group.output);
    AddOptions(text, group.options);
    return text;
}

Result<void> WriteText(const std::string& text, const std::string& path) {
    return imageio::WriteAtomically(reinterpret_cast<const BYTE*>(text.data()), text.size(), path);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool IsBlankOrComment(const std::string& line) {
    const std::string trimmed = console::TrimSpaces(line);
    return trimmed.empty() || trimmed.starts_with('#');
}

// `text` with its lines from `first` to `last` (0-based, both included)
// replaced by `replacement`.
std::string SpliceLines(const std::string& text, std::size_t first, std::size_t last,
                        const std::string& replacement) {
    const std::vector<std::string> lines = Lines(text);
    std::string spliced;
    for (std::size_t i = 0; i < first; ++i) {
        spliced += lines[i] + "\n";
    }
    spliced += replacement;
    for (std::size_t i = last + 1; i < lines.size(); ++i) {
        spliced += lines[i] + "\n";
    }
    return spliced;
}

// The recipe's text with `texture` in place of `old` (which begins at its
// header line and ends before the next table, comments and blank lines
// before that table left to it).
std::string ReplaceTexture(const std::string& text, const Recipe& recipe, const RecipeTexture& old,
                           const RecipeTexture& texture) {
    const std::size_t lineCount = Lines(text).size();
    const auto first = static_cast<std::size_t>(old.PlaceOf("").line - 1);
    const auto next = std::ranges::upper_bound(recipe.tableLines, old.PlaceOf("").line);
    std::size_t last =
        next == recipe.tableLines.end() ? lineCount - 1 : static_cast<std::size_t>(*next - 2);
    const std::vector<std::string> lines = Lines(text);
    while (last > first && IsBlankOrComment(lines[last])) {
        --last;
    }
    return SpliceLines(text, first, last, TextureText(texture));
}

}  // namespace

RecipePlace RecipeTexture::PlaceOf(std::string_view key) const {
    const auto found = places.find(key);
    return found != places.end()             ? found->second
           : places.find("") != places.end() ? places.at("")
                                             : RecipePlace{};
}

RecipePlace PictureGroup::PlaceOf(std::string_view key) const {
    const auto found = places.find(key);
    return found != places.end()             ? found->second
           : places.find("") != places.end() ? places.at("")
                                             : RecipePlace{};
}

const RecipeTexture* Recipe::FindTexture(std::string_view name) const {
    const auto found = std::ranges::find(textures, name, &RecipeTexture::name);
    return found == textures.end() ? nullptr : &*found;
}

std::string TextureText(const RecipeTexture& texture) {
    std::string text = "[[texture]]\n";
    AddLine(text, "name", texture.name);
    for (std::size_t role = 0; role < kSourceRoles; ++role) {
        AddLine(text, kSourceKeys[role], texture.sources[role]);
    }
    AddLine(text, "output", texture.output);
    AddOptions(text, texture.options);
    return text;
}

std::string RecipeText(const Recipe& recipe) {
    std::string text;
    if (!recipe.defaults.empty()) {
        text += "[defaults]\n";
        AddOptions(text, recipe.defaults);
    }
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "\n" + text.
    const auto add = [&text](const std::string& part) {
        if (!text.empty()) {
            text += '\n';
        }
        text += part;
    };
    for (const RecipeTexture& texture : recipe.textures) {
        add(TextureText(texture));
    }
    for (const PictureGroup& group : recipe.pictures) {
        add(PicturesText(group));
    }
    return text;
}

Result<void> WriteRecipe(const Recipe& recipe) {
    return WriteText(RecipeText(recipe), recipe.path);
}

Result<void> PutTextureInRecipeFile(const std::string& path, const RecipeTexture& texture) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return WriteText(TextureText(texture), path);
    }
    Result<Recipe> recipe = ReadRecipe(path);
    if (!recipe) {
        return recipe.problem();
    }
    std::string text = ReadFileText(path).value_or(std::string());
    if (const RecipeTexture* old = recipe->FindTexture(texture.name)) {
        return WriteText(ReplaceTexture(text, *recipe, *old, texture), path);
    }
    if (!text.empty() && !text.ends_with('\n')) {
        text += '\n';
    }
    return WriteText(text + (text.empty() ? "" : "\n") + TextureText(texture), path);
}

}  // namespace orrisbay::session
