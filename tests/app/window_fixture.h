#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "console/console.h"

namespace orrisbay::app::testing {

// One message box the window asked for.
struct ShownMessage {
    std::string text;
    console::MessageButtons buttons;
};

// A started window whose message boxes are recorded instead of shown.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        console::ResetConsoleForTesting();
        previousHook_ = console::SetMessageBoxHook(
            [this](const std::string& text, console::MessageButtons buttons) {
                messages.push_back({text, buttons});
            });
        window = std::make_unique<FrmOrrisbay>();
        window->Load();
    }
    void TearDown() override {
        window.reset();
        console::SetMessageBoxHook(previousHook_);
    }

    std::unique_ptr<FrmOrrisbay> window;
    std::vector<ShownMessage> messages;

  private:
    console::MessageBoxHook previousHook_;
};

}  // namespace orrisbay::app::testing
