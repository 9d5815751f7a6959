// korvanix-batch: the project files of a lab without a window.
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <optional>
#include <streambuf>
#include <string>
#include <system_error>
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

namespace {

// Standard output written straight to its file descriptor, so that the
// reason of the first write that fails (a full disk) is kept for the message.
class StandardOutputBuffer : public std::streambuf {
public:
    StandardOutputBuffer() { setp(buffer_, buffer_ + sizeof buffer_); }
    int Failure() const { return failure_; }

    // The last flush and the closing count as writes too.
    bool Finish() {
        if (sync() != 0) return false;
        errno = 0;
        if (::close(STDOUT_FILENO) != 0 && errno != EINTR) Fail(errno);
        return failure_ == 0;
    }

protected:
    int_type overflow(int_type c) override {
        if (!Drain()) return traits_type::eof();
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }
    int sync() override { return Drain() ? 0 : -1; }

private:
    bool Drain() {
        const char* from = pbase();
        while (failure_ == 0 && from < pptr()) {
            const ssize_t n = ::write(STDOUT_FILENO, from, static_cast<std::size_t>(pptr() - from));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                Fail(n < 0 ? errno : EIO);
                break;
            }
            from += n;
        }
        setp(buffer_, buffer_ + sizeof buffer_);
        return failure_ == 0;
    }
    void Fail(int reason) {
        if (failure_ == 0) failure_ = reason != 0 ? reason : EIO;
    }

    char buffer_[1 << 16];
    int failure_ = 0;
};

// A table cut short on a full disk must not pass for a whole one.
int FinishStandardOutput(int status, StandardOutputBuffer& buffer) {
    std::cout.flush();
    if (buffer.Finish()) return status;
    std::cerr << "korvanix-batch: cannot write standard output: "
              << std::generic_category().message(buffer.Failure()) << "\n";
    return status == kvx::batch::kExitOk ? kvx::batch::kExitProjectFailed : status;
}

}  // namespace

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
    StandardOutputBuffer standardOutput;
    std::streambuf* const previous = std::cout.rdbuf(&standardOutput);
    const int status = RunCommand(options, dataDir, backend, std::cout, std::cerr);
    const int result = FinishStandardOutput(status, standardOutput);
    std::cout.rdbuf(previous);
    return result;
}
