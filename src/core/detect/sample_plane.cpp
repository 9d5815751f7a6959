#include "core/detect/sample_plane.hpp"

#include <algorithm>
#include <new>

#include "core/picture/picture.hpp"

namespace kvx {

namespace {

bool Prepare(SamplePlane& plane, int32_t width, int32_t height, int32_t levels) {
    plane = SamplePlane{};
    if (width <= 0 || height <= 0) return false;
    try {
        plane.values.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    plane.width = width;
    plane.height = height;
    plane.levels = levels;
    return true;
}

}  // namespace

bool SamplesOf(const PixelImage& image, SampleChannel channel, SamplePlane& plane) {
    if (image.Empty() || !Prepare(plane, image.Width(), image.Height(), 256)) return false;
    const auto width = static_cast<std::size_t>(image.Width());
    for (int32_t y = 0; y < image.Height(); ++y) {
        const uint8_t* p = image.Row(y);
        uint16_t* out = plane.values.data() + static_cast<std::size_t>(y) * width;
        if (channel == SampleChannel::kLuminance) {
            for (std::size_t x = 0; x < width; ++x, p += 3) out[x] = LuminanceOf(p[0], p[1], p[2]);
        } else {
            const std::size_t c = channel == SampleChannel::kRedChannel     ? 0
                                  : channel == SampleChannel::kGreenChannel ? 1
                                                                            : 2;
            for (std::size_t x = 0; x < width; ++x, p += 3) out[x] = p[c];
        }
    }
    return true;
}

bool SamplesOf(const Picture& picture, SampleChannel channel, SamplePlane& plane) {
    if (picture.Reduced()) {
        plane = SamplePlane{};
        return false;
    }
    const PixelImage& high = picture.samplesHigh;
    const PixelImage& low = picture.samplesLow;
    if (high.Empty() || low.Empty() || high.Width() != low.Width() ||
        high.Height() != low.Height()) {
        return SamplesOf(picture.pixels, channel, plane);
    }
    if (!Prepare(plane, high.Width(), high.Height(), 65536)) return false;
    const auto width = static_cast<std::size_t>(high.Width());
    for (int32_t y = 0; y < high.Height(); ++y) {
        const uint8_t* h = high.Row(y);
        const uint8_t* l = low.Row(y);
        uint16_t* out = plane.values.data() + static_cast<std::size_t>(y) * width;
        for (std::size_t x = 0; x < width; ++x, h += 3, l += 3) {
            const uint32_t r = uint32_t{h[0]} << 8 | l[0];
            const uint32_t g = uint32_t{h[1]} << 8 | l[1];
            const uint32_t b = uint32_t{h[2]} << 8 | l[2];
            switch (channel) {
                case SampleChannel::kLuminance:
                    out[x] = LuminanceOf(r, g, b);
                    break;
                case SampleChannel::kRedChannel:
                    out[x] = static_cast<uint16_t>(r);
                    break;
                case SampleChannel::kGreenChannel:
                    out[x] = static_cast<uint16_t>(g);
                    break;
                case SampleChannel::kBlueChannel:
                    out[x] = static_cast<uint16_t>(b);
                    break;
            }
        }
    }
    return true;
}

PixelRect ClipRegion(const PixelRect& region, int32_t width, int32_t height) {
    if (region.Empty()) return {0, 0, std::max(width, 0), std::max(height, 0)};
    const int64_t left = std::clamp<int64_t>(region.left, 0, width);
    const int64_t top = std::clamp<int64_t>(region.top, 0, height);
    const int64_t right = std::clamp<int64_t>(int64_t{region.left} + region.width, 0, width);
    const int64_t bottom = std::clamp<int64_t>(int64_t{region.top} + region.height, 0, height);
    return {static_cast<int32_t>(left), static_cast<int32_t>(top),
            static_cast<int32_t>(std::max<int64_t>(right - left, 0)),
            static_cast<int32_t>(std::max<int64_t>(bottom - top, 0))};
}

Histogram HistogramOf(const SamplePlane& plane, const PixelRect& region) {
    Histogram histogram(static_cast<std::size_t>(std::max(plane.levels, 1)), 0);
    const PixelRect r = ClipRegion(region, plane.width, plane.height);
    for (int32_t y = r.top; y < r.top + r.height; ++y) {
        const uint16_t* row = plane.values.data() +
                              static_cast<std::size_t>(y) * static_cast<std::size_t>(plane.width);
        for (int32_t x = r.left; x < r.left + r.width; ++x) {
            const uint16_t v = row[x];
            if (v < histogram.size()) ++histogram[v];
        }
    }
    return histogram;
}

}  // namespace kvx
