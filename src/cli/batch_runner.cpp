#include "cli/batch_runner.hpp"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "cli/batch_session.hpp"

namespace kvx::batch {

namespace {

constexpr std::size_t kProgressFrom = 5;

}  // namespace

bool WantsProgress(std::size_t projects) {
    return projects > kProgressFrom && ::isatty(STDERR_FILENO) == 1;
}

int RunProjects(const Options& options, const std::string& dataDir,
                const std::function<ProjectResult(Session&, std::size_t index)>& work,
                std::ostream& out, std::ostream& err, bool showProgress) {
    const std::size_t total = options.projects.size();
    std::size_t jobs = options.jobs > 0 ? static_cast<std::size_t>(options.jobs)
                                        : std::max(1u, std::thread::hardware_concurrency());
    jobs = std::max<std::size_t>(1, std::min(jobs, total));

    std::vector<ProjectResult> results(total);
    std::vector<bool> done(total, false);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::size_t written = 0;
    bool anyFailed = false;
    std::string startFailure;

    // Called under the lock: writes every finished result that is next in line.
    const auto flush = [&]() {
        bool progressed = false;
        while (written < total && done[written]) {
            ProjectResult& r = results[written];
            if (showProgress && !(r.err.empty() && r.out.empty())) err << "\r\033[K" << std::flush;
            out << r.out;
            err << r.err;
            anyFailed = anyFailed || r.failed;
            r = ProjectResult{};
            ++written;
            progressed = true;
        }
        if (progressed) {
            out.flush();
            // Output that can no longer be written (a full disk) ends the run.
            if (!out) stop = true;
            if (showProgress) {
                err << "\r\033[K" << written << "/" << total;
                if (written < total) err << " " << PathToUtf8(options.projects[written]);
            }
            err.flush();
        }
    };

    const auto worker = [&]() {
        Session session(options, dataDir);
        std::string failure;
        if (!session.Start(failure)) {
            const std::lock_guard<std::mutex> guard(lock);
            if (startFailure.empty()) startFailure = failure;
            stop = true;
            return;
        }
        while (!stop) {
            const std::size_t index = next.fetch_add(1);
            if (index >= total) break;
            ProjectResult result = work(session, index);
            const std::lock_guard<std::mutex> guard(lock);
            results[index] = std::move(result);
            done[index] = true;
            flush();
        }
    };

    std::vector<std::thread> threads;
    threads.reserve(jobs - 1);
    for (std::size_t j = 1; j < jobs; ++j) threads.emplace_back(worker);
    worker();
    for (std::thread& t : threads) t.join();

    if (showProgress) err << "\r\033[K";
    if (!startFailure.empty()) {
        err << "korvanix-batch: " << startFailure << "\n";
        return kExitStartup;
    }
    return anyFailed ? kExitProjectFailed : kExitOk;
}

}  // namespace kvx::batch
