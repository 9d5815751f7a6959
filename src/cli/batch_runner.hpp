#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/batch_options.hpp"

namespace kvx::batch {

class Session;

/// What one project produced: text for standard output and for standard
/// error (both UTF-8), and whether it failed.
struct ProjectResult {
    std::string out;
    std::string err;
    bool failed = false;
};

/// Works on every project of options over options.jobs threads (0: one per
/// core, never more than projects). Each thread starts a Session of its own
/// and calls work for the projects it takes. Results are written to out and
/// err in the order of the projects as soon as all earlier ones are done,
/// with a progress line on err when showProgress is set. Returns the exit
/// status: 0, kExitProjectFailed, or kExitStartup when a session could not
/// start (the reason is written to err).
int RunProjects(const Options& options, const std::string& dataDir,
                const std::function<ProjectResult(Session&, std::size_t index)>& work,
                std::ostream& out, std::ostream& err, bool showProgress);

/// Whether a progress line is wanted: err is a terminal and more than a
/// few projects are given.
bool WantsProgress(std::size_t projects);

}  // namespace kvx::batch
