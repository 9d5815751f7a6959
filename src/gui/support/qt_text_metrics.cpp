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

QString CacheKey(const Font& font) {
    return FromCore(font.name) + QLatin1Char('|') + QString::number(font.size) + QLatin1Char('|') +
           QString::number(font.style & 0xFF) + QLatin1Char('|') +
           QString::number(static_cast<int>(font.pitch));
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

const QFontMetrics& QtTextMetrics::MetricsFor(const Font& font) const {
    const QString key = CacheKey(font);
    auto it = cache_.find(key);
    if (it == cache_.end()) it = cache_.insert(key, QFontMetrics(ToQFont(font)));
    return it.value();
}

int32_t QtTextMetrics::TextWidth(const Font& font, std::string_view text) const {
    return MetricsFor(font).horizontalAdvance(FromCore(text));
}

int32_t QtTextMetrics::TextHeight(const Font& font, std::string_view) const {
    return MetricsFor(font).height();
}

}  // namespace kvx
