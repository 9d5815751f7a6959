#include "core/options/detect_dialog_model.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "core/detect/detect_records.hpp"
#include "core/detect/threshold.hpp"
#include "core/picture/picture_loader.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

constexpr int32_t kBars = 256;

// Every value the mean of the block of scale x scale values it stands for
// (of those there are at the right and bottom edges).
bool Reduce(const SamplePlane& plane, int32_t scale, SamplePlane& reduced) {
    reduced = SamplePlane{};
    const int32_t width = (plane.width + scale - 1) / scale;
    const int32_t height = (plane.height + scale - 1) / scale;
    try {
        reduced.values.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                              0);
        std::vector<uint64_t> sums(static_cast<std::size_t>(width));
        for (int32_t by = 0; by < height; ++by) {
            std::fill(sums.begin(), sums.end(), 0);
            const int32_t y0 = by * scale;
            const int32_t y1 = std::min(y0 + scale, plane.height);
            for (int32_t y = y0; y < y1; ++y) {
                const uint16_t* row =
                    plane.values.data() +
                    static_cast<std::size_t>(y) * static_cast<std::size_t>(plane.width);
                for (int32_t x = 0; x < plane.width; ++x) {
                    sums[static_cast<std::size_t>(x / scale)] += row[x];
                }
            }
            uint16_t* out = reduced.values.data() +
                            static_cast<std::size_t>(by) * static_cast<std::size_t>(width);
            for (int32_t bx = 0; bx < width; ++bx) {
                const int64_t columns = std::min(scale, plane.width - bx * scale);
                const auto n = static_cast<uint64_t>(columns * (y1 - y0));
                out[bx] = static_cast<uint16_t>((sums[static_cast<std::size_t>(bx)] + n / 2) / n);
            }
        }
    } catch (const std::bad_alloc&) {
        reduced = SamplePlane{};
        return false;
    }
    reduced.width = width;
    reduced.height = height;
    reduced.levels = plane.levels;
    return true;
}

// An object found on the reduced plane, in picture pixels.
void Enlarge(DetectedObject& object, int32_t scale) {
    if (scale == 1) return;
    const double s = scale;
    for (OutlinePoint& point : object.outline) {
        point.x *= s;
        point.y *= s;
    }
    object.pixels *= int64_t{scale} * scale;
    object.centroidX *= s;
    object.centroidY *= s;
    object.perimeter *= s;
    object.bounds = {object.bounds.left * scale, object.bounds.top * scale,
                     object.bounds.width * scale, object.bounds.height * scale};
    object.start = {object.start.x * scale, object.start.y * scale};
}

}  // namespace

DecodeStatus ReadDetectionPicture(const Program& program, const std::string& path,
                                  Picture& picture) {
    const int64_t bytes = FileSize(path);
    PictureRequest request = MakePictureRequest(program, path, bytes < 0 ? 0 : bytes >> 20, 0);
    request.options.keepSixteenBits = true;
    return ReadPicture(request, picture);
}

DetectDialogModel::DetectDialogModel(std::shared_ptr<const Picture> picture, int32_t resolutionDpi,
                                     const WorldRect& view)
    : picture_(std::move(picture)), dpi_(resolutionDpi), view_(view) {}

int32_t DetectDialogModel::PreviewScale(int64_t width, int64_t height) {
    int32_t scale = 1;
    while (width * height > kPreviewPixels * scale * scale) ++scale;
    return scale;
}

bool DetectDialogModel::EnsurePlanes(SampleChannel channel) {
    if (planesReady_ && planeChannel_ == channel) return true;
    planesReady_ = false;
    histogramRegion_ = {-1, -1, -1, -1};
    reduced_ = SamplePlane{};
    if (!SamplesOf(*picture_, channel, plane_)) return false;
    scale_ = PreviewScale(plane_.width, plane_.height);
    if (scale_ > 1 && !Reduce(plane_, scale_, reduced_)) return false;
    planeChannel_ = channel;
    planesReady_ = true;
    return true;
}

PixelRect DetectDialogModel::RegionOf(const DetectChoices& choices) const {
    const int32_t width = picture_->Width();
    const int32_t height = picture_->Height();
    switch (choices.area) {
        case DetectArea::kWholePicture:
            break;
        case DetectArea::kCurrentView: {
            const PixelRect shown = ClipRegion(PixelsOfWorldRect(view_, dpi_), width, height);
            // A view beside the picture searches nothing rather than all of it.
            return shown.Empty() ? PixelRect{0, 0, 0, 0} : shown;
        }
        case DetectArea::kRectangle:
            if (choices.rectangle.Empty()) return {0, 0, 0, 0};
            return ClipRegion(choices.rectangle, width, height);
    }
    return ClipRegion({}, width, height);
}

bool DetectDialogModel::Update(const DetectChoices& choices) {
    choices_ = choices;
    preview_ = DetectPreview{};
    if (!EnsurePlanes(choices.channel)) return false;
    const PixelRect region = RegionOf(choices);
    preview_.region = region;
    preview_.levels = plane_.levels;
    preview_.scale = scale_;
    if (region.Empty()) return true;
    if (!(region == histogramRegion_)) {
        histogram_ = HistogramOf(plane_, region);
        histogramRegion_ = region;
    }
    const int32_t level = ThresholdLevel(histogram_, choices.method, choices.level);
    preview_.level = level;
    const int32_t perBar = std::max<int32_t>(plane_.levels / kBars, 1);
    preview_.bars.assign(static_cast<std::size_t>(std::min(plane_.levels, kBars)), 0);
    for (std::size_t v = 0; v < histogram_.size(); ++v) {
        preview_.bars[std::min(v / static_cast<std::size_t>(perBar), preview_.bars.size() - 1)] +=
            histogram_[v];
    }
    preview_.levelBar = level / perBar;

    // The level is fixed here, from every value of the region, so that the
    // reduced plane is cut where the picture itself would be.
    DetectChoices fixed = choices;
    fixed.method = ThresholdMethod::kValue;
    fixed.level = level;
    const int32_t s = scale_;
    PixelRect searched = region;
    if (s > 1) {
        const int32_t right = (region.left + region.width + s - 1) / s;
        const int32_t bottom = (region.top + region.height + s - 1) / s;
        searched = {region.left / s, region.top / s, right - region.left / s,
                    bottom - region.top / s};
    }
    DetectSettings settings = SettingsForPicture(fixed, dpi_, searched);
    const double squares = static_cast<double>(s) * s;
    settings.minArea /= squares;
    settings.maxArea /= squares;
    DetectResult found;
    if (!DetectObjects(s > 1 ? reduced_ : plane_, settings, found)) return false;
    preview_.objects = std::move(found.objects);
    for (DetectedObject& object : preview_.objects) {
        Enlarge(object, s);
        preview_.totalArea += ObjectAreaMicrometres(object, dpi_);
    }
    return true;
}

bool DetectDialogModel::DetectAll(std::vector<DetectedObject>& objects) {
    objects.clear();
    if (!EnsurePlanes(choices_.channel)) return false;
    const PixelRect region = RegionOf(choices_);
    if (region.Empty()) return true;
    DetectResult found;
    if (!DetectObjects(plane_, SettingsForPicture(choices_, dpi_, region), found)) return false;
    objects = std::move(found.objects);
    return true;
}

}  // namespace kvx
