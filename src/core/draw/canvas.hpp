#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace kvx {

struct Picture;

/// A Windows colour value 0x00BBGGRR (255 red, 0 black, 16777215 white).
using Colour = int32_t;

inline constexpr Colour kBlack = 0;
inline constexpr Colour kWhite = 16777215;
inline constexpr Colour kRed = 255;

/// Pen styles.
enum PenStyle : int32_t {
    kPenSolid = 0,
    kPenDash = 1,
    kPenDot = 2,
    kPenDashDot = 3,
    kPenDashDotDot = 4,
    kPenInvisible = 5,
    kPenInsideFrame = 6,
};

/// Font style bits.
enum FontStyleBits : int32_t {
    kFontBold = 1,
    kFontItalic = 2,
    kFontUnderline = 4,
    kFontStrikeOut = 8,
};

enum class BrushStyle : uint8_t { kSolid = 0, kClear = 1 };
enum class FontPitch : uint8_t { kDefault = 0, kFixed = 1, kVariable = 2 };

/// Outline of lines and shapes. Width in surface pixels; style 0..6 (a style
/// outside that range draws like solid).
struct Pen {
    Colour colour = kBlack;
    int32_t width = 1;
    int32_t style = kPenSolid;
    bool operator==(const Pen&) const = default;
};

/// Fill of shapes and the background of text.
struct Brush {
    Colour colour = kWhite;
    BrushStyle style = BrushStyle::kSolid;
    bool operator==(const Brush&) const = default;
};

/// Text font. size is in points on a 96 dpi surface (pixels = size × 96 / 72);
/// style holds the kFont* bits in its low byte.
struct Font {
    std::string name = "Arial";
    int32_t size = 8;
    int32_t style = 0;
    Colour colour = kBlack;
    FontPitch pitch = FontPitch::kDefault;
    bool operator==(const Font&) const = default;
};

struct CanvasPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const CanvasPoint&) const = default;
};

/// A rectangle by its corners; for shapes the right and bottom edges are
/// outside (the shape covers left .. right − 1 and top .. bottom − 1).
struct CanvasRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const CanvasRect&) const = default;
    /// The same rectangle with left ≤ right and top ≤ bottom.
    CanvasRect Normalized() const {
        CanvasRect r = *this;
        if (r.left > r.right) std::swap(r.left, r.right);
        if (r.top > r.bottom) std::swap(r.top, r.bottom);
        return r;
    }
};

/// The drawing surface the renderers draw on: a current pen, brush, font and
/// position, changed freely by the drawing code and used by every operation
/// that follows. Implemented by Recording (a display list); a front end may
/// implement it directly over its painter.
class Canvas {
public:
    virtual ~Canvas() = default;

    Pen& pen() { return pen_; }
    const Pen& pen() const { return pen_; }
    Brush& brush() { return brush_; }
    const Brush& brush() const { return brush_; }
    Font& font() { return font_; }
    const Font& font() const { return font_; }
    CanvasPoint Position() const { return position_; }

    /// Convenience setters for the common combinations.
    void SetPen(Colour colour, int32_t width, int32_t style = kPenSolid) {
        pen_ = Pen{colour, width, style};
    }
    void SetBrush(Colour colour, BrushStyle style = BrushStyle::kSolid) {
        brush_ = Brush{colour, style};
    }

    /// Moves the current position without drawing.
    void MoveTo(int32_t x, int32_t y) { position_ = {x, y}; }
    /// A line with the pen from the current position to (x, y), which becomes
    /// the current position. The end point itself is not drawn.
    void LineTo(int32_t x, int32_t y) {
        Line(position_, {x, y});
        position_ = {x, y};
    }

    /// A line with the current pen; the end point is not drawn.
    virtual void Line(CanvasPoint from, CanvasPoint to) = 0;
    /// A rectangle outlined with the pen and filled with the brush; the corners
    /// may come in any order, right and bottom edges excluded.
    virtual void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    /// The ellipse inscribed in the rectangle, same conventions as Rectangle.
    virtual void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) = 0;
    /// A closed polygon, outlined with the pen and filled with the brush.
    virtual void Polygon(std::span<const CanvasPoint> points) = 0;
    /// An open line through the points, not filled.
    virtual void Polyline(std::span<const CanvasPoint> points) = 0;
    /// One pixel in the given colour (pen and brush not used).
    virtual void SetPixel(int32_t x, int32_t y, Colour colour) = 0;
    /// Text in the current font with its top-left corner at (x, y); its
    /// background box is filled with the brush colour unless the brush is clear.
    virtual void TextOut(int32_t x, int32_t y, std::string_view text) = 0;
    /// Extent of a text in the current font, in surface pixels.
    virtual int32_t TextWidth(std::string_view text) const = 0;
    virtual int32_t TextHeight(std::string_view text) const = 0;
    /// Restricts all further drawing to the rectangle (right and bottom excluded).
    virtual void SetClipRect(const CanvasRect& rect) = 0;
    /// Removes the clip rectangle.
    virtual void ResetClip() = 0;
    /// The whole picture stretched into the rectangle (right and bottom
    /// excluded); the rectangle may reach far beyond the surface.
    virtual void StretchPicture(const CanvasRect& rect, std::shared_ptr<const Picture> picture) = 0;

protected:
    Pen pen_;
    Brush brush_;
    Font font_;
    CanvasPoint position_;
};

}  // namespace kvx
