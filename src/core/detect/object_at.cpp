#include "core/detect/object_at.hpp"

#include <algorithm>
#include <new>
#include <vector>

namespace kvx {

bool ObjectAt(const SamplePlane& plane, int32_t level, bool darkObjects, int32_t x, int32_t y,
              DetectedObject& object) {
    if (plane.Empty() || x < 0 || y < 0 || x >= plane.width || y >= plane.height) return false;
    const auto inside = [&](int32_t px, int32_t py) {
        const int32_t v = plane.At(px, py);
        return darkObjects ? v <= level : v > level;
    };
    if (!inside(x, y)) return false;

    // The joined pixels are found first, so that the outlining only has to
    // look at the rectangle they cover rather than at the whole picture.
    const auto width = static_cast<std::size_t>(plane.width);
    PixelCorner first{x, y};
    int32_t left = x, right = x, top = y, bottom = y;
    try {
        std::vector<uint8_t> seen(width * static_cast<std::size_t>(plane.height), 0);
        std::vector<std::pair<int32_t, int32_t>> stack;
        seen[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)] = 1;
        stack.emplace_back(x, y);
        while (!stack.empty()) {
            const auto [cx, cy] = stack.back();
            stack.pop_back();
            if (cy < first.y || (cy == first.y && cx < first.x)) first = {cx, cy};
            left = std::min(left, cx);
            right = std::max(right, cx);
            top = std::min(top, cy);
            bottom = std::max(bottom, cy);
            for (int32_t ny = std::max(cy - 1, 0); ny <= std::min(cy + 1, plane.height - 1); ++ny) {
                for (int32_t nx = std::max(cx - 1, 0); nx <= std::min(cx + 1, plane.width - 1);
                     ++nx) {
                    uint8_t& mark =
                        seen[static_cast<std::size_t>(ny) * width + static_cast<std::size_t>(nx)];
                    if (mark != 0 || !inside(nx, ny)) continue;
                    mark = 1;
                    stack.emplace_back(nx, ny);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }

    DetectSettings settings;
    settings.method = ThresholdMethod::kValue;
    settings.level = level;
    settings.darkObjects = darkObjects;
    // One pixel of background all round, as far as the picture has one.
    settings.region = ClipRegion({left - 1, top - 1, right - left + 3, bottom - top + 3},
                                 plane.width, plane.height);
    DetectResult found;
    if (!DetectObjects(plane, settings, found)) return false;
    const DetectedObject* best = nullptr;
    for (const DetectedObject& candidate : found.objects) {
        if (candidate.start == first) {
            best = &candidate;
            break;
        }
        // Pixels in another object's hole became part of that object.
        const PixelRect& b = candidate.bounds;
        if (x >= b.left && x < b.left + b.width && y >= b.top && y < b.top + b.height &&
            (best == nullptr || candidate.pixels > best->pixels)) {
            best = &candidate;
        }
    }
    if (best == nullptr) return false;
    object = *best;
    return true;
}

}  // namespace kvx
