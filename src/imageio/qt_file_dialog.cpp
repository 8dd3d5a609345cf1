#include "imageio/qt_file_dialog.h"

#include <string_view>

#ifdef _WIN32
#include <windows.h>
// windows.h first: the common-dialog header depends on it.
#include <commdlg.h>
#else
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <QWidget>
#endif

namespace orrisbay::imageio {

#ifdef _WIN32

namespace {

// Re-encodes `text` between code pages over its whole length, NULs included.
std::string ConvertCodePage(const std::string& text, UINT from, UINT to) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(from, 0, text.data(), size, nullptr, 0);
    if (wideLength <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(from, 0, text.data(), size, wide.data(), wideLength);
    const int length =
        WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string converted(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(to, 0, wide.data(), wideLength, converted.data(), length, nullptr, nullptr);
    return converted;
}

std::string ToAnsi(const std::string& utf8) {
    return ConvertCodePage(utf8, CP_UTF8, CP_ACP);
}

// A writable buffer of exactly `length` characters, ended by a NUL whatever
// the conversion did to its length.
std::string AnsiBuffer(const std::string& utf8, std::uint32_t length) {
    std::string buffer = ToAnsi(utf8);
    buffer.resize(length == 0 ? 1 : length, '\0');
    buffer.back() = '\0';
    return buffer;
}

}  // namespace

int GetOpenFileNameDialog(OpenFileRequest& request) {
    const std::string filter = ToAnsi(request.lpstrFilter);
    const std::string initialDir = ToAnsi(request.lpstrInitialDir);
    const std::string title = ToAnsi(request.lpstrTitle);
    const std::string defaultExtension = ToAnsi(request.lpstrDefExt);
    std::string file = AnsiBuffer(request.lpstrFile, request.nMaxFile);
    std::string fileTitle = AnsiBuffer(request.lpstrFileTitle, request.nMaxFileTitle);

    OPENFILENAMEA dialog{};
    // The record without the fields that later platform versions appended,
    // sized for the architecture being built.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = reinterpret_cast<HWND>(request.hwndOwner);
    dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(request.nFilterIndex);
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrFileTitle = fileTitle.data();
    dialog.nMaxFileTitle = static_cast<DWORD>(fileTitle.size());
    dialog.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.Flags = request.Flags;
    dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();

    const BOOL chosen = GetOpenFileNameA(&dialog);
    request.lpstrFile = ConvertCodePage(file, CP_ACP, CP_UTF8);
    request.lpstrFileTitle = ConvertCodePage(fileTitle, CP_ACP, CP_UTF8);
    request.nFilterIndex = static_cast<std::int32_t>(dialog.nFilterIndex);
    request.nFileOffset = dialog.nFileOffset;
    request.nFileExtension = dialog.nFileExtension;
    return chosen ? 1 : 0;
}

#else

namespace {

// A request text up to its first NUL, as the platform reads it.
std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

QString LocalText(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

// The request's description/pattern pairs as Qt name filters, for example
// "JPG - JPEG Files (*.jpg *.jpeg)".
QStringList NameFiltersOf(const std::string& filter) {
    const QStringList parts = LocalText(filter).split(QChar(u'\0'));
    QStringList nameFilters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        nameFilters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return nameFilters;
}

void SelectFilterIndex(QFileDialog& dialog, const QStringList& nameFilters, int oneBasedIndex) {
    if (oneBasedIndex >= 1 && oneBasedIndex <= nameFilters.size()) {
        dialog.selectNameFilter(nameFilters[oneBasedIndex - 1]);
    }
}

void ConfigureDialog(QFileDialog& dialog, const OpenFileRequest& request) {
    const QString title = LocalText(UpToNul(request.lpstrTitle));
    if (!title.isEmpty()) {
        dialog.setWindowTitle(title);
    }
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Any name may be typed; a missing file is confirmed after the dialog.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontResolveSymlinks,
                     (request.Flags & OFN_NODEREFERENCELINKS) != 0);
    // Qt's own dialog: desktop-native ones refuse typed names of missing
    // files in open mode and handle links their own way.
    dialog.setOption(QFileDialog::DontUseNativeDialog);

    const QStringList nameFilters = NameFiltersOf(request.lpstrFilter);
    dialog.setNameFilters(nameFilters);
    SelectFilterIndex(dialog, nameFilters, request.nFilterIndex);
    dialog.setDefaultSuffix(LocalText(UpToNul(request.lpstrDefExt)));

    const QString folder = LocalText(UpToNul(request.lpstrInitialDir));
    if (!folder.isEmpty()) {
        dialog.setDirectory(folder);
    }
    const QString initialName = LocalText(UpToNul(request.lpstrFile)).trimmed();
    if (!initialName.isEmpty()) {
        dialog.selectFile(initialName);
    }
}

bool NeedsCreateConfirmation(const OpenFileRequest& request, const QString& path) {
    const QFileInfo info(path);
    return (request.Flags & OFN_CREATEPROMPT) != 0 && !info.exists() && !info.isSymLink();
}

bool ConfirmCreate(QWidget* parent, const QString& path) {
    const QString text = QFileDialog::tr("%1\nThis file does not exist.\nCreate the file?")
                             .arg(QDir::toNativeSeparators(path));
    return QMessageBox::question(parent, parent->windowTitle(), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

// Writes the path at the start of the file buffer, ended by a NUL, as the
// platform dialog does; 0 when it does not fit in nMaxFile characters.
int WriteChosenPath(OpenFileRequest& request, const QString& path) {
    const QByteArray native = QDir::toNativeSeparators(path).toLocal8Bit();
    if (request.nMaxFile == 0 || static_cast<std::size_t>(native.size()) > request.nMaxFile - 1) {
        return 0;
    }
    request.lpstrFile.replace(0, static_cast<std::size_t>(native.size()) + 1,
                              std::string(native.constData(), native.size()) + '\0');
    return 1;
}

QWidget* OwnerWindow(WindowHandle handle) {
    return handle == 0 ? nullptr : QWidget::find(static_cast<WId>(handle));
}

}  // namespace

int GetOpenFileNameDialog(OpenFileRequest& request) {
    QFileDialog dialog(OwnerWindow(request.hwndOwner));
    ConfigureDialog(dialog, request);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return 0;
        }
        const QString chosen = dialog.selectedFiles().constFirst();
        // On "No" the dialog comes back so that another name can be picked.
        if (!NeedsCreateConfirmation(request, chosen) || ConfirmCreate(&dialog, chosen)) {
            return WriteChosenPath(request, chosen);
        }
    }
}

#endif

}  // namespace orrisbay::imageio
