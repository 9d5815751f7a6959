// The redraw entry and the zoom, pan and raster commands of the main window.
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "core/draw/picture_display.hpp"
#include "core/draw/view.hpp"
#include "core/measure/values.hpp"
#include "core/picture/picture.hpp"
#include "core/picture/picture_tiles.hpp"
#include "core/program/error_report.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"
#include "core/workspace/main_redraw.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

// Exit status when not even the whole world can be shown.
constexpr int kFatalNoView = 603;

constexpr int32_t kKeySpace = 32;
constexpr int32_t kKeyPadPlus = 107;
constexpr int32_t kKeyPadMinus = 109;
constexpr int32_t kKeyPlus = 187;
constexpr int32_t kKeyMinus = 189;

constexpr int kMsgGreyValue = 2293;

}  // namespace

bool Workspace::ResetViewToWorld() {
    NoticeScope notice(*this);
    return World(program_, project_.view);
}

int64_t Workspace::PictureDisplaySide() const {
    if (displayFieldPixels_ <= 0) return 0;
    // A metafile holds a picture at one pixel per surface pixel.
    if (!metafileOutputPath_.empty()) {
        return std::max<int64_t>(displayFieldPixels_, project_.view.surfaceSize);
    }
    return displayFieldPixels_;
}

bool Workspace::DrawPictureLayer(Canvas& surface) {
    const bool loading = project_.fitImagePending;
    const PictureFrame before = FrameOf(project_);
    if (!loading) EnsurePictureDetail();
    if (!DrawPicture(program_, project_, surface, PictureDisplaySide())) return false;
    if (loading && project_.picture) {
        detailAskedFor_.reset();
        detailFailed_ = false;
        FollowPictureOrientation(before);
    }
    return true;
}

bool Workspace::DrawFullPicture(Canvas& surface) {
    NoticeScope notice(*this);
    Changed(Change::Project);
    return DrawPicture(program_, project_, surface);
}

void Workspace::FollowPictureOrientation(const PictureFrame& before) {
    Changed(Change::Records);
    project_.pictureOrientation = project_.picture->orientation;
    const PictureFrame after = FrameOf(project_);
    if (before.orientation == after.orientation) return;
    TurnPoints(history_, before, after);
    const auto turn = [&](int64_t& x, int64_t& y) {
        auto fx = static_cast<double>(x);
        auto fy = static_cast<double>(y);
        StoredFromShown(before, fx, fy);
        ShownFromStored(after, fx, fy);
        x = static_cast<int64_t>(std::nearbyint(fx));
        y = static_cast<int64_t>(std::nearbyint(fy));
    };
    for (PendingEntry& entry : pending_) turn(entry.x, entry.y);
    for (PendingMarker& marker : pendingPoints_) turn(marker.x, marker.y);
    // Earlier changes were recorded with the points lying the other way.
    if (undo_.Size() > 0) undo_.Clear(fileState_);
}

void Workspace::EnsurePictureDetail() {
    const std::shared_ptr<const Picture> picture = project_.picture;
    if (!picture || !picture->Reduced()) return;
    // An export never waits for the background: it decodes what it draws
    // at once, unless that has failed for this picture already.
    const bool exporting = drawingPictureExport_ || !metafileOutputPath_.empty();
    if (detailAskedFor_ == picture && (detailFailed_ || !exporting)) return;
    if (!PictureNeedsDetail(project_, PictureDisplaySide())) return;
    detailAskedFor_ = picture;
    detailFailed_ = false;
    ++detailRequest_;
    const int64_t bytes = FileSize(project_.imagePath);
    PictureRequest request =
        MakePictureRequest(program_, project_.imagePath, bytes < 0 ? 0 : bytes >> 20, 0);
    // Shown, a picture too large to be held whole keeps its full resolution
    // on the disk.
    request.options.tileFolder = TempDirectory();
    if (fullPictureWanted_ && !exporting) {
        fullPictureWanted_(request, detailRequest_);
        return;
    }
    auto full = std::make_shared<Picture>();
    const DecodeStatus status = ReadPicture(request, *full);
    (void)TakeFullPicture(detailRequest_, std::move(full), status);
}

