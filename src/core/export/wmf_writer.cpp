#include "core/export/wmf_writer.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <span>
#include <type_traits>
#include <variant>

#include "core/draw/recording.hpp"
#include "core/export/picture_file.hpp"
#include "core/picture/picture.hpp"
#include "core/picture/picture_tiles.hpp"

namespace kvx {
namespace {

// Record functions.
constexpr uint16_t kMetaEof = 0x0000;
constexpr uint16_t kMetaSaveDc = 0x001E;
constexpr uint16_t kMetaSetBkMode = 0x0102;
constexpr uint16_t kMetaSetMapMode = 0x0103;
constexpr uint16_t kMetaSetPolyFillMode = 0x0106;
constexpr uint16_t kMetaRestoreDc = 0x0127;
constexpr uint16_t kMetaSelectObject = 0x012D;
constexpr uint16_t kMetaSetTextAlign = 0x012E;
constexpr uint16_t kMetaDeleteObject = 0x01F0;
constexpr uint16_t kMetaSetBkColor = 0x0201;
constexpr uint16_t kMetaSetTextColor = 0x0209;
constexpr uint16_t kMetaSetWindowOrg = 0x020B;
constexpr uint16_t kMetaSetWindowExt = 0x020C;
constexpr uint16_t kMetaLineTo = 0x0213;
constexpr uint16_t kMetaMoveTo = 0x0214;
constexpr uint16_t kMetaCreatePenIndirect = 0x02FA;
constexpr uint16_t kMetaCreateFontIndirect = 0x02FB;
constexpr uint16_t kMetaCreateBrushIndirect = 0x02FC;
constexpr uint16_t kMetaPolygon = 0x0324;
constexpr uint16_t kMetaPolyline = 0x0325;
constexpr uint16_t kMetaEllipse = 0x0418;
constexpr uint16_t kMetaIntersectClipRect = 0x0416;
constexpr uint16_t kMetaRectangle = 0x041B;
constexpr uint16_t kMetaSetPixel = 0x041F;
constexpr uint16_t kMetaExtTextOut = 0x0A32;
constexpr uint16_t kMetaStretchDib = 0x0F43;

constexpr uint16_t kMapModeAnisotropic = 8;
constexpr uint16_t kBkTransparent = 1;
constexpr uint16_t kPolyFillAlternate = 1;
constexpr uint16_t kBrushSolid = 0;
constexpr uint16_t kBrushNull = 1;
constexpr uint16_t kTextOpaque = 0x0002;  // fill the given rectangle with the background colour
constexpr uint32_t kSourceCopy = 0x00CC0020;
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

constexpr int32_t kFaceNameBytes = 32;
constexpr std::size_t kMaxPoints = 32767;
constexpr int kEllipseSegments = 720;

struct Box {
    int64_t left, top, right, bottom;  // inclusive bounds of allowed coordinates
    bool Contains(int64_t x, int64_t y) const {
        return x >= left && x <= right && y >= top && y <= bottom;
    }
};

struct DPoint {
    double x, y;
};

/// Cuts the segment a-b to the box (Liang-Barsky); false when nothing is left.
bool ClipSegment(const Box& box, DPoint& a, DPoint& b) {
    double t0 = 0.0;
    double t1 = 1.0;
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - static_cast<double>(box.left), static_cast<double>(box.right) - a.x,
                         a.y - static_cast<double>(box.top), static_cast<double>(box.bottom) - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const DPoint start = a;
    a = {start.x + t0 * dx, start.y + t0 * dy};
    b = {start.x + t1 * dx, start.y + t1 * dy};
    return true;
}

/// Sutherland-Hodgman against the four sides of the box.
std::vector<DPoint> ClipPolygon(const Box& box, std::vector<DPoint> points) {
    for (int side = 0; side < 4 && !points.empty(); ++side) {
        auto inside = [&](const DPoint& p) {
            switch (side) {
                case 0:
                    return p.x >= static_cast<double>(box.left);
                case 1:
                    return p.x <= static_cast<double>(box.right);
                case 2:
                    return p.y >= static_cast<double>(box.top);
                default:
                    return p.y <= static_cast<double>(box.bottom);
            }
        };
        auto cross = [&](const DPoint& a, const DPoint& b) {
            const double edge = side == 0   ? static_cast<double>(box.left)
                                : side == 1 ? static_cast<double>(box.right)
                                : side == 2 ? static_cast<double>(box.top)
                                            : static_cast<double>(box.bottom);
            if (side < 2) {
                const double t = (edge - a.x) / (b.x - a.x);
                return DPoint{edge, a.y + t * (b.y - a.y)};
            }
            const double t = (edge - a.y) / (b.y - a.y);
            return DPoint{a.x + t * (b.x - a.x), edge};
        };
        std::vector<DPoint> result;
        result.reserve(points.size() + 4);
        for (std::size_t i = 0; i < points.size(); ++i) {
            const DPoint& current = points[i];
            const DPoint& previous = points[(i + points.size() - 1) % points.size()];
            const bool inCurrent = inside(current);
            if (inCurrent != inside(previous)) result.push_back(cross(previous, current));
            if (inCurrent) result.push_back(current);
        }
        points = std::move(result);
    }
    return points;
}

/// The coordinates the format can hold.
constexpr Box kWide{-32768, -32768, 32767, 32767};

int16_t Round16(double v) {
    return static_cast<int16_t>(std::clamp(std::nearbyint(v), -32768.0, 32767.0));
}

/// Font identity as the metafile sees it: the colour is a state of the
/// device context, not of the font.
Font FontKey(Font font) {
    font.colour = 0;
    return font;
}

uint32_t ColourRef(Colour colour) {
    return static_cast<uint32_t>(colour) & 0x00FFFFFFu;
}

class MetafileBuilder {
public:
    MetafileBuilder(int32_t width, int32_t height)
        : width_(std::clamp(width, 0, 30000)), height_(std::clamp(height, 0, 30000)) {}

