#pragma once

#include <QApplication>

namespace orrisbay::app {

// A busy cursor for as long as the window works on a texture, so a long
// conversion or save never looks like a frozen window.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    // The normal cursor back while the user is asked or told something in
    // between; nothing changes when no busy cursor is shown.
    class Paused {
      public:
        Paused() : busy_(QApplication::overrideCursor() != nullptr) {
            if (busy_) {
                QApplication::restoreOverrideCursor();
            }
        }
        ~Paused() {
            if (busy_) {
                QApplication::setOverrideCursor(Qt::WaitCursor);
            }
        }
        Paused(const Paused&) = delete;
        Paused& operator=(const Paused&) = delete;

      private:
        bool busy_;
    };
};

}  // namespace orrisbay::app
