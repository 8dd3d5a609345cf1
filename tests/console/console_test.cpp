#include "console/console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orrisbay::console {
namespace {

// A text box that remembers what it was told, with the caret as a text box keeps it.
class RecordingView : public ConsoleViewTarget {
  public:
    std::string Text() const override { return text; }
    void SetText(const std::string& t) override {
        text = t;
        selStart = 0;
        selLength = 0;
    }
    void SetSelStart(std::size_t position) override { selStart = position; }
    void SetSelLength(std::size_t length) override { selLength = length; }

    std::string text;
    std::size_t selStart = 99;
    std::size_t selLength = 99;
};

struct Shown {
    std::string text;
    MessageButtons buttons;
    std::string logAtTheTime;
};

class ConsoleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetConsoleForTesting();
        previous_ = SetMessageBoxHook([this](const std::string& text, MessageButtons buttons) {
            shown_.push_back({text, buttons, ConsoleText()});
        });
    }
    void TearDown() override {
        SetMessageBoxHook(previous_);
        ResetConsoleForTesting();
    }

    std::vector<Shown> shown_;
    MessageBoxHook previous_;
};

// A long session's log keeps its newest whole entries instead of growing
// without end.
TEST_F(ConsoleTest, ALongSessionKeepsTheNewestWholeEntries) {
    for (int i = 0; i < 20000; ++i) {
        ConsoleAppend("entry " + std::to_string(i));
    }
    const std::string& log = ConsoleText();
    EXPECT_LE(log.size(), 2 * kConsoleKeptBytes);
    EXPECT_GE(log.size(), kConsoleKeptBytes);
    EXPECT_EQ(log.rfind("\r\nentry 19999"), log.size() - 13);
    EXPECT_EQ(log.find("\r\nentry "), 0u) << "it starts at an entry";
}

TEST_F(ConsoleTest, EachEntryIsPrecededByCrLfAndNothingFollowsTheLast) {
    EXPECT_EQ(ConsoleText(), "");
    ConsoleAppend("A");
    EXPECT_EQ(ConsoleText(), "\r\nA");
    ConsoleAppend("B");
    EXPECT_EQ(ConsoleText(), "\r\nA\r\nB");
    ConsoleAppend("");
    EXPECT_EQ(ConsoleText(), "\r\nA\r\nB\r\n");
    EXPECT_TRUE(shown_.empty());
}

TEST_F(ConsoleTest, AttachedViewMirrorsTheLogWithCaretAtTheEnd) {
    RecordingView view;
    SetConsoleView(&view);
    ConsoleAppend("first");
    ConsoleAppend("größer");  // caret counts characters, not bytes
    EXPECT_EQ(view.text, ConsoleText());
    EXPECT_EQ(view.selStart, std::string("\r\nfirst\r\ngrößer").size() - 2);
    EXPECT_EQ(view.selLength, 0u);
}

TEST_F(ConsoleTest, ScrollToEndWithoutViewDoesNothing) {
    ConsoleScrollToEnd();
    ConsoleAppend("x");
    EXPECT_EQ(ConsoleView(), nullptr);
    EXPECT_EQ(ConsoleText(), "\r\nx");
}

TEST_F(ConsoleTest, ReportErrorLogsFirstThenShowsOneOkCancelBox) {
    ReportError("Something failed");
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].text, "Something failed");
    EXPECT_EQ(shown_[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(shown_[0].logAtTheTime, "\r\nSomething failed");
}

TEST_F(ConsoleTest, QuietErrorsOnlyLog) {
    SetQuietErrors(true);
    ReportError("quiet");
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(ConsoleText(), "\r\nquiet");
}

TEST_F(ConsoleTest, ShowMessageDoesNotLog) {
    ShowMessage("Image copied to clipboard", MessageButtons::Ok);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(ConsoleText(), "");
}

}  // namespace
}  // namespace orrisbay::console
