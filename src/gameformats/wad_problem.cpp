#include "gameformats/wad_problem.h"

namespace orrisbay::gameformats {
namespace {

ProblemKind KindOf(WadProblem problem) {
    switch (problem) {
        case WadProblem::Unreadable:
            return ProblemKind::Unreadable;
        case WadProblem::Damaged:
            return ProblemKind::Damaged;
        case WadProblem::NoSuchLump:
        case WadProblem::NotATexture:
            return ProblemKind::NotFound;
        case WadProblem::BadName:
        case WadProblem::NameTaken:
            return ProblemKind::BreaksGameRule;
        case WadProblem::NotWadSize:
            return ProblemKind::NotOnGrid;
        case WadProblem::NotWritten:
            return ProblemKind::CannotWrite;
        case WadProblem::None:
        case WadProblem::BadPicture:
        case WadProblem::ConversionFailed:
            break;
    }
    return ProblemKind::Failed;
}

}  // namespace

Problem ProblemOf(const WadStatus& status, const std::string& path) {
    return Fail(KindOf(status.problem), status.message, path);
}

}  // namespace orrisbay::gameformats
