#include "core/program/program.hpp"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/support/file_names.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

std::string WithTrailingSeparator(std::string dir) {
    if (!dir.empty() && !IsPathSeparator(dir.back())) dir += kPathSeparator;
    return dir;
}

}  // namespace

Program::Program(UserInterface& userInterface, std::string dataDir)
    : ui(userInterface),
      version(ReadVersion()),
      programDir(WithTrailingSeparator(std::move(dataDir))),
      startDir(CurrentDirectory()),
      exitProcess([](int code) { std::exit(code); }) {}

bool Program::InitErrorStack() {
    if (!errors.Init()) return false;
    registry.SetReportRoutine(
        [this](ErrorCode code, std::string_view info) { errors.ReportError(code, 0, info); });
    return true;
}

ErrorCode Program::LoadMessages() {
    const int language = settings.Language;
    const char base = BaseLetter(language);
    if (const ErrorCode code = messages.LoadMessageFile("", false, base, language, programDir);
        code != kOk) {
        return code;
    }
    return messages.LoadMessageFile("KX18.MSG", true, base, language, programDir);
}

std::string ExecutableDirectory() {
    std::string buffer(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return {};
    buffer.resize(static_cast<std::size_t>(length));
    return ExtractFileDir(buffer);
}

std::string FindDataDirectory(const std::string& exeDir) {
    if (!exeDir.empty()) {
        // An installed tree keeps its data under share/ beside bin/, wherever
        // it was put; the build tree keeps it beside the program.
        const std::string installed = std::filesystem::path(JoinPath(exeDir, KVX_RELATIVE_DATA_DIR))
                                          .lexically_normal()
                                          .string();
        for (const std::string& dir : {installed, exeDir}) {
            std::string probe = JoinPath(dir, "KX18.MSG");
            if (FileExists(probe, 4096, false, {})) {
                return WithTrailingSeparator(dir);
            }
        }
    }
    return WithTrailingSeparator(KVX_INSTALL_DATA_DIR);
}

}  // namespace kvx