bool Workspace::AdoptFullPicture(uint64_t number, std::shared_ptr<Picture> picture,
                                 DecodeStatus status) {
    NoticeScope notice(*this);
    if (!TakeFullPicture(number, std::move(picture), status)) return false;
    Redraw();
    return true;
}

bool Workspace::TakeFullPicture(uint64_t number, std::shared_ptr<Picture> picture,
                                DecodeStatus status) {
    const std::shared_ptr<const Picture> shown = project_.picture;
    if (number != detailRequest_ || !shown || shown != detailAskedFor_) return false;
    if (!PictureDecoded(status)) {
        // The reduced picture stays and is not asked for again. A damaged
        // file was reported with its first view already.
        detailFailed_ = true;
        ReportPictureLoad(program_, status, project_.imagePath);
        return false;
    }
    // A file changed since its first view is not mixed into it.
    if (!picture || picture->Width() != shown->Width() || picture->Height() != shown->Height() ||
        picture->orientation != shown->orientation) {
        return false;
    }
    project_.picture = std::move(picture);
    detailAskedFor_.reset();
    return true;
}

void Workspace::Redraw() {
    NoticeScope notice(*this);
    WindowState state = MainRedraw(*this);
    if (!state.updated) return;
    windowState_ = std::move(state);
    Changed(Change::Window);
    // The window applies what a redraw produced at once, not only when the
    // command that asked for it ends: start-up steps wait on it.
    DeliverChanges();
}

bool Workspace::ZoomCommand(ZoomControl control) {
    NoticeScope notice(*this);
    ViewBlock& view = project_.view;
    const Settings& settings = program_.settings;
    auto finish = [this](bool failed) {
        if (failed) {
            ShowError(program_);
        } else {
            Redraw();
        }
    };
    auto zoom = [&](int32_t percent) {
        if (!view.viewValid) return;
        finish(ZoomBy(program_, view, percent, lastZoomPercent_) != kOk);
    };

    switch (control) {
        case ZoomControl::MnEnlarge:
            zoom(settings.ReducePercent);
            return false;
        case ZoomControl::MnReduce:
            zoom(settings.EnlargePercent);
            return false;
        case ZoomControl::MnWorld:
            finish(!World(program_, view));
            return false;
        case ZoomControl::BitBtn4:
            zoom(settings.EnlargePercent);
            return true;
        case ZoomControl::BitBtn5:
            zoom(settings.ReducePercent);
            return true;
        case ZoomControl::BitBtn6:
        case ZoomControl::FitPicture:
            FitPicture();
            return view.viewValid;
        case ZoomControl::SpinDetUp:
            zoom(100 + settings.FineScalingPercent);
            return false;
        case ZoomControl::SpinDetDown:
            zoom(100 - settings.FineScalingPercent);
            return false;
        case ZoomControl::SpinRasterUp:
        case ZoomControl::SpinRasterDown: {
            const auto* at =
                std::find(RasterLengths.begin(), RasterLengths.end(), view.rasterLength);
            if (at != RasterLengths.end()) {
                if (control == ZoomControl::SpinRasterDown &&
                    view.rasterLength < RasterLengths[0]) {
                    view.rasterLength = *(at - 1);
                } else if (control == ZoomControl::SpinRasterUp && at + 1 != RasterLengths.end()) {
                    view.rasterLength = *(at + 1);
                }
            }
            Redraw();
            return false;
        }
    }
    return false;
}

void Workspace::FitPicture() {
    NoticeScope notice(*this);
    ViewBlock& view = project_.view;
    if (project_.imagePath.empty()) {
        if (!World(program_, view)) {
            ShowError(program_);
        } else {
            Redraw();
        }
        return;
    }
    const int64_t wx = ImageWorldSize(view.imageWidth, project_.resolutionDpi);
    const int64_t wy = ImageWorldSize(view.imageHeight, project_.resolutionDpi);
    // A picture in memory is not read again only to learn its size.
    if (!project_.picture || wx <= 0 || wy <= 0) {
        project_.fitImagePending = true;
        Redraw();
        return;
    }
    const int64_t side = std::max(wx, wy);
    if (SetWindow(program_, view, WorldRect{0, 0, side, side}, true, true) != kOk) {
        ShowError(program_);
        return;
    }
    Redraw();
}

