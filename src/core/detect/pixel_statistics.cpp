#include "core/detect/pixel_statistics.hpp"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

#include "core/detect/sample_plane.hpp"
#include "core/picture/picture.hpp"

namespace kvx {

namespace {

// Sums in integers: exact for every picture the decoders accept (at most
// 500 million pixels of 65535 squared stays below 2^64).
struct Accumulator {
    uint64_t count = 0;
    uint64_t sum = 0;
    uint64_t squares = 0;
    uint32_t min = UINT32_MAX;
    uint32_t max = 0;

    void Add(uint32_t v) {
        ++count;
        sum += v;
        squares += uint64_t{v} * v;
        min = std::min(min, v);
        max = std::max(max, v);
    }

    ChannelStatistics Result() const {
        ChannelStatistics s;
        s.count = static_cast<int64_t>(count);
        if (count == 0) return s;
        const auto n = static_cast<double>(count);
        s.mean = static_cast<double>(sum) / n;
        s.min = min;
        s.max = max;
        if (count >= 2) {
            // The sum of squared deviations, exact in integers before the
            // one division, so that a flat region gives 0, never a tiny
            // negative number.
            const long double deviations =
                static_cast<long double>(squares) - static_cast<long double>(sum) *
                                                        static_cast<long double>(sum) /
                                                        static_cast<long double>(count);
            s.sd = std::sqrt(static_cast<double>(std::max(0.0L, deviations)) / (n - 1.0));
        }
        return s;
    }
};

// Sums of one channel over a run of pixels, kept in locals so that the
// compiler holds them in registers: stores into the accumulators could
// otherwise alias the samples and force a reload of every pixel.
struct RunSums {
    uint64_t sum = 0;
    uint64_t squares = 0;
    uint32_t min = UINT32_MAX;
    uint32_t max = 0;

