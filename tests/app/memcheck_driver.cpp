// The real window through one session, for a run under valgrind: start-up, a
// paste into each slot, a copy of the preview, shut-down. Message boxes are
// recorded instead of shown; the exit status says whether the session went as
// a user would see it.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPushButton>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "console/console.h"
#include "imageio/clipboard.h"

namespace {

QImage Stripes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x * 7 % 256, y * 5 % 256, (x ^ y) % 256));
        }
    }
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::vector<std::string> messages;
    orrisbay::console::SetMessageBoxHook(
        [&messages](const std::string& text, orrisbay::console::MessageButtons) {
            messages.push_back(text);
        });

    int failures = 0;
    {
        orrisbay::app::FrmOrrisbay window;
        window.Load();
        window.show();
        QApplication::processEvents();

        for (int slot = 0; slot < 4; ++slot) {
            QGuiApplication::clipboard()->setImage(Stripes(40 + 8 * slot, 30 + 4 * slot));
            window.btnPaste(slot)->click();
            QApplication::processEvents();
        }
        if (window.slotTable().Slot(19) == nullptr) {
            std::fputs("memcheck driver: no merged texture after four pastes\n", stderr);
            ++failures;
        }
        window.Image3Click();
        if (!orrisbay::imageio::ClipboardHasImage()) {
            std::fputs("memcheck driver: the preview did not reach the clipboard\n", stderr);
            ++failures;
        }
        window.close();
        QApplication::processEvents();
    }
    if (messages != std::vector<std::string>{orrisbay::imageio::kCopiedMessage}) {
        std::fprintf(stderr, "memcheck driver: %zu unexpected messages\n", messages.size());
        for (const std::string& text : messages) {
            std::fprintf(stderr, "  %s\n", text.c_str());
        }
        ++failures;
    }
    orrisbay::console::SetMessageBoxHook({});
    return failures == 0 ? 0 : 1;
}
