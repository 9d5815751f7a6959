#include "gui/support/recording_painter.hpp"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QStaticText>
#include <algorithm>
#include <cmath>
#include <deque>
#include <string>
#include <type_traits>
#include <unordered_map>

#include "core/picture/picture.hpp"
#include "gui/support/core_text.hpp"
#include "gui/support/qt_text_metrics.hpp"

namespace kvx {

namespace {

using TextLayouts = RecordingPainter::TextLayouts;

// Shapes cover left .. right − 1; their outline runs through the centres of
// the border pixels, so a one-pixel pen stays inside the shape.
QRectF OutlineRect(const CanvasRect& r) {
    return QRectF(r.left + 0.5, r.top + 0.5, std::max(0, r.right - r.left - 1),
                  std::max(0, r.bottom - r.top - 1));
}

QPointF Centre(CanvasPoint p) {
    return QPointF(p.x + 0.5, p.y + 0.5);
}

QPolygonF ToPolygon(const std::vector<CanvasPoint>& points) {
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const CanvasPoint& p : points) polygon.append(Centre(p));
    return polygon;
}

class Replay {
public:
    Replay(QPainter& painter, const Recording& recording, const QRect& target, TextLayouts* layouts)
        : painter_(painter),
          layouts_(layouts),
          surface_(0, 0, recording.Width(), recording.Height()),
          scaleX_(static_cast<double>(target.width()) / recording.Width()),
          scaleY_(static_cast<double>(target.height()) / recording.Height()) {
        painter_.translate(target.topLeft());
        painter_.scale(scaleX_, scaleY_);
        onSurface_ = painter_.worldTransform();
        spritesServe_ = CopiesExactly(painter_);
        if (spritesServe_)
            device_ = QRect(0, 0, painter_.device()->width(), painter_.device()->height());
        painter_.setClipRect(surface_, Qt::IntersectClip);
        painter_.setRenderHint(QPainter::Antialiasing, false);
        // The state saved here holds the painter's own clip; a recorded clip
        // is applied on top of it, and a reset returns to it.
        painter_.save();
    }

    ~Replay() { painter_.restore(); }
    Replay(const Replay&) = delete;
    Replay& operator=(const Replay&) = delete;

    void operator()(const draw_op::Line& op) {
        ToSurface();
        SetPen(op.pen);
        painter_.drawLine(Centre(op.from), Centre(op.to));
    }

    void operator()(const draw_op::Rectangle& op) {
        ToSurface();
        SetShapeTools(op.pen, op.brush);
        painter_.drawRect(ShapeRect(op.rect, op.pen));
    }

    void operator()(const draw_op::Ellipse& op) {
        const QPen& pen = SetPen(op.pen);
        SetBrush(op.brush);
        const QRectF shape = ShapeRect(op.rect, op.pen);
        if (pen.style() == Qt::NoPen || (pen.isCosmetic() && pen.style() == Qt::SolidLine)) {
            // With a thin solid pen Qt draws an ellipse on whole pixels of
            // the device far faster than along a path, and such ellipses
            // (symbols, handles) come by the thousand; the painter stays on
            // the device until an operation needs the surface again.
            const QRect onDevice = onSurface_.mapRect(shape).toRect();
            ToDevice();
            if (const Sprite* sprite = SpriteFor(onDevice.size(), op)) {
                const QRect placed(onDevice.topLeft() + sprite->offset, sprite->image.size());
                if (device_.contains(placed)) {
                    painter_.drawImage(placed.topLeft(), sprite->image);
                    return;
                }
            }
            painter_.drawEllipse(onDevice);
            return;
        }
        ToSurface();
        painter_.drawEllipse(shape);
    }

    void operator()(const draw_op::Polygon& op) {
        ToSurface();
        SetShapeTools(op.pen, op.brush);
        painter_.drawPolygon(ToPolygon(op.points), Qt::OddEvenFill);
    }

    void operator()(const draw_op::Polyline& op) {
        ToSurface();
        SetPen(op.pen);
        SetNoBrush();
        painter_.drawPolyline(ToPolygon(op.points));
    }

    void operator()(const draw_op::Pixel& op) {
        ToSurface();
        // A pixel stays visible when the surface is shrunk.
        painter_.fillRect(
            QRectF(op.at.x, op.at.y, std::max(1.0, 1.0 / scaleX_), std::max(1.0, 1.0 / scaleY_)),
            ToQColor(op.colour));
    }

