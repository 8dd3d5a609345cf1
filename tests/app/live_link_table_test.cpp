// The live link's cases, each run through both ways of following files that
// share one texture session: the window (its live link and "Update saved file
// on change") and orrisbay-blend --watch (its kept output). Both must read the
// changed file, merge once and rewrite the output, or keep the picture and
// the output and say why.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/image_box.h"
#include "support/image_files.h"
#include "support/running_program.h"
#include "window_fixture.h"

namespace orrisbay::app {
namespace {

namespace fs = std::filesystem;
using orrisbay::testing::LoadAs;
using orrisbay::testing::ReadFile;
using orrisbay::testing::SamePixels;
using orrisbay::testing::SavePattern;
using orrisbay::testing::TemporaryFolder;
using orrisbay::testing::WriteFile;

constexpr int kPatience = 5000;  // ms to wait for what must happen
constexpr int kQuiet = 700;      // ms after which what must not happen has not

// One way of following the four inputs with the output kept up to date.
class Follower {
  public:
    virtual ~Follower() = default;
    virtual void Start(const std::array<std::string, 4>& inputs, const std::string& output) = 0;
    // Lets the follower work until `done` holds; false when it never did.
    virtual bool WaitFor(const std::function<bool()>& done) = 0;
    // How many problems it has told the user so far.
    virtual int ProblemsTold() = 0;
};

class WindowFollower : public Follower {
  public:
    explicit WindowFollower(FrmOrrisbay& window, std::vector<testing::ShownMessage>& messages)
        : window_(window), messages_(messages) {}

    void Start(const std::array<std::string, 4>& inputs, const std::string& output) override {
        for (int i = 0; i < 4; ++i) {
            const std::string path = inputs[static_cast<std::size_t>(i)];
            window_.setOpenFileDialog([path](imageio::OpenFileRequest& request) {
                request.lpstrFile.replace(0, path.size() + 1, path + '\0');
                return 1;
            });
            window_.btnOpenClick(i);
        }
        window_.setSaveFileDialog([output](QWidget*) { return SaveChoice(output); });
        window_.saveAsClick();
        window_.updateSavedFileAction()->setChecked(true);
    }
    bool WaitFor(const std::function<bool()>& done) override {
        return QTest::qWaitFor(done, kPatience);
    }
    int ProblemsTold() override {
        int told = static_cast<int>(messages_.size());
        for (int i = 0; i < 4; ++i) {
            told += window_.Image1(i)->toolTip().contains(QStringLiteral("Not read again")) ? 1 : 0;
        }
        return told;
    }

  private:
    FrmOrrisbay& window_;
    std::vector<testing::ShownMessage>& messages_;
};

class WatchFollower : public Follower {
  public:
    void Start(const std::array<std::string, 4>& inputs, const std::string& output) override {
        program_ = std::make_unique<orrisbay::testing::RunningProgram>(
            ORRISBAY_BLEND_PROGRAM, std::vector<std::string>{"--watch", inputs[0], inputs[1],
                                                             inputs[2], inputs[3], "-o", output});
        program_->NextLine(true);  // "following the four inputs"
        program_->NextLine();      // the first run
    }
    bool WaitFor(const std::function<bool()>& done) override {
        for (int waited = 0; waited < kPatience; waited += 20) {
            if (done()) {
                return true;
            }
            QTest::qWait(20);
        }
        return done();
    }
    int ProblemsTold() override {
        while (!program_->NextLine(true, 0).empty()) {
            ++told_;
        }
        return told_;
    }

  private:
    std::unique_ptr<orrisbay::testing::RunningProgram> program_;
    int told_ = 0;
};

class LiveLinkCasesTest : public testing::WindowTest {
  protected:
    // A layer or mask of pattern `seed`, written in place.
    std::string Write(int input, int seed) {
        return SavePattern(inputs_[static_cast<std::size_t>(input)], FIF_PNG, 48, 32, 24, seed);
    }
    // The texture an independent slot table merges from the files as they are now.
    freeimage_base::Bitmap Expected() const {
        slots::NullSlotView view;
        slots::SlotTable table(view);
        for (int i = 0; i < 4; ++i) {
            table.SetSlotImage(i, LoadAs(FIF_PNG, inputs_[static_cast<std::size_t>(i)]));
        }
        return freeimage_base::Clone(table.Slot(slots::kResult));
    }
    bool OutputIsCurrent() const {
        std::error_code error;
        return fs::exists(output_, error) &&
               SamePixels(Expected().get(), LoadAs(FIF_PNG, output_).get());
    }

    void RunCases(Follower& follower);

    TemporaryFolder folder{"orrisbay-live-cases"};
    std::array<std::string, 4> inputs_ = {folder.file("layer1.png"), folder.file("layer2.png"),
                                          folder.file("mask1.png"), folder.file("mask2.png")};
    std::string output_ = folder.file("out/texture.png");
};

void LiveLinkCasesTest::RunCases(Follower& follower) {
    fs::create_directory(folder.file("out"));
    for (int i = 0; i < 4; ++i) {
        Write(i, i + 1);
    }
    follower.Start(inputs_, output_);
    ASSERT_TRUE(follower.WaitFor([&] { return OutputIsCurrent(); }));
    const struct {
        const char* name;
        std::function<void()> change;
        bool rewrites;  // the output follows the new files
        bool tells;     // a problem is told
    } cases[] = {
        {"written in place", [&] { Write(2, 10); }, true, false},
        {"replaced by rename",
         [&] {
             SavePattern(folder.file("new.png"), FIF_PNG, 48, 32, 24, 11);
             fs::rename(folder.file("new.png"), inputs_[1]);
         },
         true, false},
        {"half written",
         [&] {
             const std::string whole = ReadFile(Write(3, 12));
             WriteFile(inputs_[3], whole.substr(0, whole.size() / 2));
         },
         false, true},
        {"written whole again", [&] { Write(3, 12); }, true, false},
        {"deleted", [&] { fs::remove(inputs_[0]); }, false, false},
        {"made again", [&] { Write(0, 13); }, true, false},
        {"kept output removed, then a change", [&] { fs::remove(output_), Write(2, 14); }, true,
         false},
        {"kept output failing", [&] { fs::remove_all(folder.file("out")), Write(2, 15); }, false,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto output = [&] { return fs::exists(output_) ? ReadFile(output_) : "none"; };
        const int told = follower.ProblemsTold();
        c.change();
        const std::string before = output();
        if (c.rewrites) {
            EXPECT_TRUE(follower.WaitFor([&] { return OutputIsCurrent(); }));
        } else {
            QTest::qWait(kQuiet);
            EXPECT_TRUE(output() == before) << "the output stays as it was";
        }
        EXPECT_EQ(follower.ProblemsTold() > told, c.tells);
    }
}

TEST_F(LiveLinkCasesTest, TheWindowFollowsEachCase) {
    WindowFollower follower(*window, messages);
    RunCases(follower);
}

TEST_F(LiveLinkCasesTest, OrrisbayBlendWatchFollowsEachCase) {
    WatchFollower follower;
    RunCases(follower);
}

}  // namespace
}  // namespace orrisbay::app
