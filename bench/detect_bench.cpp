// Detecting every object of a 6000 x 4000 picture (a flatbed scan of 1,000
// dark seeds of different sizes on a light, slightly noisy background) as
// the batch tool does it: the JPEG decoded in full, the grey values taken,
// thresholded, the regions found, filled, outlined and simplified. Timed by
// the processor time of the whole process, so that any threads of the
// image-processing library count too; "split" parts touching objects as
// well. The plane and detection steps are timed on their own besides. The
// detection dialog's preview, which follows every change of a setting, is
// timed on the same picture by the wall clock, once the dialog has read it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "core/detect/detect_objects.hpp"
#include "core/detect/sample_plane.hpp"
#include "core/export/jpeg_writer.hpp"
#include "core/options/detect_dialog_model.hpp"
#include "core/picture/picture.hpp"
#include "core/picture/picture_loader.hpp"

namespace {

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;
constexpr int32_t kColumns = 40;
constexpr int32_t kRows = 25;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "detect_bench: %s failed\n", what);
    std::exit(1);
}

const std::vector<uint8_t>& Scan() {
    static const std::vector<uint8_t> bytes = [] {
        kvx::PixelImage image;
        if (!image.Allocate(kWidth, kHeight)) Fail("allocating the image");
        uint32_t seed = 4711;
        const auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return seed >> 8;
        };
        for (int32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = image.Row(y);
            for (int32_t x = 0; x < kWidth; ++x) {
                const auto v = static_cast<uint8_t>(215 + next() % 16);
                row[3 * x] = v;
                row[3 * x + 1] = v;
                row[3 * x + 2] = static_cast<uint8_t>(v - 10);
            }
        }
        const double cellW = double{kWidth} / kColumns;
        const double cellH = double{kHeight} / kRows;
        for (int32_t r = 0; r < kRows; ++r) {
            for (int32_t c = 0; c < kColumns; ++c) {
                const double cx = (c + 0.5) * cellW + static_cast<double>(next() % 21) - 10.0;
                const double cy = (r + 0.5) * cellH + static_cast<double>(next() % 21) - 10.0;
                const double rx = 18.0 + static_cast<double>(next() % 40);
                const double ry = rx * (0.6 + static_cast<double>(next() % 40) / 100.0);
                for (auto y = static_cast<int32_t>(cy - ry) - 1; y <= cy + ry + 1; ++y) {
                    uint8_t* row = image.Row(y);
                    for (auto x = static_cast<int32_t>(cx - rx) - 1; x <= cx + rx + 1; ++x) {
                        const double dx = (x + 0.5 - cx) / rx;
                        const double dy = (y + 0.5 - cy) / ry;
                        if (dx * dx + dy * dy > 1.0) continue;
                        const auto v = static_cast<uint8_t>(60 + next() % 30);
                        row[3 * x] = static_cast<uint8_t>(v + 20);
                        row[3 * x + 1] = v;
                        row[3 * x + 2] = static_cast<uint8_t>(v - 20);
                    }
                }
            }
        }
        std::vector<uint8_t> jpeg;
        if (!kvx::EncodeJpeg(image.View(), 92, jpeg)) Fail("encoding");
        return jpeg;
    }();
    return bytes;
}

void Detect(benchmark::State& state, bool split) {
    const std::vector<uint8_t>& jpeg = Scan();
    kvx::DetectSettings settings;
    settings.split = split;
    settings.minArea = 50;
    std::size_t found = 0;
    for (auto _ : state) {
        kvx::Picture picture;
        if (!kvx::PictureDecoded(kvx::DecodePicture(jpeg.data(), jpeg.size(),
                                                    kvx::PictureFormat::kJpeg, {}, picture))) {
            Fail("decoding");
        }
        kvx::SamplePlane plane;
        if (!kvx::SamplesOf(picture, kvx::SampleChannel::kLuminance, plane)) Fail("grey values");
        kvx::DetectResult result;
        if (!kvx::DetectObjects(plane, settings, result)) Fail("detecting");
        found = result.objects.size();
        benchmark::DoNotOptimize(result);
    }
    if (found != kColumns * kRows) {
        std::fprintf(stderr, "detect_bench: found %zu objects\n", found);
        Fail("counting");
    }
    state.counters["objects"] = static_cast<double>(found);
}

void BM_DetectWithDecode(benchmark::State& state) {
    Detect(state, false);
}
void BM_DetectWithDecodeAndSplit(benchmark::State& state) {
    Detect(state, true);
}

void BM_DecodeOnly(benchmark::State& state) {
    const std::vector<uint8_t>& jpeg = Scan();
    for (auto _ : state) {
        kvx::Picture picture;
        if (!kvx::PictureDecoded(kvx::DecodePicture(jpeg.data(), jpeg.size(),
                                                    kvx::PictureFormat::kJpeg, {}, picture))) {
            Fail("decoding");
        }
        benchmark::DoNotOptimize(picture);
    }
}

void BM_DialogPreview(benchmark::State& state) {
    const std::vector<uint8_t>& jpeg = Scan();
    auto picture = std::make_shared<kvx::Picture>();
    if (!kvx::PictureDecoded(kvx::DecodePicture(jpeg.data(), jpeg.size(), kvx::PictureFormat::kJpeg,
                                                {}, *picture))) {
        Fail("decoding");
    }
    kvx::DetectDialogModel model(picture, 600, {});
    kvx::DetectChoices choices;
    choices.method = kvx::ThresholdMethod::kValue;
    choices.minArea = 50.0 * (25400.0 / 600) * (25400.0 / 600);
    if (!model.Update(choices)) Fail("the first preview");
    int32_t step = 0;
    for (auto _ : state) {
        // A threshold dragged along, as the person does it.
        choices.level = 140 + step++ % 20;
        if (!model.Update(choices)) Fail("the preview");
        benchmark::DoNotOptimize(model.preview());
    }
    state.counters["objects"] = static_cast<double>(model.preview().objects.size());
    state.counters["scale"] = model.preview().scale;
}

BENCHMARK(BM_DetectWithDecode)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_DetectWithDecodeAndSplit)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_DecodeOnly)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_DialogPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
