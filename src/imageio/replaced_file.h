#pragma once

#include <filesystem>
#include <string>

namespace orrisbay::imageio {

// Where a write to a path really lands, and what the file there had set up.
//
// A path that is a symbolic link is followed to its final target, so the link
// stays and the file it points at is replaced. When that file exists, its
// permission bits, owner and group are remembered so the replacement gets
// them too. A link that points nowhere names the new file's place, as long as
// that place's folder exists.
struct ReplacedFile {
    std::filesystem::path file;  // the path to write, links followed
    bool existed = false;
    unsigned mode = 0;  // permission bits (set-id and sticky included)
    unsigned owner = 0;
    unsigned group = 0;
    std::string error;  // why the path cannot be written; empty when it can
};

// The system's words for the error number `error`.
std::string ErrnoText(int error);

ReplacedFile FindReplacedFile(const std::filesystem::path& path);

// Why the process may not replace `replaced`, asked of the system before
// anything is written: the file (when it exists) must be one the process
// could open for writing, and its folder one it may make files in. Empty
// when it may; otherwise "it is read-only (REASON)" or "its folder DIR
// cannot be written to (REASON)".
std::string WriteAccessProblem(const ReplacedFile& replaced);

// Gives the open file `descriptor` the owner, group and permission bits the
// replaced file had. The owner and group are kept where the process may set
// them; false (with errno set) only when the permission bits could not be set.
bool KeepOwnerAndMode(int descriptor, const ReplacedFile& replaced);

}  // namespace orrisbay::imageio
