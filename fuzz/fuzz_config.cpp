// The configuration reader on arbitrary bytes: it may not crash, every text
// setting stays within its length, and what it read is written and read back
// to the same settings.
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "core/program/config.hpp"
#include "core/program/program.hpp"
#include "core/support/strings.hpp"
#include "fuzz_support.hpp"

namespace {

struct Setup {
    Setup()
        : inputDir(kvx::fuzz::WorkDir() + "/in"),
          outputDir(kvx::fuzz::WorkDir() + "/out"),
          program(ui, kvx::fuzz::WorkDir()),
          readBack(ui, kvx::fuzz::WorkDir()) {
        std::filesystem::create_directories(inputDir);
        std::filesystem::create_directories(outputDir);
        program.InitErrorStack();
        readBack.InitErrorStack();
    }
    std::string inputDir;
    std::string outputDir;
    kvx::SilentUserInterface ui;
    kvx::Program program;
    kvx::Program readBack;
};

bool TextsFit(const kvx::Settings& s) {
    for (const std::string* text : {&s.DataPath, &s.ObjectTypeFile, &s.ImportPath, &s.ImagePoolPath,
                                    &s.LastImportDir, &s.LastExportDir, &s.User}) {
        if (text->size() > kvx::kShortStringMax) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    kvx::Program& program = setup.program;
    program.settings = kvx::Settings{};
    program.configDir = setup.inputDir;
    kvx::fuzz::WriteInput("in/Korvanix.cfg", data, size);
    (void)kvx::ReadWriteConfig(program, false);
    program.errors.Clear();
    if (!TextsFit(program.settings)) std::abort();

    program.configDir = setup.outputDir;
    if (kvx::ReadWriteConfig(program, true) != kvx::kConfigOk) std::abort();
    kvx::Program& other = setup.readBack;
    other.settings = kvx::Settings{};
    other.configDir = setup.outputDir;
    if (kvx::ReadWriteConfig(other, false) != kvx::kConfigOk) std::abort();
    other.errors.Clear();
    for (int32_t item = 1; item <= kvx::kLastConfigItem; ++item) {
        // A calibration far beyond any real one may lose digits in its text form.
        if (item == 64 && !(std::fabs(program.settings.Calibration) < 1e15)) continue;
        if (kvx::GetConfigItem(program.settings, item) !=
            kvx::GetConfigItem(other.settings, item)) {
            std::abort();
        }
    }
    return 0;
}
