// Statistics pass and text exports on a full project: 102,400 points spread
// over several types, each value type holding the 999 values a list can take.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/export/text_export.hpp"
#include "core/measure/values.hpp"
#include "core/program/program.hpp"
#include "core/stats/collect_values.hpp"
#include "core/workspace/workspace.hpp"

namespace {

using namespace kvx;

constexpr int kLength = 1;
constexpr int kArea = 2;
constexpr int kCells = 3;
constexpr int kScore = 4;
constexpr int kOutline = 5;  // drawn only, no values
constexpr int32_t kPoints = 102400;

// Answers Yes to every question and saves where it is told to.
class BenchUserInterface : public SilentUserInterface {
public:
    std::string path;
    int MessageBox(std::string_view, std::string_view, MessageButtons buttons) override {
        return buttons == MessageButtons::YesNoCancel || buttons == MessageButtons::YesNo
                   ? kAnswerYes
                   : kAnswerOk;
    }
    std::string SaveFileName(const SaveFileRequest&) override { return path; }
};

struct Fixture {
    BenchUserInterface ui;
    std::filesystem::path dir;
    std::unique_ptr<Program> program;
    std::unique_ptr<Workspace> ws;

    Fixture() {
        dir = std::filesystem::temp_directory_path() / "kvx_stats_bench";
        std::filesystem::create_directories(dir);
        ui.path = (dir / "export.txt").string();
        program = std::make_unique<Program>(ui, dir.string());
        program->settings.RecordCapacity = kPoints;
        ws = std::make_unique<Workspace>(*program);
        if (ws->CreateHistory() != kOk) std::abort();
        Define(kLength, kTwoPointLine, "Length (mm)");
        Define(kArea, kPolygon, "Area");
        Define(kCells, kCount, "Cells");
        Define(kScore, kText, "Score");
        Define(kOutline, kLine, "Outline");
        kvx::Project project = ws->project();
        project.projectPath = (dir / "bench.KXP").string();
        project.imagePath = (dir / "bench.jpg").string();
        ws->AdoptProject(std::move(project));

        // Objects of the value types interleaved; outlines fill the table.
        for (int k = 0; k < 999; ++k) {
            const double x = 1000.0 + (k * 37) % 5000;
            const double y = 1000.0 + (k * 91) % 7000;
            Add(kLength, x, y, 1);
            Add(kLength, x + 100 + k % 300, y + 50, 2);
            Ring(kArea, x, y, 50, 200.0 + k % 400);
            Ring(kCells, x, y, 20, 80.0);
            Add(kScore, x, y, 0, std::to_string(k % 97) + ",5");
        }
        while (ws->history().Count() < kPoints) {
            const int32_t left = kPoints - ws->history().Count();
            for (int32_t k = 0; k < std::min(left, 25); ++k)
                Add(kOutline, k * 10.0, k * 5.0, k ? 2 : 1);
        }
    }

    void Define(int slot, uint8_t dataType, const char* name) {
        ObjectType* t = program->objectTypes.Find(slot);
        t->nameEnglish = t->nameGerman = name;
        t->dataClass = kClassUser;
        t->dataType = dataType;
    }
    void Add(int type, double x, double y, int kind, std::string name = {}) {
        MeasuredObject p;
        p.x = x;
        p.y = y;
        p.typeIndex = type;
        p.vertexKind = kind;
        p.name = std::move(name);
        if (!ws->AppendRecord(p)) std::abort();
    }
    // A closed ring of clicks plus the closing copy of the first.
    void Ring(int type, double cx, double cy, int clicks, double radius) {
        for (int k = 0; k < clicks; ++k) {
            const double a = 6.283185307179586 * k / clicks;
            Add(type, cx + radius * std::cos(a), cy + radius * std::sin(a), k ? 2 : 1);
        }
        Add(type, cx + radius, cy, 2);
    }
};

Fixture& Project() {
    static Fixture fixture;
    return fixture;
}

void BM_StatisticsPass(benchmark::State& state) {
    Workspace& ws = *Project().ws;
    ws.SetCurrentType(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        ws.StatisticsPass();
        benchmark::DoNotOptimize(ws.valueList().mean());
    }
    state.counters["values"] = ws.valueList().Count();
}
BENCHMARK(BM_StatisticsPass)
    ->ArgName("type")
    ->Arg(kLength)
    ->Arg(kArea)
    ->Arg(kCells)
    ->Arg(kScore)
    ->Unit(benchmark::kMicrosecond);

void BM_CollectValues(benchmark::State& state) {
    Fixture& f = Project();
    ValueList list;
    for (auto _ : state) {
        CollectValues(f.ws->history(), f.program->objectTypes, static_cast<int32_t>(state.range(0)),
                      list);
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(BM_CollectValues)
    ->ArgName("type")
    ->Arg(kLength)
    ->Arg(kArea)
    ->Unit(benchmark::kMicrosecond);

void BM_TextExport(benchmark::State& state) {
    Workspace& ws = *Project().ws;
    const auto kind = static_cast<int32_t>(state.range(0));
    ws.SetCurrentType(kLength);
    ws.StatisticsPass();
    std::vector<std::string> lines;
    for (auto _ : state) {
        if (kind == kExportScreen) {
            lines.clear();
            ws.DoWriteFile(kind, &lines);
        } else {
            ws.DoWriteFile(kind);
        }
    }
    const auto written =
        std::filesystem::path(Project().ui.path).replace_extension(ExportExtension(kind));
    if (kind != kExportScreen) {
        state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(written));
    }
}
BENCHMARK(BM_TextExport)
    ->ArgName("kind")
    ->Arg(kExportReport)
    ->Arg(kExportScreen)
    ->Arg(kExportTessaplot)
    ->Arg(kExportR)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
