#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <cstddef>
#include <vector>

#include "core/draw/recording.hpp"
#include "gui/support/recording_painter.hpp"

namespace kvx {

/// Paints recorded surfaces onto images of one size, one after the other,
/// the way a paint box shows each redraw. Resampling the picture is what a
/// redraw costs most; so everything up to the last picture of a surface is
/// kept as an image, and a following surface that begins with the same
/// operations (the same picture at the same place, the same background) is
/// painted over a copy of it, only its later operations drawn anew. The
/// result equals painting every operation. Texts are laid out once for a
/// size and drawn from that layout afterwards.
class SurfaceRenderer {
public:
    /// The surface stretched onto an image of `pixels`, laid on background.
    const QImage& Render(const Recording& surface, QSize pixels, const QColor& background);
    /// Drops what is kept (and with it the pictures it holds on to).
    void Forget();
    /// How often the operations up to a picture were painted rather than
    /// taken from what was kept.
    int PicturePaints() const { return picturePaints_; }

private:
    QImage kept_;
    std::vector<DrawOp> keptOps_;
    QColor keptBackground_;
    QImage image_;
    RecordingPainter::TextLayouts layouts_;
    QSize layoutSize_;
    int picturePaints_ = 0;
};

}  // namespace kvx
