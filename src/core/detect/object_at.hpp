#pragma once

#include <cstdint>

#include "core/detect/detect_objects.hpp"

namespace kvx {

/// The object that pixel (x, y) of the plane belongs to, as a detection at
/// `level` with objects on the side darkObjects names would find it: the
/// 8-connected pixels on the objects' side joined to it, with their holes
/// filled, outlined along the pixel edges. Nothing is filtered or split; a
/// region inside another one's hole is outlined on its own, as it was
/// clicked. False when the pixel lies outside the plane or on the
/// background (a hole of an object included), or when memory is short.
[[nodiscard]] bool ObjectAt(const SamplePlane& plane, int32_t level, bool darkObjects, int32_t x,
                            int32_t y, DetectedObject& object);

}  // namespace kvx
