#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orrisbay::imageio {

// Watches a few files for changes on disk, each under a number the caller
// chooses (the window's slot, the command's input). It watches their folders
// rather than the files themselves, so a file written in place, replaced by a
// rename (as most editors save) or deleted and made again is seen alike; a
// deletion alone is no change.
//
// A file closed after writing, or renamed over a watched name, is a finished
// save: it is reported after the short gathering time, so that files saved
// together are reported together, counted from the first save among them.
// A file written to and not closed yet (or changed some other way, or marked)
// holds every pending change back until all the files have been quiet for the
// settle time, so a save made of many writes counts once, after its last one.
//
// The caller waits until Descriptor() is readable (poll, a socket notifier),
// calls ReadEvents, and takes the settled changes when TimeToNextSettle says.
class FileWatcher {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kSettleTime{250};
    static constexpr std::chrono::milliseconds kGatherTime{10};

    explicit FileWatcher(Clock::duration settle = kSettleTime,
                         Clock::duration gather = kGatherTime);
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // Watches `path` under `id` in place of what `id` watched before. The file
    // need not exist, its folder must. Empty on success, otherwise why not.
    std::string Watch(int id, const std::string& path);
    void Forget(int id);

    // Readable when the system has news for ReadEvents; -1 without a watcher.
    int Descriptor() const { return descriptor_; }

    // Takes in what the system has reported, without waiting.
    void ReadEvents(Clock::time_point now = Clock::now());

    // Marks `id` as changed now, as if its file were being written: it is
    // reported once the files have been quiet for the settle time.
    void MarkChanged(int id, Clock::time_point now = Clock::now());

    // How long until the pending changes settle; empty when none is pending.
    std::optional<Clock::duration> TimeToNextSettle(Clock::time_point now = Clock::now()) const;

    // Once the pending changes have settled, the ids whose files changed, in
    // ascending order; each change is reported once.
    std::vector<int> TakeSettled(Clock::time_point now = Clock::now());

  private:
    struct Entry {
        int folder = -1;   // the folder's watch
        std::string name;  // the file's name in it
        std::optional<Clock::time_point> lastChange;
        // When the pending change became a finished save; empty while its
        // file may still be being written.
        std::optional<Clock::time_point> savedAt;
    };
    static void Note(Entry& entry, std::uint32_t events, Clock::time_point now);
    void NoteEvent(int folder, const std::string& name, std::uint32_t events,
                   Clock::time_point now);
    void ReleaseFolderIfUnused(int folder);
    std::optional<Clock::time_point> SettleTime() const;

    Clock::duration settle_;
    Clock::duration gather_;
    int descriptor_ = -1;
    std::map<int, Entry> entries_;
};

}  // namespace orrisbay::imageio
