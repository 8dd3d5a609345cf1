#include "session/recipe_state.h"

#include <toml++/toml.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>

#include "imageio/image_writer.h"
#include "session/file_text.h"

namespace orrisbay::session {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeader =
    "# What orrisbay-build made from what, for building only what changed.\n"
    "# Delete this file to build every texture again.\n";

std::string HashText(ContentHash hash) {
    char text[17];
    const auto end = std::to_chars(text, text + 16, hash, 16).ptr;
    return std::string(16 - static_cast<std::size_t>(end - text), '0') + std::string(text, end);
}

std::optional<ContentHash> HashOf(const toml::node* node) {
    const auto* text = node ? node->as_string() : nullptr;
    if (text == nullptr || text->get().size() != 16) {
        return std::nullopt;
    }
    ContentHash hash = 0;
    const std::string& digits = text->get();
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + 16, hash, 16);
    return error == std::errc() && end == digits.data() + 16 ? std::optional(hash) : std::nullopt;
}

std::optional<std::string> TextOf(const toml::node* node) {
    const auto* text = node ? node->as_string() : nullptr;
    return text ? std::optional(text->get()) : std::nullopt;
}

std::optional<BuiltTexture> TextureOf(const toml::node& node) {
    const toml::table* table = node.as_table();
    if (table == nullptr) {
        return std::nullopt;
    }
    const auto name = TextOf(table->get("name"));
    const auto madeFrom = HashOf(table->get("made_from"));
    const auto lump = HashOf(table->get("lump"));
    const auto failure =
        table->contains("failed") ? TextOf(table->get("failed")) : std::optional<std::string>("");
    if (!name || !madeFrom || !lump || !failure) {
        return std::nullopt;
    }
    return BuiltTexture{*name, *madeFrom, *lump, *failure};
}

std::optional<BuiltOutput> OutputOf(const toml::node& node) {
    const toml::table* table = node.as_table();
    const auto path = table ? TextOf(table->get("path")) : std::nullopt;
    const auto file = table ? HashOf(table->get("file")) : std::nullopt;
    const toml::array* textures = table ? table->get_as<toml::array>("texture") : nullptr;
    if (!path || !file || textures == nullptr) {
        return std::nullopt;
    }
    BuiltOutput output{*path, *file, {}};
    for (const toml::node& entry : *textures) {
        auto texture = TextureOf(entry);
        if (!texture) {
            return std::nullopt;
        }
        output.textures.push_back(std::move(*texture));
    }
    return output;
}

std::optional<KnownSource> SourceOf(const toml::node& node) {
    const toml::table* table = node.as_table();
    const auto path = table ? TextOf(table->get("path")) : std::nullopt;
    const auto seen = table ? HashOf(table->get("seen")) : std::nullopt;
    const auto bytes = table ? HashOf(table->get("bytes")) : std::nullopt;
    if (!path || !seen || !bytes) {
        return std::nullopt;
    }
    return KnownSource{*path, *seen, *bytes};
}

std::optional<RecipeState> StateOf(const toml::table& root) {
    const auto program = TextOf(root.get("program"));
    const toml::array* outputs = root.get_as<toml::array>("output");
    const toml::array* sources = root.get_as<toml::array>("source");
    if (!program || (outputs == nullptr && root.contains("output")) ||
        (sources == nullptr && root.contains("source"))) {
        return std::nullopt;
    }
    RecipeState state{*program, {}, {}};
    for (const toml::node& entry : sources ? *sources : toml::array()) {
        auto source = SourceOf(entry);
        if (!source) {
            return std::nullopt;
        }
        state.sources.push_back(std::move(*source));
    }
    for (const toml::node& entry : outputs ? *outputs : toml::array()) {
        auto output = OutputOf(entry);
        if (!output) {
            return std::nullopt;
        }
        state.outputs.push_back(std::move(*output));
    }
    return state;
}

Result<RecipeState> Damaged(const fs::path& path, const std::string& why) {
    Result<RecipeState> empty(RecipeState{});
    empty.Warn(path.string() + ": " + why + "; building every texture again");
    return empty;
}

}  // namespace

const BuiltTexture* BuiltOutput::FindTexture(std::string_view name) const {
    const auto found = std::ranges::find(textures, name, &BuiltTexture::name);
    return found == textures.end() ? nullptr : &*found;
}

const BuiltOutput* RecipeState::FindOutput(std::string_view path) const {
    const auto found = std::ranges::find(outputs, path, &BuiltOutput::path);
    return found == outputs.end() ? nullptr : &*found;
}

const KnownSource* RecipeState::FindSource(std::string_view path) const {
    const auto found = std::ranges::find(sources, path, &KnownSource::path);
    return found == sources.end() ? nullptr : &*found;
}

fs::path StatePathOf(const fs::path& recipe) {
    fs::path state = recipe;
    state += ".state";
    return state;
}

Result<RecipeState> ReadRecipeState(const fs::path& path) {
    std::error_code error;
    if (!fs::exists(path, error)) {
        return RecipeState{};
    }
    const std::optional<std::string> read = ReadFileText(path);
    if (!read) {
        return Damaged(path, "cannot be read");
    }
    const std::string& text = *read;
    try {
        const toml::table root = toml::parse(text, std::string_view(path.string()));
        if (auto state = StateOf(root)) {
            return std::move(*state);
        }
        return Damaged(path, "is not a state file this program wrote");
    } catch (const toml::parse_error& failure) {
        return Damaged(path, "is damaged (" + std::string(failure.description()) + ")");
    }
}

std::string RecipeStateText(const RecipeState& state) {
    toml::array outputs;
    for (const BuiltOutput& output : state.outputs) {
        toml::array textures;
        for (const BuiltTexture& texture : output.textures) {
            toml::table entry{{"name", texture.name},
                              {"made_from", HashText(texture.madeFrom)},
                              {"lump", HashText(texture.lump)}};
            if (!texture.failure.empty()) {
                entry.insert("failed", texture.failure);
            }
            textures.push_back(std::move(entry));
        }
        outputs.push_back(toml::table{
            {"path", output.path}, {"file", HashText(output.file)}, {"texture", textures}});
    }
    toml::array sources;
    for (const KnownSource& source : state.sources) {
        sources.push_back(toml::table{{"path", source.path},
                                      {"seen", HashText(source.seen)},
                                      {"bytes", HashText(source.bytes)}});
    }
    toml::table root{{"program", state.program}};
    if (!outputs.empty()) {
        root.insert("output", std::move(outputs));
    }
    if (!sources.empty()) {
        root.insert("source", std::move(sources));
    }
    std::ostringstream text;
    text << kHeader << "\n" << root << "\n";
    return text.str();
}

Result<void> WriteRecipeState(const RecipeState& state, const fs::path& path) {
    const std::string text = RecipeStateText(state);
    if (ReadFileText(path) == text) {
        return {};
    }
    return imageio::WriteAtomically(reinterpret_cast<const BYTE*>(text.data()), text.size(), path);
}

}  // namespace orrisbay::session
