#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "imageio/file_watcher.h"
#include "session/input_source.h"

namespace orrisbay::session {

// The live link of a session's inputs to their files: while following is on,
// an input whose file changes on disk is reported once its writes have
// settled, so that it can be read again. Turned off and on again, the files
// that changed meanwhile are reported.
//
// The caller waits until Descriptor() is readable (a socket notifier, poll),
// calls TakeEvents, and takes the settled inputs when TimeToNextSettle says.
class InputFollower {
  public:
    using Clock = imageio::FileWatcher::Clock;

    // `input` follows the file at `path`, just read, in place of what it
    // followed before.
    void Follow(int input, const std::string& path);
    // `input` no longer follows a file (its picture came from elsewhere).
    void Forget(int input);
    // The file `input` follows, or empty.
    const std::string& FileOf(int input) const;
    // Why the file of `input` cannot be followed; empty when it can.
    const std::string& WatchProblem(int input) const;
    // The file of `input` was read again: its time now is the one read.
    void NoteRead(int input);

    bool Following() const { return following_; }
    void SetFollowing(bool follow);

    int Descriptor() const { return watcher_.Descriptor(); }
    void TakeEvents(Clock::time_point now = Clock::now()) { watcher_.ReadEvents(now); }
    std::optional<Clock::duration> TimeToNextSettle(Clock::time_point now = Clock::now()) const {
        return watcher_.TimeToNextSettle(now);
    }
    std::vector<int> TakeSettled(Clock::time_point now = Clock::now()) {
        return watcher_.TakeSettled(now);
    }

  private:
    struct Link {
        std::string path;
        std::filesystem::file_time_type stamp{};  // the file's time when it was read
        std::string watchProblem;
    };
    const Link* LinkOf(int input) const;
    void Watch(int input);

    std::array<std::optional<Link>, kInputCount> links_{};
    bool following_ = true;
    imageio::FileWatcher watcher_;
};

}  // namespace orrisbay::session