double Workspace::Magnification(int32_t boxWidth) const {
    const DrawnView& drawn = drawnView_;
    if (boxWidth <= 0 || drawn.drawnWidth <= 0 || project_.resolutionDpi <= 0 ||
        !project_.picture) {
        return 0.0;
    }
    // A picture pixel is 25400 / dpi micrometres; the box shows drawnWidth of them.
    return 100.0 * boxWidth * 25400.0 /
           (static_cast<double>(drawn.drawnWidth) * project_.resolutionDpi);
}

std::string Workspace::CursorReadout(int32_t x, int32_t y, int32_t boxWidth,
                                     int32_t boxHeight) const {
    const Settings& settings = program_.settings;
    const bool comma = settings.Language == 0;
    std::string text;
    if (const double zoom = Magnification(boxWidth); zoom > 0.0) {
        text = FormatReal(-1, zoom < 10.0 ? 1 : 0, comma, zoom) + " %";
    }
    if (x < 0 || y < 0 || x >= boxWidth || y >= boxHeight) return text;
    const auto world = MouseToWorld(x, y, boxWidth, boxHeight);
    if (!world || drawnView_.drawnWidth <= 0) return text;
    const auto coordinate = [&](int64_t v) {
        return FormatReal(-1, DecimalsFor(kTwoPointLine), comma,
                          UnitDivisor(static_cast<double>(v), kTwoPointLine, settings.TableUnit));
    };
    if (!text.empty()) text += "  ";
    text += "x " + coordinate(world->x) + " y " + coordinate(world->y) + " " +
            std::string(UnitName(kTwoPointLine, settings.TableUnit));

    const std::shared_ptr<const Picture>& picture = project_.picture;
    if (!picture || project_.resolutionDpi <= 0 || world->x < 0 || world->y < 0) return text;
    // The picture pixel under the mouse: pixels lie as the picture is shown.
    const auto column = static_cast<int64_t>(
        std::floor(static_cast<double>(world->x) * project_.resolutionDpi / 25400.0));
    const auto row = static_cast<int64_t>(
        std::floor(static_cast<double>(world->y) * project_.resolutionDpi / 25400.0));
    if (column >= picture->Width() || row >= picture->Height()) return text;
    const auto px = static_cast<int32_t>(column);
    const auto py = static_cast<int32_t>(row);
    std::array<int32_t, 3> value{};
    // A picture held reduced has only means of several pixels: shown as
    // near values until the full picture is in.
    bool near = false;
    if (picture->sixteenBit) {
        // Without its own samples a deep picture has no value to show: its
        // pixels hold only the range of its values.
        if (picture->samplesHigh.Empty() || picture->samplesLow.Empty() ||
            picture->samplesHigh.Width() != picture->Width()) {
            return text;
        }
        const uint8_t* high = picture->samplesHigh.Row(py) + std::size_t{3} * px;
        const uint8_t* low = picture->samplesLow.Row(py) + std::size_t{3} * px;
        for (std::size_t c = 0; c < 3; ++c) value[c] = high[c] * 256 + low[c];
    } else if (uint8_t own[3]; picture->tiles && picture->tiles->PixelAt(px, py, own)) {
        for (std::size_t c = 0; c < 3; ++c) value[c] = own[c];
    } else {
        const int32_t reduction = std::max(picture->reduction, 1);
        const int32_t rx = std::min(px / reduction, picture->pixels.Width() - 1);
        const int32_t ry = std::min(py / reduction, picture->pixels.Height() - 1);
        if (picture->pixels.Empty() || rx < 0 || ry < 0) return text;
        near = reduction > 1;
        const uint8_t* rgb = picture->pixels.Row(ry) + std::size_t{3} * rx;
        for (std::size_t c = 0; c < 3; ++c) value[c] = rgb[c];
    }
    text += near ? "  ~" : "  ";
    if (value[0] == value[1] && value[1] == value[2]) {
        text += program_.GetMessage(kMsgGreyValue) + " " + IntToStr(value[0]);
    } else {
        text += "R " + IntToStr(value[0]) + " G " + IntToStr(value[1]) + " B " + IntToStr(value[2]);
    }
    return text;
}

