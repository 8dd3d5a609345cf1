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

FileWatcher::FileWatcher(Clock::duration settle, Clock::duration gather)
    : settle_(settle), gather_(gather), descriptor_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

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
    entries_[id] = Entry{watch, file.filename().string(), std::nullopt, std::nullopt};
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
                // Events were lost: any file may have changed, and may still be changing.
                for (auto& [id, entry] : entries_) {
                    Note(entry, IN_MODIFY, now);
                }
            } else if (event->len > 0) {
                NoteEvent(event->wd, event->name, event->mask, now);
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void FileWatcher::Note(Entry& entry, std::uint32_t events, Clock::time_point now) {
    entry.lastChange = now;
    if (events & (IN_CLOSE_WRITE | IN_MOVED_TO)) {
        // A second save within the gathering time keeps the first one's time,
        // so that a burst of saves is still reported promptly.
        if (!entry.savedAt) {
            entry.savedAt = now;
        }
    } else if (events & (IN_MODIFY | IN_CREATE)) {
        entry.savedAt.reset();  // being written (again)
    }
    // Attributes alone neither start nor finish a write.
}

void FileWatcher::NoteEvent(int folder, const std::string& name, std::uint32_t events,
                            Clock::time_point now) {
    for (auto& [id, entry] : entries_) {
        if (entry.folder == folder && entry.name == name) {
            Note(entry, events, now);
        }
    }
}

void FileWatcher::MarkChanged(int id, Clock::time_point now) {
    if (const auto found = entries_.find(id); found != entries_.end()) {
        Note(found->second, IN_MODIFY, now);
    }
}

std::optional<FileWatcher::Clock::time_point> FileWatcher::SettleTime() const {
    std::optional<Clock::time_point> last;
    std::optional<Clock::time_point> firstSave;
    bool writing = false;
    for (const auto& [id, entry] : entries_) {
        if (!entry.lastChange) {
            continue;
        }
        last = last ? std::max(*last, *entry.lastChange) : *entry.lastChange;
        if (entry.savedAt) {
            firstSave = firstSave ? std::min(*firstSave, *entry.savedAt) : *entry.savedAt;
        } else {
            writing = true;
        }
    }
    if (!last) {
        return std::nullopt;
    }
    return writing ? *last + settle_ : *firstSave + gather_;
}

std::optional<FileWatcher::Clock::duration> FileWatcher::TimeToNextSettle(
    Clock::time_point now) const {
    const auto settle = SettleTime();
    if (!settle) {
        return std::nullopt;
    }
    return std::max(*settle - now, Clock::duration::zero());
}

std::vector<int> FileWatcher::TakeSettled(Clock::time_point now) {
    std::vector<int> settled;
    const auto settle = SettleTime();
    if (!settle || now < *settle) {
        return settled;
    }
    for (auto& [id, entry] : entries_) {
        if (entry.lastChange) {
            entry.lastChange.reset();
            entry.savedAt.reset();
            settled.push_back(id);
        }
    }
    return settled;
}

}  // namespace orrisbay::imageio
