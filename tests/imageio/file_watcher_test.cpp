// The watcher's settle rules on real files in a temporary folder, with the
// times given to it, so that nothing waits on a clock.
#include "imageio/file_watcher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/image_files.h"

namespace orrisbay::imageio {
namespace {

using namespace std::chrono_literals;
using Ids = std::vector<int>;
const FileWatcher::Clock::time_point t0{};

struct WatchedFolder {
    WatchedFolder() {
        for (int id = 0; id < 2; ++id) {
            EXPECT_EQ(watcher.Watch(id, path(id)), "");
        }
    }
    std::string path(int id) const { return folder.file("in" + std::to_string(id) + ".png"); }
    // The file of `id` replaced by a rename, as most editors save.
    void Rename(int id) const {
        std::filesystem::rename(folder.Write("saving.tmp", "new"), path(id));
    }
    // The file of `id` opened and written to, not closed yet.
    int StartWriting(int id) const {
        const int file = ::open(path(id).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(::write(file, "part", 4), 4);
        return file;
    }

    orrisbay::testing::TemporaryFolder folder{"orrisbay-watcher"};
    FileWatcher watcher;
};

TEST(FileWatcherTest, AClosedOrRenamedFileIsTakenAfterTheGatheringTimeOnly) {
    for (const bool rename : {false, true}) {
        WatchedFolder in;
        rename ? in.Rename(1) : orrisbay::testing::WriteFile(in.path(1), "new");
        in.watcher.ReadEvents(t0);
        EXPECT_EQ(in.watcher.TimeToNextSettle(t0), FileWatcher::kGatherTime);
        EXPECT_EQ(in.watcher.TakeSettled(t0 + FileWatcher::kGatherTime - 1ms), Ids{});
        EXPECT_EQ(in.watcher.TakeSettled(t0 + FileWatcher::kGatherTime), Ids{1});
        EXPECT_EQ(in.watcher.TimeToNextSettle(t0 + 1s), std::nullopt) << "reported once";
    }
}

TEST(FileWatcherTest, AFileStillOpenHoldsEveryChangeBackUntilItIsClosedOrQuiet) {
    WatchedFolder in;
    orrisbay::testing::WriteFile(in.path(0), "saved");
    in.watcher.ReadEvents(t0);
    const int writing = in.StartWriting(1);
    in.watcher.ReadEvents(t0 + 5ms);
    EXPECT_EQ(in.watcher.TakeSettled(t0 + 200ms), Ids{}) << "the open file may be half written";
    ::close(writing);
    in.watcher.ReadEvents(t0 + 200ms);
    EXPECT_EQ(in.watcher.TakeSettled(t0 + 200ms), (Ids{0, 1})) << "both saves in one merge";

    ::close(in.StartWriting(0));  // a write in place
    const int again = in.StartWriting(0);
    in.watcher.ReadEvents(t0 + 1s);
    EXPECT_EQ(in.watcher.TimeToNextSettle(t0 + 1s), FileWatcher::kSettleTime);
    EXPECT_EQ(in.watcher.TakeSettled(t0 + 1s + FileWatcher::kSettleTime), Ids{0}) << "quiet";
    ::close(again);
}

TEST(FileWatcherTest, FilesSavedTogetherAreOneChangeAndOtherNamesNone) {
    WatchedFolder in;
    in.folder.Write("unwatched.png", "other");
    in.watcher.ReadEvents(t0);
    EXPECT_EQ(in.watcher.TimeToNextSettle(t0), std::nullopt);
    in.Rename(1);
    in.watcher.ReadEvents(t0);
    in.Rename(0);
    in.watcher.ReadEvents(t0 + 8ms);
    EXPECT_EQ(in.watcher.TimeToNextSettle(t0 + 8ms), FileWatcher::kGatherTime - 8ms)
        << "counted from the first save";
    EXPECT_EQ(in.watcher.TakeSettled(t0 + FileWatcher::kGatherTime), (Ids{0, 1}));
}

}  // namespace
}  // namespace orrisbay::imageio
