#include "core/measure/capture.hpp"

#include <algorithm>
#include <cmath>

#include "core/support/strings.hpp"

namespace kvx {

std::optional<ScreenPoint> CalibratePointer(int32_t x, int32_t y, double calibration) {
    if (!(calibration > 0.0)) return ScreenPoint{x, y};
    ScreenPoint p;
    if (!RoundToInt32(x * calibration / 100.0, p.x) ||
        !RoundToInt32(y * calibration / 100.0, p.y)) {
        return std::nullopt;
    }
    return p;
}

int64_t HitTolerance(int64_t viewSize) {
    return std::max<int64_t>(5, (2 * viewSize) / 200);
}

bool PointHit(double px, double py, int64_t x, int64_t y, int64_t tolerance) {
    const auto t = static_cast<double>(tolerance);
    return std::fabs(py - static_cast<double>(y)) < t && std::fabs(px - static_cast<double>(x)) < t;
}

}  // namespace kvx