    void Add(uint32_t v) {
        sum += v;
        squares += uint64_t{v} * v;
        min = v < min ? v : min;
        max = v > max ? v : max;
    }
    void Into(Accumulator& acc, uint64_t count) const {
        acc.count += count;
        acc.sum += sum;
        acc.squares += squares;
        acc.min = std::min(acc.min, min);
        acc.max = std::max(acc.max, max);
    }
};

// One sample of a run: 8 or 16 bits as stored, or 16 bits put together from
// a high and a low byte.
struct Plain8 {
    using Type = uint8_t;
};
struct Plain16 {
    using Type = uint16_t;
};
struct Split16 {
    using Type = uint8_t;
};

template <typename Kind>
uint32_t SampleAt(const typename Kind::Type* p, const uint8_t* low, std::ptrdiff_t i) {
    if constexpr (std::is_same_v<Kind, Split16>) {
        return uint32_t{p[i]} << 8 | low[i];
    } else {
        return p[i];
    }
}

template <typename Kind, int Channels>
void AddRun(const SampleView& view, int32_t y, int32_t from, int32_t to,
            std::array<Accumulator, 4>& acc) {
    using Sample = typename Kind::Type;
    const std::size_t rowOffset = static_cast<std::size_t>(y) * view.stride;
    const auto* row =
        reinterpret_cast<const Sample*>(static_cast<const uint8_t*>(view.data) + rowOffset);
    const uint8_t* lowRow =
        view.lowBytes != nullptr ? static_cast<const uint8_t*>(view.lowBytes) + rowOffset : nullptr;
    const auto first = static_cast<std::ptrdiff_t>(from) * Channels;
    const auto last = static_cast<std::ptrdiff_t>(to) * Channels;
    const auto count = static_cast<uint64_t>(to - from);
    if constexpr (Channels == 1) {
        RunSums grey;
        for (std::ptrdiff_t i = first; i != last; ++i) grey.Add(SampleAt<Kind>(row, lowRow, i));
        grey.Into(acc[0], count);
    } else {
        RunSums grey, red, green, blue;
        for (std::ptrdiff_t i = first; i != last; i += 3) {
            const uint32_t r = SampleAt<Kind>(row, lowRow, i);
            const uint32_t g = SampleAt<Kind>(row, lowRow, i + 1);
            const uint32_t b = SampleAt<Kind>(row, lowRow, i + 2);
            grey.Add(LuminanceOf(r, g, b));
            red.Add(r);
            green.Add(g);
            blue.Add(b);
        }
        grey.Into(acc[0], count);
        red.Into(acc[1], count);
        green.Into(acc[2], count);
        blue.Into(acc[3], count);
    }
}

using RunAdder = void (*)(const SampleView&, int32_t, int32_t, int32_t,
                          std::array<Accumulator, 4>&);

RunAdder AdderFor(const SampleView& view) {
    if (view.lowBytes != nullptr) {
        return view.channels == 1 ? AddRun<Split16, 1> : AddRun<Split16, 3>;
    }
    if (view.bits == 16) return view.channels == 1 ? AddRun<Plain16, 1> : AddRun<Plain16, 3>;
    return view.channels == 1 ? AddRun<Plain8, 1> : AddRun<Plain8, 3>;
}

// The first pixel whose centre lies at or right of x. A point far outside
// any picture is held where the conversion to an integer stays defined.
int64_t FirstCentreFrom(double x) {
    return static_cast<int64_t>(std::ceil(std::clamp(x, -1e15, 1e15) - 0.5));
}

}  // namespace

SampleView SamplesOf(const Picture& picture) {
    if (picture.Reduced()) return {};
    if (picture.sixteenBit) {
        const PixelImage& high = picture.samplesHigh;
        const PixelImage& low = picture.samplesLow;
        if (high.Empty() || low.Empty() || high.Width() != low.Width() ||
            high.Height() != low.Height()) {
            return {};
        }
        const RgbView h = high.View();
        const RgbView l = low.View();
        if (h.stride != l.stride) return {};
        return {h.data, h.width, h.height, h.stride, 3, 16, l.data};
    }
    if (picture.pixels.Empty()) return {};
    const RgbView rgb = picture.pixels.View();
    return {rgb.data, rgb.width, rgb.height, rgb.stride, 3, 8};
}

PixelStatistics MeasurePixels(const SampleView& samples, double pixelsPerMicrometre,
                              std::span<const WorldPoint> vertices) {
    PixelStatistics result;
    if (!samples.Valid() || !(pixelsPerMicrometre > 0.0) || vertices.size() < 3) return result;

    std::vector<WorldPoint> ring;
    ring.reserve(vertices.size());
    double top = INFINITY, bottom = -INFINITY;
    for (const WorldPoint& v : vertices) {
        const WorldPoint p{v.x * pixelsPerMicrometre, v.y * pixelsPerMicrometre};
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return result;
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
        ring.push_back(p);
    }
    const int64_t firstRow = std::max<int64_t>(0, FirstCentreFrom(top));
    const int64_t lastRow = std::min<int64_t>(samples.height, FirstCentreFrom(bottom)) - 1;

    const RunAdder add = AdderFor(samples);
    std::array<Accumulator, 4> acc;
    std::vector<double> crossings;
    for (int64_t y = firstRow; y <= lastRow; ++y) {
        const double centre = static_cast<double>(y) + 0.5;
        crossings.clear();
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const WorldPoint& p = ring[i];
            const WorldPoint& q = ring[(i + 1) % ring.size()];
            // Half-open in y, so that a vertex on the row is met once.
            if ((p.y <= centre) != (q.y <= centre)) {
                crossings.push_back(p.x + (centre - p.y) * (q.x - p.x) / (q.y - p.y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
            const int64_t from = std::max<int64_t>(0, FirstCentreFrom(crossings[k]));
            const int64_t to = std::min<int64_t>(samples.width, FirstCentreFrom(crossings[k + 1]));
            if (from < to) {
                add(samples, static_cast<int32_t>(y), static_cast<int32_t>(from),
                    static_cast<int32_t>(to), acc);
            }
        }
    }
    result.grey = acc[0].Result();
    if (samples.channels == 3) {
        for (std::size_t c = 0; c < 3; ++c) result.colour[c] = acc[c + 1].Result();
    }
    return result;
}

}  // namespace kvx
