// The batch tool's statistics table over 1,000 generated projects of 1,000
// points each, with one job and with two. The projects are generated once
// into a temporary folder that is removed at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "cli/batch_commands.hpp"
#include "cli/batch_options.hpp"
#include "core/program/program.hpp"

namespace {

namespace fs = std::filesystem;

constexpr int kProjects = 1000;
constexpr int kPointsPerProject = 1000;

std::string PointLine(int type, int x, int y, int kind, const std::string& name = {}) {
    return "D " + std::to_string(type) + "," + std::to_string(y) + "," + std::to_string(x) + "," +
           std::to_string(kind) + "," + name + ",0,\r\n";
}

// Lines, squares, count objects and numeric labels of the shipped object
// types (1 Length, 2 Area, 3 Count, 4 Value), 1,000 points in all.
std::string ProjectText(std::mt19937& random) {
    std::uniform_int_distribution<int> place(0, 40000);
    std::uniform_int_distribution<int> extent(50, 3000);
    std::string text = ";C: generated\r\nB image.jpg\r\nO image.jpg\r\nR 2400\r\nV 18\r\n";
    int points = 0;
    const auto add = [&](const std::string& line) {
        text += line;
        ++points;
    };
    for (int k = 0; k < 200; ++k) {  // 400 points
        const int x = place(random);
        const int y = place(random);
        add(PointLine(1, x, y, 1));
        add(PointLine(1, x + extent(random), y + extent(random), 2));
    }
    for (int k = 0; k < 80; ++k) {  // 400 points
        const int x = place(random);
        const int y = place(random);
        const int side = extent(random);
        add(PointLine(2, x, y, 1));
        add(PointLine(2, x + side, y, 2));
        add(PointLine(2, x + side, y + side, 2));
        add(PointLine(2, x, y + side, 2));
        add(PointLine(2, x, y, 2));
    }
    for (int k = 0; k < 20; ++k) {  // 100 points
        for (int c = 0; c < 5; ++c) add(PointLine(3, place(random), place(random), c == 0 ? 1 : 2));
    }
    while (points < kPointsPerProject) {
        add(PointLine(4, place(random), place(random), 0, std::to_string(extent(random) % 10)));
    }
    return text;
}

class GeneratedProjects {
public:
    GeneratedProjects() {
        folder_ = fs::temp_directory_path() / ("kvx-batch-bench-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        std::ofstream(folder_ / "image.jpg", std::ios::binary) << "not decoded by stats";
        std::mt19937 random(20261208);
        for (int i = 0; i < kProjects; ++i) {
            const fs::path path = folder_ / ("p" + std::to_string(i) + ".KXP");
            std::ofstream(path, std::ios::binary) << ProjectText(random);
            paths_.push_back(path.string());
        }
    }
    ~GeneratedProjects() {
        std::error_code error;
        fs::remove_all(folder_, error);
    }
    const std::vector<std::string>& Paths() const { return paths_; }
    const fs::path& Folder() const { return folder_; }

private:
    fs::path folder_;
    std::vector<std::string> paths_;
};

const GeneratedProjects& Projects() {
    static const GeneratedProjects projects;
    return projects;
}

void BM_StatsTable(benchmark::State& state) {
    const GeneratedProjects& projects = Projects();
    // The person's configuration must not change what is measured.
    setenv("XDG_CONFIG_HOME", (projects.Folder() / "config").c_str(), 1);
    kvx::batch::Options options;
    options.command = kvx::batch::Command::Stats;
    options.projects = projects.Paths();
    options.jobs = static_cast<int32_t>(state.range(0));
    const std::string dataDir = kvx::FindDataDirectory(kvx::ExecutableDirectory());
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = kvx::batch::RunCommand(options, dataDir, {}, out, err);
        if (status != 0) {
            state.SkipWithError(err.str().c_str());
            break;
        }
        bytes = out.str().size();
    }
    state.counters["projects/s"] =
        benchmark::Counter(static_cast<double>(kProjects) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["csv_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_StatsTable)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("jobs")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
