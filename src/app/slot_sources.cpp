#include "app/slot_sources.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <system_error>

namespace orrisbay::app {

namespace {

std::filesystem::file_time_type FileTime(const std::string& path) {
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    return error ? std::filesystem::file_time_type{} : time;
}

}  // namespace

SlotSources::SlotSources(QObject* parent) : QObject(parent), settleTimer_(new QTimer(this)) {
    settleTimer_->setSingleShot(true);
    settleTimer_->setTimerType(Qt::PreciseTimer);
    connect(settleTimer_, &QTimer::timeout, this, &SlotSources::ReportSettled);
    if (watcher_.Descriptor() >= 0) {
        notifier_ = new QSocketNotifier(watcher_.Descriptor(), QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &SlotSources::TakeEvents);
    }
}

SlotSources::~SlotSources() = default;

void SlotSources::SetBuiltIn(int slot) {
    Replace(slot, {Kind::BuiltIn, {}, {}, {}, {}, {}});
}

void SlotSources::SetClipboard(int slot) {
    Replace(slot, {Kind::Clipboard, {}, {}, {}, {}, {}});
}

void SlotSources::SetWadTexture(int slot, const std::string& name, const std::string& wadPath) {
    const QString wad = QFile::decodeName(QByteArray::fromStdString(wadPath));
    Replace(slot, {Kind::WadTexture,
                   {},
                   {},
                   {},
                   tr("Texture %1 from %2").arg(QString::fromStdString(name), wad),
                   {}});
}

void SlotSources::SetFile(int slot, const std::string& path) {
    Replace(slot, {Kind::File, path, FileTime(path), {}, {}, {}});
}

void SlotSources::Replace(int slot, Source source) {
    sources_.at(static_cast<std::size_t>(slot)) = std::move(source);
    Watch(slot);
    Q_EMIT toolTipChanged(slot);
}

void SlotSources::Watch(int slot) {
    Source& source = sources_.at(static_cast<std::size_t>(slot));
    if (source.kind != Kind::File || !following_) {
        watcher_.Forget(slot);
        return;
    }
    if (const std::string problem = watcher_.Watch(slot, source.path); !problem.empty()) {
        source.problem = "changes are not followed: " + problem;
    }
}

void SlotSources::SetProblem(int slot, const std::string& problem) {
    Source& source = sources_.at(static_cast<std::size_t>(slot));
    source.problem = problem;
    if (problem.empty()) {
        source.stamp = FileTime(source.path);
    }
    Q_EMIT toolTipChanged(slot);
}

void SlotSources::SetOpenProblem(int slot, const std::string& path, const std::string& reason) {
    sources_.at(static_cast<std::size_t>(slot)).openProblem =
        tr("Not opened: %1: %2; the picture from before stays.")
            .arg(QFile::decodeName(QByteArray::fromStdString(path)),
                 QString::fromStdString(reason));
    Q_EMIT toolTipChanged(slot);
}

QString SlotSources::ToolTip(int slot) const {
    const Source& source = At(slot);
    const QString text = SourceText(source);
    return source.openProblem.isEmpty() ? text : text + QLatin1Char('\n') + source.openProblem;
}

QString SlotSources::SourceText(const Source& source) const {
    switch (source.kind) {
        case Kind::BuiltIn:
            return tr("Built-in picture");
        case Kind::Clipboard:
            return tr("Pasted from the clipboard");
        case Kind::WadTexture:
            return source.wadTexture;
        case Kind::File:
            break;
    }
    QString text = QFile::decodeName(QByteArray::fromStdString(source.path));
    if (!source.problem.empty()) {
        text += tr("\nNot read again: %1; the picture from before stays.")
                    .arg(QString::fromStdString(source.problem));
    }
    return text;
}

void SlotSources::SetFollowing(bool follow) {
    if (follow == following_) {
        return;
    }
    following_ = follow;
    for (int slot = 0; slot < 4; ++slot) {
        Watch(slot);
        const Source& source = At(slot);
        if (follow && source.kind == Kind::File && FileTime(source.path) != source.stamp) {
            watcher_.MarkChanged(slot);
        }
    }
    ScheduleSettle();
}

void SlotSources::RetryLater(int slot) {
    watcher_.MarkChanged(slot);
    ScheduleSettle();
}

void SlotSources::TakeEvents() {
    watcher_.ReadEvents();
    ScheduleSettle();
}

void SlotSources::ScheduleSettle() {
    const auto wait = watcher_.TimeToNextSettle();
    if (!wait) {
        settleTimer_->stop();
        return;
    }
    settleTimer_->start(std::chrono::ceil<std::chrono::milliseconds>(*wait));
}

void SlotSources::ReportSettled() {
    for (const int slot : watcher_.TakeSettled()) {
        Q_EMIT fileChanged(slot);
    }
    ScheduleSettle();
}

}  // namespace orrisbay::app