    void Start() {
        Record(kMetaSetMapMode, {kMapModeAnisotropic});
        Record(kMetaSetWindowOrg, {0, 0});
        Record(kMetaSetWindowExt, {Clamp16(height_), Clamp16(width_)});
        Record(kMetaSetBkMode, {kBkTransparent});
        Record(kMetaSetTextAlign, {0});  // top left, current position not moved
        Record(kMetaSetPolyFillMode, {kPolyFillAlternate});
    }

    void Draw(const DrawOp& op) {
        std::visit([this](const auto& o) { DrawOne(o); }, op);
    }

    std::vector<uint8_t> Finish(int64_t surfaceSize) {
        if (clipActive_) RestoreDc();
        BeginRecord(kMetaEof);
        EndRecord();

        std::vector<uint8_t> file;
        file.reserve(22 + 18 + records_.size());
        // Placeable header: the picture is surfaceSize hundredths of a millimetre square.
        const int64_t units = std::clamp<int64_t>(
            (surfaceSize * kMetafileUnitsPerInch * 2 + 2540) / (2 * 2540), 1, 32767);
        const std::array<uint16_t, 10> head{static_cast<uint16_t>(kPlaceableKey & 0xFFFF),
                                            static_cast<uint16_t>(kPlaceableKey >> 16),
                                            0,
                                            0,
                                            0,
                                            static_cast<uint16_t>(units),
                                            static_cast<uint16_t>(units),
                                            static_cast<uint16_t>(kMetafileUnitsPerInch),
                                            0,
                                            0};
        uint16_t checksum = 0;
        for (uint16_t w : head) {
            Put16(file, w);
            checksum ^= w;
        }
        Put16(file, checksum);
        // Metafile header.
        const std::size_t words = (18 + records_.size()) / 2;
        Put16(file, 1);  // in memory
        Put16(file, 9);  // header words
        Put16(file, 0x0300);
        Put32(file, static_cast<uint32_t>(words));
        Put16(file, static_cast<uint16_t>(std::max<std::size_t>(slots_.size(), 1)));
        Put32(file, maxRecordWords_);
        Put16(file, 0);
        file.insert(file.end(), records_.begin(), records_.end());
        return file;
    }

private:
    // ---- record encoding ----
    static void Put16(std::vector<uint8_t>& out, uint16_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    static void Put32(std::vector<uint8_t>& out, uint32_t v) {
        Put16(out, static_cast<uint16_t>(v));
        Put16(out, static_cast<uint16_t>(v >> 16));
    }
    static uint16_t Clamp16(int64_t v) {
        return static_cast<uint16_t>(static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767)));
    }

