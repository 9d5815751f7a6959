#include "gui/support/surface_renderer.hpp"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <variant>

#include "gui/support/recording_painter.hpp"

namespace kvx {

namespace {

// One past the last picture of the surface; 0 without a picture.
std::size_t PictureEnd(const std::vector<DrawOp>& ops) {
    for (std::size_t i = ops.size(); i > 0; --i) {
        if (std::holds_alternative<draw_op::StretchPicture>(ops[i - 1])) return i;
    }
    return 0;
}

}  // namespace

const QImage& SurfaceRenderer::Render(const Recording& surface, QSize pixels,
                                      const QColor& background) {
    pixels = pixels.expandedTo(QSize(1, 1));
    const QRect target(QPoint(0, 0), pixels);
    const std::vector<DrawOp>& ops = surface.Ops();
    if (pixels != layoutSize_) {
        layouts_.clear();
        layoutSize_ = pixels;
    }
    const std::size_t end = PictureEnd(ops);
    if (end == 0) {
        // Nothing worth keeping; neither are the pictures of a former surface.
        kept_ = QImage();
        keptOps_.clear();
        image_ = QImage(pixels, QImage::Format_RGB32);
        image_.fill(background);
        QPainter painter(&image_);
        RecordingPainter(surface, &layouts_).Paint(painter, target);
        return image_;
    }
    const bool same = kept_.size() == pixels && keptBackground_ == background &&
                      keptOps_.size() == end &&
                      std::equal(keptOps_.begin(), keptOps_.end(), ops.begin());
    if (!same) {
        // A pan paints the picture anew on every step: the image it was
        // kept in is painted over rather than given back and asked for again.
        if (kept_.size() != pixels || !kept_.isDetached()) {
            kept_ = QImage(pixels, QImage::Format_RGB32);
        }
        kept_.fill(background);
        {
            QPainter painter(&kept_);
            RecordingPainter(surface, &layouts_).Paint(painter, target, 0, end);
        }
        keptOps_.assign(ops.begin(), ops.begin() + static_cast<std::ptrdiff_t>(end));
        keptBackground_ = background;
        ++picturePaints_;
    }
    if (image_.size() == pixels && image_.format() == kept_.format() && image_.isDetached()) {
        // Nobody holds the former result any more; its memory takes the copy.
        std::memcpy(image_.bits(), kept_.constBits(),
                    static_cast<std::size_t>(kept_.sizeInBytes()));
    } else {
        image_ = kept_.copy();
    }
    QPainter painter(&image_);
    RecordingPainter(surface, &layouts_).Paint(painter, target, end, ops.size());
    return image_;
}

void SurfaceRenderer::Forget() {
    kept_ = QImage();
    keptOps_.clear();
    layouts_.clear();
}

}  // namespace kvx
