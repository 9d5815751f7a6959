#include "core/workspace/main_redraw.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>
#include <vector>

#include "core/detect/shape_table.hpp"
#include "core/draw/picture_display.hpp"
#include "core/draw/render_objects.hpp"
#include "core/export/wmf_writer.hpp"
#include "core/program/error_report.hpp"
#include "core/program/startup.hpp"
#include "core/support/charset.hpp"
#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

constexpr int kMessageFileState = 2085;
constexpr int kScreenReportKind = 4;
constexpr Colour kBlue = 16711680;
constexpr Colour kBarBlue = 15728640;
constexpr Colour kGreen = 32768;
constexpr Colour kYellow = 65535;
constexpr Colour kPurple = 8388736;

// Highest histogram class index the counts have room for.
constexpr int64_t kMaxClass = 100000;

// Columns of the statistics box, and the range of its font in points: a
// setting far beyond the box is drawn at the largest, and a table is not
// shrunk below the smallest to squeeze it in.
constexpr std::size_t kStatisticsColumns = 17;
constexpr int32_t kLargestBoxFontSize = 400;
constexpr int32_t kSmallestBoxFontSize = 6;

const char* const kMicrometre = "\xB5m";

// The smallest text height on screen, in pixels, that reads as easily as the
// window's own texts.
constexpr double kReadableScreenPixels = 12.0;
constexpr int32_t kScaleBarFontSize = 20;

// The size in points on the surface that a label needs to be readable where
// the surface is shown; 0 when it is not shown on a screen.
int32_t ReadableLabelSize(const Workspace& ws, const ViewBlock& view) {
    if (ws.screenFieldSize() <= 0 || ws.drawingPictureExport() ||
        !ws.metafileOutputPath().empty()) {
        return 0;
    }
    const double surfacePixels =
        kReadableScreenPixels * static_cast<double>(view.surfaceSize) / ws.screenFieldSize();
    return static_cast<int32_t>(std::ceil(surfacePixels * 72.0 / 96.0));
}

// Modify mode's handles on screen: small enough to leave the picture seen,
// in screen pixels; the one under the mouse gets the configured size.
constexpr double kHandleScreenRadius = 3.0;

// One pass of the redraw, sharing the values the layers hand on.
class RedrawPass {
public:
    RedrawPass(Workspace& ws, ViewBlock& view, DrawnView& drawn, Recording& surface)
        : ws_(ws),
          program_(ws.program()),
          settings_(program_.settings),
          view_(view),
          drawn_(drawn),
          surface_(surface),
          renderer_(view_, settings_, program_.objectTypes, surface),
          readableLabelSize_(ReadableLabelSize(ws, view_)) {
        renderer_.SetMinimumLabelSize(readableLabelSize_);
        SetHandleSizes();
    }

    /// The drawing phase; fills the panel and label texts it owns.
    void Draw(WindowState& state, bool saveButtonEnabled);

private:
    void SetHandleSizes();
    void Background(WindowState& state);
    void Geometry();
    void ScaleBar();
    void Histogram();
    void StatisticsBox();
    void PickedObjects();

    Workspace& ws_;
    Program& program_;
    const Settings& settings_;
    ViewBlock& view_;
    DrawnView& drawn_;
    Recording& surface_;
    ObjectRenderer renderer_;
    int32_t readableLabelSize_;

    int32_t boxSize_ = 0;
    int32_t boxTop_ = 0;
    int32_t statsLeft_ = 12;
    int32_t statsRight_ = 0;
    double visibleValue_ = 0.0;
    std::string visibleUnit_;
    bool clipped_ = false;
};

void RedrawPass::PickedObjects() {
    // Picking is the window's; pictures and metafiles show the objects only.
    if (ws_.pickedObjects().empty() || ws_.screenFieldSize() <= 0 || ws_.drawingPictureExport() ||
        !ws_.metafileOutputPath().empty()) {
        return;
    }
    std::vector<PickedShape> shapes;
    for (const int32_t first : ws_.pickedObjects()) {
        ObjectShape shape = ShapeOfObject(ws_.history(), program_.objectTypes, first);
        if (shape.points.empty()) continue;
        const bool joined = shape.dataType == kLine || shape.dataType == kPolygon ||
                            shape.dataType == kTwoPointLine;
        shapes.push_back({std::move(shape.points), joined, shape.dataType == kPolygon});
    }
    // Two screen pixels wide, however large the surface is drawn.
    const auto width = static_cast<int32_t>(
        std::lround(2.0 * static_cast<double>(view_.surfaceSize) / ws_.screenFieldSize()));
    renderer_.DrawPicked(shapes, width);
}