    void BeginRecord(uint16_t function) {
        recordStart_ = records_.size();
        Put32(records_, 0);
        Put16(records_, function);
    }
    void Word(int64_t v) { Put16(records_, Clamp16(v)); }
    void DWord(uint32_t v) { Put32(records_, v); }
    void EndRecord() {
        if ((records_.size() - recordStart_) % 2 != 0) records_.push_back(0);
        const auto words = static_cast<uint32_t>((records_.size() - recordStart_) / 2);
        for (int i = 0; i < 4; ++i) {
            records_[recordStart_ + static_cast<std::size_t>(i)] =
                static_cast<uint8_t>(words >> (8 * i));
        }
        maxRecordWords_ = std::max(maxRecordWords_, words);
    }
    void Record(uint16_t function, std::initializer_list<int64_t> params) {
        BeginRecord(function);
        for (int64_t p : params) Word(p);
        EndRecord();
    }
    void RecordColour(uint16_t function, Colour colour) {
        BeginRecord(function);
        DWord(ColourRef(colour));
        EndRecord();
    }

    // ---- objects and device-context state ----
    struct DcState {
        std::optional<Pen> pen;
        int penSlot = -1;
        std::optional<Brush> brush;
        int brushSlot = -1;
        std::optional<Font> font;
        int fontSlot = -1;
        std::optional<Colour> textColour;
        std::optional<Colour> bkColour;
    };

    int NewSlot() {
        // A player puts each new object into the lowest free table entry.
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            if (!slots_[i]) {
                slots_[i] = true;
                return static_cast<int>(i);
            }
        }
        slots_.push_back(true);
        return static_cast<int>(slots_.size() - 1);
    }
    void DeleteSlot(int slot) {
        Record(kMetaDeleteObject, {slot});
        slots_[static_cast<std::size_t>(slot)] = false;
    }
    bool Pinned(int slot) const {
        return clipActive_ &&
               (slot == saved_.penSlot || slot == saved_.brushSlot || slot == saved_.fontSlot);
    }
    /// Selects a new object into slot variable `current`, deleting the one it replaces
    /// unless a saved state still refers to it.
    void Replace(int& current, int created) {
        Record(kMetaSelectObject, {created});
        if (current >= 0 && !Pinned(current)) DeleteSlot(current);
        current = created;
    }

    void UsePen(const Pen& pen) {
        if (state_.pen == pen) return;
        const int slot = NewSlot();
        BeginRecord(kMetaCreatePenIndirect);
        const int32_t style = pen.style >= 0 && pen.style <= kPenInsideFrame ? pen.style : 0;
        Word(style);
        Word(std::max(pen.width, 0));
        Word(0);
        DWord(ColourRef(pen.colour));
        EndRecord();
        Replace(state_.penSlot, slot);
        state_.pen = pen;
    }

    void UseBrush(const Brush& brush) {
        if (state_.brush == brush) return;
        const int slot = NewSlot();
        BeginRecord(kMetaCreateBrushIndirect);
        Word(brush.style == BrushStyle::kClear ? kBrushNull : kBrushSolid);
        DWord(ColourRef(brush.colour));
        Word(0);
        EndRecord();
        Replace(state_.brushSlot, slot);
        state_.brush = brush;
    }

