// korvanix-batch: the project files of a lab without a window.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch_commands.hpp"
#include "cli/batch_options.hpp"
#include "core/program/program.hpp"
#include "core/support/file_replacement.hpp"

#ifdef KVX_BATCH_RASTER
#include <QGuiApplication>

#include "cli/batch_raster.hpp"

namespace {

// Qt's notes about the environment (no runtime folder, no display) mean
// nothing to a batch run; only real failures reach standard error.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::cerr << "korvanix-batch: " << message.toLocal8Bit().constData() << "\n";
    }
}

}  // namespace
#endif

int main(int argc, char** argv) {
    using namespace kvx::batch;
    // An interrupted run leaves no half-written table or project temporary.
    kvx::InstallTemporaryCleanup();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const ParseResult parsed = ParseArguments(arguments);
    if (!parsed.Ok()) {
        std::cerr << "korvanix-batch: " << parsed.error << "\n"
                  << "Try 'korvanix-batch --help'.\n";
        return kExitUsage;
    }
    const Options& options = parsed.options;
    const std::string dataDir = kvx::FindDataDirectory(kvx::ExecutableDirectory());

#ifdef KVX_BATCH_RASTER
    // Declared before the backend, whose fonts must go before the application.
    std::optional<QGuiApplication> application;
#endif
    RenderBackend backend;
#ifdef KVX_BATCH_RASTER
    // Only pictures need Qt, and never a display.
    if (options.command == Command::Render) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
        qInstallMessageHandler(QuietMessages);
        application.emplace(argc, argv);
        backend = QtRenderBackend();
    }
#endif
    return RunCommand(options, dataDir, backend, std::cout, std::cerr);
}
