#include "core/detect/threshold.hpp"

#include <algorithm>
#include <cmath>

namespace kvx {

int32_t IsoDataLevel(const Histogram& histogram) {
    const auto n = static_cast<int32_t>(histogram.size());
    if (n < 2) return n / 2;
    Histogram data = histogram;

    // A background that fills most of the picture would pull the level
    // towards itself; its mode is cut down first.
    int32_t mode = 0;
    int64_t highest = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (data[static_cast<std::size_t>(i)] > highest) {
            highest = data[static_cast<std::size_t>(i)];
            mode = i;
        }
    }
    int64_t second = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (i != mode && data[static_cast<std::size_t>(i)] > second) {
            second = data[static_cast<std::size_t>(i)];
        }
    }
    if (second != 0 && highest > 2 * second) {
        data[static_cast<std::size_t>(mode)] = second * 3 / 2;
    }

    // The extreme values are often clipped or masked parts: they do not count.
    const int32_t top = n - 1;
    data[0] = 0;
    data[static_cast<std::size_t>(top)] = 0;
    int32_t min = 0;
    while (data[static_cast<std::size_t>(min)] == 0 && min < top) ++min;
    int32_t max = top;
    while (data[static_cast<std::size_t>(max)] == 0 && max > 0) --max;
    if (min >= max) return n / 2;

    // Running sums make each step constant time, which 16-bit histograms need.
    int64_t belowCount = 0;
    int64_t belowSum = 0;
    int64_t aboveCount = 0;
    int64_t aboveSum = 0;
    for (int32_t i = min; i <= max; ++i) {
        aboveCount += data[static_cast<std::size_t>(i)];
        aboveSum += int64_t{i} * data[static_cast<std::size_t>(i)];
    }
    int32_t moving = min;
    double result = 0.0;
    do {
        const int64_t c = data[static_cast<std::size_t>(moving)];
        belowCount += c;
        belowSum += int64_t{moving} * c;
        aboveCount -= c;
        aboveSum -= int64_t{moving} * c;
        result = (static_cast<double>(belowSum) / static_cast<double>(belowCount) +
                  static_cast<double>(aboveSum) / static_cast<double>(aboveCount)) /
                 2.0;
        ++moving;
    } while (moving + 1 <= result && moving < max - 1);
    return static_cast<int32_t>(std::floor(result + 0.5));
}

int32_t OtsuLevel(const Histogram& histogram) {
    const auto n = static_cast<int32_t>(histogram.size());
    double total = 0.0;
    double totalSum = 0.0;
    for (int32_t k = 0; k < n; ++k) {
        total += static_cast<double>(histogram[static_cast<std::size_t>(k)]);
        totalSum +=
            static_cast<double>(k) * static_cast<double>(histogram[static_cast<std::size_t>(k)]);
    }
    if (total <= 0.0) return 0;
    double below = static_cast<double>(histogram[0]);
    double belowSum = 0.0;
    double best = 0.0;
    int32_t level = 0;
    for (int32_t k = 1; k < n - 1; ++k) {
        const auto c = static_cast<double>(histogram[static_cast<std::size_t>(k)]);
        below += c;
        belowSum += static_cast<double>(k) * c;
        const double denominator = below * (total - below);
        double between = 0.0;
        if (denominator != 0.0) {
            const double numerator = below / total * totalSum - belowSum;
            between = numerator * numerator / denominator;
        }
        if (between >= best) {
            best = between;
            level = k;
        }
    }
    return level;
}

int32_t ThresholdLevel(const Histogram& histogram, ThresholdMethod method, int32_t value) {
    switch (method) {
        case ThresholdMethod::kIsoData:
            return IsoDataLevel(histogram);
        case ThresholdMethod::kOtsu:
            return OtsuLevel(histogram);
        case ThresholdMethod::kValue:
            break;
    }
    const auto top = static_cast<int32_t>(histogram.empty() ? 0 : histogram.size() - 1);
    return std::clamp(value, 0, top);
}

}  // namespace kvx