    void UseFont(const Font& font) {
        const Font key = FontKey(font);
        if (state_.font == key) return;
        const int slot = NewSlot();
        BeginRecord(kMetaCreateFontIndirect);
        Word(-static_cast<int64_t>(std::nearbyint(font.size * 96.0 / 72.0)));  // em height
        Word(0);  // width: the font's own
        Word(0);  // escapement
        Word(0);  // orientation
        Word((font.style & kFontBold) != 0 ? 700 : 400);
        records_.push_back((font.style & kFontItalic) != 0 ? 1 : 0);
        records_.push_back((font.style & kFontUnderline) != 0 ? 1 : 0);
        records_.push_back((font.style & kFontStrikeOut) != 0 ? 1 : 0);
        records_.push_back(0);  // ANSI character set
        records_.push_back(0);  // output precision
        records_.push_back(0);  // clip precision
        records_.push_back(0);  // quality
        records_.push_back(static_cast<uint8_t>(font.pitch));
        for (int32_t i = 0; i < kFaceNameBytes; ++i) {
            const bool inName =
                i < kFaceNameBytes - 1 && static_cast<std::size_t>(i) < font.name.size();
            records_.push_back(inName ? static_cast<uint8_t>(font.name[static_cast<std::size_t>(i)])
                                      : 0);
        }
        EndRecord();
        Replace(state_.fontSlot, slot);
        state_.font = key;
    }

    void UseTextColour(Colour colour) {
        if (state_.textColour == colour) return;
        RecordColour(kMetaSetTextColor, colour);
        state_.textColour = colour;
    }
    void UseBkColour(Colour colour) {
        if (state_.bkColour == colour) return;
        RecordColour(kMetaSetBkColor, colour);
        state_.bkColour = colour;
    }

    void SaveDc() {
        Record(kMetaSaveDc, {});
        saved_ = state_;
        clipActive_ = true;
    }
    /// Back to the state of the last SaveDc: its objects are selected again,
    /// so those made since are deleted.
    void RestoreDc() {
        Record(kMetaRestoreDc, {-1});
        clipActive_ = false;
        for (auto [now, then] : {std::pair{state_.penSlot, saved_.penSlot},
                                 std::pair{state_.brushSlot, saved_.brushSlot},
                                 std::pair{state_.fontSlot, saved_.fontSlot}}) {
            if (now >= 0 && now != then) DeleteSlot(now);
        }
        state_ = saved_;
    }

    // ---- geometry ----
    /// Where drawing with a pen of this width is cut: far enough outside the
    /// surface that neither the pen nor a line's end reaches back in, close
    /// enough that readers which size the picture by what is drawn are not
    /// misled.
    Box CutBox(int32_t penWidth) const {
        const int64_t margin = std::clamp<int64_t>(penWidth, 0, 4096) + 2;
        return {-margin, -margin, int64_t{width_} + margin, int64_t{height_} + margin};
    }
    static bool Touches(const Box& box, const CanvasRect& r) {
        return r.right >= box.left && r.left <= box.right && r.bottom >= box.top &&
               r.top <= box.bottom;
    }
    static CanvasRect Clamp(const Box& box, const CanvasRect& r) {
        return {static_cast<int32_t>(std::clamp<int64_t>(r.left, box.left, box.right)),
                static_cast<int32_t>(std::clamp<int64_t>(r.top, box.top, box.bottom)),
                static_cast<int32_t>(std::clamp<int64_t>(r.right, box.left, box.right)),
                static_cast<int32_t>(std::clamp<int64_t>(r.bottom, box.top, box.bottom))};
    }
    static bool Contains(const Box& box, CanvasPoint p) { return box.Contains(p.x, p.y); }

    void PolyRecord(uint16_t function, std::span<const DPoint> points) {
        const std::size_t n = std::min(points.size(), kMaxPoints);
        BeginRecord(function);
        Word(static_cast<int64_t>(n));
        for (std::size_t i = 0; i < n; ++i) {
            Put16(records_, static_cast<uint16_t>(Round16(points[i].x)));
            Put16(records_, static_cast<uint16_t>(Round16(points[i].y)));
        }
        EndRecord();
    }

    void WritePolygon(const Box& box, std::vector<DPoint> points) {
        const bool inside = std::all_of(points.begin(), points.end(), [&](const DPoint& p) {
            return p.x >= static_cast<double>(box.left) && p.x <= static_cast<double>(box.right) &&
                   p.y >= static_cast<double>(box.top) && p.y <= static_cast<double>(box.bottom);
        });
        if (!inside) points = ClipPolygon(box, std::move(points));
        if (points.size() >= 2) PolyRecord(kMetaPolygon, points);
    }

