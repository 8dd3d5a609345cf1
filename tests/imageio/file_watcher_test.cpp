// The watcher's settle rules on real files, with the times given to it, so
// that nothing waits on a clock.
#include "imageio/file_watcher.h"

#include <fcntl.h>
#include <unistd.h>

#include "support/image_files.h"

namespace orrisbay::imageio {
namespace {

using namespace std::chrono_literals;
using Ids = std::vector<int>;
const FileWatcher::Clock::time_point t0{};
constexpr auto kGather = FileWatcher::kGatherTime;

struct WatchedFolder {
    WatchedFolder() { EXPECT_EQ(watcher.Watch(0, path(0)) + watcher.Watch(1, path(1)), ""); }
    std::string path(int id) const { return folder.file("in" + std::to_string(id) + ".png"); }
    void Rename(int id) const { std::filesystem::rename(folder.Write("new.tmp", "new"), path(id)); }
    // Opened and written to, not closed yet.
    int Writing(int id) const {
        const int file = ::open(path(id).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(::write(file, "part", 4), 4);
        return file;
    }
    orrisbay::testing::TemporaryFolder folder{"orrisbay-watcher"};
    FileWatcher watcher;
};

TEST(FileWatcherTest, SavesAreTakenAfterTheGatheringTimeAndOpenFilesWhenClosedOrQuiet) {
    WatchedFolder in;
    orrisbay::testing::WriteFile(in.path(1), "new");
    in.watcher.ReadEvents(t0);
    in.Rename(0);
    in.watcher.ReadEvents(t0 + 8ms);
    EXPECT_EQ(in.watcher.TakeSettled(t0 + kGather - 1ms), Ids{});
    EXPECT_EQ(in.watcher.TakeSettled(t0 + kGather), (Ids{0, 1})) << "one change, from the first";

    in.Rename(0);
    in.watcher.ReadEvents(t0 + 1s);
    const int writing = in.Writing(1);  // not closed yet
    in.watcher.ReadEvents(t0 + 1s);
    EXPECT_EQ(in.watcher.TakeSettled(t0 + 1s + 200ms), Ids{});
    ::close(writing);
    in.watcher.ReadEvents(t0 + 1s + 200ms);
    EXPECT_EQ(in.watcher.TakeSettled(t0 + 1s + 200ms), (Ids{0, 1}));

    ::close(in.Writing(0));
    const int again = in.Writing(0);  // written to again after a close
    in.watcher.ReadEvents(t0 + 2s);
    EXPECT_EQ(in.watcher.TakeSettled(t0 + 2s + kGather), Ids{});
    EXPECT_EQ(in.watcher.TakeSettled(t0 + 2s + FileWatcher::kSettleTime), Ids{0}) << "quiet";
    ::close(again);
    EXPECT_EQ(in.watcher.TimeToNextSettle(t0 + 3s), std::nullopt) << "each change reported once";
}

}  // namespace
}  // namespace orrisbay::imageio