void RedrawPass::Draw(WindowState& state, bool saveButtonEnabled) {
    const int32_t s = static_cast<int32_t>(view_.activeSurfaceSize);
    const int32_t s0 = static_cast<int32_t>(view_.surfaceSize);

    surface_.SetBrush(kBlack);
    surface_.SetPen(kWhite, 1, kPenSolid);
    const std::array<CanvasPoint, 4> whole{{{0, 0}, {s0, 0}, {s0, s0}, {0, s0}}};
    surface_.Polygon(whole);

    // A box size from a hand-edited configuration may be anything; no box
    // is taller than the surface.
    boxSize_ = std::clamp(settings_.BoxSize, 0, s0);
    boxTop_ = s0 - (boxSize_ + (settings_.PerformanceMode == 1 ? 12 : 36));
    statsLeft_ = 12;
    statsRight_ = s - 12;
    visibleValue_ = 0.0;

    bool pictureFailed = false;
    for (const int32_t layer : settings_.DisplayLayers) {
        switch (layer) {
            case kLayerBackground:
                Background(state);
                break;
            case kLayerGeometry:
                Geometry();
                break;
            case kLayerPicture:
                if (!ws_.project().imagePath.empty())
                    pictureFailed = !ws_.DrawPictureLayer(surface_);
                break;
            case kLayerPolygons:
                if (renderer_.DrawPolygons(ws_.history(), ws_.modifyMode(), ws_.currentType()) !=
                    kOk) {
                    ShowError(program_);
                }
                break;
            case kLayerObjects:
                if (renderer_.DrawObjects(ws_.history(), ws_.modifyMode(), ws_.currentType()) !=
                    0) {
                    ShowError(program_);
                }
                renderer_.DrawPendingPoints(ws_.pendingPoints());
                PickedObjects();
                break;
            case kLayerRaster:
                renderer_.DrawRaster();
                break;
            case kLayerScaleBar:
                if (visibleValue_ > 0.0) ScaleBar();
                break;
            case kLayerHistogram:
                Histogram();
                break;
            case kLayerStatistics:
                if (ws_.history().Count() > 0) StatisticsBox();
                break;
            default:
                break;
        }
        if (pictureFailed) break;
    }
    state.pictureFailed = pictureFailed;

    if (!pictureFailed) {
        if (ws_.redrawCount() < 3) {
            surface_.SetPen(kBlack, 5, surface_.pen().style);
            surface_.SetBrush(kWhite);
            const int32_t x = (s - 1000) / 2;
            const int32_t y = (s - 400) / 2;
            surface_.Rectangle(x, y, x + 1000, y + 350);
            Font& font = surface_.font();
            font.name = "Arial";
            font.size = 48;
            font.colour = kBlue;
            const std::string caption = WindowCaption(program_);
            surface_.TextOut(x + (1000 - surface_.TextWidth(caption)) / 2,
                             y + surface_.TextHeight(caption) / 2, caption);
            state.splashDrawn = true;
        }

        if (saveButtonEnabled) {
            const int32_t unsaved = ws_.history().Count() - ws_.savedCount();
            const Colour dot = unsaved < 40    ? kGreen
                               : unsaved < 80  ? kYellow
                               : unsaved < 160 ? kRed
                                               : kPurple;
            surface_.SetBrush(dot);
            surface_.pen().colour = kBlack;
            surface_.pen().width = 2;
            surface_.Ellipse(5, 5, 50, 50);
        }

        renderer_.DrawFrame(kBlack, false);
    }

    drawn_ = DrawnViewOf(view_);
    if (clipped_) surface_.ResetClip();
}

void RedrawPass::Background(WindowState& state) {
    renderer_.DrawFrame(settings_.Colour1, true);
    const int32_t s0 = static_cast<int32_t>(view_.surfaceSize);
    surface_.SetClipRect({1, 1, s0, s0});
    clipped_ = true;

    const double v = static_cast<double>(view_.viewSize);
    if (v > 50000) {
        visibleValue_ = v / 10000;
        visibleUnit_ = "cm";
    } else if (v > 1000) {
        visibleValue_ = v / 1000;
        visibleUnit_ = "mm";
    } else {
        visibleValue_ = v;
        visibleUnit_ = kMicrometre;
    }
    const bool comma = settings_.Language == 0;
    state.panels[2] = FormatReal(-1, 3, comma, visibleValue_) + " " + visibleUnit_;
    state.LbDetails = FormatReal(-1, 1, comma, visibleValue_) + " " + visibleUnit_;
}

