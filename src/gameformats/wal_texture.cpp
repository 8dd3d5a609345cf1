#include "gameformats/wal_texture.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "console/text.h"
#include "gameformats/texture_maker.h"

namespace orrisbay::gameformats {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTexturesFolder = "textures";
// The name the WAD2 maker is given: it decides only the WAD's naming rules and
// see-through ('{') textures, neither of which a .wal has.
constexpr std::string_view kPlainWadName = "wal";

bool IsPrintableWithoutSpace(char c) {
    return c > ' ' && c <= '~';
}

Problem WithPath(Problem problem, const std::string& path) {
    problem.path = path;
    return problem;
}

}  // namespace

std::string WalNameForPath(const std::string& outputPath) {
    std::error_code error;
    fs::path path = fs::absolute(fs::path(outputPath), error);
    if (error) {
        path = outputPath;
    }
    path = path.lexically_normal();
    const std::vector<fs::path> parts(path.begin(), path.end());
    const std::string stem = path.stem().string();
    // Every part but the last is a folder; the innermost "textures" counts,
    // in any case ("Textures" on a case-insensitive disk is the same folder).
    for (std::size_t i = parts.empty() ? 0 : parts.size() - 1; i-- > 0;) {
        if (console::LowerCase(parts[i].string()) == kTexturesFolder) {
            std::string name;
            for (std::size_t j = i + 1; j + 1 < parts.size(); ++j) {
                name += parts[j].string() + "/";
            }
            return name + stem;
        }
    }
    return stem;
}

Result<std::string> CheckWalName(std::string_view name) {
    const std::string quoted = console::Quoted(name);
    if (name.empty()) {
        return Fail(ProblemKind::BreaksGameRule, "a texture needs a name");
    }
    if (name.size() > kMaxWalNameLength) {
        return Fail(ProblemKind::BreaksGameRule,
                    quoted + " has " + std::to_string(name.size()) +
                        " characters; a .wal holds names of at most 31");
    }
    if (!std::all_of(name.begin(), name.end(), IsPrintableWithoutSpace)) {
        return Fail(ProblemKind::BreaksGameRule,
                    quoted +
                        ": texture names are letters, digits and punctuation of plain ASCII, "
                        "without spaces");
    }
    return std::string(name);
}

Result<WalTexture> MakeWalTexture(const FIBITMAP* fullColour, const WalOptions& options,
                                  const quake_palette::Palette& palette) {
    if (fullColour == nullptr) {
        return Fail(ProblemKind::Failed, "there is no texture to convert");
    }
    Result<std::string> name = CheckWalName(options.name);
    if (!name) {
        return name.problem();
    }
    if (!options.fields.nextFrame.empty()) {
        if (Result<std::string> next = CheckWalName(options.fields.nextFrame); !next) {
            return next.problem();
        }
    }
    TextureOptions conversion;
    conversion.conversion = options.conversion;
    conversion.glow = options.glow;
    Result<MipTexture> made =
        MakeMipTexture(fullColour, nullptr, kPlainWadName, WadKind::Wad2, conversion, palette);
    if (!made) {
        return Forward<WalTexture>(std::move(made));
    }
    return WalTexture{.name = std::move(*name),
                      .width = made->width,
                      .height = made->height,
                      .mips = std::move(made->mips),
                      .nextFrame = options.fields.nextFrame,
                      .flags = options.fields.flags,
                      .contents = options.fields.contents,
                      .value = options.fields.value};
}

Result<WalTexture> WriteWalTexture(const FIBITMAP* fullColour, const std::string& path,
                                   WalOptions options, const quake_palette::Palette& palette) {
    if (options.name.empty()) {
        options.name = WalNameForPath(path);
    }
    Result<WalTexture> made = MakeWalTexture(fullColour, options, palette);
    if (!made) {
        return WithPath(made.problem(), path);
    }
    if (Result<void> written = WriteWalFile(path, *made); !written) {
        return Forward<WalTexture>(std::move(written));
    }
    return made;
}

}  // namespace orrisbay::gameformats
