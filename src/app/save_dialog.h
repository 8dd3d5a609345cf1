#pragma once

#include <functional>
#include <string>

class QWidget;

namespace orrisbay::app {

// The save dialog's filter entries that ask for more than the extension says.
inline constexpr const char* kWadFilter = "Quake/Half-Life WAD (*.wad)";
inline constexpr const char* kIndexedPngFilter = "8-bit PNG (*.png)";
inline constexpr const char* kWalFilter = "Quake II texture (*.wal)";

// Where to save the texture and how: the empty path on cancel. `indexed` is
// set when the user chose "8-bit PNG", which converts to the game's palette
// whatever the preview shows.
struct SaveChoice {
    SaveChoice(std::string chosenPath = {}, bool toPalette = false)
        : path(std::move(chosenPath)), indexed(toPalette) {}
    std::string path;
    bool indexed = false;
};

// Asks where to save the texture. The dialog itself does not ask about
// replacing a file; the window does.
using SaveFileDialogFunction = std::function<SaveChoice(QWidget* parent)>;

// True when the user agrees to replace the existing file at `path`.
using OverwriteQuestionFunction = std::function<bool(QWidget* parent, const std::string& path)>;

// True when the user agrees to replace the texture `name` in the WAD at `wadPath`.
using ReplaceTextureQuestionFunction =
    std::function<bool(QWidget* parent, const std::string& name, const std::string& wadPath)>;

// Asks which WAD file to open; the empty path on cancel.
using OpenWadDialogFunction = std::function<std::string(QWidget* parent)>;

// True when the user agrees to what `message` asks (Yes), false on No.
using YesNoQuestionFunction = std::function<bool(QWidget* parent, const std::string& message)>;

// The platform's save dialog, offering PNG, Targa, BMP, JPEG, a WAD, 8-bit
// PNG and a Quake II .wal, with the chosen filter's extension when none is typed; it
// starts in `folder`. The path comes back in the file system's encoding.
SaveChoice GetSaveFileNameDialog(QWidget* parent, const std::string& folder);

// A modal box titled "Orrisbay", without an icon, with Yes and No (No the default).
bool AskToReplaceFile(QWidget* parent, const std::string& path);

// The same kind of box for a texture of the same name in a WAD; No the default.
bool AskToReplaceTexture(QWidget* parent, const std::string& name, const std::string& wadPath);

// The platform's open dialog for WAD files, starting in `folder`.
std::string GetOpenWadFileName(QWidget* parent, const std::string& folder);

// `message` in the same kind of box; Yes is the default, since the question
// offers the way forward.
bool AskYesNo(QWidget* parent, const std::string& message);

}  // namespace orrisbay::app
