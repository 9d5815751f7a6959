#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/detect/shape_descriptors.hpp"

namespace kvx {

struct Picture;

/// Picture samples owned elsewhere: grey (1 channel) or red, green, blue (3
/// channels, interleaved), 8 or 16 bits each (16-bit samples as native
/// uint16_t), rows top down, `stride` bytes from one row to the next. 16-bit
/// samples may also come split, as a picture keeps them: `data` the high
/// bytes and `lowBytes` the low bytes, each laid out as 8-bit samples.
struct SampleView {
    const void* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::size_t stride = 0;
    int channels = 3;
    int bits = 8;
    const void* lowBytes = nullptr;

    bool Valid() const {
        const std::size_t sampleBytes =
            lowBytes != nullptr ? 1 : static_cast<std::size_t>(bits / 8);
        return data != nullptr && width > 0 && height > 0 && (channels == 1 || channels == 3) &&
               (bits == 8 || bits == 16) && (lowBytes == nullptr || bits == 16) &&
               stride >= static_cast<std::size_t>(width) * static_cast<std::size_t>(channels) *
                             sampleBytes;
    }
};

/// The samples of a picture held at full resolution in its own values: its
/// 8-bit RGB pixels, or the 16-bit samples it kept
/// (DecodeOptions::keepSixteenBits). An invalid view when there is none, only
/// a reduced copy, or a 16-bit picture that did not keep its samples (its
/// pixels hold its range, not its values).
SampleView SamplesOf(const Picture& picture);

/// Mean, standard deviation (of a sample: n - 1 in the denominator), least
/// and greatest of one channel over the pixels of an outline, in the
/// picture's own values (0..255, or 0..65535 for 16-bit samples). The
/// fields are NaN where count does not define them (the deviation needs two
/// pixels).
struct ChannelStatistics {
    int64_t count = 0;
    double mean = kNoDescriptor;
    double sd = kNoDescriptor;
    double min = kNoDescriptor;
    double max = kNoDescriptor;
};

/// The values inside an outline: grey and, on a colour picture, each
/// channel. Grey is the picture's own value on a grey picture and the
/// luminance of a colour pixel (LuminanceOf), the grey objects are detected
/// on.
struct PixelStatistics {
    ChannelStatistics grey;
    std::array<ChannelStatistics, 3> colour;  ///< red, green, blue; count 0 on a grey picture
};

/// The values of the pixels whose centres lie inside the closed outline
/// (even-odd rule, so a self-crossing outline leaves out what it encloses
/// twice). vertices are in world micrometres; pixelsPerMicrometre maps them
/// onto the samples (resolution in dpi / 25400). Pixels outside the picture
/// are not counted; an outline of fewer than three vertices covers none.
PixelStatistics MeasurePixels(const SampleView& samples, double pixelsPerMicrometre,
                              std::span<const WorldPoint> vertices);

}  // namespace kvx
