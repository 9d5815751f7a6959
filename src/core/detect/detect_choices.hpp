#pragma once

#include <cstdint>
#include <limits>
#include <string>

#include "core/detect/detect_objects.hpp"
#include "core/program/settings_file.hpp"

namespace kvx {

class Program;

/// Which part of the picture objects are searched in.
enum class DetectArea { kWholePicture, kCurrentView, kRectangle };

/// The detection settings as the person chooses them, independent of any
/// one picture: areas in square micrometres, so that they mean the same on
/// pictures of other resolutions and in any table unit.
struct DetectChoices {
    ThresholdMethod method = ThresholdMethod::kIsoData;
    int32_t level = 128;
    bool darkObjects = true;
    SampleChannel channel = SampleChannel::kLuminance;
    double minArea = 0.0;
    double maxArea = std::numeric_limits<double>::infinity();
    double minCircularity = 0.0;
    double maxCircularity = 1.0;
    bool excludeEdges = false;
    bool split = false;
    DetectArea area = DetectArea::kWholePicture;
    /// The rectangle searched with kRectangle, in picture pixels.
    PixelRect rectangle;
    /// The object type the objects are added to; 0 = none chosen yet.
    int32_t type = 0;

    bool operator==(const DetectChoices&) const = default;
};

/// The file the choices are kept in between runs, beside the configuration.
inline constexpr const char* kDetectSettingsFile = "Korvanix.detect";

/// The choices a settings file holds; what it lacks, or holds out of range,
/// keeps the default.
DetectChoices DetectChoicesFrom(const SettingsFile& file);
/// Puts every choice into file (Write then merges them over the file on disk).
void StoreDetectChoices(const DetectChoices& choices, SettingsFile& file);

/// The choices kept for the program; the defaults when there are none.
DetectChoices LoadDetectChoices(const Program& program);
/// Keeps the choices for the next run; false when the file could not be
/// written (nothing is kept then, and nothing else is lost).
[[nodiscard]] bool SaveDetectChoices(const Program& program, const DetectChoices& choices);

/// The settings of a detection on a picture of resolutionDpi in region.
DetectSettings SettingsForPicture(const DetectChoices& choices, int32_t resolutionDpi,
                                  const PixelRect& region);

}  // namespace kvx
