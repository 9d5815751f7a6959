#pragma once

#include <memory>
#include <string>

#include "core/detect/sample_plane.hpp"
#include "core/workspace/tools/zoom_tool.hpp"

namespace kvx {

/// Outline by click: a click inside an object of the picture adds its
/// outline, at the kept detection settings, as one polygon of the current
/// type; a drag to the lower right still zooms. An automatic level comes
/// from the whole picture's histogram. The picture's values are read once
/// and kept while the tool is active.
class WandTool : public ZoomTool {
public:
    using ZoomTool::ZoomTool;

    std::string_view Name() const override { return "wand"; }
    void Press(const MouseEvent& event) override;
    void Release(const MouseEvent& event) override;
    void Cancel() override;
    std::string StatusText() const override { return status_; }

private:
    /// The picture's values in the channel asked for; false when the
    /// picture cannot be read.
    bool EnsurePlane(SampleChannel channel);
    void OutlineAt(const MouseEvent& event);

    std::string status_;
    DecodeStatus planeStatus_ = DecodeStatus::Ok;  ///< how the picture for the plane was read
    std::string planePath_;
    const void* planePicture_ = nullptr;
    SampleChannel planeChannel_ = SampleChannel::kLuminance;
    std::unique_ptr<SamplePlane> plane_;
    Histogram histogram_;
};

}  // namespace kvx
