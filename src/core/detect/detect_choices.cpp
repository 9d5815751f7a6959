#include "core/detect/detect_choices.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "core/detect/detect_records.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

// The words of the file are those of the batch tool's options.
constexpr std::array<std::string_view, 4> kChannelWords = {"grey", "red", "green", "blue"};
constexpr std::array<std::string_view, 3> kAreaWords = {"whole", "view", "rectangle"};

template <std::size_t N>
int WordIndex(const std::optional<std::string>& text, const std::array<std::string_view, N>& words,
              int fallback) {
    if (!text) return fallback;
    for (std::size_t i = 0; i < N; ++i) {
        if (*text == words[i]) return static_cast<int>(i);
    }
    return fallback;
}

}  // namespace

DetectChoices DetectChoicesFrom(const SettingsFile& file) {
    DetectChoices c;
    c.level = file.Integer("level", c.level, 0, 65535);
    if (const std::optional<std::string> threshold = file.Text("threshold")) {
        if (*threshold == "isodata") {
            c.method = ThresholdMethod::kIsoData;
        } else if (*threshold == "otsu") {
            c.method = ThresholdMethod::kOtsu;
        } else if (const int32_t level = file.Integer("threshold", -1, 0, 65535); level >= 0) {
            c.method = ThresholdMethod::kValue;
            c.level = level;
        }
    }
    if (const std::optional<std::string> objects = file.Text("objects")) {
        if (*objects == "dark" || *objects == "light") c.darkObjects = *objects == "dark";
    }
    c.channel = static_cast<SampleChannel>(WordIndex(file.Text("channel"), kChannelWords, 0));
    constexpr double kInf = std::numeric_limits<double>::infinity();
    c.minArea = file.Real("min_area", 0.0, 0.0, 1e12);
    c.maxArea = file.Real("max_area", kInf, 0.0, 1e12);
    if (c.minArea > c.maxArea) {
        c.minArea = 0.0;
        c.maxArea = kInf;
    }
    c.minCircularity = file.Real("min_circularity", 0.0, 0.0, 1.0);
    c.maxCircularity = file.Real("max_circularity", 1.0, 0.0, 1.0);
    if (c.minCircularity > c.maxCircularity) {
        c.minCircularity = 0.0;
        c.maxCircularity = 1.0;
    }
    c.excludeEdges = file.Flag("exclude_edges", false);
    c.split = file.Flag("split", false);
    c.area = static_cast<DetectArea>(WordIndex(file.Text("area"), kAreaWords, 0));
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    c.rectangle.left = file.Integer("rect_left", 0, 0, kMax);
    c.rectangle.top = file.Integer("rect_top", 0, 0, kMax);
    c.rectangle.width = file.Integer("rect_width", 0, 0, kMax);
    c.rectangle.height = file.Integer("rect_height", 0, 0, kMax);
    c.type = file.Integer("type", 0, 0, 256);
    return c;
}

void StoreDetectChoices(const DetectChoices& c, SettingsFile& file) {
    switch (c.method) {
        case ThresholdMethod::kIsoData:
            file.Set("threshold", "isodata");
            break;
        case ThresholdMethod::kOtsu:
            file.Set("threshold", "otsu");
            break;
        case ThresholdMethod::kValue:
            file.SetInteger("threshold", std::clamp(c.level, 0, 65535));
            break;
    }
    // The value set last stays for when it is chosen again.
    file.SetInteger("level", std::clamp(c.level, 0, 65535));
    file.Set("objects", c.darkObjects ? "dark" : "light");
    file.Set("channel", kChannelWords[static_cast<std::size_t>(c.channel)]);
    file.SetReal("min_area", c.minArea);
    // No upper limit has no number.
    if (!std::isfinite(c.maxArea) || !file.SetReal("max_area", c.maxArea)) {
        file.Set("max_area", "none");
    }
    file.SetReal("min_circularity", c.minCircularity);
    file.SetReal("max_circularity", c.maxCircularity);
    file.SetFlag("exclude_edges", c.excludeEdges);
    file.SetFlag("split", c.split);
    file.Set("area", kAreaWords[static_cast<std::size_t>(c.area)]);
    file.SetInteger("rect_left", c.rectangle.left);
    file.SetInteger("rect_top", c.rectangle.top);
    file.SetInteger("rect_width", c.rectangle.width);
    file.SetInteger("rect_height", c.rectangle.height);
    file.SetInteger("type", c.type);
}

DetectChoices LoadDetectChoices(const Program& program) {
    return DetectChoicesFrom(SettingsFile::Read(SettingsFilePath(program, kDetectSettingsFile)));
}

bool SaveDetectChoices(const Program& program, const DetectChoices& choices) {
    const std::string path = SettingsFilePath(program, kDetectSettingsFile);
    if (path.empty()) return false;
    SettingsFile file;
    StoreDetectChoices(choices, file);
    return file.Write(path);
}

DetectSettings SettingsForPicture(const DetectChoices& c, int32_t resolutionDpi,
                                  const PixelRect& region) {
    DetectSettings s;
    s.method = c.method;
    s.level = c.level;
    s.darkObjects = c.darkObjects;
    s.channel = c.channel;
    s.minArea = SquarePixels(c.minArea, resolutionDpi);
    s.maxArea = std::isfinite(c.maxArea) ? SquarePixels(c.maxArea, resolutionDpi) : c.maxArea;
    s.minCircularity = c.minCircularity;
    s.maxCircularity = c.maxCircularity;
    s.excludeEdges = c.excludeEdges;
    s.split = c.split;
    s.region = region;
    return s;
}

}  // namespace kvx
