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
};

}  // namespace orrisbay::app
