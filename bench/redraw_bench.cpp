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
#include "mixed_history.hpp"

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

        objects = bench::AppendMixedHistory(*program, *ws, kPoints, {});

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
