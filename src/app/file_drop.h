#pragma once

#include <QObject>
#include <QString>

class QMimeData;
class QWidget;

namespace orrisbay::app {

// The one local file (not a folder) that `data` carries, or the empty text.
QString DroppedFilePath(const QMimeData* data);

// Lets files be dropped on a widget, its children included: a drag that
// carries one local file is accepted and its path reported; anything else is
// refused, so the cursor shows that it cannot be dropped there.
class FileDropTarget : public QObject {
    Q_OBJECT

  public:
    explicit FileDropTarget(QWidget* target);

  Q_SIGNALS:
    void fileDropped(const QString& path);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace orrisbay::app
