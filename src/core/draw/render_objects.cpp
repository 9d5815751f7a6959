#include "core/draw/render_objects.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "core/program/object_type.hpp"
#include "core/program/settings.hpp"
#include "core/project/measured_object.hpp"

namespace kvx {

namespace {

constexpr int64_t kCanvasLimit = 1000000000;
// Cyan: no object type's default, and rare in stained specimens.
constexpr Colour kPickedColour = 0xFFFF00;

int32_t Canvas32(int64_t v) {
    return ToCanvas(v);
}

// Integer division of the magnitude, carrying the sign of v.
int64_t SignedDiv(int64_t v, int64_t d) {
    return v < 0 ? -(-v / d) : v / d;
}

}  // namespace

int32_t ToCanvas(int64_t v) {
    if (v > kCanvasLimit) return static_cast<int32_t>(kCanvasLimit);
    if (v < -kCanvasLimit) return static_cast<int32_t>(-kCanvasLimit);
    return static_cast<int32_t>(v);
}

int32_t ScaledFontSize(int32_t size) {
    // A size from a damaged object-type file must not overflow the scaling.
    const double scaled = std::clamp(size * FontScale, -kLargestFontSize, kLargestFontSize);
    return static_cast<int32_t>(std::nearbyint(scaled));
}

std::string FormatFixed(double value, int decimals, int language) {
    // Room for the longest fixed-point double (309 digits) with its decimals.
    std::array<char, 400> buffer{};
    const int places = decimals < 0 ? 0 : decimals > 20 ? 20 : decimals;
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::fixed, places);
    if (ec != std::errc{}) return {};
    std::string text(buffer.data(), end);
    if (language == 0) {
        for (char& c : text) {
            if (c == '.') c = ',';
        }
    }
    return text;
}

std::string FormatLength(double value, int64_t viewSize, bool withUnit, int language) {
    double n = 0.0;
    int decimals = 0;
    const char* unit = nullptr;
    if (viewSize > 20000) {
        n = value / 10000.0;
        decimals = 1;
        unit = "cm";
    } else {
        n = value / 1000.0;
        decimals = viewSize <= 2000 ? 3 : 2;
        unit = "mm";
    }
    std::string text = FormatFixed(n, decimals, language);
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (!text.empty() && text.back() == ',') text.pop_back();
    if (withUnit) {
        text += ' ';
        text += unit;
    }
    return text;
}

// ---------------------------------------------------------------------------
// Frame and raster

void ObjectRenderer::SetPenFromSlot(int32_t slot) {
    const ObjectType& t = types_.At(slot);
    canvas_.SetPen(t.colour, t.size, t.attribute);
}

void ObjectRenderer::SetFontFromSlot(int32_t slot) {
    const ObjectType& t = types_.At(slot);
    Font& font = canvas_.font();
    font.name = t.textFont;
    font.size = ScaledFontSize(t.size);
    font.colour = t.textColour;
    font.style = t.attribute;
}

void ObjectRenderer::DrawFrame(Colour background, bool filled) {
    if (!types_.At(kDecorationFrame).show) return;
    const auto topLeft = WorldToSurface(view_, static_cast<double>(view_.viewLeft),
                                        static_cast<double>(view_.viewTop));
    const auto bottomRight = WorldToSurface(view_, static_cast<double>(view_.viewRight),
                                            static_cast<double>(view_.viewBottom));
    if (!topLeft || !bottomRight) return;
    const int32_t x1 = Canvas32(topLeft->x);
    const int32_t y1 = Canvas32(topLeft->y);
    const int32_t x2 = Canvas32(bottomRight->x);
    const int32_t y2 = Canvas32(bottomRight->y);

    canvas_.SetBrush(background);
    SetPenFromSlot(kDecorationFrame);
    if (filled) {
        canvas_.Rectangle(x1, y1, x2, y2);
    } else {
        canvas_.MoveTo(x1, y1);
        canvas_.LineTo(x1, y2);
        canvas_.LineTo(x2, y2);
        canvas_.LineTo(x2, y1);
        canvas_.LineTo(x1, y1);
    }
}

