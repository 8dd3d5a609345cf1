#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <string>

#include "session/texture_session.h"

class QSocketNotifier;
class QTimer;

namespace orrisbay::app {

// The window's side of the live link: the texture session's watch of its
// files driven from the event loop (what the system reports is taken when it
// reports it, and the window told when the changes have settled), and the
// thumbnails' tooltips, which say where each slot's picture came from and
// why a file could not be read.
class SlotSources : public QObject {
    Q_OBJECT

  public:
    SlotSources(session::TextureSession& session, QObject* parent = nullptr);
    ~SlotSources() override;

    // Sets the timer for the next settling, after following was turned on.
    void Schedule();

    // Why the file at `path` could not be opened into `slot`, which keeps its
    // picture and source; told until the slot gets another picture (an empty
    // path clears it).
    void SetOpenProblem(int slot, const std::string& path, const std::string& reason);

    QString ToolTip(int slot) const;

  Q_SIGNALS:
    // Files of the session changed on disk and have settled.
    void changesSettled();

  private:
    void TakeEvents();
    void ReportSettled();

    session::TextureSession& session_;
    std::array<QString, 4> openProblems_{};
    QSocketNotifier* notifier_ = nullptr;
    QTimer* settleTimer_ = nullptr;
};

}  // namespace orrisbay::app
