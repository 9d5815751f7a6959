// Decoding a large JPEG (8000 x 6000) at full size and reduced by the codec,
// making the reduced copies, and the same file through djpeg as the measure
// of what this machine can do; then the picture part and the whole of a
// metafile export. Rates are per second of processor time (djpeg's own, as a
// child process), so that the comparison holds on a machine busy with other
// work.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/draw/picture.hpp"
#include "core/draw/picture_jpeg.hpp"
#include "core/draw/picture_loader.hpp"
#include "core/draw/recording.hpp"
#include "core/export/jpeg_writer.hpp"
#include "core/export/wmf_writer.hpp"

namespace {

constexpr int32_t kWidth = 8000;
constexpr int32_t kHeight = 6000;
constexpr double kMegapixels = kWidth * double{kHeight} / 1e6;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "picture_bench: %s failed\n", what);
    std::exit(1);
}

/// The test image: smooth shading with fine texture, roughly what a
/// microscope photograph costs the codec; written once per run.
class Fixture {
public:
    Fixture()
        : dir_(std::filesystem::temp_directory_path() /
               ("kvx-picture-bench-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir_);
        kvx::PixelImage image;
        if (!image.Allocate(kWidth, kHeight)) Fail("allocating the image");
        uint32_t seed = 12345;
        for (int32_t y = 0; y < kHeight; ++y) {
            uint8_t* p = image.Row(y);
            for (int32_t x = 0; x < kWidth; ++x, p += 3) {
                seed = seed * 1664525 + 1013904223;
                const int grain = static_cast<int>(seed >> 28) - 8;
                p[0] = static_cast<uint8_t>(std::clamp((x * 255) / kWidth + grain, 0, 255));
                p[1] = static_cast<uint8_t>(std::clamp((y * 255) / kHeight + grain, 0, 255));
                p[2] = static_cast<uint8_t>(std::clamp(((x + y) / 40) % 256 + grain, 0, 255));
            }
        }
        if (!kvx::EncodeJpeg(image.View(), 90, bytes_)) Fail("encoding");
        path_ = (dir_ / "large.jpg").string();
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes_.data()),
                   static_cast<std::streamsize>(bytes_.size()));
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    const std::string& Path() const { return path_; }

private:
    std::filesystem::path dir_;
    std::vector<uint8_t> bytes_;
    std::string path_;
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void SetRate(benchmark::State& state) {
    state.counters["MP/s"] =
        benchmark::Counter(kMegapixels, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_JpegDecode(benchmark::State& state) {
    const auto& bytes = Shared().Bytes();
    const int scale = static_cast<int>(state.range(0));
    for (auto _ : state) {
        kvx::PixelImage image;
        if (kvx::DecodeJpeg(bytes.data(), bytes.size(), scale, kvx::PictureLimits{}, image) !=
            kvx::DecodeStatus::Ok) {
            Fail("decoding");
        }
        benchmark::DoNotOptimize(image.Row(0));
    }
    SetRate(state);
    state.SetLabel("1/" + std::to_string(scale) + ", " +
                   std::to_string(Shared().Bytes().size() >> 10) + " KB file");
}
BENCHMARK(BM_JpegDecode)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

/// What a load adds to the full decode: the halves down to 256 pixels.
void BM_BuildReducedCopies(benchmark::State& state) {
    kvx::Picture picture;
    const auto& bytes = Shared().Bytes();
    if (kvx::DecodeJpeg(bytes.data(), bytes.size(), 1, kvx::PictureLimits{}, picture.pixels) !=
        kvx::DecodeStatus::Ok) {
        Fail("decoding");
    }
    for (auto _ : state) {
        if (!picture.BuildReducedCopies()) Fail("reducing");
        benchmark::DoNotOptimize(picture.reduced.back().Row(0));
    }
    SetRate(state);
}
BENCHMARK(BM_BuildReducedCopies)->Unit(benchmark::kMillisecond);

/// The whole load as the program does it: read, decode, reduce.
void BM_LoadPictureFile(benchmark::State& state) {
    for (auto _ : state) {
        kvx::Picture picture;
        if (kvx::DecodePictureFile(Shared().Path(), kvx::PictureLimits{}, picture) !=
            kvx::DecodeStatus::Ok) {
            Fail("loading");
        }
        benchmark::DoNotOptimize(picture.pixels.Row(0));
    }
    SetRate(state);
}
BENCHMARK(BM_LoadPictureFile)->Unit(benchmark::kMillisecond);

double ChildSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

/// djpeg on the same file, writing to /dev/null: the machine's reference.
void BM_Djpeg(benchmark::State& state) {
    if (std::system("command -v djpeg >/dev/null 2>&1") != 0) {
        state.SkipWithError("djpeg (libjpeg-turbo-progs) is not installed");
        return;
    }
    const int scale = static_cast<int>(state.range(0));
    const std::string command =
        "djpeg " + (scale == 1 ? std::string() : "-scale 1/" + std::to_string(scale) + " ") +
        "-outfile /dev/null '" + Shared().Path() + "'";
    // The child's processor time, comparable with the CPU column of the
    // decodes above on a machine that is busy with other work.
    for (auto _ : state) {
        const double before = ChildSeconds();
        if (std::system(command.c_str()) != 0) Fail("djpeg");
        state.SetIterationTime(ChildSeconds() - before);
    }
    SetRate(state);
    state.SetLabel("1/" + std::to_string(scale) + ", processor time of djpeg");
}
BENCHMARK(BM_Djpeg)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseManualTime();

/// The picture as a metafile shows it at the fitted view: 2000 x 1500 pixels
/// averaged from the reduced copy.
void BM_ResampleForDisplay(benchmark::State& state) {
    kvx::Picture picture;
    const auto& bytes = Shared().Bytes();
    if (kvx::DecodeJpeg(bytes.data(), bytes.size(), 1, kvx::PictureLimits{}, picture.pixels) !=
            kvx::DecodeStatus::Ok ||
        !picture.BuildReducedCopies()) {
        Fail("decoding");
    }
    for (auto _ : state) {
        kvx::PixelImage out;
        if (!kvx::ResamplePicture(picture, 2000, 1500, 0, 0, 2000, 1500, out)) Fail("resampling");
        benchmark::DoNotOptimize(out.Row(0));
    }
}
BENCHMARK(BM_ResampleForDisplay)->Unit(benchmark::kMillisecond);

/// A metafile of about 10,000 objects of mixed kinds with labels and raster.
void BM_EncodeMetafile(benchmark::State& state) {
    kvx::ApproxTextMetrics metrics;
    kvx::Recording surface(2000, 2000, metrics);
    const kvx::CanvasPoint background[] = {{0, 0}, {2000, 0}, {2000, 2000}, {0, 2000}};
    surface.SetBrush(kvx::kBlack);
    surface.Polygon(background);
    surface.SetClipRect({1, 1, 2000, 2000});
    for (int i = 0; i < 10000; ++i) {
        const int32_t x = (i * 37) % 2000;
        const int32_t y = (i * 91) % 2000;
        surface.SetPen(i % 7 * 0x202020, 1 + i % 3, i % 5);
        surface.SetBrush(0xFFFFFF - i % 11);
        switch (i % 4) {
            case 0: {
                std::vector<kvx::CanvasPoint> area;
                for (int k = 0; k < 10; ++k) area.push_back({x + k * 3, y + (k * k) % 17});
                surface.Polygon(area);
                break;
            }
            case 1:
                surface.Line({x, y}, {x + 40, y + 25});
                break;
            case 2:
                surface.Ellipse(x - 6, y - 6, x + 6, y + 6);
                break;
            default:
                surface.Rectangle(x - 6, y - 6, x + 6, y + 6);
                break;
        }
        surface.TextOut(x + 8, y, "label " + std::to_string(i));
    }
    for (int i = 0; i < 20; ++i) surface.Line({i * 100, 0}, {i * 100, 2000});
    std::size_t size = 0;
    for (auto _ : state) {
        const std::vector<uint8_t> bytes = kvx::EncodeMetafile(surface, 2000);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetLabel(std::to_string(surface.Size()) + " operations, " + std::to_string(size >> 10) +
                   " KB");
}
BENCHMARK(BM_EncodeMetafile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
