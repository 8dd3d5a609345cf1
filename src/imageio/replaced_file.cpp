#include "imageio/replaced_file.h"

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orrisbay::imageio {

namespace fs = std::filesystem;

std::string ErrnoText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

#ifdef _WIN32

ReplacedFile FindReplacedFile(const fs::path& path) {
    ReplacedFile replaced;
    replaced.file = path;
    return replaced;
}

std::string WriteAccessProblem(const ReplacedFile&) {
    return {};
}

bool KeepOwnerAndMode(int, const ReplacedFile&) {
    return true;
}

#else

namespace {

// As many links as the system itself follows before giving up (ELOOP).
constexpr int kMostLinksFollowed = 40;

ReplacedFile NewFile(const fs::path& file) {
    ReplacedFile replaced;
    replaced.file = file;
    return replaced;
}

ReplacedFile Refused(const fs::path& file, std::string why) {
    ReplacedFile replaced = NewFile(file);
    replaced.error = std::move(why);
    return replaced;
}

}  // namespace

ReplacedFile FindReplacedFile(const fs::path& path) {
    fs::path file = path;
    for (int followed = 0; followed <= kMostLinksFollowed; ++followed) {
        struct stat status {};
        if (lstat(file.c_str(), &status) != 0) {
            if (errno != ENOENT) {
                return Refused(file, ErrnoText(errno));
            }
            // Nothing there: a new file, written in place of the dangling link.
            const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
            std::error_code error;
            if (followed > 0 && !fs::is_directory(folder, error)) {
                return Refused(file, "the link " + path.string() + " points to " + file.string() +
                                         ", in a folder that does not exist");
            }
            return NewFile(file);
        }
        if (!S_ISLNK(status.st_mode)) {
            ReplacedFile replaced = NewFile(file);
            replaced.existed = true;
            replaced.mode = status.st_mode & 07777U;
            replaced.owner = status.st_uid;
            replaced.group = status.st_gid;
            return replaced;
        }
        std::error_code error;
        const fs::path target = fs::read_symlink(file, error);
        if (error) {
            return Refused(file, error.message());
        }
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return Refused(path, ErrnoText(ELOOP));
}

std::string WriteAccessProblem(const ReplacedFile& replaced) {
    // The effective ids decide, as they would for open(2), without opening
    // the file: an open for writing would tell watchers of it of a write.
    if (replaced.existed && faccessat(AT_FDCWD, replaced.file.c_str(), W_OK, AT_EACCESS) != 0) {
        return "it is read-only (" + ErrnoText(errno) + ")";
    }
    const fs::path folder =
        replaced.file.has_parent_path() ? replaced.file.parent_path() : fs::path(".");
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0 && errno != ENOENT) {
        return "its folder " + folder.string() + " cannot be written to (" + ErrnoText(errno) + ")";
    }
    return {};
}

bool KeepOwnerAndMode(int descriptor, const ReplacedFile& replaced) {
    if (!replaced.existed) {
        return true;  // a new file keeps the mode the process's umask gives it
    }
    // The owner first: changing it may clear set-id bits that the mode then restores.
    // Only the superuser may give a file away; anyone may keep a group they belong to.
    // When neither is allowed the file keeps the process's own owner and group.
    if (fchown(descriptor, replaced.owner, replaced.group) != 0 &&
        fchown(descriptor, static_cast<uid_t>(-1), replaced.group) != 0) {
        errno = 0;
    }
    return fchmod(descriptor, replaced.mode) == 0;
}

#endif

}  // namespace orrisbay::imageio
