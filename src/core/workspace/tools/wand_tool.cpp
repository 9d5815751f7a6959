#include "core/workspace/tools/wand_tool.hpp"

#include <cmath>

#include "core/detect/detect_choices.hpp"
#include "core/detect/object_at.hpp"
#include "core/options/detect_dialog_model.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

constexpr int kMsgNoObject = 2269;
constexpr int kMsgNeedsPolygon = 2270;
constexpr int kMsgUnreadable = 2274;
constexpr int kMsgTooLargeToDetect = 2170;

}  // namespace

void WandTool::Press(const MouseEvent& event) {
    status_.clear();
    ZoomTool::Press(event);
}

void WandTool::Release(const MouseEvent& event) {
    if (FinishRectangle(event) || event.button == MouseButton::Right) return;
    OutlineAt(event);
}

void WandTool::Cancel() {
    ZoomTool::Cancel();
    status_.clear();
    // The values of a large picture take much memory; they go with the tool.
    plane_.reset();
    histogram_.clear();
    planePath_.clear();
    planePicture_ = nullptr;
}

bool WandTool::EnsurePlane(SampleChannel channel) {
    const Project& project = workspace().project();
    if (plane_ && planePath_ == project.imagePath && planePicture_ == project.picture.get() &&
        planeChannel_ == channel) {
        return true;
    }
    plane_.reset();
    Picture picture;
    if (project.imagePath.empty()) return false;
    planeStatus_ = ReadDetectionPicture(workspace().program(), project.imagePath, picture);
    // Outlines cut where a damaged picture broke off would be wrong ones.
    if (planeStatus_ != DecodeStatus::Ok) return false;
    auto plane = std::make_unique<SamplePlane>();
    if (!SamplesOf(picture, channel, *plane)) return false;
    histogram_ = HistogramOf(*plane, {});
    plane_ = std::move(plane);
    planePath_ = project.imagePath;
    planePicture_ = project.picture.get();
    planeChannel_ = channel;
    return true;
}

void WandTool::OutlineAt(const MouseEvent& event) {
    Workspace& ws = workspace();
    Program& program = ws.program();
    const int32_t type = ws.currentType();
    if (type == 0 || program.objectTypes.At(type).dataType != kPolygon) {
        status_ = program.GetMessage(kMsgNeedsPolygon);
        ws.Redraw();
        return;
    }
    const std::optional<WorldPosition> world = WorldAt(event);
    const int32_t dpi = ws.project().resolutionDpi;
    const DetectChoices choices = LoadDetectChoices(program);
    DetectedObject object;
    bool found = false;
    if (!EnsurePlane(choices.channel)) {
        const bool tooLarge =
            planeStatus_ == DecodeStatus::TooLarge || planeStatus_ == DecodeStatus::OutOfMemory;
        status_ = program.GetMessage(tooLarge ? kMsgTooLargeToDetect : kMsgUnreadable);
        ws.Redraw();
        return;
    }
    if (world && dpi > 0) {
        const double perPixel = 25400.0 / dpi;
        const double px = std::floor(static_cast<double>(world->x) / perPixel);
        const double py = std::floor(static_cast<double>(world->y) / perPixel);
        const int32_t level = ThresholdLevel(histogram_, choices.method, choices.level);
        found = px >= 0 && py >= 0 && px < plane_->width && py < plane_->height &&
                ObjectAt(*plane_, level, choices.darkObjects, static_cast<int32_t>(px),
                         static_cast<int32_t>(py), object);
    }
    if (!found) {
        status_ = program.GetMessage(kMsgNoObject);
        ws.Redraw();
        return;
    }
    // A refusal (the records are full) is told by the command itself.
    (void)ws.AddDetectedObjects({object}, type);
}

}  // namespace kvx
