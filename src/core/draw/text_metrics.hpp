#pragma once

#include <cstdint>
#include <string_view>

#include "core/draw/canvas.hpp"

namespace kvx {

/// Measures text in a font on the 96 dpi drawing surface. The front end
/// provides the platform's font metrics; the core and its tests can use
/// ApproxTextMetrics.
class TextMetrics {
public:
    virtual ~TextMetrics() = default;
    /// Width in pixels of text written in font.
    virtual int32_t TextWidth(const Font& font, std::string_view text) const = 0;
    /// Height in pixels of a line of text written in font.
    virtual int32_t TextHeight(const Font& font, std::string_view text) const = 0;
};

/// A deterministic stand-in for real font metrics: every character is half
/// an em wide and a line is 1.15 em high, with em = size × 96 / 72 pixels,
/// both rounded to the nearest pixel. Close enough to proportional fonts for
/// layout decisions without a font system.
class ApproxTextMetrics : public TextMetrics {
public:
    /// The em of a font in pixels.
    static double EmPixels(const Font& font) { return font.size * 96.0 / 72.0; }
    int32_t TextWidth(const Font& font, std::string_view text) const override;
    int32_t TextHeight(const Font& font, std::string_view text) const override;
};

}  // namespace kvx