bool Workspace::ViewKey(int32_t key, bool shift, bool alt, bool control) {
    NoticeScope notice(*this);
    if (shift || alt || control) return false;
    ViewBlock& view = project_.view;
    const Settings& settings = program_.settings;
    auto finish = [this](ErrorCode code) {
        if (code != kOk) {
            ShowError(program_);
        } else {
            Redraw();
        }
    };
    switch (key) {
        case kKeyPadPlus:
        case kKeyPlus:
            if (view.viewValid) {
                finish(ZoomBy(program_, view, settings.EnlargePercent, lastZoomPercent_));
            }
            return true;
        case kKeyPadMinus:
        case kKeyMinus:
            if (view.viewValid) {
                finish(ZoomBy(program_, view, settings.ReducePercent, lastZoomPercent_));
            }
            return true;
        case kKeyLeft:
        case kKeyUp:
        case kKeyRight:
        case kKeyDown:
            if (view.viewValid) finish(Pan(program_, view, key, false));
            return true;
        case kKeySpace:
            Redraw();
            return true;
        default:
            return false;
    }
}

bool Workspace::WheelZoom(double steps, int32_t x, int32_t y, int32_t boxWidth, int32_t boxHeight) {
    NoticeScope notice(*this);
    ViewBlock& view = project_.view;
    if (!view.viewValid || !std::isfinite(steps)) return false;
    // High-resolution wheels and touchpads send parts of a step; they add up
    // to whole steps instead of zooming a little on every event.
    wheelSteps_ += steps;
    const double whole = std::trunc(wheelSteps_);
    if (whole == 0.0) return false;
    wheelSteps_ -= whole;
    const int32_t step = std::clamp(program_.settings.WheelZoomPercent, 1, 90);
    const double factor = std::pow((100.0 - step) / 100.0, whole);
    const auto rect = ZoomAboutPixel(view, factor, x, y, boxWidth, boxHeight);
    if (!rect) return false;
    const WorldRect before{view.viewLeft, view.viewTop, view.viewRight, view.viewBottom};
    // The square is not snapped: snapping would move the point under the
    // cursor by up to half a snapping step.
    if (SetWindow(program_, view, *rect, false, true) != kOk) {
        ShowError(program_);
        return false;
    }
    if (before == WorldRect{view.viewLeft, view.viewTop, view.viewRight, view.viewBottom}) {
        return false;
    }
    Redraw();
    return true;
}

bool Workspace::DragPan(int32_t dx, int32_t dy, int32_t boxWidth, int32_t boxHeight) {
    NoticeScope notice(*this);
    ViewBlock& view = project_.view;
    if (!view.viewValid || boxWidth <= 0 || boxHeight <= 0 || view.viewSize <= 0) return false;
    // The picture follows the mouse; what a pixel is worth in micrometres is
    // kept to the fraction, so slow drags at a high zoom still move.
    panRemainderX_ -= static_cast<double>(dx) * static_cast<double>(view.viewSize) / boxWidth;
    panRemainderY_ -= static_cast<double>(dy) * static_cast<double>(view.viewSize) / boxHeight;
    const auto moveX = static_cast<int64_t>(std::trunc(panRemainderX_));
    const auto moveY = static_cast<int64_t>(std::trunc(panRemainderY_));
    panRemainderX_ -= static_cast<double>(moveX);
    panRemainderY_ -= static_cast<double>(moveY);
    const WorldRect before{view.viewLeft, view.viewTop, view.viewRight, view.viewBottom};
    const WorldRect rect = MovedInsideWorld(view, moveX, moveY);
    if (rect == before) return false;
    if (SetWindow(program_, view, rect, false, false) != kOk) {
        ShowError(program_);
        return false;
    }
    Redraw();
    return true;
}

void Workspace::ZoomToRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t boxWidth,
                                int32_t boxHeight) {
    NoticeScope notice(*this);
    ViewBlock& view = project_.view;
    const auto rect = ZoomRectangleToWorld(view, x1, y1, x2, y2, boxWidth, boxHeight,
                                           program_.settings.SnapToRaster == 1);
    if (!rect) return;
    if (SetWindow(program_, view, *rect, true, true) == kOk) {
        Redraw();
        return;
    }
    ShowError(program_);
    if (!World(program_, view)) {
        ShowError(program_);
        FatalStop(program_, kFatalNoView);
    }
    Redraw();
}

}  // namespace kvx
