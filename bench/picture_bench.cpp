// Decoding a large JPEG (8000 x 6000, quality 92) as the program does it:
// the first view (the codec decoding no more than a 700-pixel view needs)
// and the full decode, against djpeg's whole decode of the same file in the
// same run; then the picture part and the whole of a metafile export.
//
// The korvanix-batch and djpeg runs are separate processes, timed by their
// own processor time and measured by their own peak memory (wait4), so that
// neither this program's memory nor other work on the machine counts:
// "render --size 700" is a project opened and its first view drawn, "check"
// opens the project and decodes its picture in full. A run of this program
// with --window-memory does what the window does with such a picture (first
// view, then the full picture decoded while the first view is still held)
// and prints its peak memory. Rates are per second of processor time.
// BM_TiffFirstView700 does the same first view for a 20000 x 20000 tiled
// Deflate BigTIFF, without and with reduced pages, written at its first use;
// BM_LargeTiffFirstView700 for pictures too large to be held whole: an A4
// page scanned at 2400 dpi (19843 x 28063, LZW strips of about half a
// megabyte) and a 30000 x 20000 tiled Deflate BigTIFF. For the same two, a
// run with --window-pan does what the window does: their first view for a
// 1920-pixel display, then a 1270 x 1000 paint box panned across the picture
// at full zoom, twice along the same path; it reports its own wall-clock
// times of the first view and of one redraw once the picture's parts are
// there (the slowest and the median), beside its processor time and peak
// memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/draw/recording.hpp"
#include "core/export/jpeg_writer.hpp"
#include "core/export/wmf_writer.hpp"
#include "core/picture/picture.hpp"
#include "core/picture/picture_jpeg.hpp"
#include "core/picture/picture_loader.hpp"

namespace {

constexpr int32_t kWidth = 8000;
constexpr int32_t kHeight = 6000;
constexpr double kMegapixels = kWidth * double{kHeight} / 1e6;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "picture_bench: %s failed\n", what);
    std::exit(1);
}

/// The test image: smooth shading with fine texture, roughly what a
/// microscope photograph costs the codec; written once per run with a
/// project on it.
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
        if (!kvx::EncodeJpeg(image.View(), 92, bytes_)) Fail("encoding");
        path_ = (dir_ / "large.jpg").string();
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes_.data()),
                   static_cast<std::streamsize>(bytes_.size()));
        project_ = (dir_ / "large.KXP").string();
        std::ofstream(project_, std::ios::binary)
            << ";C: large.jpg\r\nB large.jpg\r\nO large.jpg\r\nR 2400\r\nV 18\r\n"
               "D 1,1000,1000,1,,0,\r\nD 1,50000,60000,2,,0,\r\n";
        std::filesystem::create_directories(dir_ / "config");
    }
    ~Fixture() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    const std::string& Path() const { return path_; }
    const std::string& Project() const { return project_; }
    std::string File(const char* name) const { return (dir_ / name).string(); }

private:
    std::filesystem::path dir_;
    std::vector<uint8_t> bytes_;
    std::string path_;
    std::string project_;
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

/// A figure a measured program reports of itself, as a counter.
struct Figure {
    std::string name;
    double value = 0.0;
};

/// What one child process cost: its processor time and peak memory, and the
/// figures it reported.
struct ChildCost {
    double seconds = 0.0;
    double peakMegabytes = 0.0;
    bool ok = false;
    std::vector<Figure> figures;
    std::string failure;  ///< why it failed, when it said so
};

/// The prefixes of the lines by which a measured program reports on its
/// standard output a figure ("figure NAME VALUE") or why it failed ("failed
/// TEXT"); its other output is thrown away.
constexpr char kFigurePrefix[] = "figure ";
constexpr char kFailurePrefix[] = "failed ";

/// Everything readable from fd until its end.
std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

/// The figures and the failure among the lines of text, into cost.
void ReadReports(const std::string& text, ChildCost& cost) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.rfind(kFailurePrefix, 0) == 0) {
            cost.failure = line.substr(sizeof kFailurePrefix - 1);
            continue;
        }
        if (line.rfind(kFigurePrefix, 0) != 0) continue;
        char name[64] = {};
        double value = 0.0;
        if (std::sscanf(line.c_str() + sizeof kFigurePrefix - 1, "%63s %lf", name, &value) == 2) {
            cost.figures.push_back({name, value});
        }
    }
}

