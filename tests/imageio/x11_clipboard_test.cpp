// Exchanges images with another program (xclip) through the real X clipboard.
// Run by x11_clipboard_test.sh on a private Xvfb server.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>
#include <functional>

#include "imageio/clipboard.h"

namespace orrisbay::imageio {
namespace {

using freeimage_base::Bitmap;

constexpr int kWaitMilliseconds = 10000;

// Keeps the event loop turning (the X clipboard needs it to answer other
// programs' requests) until `done` holds or the time is up.
bool WaitUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(kWaitMilliseconds);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

// The X server takes a new selection owner only with a time later than the
// last change, and Qt stamps its requests with the time of the last event it
// saw. In the program a click on the preview brings that time up to date;
// here a property change on a window of our own does the same.
void CatchUpWithServerTime() {
    QWindow window;
    window.create();
    window.setTitle("clipboard test");
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    QThread::msleep(50);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
}

// An xclip run that is always ended when the test leaves, so no process
// outlives it even when an assertion fails half-way.
class XclipProcess {
  public:
    explicit XclipProcess(const QStringList& arguments) {
        process_.setProgram("xclip");
        process_.setArguments(arguments);
    }
    ~XclipProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(kWaitMilliseconds);
        }
    }
    QProcess& process() { return process_; }

  private:
    QProcess process_;
};

class X11ClipboardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != "xcb") {
            GTEST_SKIP() << "needs the xcb platform on an X server";
        }
        ASSERT_TRUE(folder_.isValid());
        freeimage_base::InitialiseImageLibrary();
    }

    QString PathFor(const char* name) const { return folder_.filePath(name); }

  private:
    QTemporaryDir folder_;
};

TEST_F(X11ClipboardTest, ReadsPngThatAnotherProgramCopied) {
    const QString file = PathFor("offered.png");
    {
        Bitmap offered(FreeImage_Allocate(23, 17, 24));
        ASSERT_TRUE(FreeImage_Save(FIF_PNG, offered.get(), file.toLocal8Bit().constData()));
    }
    // Whatever this program offered before must not pass for xclip's image.
    QGuiApplication::clipboard()->clear();
    ASSERT_TRUE(WaitUntil([] { return !ClipboardHasImage(); }));

    // -quiet keeps xclip in the foreground, so it stays our child to end.
    XclipProcess xclip({"-quiet", "-selection", "clipboard", "-t", "image/png", "-i", file});
    xclip.process().start();
    ASSERT_TRUE(xclip.process().waitForStarted(kWaitMilliseconds));

    ASSERT_TRUE(WaitUntil([] { return ClipboardHasImage(); }));
    const Bitmap pasted = PictureToBitmap(ClipboardPicture());
    ASSERT_TRUE(pasted);
    EXPECT_EQ(FreeImage_GetWidth(pasted.get()), 23u);
    EXPECT_EQ(FreeImage_GetHeight(pasted.get()), 17u);
}

TEST_F(X11ClipboardTest, AnotherProgramReadsCopiedPictureAsPng) {
    QImage picture(29, 13, QImage::Format_RGB32);
    picture.fill(qRgb(200, 100, 50));
    CatchUpWithServerTime();
    CopyPictureToClipboard(picture);
    ASSERT_TRUE(QGuiApplication::clipboard()->ownsClipboard());

    const QString file = PathFor("received.png");
    XclipProcess xclip({"-selection", "clipboard", "-t", "image/png", "-o"});
    xclip.process().setStandardOutputFile(file);
    xclip.process().start();
    ASSERT_TRUE(xclip.process().waitForStarted(kWaitMilliseconds));
    ASSERT_TRUE(WaitUntil([&] { return xclip.process().state() == QProcess::NotRunning; }))
        << "xclip did not receive the clipboard in time";
    ASSERT_EQ(xclip.process().exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(xclip.process().exitCode(), 0);

    const Bitmap received(FreeImage_Load(FIF_PNG, file.toLocal8Bit().constData()));
    ASSERT_TRUE(received);
    EXPECT_EQ(FreeImage_GetWidth(received.get()), 29u);
    EXPECT_EQ(FreeImage_GetHeight(received.get()), 13u);
    RGBQUAD colour{};
    ASSERT_TRUE(FreeImage_GetPixelColor(received.get(), 0, 0, &colour));
    EXPECT_EQ(colour.rgbRed, 200);
    EXPECT_EQ(colour.rgbGreen, 100);
    EXPECT_EQ(colour.rgbBlue, 50);
}

}  // namespace
}  // namespace orrisbay::imageio
