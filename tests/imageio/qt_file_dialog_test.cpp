#include "imageio/qt_file_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace orrisbay::imageio {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// Plays a list of steps against the modal widgets that the code under test
// opens, one step per modal widget, polling from the event loop. A step
// returns false while the widget it waits for is not up yet. Whatever is
// still open after the time limit is rejected, so a test fails rather than
// hangs.
class ModalScript {
  public:
    using Step = std::function<bool(QWidget*)>;

    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(10);
    }

    bool Finished() const { return next_ == steps_.size(); }

  private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) {
            return;
        }
        if (!Finished() && steps_[next_](modal)) {
            ++next_;
        } else if (++idlePolls_ > 500) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            }
        }
    }

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int idlePolls_ = 0;
    QTimer timer_;
};

ModalScript::Step OnFileDialog(std::function<void(QFileDialog&)> action) {
    return [action](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog != nullptr) {
            action(*dialog);
        }
        return dialog != nullptr;
    };
}

// Types `name` into the file-name box and presses Open. (selectFile() does
// not touch the box while it has focus, so typing is the reliable way.)
// QFileDialog's own accept() checks the name and adds the default suffix.
ModalScript::Step TypeAndAccept(const QString& name) {
    return OnFileDialog([name](QFileDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(name);
        static_cast<QDialog&>(dialog).accept();
    });
}

ModalScript::Step AnswerQuestion(QMessageBox::StandardButton answer, QString* text) {
    return [answer, text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            return false;
        }
        *text = box->text();
        box->button(answer)->click();
        return true;
    };
}

class QtFileDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }

    std::string PathOf(const std::string& name) const {
        return (fs::path(folder_.path().toStdString()) / name).string();
    }

    std::string Touch(const std::string& name) const {
        const std::string path = PathOf(name);
        std::ofstream(path) << "x";
        return path;
    }

    OpenFileRequest Request(WindowHandle owner = 0) const {
        return BuildOpenFileRequest(owner, "", folder_.path().toStdString(), "*.png",
                                    ImageFileFilter(), kAllSupportedFormatsIndex, "Load Image");
    }

    int Run(OpenFileRequest& request, std::vector<ModalScript::Step> steps) {
        ModalScript script(std::move(steps));
        const int result = GetOpenFileNameDialog(request);
        EXPECT_TRUE(script.Finished());
        return result;
    }

    static std::string Chosen(const OpenFileRequest& request) {
        return request.lpstrFile.substr(0, request.lpstrFile.find('\0'));
    }

    QTemporaryDir folder_;
};

TEST_F(QtFileDialogTest, IsConfiguredFromTheRequest) {
    QWidget owner;
    OpenFileRequest request = Request(static_cast<WindowHandle>(owner.winId()));
    QFileDialog* seen = nullptr;
    QStringList nameFilters;
    QString selectedFilter, title, suffix, directory;
    bool keepsLinks = false;
    const int result = Run(request, {OnFileDialog([&](QFileDialog& dialog) {
                               seen = &dialog;
                               EXPECT_EQ(dialog.parentWidget(), &owner);
                               nameFilters = dialog.nameFilters();
                               selectedFilter = dialog.selectedNameFilter();
                               title = dialog.windowTitle();
                               suffix = dialog.defaultSuffix();
                               directory = dialog.directory().absolutePath();
                               keepsLinks = dialog.testOption(QFileDialog::DontResolveSymlinks);
                               EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
                               dialog.reject();
                           })});
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(title, "Load Image");
    ASSERT_EQ(nameFilters.size(), 6);
    EXPECT_EQ(nameFilters[0], "BMP - Windows Bitmap (*.bmp)");
    EXPECT_EQ(nameFilters[2], "JPG - JPEG Files (*.jpg *.jpeg)");
    EXPECT_EQ(selectedFilter, "All Supported Formats (*.bmp *.png *.gif *.jpg *.jpeg *.tga)");
    EXPECT_EQ(suffix, "png");
    EXPECT_EQ(directory, folder_.path());
    EXPECT_TRUE(keepsLinks);
}

TEST_F(QtFileDialogTest, WritesChosenPathWithNulAtBufferStart) {
    const std::string path = Touch(
        "Stra\xc3\x9f"
        "e wall.png");
    OpenFileRequest request = Request();
    const std::size_t bufferSize = request.lpstrFile.size();
    EXPECT_EQ(Run(request, {TypeAndAccept(QString::fromStdString(path))}), 1);
    EXPECT_EQ(request.lpstrFile.substr(0, path.size() + 1), path + '\0');
    EXPECT_EQ(request.lpstrFile.size(), bufferSize);
    EXPECT_EQ(request.lpstrFile[path.size() + 1], ' ');
}

TEST_F(QtFileDialogTest, RejectGivesZeroAndLeavesBuffer) {
    OpenFileRequest request = Request();
    const std::string before = request.lpstrFile;
    EXPECT_EQ(Run(request, {OnFileDialog([](QFileDialog& dialog) { dialog.reject(); })}), 0);
    EXPECT_EQ(request.lpstrFile, before);
}

TEST_F(QtFileDialogTest, TypedNameWithoutExtensionGetsDefaultSuffix) {
    const std::string path = Touch("brick.png");
    OpenFileRequest request = Request();
    EXPECT_EQ(Run(request, {TypeAndAccept("brick")}), 1);
    EXPECT_EQ(Chosen(request), path);
}

TEST_F(QtFileDialogTest, PathMustFitInBufferLessItsNul) {
    const std::string path = Touch("fits.png");
    const auto choose = [&](std::uint32_t maxFile) {
        OpenFileRequest request = Request();
        request.nMaxFile = maxFile;
        return Run(request, {TypeAndAccept(QString::fromStdString(path))});
    };
    EXPECT_EQ(choose(static_cast<std::uint32_t>(path.size())), 0);
    EXPECT_EQ(choose(static_cast<std::uint32_t>(path.size() + 1)), 1);
}

TEST_F(QtFileDialogTest, MissingFileIsConfirmedBeforeItIsReturned) {
    OpenFileRequest request = Request();
    QString firstQuestion, secondQuestion;
    // "No" brings the dialog back; "Yes" returns the name without creating it.
    EXPECT_EQ(Run(request,
                  {TypeAndAccept("new.png"), AnswerQuestion(QMessageBox::No, &firstQuestion),
                   TypeAndAccept("other.png"), AnswerQuestion(QMessageBox::Yes, &secondQuestion)}),
              1);
    EXPECT_EQ(Chosen(request), PathOf("other.png"));
    EXPECT_TRUE(firstQuestion.contains("new.png"));
    EXPECT_TRUE(secondQuestion.contains("Create the file?"));
    EXPECT_FALSE(fs::exists(PathOf("new.png")));
    EXPECT_FALSE(fs::exists(PathOf("other.png")));
}

TEST_F(QtFileDialogTest, SymbolicLinkIsReturnedAsItself) {
    const std::string target = Touch("target.png");
    const std::string link = PathOf("shortcut.png");
    fs::create_symlink(target, link);
    OpenFileRequest request = Request();
    EXPECT_EQ(Run(request, {TypeAndAccept(QString::fromStdString(link))}), 1);
    EXPECT_EQ(Chosen(request), link);
}

}  // namespace
}  // namespace orrisbay::imageio