/// Runs a program (looked up in PATH without a slash) with its error output
/// thrown away, waits for it and returns what it cost and the figures it
/// reported.
ChildCost RunAndMeasure(char** argv) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(pipeEnds[1], STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        close(pipeEnds[0]);
        execvp(argv[0], argv);
        _exit(127);
    }
    close(pipeEnds[1]);
    // Read to the end first: a program writing more than a pipe holds would
    // otherwise wait for us while we wait for it.
    const std::string output = ReadAll(pipeEnds[0]);
    close(pipeEnds[0]);
    ChildCost cost;
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return cost;
    cost.seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    cost.peakMegabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
    cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    ReadReports(output, cost);
    return cost;
}

/// What the --measure child prints for its parent: "seconds peak ok" on the
/// first line, then the measured program's reports as it made them.
void PrintCost(const ChildCost& cost) {
    std::printf("%.6f %.3f %d\n", cost.seconds, cost.peakMegabytes, cost.ok ? 1 : 0);
    for (const Figure& figure : cost.figures) {
        std::printf("%s%s %.6f\n", kFigurePrefix, figure.name.c_str(), figure.value);
    }
    if (!cost.failure.empty()) std::printf("%s%s\n", kFailurePrefix, cost.failure.c_str());
}

std::string OwnFolder();

