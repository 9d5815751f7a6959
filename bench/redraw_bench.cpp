// Recording a redraw of a full history: 102,400 points in about 10,000
// objects of every data type, with symbols, labels, frame and raster.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "core/draw/recording.hpp"
#include "core/draw/render_objects.hpp"
#include "core/picture/picture.hpp"
#include "core/program/program.hpp"
#include "core/workspace/main_redraw.hpp"
#include "core/workspace/workspace.hpp"

namespace {

using namespace kvx;

constexpr int32_t kPoints = 102400;

struct Fixture {
    SilentUserInterface ui;
    std::unique_ptr<Program> program;
    std::unique_ptr<Workspace> ws;
    ApproxTextMetrics metrics;
    int32_t objects = 0;

    Fixture() {
        const auto dir = std::filesystem::temp_directory_path() / "kvx_redraw_bench";
        std::filesystem::create_directories(dir);
        program = std::make_unique<Program>(ui, dir.string());
        if (!program->InitErrorStack()) std::abort();
        program->settings.RecordCapacity = kPoints;
        ws = std::make_unique<Workspace>(*program);
        if (ws->CreateHistory() != kOk) std::abort();
        if (!ws->ResetViewToWorld()) std::abort();

        Define(1, kLine, 0, 0);
        Define(2, kPoint, 'x', 0);
        Define(3, kObject, 0, 0);
        Define(4, kText, 0, 0);
        Define(5, kPolygon, 0, 0);
        Define(6, kTwoPointLine, 0, 0);
        Define(7, kCount, 3 * 256, 0);
        Define(8, kPoint, 6 * 256, 0);
        for (int slot : {121, 123, 124, 125, 127}) Define(slot, kLine, 0, 0);

        // One round of eight objects holds 82 points: about 10,000 objects.
        static constexpr int kRoundTypes[] = {1, 2, 3, 4, 5, 6, 7, 8};
        static constexpr int kRoundPoints[] = {12, 1, 3, 1, 23, 2, 39, 1};
        int32_t n = 0;
        for (int round = 0; n < kPoints; ++round) {
            for (int k = 0; k < 8 && n < kPoints; ++k) {
                const int type = kRoundTypes[k];
                const double x0 = (round * 7919 % 990) * 1000.0 + 2000.0;
                const double y0 = (round * 104729 % 990) * 1000.0 + 2000.0;
                const bool closing = type == 5 || type == 7;
                const int points = kRoundPoints[k];
                for (int i = 0; i < points && n < kPoints; ++i, ++n) {
                    MeasuredObject p;
                    p.typeIndex = type;
                    const int j = closing && i == points - 1 ? 0 : i;
                    p.x = x0 + (j % 5) * 1500.0;
                    p.y = y0 + (j / 5) * 1500.0;
                    p.vertexKind = type == 2 || type == 3 || type == 4 || type == 8
                                       ? 0
                                       : (type == 6 ? (i % 2 == 0 ? 1 : 2) : (i == 0 ? 1 : 2));
                    p.name = type == 1 || type == 5 ? "" : "Obj " + std::to_string(round);
                    p.excluded = round % 13 == 0;
                    if (!ws->AppendRecord(p)) std::abort();
                }
                ++objects;
            }
        }

        // The full redraw: every layer on, a picture in memory, a current
        // type with values for the histogram and the statistics box.
        ws->SetRedrawCount(3);
        program->settings.DisplayLayers = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        Project project = ws->project();
        project.imagePath = (dir / "bench.jpg").string();
        project.projectPath = (dir / "bench.KXP").string();
        project.resolutionDpi = 1200;
        auto picture = std::make_shared<Picture>();
        if (!picture->pixels.Allocate(2400, 1800)) std::abort();
        project.picture = picture;
        project.view.imageWidth = 2400;
        project.view.imageHeight = 1800;
        ws->AdoptProject(std::move(project));
        ws->SetFileState(kChanged);
        ws->SetCurrentType(6);
        ws->StatisticsPass();
    }

    void Define(int slot, DataType dataType, int32_t symbol, int32_t attribute) {
        ObjectType& t = *program->objectTypes.Find(slot);
        t.dataClass = kClassUser;
        t.dataType = dataType;
        t.show = true;
        t.showLabel = true;
        t.colour = 0x0000C0 + slot;
        t.attribute = attribute;
        t.textFont = "Arial";
        t.size = 8;
        t.symbolNumber = symbol;
        t.symbolFont = "Arial";
        t.symbolSize = 5;
        t.textColour = 0x804000;
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void RecordObjectsAndRaster(benchmark::State& state) {
    Fixture& f = Shared();
    const ViewBlock& view = f.ws->project().view;
    const Settings& settings = f.program->settings;
    std::size_t ops = 0;
    for (auto _ : state) {
        Recording surface(2000, 2000, f.metrics);
        surface.Reserve(static_cast<std::size_t>(f.ws->history().Count()) + 256);
        ObjectRenderer renderer(view, settings, f.program->objectTypes, surface);
        renderer.DrawFrame(settings.Colour1, true);
        if (renderer.DrawPolygons(f.ws->history(), 0, 0) != kOk) std::abort();
        renderer.DrawObjects(f.ws->history(), 0, 0);
        renderer.DrawRaster();
        renderer.DrawFrame(0, false);
        ops = surface.Size();
        benchmark::DoNotOptimize(surface.Ops().data());
    }
    state.counters["objects"] = f.objects;
    state.counters["ops"] = static_cast<double>(ops);
}
BENCHMARK(RecordObjectsAndRaster)->Unit(benchmark::kMillisecond);

void MainRedrawAllLayers(benchmark::State& state) {
    Fixture& f = Shared();
    std::size_t ops = 0;
    for (auto _ : state) {
        f.ws->SetRedrawCount(3);
        const WindowState window = MainRedraw(*f.ws);
        if (!window.surface) std::abort();
        ops = window.surface->Size();
    }
    state.counters["objects"] = f.objects;
    state.counters["ops"] = static_cast<double>(ops);
}
BENCHMARK(MainRedrawAllLayers)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
