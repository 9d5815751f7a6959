#pragma once

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <string_view>

#include "core/detect/detect_objects.hpp"

namespace kvx::batch {

struct Options;

/// What the detect command's own options say.
struct DetectOptions {
    int32_t type = 0;  ///< the object type the objects are added to
    ThresholdMethod method = ThresholdMethod::kIsoData;
    int32_t level = 0;  ///< with kValue
    bool darkObjects = true;
    SampleChannel channel = SampleChannel::kLuminance;
    /// Areas in the square of the table unit.
    double minArea = 0.0;
    double maxArea = std::numeric_limits<double>::infinity();
    double minCircularity = 0.0;
    bool excludeEdges = false;
    bool split = false;
    bool dryRun = false;
};

/// Takes a switch of the detect command (one without a value). True when
/// name is one.
bool TakeDetectSwitch(std::string_view name, DetectOptions& options);

/// Takes an option of the detect command with its value. False, with the
/// reason in error, when the value is wrong; false with error empty when
/// name is none of them.
bool TakeDetectOption(std::string_view name, std::string_view value, DetectOptions& options,
                      std::string& error);

/// What is missing or contradictory once every option is read; empty when
/// the command can run.
std::string CheckDetectOptions(const DetectOptions& options);

/// Runs the detect command on every project of options; returns the exit
/// status.
int RunDetect(const Options& options, const std::string& dataDir, std::ostream& out,
              std::ostream& err);

}  // namespace kvx::batch
