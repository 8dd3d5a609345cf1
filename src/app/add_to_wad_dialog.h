#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "gameformats/wad_file.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace orrisbay::app {

// Where "Add to WAD..." puts the texture: the WAD's path (in the file
// system's encoding), the texture's name and the kind of a WAD to be made.
struct WadTarget {
    std::string path;
    std::string textureName;
    gameformats::WadKind kindIfNew = gameformats::WadKind::Wad2;
    std::string browseFolder{};  // where Browse starts while no WAD is named
};

// Asks where to add the texture, starting from `proposal`; empty on cancel.
using AddToWadDialogFunction =
    std::function<std::optional<WadTarget>(QWidget* parent, const WadTarget& proposal)>;

// The dialog behind "Add to WAD...": a WAD to pick or name (an existing one
// shows its kind; a new one is WAD2 or WAD3 as chosen) and the texture's
// name, checked against the game's rules as it is typed, with what its
// prefix makes the game do. OK stays off until both are usable.
class AddToWadDialog : public QDialog {
    Q_OBJECT

  public:
    AddToWadDialog(const WadTarget& proposal, QWidget* parent = nullptr);

    // The choice as it stands; the path ends in ".wad".
    WadTarget target() const;

    QLineEdit* pathEdit() const { return pathEdit_; }
    QComboBox* kindBox() const { return kindBox_; }
    QLineEdit* nameEdit() const { return nameEdit_; }
    QLabel* wadStatus() const { return wadStatus_; }
    QLabel* nameAdvice() const { return nameAdvice_; }
    QPushButton* okButton() const { return okButton_; }

  private:
    void browse();
    // Reads the header of the WAD named now, for its kind and size, on every
    // change of the path; the WAD is read whole only when the texture goes in.
    void examineWad();
    void updateAdvice();
    gameformats::WadKind kind() const;

    QLineEdit* pathEdit_ = nullptr;
    QComboBox* kindBox_ = nullptr;
    QLineEdit* nameEdit_ = nullptr;
    QLabel* wadStatus_ = nullptr;
    QLabel* nameAdvice_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QString browseFolder_;
    std::optional<gameformats::WadKind> existingKind_;
    bool wadUsable_ = false;
};

// Shows the dialog modally over `parent`.
std::optional<WadTarget> AskWadTarget(QWidget* parent, const WadTarget& proposal);

}  // namespace orrisbay::app
