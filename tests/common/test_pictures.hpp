#pragma once

#include <string>

namespace kvx::test {

/// The bytes of a small real JPEG (8 × 6, light grey), so that a redraw after
/// New or Load finds a picture to decode.
std::string TinyJpeg();

}  // namespace kvx::test
