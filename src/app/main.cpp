// The program entry: the window runs the start-up sequence when it is made.
#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "core/program/startup.hpp"
#include "core/support/file_replacement.hpp"
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

}  // namespace

int main(int argc, char** argv) {
    if (!DisplayAvailable()) {
        std::fputs(
            "korvanix: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
            "Start it on a desktop, or for a look on a headless machine: xvfb-run ./run\n",
            stderr);
        return 2;
    }
    // Stopped from a terminal or by the session, a save under way leaves
    // no temporary behind.
    kvx::InstallTemporaryCleanup();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvanix"));
    // Numbers in files and texts always use a decimal point.
    std::setlocale(LC_NUMERIC, "C");

    const QString file = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
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
