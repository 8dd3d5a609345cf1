#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <filesystem>
#include <string>

#include "imageio/file_watcher.h"

class QSocketNotifier;
class QTimer;

namespace orrisbay::app {

// Where the picture of each input slot came from (a file, the clipboard or
// the window's built-in pictures), told in the thumbnail's tooltip, and the
// live link to the file: while following is on, a linked file that changes on
// disk is reported once its writes have settled, so the window can read it
// again.
class SlotSources : public QObject {
    Q_OBJECT

  public:
    explicit SlotSources(QObject* parent = nullptr);
    ~SlotSources() override;

    void SetBuiltIn(int slot);
    void SetClipboard(int slot);
    // The texture `name` taken from the WAD at `wadPath`, which is not followed.
    void SetWadTexture(int slot, const std::string& name, const std::string& wadPath);
    // Links `slot` to the file at `path`, just read.
    void SetFile(int slot, const std::string& path);
    // Why the last change of `slot`'s file could not be read; empty when it was.
    void SetProblem(int slot, const std::string& problem);
    // Why the file at `path` could not be opened into `slot`, which keeps its
    // picture and source; told until the slot gets another picture.
    void SetOpenProblem(int slot, const std::string& path, const std::string& reason);

    // The file `slot` is linked to; empty when its picture came from elsewhere.
    const std::string& File(int slot) const { return At(slot).path; }
    QString ToolTip(int slot) const;

    bool Following() const { return following_; }
    // Off: changes are no longer reported. On again: the linked files that
    // changed meanwhile are reported.
    void SetFollowing(bool follow);

    // Reports `slot`'s file again once the settle time has passed.
    void RetryLater(int slot);

  Q_SIGNALS:
    // The linked file of `slot` changed on disk and has settled.
    void fileChanged(int slot);
    // The tooltip of `slot` has new text.
    void toolTipChanged(int slot);

  private:
    enum class Kind { BuiltIn, Clipboard, WadTexture, File };
    struct Source {
        Kind kind = Kind::BuiltIn;
        std::string path;
        std::filesystem::file_time_type stamp{};  // the file's time when it was read
        std::string problem;
        QString wadTexture;   // which texture of which WAD, for the tooltip
        QString openProblem;  // the file that could not be opened into the slot, and why
    };
    const Source& At(int slot) const { return sources_.at(static_cast<std::size_t>(slot)); }
    QString SourceText(const Source& source) const;
    void Replace(int slot, Source source);
    void Watch(int slot);
    void TakeEvents();
    void ScheduleSettle();
    void ReportSettled();

    std::array<Source, 4> sources_{};
    bool following_ = true;
    imageio::FileWatcher watcher_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* settleTimer_ = nullptr;
};

}  // namespace orrisbay::app
