#pragma once

#include <string>

namespace orrisbay::session {

// The inputs of a texture: the four slots of the merge (0 and 1 the colour
// layers, 2 and 3 their masks), then the height maps of layers 1 and 2, then
// the glow mask, which is no part of the merge but says where the texture
// glows once converted.
inline constexpr int kSlotInputs = 4;
inline constexpr int kHeightMap1 = 4;
inline constexpr int kHeightMap2 = 5;
inline constexpr int kGlowMask = 6;
inline constexpr int kInputCount = 7;

// Where an input's picture came from.
struct InputSource {
    enum class Kind { None, BuiltIn, Clipboard, WadTexture, File };
    Kind kind = Kind::None;
    std::string path;         // File: the file; WadTexture: the WAD it came from
    std::string textureName;  // WadTexture: the texture's name

    static InputSource BuiltIn() { return {Kind::BuiltIn, {}, {}}; }
    static InputSource Clipboard() { return {Kind::Clipboard, {}, {}}; }
    static InputSource File(std::string path) { return {Kind::File, std::move(path), {}}; }
    static InputSource WadTexture(std::string name, std::string wad) {
        return {Kind::WadTexture, std::move(wad), std::move(name)};
    }
    bool IsFile() const { return kind == Kind::File; }
};

}  // namespace orrisbay::session