/// RunAndMeasure in a fresh copy of this program started for it: a child
/// forked from this process would count the memory this process holds at
/// the fork among its own peak.
ChildCost RunChild(const std::vector<std::string>& arguments,
                   const std::string& configHome = std::string()) {
    std::vector<std::string> all = {OwnFolder() + "/picture_bench", "--measure"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (const std::string& a : all) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        if (!configHome.empty()) setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    const std::string text = ReadAll(pipeEnds[0]);
    close(pipeEnds[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return {};
    ChildCost cost;
    int ok = 0;
    if (std::sscanf(text.c_str(), "%lf %lf %d", &cost.seconds, &cost.peakMegabytes, &ok) != 3) {
        return {};
    }
    cost.ok = ok != 0;
    ReadReports(text, cost);
    return cost;
}

std::string OwnFolder() {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path().string();
}

/// Runs a child per iteration, its processor time as the iteration's time,
/// its peak memory as a counter, and the figures of its last run as
/// counters of their own.
void MeasureChild(benchmark::State& state, const std::vector<std::string>& arguments,
                  const std::string& configHome = std::string()) {
    double peak = 0.0;
    std::vector<Figure> figures;
    for (auto _ : state) {
        ChildCost cost = RunChild(arguments, configHome);
        if (!cost.ok) {
            const std::string program = std::filesystem::path(arguments[0]).filename().string();
            state.SkipWithError(
                (program + " failed" + (cost.failure.empty() ? "" : ": " + cost.failure)).c_str());
            return;
        }
        state.SetIterationTime(cost.seconds);
        peak = std::max(peak, cost.peakMegabytes);
        figures = std::move(cost.figures);
    }
    state.counters["peak_MB"] = peak;
    for (const Figure& figure : figures) state.counters[figure.name] = figure.value;
    SetRate(state);
}

bool Installed(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

/// djpeg on the same file, writing to /dev/null: the machine's reference.
void BM_Djpeg(benchmark::State& state) {
    if (!Installed("djpeg")) {
        state.SkipWithError("djpeg (libjpeg-turbo-progs) is not installed");
        return;
    }
    const int scale = static_cast<int>(state.range(0));
    std::vector<std::string> arguments = {"djpeg"};
    if (scale != 1) arguments.insert(arguments.end(), {"-scale", "1/" + std::to_string(scale)});
    arguments.insert(arguments.end(), {"-outfile", "/dev/null", Shared().Path()});
    MeasureChild(state, arguments);
    state.SetLabel("1/" + std::to_string(scale) + ", processor time of djpeg");
}
BENCHMARK(BM_Djpeg)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseManualTime();

/// The first view as the batch tool draws it: the project opened, its
/// picture decoded for 700 pixels and the annotated view painted at 700.
void BM_BatchFirstView700(benchmark::State& state) {
    const std::string tool = OwnFolder() + "/korvanix-batch";
    if (access(tool.c_str(), X_OK) != 0) {
        state.SkipWithError("korvanix-batch is not built beside this program");
        return;
    }
    MeasureChild(state,
                 {tool, "render", "--format", "bmp", "--size", "700", "-o",
                  Shared().File("view.bmp"), Shared().Project()},
                 Shared().File("config"));
    state.SetLabel("korvanix-batch render --size 700, processor time");
}
BENCHMARK(BM_BatchFirstView700)->Unit(benchmark::kMillisecond)->UseManualTime();

/// The full decode as the batch tool checks a project: opened, its picture
/// decoded in full with its reduced copies.
void BM_BatchFullDecode(benchmark::State& state) {
    const std::string tool = OwnFolder() + "/korvanix-batch";
    if (access(tool.c_str(), X_OK) != 0) {
        state.SkipWithError("korvanix-batch is not built beside this program");
        return;
    }
    MeasureChild(state, {tool, "check", Shared().Project()}, Shared().File("config"));
    state.SetLabel("korvanix-batch check, processor time");
}
BENCHMARK(BM_BatchFullDecode)->Unit(benchmark::kMillisecond)->UseManualTime();

/// The large TIFFs, each written at its first use in the temporary folder
/// with a project on it: a 20000 x 20000 picture in Deflate-compressed tiles
/// of 256 x 256, as a slide scanner or a stitching program writes it,
/// without and with reduced pages (each half the size of the one before,
/// down to 256 pixels, as a pyramid writer adds them); an A4 page scanned at
/// 2400 dpi as a flatbed scanner stores it, in LZW-compressed strips of about
/// half a megabyte; and a 30000 x 20000 picture in tiles as above.
enum class TiffKind { Tiled, Pyramid, Scan, LargeTiled };

struct TiffLayout {
    const char* name;  ///< of the file and of its project
    uint32_t width;
    uint32_t height;
    uint32_t tileSide;  ///< 0: in strips
    uint16_t compression;
    bool pyramid;
};

constexpr TiffLayout kTiffLayouts[] = {
    {"tiled", 20000, 20000, 256, COMPRESSION_ADOBE_DEFLATE, false},
    {"pyramid", 20000, 20000, 256, COMPRESSION_ADOBE_DEFLATE, true},
    {"scan", 19843, 28063, 0, COMPRESSION_LZW, false},
    {"large-tiled", 30000, 20000, 256, COMPRESSION_ADOBE_DEFLATE, false},
};

class TiffFixture {
public:
    explicit TiffFixture(const TiffLayout& layout) : layout_(layout) {
        const std::string name = layout.name;
        path_ = Shared().File((name + ".tif").c_str());
        project_ = Shared().File((name + ".KXP").c_str());
        TIFF* tif = TIFFOpen(path_.c_str(), "w8");
        if (tif == nullptr) Fail("writing the TIFF");
        for (uint32_t width = layout.width, height = layout.height;
             width == layout.width || (layout.pyramid && std::max(width, height) >= 256);
             width = (width + 1) / 2, height = (height + 1) / 2) {
            WritePage(tif, width, height);
        }
        TIFFClose(tif);
        std::ofstream(project_, std::ios::binary)
            << ";C: " << name << ".tif\r\nB " << name << ".tif\r\nO " << name
            << ".tif\r\nR 2400\r\nV 18\r\nD 1,1000,1000,1,,0,\r\nD 1,50000,60000,2,,0,\r\n";
    }
    const std::string& Path() const { return path_; }
    const std::string& Project() const { return project_; }
    /// What the file is, for a benchmark's label.
    std::string Description() const {
        std::string text = std::to_string(layout_.width) + " x " + std::to_string(layout_.height);
        const char* codec = layout_.compression == COMPRESSION_LZW ? "LZW" : "Deflate";
        if (layout_.tileSide > 0) {
            text += std::string(" tiled ") + codec + " TIFF";
        } else {
            text += std::string(" ") + codec + " TIFF in strips of " +
                    std::to_string(RowsPerStrip(layout_.width)) + " rows";
        }
        return layout_.pyramid ? text + " with reduced pages" : text;
    }

private:
    static uint32_t RowsPerStrip(uint32_t width) {
        constexpr uint32_t kStripBytes = 512 << 10;
        return std::max<uint32_t>(1, kStripBytes / (width * 3));
    }

    /// Gradients with a fine grain, from the full page's position of each
    /// pixel, so that a reduced page looks like its full page and writing
    /// stays quick.
    void Fill(uint8_t* p, uint32_t left, uint32_t top, uint32_t columns, uint32_t rows,
              uint32_t stepX, uint32_t stepY) const {
        for (uint32_t y = top; y < top + rows; ++y) {
            for (uint32_t x = left; x < left + columns; ++x, p += 3) {
                const uint32_t fx = x * stepX;
                const uint32_t fy = y * stepY;
                const uint32_t grain = (fx * 7 + fy * 13) % 9;
                p[0] = static_cast<uint8_t>(fx * 255 / layout_.width + grain);
                p[1] = static_cast<uint8_t>(fy * 255 / layout_.height + grain);
                p[2] = static_cast<uint8_t>(((fx + fy) / 80) % 256);
            }
        }
    }

    void WritePage(TIFF* tif, uint32_t width, uint32_t height) const {
        if (width != layout_.width) TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t{8});
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t{3});
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, uint16_t{PHOTOMETRIC_RGB});
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, uint16_t{PLANARCONFIG_CONTIG});
        TIFFSetField(tif, TIFFTAG_COMPRESSION, layout_.compression);
        if (layout_.compression == COMPRESSION_ADOBE_DEFLATE)
            TIFFSetField(tif, TIFFTAG_ZIPQUALITY, 1);
        // The full page's pixels per pixel of this one.
        const uint32_t stepX = layout_.width / width;
        const uint32_t stepY = layout_.height / height;
        if (layout_.tileSide == 0) {
            const uint32_t rowsPerStrip = RowsPerStrip(width);
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
            std::vector<uint8_t> strip(std::size_t{width} * rowsPerStrip * 3);
            for (uint32_t top = 0; top < height; top += rowsPerStrip) {
                const uint32_t rows = std::min(rowsPerStrip, height - top);
                Fill(strip.data(), 0, top, width, rows, stepX, stepY);
                if (TIFFWriteEncodedStrip(tif, TIFFComputeStrip(tif, top, 0), strip.data(),
                                          static_cast<tmsize_t>(std::size_t{width} * rows * 3)) <
                    0) {
                    Fail("writing a strip");
                }
            }
        } else {
            const uint32_t side = layout_.tileSide;
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, side);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, side);
            std::vector<uint8_t> tile(std::size_t{side} * side * 3);
            for (uint32_t ty = 0; ty < height; ty += side) {
                for (uint32_t tx = 0; tx < width; tx += side) {
                    Fill(tile.data(), tx, ty, side, side, stepX, stepY);
                    if (TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0) < 0) Fail("writing a tile");
                }
            }
        }
        if (TIFFWriteDirectory(tif) != 1) Fail("writing a page");
    }

    TiffLayout layout_;
    std::string path_;
    std::string project_;
};