    /// An open line through the points, split where it leaves the box.
    void WritePolyline(const Box& box, std::span<const CanvasPoint> points) {
        std::vector<DPoint> run;
        auto flush = [&] {
            if (run.size() >= 2) PolyRecord(kMetaPolyline, run);
            run.clear();
        };
        for (std::size_t i = 1; i < points.size(); ++i) {
            DPoint a{static_cast<double>(points[i - 1].x), static_cast<double>(points[i - 1].y)};
            DPoint b{static_cast<double>(points[i].x), static_cast<double>(points[i].y)};
            const bool startKept = Contains(box, points[i - 1]);
            if (!ClipSegment(box, a, b)) {
                flush();
                continue;
            }
            if (!startKept || run.empty()) {
                flush();
                run.push_back(a);
            }
            run.push_back(b);
            if (!Contains(box, points[i])) flush();
        }
        flush();
    }

    void DrawOne(const draw_op::Line& op) {
        DPoint a{static_cast<double>(op.from.x), static_cast<double>(op.from.y)};
        DPoint b{static_cast<double>(op.to.x), static_cast<double>(op.to.y)};
        if (!ClipSegment(CutBox(op.pen.width), a, b)) return;
        UsePen(op.pen);
        Record(kMetaMoveTo, {Round16(a.y), Round16(a.x)});
        Record(kMetaLineTo, {Round16(b.y), Round16(b.x)});
    }

    void DrawOne(const draw_op::Rectangle& op) {
        const Box box = CutBox(op.pen.width);
        if (!Touches(box, op.rect)) return;
        const CanvasRect r = Clamp(box, op.rect);
        UsePen(op.pen);
        UseBrush(op.brush);
        Record(kMetaRectangle, {r.bottom, r.right, r.top, r.left});
    }

    void DrawOne(const draw_op::Ellipse& op) {
        const Box box = CutBox(op.pen.width);
        if (!Touches(box, op.rect)) return;
        UsePen(op.pen);
        UseBrush(op.brush);
        const CanvasRect& r = op.rect;
        if (Contains(kWide, {r.left, r.top}) && Contains(kWide, {r.right, r.bottom})) {
            Record(kMetaEllipse, {r.bottom, r.right, r.top, r.left});
            return;
        }
        // Too large for the format: a fine polygon, cut like every other one.
        const double cx = (static_cast<double>(r.left) + r.right) / 2;
        const double cy = (static_cast<double>(r.top) + r.bottom) / 2;
        const double rx = (static_cast<double>(r.right) - r.left) / 2;
        const double ry = (static_cast<double>(r.bottom) - r.top) / 2;
        std::vector<DPoint> points;
        points.reserve(kEllipseSegments);
        for (int i = 0; i < kEllipseSegments; ++i) {
            const double a = 2 * std::numbers::pi * i / kEllipseSegments;
            points.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
        }
        WritePolygon(box, std::move(points));
    }

    void DrawOne(const draw_op::Polygon& op) {
        if (op.points.empty()) return;
        const Box box = CutBox(op.pen.width);
        std::vector<DPoint> points;
        points.reserve(op.points.size());
        for (const CanvasPoint& p : op.points) {
            points.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
        }
        UsePen(op.pen);
        UseBrush(op.brush);
        WritePolygon(box, std::move(points));
    }

    void DrawOne(const draw_op::Polyline& op) {
        if (op.points.size() < 2) return;
        UsePen(op.pen);
        WritePolyline(CutBox(op.pen.width), op.points);
    }

    void DrawOne(const draw_op::Pixel& op) {
        if (op.at.x < 0 || op.at.y < 0 || op.at.x >= width_ || op.at.y >= height_) return;
        BeginRecord(kMetaSetPixel);
        DWord(ColourRef(op.colour));
        Word(op.at.y);
        Word(op.at.x);
        EndRecord();
    }

