#pragma once

#include <string>

namespace orrisbay::app {

// Where the window's file dialogs start: the folder of the last file chosen
// in one of them in this run, or else the folder the program was started
// from. The window keeps its own folder current, which is no place to look
// for the user's pictures, so no dialog is left to start there.
class DialogFolder {
  public:
    // Starts at the current folder, read before the window changes it.
    DialogFolder();

    const std::string& Path() const { return folder_; }
    // Remembers the folder of `chosen`, a file just chosen in a dialog.
    void RememberFileOf(const std::string& chosen);

  private:
    std::string folder_;
};

}  // namespace orrisbay::app