void RedrawPass::Geometry() {
    const WindowGeometry& g = ws_.windowGeometry();
    Font& font = surface_.font();
    font.name = "Arial";
    font.size = 24;
    font.colour = kBlack;
    surface_.SetBrush(kWhite);
    surface_.TextOut(
        10, 10, "Screen (x/y) : " + IntToStr(g.screenWidth) + " / " + IntToStr(g.screenHeight));
    surface_.TextOut(10, 60,
                     "Main (x/y) : " + IntToStr(g.mainWidth) + " / " + IntToStr(g.mainHeight));
    surface_.TextOut(
        10, 110, "Area (x/y) : " + IntToStr(g.paintBoxWidth) + " / " + IntToStr(g.paintBoxHeight));
    surface_.TextOut(10, 160,
                     "Tabs (y) : " + IntToStr(int64_t{g.valueGridHeight} + g.dataGridHeight));
    surface_.TextOut(10, 210,
                     "Offset (x/y) : " + IntToStr(view_.viewLeft) + " / " +
                         IntToStr(view_.viewTop) + " " + kMicrometre);
    surface_.TextOut(10, 260, "Width (x&y) : " + IntToStr(view_.viewSize) + " " + kMicrometre);
}

void RedrawPass::ScaleBar() {
    const int32_t s = static_cast<int32_t>(view_.activeSurfaceSize);
    const int32_t length = ScaleBarLength(visibleValue_);
    const auto b =
        static_cast<int32_t>(std::nearbyint(s * static_cast<double>(length) / visibleValue_));

    surface_.SetPen(kBlack, 2, kPenSolid);
    surface_.SetBrush(kWhite);
    Font& font = surface_.font();
    font.name = "Arial";
    font.size = std::max(kScaleBarFontSize, readableLabelSize_);
    font.colour = kBlack;
    const std::string label = IntToStr(length) + " " + visibleUnit_;
    const int32_t labelWidth = surface_.TextWidth(label);
    const int32_t w = std::max(b, labelWidth);
    // A label enlarged for a small screen still ends above the bar; the box
    // grows upwards to hold it.
    const int32_t labelTop = std::min(s - 192, s - 138 - surface_.TextHeight(label));
    surface_.Rectangle(48, s - 84, w + 96, std::min(s - 204, labelTop - 12));
    surface_.TextOut((w + 48 - labelWidth) / 2 + 48, labelTop, label);
    surface_.pen().colour = kBarBlue;
    surface_.SetBrush(kBarBlue);
    const int32_t x = (w + 48 - b) / 2 + 48;
    surface_.Rectangle(x, s - 132, x + b, s - 117);
    statsLeft_ = w + 108;
}

