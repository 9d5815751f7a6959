// Saving and reading a project at the largest capacity the options allow
// (100 x 1024 points).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "core/program/program.hpp"
#include "core/project/project_file.hpp"
#include "core/project/undo_history.hpp"
#include "core/workspace/workspace.hpp"

namespace {

constexpr int32_t kCapacity = 100 * 1024;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "project_file_bench: %s failed\n", what);
    std::exit(1);
}

class Fixture {
public:
    Fixture()
        : dir_(std::filesystem::temp_directory_path() /
               ("kvx-bench-" + std::to_string(::getpid()))),
          program_(ui_, dir_.string()),
          workspace_(program_) {
        std::filesystem::create_directories(dir_);
        const std::string image = (dir_ / "image.jpg").string();
        std::ofstream(image) << "x";
        program_.InitErrorStack();
        program_.settings.RecordCapacity = kCapacity;
        if (workspace_.CreateHistory() != kvx::kOk) Fail("creating the history table");

        kvx::Project project = workspace_.project();
        project.imagePath = image;
        project.originalImagePath = image;
        project.resolutionDpi = 2400;
        project.userName = "Benchmark";
        workspace_.AdoptProject(std::move(project));
        workspace_.SetUserNameAsked(true);
        // Objects of eight points, every fourth one named, spread over the world.
        for (int32_t i = 0; i < kCapacity; ++i) {
            kvx::MeasuredObject p;
            p.typeIndex = 1 + (i / 8) % 12;
            p.vertexKind = i % 8 == 0 ? 1 : 2;
            const int64_t n = i;
            p.x = 1000.0 + static_cast<double>(n * 7919 % 997000) + 0.25 * (i % 4);
            p.y = 1000.0 + static_cast<double>(n * 104729 % 997000) + 0.5;
            if (i % 32 == 0) p.name = "object " + std::to_string(i / 8);
            p.excluded = i % 80 == 0;
            if (!workspace_.AppendRecord(p)) Fail("filling the history table");
        }
        path_ = (dir_ / "bench.KXP").string();
        if (workspace_.Save(path_) != kvx::kOk) Fail("saving the project");
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    kvx::Workspace& workspace() { return workspace_; }
    kvx::Program& program() { return program_; }
    const std::string& path() const { return path_; }

private:
    std::filesystem::path dir_;
    kvx::SilentUserInterface ui_;
    kvx::Program program_;
    kvx::Workspace workspace_;
    std::string path_;
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void BM_SaveProject(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        if (f.workspace().Save(f.path()) != kvx::kOk) state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations() * kCapacity);
    state.SetBytesProcessed(state.iterations() *
                            static_cast<int64_t>(std::filesystem::file_size(f.path())));
}
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond);

void BM_ReadProject(benchmark::State& state) {
    Fixture& f = Shared();
    kvx::Workspace& ws = f.workspace();
    for (auto _ : state) {
        if (!ws.ReadProject(f.path(), false)) state.SkipWithError("read failed");
        if (ws.history().Count() != kCapacity) state.SkipWithError("points missing");
    }
    state.SetItemsProcessed(state.iterations() * kCapacity);
}
BENCHMARK(BM_ReadProject)->Unit(benchmark::kMillisecond);

// A point moved in a full project and recorded so that it can be undone:
// the snapshot and the comparison every change to a project costs, and the
// undo and redo that put it back.
void BM_UndoableChange(benchmark::State& state) {
    Fixture& f = Shared();
    kvx::Workspace& ws = f.workspace();
    // The workspace changes its project only through commands; the same
    // project is copied here so that the change can be made directly.
    kvx::Project project = ws.project();
    kvx::RecordArrayRegistry registry;
    kvx::History history;
    if (history.Create(registry, kCapacity) != kvx::kOk) Fail("creating the copied table");
    for (int32_t i = 1; i <= ws.history().Count(); ++i) {
        if (!history.Append(ws.history().Peek(i))) Fail("copying the table");
    }
    int32_t fileState = ws.fileState();
    kvx::UndoHistory undo;
    undo.Clear(fileState);
    const kvx::UndoableState s{project, history, fileState, f.program().settings.Calibration};
    const int32_t index = history.Count() / 2;
    for (auto _ : state) {
        undo.Begin(s);
        kvx::MeasuredObject p = history.Peek(index);
        p.x += 1.0;
        history.Put(index, p);
        if (!undo.Commit(s, "move")) state.SkipWithError("no change recorded");
        if (!undo.Undo(s) || !undo.Redo(s)) state.SkipWithError("undo failed");
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["entry_bytes"] = static_cast<double>(undo.MemoryUsed()) /
                                    static_cast<double>(std::max<std::size_t>(undo.Size(), 1));
}
BENCHMARK(BM_UndoableChange)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
