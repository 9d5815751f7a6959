#include "core/draw/text_metrics.hpp"

#include <cmath>

namespace kvx {

int32_t ApproxTextMetrics::TextWidth(const Font& font, std::string_view text) const {
    if (font.size <= 0) return 0;
    return static_cast<int32_t>(
        std::nearbyint(static_cast<double>(text.size()) * EmPixels(font) * 0.5));
}

int32_t ApproxTextMetrics::TextHeight(const Font& font, std::string_view) const {
    if (font.size <= 0) return 0;
    return static_cast<int32_t>(std::nearbyint(EmPixels(font) * 1.15));
}

}  // namespace kvx
