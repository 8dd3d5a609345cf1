#include "imageio/file_watcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

namespace orrisbay::imageio {

namespace {

// Everything that can bring a file new content under its name: writes in
// place, a file renamed or linked over it, a new file made in its place, and
// a touch. Deletions and renames away leave the old content in use.
constexpr std::uint32_t kFolderEvents =
    IN_CLOSE_WRITE | IN_MODIFY | IN_MOVED_TO | IN_CREATE | IN_ATTRIB | IN_ONLYDIR;

}  // namespace

FileWatcher::FileWatcher(Clock::duration settle)
    : settle_(settle), descriptor_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatcher::~FileWatcher() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

std::string FileWatcher::Watch(int id, const std::string& path) {
    Forget(id);
    if (descriptor_ < 0) {
        return "the system offers no file watcher";
    }
    const std::filesystem::path file(path);
    if (!file.has_filename()) {
        return "not a file name";
    }
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    const int watch = inotify_add_watch(descriptor_, folder.c_str(), kFolderEvents);
    if (watch < 0) {
        return "its folder cannot be watched: " + std::string(std::strerror(errno));
    }
    entries_[id] = Entry{watch, file.filename().string(), std::nullopt};
    return {};
}

void FileWatcher::Forget(int id) {
    const auto found = entries_.find(id);
    if (found == entries_.end()) {
        return;
    }
    const int folder = found->second.folder;
    entries_.erase(found);
    ReleaseFolderIfUnused(folder);
}

void FileWatcher::ReleaseFolderIfUnused(int folder) {
    const bool used = std::any_of(entries_.begin(), entries_.end(), [folder](const auto& entry) {
        return entry.second.folder == folder;
    });
    if (!used) {
        inotify_rm_watch(descriptor_, folder);
    }
}

void FileWatcher::ReadEvents(Clock::time_point now) {
    if (descriptor_ < 0) {
        return;
    }
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t length = ::read(descriptor_, buffer, sizeof buffer);
        if (length <= 0) {
            return;  // nothing more for now (EAGAIN), or the watcher failed
        }
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_Q_OVERFLOW) {
                // Events were lost: any file may have changed.
                for (auto& [id, entry] : entries_) {
                    entry.lastChange = now;
                }
            } else if (event->len > 0) {
                NoteChange(event->wd, event->name, now);
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void FileWatcher::NoteChange(int folder, const std::string& name, Clock::time_point now) {
    for (auto& [id, entry] : entries_) {
        if (entry.folder == folder && entry.name == name) {
            entry.lastChange = now;
        }
    }
}

void FileWatcher::MarkChanged(int id, Clock::time_point now) {
    if (const auto found = entries_.find(id); found != entries_.end()) {
        found->second.lastChange = now;
    }
}

std::optional<FileWatcher::Clock::time_point> FileWatcher::LastChange() const {
    std::optional<Clock::time_point> last;
    for (const auto& [id, entry] : entries_) {
        if (entry.lastChange && (!last || *entry.lastChange > *last)) {
            last = entry.lastChange;
        }
    }
    return last;
}

std::optional<FileWatcher::Clock::duration> FileWatcher::TimeToNextSettle(
    Clock::time_point now) const {
    const auto last = LastChange();
    if (!last) {
        return std::nullopt;
    }
    return std::max(*last + settle_ - now, Clock::duration::zero());
}

std::vector<int> FileWatcher::TakeSettled(Clock::time_point now) {
    std::vector<int> settled;
    const auto last = LastChange();
    if (!last || now - *last < settle_) {
        return settled;
    }
    for (auto& [id, entry] : entries_) {
        if (entry.lastChange) {
            entry.lastChange.reset();
            settled.push_back(id);
        }
    }
    return settled;
}

}  // namespace orrisbay::imageio
