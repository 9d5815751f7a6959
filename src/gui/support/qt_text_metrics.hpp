#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/draw/text_metrics.hpp"

namespace kvx {

/// The family the font system uses for a font name of the drawing code: the
/// metric-compatible Liberation fonts stand in for Arial, Courier (New) and
/// Times New Roman; any other name is passed on as it is.
QString FontFamily(std::string_view name);

/// The QFont of a core font on the 96 dpi surface: its pixel size is
/// size × 96 / 72 rounded, so that measuring does not depend on the screen.
QFont ToQFont(const Font& font);

/// A fixed-pitch font of points size for texts that line up their columns
/// with blanks. It names a family the program's packages install, since the
/// platform's own fixed font is whatever the machine's font setup makes it.
QFont FixedPitchFont(int points);

/// A key that tells the fonts ToQFont makes apart.
std::string FontKey(const Font& font);

/// Text metrics of the real fonts, for the recordings the front end makes.
class QtTextMetrics : public TextMetrics {
public:
    QtTextMetrics() = default;
    // What is kept points into the object's own tables.
    QtTextMetrics(const QtTextMetrics&) = delete;
    QtTextMetrics& operator=(const QtTextMetrics&) = delete;

    int32_t TextWidth(const Font& font, std::string_view text) const override;
    int32_t TextHeight(const Font& font, std::string_view text) const override;

private:
    struct KeptMetrics {
        QFontMetrics metrics;
        int32_t height;
    };

    /// Leaves the font's key in key_.
    const KeptMetrics& MetricsFor(const Font& font) const;

    static constexpr std::size_t kKeptWidths = 65536;

    // Drawing code measures the same few fonts, and mostly the same texts,
    // over and over.
    // Nodes of the map stay where they are: the last font found is kept.
    mutable std::unordered_map<std::string, KeptMetrics> cache_;
    mutable std::unordered_map<std::string, int32_t> widths_;
    mutable std::string key_;
    mutable Font lastFont_;
    mutable std::string lastKey_;
    mutable const KeptMetrics* last_ = nullptr;
};

}  // namespace kvx
