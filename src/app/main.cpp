// The program entry: the window runs the start-up sequence when it is made.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/program/startup.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/version.hpp"
#include "gui/main/main_window.hpp"
#include "gui/support/core_text.hpp"

namespace {

bool DisplayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

enum class Request { Window, Help, Version };

// Asked before anything of Qt starts, so that both answer in a terminal
// without a display and never open a window.
Request RequestOf(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            return Request::Help;
        }
        if (std::strcmp(argv[i], "--version") == 0) return Request::Version;
    }
    return Request::Window;
}

constexpr const char* kUsage =
    "Usage: korvanix [PROJECT.KXP | PICTURE]\n"
    "\n"
    "Measures objects on digital pictures of specimens. A project file (.KXP)\n"
    "is opened; a picture (JPEG, Windows bitmap, GIF, PNG or TIFF) starts a new\n"
    "project on it.\n"
    "\n"
    "  -h, --help     this text\n"
    "  --version      the program's name and version\n"
    "  --             ends the options (for a file name that starts with -)\n"
    "\n"
    "Qt's own options (such as -style) are taken as well. korvanix-batch works\n"
    "on project files without a window; man korvanix tells more.\n";

// What the desktop knows the program by: the entry's name ties the window to
// its launcher (on Wayland as the application id, on X11 beside the class
// that the entry's StartupWMClass names), and the icon is the entry's own.
void SetDesktopIdentity() {
    QApplication::setApplicationName(QStringLiteral("Korvanix"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.korvanix.Korvanix"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/org/korvanix/org.korvanix.Korvanix.svg")));
}

}  // namespace

int main(int argc, char** argv) {
    switch (RequestOf(argc, argv)) {
        case Request::Help:
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        case Request::Version: {
            const std::string line =
                "korvanix " + kvx::VersionText(kvx::ReadVersion(), true) + "\n";
            std::fputs(line.c_str(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        case Request::Window:
            break;
    }
    if (!DisplayAvailable()) {
        std::fputs(
            "korvanix: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
            "Start it in a desktop session; korvanix-batch works on project files without one.\n",
            stderr);
        return 2;
    }
    // Stopped from a terminal or by the session, a save under way leaves
    // no temporary behind.
    kvx::InstallTemporaryCleanup();
    QApplication app(argc, argv);
    SetDesktopIdentity();
    // Numbers in files and texts always use a decimal point.
    std::setlocale(LC_NUMERIC, "C");

    // "--" lets a file whose name starts with "-" be opened.
    const int first = argc > 1 && std::strcmp(argv[1], "--") == 0 ? 2 : 1;
    const QString file = argc > first ? QString::fromLocal8Bit(argv[first]) : QString();
    kvx::MainWindow window(file);
    if (const int32_t step = window.StartupStep(); step != 0) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kvx::kStartupFailureCaption),
                        kvx::FromCore(kvx::StartupFailureText(step)), QMessageBox::Ok);
        box.exec();
        return 1;
    }
    window.show();
    return app.exec();
}
