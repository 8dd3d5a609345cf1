#include "gameformats/texture_names.h"

#include <algorithm>
#include <array>

#include "console/text.h"
#include "gameformats/texture_rules.h"

namespace orrisbay::gameformats {
namespace {

bool IsPrintableWithoutSpace(char c) {
    return c > ' ' && c <= '~';
}

bool StartsWithoutCase(std::string_view name, std::string_view prefix) {
    return name.size() >= prefix.size() && SameLumpName(name.substr(0, prefix.size()), prefix);
}

// The frame number of an animation frame name: 0 to 9 for the main set,
// 10 to 19 for the alternate set "a" to "j"; -1 when `frame` is neither.
int FrameNumber(char frame) {
    const char lower = console::LowerCase(std::string_view(&frame, 1))[0];
    if (lower >= '0' && lower <= '9') {
        return lower - '0';
    }
    return lower >= 'a' && lower <= 'j' ? 10 + (lower - 'a') : -1;
}

bool IsAnimationName(std::string_view name) {
    return name.size() >= 3 && name[0] == '+' && FrameNumber(name[1]) >= 0;
}

// Letters (lower case), digits and the punctuation the game's prefixes and
// map files use; everything else becomes '_', one for a run.
constexpr std::string_view kKeptPunctuation = "_-+*{~!#$%&";

// The plain letters of U+00C0 to U+00FF ('?': none), and the two-letter ones.
constexpr std::string_view kLatinLetters =
    "aaaaaa?ceeeeiiiidnooooo?ouuuuy??aaaaaa?ceeeeiiiidnooooo?ouuuuy?y";

std::string LatinLetter(unsigned codePoint) {
    switch (codePoint) {
        case 0xC6:
        case 0xE6:
            return "ae";
        case 0xDE:
        case 0xFE:
            return "th";
        case 0xDF:
            return "ss";
        default:
            break;
    }
    const char plain =
        codePoint >= 0xC0 && codePoint <= 0xFF ? kLatinLetters[codePoint - 0xC0] : '?';
    return plain == '?' ? "_" : std::string(1, plain);
}

// `text` (UTF-8) with each character made one the name may hold.
std::string PlainNameCharacters(std::string_view text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::string piece;
        if (byte < 0x80) {
            const char lower = console::LowerCase(text.substr(i, 1))[0];
            const bool kept = (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9') ||
                              kKeptPunctuation.find(lower) != std::string_view::npos;
            piece = kept ? std::string(1, lower) : "_";
        } else {
            // A multi-byte character: its continuation bytes go with it.
            std::size_t end = i + 1;
            while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
                ++end;
            }
            const bool twoBytes = end == i + 2 && (byte == 0xC2 || byte == 0xC3);
            const unsigned codePoint =
                twoBytes ? ((byte & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu)
                         : 0;
            piece = LatinLetter(codePoint);
            i = end - 1;
        }
        if (piece == "_" && plain.ends_with('_')) {
            continue;
        }
        plain += piece;
    }
    return plain;
}

// A name longer than the game allows, shortened in its middle: a number at
// its end (with the separator before it) is kept, the start fills the rest.
std::string ShortenedKeepingNumber(const std::string& name) {
    std::size_t tail = name.size();
    while (tail > 0 && name[tail - 1] >= '0' && name[tail - 1] <= '9') {
        --tail;
    }
    if (tail < name.size() && tail > 0 && (name[tail - 1] == '_' || name[tail - 1] == '-')) {
        --tail;
    }
    const std::size_t kept = name.size() - tail;
    if (kept == 0 || kept >= kMaxTextureNameLength) {
        return name.substr(0, kMaxTextureNameLength);
    }
    std::string head = name.substr(0, kMaxTextureNameLength - kept);
    while (head.size() > 1 && (head.back() == '_' || head.back() == '-') &&
           (name[tail] == '_' || name[tail] == '-')) {
        head.pop_back();
    }
    return head + name.substr(tail);
}

std::string FrameName(int frame) {
    return std::string(1, static_cast<char>(frame < 10 ? '0' + frame : 'a' + frame - 10));
}

// The first missing frame of one set (frames `first` to `first + 9`), or -1.
int FirstGap(const std::array<bool, 20>& present, int first) {
    const auto begin = present.begin() + first, end = begin + 10;
    const auto last =
        std::find(std::make_reverse_iterator(end), std::make_reverse_iterator(begin), true);
    const auto gap = std::find(begin, last.base(), false);
    return gap == last.base() ? -1 : static_cast<int>(gap - present.begin());
}

Result<std::string> CheckName(std::string_view name, WadKind kind, std::string_view fromFile) {
    std::string quoted = console::Quoted(name);
    if (!fromFile.empty()) {
        quoted += " (from " + std::string(fromFile) + ")";
    }
    if (name.empty()) {
        return Fail(ProblemKind::BreaksGameRule, fromFile.empty()
                                                     ? "a texture needs a name"
                                                     : std::string(fromFile) + " gives no name");
    }
    if (name.size() > kMaxTextureNameLength) {
        return Fail(ProblemKind::BreaksGameRule, quoted + " has " + std::to_string(name.size()) +
                                                     " characters; texture names have at most 15");
    }
    if (!std::all_of(name.begin(), name.end(), IsPrintableWithoutSpace)) {
        return Fail(ProblemKind::BreaksGameRule,
                    quoted +
                        ": texture names are letters, digits and punctuation of "
                        "plain ASCII, without spaces");
    }
    if (name[0] == '+' && !IsAnimationName(name)) {
        return Fail(ProblemKind::BreaksGameRule,
                    quoted +
                        ": an animation frame is named + then its frame, 0 to 9 "
                        "(or a to j for the alternate set), then the name");
    }
    return kind == WadKind::Wad3 ? console::LowerCase(name) : std::string(name);
}

}  // namespace

Result<std::string> CheckTextureName(std::string_view name, WadKind kind,
                                     std::string_view fromFile) {
    Result<std::string> checked = CheckName(name, kind, fromFile);
    if (checked || fromFile.empty()) {
        return checked;
    }
    Problem problem = checked.problem();
    problem.message +=
        "; the nearest valid name is " + console::Quoted(NearestValidTextureName(name));
    return problem;
}

std::string NearestValidTextureName(std::string_view wanted) {
    std::string name = PlainNameCharacters(wanted);
    if (name.starts_with('+') && !IsAnimationName(name)) {
        name.erase(0, 1);
    }
    while (name.size() > 1 && name.back() == '_') {
        name.pop_back();
    }
    if (name.size() > kMaxTextureNameLength) {
        name = ShortenedKeepingNumber(name);
    }
    return name.empty() || name == "_" ? "texture" : name;
}

bool SameLumpName(std::string_view a, std::string_view b) {
    // Compared in place: lookups call this for every lump of a WAD.
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

std::string PrefixExplanation(std::string_view name, WadKind kind) {
    if (name.starts_with('*')) {
        return "Liquid: drawn with a wavy warp and without lighting. A brush of it is water, "
               "or slime or lava when the name starts with *slime or *lava.";
    }
    if (name.starts_with('+')) {
        return "Animation frame: +0 to +9 play in turn; +a to +j are the frames a button shows "
               "once pressed. The frames of a set must not have gaps.";
    }
    if (StartsWithoutCase(name, "sky")) {
        return kind == WadKind::Wad2
                   ? "Sky: 256 x 128, whose right half is the far sky and left half the "
                     "clouds drawn over it, black in them being see-through."
                   : "Sky: brushes with it show the map's sky instead of a texture.";
    }
    if (name.starts_with('{')) {
        return "See-through: pixels of colour 255 are not drawn, for grates, fences and leaves.";
    }
    return {};
}

bool IsGlowingPaletteName(std::string_view name) {
    return name.starts_with('~') || (IsAnimationName(name) && name[2] == '~');
}

std::string SkySizeWarning(std::string_view name, WadKind kind, unsigned width, unsigned height) {
    if (kind != WadKind::Wad2 || !StartsWithoutCase(name, "sky") ||
        (width == 256 && height == 128)) {
        return {};
    }
    return console::Quoted(name) + " is " + std::to_string(width) + " x " + std::to_string(height) +
           ", but the game draws a sky from a 256 x 128 texture split into two halves";
}

std::string AnimationGapWarning(const WadFile& wad, std::string_view name) {
    if (!IsAnimationName(name)) {
        return {};
    }
    const std::string_view base = name.substr(2);
    std::array<bool, 20> present{};
    for (const WadLump& lump : wad.lumps) {
        if (IsAnimationName(lump.name) &&
            SameLumpName(std::string_view(lump.name).substr(2), base)) {
            present[FrameNumber(lump.name[1])] = true;
        }
    }
    for (const int first : {0, 10}) {
        if (const int gap = FirstGap(present, first); gap >= 0) {
            return "the animation \"" + std::string(base) + "\" has no frame +" + FrameName(gap) +
                   ", and the game stops at a missing frame";
        }
    }
    return {};
}

}  // namespace orrisbay::gameformats
