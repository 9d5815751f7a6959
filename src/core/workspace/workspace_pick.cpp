#include <algorithm>

#include "core/detect/shape_table.hpp"
#include "core/measure/capture.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

void Workspace::PickObjects(std::vector<int32_t> firstPoints) {
    NoticeScope notice(*this);
    std::erase_if(firstPoints, [&](int32_t first) {
        return ShapeOfObject(history_, program_.objectTypes, first).points.empty();
    });
    std::sort(firstPoints.begin(), firstPoints.end());
    firstPoints.erase(std::unique(firstPoints.begin(), firstPoints.end()), firstPoints.end());
    if (firstPoints == picked_) return;
    picked_ = std::move(firstPoints);
    Changed(Change::Picked);
    Redraw();
}

void Workspace::PickObjectAt(int32_t x, int32_t y, int32_t boxWidth, int32_t boxHeight,
                             bool toggle) {
    NoticeScope notice(*this);
    const auto world = MouseToWorld(x, y, boxWidth, boxHeight);
    if (!world || fileState_ == kNoProject) return;
    const auto tolerance = static_cast<double>(HitTolerance(project_.view.viewSize));
    const int32_t hit =
        ObjectAt(history_, program_.objectTypes,
                 {static_cast<double>(world->x), static_cast<double>(world->y)}, tolerance);
    std::vector<int32_t> picked;
    if (toggle) {
        picked = picked_;
        if (hit != 0 && std::erase(picked, hit) == 0) picked.push_back(hit);
    } else if (hit != 0) {
        picked.push_back(hit);
    }
    PickObjects(std::move(picked));
}

void Workspace::PrunePicked() {
    if (picked_.empty()) return;
    const std::size_t before = picked_.size();
    if (fileState_ == kNoProject) {
        picked_.clear();
    } else {
        std::erase_if(picked_, [&](int32_t first) {
            return ShapeOfObject(history_, program_.objectTypes, first).points.empty();
        });
    }
    if (picked_.size() != before) Changed(Change::Picked);
}

}  // namespace kvx
