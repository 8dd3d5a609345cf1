// Orrisbay: blends two texture layers through their alpha masks.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/command_line.h"
#include "app/heap_policy.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "console/version.h"

namespace {

// Qt's own error for a missing display is long and cryptic; say it plainly.
bool DisplayAvailable() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    orrisbay::app::ReturnFreedPicturesToTheSystem();
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (const auto status = orrisbay::app::AnswerHelpOrVersion(arguments, std::cout)) {
        return *status;
    }
    if (!DisplayAvailable()) {
        std::fputs(
            "orrisbay: no display found (DISPLAY and WAYLAND_DISPLAY are unset); "
            "the window cannot open here.\n",
            stderr);
        return EXIT_FAILURE;
    }
    QApplication application(argc, argv);
    // What Qt left of the command line: a recipe to open, and its texture.
    const std::vector<std::string_view> windowArguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const orrisbay::app::ParsedWindowArguments asked =
        orrisbay::app::ParseWindowArguments(windowArguments);
    if (!asked.error.empty()) {
        std::fprintf(stderr, "orrisbay: %s (see orrisbay --help)\n", asked.error.c_str());
        return 64;
    }
    // Made absolute now: the window changes the current folder as it starts.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(asked.request.recipe, error);
    const std::string recipe = error ? asked.request.recipe : absolute.string();
    QApplication::setApplicationName(QStringLiteral("orrisbay"));
    QApplication::setApplicationVersion(
        QString::fromUtf8(orrisbay::console::kVersion.data(),
                          static_cast<qsizetype>(orrisbay::console::kVersion.size())));
    // Lets a Wayland compositor match the window to its desktop entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.orrisbay.Orrisbay"));

    orrisbay::app::FrmOrrisbay window;
    orrisbay::app::InstallMessageBoxes(&window);
    window.Load();
    window.show();
    if (!recipe.empty()) {
        window.openRecipe(recipe, asked.request.texture);
    }
    return QApplication::exec();
}
