#include "gui/support/qt_text_metrics.hpp"

#include <algorithm>
#include <cmath>

#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

}  // namespace

QString FontFamily(std::string_view name) {
    if (SameName(name, "Arial")) return QStringLiteral("Liberation Sans");
    if (SameName(name, "Courier") || SameName(name, "Courier New")) {
        return QStringLiteral("Liberation Mono");
    }
    if (SameName(name, "Times New Roman")) return QStringLiteral("Liberation Serif");
    return FromCore(name);
}

QFont ToQFont(const Font& font) {
    QFont result(FontFamily(font.name));
    const double pixels = std::nearbyint(font.size * 96.0 / 72.0);
    result.setPixelSize(std::max(1, static_cast<int>(pixels)));
    result.setBold((font.style & kFontBold) != 0);
    result.setItalic((font.style & kFontItalic) != 0);
    result.setUnderline((font.style & kFontUnderline) != 0);
    result.setStrikeOut((font.style & kFontStrikeOut) != 0);
    if (font.pitch == FontPitch::kFixed) {
        result.setFixedPitch(true);
        result.setStyleHint(QFont::Monospace);
    }
    // Measured sizes must not depend on hinting of the screen in use.
    result.setHintingPreference(QFont::PreferNoHinting);
    return result;
}

QFont FixedPitchFont(int points) {
    Font courier;
    courier.name = "Courier New";
    courier.size = points;
    courier.pitch = FontPitch::kFixed;
    return ToQFont(courier);
}

std::string FontKey(const Font& font) {
    std::string key = font.name;
    key += '\0';
    key += std::to_string(font.size);
    key += '|';
    key += std::to_string(font.style & 0xFF);
    key += '|';
    key += std::to_string(static_cast<int>(font.pitch));
    return key;
}

const QtTextMetrics::KeptMetrics& QtTextMetrics::MetricsFor(const Font& font) const {
    // A label and its symbol are measured in turn in the same font.
    if (last_ != nullptr && font == lastFont_) {
        key_.assign(lastKey_);
        return *last_;
    }
    FontKey(font).swap(key_);
    auto it = cache_.find(key_);
    if (it == cache_.end()) {
        QFontMetrics metrics(ToQFont(font));
        const int32_t height = metrics.height();
        it = cache_.emplace(key_, KeptMetrics{std::move(metrics), height}).first;
    }
    lastFont_ = font;
    lastKey_ = key_;
    last_ = &it->second;
    return it->second;
}

int32_t QtTextMetrics::TextWidth(const Font& font, std::string_view text) const {
    // A redraw measures the same labels as the one before it; laying out a
    // text is what measuring costs.
    const QFontMetrics& metrics = MetricsFor(font).metrics;
    key_ += '\1';
    key_ += text;
    if (const auto it = widths_.find(key_); it != widths_.end()) return it->second;
    if (widths_.size() >= kKeptWidths) widths_.clear();
    const int32_t width = metrics.horizontalAdvance(FromCore(text));
    widths_.emplace(key_, width);
    return width;
}

int32_t QtTextMetrics::TextHeight(const Font& font, std::string_view) const {
    return MetricsFor(font).height;
}

}  // namespace kvx
