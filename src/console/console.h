#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace orrisbay::console {

// The application's title: the window caption and every message box title.
inline constexpr std::string_view kApplicationTitle = "Orrisbay";

// A text box that can display the log.
class ConsoleViewTarget {
  public:
    virtual ~ConsoleViewTarget() = default;
    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
    // Caret position and selection length, in characters.
    virtual void SetSelStart(std::size_t position) = 0;
    virtual void SetSelLength(std::size_t length) = 0;
};

// Buttons of a modal message box. Message boxes never carry an icon and are
// always titled with kApplicationTitle.
enum class MessageButtons { Ok, OkCancel };

// Shows one modal message box and returns once it is closed. The window
// installs one that opens a real box; tests install their own.
using MessageBoxHook = std::function<void(const std::string& text, MessageButtons buttons)>;

// The run's log: empty at start, grows by one entry per ConsoleAppend. A long
// session keeps its newest entries: once the log passes twice
// kConsoleKeptBytes, the oldest whole entries are dropped until it is within it.
inline constexpr std::size_t kConsoleKeptBytes = 64 * 1024;
const std::string& ConsoleText();

// The attached view, or null (the default).
ConsoleViewTarget* ConsoleView();
void SetConsoleView(ConsoleViewTarget* view);

// While set, ReportError logs without showing a box. Off at start.
bool QuietErrors();
void SetQuietErrors(bool quiet);

// Adds CR LF and then `text` to the log, and refreshes the view if one is attached.
void ConsoleAppend(std::string text);

// Puts the view's caret after its last character with nothing selected.
void ConsoleScrollToEnd();

// Logs `message` and, unless QuietErrors is set, shows it with OK and Cancel.
void ReportError(std::string message);

// Installs the message box used by ReportError and by the window's own
// messages; returns the previous one. Without a hook, messages go to stderr.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Shows a modal message box through the installed hook.
void ShowMessage(const std::string& text, MessageButtons buttons);

// Empties the log and detaches the view; for tests that need a fresh start.
void ResetConsoleForTesting();

}  // namespace orrisbay::console