const TiffFixture& TiffFile(TiffKind kind) {
    static std::unique_ptr<TiffFixture> fixtures[std::size(kTiffLayouts)];
    const auto index = static_cast<std::size_t>(kind);
    if (!fixtures[index]) fixtures[index] = std::make_unique<TiffFixture>(kTiffLayouts[index]);
    return *fixtures[index];
}

/// The first view of a large TIFF as the batch tool draws it (render --size
/// 700).
void TiffFirstView700(benchmark::State& state, TiffKind kind) {
    const std::string tool = OwnFolder() + "/korvanix-batch";
    if (access(tool.c_str(), X_OK) != 0) {
        state.SkipWithError("korvanix-batch is not built beside this program");
        return;
    }
    const TiffFixture& file = TiffFile(kind);
    MeasureChild(state,
                 {tool, "render", "--format", "bmp", "--size", "700", "-o",
                  Shared().File("tiff-view.bmp"), file.Project()},
                 Shared().File("config"));
    state.counters.erase("MP/s");
    state.SetLabel(file.Description() + ", korvanix-batch render --size 700, processor time");
}

/// Range 0 without reduced pages, 1 with them.
void BM_TiffFirstView700(benchmark::State& state) {
    TiffFirstView700(state, state.range(0) != 0 ? TiffKind::Pyramid : TiffKind::Tiled);
}
BENCHMARK(BM_TiffFirstView700)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

