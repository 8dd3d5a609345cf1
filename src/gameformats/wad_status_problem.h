#pragma once

#include <string>

#include "console/result.h"
#include "gameformats/wad_status.h"

namespace orrisbay::gameformats {

// The problem a failed WAD operation on `path` reports, for code that returns
// Result; its message begins with `path` when it does not already.
inline Problem ProblemOf(const WadStatus& status, const std::string& path) {
    ProblemKind kind = ProblemKind::Failed;
    switch (status.problem) {
        case WadProblem::Unreadable:
            kind = ProblemKind::Unreadable;
            break;
        case WadProblem::Damaged:
            kind = ProblemKind::Damaged;
            break;
        case WadProblem::NoSuchLump:
        case WadProblem::NotATexture:
            kind = ProblemKind::NotFound;
            break;
        case WadProblem::BadName:
        case WadProblem::NameTaken:
            kind = ProblemKind::BreaksGameRule;
            break;
        case WadProblem::NotWadSize:
            kind = ProblemKind::NotOnGrid;
            break;
        case WadProblem::NotWritten:
            kind = ProblemKind::CannotWrite;
            break;
        case WadProblem::None:
        case WadProblem::BadPicture:
        case WadProblem::ConversionFailed:
            break;
    }
    const bool named = status.message.starts_with(path + ":");
    return Fail(kind, named ? status.message : path + ": " + status.message, path);
}

}  // namespace orrisbay::gameformats