void RedrawPass::Histogram() {
    const ObjectType& type = program_.objectTypes.At(ws_.currentType());
    const bool hasValues = type.dataType == kText || type.dataType == kPolygon ||
                           type.dataType == kTwoPointLine || type.dataType == kCount;
    if (ws_.currentType() <= 0 || !hasValues || !(ws_.ClassWidth() > 0) ||
        ws_.grids().RowCount() <= 2) {
        return;
    }
    // A fixed class size is a length; areas get the square of it as their
    // class, rather than a width in µm laid over values in µm².
    double classWidth = ws_.ClassWidth();
    if (type.dataType == kPolygon && settings_.AdaptClassSize < 1) {
        classWidth *= classWidth;
    }

    // Values whose class lies outside 0 .. 100,000 have no place in the
    // histogram and are left out of it.
    std::map<int64_t, int32_t> counts;
    int32_t counted = 0;
    const int32_t rows = std::min(ws_.grids().RowCount(), ws_.valueList().Count());
    for (int32_t k = 1; k <= rows; ++k) {
        const ValueEntry& entry = ws_.valueList().Entry(k);
        if (entry.excluded) continue;
        const double cls = std::nearbyint(entry.value / classWidth);
        if (!(cls >= 0 && cls <= static_cast<double>(kMaxClass))) continue;
        ++counts[static_cast<int64_t>(cls)];
        ++counted;
    }
    if (counted < 3) return;

    const int64_t first = counts.begin()->first;
    const int64_t last = counts.rbegin()->first;
    int32_t max = 0;
    for (const auto& [cls, count] : counts) max = std::max(max, count);
    const auto classes = static_cast<int32_t>(last - first + 1);
    const int32_t cw = 600 / classes;
    const int32_t mark = max > 150 ? 100 : max > 15 ? 10 : 1;

    const int32_t s0 = static_cast<int32_t>(view_.surfaceSize);
    const int32_t boxSize = boxSize_;
    surface_.SetPen(kBlack, 2, kPenSolid);
    surface_.SetBrush(kWhite);
    surface_.Rectangle(s0 - 636, boxTop_, s0 - 18, boxTop_ + boxSize);
    statsRight_ = s0 - 648;

    const int32_t yb = boxTop_ + boxSize - 12;
    const int32_t x0 = s0 - 624;
    // Bars keep 12 pixels to the frame at the top as at the bottom. A few
    // values get a fixed step per count; once those steps would rise above
    // the frame, or shrink to nothing, the highest bar fills the room and the
    // others follow in proportion, with a level line every `mark` counts.
    const int32_t room = std::max(boxSize - 24, 1);
    const int32_t step = (boxSize + 18) / (max + 1);
    const bool stepped = step >= 1 && int64_t{step} * max <= room;
    const int32_t levelEvery = stepped ? 1 : mark;
    const auto height = [&](int64_t count) {
        if (stepped) return static_cast<int32_t>(count * step);
        // A class of one value among hundreds still shows.
        return static_cast<int32_t>(count == 0 ? 0 : std::max<int64_t>(count * room / max, 1));
    };

    surface_.SetPen(kBlue, 2, kPenSolid);
    surface_.SetBrush(kBlue);
    for (const auto& [cls, count] : counts) {
        const auto c = static_cast<int32_t>(cls - first);
        surface_.Rectangle(x0 + c * cw, yb - height(count), x0 + (c + 1) * cw, yb);
    }

    surface_.SetPen(kBlack, 1, kPenSolid);
    for (int32_t j = 0; j <= max; j += levelEvery) {
        surface_.MoveTo(x0, yb - height(j));
        surface_.LineTo(x0 + classes * cw, yb - height(j));
    }
    for (int32_t c = 0; c <= classes; ++c) {
        surface_.MoveTo(x0 + c * cw, yb - height(max));
        surface_.LineTo(x0 + c * cw, yb);
    }

    Font& font = surface_.font();
    font.name = "Arial";
    font.size = 20;
    font.colour = kBlack;
    font.pitch = FontPitch::kDefault;
    surface_.SetBrush(kWhite);
    surface_.TextOut(s0 - 630, boxTop_ + 12, IntToStr(mark));
}

std::vector<std::string> SplitCells(const std::string& line) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    const std::string text = line + '\t';
    for (std::size_t tab = text.find('\t'); tab != std::string::npos;
         tab = text.find('\t', start)) {
        cells.push_back(text.substr(start, tab - start));
        start = tab + 1;
    }
    return cells;
}