    void DrawOne(const draw_op::Text& op) {
        // A label may start outside the surface and still reach into it.
        const CanvasRect extent{op.at.x, op.at.y,
                                static_cast<int32_t>(std::min<int64_t>(
                                    int64_t{op.at.x} + std::max(op.width, 1), 32767)),
                                static_cast<int32_t>(std::min<int64_t>(
                                    int64_t{op.at.y} + std::max(op.height, 1), 32767))};
        if (op.text.empty() || !Contains(kWide, op.at) || !Touches(CutBox(0), extent)) return;
        UseFont(op.font);
        UseTextColour(op.font.colour);
        const bool opaque = op.brush.style == BrushStyle::kSolid;
        if (opaque) UseBkColour(op.brush.colour);
        const std::size_t length = std::min<std::size_t>(op.text.size(), 32767);
        BeginRecord(kMetaExtTextOut);
        Word(op.at.y);
        Word(op.at.x);
        Word(static_cast<int64_t>(length));
        Word(opaque ? kTextOpaque : 0);
        if (opaque) {
            Word(extent.left);
            Word(extent.top);
            Word(extent.right);
            Word(extent.bottom);
        }
        records_.insert(records_.end(), op.text.begin(),
                        op.text.begin() + static_cast<std::ptrdiff_t>(length));
        EndRecord();
    }

    void DrawOne(const draw_op::SetClip& op) {
        if (clipActive_) RestoreDc();
        SaveDc();
        const CanvasRect r = Clamp(CutBox(0), op.rect);
        Record(kMetaIntersectClipRect, {r.bottom, r.right, r.top, r.left});
        clip_ = op.rect;
    }

    void DrawOne(const draw_op::ResetClip&) {
        if (clipActive_) RestoreDc();
    }

