#include "core/draw/text_metrics.hpp"

#include <algorithm>
#include <cmath>

namespace kvx {

namespace {

// Pixels as an int32, however large the font or long the text.
int32_t Pixels(double value) {
    return static_cast<int32_t>(std::nearbyint(std::min(value, 2147483647.0)));
}

}  // namespace

int32_t ApproxTextMetrics::TextWidth(const Font& font, std::string_view text) const {
    if (font.size <= 0) return 0;
    return Pixels(static_cast<double>(text.size()) * EmPixels(font) * 0.5);
}

int32_t ApproxTextMetrics::TextHeight(const Font& font, std::string_view) const {
    if (font.size <= 0) return 0;
    return Pixels(EmPixels(font) * 1.15);
}

}  // namespace kvx
