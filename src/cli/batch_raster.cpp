#include "cli/batch_raster.hpp"

#include <QImage>
#include <QPainter>
#include <cstring>

#include "gui/support/qt_text_metrics.hpp"
#include "gui/support/recording_painter.hpp"

namespace kvx::batch {

namespace {

bool Rasterize(const Recording& recording, int32_t side, PixelImage& image) {
    QImage canvas(side, side, QImage::Format_RGB888);
    if (canvas.isNull()) return false;
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        RecordingPainter(recording).Paint(painter, QRect(0, 0, side, side));
    }
    if (!image.Allocate(side, side)) return false;
    const auto rowBytes = static_cast<std::size_t>(side) * 3;
    for (int32_t y = 0; y < side; ++y) std::memcpy(image.Row(y), canvas.constScanLine(y), rowBytes);
    return true;
}

}  // namespace

RenderBackend QtRenderBackend() {
    RenderBackend backend;
    backend.metrics = std::make_shared<QtTextMetrics>();
    backend.rasterize = Rasterize;
    return backend;
}

}  // namespace kvx::batch
