// The project reader on arbitrary bytes: whatever the file holds, reading
// must neither crash nor touch memory it does not own, and must leave either
// a whole project or an empty one.
#include <cstdlib>

#include "core/program/program.hpp"
#include "core/project/project_file.hpp"
#include "core/workspace/workspace.hpp"
#include "fuzz_support.hpp"

namespace {

struct Setup {
    Setup() : program(ui, kvx::fuzz::WorkDir()), workspace(program) {
        program.InitErrorStack();
        program.settings.RecordCapacity = 1024;
        if (workspace.CreateHistory() != kvx::kOk) std::abort();
        // The seeds name this image; with it present the reader goes on past
        // the image line instead of giving up there.
        const uint8_t byte = 0;
        kvx::fuzz::WriteInput("tissue.jpg", &byte, 1);
    }
    kvx::SilentUserInterface ui;
    kvx::Program program;
    kvx::Workspace workspace;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    kvx::Workspace& ws = setup.workspace;
    const std::string path = kvx::fuzz::WriteInput("input.KXP", data, size);

    // The reader empties the history itself; the project starts afresh.
    ws.AdoptProject(kvx::Project{});
    const bool ok = ws.ReadProject(path, false);
    if (ok != (ws.fileState() != kvx::kNoProject)) std::abort();
    if (!ok && (ws.history().Count() != 0 || !ws.project().imagePath.empty())) std::abort();
    if (ok && (ws.project().resolutionDpi <= 0 || ws.project().imagePath.empty())) std::abort();
    for (int32_t i = 1; i <= ws.history().Count(); ++i) {
        if (ws.history().Peek(i).typeIndex > kvx::ObjectTypeTable::kSlots) std::abort();
    }
    return 0;
}