void ObjectRenderer::DrawRaster() {
    const int64_t step = view_.rasterLength;
    if (step <= 0) return;
    const int64_t surface = view_.activeSurfaceSize;
    const int32_t spacing = settings_.RasterLabelSpacing;
    const int language = settings_.Language;

    // The first raster position strictly inside the view.
    auto firstInside = [step](int64_t edge) {
        const int64_t q = edge / step;
        int64_t first = q * step;
        while (first <= edge) first += step;
        return first;
    };

    const auto labelFont = [this](int32_t slot) {
        SetFontFromSlot(slot);
        canvas_.font().size = std::max(canvas_.font().size, minimumLabelSize_);
    };
    labelFont(kDecorationVerticalLabels);
    SetPenFromSlot(kDecorationVerticalLines);
    canvas_.SetBrush(kWhite);
    const bool verticalLines = types_.At(kDecorationVerticalLines).show;
    const bool verticalLabels = types_.At(kDecorationVerticalLabels).show;
    int64_t lastLabelEnd = 0;
    const int32_t top = Canvas32(MapYTruncated(view_, view_.viewTop));
    const int32_t bottom = Canvas32(MapYTruncated(view_, view_.viewBottom));
    for (int64_t x = firstInside(view_.viewLeft); x < view_.viewRight; x += step) {
        const int64_t px = MapXTruncated(view_, x);
        if (verticalLines) {
            canvas_.MoveTo(Canvas32(px), top);
            canvas_.LineTo(Canvas32(px), bottom);
        }
        if (verticalLabels) {
            const std::string text =
                FormatLength(static_cast<double>(x), view_.viewSize, true, language);
            if (px + spacing > lastLabelEnd) {
                canvas_.TextOut(Canvas32(px + spacing), spacing, text);
                lastLabelEnd = px + spacing + canvas_.TextWidth(text);
            }
        }
    }

    labelFont(kDecorationHorizontalLabels);
    SetPenFromSlot(kDecorationHorizontalLines);
    const bool horizontalLines = types_.At(kDecorationHorizontalLines).show;
    const bool horizontalLabels = types_.At(kDecorationHorizontalLabels).show;
    const int32_t left = Canvas32(MapXTruncated(view_, view_.viewLeft));
    const int32_t right = Canvas32(MapXTruncated(view_, view_.viewRight));
    for (int64_t y = firstInside(view_.viewTop); y < view_.viewBottom; y += step) {
        const int64_t py = MapYTruncated(view_, y);
        if (horizontalLines) {
            canvas_.MoveTo(left, Canvas32(py));
            canvas_.LineTo(right, Canvas32(py));
        }
        if (horizontalLabels) {
            const std::string text =
                FormatLength(static_cast<double>(y), view_.viewSize, true, language);
            if (py + spacing + canvas_.TextHeight(text) < surface &&
                spacing + canvas_.TextWidth(text) < surface) {
                canvas_.TextOut(spacing, Canvas32(py + spacing), text);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Objects

bool ObjectRenderer::Dimmed(int32_t typeIndex, int32_t currentType) const {
    return settings_.HideNonCurrent > 0 && currentType > 0 && typeIndex != currentType;
}

int64_t ObjectRenderer::HandleRadius(int64_t hx, int64_t hy) const {
    if (hotHandle_ && hotHandle_->x == hx && hotHandle_->y == hy) return hotHandleRadius_;
    return handleRadius_ > 0 ? handleRadius_ : settings_.PointSizeModify;
}

void ObjectRenderer::DrawHandle(int64_t hx, int64_t hy, int32_t number) {
    const int64_t r = HandleRadius(hx, hy);
    canvas_.SetBrush(kRed);
    canvas_.pen().colour = kRed;
    canvas_.pen().width = 1;
    canvas_.Ellipse(Canvas32(hx - r), Canvas32(hy - r), Canvas32(hx + r), Canvas32(hy + r));
    canvas_.pen().colour = kRed;
    canvas_.pen().width = 1;
    canvas_.SetBrush(kWhite);
    if (settings_.EditModeNbr == 1) {
        canvas_.TextOut(Canvas32(hx - r), Canvas32(hy - r - 2), std::to_string(number));
    }
}

int32_t ObjectRenderer::DrawObjects(const History& history, int32_t modifyMode,
                                    int32_t currentType) {
    const int32_t count = history.Count();
    const bool modify = modifyMode == 1;
    bool haveFirst = false;
    double firstX = 0.0;
    double firstY = 0.0;
    SurfacePoint firstAt;

    for (int32_t i = 1; i <= count; ++i) {
        const MeasuredObject p = history.Peek(i);
        if (p.typeIndex <= 0) continue;
        const ObjectType& t = types_.At(p.typeIndex);
        if (!t.show) continue;
        if (t.dataType == kUndefined || t.dataType == kPolygon || t.dataType == kCount) continue;

        const SurfacePoint s = MapToSurface(view_, p.x, p.y);
        const Colour c = p.excluded ? settings_.Colour2 : p.colourOverride;

        if (t.dataType == kLine || t.dataType == kTwoPointLine) {
            if (p.vertexKind == 1) {
                haveFirst = true;
                firstX = p.x;
                firstY = p.y;
                firstAt = s;
                Pen& pen = canvas_.pen();
                if (Dimmed(p.typeIndex, currentType)) {
                    pen = Pen{kBlack, 1, kPenSolid};
                } else {
                    pen.colour = p.excluded               ? settings_.Colour2
                                 : p.colourOverride != -1 ? p.colourOverride
                                                          : t.colour;
                    pen.width = p.sizeOverride > 0 ? p.sizeOverride : t.size;
                    pen.style = t.attribute;
                }
                canvas_.MoveTo(Canvas32(s.x), Canvas32(s.y));
                if (modify) DrawHandle(s.x, s.y, i);
                continue;
            }

            canvas_.LineTo(Canvas32(s.x), Canvas32(s.y));
            if (modify) DrawHandle(s.x, s.y, i);
            if (t.dataType != kTwoPointLine || modify || !haveFirst) continue;

            const int64_t a = SignedDiv(s.x - firstAt.x, 15);
            const int64_t b = SignedDiv(s.y - firstAt.y, 15);
            canvas_.MoveTo(Canvas32(firstAt.x + b), Canvas32(firstAt.y - a));
            canvas_.LineTo(Canvas32(firstAt.x - b), Canvas32(firstAt.y + a));
            canvas_.MoveTo(Canvas32(s.x + b), Canvas32(s.y - a));
            canvas_.LineTo(Canvas32(s.x - b), Canvas32(s.y + a));

            if (p.typeIndex == currentType && settings_.ShowTplValues == 1) {
                const double dx = p.x - firstX;
                const double dy = p.y - firstY;
                const double length = std::sqrt(dx * dx + dy * dy);
                canvas_.SetBrush(kWhite);
                Font& font = canvas_.font();
                font.name = "Courier";
                font.size = 24;
                font.colour = kBlack;
                canvas_.TextOut(Canvas32(s.x + 5), Canvas32(s.y + 5),
                                FormatFixed(length, 2, settings_.Language));
            }
            continue;
        }

        // Points, objects and texts show only inside the view.
        if (p.y >= static_cast<double>(view_.viewTop) &&
            p.y <= static_cast<double>(view_.viewBottom) &&
            p.x >= static_cast<double>(view_.viewLeft) &&
            p.x <= static_cast<double>(view_.viewRight)) {
            DrawSymbol(c, currentType, p.name, s.x, s.y, p.typeIndex);
        }
    }
    return 0;
}

void ObjectRenderer::DrawSymbol(Colour colour, int32_t currentType, std::string_view name,
                                int64_t sx, int64_t sy, int32_t typeIndex) {
    const ObjectType& t = types_.At(typeIndex);
    const int64_t surface = view_.activeSurfaceSize;
    const bool dimmed = Dimmed(typeIndex, currentType);
    const Colour colour2 = settings_.Colour2;
    if (colour == -1) colour = t.colour;
    int64_t hw = 0;
    int64_t hh = 0;

    if ((t.dataType == kPoint || t.dataType == kCount) && t.symbolNumber > 0) {
        if (t.symbolNumber < 256) {
            Font& font = canvas_.font();
            font.name = t.symbolFont;
            font.size = ScaledFontSize(t.symbolSize);
            font.style = t.style;
            font.colour = colour == colour2 ? colour2 : t.colour;
            canvas_.SetBrush(settings_.Colour1, dimmed ? BrushStyle::kClear : BrushStyle::kSolid);
            const std::string symbol(1, static_cast<char>(t.symbolNumber));
            hw = canvas_.TextWidth(symbol) / 2;
            hh = canvas_.TextHeight(symbol) / 2;
            if (sy - hh > 0 && sx - hw > 0 && sx + hw < surface && sy + hh < surface) {
                canvas_.TextOut(Canvas32(sx - hw), Canvas32(sy - hh), symbol);
            }
        } else {
            const int32_t shape = t.symbolNumber / 256;
            const int64_t r = t.symbolSize;
            const int32_t x1 = Canvas32(sx - r);
            const int32_t y1 = Canvas32(sy - r);
            const int32_t x2 = Canvas32(sx + r);
            const int32_t y2 = Canvas32(sy + r);
            const Colour fill = (shape % 2 == 0) ? kWhite : colour;
            switch (shape) {
                case 1:
                    canvas_.SetPixel(Canvas32(sx), Canvas32(sy), colour);
                    break;
                case 2:
                case 3:
                case 4:
                case 5: {
                    canvas_.SetBrush(fill, dimmed ? BrushStyle::kClear : BrushStyle::kSolid);
                    canvas_.pen().colour = colour;
                    canvas_.pen().width = 1;
                    hw = hh = r + 1;
                    if (sy - r > 0 && sx - r > 0 && sx + r < surface && sy + r < surface) {
                        if (shape <= 3) {
                            canvas_.Ellipse(x1, y1, x2, y2);
                        } else {
                            canvas_.Rectangle(x1, y1, x2, y2);
                        }
                    }
                    break;
                }
                case 6:
                case 7: {
                    canvas_.SetPen(colour, 1, kPenSolid);
                    canvas_.brush().colour = fill;
                    const std::array<CanvasPoint, 4> diamond{{{Canvas32(sx), y1},
                                                              {x2, Canvas32(sy)},
                                                              {Canvas32(sx), y2},
                                                              {x1, Canvas32(sy)}}};
                    canvas_.Polygon(diamond);
                    hw = hh = r + 1;
                    break;
                }
                default:
                    break;
            }
        }
    }

    canvas_.SetBrush(settings_.Colour1);

    if (name.empty() || !(t.showLabel || t.dataType == kText)) return;
    Font& font = canvas_.font();
    font.name = t.textFont;
    font.size = ScaledFontSize(t.size);
    font.style = t.attribute;
    font.colour = colour == colour2 ? colour2 : t.textColour;
    std::string label(name);
    while (!label.empty() && sx + hw + canvas_.TextWidth(label) > surface) label.pop_back();
    if (!label.empty() && sy + hh + canvas_.TextHeight(label) < surface) {
        canvas_.TextOut(Canvas32(sx + hw), Canvas32(sy + hh), label);
    }
}

// ---------------------------------------------------------------------------
// Polygons and counts

struct ObjectRenderer::PolygonState {
    std::array<SurfacePoint, kPolygonBuffer> points{};
    int32_t n = 0;
    int32_t typeIndex = 0;
    Colour fill = -1;
    Colour penColour = kBlack;
    int32_t penWidth = 1;
    bool dimmed = false;
};

void ObjectRenderer::FlushPolygon(PolygonState& state, int32_t modifyMode, int32_t currentType) {
    const ObjectType& t = types_.At(state.typeIndex);
    if (state.fill > -1) canvas_.SetBrush(state.fill);
    canvas_.SetPen(state.penColour, state.penWidth, state.dimmed ? kPenSolid : t.attribute);
    canvas_.font().style = 0;
    const int32_t n = state.n;
    if (n < 2 || state.typeIndex == 0) return;

    if (modifyMode == 1) {
        Font& font = canvas_.font();
        font.name = "Arial";
        font.size = ScaledFontSize(8);
        font.colour = kBlack;
    }

    std::array<CanvasPoint, kPolygonBuffer> canvasPoints{};
    for (int32_t k = 0; k < n; ++k) {
        canvasPoints[static_cast<std::size_t>(k)] = {Canvas32(state.points[k].x),
                                                     Canvas32(state.points[k].y)};
    }
    const std::span<const CanvasPoint> outline(canvasPoints.data(), static_cast<std::size_t>(n));

    if (t.dataType == kPolygon) {
        if (state.dimmed || state.fill == -100) {
            canvas_.Polyline(outline);
        } else {
            canvas_.Polygon(outline);
        }
    } else if (t.dataType == kCount && modifyMode == 0) {
        int64_t sumX = 0;
        int64_t sumY = 0;
        for (int32_t k = 0; k < n; ++k) {
            const SurfacePoint& p = state.points[static_cast<std::size_t>(k)];
            DrawSymbol(state.penColour, currentType, {}, p.x, p.y, state.typeIndex);
            sumX += p.x;
            sumY += p.y;
        }
        if (!state.dimmed) {
            Font& font = canvas_.font();
            font.name = t.textFont;
            font.size = t.size;
            font.colour = state.penColour == settings_.Colour2 ? settings_.Colour2 : t.textColour;
            canvas_.SetBrush(kWhite);
            canvas_.TextOut(Canvas32(sumX / n), Canvas32(sumY / n), std::to_string(n - 1));
        }
    }

    if (modifyMode == 1) {
        canvas_.pen().colour = kRed;
        canvas_.pen().width = 1;
        for (int32_t k = 0; k < n; ++k) {
            const SurfacePoint& p = state.points[static_cast<std::size_t>(k)];
            const int64_t r = HandleRadius(p.x, p.y);
            canvas_.SetBrush(kRed);
            canvas_.Ellipse(Canvas32(p.x - r), Canvas32(p.y - r), Canvas32(p.x + r),
                            Canvas32(p.y + r));
            canvas_.SetBrush(kWhite);
            if (settings_.EditModeNbr == 1) {
                canvas_.TextOut(Canvas32(p.x + r), Canvas32(p.y - 2 * r), std::to_string(k + 1));
            }
        }
    }
}

ErrorCode ObjectRenderer::DrawPolygons(const History& history, int32_t modifyMode,
                                       int32_t currentType) {
    auto state = std::make_unique<PolygonState>();
    bool collected = false;
    const int32_t count = history.Count();
    for (int32_t i = 1; i <= count && state->n < kPolygonBuffer; ++i) {
        const MeasuredObject p = history.Peek(i);
        if (p.typeIndex <= 0) continue;
        const ObjectType& t = types_.At(p.typeIndex);
        if (!t.show || (t.dataType != kPolygon && t.dataType != kCount)) continue;

        const SurfacePoint s = MapToSurface(view_, p.x, p.y);
        collected = true;
        if (p.vertexKind == 1) {
            FlushPolygon(*state, modifyMode, currentType);
            state->typeIndex = p.typeIndex;
            state->fill = p.excluded                   ? settings_.Colour2
                          : p.textColourOverride != -1 ? p.textColourOverride
                                                       : t.textColour;
            if (Dimmed(p.typeIndex, currentType)) {
                state->penColour = kBlack;
                state->penWidth = 1;
                state->dimmed = true;
            } else {
                state->penColour = p.excluded               ? settings_.Colour2
                                   : p.colourOverride != -1 ? p.colourOverride
                                                            : t.colour;
                state->penWidth = p.sizeOverride != -1 ? p.sizeOverride : t.size;
                state->dimmed = false;
            }
            state->n = 0;
        }
        state->points[static_cast<std::size_t>(state->n)] = s;
        ++state->n;
    }
    if (collected) FlushPolygon(*state, modifyMode, currentType);
    return kOk;
}

void ObjectRenderer::DrawPendingPoints(std::span<const PendingMarker> pending) {
    const int64_t r = settings_.PointSizeCapture;
    canvas_.SetBrush(kRed);
    canvas_.pen().colour = kRed;
    canvas_.pen().width = 1;
    SurfacePoint remembered;
    for (const PendingMarker& m : pending) {
        if (m.typeIndex <= 0) continue;
        const SurfacePoint s =
            MapToSurface(view_, static_cast<double>(m.x), static_cast<double>(m.y));
        canvas_.Ellipse(Canvas32(s.x - r), Canvas32(s.y - r), Canvas32(s.x + r), Canvas32(s.y + r));
        if (types_.At(m.typeIndex).dataType != kTwoPointLine) continue;
        if (m.vertexKind == 2) {
            canvas_.MoveTo(Canvas32(remembered.x), Canvas32(remembered.y));
            canvas_.LineTo(Canvas32(s.x), Canvas32(s.y));
        } else {
            remembered = s;
        }
    }
}

void ObjectRenderer::DrawPicked(std::span<const PickedShape> shapes, int32_t width) {
    width = std::max(width, 1);
    canvas_.SetBrush(kBlack, BrushStyle::kClear);
    std::vector<CanvasPoint> line;
    // Twice over: a dark band first, the light line on it.
    for (const auto& [colour, w] : {std::pair<Colour, int32_t>{kBlack, width * 3},
                                    std::pair<Colour, int32_t>{kPickedColour, width}}) {
        canvas_.SetPen(colour, w);
        for (const PickedShape& shape : shapes) {
            line.clear();
            for (const WorldPoint& p : shape.points) {
                const SurfacePoint s = MapToSurface(view_, p.x, p.y);
                line.push_back({Canvas32(s.x), Canvas32(s.y)});
            }
            if (shape.joined && line.size() >= 2) {
                if (shape.closed) line.push_back(line.front());
                canvas_.Polyline(line);
                continue;
            }
            const int32_t r = 3 * width;
            for (const CanvasPoint& c : line) {
                canvas_.Rectangle(c.x - r, c.y - r, c.x + r + 1, c.y + r + 1);
            }
        }
    }
}

}  // namespace kvx
