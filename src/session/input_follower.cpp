#include "session/input_follower.h"

#include <system_error>

namespace orrisbay::session {

namespace {

std::filesystem::file_time_type FileTime(const std::string& path) {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    return error ? std::filesystem::file_time_type{} : time;
}

const std::string kNone;

}  // namespace

const InputFollower::Link* InputFollower::LinkOf(int input) const {
    if (input < 0 || input >= kInputCount) {
        return nullptr;
    }
    const auto& link = links_[static_cast<std::size_t>(input)];
    return link ? &*link : nullptr;
}

void InputFollower::Follow(int input, const std::string& path) {
    if (input < 0 || input >= kInputCount) {
        return;
    }
    links_[static_cast<std::size_t>(input)] = Link{path, FileTime(path), {}};
    Watch(input);
}

void InputFollower::Forget(int input) {
    if (input >= 0 && input < kInputCount) {
        links_[static_cast<std::size_t>(input)].reset();
        watcher_.Forget(input);
    }
}

const std::string& InputFollower::FileOf(int input) const {
    const Link* link = LinkOf(input);
    return link ? link->path : kNone;
}

const std::string& InputFollower::WatchProblem(int input) const {
    const Link* link = LinkOf(input);
    return link ? link->watchProblem : kNone;
}

void InputFollower::NoteRead(int input) {
    if (LinkOf(input) != nullptr) {
        Link& link = *links_[static_cast<std::size_t>(input)];
        link.stamp = FileTime(link.path);
    }
}

void InputFollower::Watch(int input) {
    auto& link = links_[static_cast<std::size_t>(input)];
    if (!link || !following_) {
        watcher_.Forget(input);
        return;
    }
    link->watchProblem = watcher_.Watch(input, link->path);
}

void InputFollower::SetFollowing(bool follow) {
    if (follow == following_) {
        return;
    }
    following_ = follow;
    for (int input = 0; input < kInputCount; ++input) {
        Watch(input);
        const Link* link = LinkOf(input);
        if (follow && link != nullptr && FileTime(link->path) != link->stamp) {
            watcher_.MarkChanged(input);
        }
    }
}

}  // namespace orrisbay::session
