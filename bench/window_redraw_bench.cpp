// The window's redraw as a person meets it: 10,000 points of every data type
// over a 3000 x 2400 picture, recorded by the main redraw with the real font
// metrics and painted onto a paint box of 1270 x 1000 pixels, either after
// only the objects changed (a point moved) or after the view moved (a pan).
// "Replay" paints every operation anew, as a paint box without a kept picture
// would; "Kept" paints through the surface renderer the paint box uses.
// Times are processor time of this process.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "core/draw/view.hpp"
#include "core/picture/picture.hpp"
#include "core/program/program.hpp"
#include "core/workspace/main_redraw.hpp"
#include "core/workspace/workspace.hpp"
#include "gui/support/qt_text_metrics.hpp"
#include "gui/support/recording_painter.hpp"
#include "gui/support/surface_renderer.hpp"
#include "mixed_history.hpp"

namespace {

using namespace kvx;

constexpr int32_t kPoints = 10000;
constexpr int kBoxWidth = 1270;
constexpr int kBoxHeight = 1000;

struct Fixture {
    SilentUserInterface ui;
    std::unique_ptr<Program> program;
    std::unique_ptr<Workspace> ws;
    int32_t objects = 0;

    Fixture() {
        const auto dir = std::filesystem::temp_directory_path() / "kvx_window_redraw_bench";
        std::filesystem::create_directories(dir);
        program = std::make_unique<Program>(ui, dir.string());
        if (!program->InitErrorStack()) std::abort();
        program->settings.RecordCapacity = kPoints;
        ws = std::make_unique<Workspace>(*program);
        if (ws->CreateHistory() != kOk) std::abort();
        ws->SetTextMetrics(std::make_shared<QtTextMetrics>());
        ws->SetScreenFieldSize(kBoxHeight);
        ws->SetDisplayFieldPixels(kBoxWidth);

        objects = bench::AppendMixedHistory(*program, *ws, kPoints, {20000.0, 900, 700, 3000.0});

        ws->SetRedrawCount(3);
        Project project = ws->project();
        project.imagePath = (dir / "bench.png").string();
        project.resolutionDpi = 80;  // 3000 pixels are 952,500 µm
        auto picture = std::make_shared<Picture>();
        if (!picture->pixels.Allocate(3000, 2400)) std::abort();
        for (int32_t y = 0; y < 2400; ++y) {
            uint8_t* p = picture->pixels.Row(y);
            for (int32_t x = 0; x < 3000; ++x, p += 3) {
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(y);
                p[2] = static_cast<uint8_t>((x ^ y) & 0xFF);
            }
        }
        if (!picture->BuildReducedCopies()) std::abort();
        project.picture = picture;
        project.view.imageWidth = 3000;
        project.view.imageHeight = 2400;
        if (SetWindow(*program, project.view, WorldRect{0, 0, 952500, 952500}, true, true) != kOk)
            std::abort();
        ws->AdoptProject(std::move(project));
        ws->SetCurrentType(6);
        ws->StatisticsPass();
    }

    /// Moves one point a little back and forth: only the objects change.
    void MovePoint(int iteration) {
        MeasuredObject p = ws->history().Peek(2);
        p.x += (iteration % 2 == 0) ? 1000.0 : -1000.0;
        ws->PutRecord(2, p);
    }

    /// Pans the view a little back and forth.
    void Pan(int iteration) {
        const int d = (iteration % 2 == 0) ? 40 : -40;
        (void)ws->DragPan(d, d, kBoxWidth, kBoxHeight);
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void PaintReplay(const Recording& surface, QImage& box) {
    box.fill(Qt::white);
    QPainter painter(&box);
    RecordingPainter(surface).Paint(painter, box.rect());
}

template <class Change, class Paint>
void Run(benchmark::State& state, Change change, Paint paint) {
    Fixture& f = Shared();
    int iteration = 0;
    std::size_t ops = 0;
    for (auto _ : state) {
        change(f, iteration++);
        f.ws->SetRedrawCount(3);
        const WindowState window = MainRedraw(*f.ws);
        if (!window.surface) std::abort();
        ops = window.surface->Size();
        paint(window.surface);
    }
    state.counters["objects"] = f.objects;
    state.counters["ops"] = static_cast<double>(ops);
}

void ObjectsChangeReplay(benchmark::State& state) {
    QImage box(kBoxWidth, kBoxHeight, QImage::Format_RGB32);
    Run(
        state, [](Fixture& f, int i) { f.MovePoint(i); },
        [&](const std::shared_ptr<const Recording>& s) { PaintReplay(*s, box); });
}
BENCHMARK(ObjectsChangeReplay)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void ViewMovesReplay(benchmark::State& state) {
    QImage box(kBoxWidth, kBoxHeight, QImage::Format_RGB32);
    Run(
        state, [](Fixture& f, int i) { f.Pan(i); },
        [&](const std::shared_ptr<const Recording>& s) { PaintReplay(*s, box); });
}
BENCHMARK(ViewMovesReplay)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void ObjectsChangeKept(benchmark::State& state) {
    SurfaceRenderer renderer;
    Run(
        state, [](Fixture& f, int i) { f.MovePoint(i); },
        [&](const std::shared_ptr<const Recording>& s) {
            benchmark::DoNotOptimize(renderer.Render(*s, QSize(kBoxWidth, kBoxHeight), Qt::white));
        });
    state.counters["picture paints"] = renderer.PicturePaints();
}
BENCHMARK(ObjectsChangeKept)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void ViewMovesKept(benchmark::State& state) {
    SurfaceRenderer renderer;
    Run(
        state, [](Fixture& f, int i) { f.Pan(i); },
        [&](const std::shared_ptr<const Recording>& s) {
            benchmark::DoNotOptimize(renderer.Render(*s, QSize(kBoxWidth, kBoxHeight), Qt::white));
        });
}
BENCHMARK(ViewMovesKept)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

/// The recording alone, without painting it.
void ObjectsChangeRecordOnly(benchmark::State& state) {
    Run(
        state, [](Fixture& f, int i) { f.MovePoint(i); },
        [](const std::shared_ptr<const Recording>&) {});
}
BENCHMARK(ObjectsChangeRecordOnly)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