    void operator()(const draw_op::Text& op) {
        ToSurface();
        if (op.brush.style == BrushStyle::kSolid) {
            painter_.fillRect(QRect(op.at.x, op.at.y, op.width, op.height),
                              ToQColor(op.brush.colour));
        }
        const KeptFont& font = FontFor(op.font);
        if (painterFont_ != &font) {
            painter_.setFont(font.font);
            painterFont_ = &font;
        }
        SetTextPen(op.font.colour);
        if (layouts_ == nullptr) {
            painter_.drawText(QPointF(op.at.x, op.at.y + font.ascent), FromCore(op.text));
            return;
        }
        // Laying a text out costs more than drawing it; a text laid out
        // once is drawn again as it is.
        layoutKey_.assign(font.key);
        layoutKey_ += '\1';
        layoutKey_ += op.text;
        auto it = layouts_->find(layoutKey_);
        if (it == layouts_->end()) {
            if (layouts_->size() >= kKeptLayouts) layouts_->clear();
            QStaticText text(FromCore(op.text));
            text.setTextFormat(Qt::PlainText);
            text.setPerformanceHint(QStaticText::AggressiveCaching);
            text.prepare(painter_.worldTransform(), font.font);
            it = layouts_->emplace(layoutKey_, std::move(text)).first;
        }
        painter_.drawStaticText(QPointF(op.at.x, op.at.y), it->second);
    }

    void operator()(const draw_op::SetClip& op) {
        const CanvasRect r = op.rect.Normalized();
        ReturnToBaseClip();
        painter_.setClipRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top),
                             Qt::IntersectClip);
    }

    void operator()(const draw_op::ResetClip&) { ReturnToBaseClip(); }

    void operator()(const draw_op::StretchPicture& op) {
        if (!op.picture || op.picture->pixels.Empty()) return;
        ToSurface();
        const CanvasRect r = op.rect.Normalized();
        const QTransform toDevice = painter_.worldTransform();
        const QRectF placed =
            toDevice.mapRect(QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top));
        const QRectF clip = toDevice.mapRect(painter_.clipBoundingRect());
        // Only the visible part is resampled, at the size it is shown.
        const QRect visible = placed.intersected(clip).toAlignedRect() & placed.toAlignedRect() &
                              clip.toAlignedRect();
        if (visible.isEmpty()) return;
        const auto targetWidth = static_cast<int64_t>(std::llround(placed.width()));
        const auto targetHeight = static_cast<int64_t>(std::llround(placed.height()));
        const auto originX = static_cast<int64_t>(std::llround(placed.left()));
        const auto originY = static_cast<int64_t>(std::llround(placed.top()));
        const int64_t fromX = std::clamp<int64_t>(visible.left() - originX, 0, targetWidth - 1);
        const int64_t fromY = std::clamp<int64_t>(visible.top() - originY, 0, targetHeight - 1);
        const auto width =
            static_cast<int32_t>(std::min<int64_t>(visible.width(), targetWidth - fromX));
        const auto height =
            static_cast<int32_t>(std::min<int64_t>(visible.height(), targetHeight - fromY));
        PixelImage part;
        if (!ResamplePicture(*op.picture, targetWidth, targetHeight, fromX, fromY, width, height,
                             part)) {
            return;
        }
        painter_.save();
        painter_.resetTransform();
        // The QImages only borrow the resampled rows. Qt converts what it
        // is given to the device's format first: band by band that stays
        // in the cache, where the whole picture at once would not.
        const QPoint at(static_cast<int>(originX + fromX), static_cast<int>(originY + fromY));
        for (int32_t y = 0; y < part.Height(); y += kPictureBand) {
            const int32_t rows = std::min(kPictureBand, part.Height() - y);
            const QImage band(part.Row(y), part.Width(), rows,
                              static_cast<qsizetype>(part.Stride()), QImage::Format_RGB888);
            painter_.drawImage(at + QPoint(0, y), band);
        }
        painter_.restore();
    }

