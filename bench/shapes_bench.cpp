// Shape descriptors of 10,000 polygons of 30 vertices, with the grey and
// colour values inside each, on a 6000 x 4000 colour picture (24 megapixels)
// at 2400 dpi: seeds of about 1,400 pixels each, laid out as on a scan, which
// together cover more than half the picture.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "core/detect/pixel_statistics.hpp"
#include "core/detect/shape_descriptors.hpp"
#include "core/picture/picture.hpp"

namespace {

using namespace kvx;

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int kColumns = 100;
constexpr int kRows = 100;
constexpr int kVertices = 30;
constexpr double kDpi = 2400.0;
constexpr double kMicrometresPerPixel = 25400.0 / kDpi;

struct Scene {
    PixelImage picture;
    std::vector<std::vector<WorldPoint>> outlines;

    Scene() {
        if (!picture.Allocate(kWidth, kHeight)) std::abort();
        std::mt19937 random(28);
        std::uniform_int_distribution<int> noise(0, 255);
        for (int32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = picture.Row(y);
            for (int32_t x = 0; x < kWidth * 3; ++x) row[x] = static_cast<uint8_t>(noise(random));
        }
        // Ellipses of 26 x 17 pixels, each turned its own way, their
        // outlines wobbling by up to a tenth.
        std::uniform_real_distribution<double> turn(0.0, std::numbers::pi);
        std::uniform_real_distribution<double> wobble(0.9, 1.1);
        const double cellWidth = static_cast<double>(kWidth) / kColumns;
        const double cellHeight = static_cast<double>(kHeight) / kRows;
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kColumns; ++c) {
                const double cx = (c + 0.5) * cellWidth;
                const double cy = (r + 0.5) * cellHeight;
                const double t = turn(random);
                std::vector<WorldPoint> outline;
                for (int k = 0; k < kVertices; ++k) {
                    const double a = 2.0 * std::numbers::pi * k / kVertices;
                    const double w = wobble(random);
                    // Within its cell whichever way it is turned.
                    const double u = 26.0 * std::cos(a) * w * 0.7;
                    const double v = 17.0 * std::sin(a) * w;
                    const double x = cx + u * std::cos(t) - v * std::sin(t);
                    const double y = cy + u * std::sin(t) + v * std::cos(t);
                    outline.push_back({x * kMicrometresPerPixel, y * kMicrometresPerPixel});
                }
                outlines.push_back(std::move(outline));
            }
        }
    }
};

const Scene& TheScene() {
    static const Scene scene;
    return scene;
}

void BM_ShapeDescriptors(benchmark::State& state) {
    const Scene& scene = TheScene();
    for (auto _ : state) {
        double sum = 0.0;
        for (const auto& outline : scene.outlines) {
            const PolygonDescriptors d = DescribePolygon(outline);
            sum += d.feret + d.solidity + d.aspectRatio;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["polygons"] = static_cast<double>(scene.outlines.size());
}
BENCHMARK(BM_ShapeDescriptors)->Unit(benchmark::kMillisecond);

void BM_ShapeDescriptorsWithColourValues(benchmark::State& state) {
    const Scene& scene = TheScene();
    const RgbView rgb = scene.picture.View();
    const SampleView samples{rgb.data, rgb.width, rgb.height, rgb.stride, 3, 8};
    int64_t pixels = 0;
    for (auto _ : state) {
        double sum = 0.0;
        pixels = 0;
        for (const auto& outline : scene.outlines) {
            const PolygonDescriptors d = DescribePolygon(outline);
            const PixelStatistics p = MeasurePixels(samples, kDpi / 25400.0, outline);
            sum += d.feret + d.solidity + p.grey.mean + p.colour[2].sd;
            pixels += p.grey.count;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["polygons"] = static_cast<double>(scene.outlines.size());
    state.counters["pixels"] = static_cast<double>(pixels);
}
BENCHMARK(BM_ShapeDescriptorsWithColourValues)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
