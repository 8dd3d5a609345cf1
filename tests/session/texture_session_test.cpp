// A texture session on real files without a window: files read again
// together merge once, a file that cannot be read keeps its input's picture
// and says why, and the kept output is written after the merge, never over
// an input.
#include "session/texture_session.h"

#include <gtest/gtest.h>

#include "support/image_files.h"

namespace orrisbay::session {
namespace {

using orrisbay::testing::LoadAs;
using orrisbay::testing::ReadFile;
using orrisbay::testing::SamePixels;
using orrisbay::testing::SavePattern;
using orrisbay::testing::WriteFile;

// Counts the merges the slot table shows.
class CountingView : public slots::NullSlotView {
  public:
    void ShowPreview(const FIBITMAP*) override { ++merges; }
    int merges = 0;
};

TEST(TextureSessionTest, FilesReadAgainTogetherMergeOnceAndTheKeptOutputFollows) {
    const orrisbay::testing::TemporaryFolder folder("orrisbay-session");
    std::array<std::string, 4> files;
    CountingView view;
    TextureSession session(&view);
    for (int i = 0; i < 4; ++i) {
        files[i] = SavePattern(folder.file(std::to_string(i) + ".png"), FIF_PNG, 40, 24, 24, i);
        (void)session.SetInput(i, LoadAs(FIF_PNG, files[i]), InputSource::File(files[i]));
    }
    ASSERT_EQ(view.merges, 1);
    const std::string output = folder.file("out.png");
    session.KeepOutput({{.path = output}, false});
    session.SetKeepingOutput(true);

    SavePattern(files[0], FIF_PNG, 40, 24, 24, 7);
    SavePattern(files[2], FIF_PNG, 40, 24, 24, 8);
    const SessionUpdate both = session.ReadAgain({0, 2});
    EXPECT_EQ(view.merges, 2) << "one merge for two files";
    EXPECT_EQ(both.readAgain, (std::vector<int>{0, 2}));
    ASSERT_TRUE(session.WriteKeptOutput().value_or(Fail(ProblemKind::Failed, "not written")));
    slots::NullSlotView none;
    slots::SlotTable expected(none);
    for (int i = 0; i < 4; ++i) {
        expected.SetSlotImage(i, LoadAs(FIF_PNG, files[i]));
    }
    EXPECT_TRUE(SamePixels(expected.Slot(slots::kResult), LoadAs(FIF_PNG, output).get()));

    const std::string whole = ReadFile(files[1]);
    WriteFile(files[1], whole.substr(0, whole.size() / 2));
    const SessionUpdate half = session.ReadAgain({1});
    ASSERT_EQ(half.notRead.size(), 1u);
    EXPECT_EQ(half.notRead[0].second.kind, ProblemKind::Damaged);
    EXPECT_TRUE(session.ReadProblem(1).has_value());
    EXPECT_EQ(view.merges, 2) << "the picture from before stays, without a merge";
    EXPECT_FALSE(session.WriteKeptOutput()) << "nothing new to write";

    // A kept output that is one of the inputs would be read back after every write.
    session.KeepOutput({{.path = files[3]}, false});
    session.SetKeepingOutput(true);
    SavePattern(files[0], FIF_PNG, 40, 24, 24, 9);
    (void)session.ReadAgain({0});
    const auto refused = session.WriteKeptOutput();
    ASSERT_TRUE(refused && !*refused);
    EXPECT_NE(refused->problem().message.find("also one of the inputs"), std::string::npos);
    EXPECT_FALSE(session.KeepingOutput());
}

}  // namespace
}  // namespace orrisbay::session
