#pragma once

#include <string>
#include <utility>

namespace orrisbay::gameformats {

// What stopped an operation on a WAD file or a WAD texture.
enum class WadProblem {
    None,
    Unreadable,        // the file cannot be read, or is no WAD at all
    Damaged,           // the file's directory or a texture header contradicts itself
    NoSuchLump,        // no lump has the name asked for
    NotATexture,       // the lump is not an uncompressed texture of the WAD's kind
    BadName,           // the name breaks one of the game's naming rules
    NameTaken,         // another lump already has the name
    BadPicture,        // no picture, or a mask that does not fit it
    NotWadSize,        // the sides are not multiples of 16
    ConversionFailed,  // the image library could not convert the picture
    NotWritten,        // the file could not be written or moved into place
};

// The outcome of an operation: true when it succeeded, otherwise the problem
// and a sentence for the user saying what is wrong.
struct WadStatus {
    WadProblem problem = WadProblem::None;
    std::string message;

    explicit operator bool() const { return problem == WadProblem::None; }
};

inline WadStatus WadFailure(WadProblem problem, std::string message) {
    return {problem, std::move(message)};
}

// A value, or the status saying why there is none.
template <typename T>
struct WadResult {
    T value{};
    WadStatus status;

    WadResult() = default;
    WadResult(T made) : value(std::move(made)) {}
    WadResult(WadStatus failed) : status(std::move(failed)) {}
    explicit operator bool() const { return static_cast<bool>(status); }
};

}  // namespace orrisbay::gameformats