    void DrawOne(const draw_op::StretchPicture& op) {
        if (!op.picture || op.picture->pixels.Empty()) return;
        const CanvasRect rect = op.rect.Normalized();
        const int64_t rectW = int64_t{rect.right} - rect.left;
        const int64_t rectH = int64_t{rect.bottom} - rect.top;
        if (rectW <= 0 || rectH <= 0) return;
        // What can be seen: the rectangle within the surface and the clip.
        int64_t left = std::max<int64_t>(rect.left, 0);
        int64_t top = std::max<int64_t>(rect.top, 0);
        int64_t right = std::min<int64_t>(rect.right, width_);
        int64_t bottom = std::min<int64_t>(rect.bottom, height_);
        if (clipActive_) {
            left = std::max<int64_t>(left, clip_.left);
            top = std::max<int64_t>(top, clip_.top);
            right = std::min<int64_t>(right, clip_.right);
            bottom = std::min<int64_t>(bottom, clip_.bottom);
        }
        if (left >= right || top >= bottom) return;
        const Picture& picture = *op.picture;
        // The pixels in memory, which a picture held reduced has fewer of
        // than its size says, unless its tiles give the full resolution.
        const bool tiled = picture.tiles != nullptr;
        const int64_t picW = tiled ? picture.Width() : picture.pixels.Width();
        const int64_t picH = tiled ? picture.Height() : picture.pixels.Height();

        if (picW < rectW && picH < rectH) {
            // Enlarged: the picture's own pixels that show, stretched by the reader.
            const int64_t x0 = (left - rect.left) * picW / rectW;
            const int64_t y0 = (top - rect.top) * picH / rectH;
            const int64_t x1 = std::min(picW, ((right - rect.left) * picW + rectW - 1) / rectW);
            const int64_t y1 = std::min(picH, ((bottom - rect.top) * picH + rectH - 1) / rectH);
            // Pixel edges fall between surface pixels; the nearest one serves.
            const int64_t dl = rect.left + (2 * x0 * rectW + picW) / (2 * picW);
            const int64_t dt = rect.top + (2 * y0 * rectH + picH) / (2 * picH);
            const int64_t dr = rect.left + (2 * x1 * rectW + picW) / (2 * picW);
            const int64_t db = rect.top + (2 * y1 * rectH + picH) / (2 * picH);
            if (x1 > x0 && y1 > y0 && kWide.Contains(dl, dt) && kWide.Contains(dr, db)) {
                const CanvasRect dest{static_cast<int32_t>(dl), static_cast<int32_t>(dt),
                                      static_cast<int32_t>(dr), static_cast<int32_t>(db)};
                if (!tiled) {
                    WriteStretchDib(picture.pixels, x0, y0, x1 - x0, y1 - y0, dest);
                    return;
                }
                // Enlarged, the part that shows has no more pixels than the surface.
                PixelImage part;
                if (!picture.tiles->Read(
                        0,
                        {static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                         static_cast<int32_t>(x1 - x0), static_cast<int32_t>(y1 - y0)},
                        part)) {
                    return;
                }
                WriteStretchDib(part, 0, 0, part.Width(), part.Height(), dest);
                return;
            }
        }
        // Reduced (or enlarged beyond the format's coordinates): one pixel
        // per surface pixel that shows.
        PixelImage region;
        if (!ResamplePicture(picture, rectW, rectH, left - rect.left, top - rect.top,
                             static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top),
                             region)) {
            return;
        }
        WriteStretchDib(region, 0, 0, region.Width(), region.Height(),
                        {static_cast<int32_t>(left), static_cast<int32_t>(top),
                         static_cast<int32_t>(right), static_cast<int32_t>(bottom)});
    }

    /// The source part (x, y, w, h) of image as a 24-bit bitmap stretched into dest.
    void WriteStretchDib(const PixelImage& image, int64_t x, int64_t y, int64_t w, int64_t h,
                         const CanvasRect& dest) {
        const std::size_t stride = (static_cast<std::size_t>(w) * 3 + 3) & ~std::size_t{3};
        BeginRecord(kMetaStretchDib);
        DWord(kSourceCopy);
        Word(0);  // colours are RGB values
        Word(h);  // source height, width, y, x
        Word(w);
        Word(0);
        Word(0);
        Word(int64_t{dest.bottom} - dest.top);  // destination height, width, y, x
        Word(int64_t{dest.right} - dest.left);
        Word(dest.top);
        Word(dest.left);
        // BITMAPINFOHEADER
        DWord(40);
        DWord(static_cast<uint32_t>(w));
        DWord(static_cast<uint32_t>(h));  // bottom-up
        Word(1);
        Word(24);
        DWord(0);
        DWord(static_cast<uint32_t>(stride * static_cast<std::size_t>(h)));
        DWord(0);
        DWord(0);
        DWord(0);
        DWord(0);
        const std::size_t at = records_.size();
        records_.resize(at + stride * static_cast<std::size_t>(h), 0);
        for (int64_t row = 0; row < h; ++row) {
            const uint8_t* in = image.Row(static_cast<int32_t>(y + h - 1 - row)) + x * 3;
            uint8_t* out = records_.data() + at + static_cast<std::size_t>(row) * stride;
            for (int64_t i = 0; i < w; ++i, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        }
        EndRecord();
    }

    int32_t width_;
    int32_t height_;
    std::vector<uint8_t> records_;
    std::size_t recordStart_ = 0;
    uint32_t maxRecordWords_ = 0;
    std::vector<bool> slots_;
    DcState state_;
    DcState saved_;
    bool clipActive_ = false;
    CanvasRect clip_;
};

}  // namespace

std::vector<uint8_t> EncodeMetafile(const Recording& recording, int64_t surfaceSize) {
    MetafileBuilder builder(recording.Width(), recording.Height());
    builder.Start();
    for (const DrawOp& op : recording.Ops()) builder.Draw(op);
    return builder.Finish(surfaceSize);
}

ErrorCode SaveMetafile(std::string_view path, const Recording& recording, int64_t surfaceSize,
                       std::string* writtenPath) {
    const std::string name = ForcePictureExtension(path, "WMF");
    if (writtenPath != nullptr) *writtenPath = name;
    return WritePictureFile(name, EncodeMetafile(recording, surfaceSize), kErrWmfCreate,
                            kErrWmfWrite);
}

}  // namespace kvx