/// The same for the pictures too large to be held whole.
void BM_LargeTiffFirstView700(benchmark::State& state, TiffKind kind) {
    TiffFirstView700(state, kind);
}
BENCHMARK_CAPTURE(BM_LargeTiffFirstView700, strips, TiffKind::Scan)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_LargeTiffFirstView700, tiles, TiffKind::LargeTiled)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

/// The window panning over such a picture at full zoom (see WindowPan): the
/// child's processor time in all, its peak memory, and its own wall-clock
/// figures for the first view and for one redraw of the pan once the tiles
/// are there.
void BM_WindowPan(benchmark::State& state, TiffKind kind) {
    const TiffFixture& file = TiffFile(kind);
    MeasureChild(state, {OwnFolder() + "/picture_bench", "--window-pan", file.Path()});
    state.counters.erase("MP/s");
    state.SetLabel(file.Description() + ", first view for 1920, then 1270 x 1000 panned at 1:1");
}
BENCHMARK_CAPTURE(BM_WindowPan, strips, TiffKind::Scan)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_WindowPan, tiles, TiffKind::LargeTiled)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1);

/// What the window keeps of such a picture: its first view, then the full
/// picture decoded while the first view is still shown.
void BM_WindowMemory(benchmark::State& state) {
    MeasureChild(state, {OwnFolder() + "/picture_bench", "--window-memory", Shared().Path()});
    state.counters["full_picture_MB"] = kWidth * double{kHeight} * 3 / (1 << 20);
    state.SetLabel("first view for 700 pixels, then the full picture");
}
BENCHMARK(BM_WindowMemory)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

/// The first view in this process: the decode for 700 pixels and the 700
/// pixels resampled from it.
void BM_FirstViewDecode(benchmark::State& state) {
    for (auto _ : state) {
        kvx::Picture picture;
        kvx::DecodeOptions options;
        options.wantedSide = 700;
        if (kvx::DecodePictureFile(Shared().Path(), options, kvx::PictureLimits{}, picture) !=
            kvx::DecodeStatus::Ok) {
            Fail("loading");
        }
        kvx::PixelImage view;
        if (!kvx::ResamplePicture(picture, 700, 525, 0, 0, 700, 525, view)) Fail("resampling");
        benchmark::DoNotOptimize(view.Row(0));
        state.SetLabel("decoded at 1/" + std::to_string(picture.reduction));
    }
    SetRate(state);
}
BENCHMARK(BM_FirstViewDecode)->Unit(benchmark::kMillisecond);

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

/// The window's way with the picture at path; prints nothing, the parent
/// reads the peak memory.
int WindowMemory(const char* path) {
    auto first = std::make_shared<kvx::Picture>();
    kvx::DecodeOptions options;
    options.wantedSide = 700;
    if (!kvx::PictureDecoded(kvx::DecodePictureFile(path, options, kvx::PictureLimits{}, *first))) {
        return 1;
    }
    auto full = std::make_shared<kvx::Picture>();
    if (!kvx::PictureDecoded(kvx::DecodePictureFile(path, kvx::PictureLimits{}, *full))) return 1;
    benchmark::DoNotOptimize(first->pixels.Row(0));
    benchmark::DoNotOptimize(full->pixels.Row(0));
    return 0;
}

const char* StatusName(kvx::DecodeStatus status) {
    switch (status) {
        case kvx::DecodeStatus::Ok:
            return "Ok";
        case kvx::DecodeStatus::Damaged:
            return "Damaged";
        case kvx::DecodeStatus::Unsupported:
            return "Unsupported";
        case kvx::DecodeStatus::Corrupt:
            return "Corrupt";
        case kvx::DecodeStatus::Truncated:
            return "Truncated";
        case kvx::DecodeStatus::TooLarge:
            return "TooLarge";
        case kvx::DecodeStatus::OutOfMemory:
            return "OutOfMemory";
        case kvx::DecodeStatus::NotFound:
            return "NotFound";
        case kvx::DecodeStatus::Unreadable:
            return "Unreadable";
        case kvx::DecodeStatus::Cancelled:
            return "Cancelled";
        case kvx::DecodeStatus::DiskFull:
            return "DiskFull";
    }
    return "unknown";
}

double Milliseconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

/// The window's way with a very large picture at path: its first view
/// decoded for the display side of a common screen, then a paint box of
/// 1270 x 1000 at full zoom scrolled a tenth of its width at a time, from
/// the middle 40 steps right and 40 down, twice along the same path: the
/// first time the picture's parts are fetched, the second time they are
/// there. Reports the first view's decode and the redraws of the second
/// time, by the wall clock of this process.
int WindowPan(const char* path) {
    using Clock = std::chrono::steady_clock;
    constexpr int64_t kDisplaySide = 1920;
    constexpr int32_t kBoxWidth = 1270;
    constexpr int32_t kBoxHeight = 1000;
    constexpr int64_t kStep = 127;
    constexpr int kSteps = 40;

    kvx::Picture picture;
    kvx::DecodeOptions options;
    options.wantedSide = kDisplaySide;
    const Clock::time_point start = Clock::now();
    const kvx::DecodeStatus status =
        kvx::DecodePictureFile(path, options, kvx::PictureLimits{}, picture);
    const double firstViewMs = Milliseconds(Clock::now() - start);
    if (!kvx::PictureDecoded(status)) {
        std::printf("%sthe first view: %s\n", kFailurePrefix, StatusName(status));
        return 1;
    }
    const int64_t width = picture.Width();
    const int64_t height = picture.Height();
    const int32_t boxWidth = static_cast<int32_t>(std::min<int64_t>(kBoxWidth, width));
    const int32_t boxHeight = static_cast<int32_t>(std::min<int64_t>(kBoxHeight, height));
    // The scroll bars stop the view at the picture's edges.
    std::vector<std::pair<int64_t, int64_t>> positions;
    const int64_t x0 = (width - boxWidth) / 2;
    const int64_t y0 = (height - boxHeight) / 2;
    for (int i = 0; i <= kSteps; ++i) positions.push_back({x0 + i * kStep, y0});
    for (int i = 1; i <= kSteps; ++i) positions.push_back({x0 + kSteps * kStep, y0 + i * kStep});
    for (auto& [x, y] : positions) {
        x = std::min(x, width - boxWidth);
        y = std::min(y, height - boxHeight);
    }

    std::vector<double> fetching;
    std::vector<double> held;
    for (std::vector<double>* times : {&fetching, &held}) {
        for (const auto& [x, y] : positions) {
            const Clock::time_point before = Clock::now();
            kvx::PixelImage view;
            if (!kvx::ResamplePicture(picture, width, height, x, y, boxWidth, boxHeight, view)) {
                std::printf("%sresampling at %lld, %lld\n", kFailurePrefix,
                            static_cast<long long>(x), static_cast<long long>(y));
                return 1;
            }
            benchmark::DoNotOptimize(view.Row(0));
            times->push_back(Milliseconds(Clock::now() - before));
        }
    }
    const auto median = [](std::vector<double> times) {
        std::sort(times.begin(), times.end());
        const std::size_t n = times.size();
        return n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    };
    std::printf("%sfirst_view_ms %.3f\n", kFigurePrefix, firstViewMs);
    std::printf("%sfetch_ms_max %.3f\n", kFigurePrefix,
                *std::max_element(fetching.begin(), fetching.end()));
    std::printf("%span_ms_max %.3f\n", kFigurePrefix, *std::max_element(held.begin(), held.end()));
    std::printf("%span_ms_median %.3f\n", kFigurePrefix, median(held));
    std::printf("%sfirst_view_reduction %d\n", kFigurePrefix, picture.reduction);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--window-memory") == 0) return WindowMemory(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--window-pan") == 0) return WindowPan(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "--measure") == 0) {
        PrintCost(RunAndMeasure(argv + 2));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
