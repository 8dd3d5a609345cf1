#include "imageio/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace orrisbay::imageio {

namespace {

// The desktop clipboard, or none when no GUI application is running (as in a
// command-line run), so callers see "no image" rather than a crash.
QClipboard* DesktopClipboard() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) {
        return nullptr;
    }
    return QGuiApplication::clipboard();
}

}  // namespace

bool ClipboardHasImage() {
    QClipboard* clipboard = DesktopClipboard();
    if (clipboard == nullptr) {
        return false;
    }
    const QMimeData* data = clipboard->mimeData();
    return data != nullptr && data->hasImage();
}

Picture ClipboardPicture() {
    QClipboard* clipboard = DesktopClipboard();
    if (clipboard == nullptr) {
        return {};
    }
    const QMimeData* data = clipboard->mimeData();
    if (data == nullptr || !data->hasImage()) {
        return {};
    }
    return qvariant_cast<QImage>(data->imageData());
}

void CopyPictureToClipboard(const Picture& picture) {
    QClipboard* clipboard = DesktopClipboard();
    if (clipboard == nullptr) {
        return;
    }
    clipboard->clear();
    // An empty picture leaves the clipboard empty rather than offering an
    // image that no program could read.
    if (!picture.isNull()) {
        clipboard->setImage(picture);
    }
}

}  // namespace orrisbay::imageio
