#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/detect/detect_choices.hpp"
#include "core/detect/detect_objects.hpp"
#include "core/picture/picture.hpp"
#include "core/project/view_block.hpp"

namespace kvx {

class Program;

/// Reads the picture at path in full resolution with its own values (16-bit
/// samples kept), as objects are found on it.
[[nodiscard]] DecodeStatus ReadDetectionPicture(const Program& program, const std::string& path,
                                                Picture& picture);

/// What the detection dialog shows for the choices made so far.
struct DetectPreview {
    /// The region's histogram in at most 256 bars (a 16-bit histogram is
    /// summed over runs of 256 values) and the bar the level falls in.
    std::vector<int64_t> bars;
    int32_t levelBar = 0;
    int32_t level = 0;  ///< the level used, in the picture's own values
    int32_t levels = 256;
    PixelRect region;  ///< searched, in picture pixels
    /// The objects found, outlines in picture pixels.
    std::vector<DetectedObject> objects;
    double totalArea = 0.0;  ///< square micrometres
    /// Picture pixels per preview pixel along a side: 1 when the preview was
    /// found on the picture itself, else on a plane reduced by this much.
    int32_t scale = 1;
};

/// The detection dialog without its window: the picture, the choices, the
/// histogram and the preview. A large picture is previewed on a plane
/// reduced by whole pixel blocks, so that the preview follows every change
/// at once; the level always comes from the full-resolution histogram, and
/// the objects that are added come from a full-resolution detection.
class DetectDialogModel {
public:
    /// Planes of up to this many pixels are previewed as they are.
    static constexpr int64_t kPreviewPixels = 3'000'000;

    /// picture in full resolution; view the world rectangle shown.
    DetectDialogModel(std::shared_ptr<const Picture> picture, int32_t resolutionDpi,
                      const WorldRect& view);

    const Picture& picture() const { return *picture_; }
    int32_t resolutionDpi() const { return dpi_; }
    const DetectChoices& choices() const { return choices_; }
    const DetectPreview& preview() const { return preview_; }

    /// Takes the choices and finds the preview's objects. False when memory
    /// is short (the preview is then empty).
    bool Update(const DetectChoices& choices);
    /// The region the choices search, clipped to the picture.
    PixelRect RegionOf(const DetectChoices& choices) const;
    /// Every object the choices find, on the picture at full resolution.
    [[nodiscard]] bool DetectAll(std::vector<DetectedObject>& objects);

    /// The reduction a preview of a width x height picture is found at.
    static int32_t PreviewScale(int64_t width, int64_t height);

private:
    bool EnsurePlanes(SampleChannel channel);

    std::shared_ptr<const Picture> picture_;
    int32_t dpi_ = 0;
    WorldRect view_;
    DetectChoices choices_;
    DetectPreview preview_;
    bool planesReady_ = false;
    SampleChannel planeChannel_ = SampleChannel::kLuminance;
    SamplePlane plane_;
    SamplePlane reduced_;
    int32_t scale_ = 1;
    PixelRect histogramRegion_{-1, -1, -1, -1};
    Histogram histogram_;
};

}  // namespace kvx