private:
    void ReturnToBaseClip() {
        painter_.restore();
        painter_.save();
        // The saved state has the surface's transform and none of the pens,
        // brushes and fonts set since.
        onDevice_ = false;
        painterPen_ = PenSet{};
        painterBrush_ = BrushSet{};
        painterFont_ = nullptr;
    }

    // Operations come in runs of one kind drawn alike (the symbols of an
    // object, the labels of a type); what the painter already holds is not
    // set again, as each change makes the paint engine prepare anew.
    void ToSurface() {
        if (!onDevice_) return;
        painter_.setWorldTransform(onSurface_);
        onDevice_ = false;
    }

    void ToDevice() {
        if (onDevice_) return;
        painter_.setWorldTransform(QTransform());
        onDevice_ = true;
    }

    const QPen& SetPen(const Pen& pen) {
        if (painterPen_.kind != PenSet::kShape || !(painterPen_.pen == pen)) {
            painterPen_ = PenSet{PenSet::kShape, pen, 0, ToQPen(pen)};
            painter_.setPen(painterPen_.qpen);
        }
        return painterPen_.qpen;
    }

    void SetTextPen(Colour colour) {
        if (painterPen_.kind == PenSet::kText && painterPen_.textColour == colour) return;
        painterPen_ = PenSet{PenSet::kText, Pen{}, colour, QPen()};
        painter_.setPen(ToQColor(colour));
    }

    QPen ToQPen(const Pen& pen) const {
        if (pen.style == kPenInvisible) return QPen(Qt::NoPen);
        QPen result(ToQColor(pen.colour));
        // Like a played-back metafile, a thin pen never vanishes when the
        // surface is shrunk: below one device pixel it becomes a cosmetic pen.
        const double width = std::max(1, pen.width);
        if (width * std::min(scaleX_, scaleY_) < 1.0) {
            result.setWidth(0);
        } else {
            result.setWidthF(width);
        }
        // Only thin pens are patterned; a wider one draws solid.
        Qt::PenStyle style = Qt::SolidLine;
        if (pen.width <= 1) {
            switch (pen.style) {
                case kPenDash:
                    style = Qt::DashLine;
                    break;
                case kPenDot:
                    style = Qt::DotLine;
                    break;
                case kPenDashDot:
                    style = Qt::DashDotLine;
                    break;
                case kPenDashDotDot:
                    style = Qt::DashDotDotLine;
                    break;
                default:
                    break;
            }
        }
        result.setStyle(style);
        result.setCapStyle(Qt::FlatCap);
        result.setJoinStyle(Qt::MiterJoin);
        return result;
    }

    void SetShapeTools(const Pen& pen, const Brush& brush) {
        SetPen(pen);
        SetBrush(brush);
    }

    void SetBrush(const Brush& brush) {
        if (brush.style == BrushStyle::kClear) {
            SetNoBrush();
            return;
        }
        if (painterBrush_.kind == BrushSet::kSolid && painterBrush_.colour == brush.colour) return;
        painterBrush_ = BrushSet{BrushSet::kSolid, brush.colour};
        painter_.setBrush(ToQColor(brush.colour));
    }

    void SetNoBrush() {
        if (painterBrush_.kind == BrushSet::kNone) return;
        painterBrush_ = BrushSet{BrushSet::kNone, 0};
        painter_.setBrush(Qt::NoBrush);
    }

    // An inside-frame pen keeps a wide outline within the shape's rectangle.
    static QRectF ShapeRect(const CanvasRect& rect, const Pen& pen) {
        QRectF outline = OutlineRect(rect.Normalized());
        if (pen.style == kPenInsideFrame && pen.width > 1) {
            const double inset = (pen.width - 1) / 2.0;
            outline.adjust(inset, inset, -inset, -inset);
            if (outline.width() < 0 || outline.height() < 0) outline = outline.normalized();
        }
        return outline;
    }

    struct SpriteKey {
        int width;
        int height;
        Pen pen;
        Brush brush;
        bool operator==(const SpriteKey&) const = default;
    };
    struct Sprite {
        SpriteKey key;
        QImage image;  // null: the ellipse is drawn rather than copied
        QPoint offset;
    };
    static constexpr int kSpriteSide = 32;
    static constexpr int32_t kPictureBand = 32;
    static constexpr std::size_t kKeptSprites = 64;

    // On whole device pixels a thin ellipse covers the same pixels in the
    // same colours wherever it lies wholly inside the device, and Qt lays
    // its spans down one by one: a small one is drawn once into an image of
    // its own, transparent around it, and copied from there. The copy is
    // exact only with opaque colours (those of a recording are) and where
    // the image's pixels are laid down as they are; elsewhere, and where the
    // ellipse reaches beyond the room it was given, it is drawn as usual.
    // Null where no copy serves.
    const Sprite* SpriteFor(QSize size, const draw_op::Ellipse& op) {
        if (!spritesServe_ || size.isEmpty() || size.width() > kSpriteSide ||
            size.height() > kSpriteSide) {
            return nullptr;
        }
        SpriteKey key{size.width(), size.height(), op.pen, op.brush};
        if (key.brush.style == BrushStyle::kClear) key.brush.colour = 0;
        // Ellipses come in runs of one kind: the last one found is tried first.
        if (lastSprite_ != nullptr && lastSprite_->key == key) return lastSprite_;
        for (const Sprite& sprite : sprites_) {
            if (sprite.key != key) continue;
            if (sprite.image.isNull()) return nullptr;
            lastSprite_ = &sprite;
            return lastSprite_;
        }
        if (sprites_.size() >= kKeptSprites) return nullptr;
        // Qt's ellipses reach beyond their rectangle, flat ones by several
        // pixels; an ellipse that uses up the room given is not copied.
        const int margin = std::max(size.width(), size.height()) / 2 + 4;
        QImage drawn(size + QSize(2 * margin, 2 * margin), QImage::Format_ARGB32_Premultiplied);
        drawn.fill(Qt::transparent);
        {
            QPainter painter(&drawn);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(painterPen_.qpen);
            painter.setBrush(painter_.brush());
            painter.drawEllipse(QRect(QPoint(margin, margin), size));
        }
        int left = drawn.width();
        int top = drawn.height();
        int right = -1;
        int bottom = -1;
        for (int y = 0; y < drawn.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(drawn.constScanLine(y));
            for (int x = 0; x < drawn.width(); ++x) {
                if (qAlpha(row[x]) == 0) continue;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = y;
            }
        }
        Sprite sprite{key, QImage(), QPoint()};
        // Nothing drawn, or drawn up to the edge of the room: no copy.
        if (right >= 0 && left > 0 && top > 0 && right < drawn.width() - 1 &&
            bottom < drawn.height() - 1) {
            const QRect covered(QPoint(left, top), QPoint(right, bottom));
            sprite.image = drawn.copy(covered);
            sprite.offset = covered.topLeft() - QPoint(margin, margin);
        }
        sprites_.push_back(std::move(sprite));
        if (sprites_.back().image.isNull()) return nullptr;
        lastSprite_ = &sprites_.back();
        return lastSprite_;
    }

    // Whether the device takes an image's pixels as they are.
    static bool CopiesExactly(const QPainter& painter) {
        const QPaintDevice* device = painter.device();
        if (device == nullptr || device->devType() != QInternal::Image ||
            painter.paintEngine() == nullptr ||
            painter.paintEngine()->type() != QPaintEngine::Raster || painter.opacity() != 1.0 ||
            painter.compositionMode() != QPainter::CompositionMode_SourceOver) {
            return false;
        }
        const auto* image = static_cast<const QImage*>(device);
        const QImage::Format format = image->format();
        return image->devicePixelRatio() == 1.0 &&
               (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                format == QImage::Format_ARGB32_Premultiplied);
    }

    struct KeptFont {
        QFont font;
        double ascent = 0.0;
        std::string key;
    };

    const KeptFont& FontFor(const Font& font) {
        if (lastFont_ != nullptr && lastFontOf_ == font) return *lastFont_;
        std::string key = FontKey(font);
        auto it = fonts_.find(key);
        if (it == fonts_.end()) {
            KeptFont kept{ToQFont(font), 0.0, key};
            kept.ascent = QFontMetricsF(kept.font).ascent();
            it = fonts_.emplace(std::move(key), std::move(kept)).first;
        }
        lastFontOf_ = font;
        lastFont_ = &it->second;
        return it->second;
    }

    // What the painter was last given; kUnknown after its state was restored.
    struct PenSet {
        enum Kind { kUnknown, kShape, kText } kind = kUnknown;
        Pen pen;
        Colour textColour = 0;
        QPen qpen;
    };
    struct BrushSet {
        enum Kind { kUnknown, kNone, kSolid } kind = kUnknown;
        Colour colour = 0;
    };

    static constexpr std::size_t kKeptLayouts = 20000;

    QPainter& painter_;
    TextLayouts* layouts_;
    QRect surface_;
    double scaleX_;
    double scaleY_;
    QTransform onSurface_;
    bool onDevice_ = false;
    PenSet painterPen_;
    BrushSet painterBrush_;
    const KeptFont* painterFont_ = nullptr;
    // Nodes of the map stay where they are, so a found font may be kept.
    std::unordered_map<std::string, KeptFont> fonts_;
    Font lastFontOf_;
    const KeptFont* lastFont_ = nullptr;
    std::string layoutKey_;
    bool spritesServe_ = false;
    QRect device_;
    std::deque<Sprite> sprites_;  // its elements stay where they are
    const Sprite* lastSprite_ = nullptr;
};

}  // namespace

void RecordingPainter::Paint(QPainter& painter, const QRect& target) {
    Paint(painter, target, 0, recording_.Size());
}

void RecordingPainter::Paint(QPainter& painter, const QRect& target, std::size_t first,
                             std::size_t last) {
    if (recording_.Width() <= 0 || recording_.Height() <= 0 || target.isEmpty()) return;
    const std::vector<DrawOp>& ops = recording_.Ops();
    last = std::min(last, ops.size());
    first = std::min(first, last);
    painter.save();
    {
        Replay replay(painter, recording_, target, layouts_);
        for (std::size_t i = 0; i < first; ++i) {
            if (const auto* clip = std::get_if<draw_op::SetClip>(&ops[i])) {
                replay(*clip);
            } else if (const auto* reset = std::get_if<draw_op::ResetClip>(&ops[i])) {
                replay(*reset);
            }
        }
        for (std::size_t i = first; i < last; ++i) std::visit(replay, ops[i]);
    }
    painter.restore();
}

}  // namespace kvx
