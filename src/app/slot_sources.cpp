#include "app/slot_sources.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>

namespace orrisbay::app {

namespace {

QString DecodedPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// Why a changed file could not be read in again, for the slot's tooltip.
QString ReadProblemText(const Problem& problem) {
    if (problem.kind == ProblemKind::TooLarge) {
        return SlotSources::tr("it is larger than the program can blend");
    }
    const QString reason = QString::fromStdString(ReasonOf(problem));
    return problem.kind == ProblemKind::Damaged
               ? SlotSources::tr("%1 (perhaps it was still being written)").arg(reason)
               : reason;
}

}  // namespace

SlotSources::SlotSources(session::TextureSession& session, QObject* parent)
    : QObject(parent), session_(session), settleTimer_(new QTimer(this)) {
    settleTimer_->setSingleShot(true);
    settleTimer_->setTimerType(Qt::PreciseTimer);
    connect(settleTimer_, &QTimer::timeout, this, &SlotSources::ReportSettled);
    if (session_.WatchDescriptor() >= 0) {
        notifier_ = new QSocketNotifier(session_.WatchDescriptor(), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &SlotSources::TakeEvents);
    }
}

SlotSources::~SlotSources() = default;

void SlotSources::SetOpenProblem(int slot, const std::string& path, const std::string& reason) {
    openProblems_.at(static_cast<std::size_t>(slot)) =
        path.empty() ? QString()
                     : tr("Not opened: %1: %2; the picture from before stays.")
                           .arg(DecodedPath(path), QString::fromStdString(reason));
}

QString SlotSources::ToolTip(int slot) const {
    const session::InputSource& source = session_.Source(slot);
    QString text;
    switch (source.kind) {
        case session::InputSource::Kind::None:
        case session::InputSource::Kind::BuiltIn:
            text = tr("Built-in picture");
            break;
        case session::InputSource::Kind::Clipboard:
            text = tr("Pasted from the clipboard");
            break;
        case session::InputSource::Kind::WadTexture:
            text = tr("Texture %1 from %2")
                       .arg(QString::fromStdString(source.textureName), DecodedPath(source.path));
            break;
        case session::InputSource::Kind::File: {
            text = DecodedPath(source.path);
            const std::optional<Problem>& problem = session_.ReadProblem(slot);
            const std::string& watch = session_.WatchProblem(slot);
            if (problem || !watch.empty()) {
                const QString why =
                    problem ? ReadProblemText(*problem)
                            : tr("changes are not followed: %1").arg(QString::fromStdString(watch));
                text += tr("\nNot read again: %1; the picture from before stays.").arg(why);
            }
            break;
        }
    }
    const QString& opened = openProblems_.at(static_cast<std::size_t>(slot));
    return opened.isEmpty() ? text : text + QLatin1Char('\n') + opened;
}

void SlotSources::TakeEvents() {
    session_.TakeWatchEvents();
    Schedule();
}

void SlotSources::Schedule() {
    const auto wait = session_.TimeToNextSettle();
    if (!wait) {
        settleTimer_->stop();
        return;
    }
    settleTimer_->start(std::chrono::ceil<std::chrono::milliseconds>(*wait));
}

void SlotSources::ReportSettled() {
    Q_EMIT changesSettled();
    Schedule();
}

}  // namespace orrisbay::app