void RedrawPass::StatisticsBox() {
    std::vector<std::string> memo;
    ws_.DoWriteFile(kScreenReportKind, &memo);
    const auto n = static_cast<int32_t>(memo.size());
    if (n <= 1) return;

    std::vector<std::vector<std::string>> rows;
    rows.reserve(memo.size());
    for (const std::string& line : memo) {
        rows.push_back(SplitCells(line));
        // Columns beyond the 17 the box has room for are not shown.
        if (rows.back().size() > kStatisticsColumns) rows.back().resize(kStatisticsColumns);
    }

    const int32_t boxSize = boxSize_;
    const int32_t left = statsLeft_;
    const int32_t right = statsRight_;
    surface_.SetPen(kBlack, 2, kPenSolid);
    surface_.SetBrush(kWhite);
    surface_.Rectangle(left, boxTop_, right, boxTop_ + boxSize);

    Font& font = surface_.font();
    font.name = "Courier";
    font.colour = kBlack;
    const int32_t y0 = boxTop_ + 6;
    const int32_t h = (boxSize - 6) / n;
    // The font is given by its cell height in pixels; sizes are points at 96 dpi.
    const int32_t fontPixels = n < 4 ? (boxSize - 6) / 4 - 4 : h - 4;
    const int32_t wanted = settings_.MaxStatisticsFontSize > 0
                               ? settings_.MaxStatisticsFontSize
                               : static_cast<int32_t>(std::nearbyint(fontPixels * 72.0 / 96.0));

    // Every column as wide as its widest cell, measured in the font it is
    // drawn in, and a gap of two blanks: no cell can reach into the next.
    // A table too wide (or rows too tall) for the box is drawn smaller, down
    // to a size that can still be read, and then loses whole columns from
    // the right rather than showing any of them cut.
    const int64_t room = int64_t{right} - 12 - (int64_t{left} + 12);
    std::vector<int32_t> widths;
    int64_t gap = 0;
    std::size_t columns = 0;
    const int32_t start = std::clamp(wanted, 1, kLargestBoxFontSize);
    const int32_t smallest = std::min(start, kSmallestBoxFontSize);
    for (int32_t size = start;;) {
        font.size = size;
        widths.assign(kStatisticsColumns, 0);
        columns = 0;
        for (const std::vector<std::string>& cells : rows) {
            columns = std::max(columns, cells.size());
            for (std::size_t c = 0; c < cells.size(); ++c) {
                widths[c] = std::max(widths[c], surface_.TextWidth(cells[c]));
            }
        }
        gap = surface_.TextWidth("  ");
        int64_t total = 0;
        std::size_t fitting = 0;
        for (std::size_t c = 0; c < columns; ++c) {
            total += (c > 0 ? gap : 0) + widths[c];
            if (total <= room) fitting = c + 1;
        }
        const int32_t height = surface_.TextHeight("0");
        if ((fitting == columns && height <= h) || size <= smallest) {
            columns = fitting;
            break;
        }
        // Text grows with its size: go straight to about the size that
        // fits, then on in single steps.
        double shrink = 1.0;
        if (total > room && total > 0) {
            shrink = static_cast<double>(room) / static_cast<double>(total);
        }
        if (height > h && height > 0) shrink = std::min(shrink, static_cast<double>(h) / height);
        const auto estimate = static_cast<int32_t>(size * std::clamp(shrink, 0.0, 1.0));
        size = std::max(std::min(estimate, size - 1), smallest);
    }

    for (int32_t i = 0; i < n; ++i) {
        const std::vector<std::string>& cells = rows[static_cast<std::size_t>(i)];
        int64_t x = int64_t{left} + 12;
        for (std::size_t c = 0; c < columns; ++c) {
            if (c < cells.size() && !cells[c].empty()) {
                surface_.TextOut(static_cast<int32_t>(x), y0 + i * h, cells[c]);
            }
            x += widths[c] + gap;
        }
    }
}

void SetControl(WindowState& state, const char* name, std::optional<bool> enabled,
                std::optional<bool> visible) {
    state.controls.push_back({name, enabled, visible});
}

}  // namespace

int32_t ScaleBarLength(double value) {
    const int64_t n = static_cast<int64_t>(std::trunc(value * 5)) / 100;
    if (n < 1) return 1;
    for (const int32_t step : {1, 5, 10, 20, 50, 100, 250}) {
        if (n <= step) return step;
    }
    return 500;
}

void RedrawPass::SetHandleSizes() {
    if (ws_.modifyMode() != 1 || readableLabelSize_ <= 0) return;
    const double perScreenPixel = static_cast<double>(view_.surfaceSize) / ws_.screenFieldSize();
    const int64_t radius = std::max<int64_t>(1, std::llround(kHandleScreenRadius * perScreenPixel));
    const int64_t hotRadius = std::max<int64_t>(settings_.PointSizeModify, 2 * radius);
    std::optional<SurfacePoint> hot;
    if (const int32_t index = ws_.hotHandle(); index >= 1 && index <= ws_.history().Count()) {
        const MeasuredObject point = ws_.history().Peek(index);
        hot = MapToSurface(view_, point.x, point.y);
    }
    renderer_.SetHandles(radius, hot, hotRadius);
}

