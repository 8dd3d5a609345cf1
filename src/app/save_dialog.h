#pragma once

#include <functional>
#include <string>

class QWidget;

namespace orrisbay::app {

// Asks where to save the texture: a path, or the empty text on cancel. The
// dialog itself does not ask about replacing a file; the window does.
using SaveFileDialogFunction = std::function<std::string(QWidget* parent)>;

// True when the user agrees to replace the existing file at `path`.
using OverwriteQuestionFunction = std::function<bool(QWidget* parent, const std::string& path)>;

// The platform's save dialog, offering PNG, Targa, BMP and JPEG, ".png" when
// no extension is typed. The path comes back in the file system's encoding.
std::string GetSaveFileNameDialog(QWidget* parent);

// A modal box titled "Orrisbay", without an icon, with Yes and No (No the default).
bool AskToReplaceFile(QWidget* parent, const std::string& path);

}  // namespace orrisbay::app
