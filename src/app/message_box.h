#pragma once

#include <QString>
#include <string>

#include "console/console.h"

class QWidget;

namespace orrisbay::app {

// The application's title as Qt text: the window caption and the title of
// every box the program shows.
QString ApplicationTitle();

// Shows a modal message box over `owner`: no icon, titled with the
// application's title, OK alone or OK and Cancel with OK the default.
void ShowMessageBox(QWidget* owner, const std::string& text, console::MessageButtons buttons);

// Routes every message of the program to ShowMessageBox over `owner`.
void InstallMessageBoxes(QWidget* owner);

}  // namespace orrisbay::app