WindowState MainRedraw(Workspace& ws) {
    WindowState state;
    if (ws.redrawCount_ < 2) {
        ++ws.redrawCount_;
        return state;
    }
    state.updated = true;

    Program& program = ws.program();
    const Settings& settings = program.settings;
    Project& project = ws.project_;
    ViewBlock& view = project.view;
    const bool comma = settings.Language == 0;

    const std::string title =
        PathAsText(!project.projectPath.empty() ? project.projectPath : project.imagePath);
    if (title.empty()) {
        state.caption = WindowCaption(program);
        state.panels[0] = std::string();
    } else {
        state.caption = title;
        state.panels[0] = ExtractFileName(title) + " (" + IntToStr(project.resolutionDpi) + "dpi)";
    }

    if (settings.MeasureFieldWidth > 0 && view.viewSize > 0) {
        const double f = static_cast<double>(view.viewSize) / 1000.0;
        if (settings.MeasureFieldWidth > view.viewSize / 1000) {
            state.panels[1] = "x " + FormatReal(-1, 1, comma, settings.MeasureFieldWidth / f);
        } else {
            state.panels[1] = " 1 : " + FormatReal(-1, 1, comma, f / settings.MeasureFieldWidth);
        }
    } else if (project.formatVersion > 0) {
        state.panels[1] = IntToStr(project.formatVersion / 10) + "." +
                          IntToStr(project.formatVersion % 10) + " " + project.userName;
    }

    // What the mouse tool has to say stands where the picture is described.
    const std::string toolText = ws.ToolStatusText();
    state.panels[3] = toolText.empty() ? project.imageInfo : toolText;
    const int32_t count = ws.history_.Count();
    const int32_t capacity = ws.history_.Capacity();
    const int64_t percent = capacity > 0 ? int64_t{count} * 100 / capacity : 0;
    state.panels[4] = IntToStr(count) + "/" + IntToStr(capacity) + " (" + IntToStr(percent) +
                      " %) " + program.GetMessage(kMessageFileState + ws.fileState_);

    const bool named = !project.projectPath.empty() || !project.imagePath.empty();
    const bool idle = ws.modifyMode() == 0 && ws.captureState() == 0;
    const bool saveButton = named && ws.fileState_ == kChanged;
    SetControl(state, "Bevel7", std::nullopt, count > 0);
    SetControl(state, "ImgEdit", std::nullopt, count > 0);
    SetControl(state, "MnModify", count > 0, std::nullopt);
    SetControl(state, "Bevel8", std::nullopt, named);
    SetControl(state, "ImgVec", std::nullopt, named);
    SetControl(state, "MnMeasure", named, std::nullopt);
    SetControl(state, "Bevel9", std::nullopt, !project.imagePath.empty());
    SetControl(state, "ImgWand", std::nullopt, !project.imagePath.empty());
    SetControl(state, "MnDetect", !project.imagePath.empty(), std::nullopt);
    SetControl(state, "MnRecalculate", count > 0 && idle, std::nullopt);
    SetControl(state, "cbo", idle, std::nullopt);
    SetControl(state, "MnSave", !project.projectPath.empty(), std::nullopt);
    SetControl(state, "BitBtn3", saveButton, std::nullopt);
    SetControl(state, "MnSaveTo", !project.imagePath.empty(), std::nullopt);
    SetControl(state, "MnProps", !project.imagePath.empty(), std::nullopt);
    SetControl(state, "MnExpText", count > 0, std::nullopt);

    state.LbRaster1 =
        view.rasterLength >= 1000
            ? FormatReal(-1, -1, false, static_cast<double>(view.rasterLength) / 1000) + " mm"
            : IntToStr(view.rasterLength) + " " + kMicrometre;

    if (ws.skipNextRedraw_) {
        ws.skipNextRedraw_ = false;
        return state;
    }
    state.LbDetails = "0";

    static const ApproxTextMetrics approxMetrics;
    const TextMetrics& metrics = ws.textMetrics_ ? *ws.textMetrics_ : approxMetrics;
    const auto side = static_cast<int32_t>(view.surfaceSize);
    auto surface = std::make_shared<Recording>(side, side, metrics);
    if (view.viewValid) {
        surface->Reserve(static_cast<std::size_t>(count) + 256);
        RedrawPass(ws, view, ws.drawnView_, *surface).Draw(state, saveButton);
    }
    state.surface = surface;
    ++ws.redrawCount_;

    // A metafile without its picture would replace a good one with a blank.
    if (!ws.metafileOutputPath_.empty() && !state.pictureFailed) {
        const ErrorCode code = SaveMetafile(ws.metafileOutputPath_, *surface, view.surfaceSize);
        if (code != kOk) {
            program.ReportError(code, 0, ws.metafileOutputPath_);
            ShowError(program);
        }
    }

    const WorldRect fit = view.fitRectangle;
    if (fit.left + fit.top + fit.right + fit.bottom > 0) {
        (void)SetWindow(program, view, fit, true, true);
        view.fitRectangle = WorldRect{};
        WindowState nested = MainRedraw(ws);
        nested.splashDrawn = nested.splashDrawn || state.splashDrawn;
        state = std::move(nested);
    }
    ws.resizeFlag_ = false;
    return state;
}

}  // namespace kvx
