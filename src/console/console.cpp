#include "console/console.h"

#include <cstdio>
#include <utility>

namespace orrisbay::console {

namespace {

struct ConsoleState {
    std::string text;
    ConsoleViewTarget* view = nullptr;
    bool quietErrors = false;
    MessageBoxHook messageBox;
};

ConsoleState& State() {
    static ConsoleState state;
    return state;
}

// Characters in a UTF-8 text: every byte that does not continue a sequence.
std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

// Drops the oldest whole entries (each starts with CR LF) once the log has
// grown to twice what is kept, so trimming costs little per entry.
void DropOldestEntries(std::string& text) {
    if (text.size() <= 2 * kConsoleKeptBytes) {
        return;
    }
    std::size_t entry = text.find("\r\n", text.size() - kConsoleKeptBytes);
    if (entry == std::string::npos) {
        entry = text.rfind("\r\n");  // one huge newest entry: keep it whole
    }
    text.erase(0, entry);
}

}  // namespace

const std::string& ConsoleText() {
    return State().text;
}

ConsoleViewTarget* ConsoleView() {
    return State().view;
}

void SetConsoleView(ConsoleViewTarget* view) {
    State().view = view;
}

bool QuietErrors() {
    return State().quietErrors;
}

void SetQuietErrors(bool quiet) {
    State().quietErrors = quiet;
}

void ConsoleAppend(std::string text) {
    ConsoleState& state = State();
    state.text += "\r\n";
    state.text += text;
    DropOldestEntries(state.text);
    if (state.view != nullptr) {
        state.view->SetText(state.text);
        ConsoleScrollToEnd();
    }
}

void ConsoleScrollToEnd() {
    ConsoleViewTarget* view = State().view;
    if (view == nullptr) {
        return;
    }
    view->SetSelStart(CharacterCount(view->Text()));
    view->SetSelLength(0);
}

void ReportError(std::string message) {
    ConsoleAppend(message);
    if (!State().quietErrors) {
        ShowMessage(message, MessageButtons::OkCancel);
    }
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(State().messageBox, std::move(hook));
}

void ShowMessage(const std::string& text, MessageButtons buttons) {
    const MessageBoxHook& hook = State().messageBox;
    if (hook) {
        hook(text, buttons);
    } else {
        std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(kApplicationTitle.size()),
                     kApplicationTitle.data(), text.c_str());
    }
}

void ResetConsoleForTesting() {
    ConsoleState& state = State();
    state.text.clear();
    state.view = nullptr;
    state.quietErrors = false;
}

}  // namespace orrisbay::console
