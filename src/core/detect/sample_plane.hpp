#pragma once

#include <cstdint>
#include <vector>

#include "core/detect/threshold.hpp"
#include "core/picture/picture.hpp"

namespace kvx {

/// Which of a picture's values objects are told apart by.
enum class SampleChannel { kLuminance, kRedChannel, kGreenChannel, kBlueChannel };

/// One value per pixel of a picture, 8 or 16 bits deep, rows top down.
struct SamplePlane {
    int32_t width = 0;
    int32_t height = 0;
    int32_t levels = 256;  ///< 256 for 8-bit values, 65536 for 16-bit ones
    std::vector<uint16_t> values;

    uint16_t At(int32_t x, int32_t y) const {
        return values[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    bool Empty() const { return width <= 0 || height <= 0; }
};

/// The grey value of a colour: its luminance 0.299 red + 0.587 green +
/// 0.114 blue, rounded; a grey colour keeps its value exactly. For 8- and
/// 16-bit values alike.
inline uint16_t LuminanceOf(uint32_t r, uint32_t g, uint32_t b) {
    // Weights in 65536ths, summing to 65536.
    return static_cast<uint16_t>((19595 * r + 38470 * g + 7471 * b + 32768) >> 16);
}

/// The grey value (LuminanceOf) or one channel of every pixel of an RGB image. False when
/// memory is short or the image is empty.
[[nodiscard]] bool SamplesOf(const PixelImage& image, SampleChannel channel, SamplePlane& plane);

/// The same from a picture's own values: its 16-bit samples when it kept
/// them (DecodeOptions::keepSixteenBits), else its full-resolution pixels.
/// False for a picture held reduced, since its pixels are not the picture's.
[[nodiscard]] bool SamplesOf(const Picture& picture, SampleChannel channel, SamplePlane& plane);

/// The histogram of the plane's values within region (clipped to the plane).
Histogram HistogramOf(const SamplePlane& plane, const PixelRect& region);

/// region clipped to a width x height picture; the whole picture when empty.
PixelRect ClipRegion(const PixelRect& region, int32_t width, int32_t height);

}  // namespace kvx
