#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>

#include "core/draw/recording.hpp"
#include "gui/support/surface_renderer.hpp"

namespace kvx {

/// `MainPB`: shows the recorded measuring field stretched onto itself and,
/// over it, the outline of a zoom rectangle being dragged. Mouse events are
/// passed on as they come; the window decides what they mean.
class PaintBox : public QWidget {
    Q_OBJECT
public:
    explicit PaintBox(QWidget* parent = nullptr);

    /// The surface of the last redraw; null keeps the window's background.
    void SetSurface(std::shared_ptr<const Recording> surface);
    /// The zoom outline between two paint-box pixels; none removes it.
    void SetOutline(std::optional<QRect> outline);
    /// The wheel's zoom percentage (the setting) that a pinch is counted in.
    void SetWheelZoomPercent(int percent);

    /// The paint box as it shows on screen (without the zoom outline), one
    /// pixel per pixel of its size (not of a high-resolution screen): what
    /// the picture export copies.
    QImage Snapshot();

signals:
    void pressed(QMouseEvent* event);
    void moved(QMouseEvent* event);
    void released(QMouseEvent* event);
    /// The second press of a double click.
    void doubleClicked(QMouseEvent* event);
    /// The mouse has gone off the box.
    void mouseLeft();
    /// A turn of the wheel or a touchpad pinch at a paint-box pixel: steps of
    /// the wheel's zoom (fractions from high-resolution wheels), positive in.
    void zoomSteps(double steps, QPoint at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    QImage Render(QSize pixels) const;
    const QImage& Rendered();

    std::shared_ptr<const Recording> surface_;
    std::optional<QRect> outline_;
    /// Wheel steps a pinch of scale 1 (twice the size) stands for.
    double pinchStepsPerScale_ = 3.1;
    // Replaying a large recording costs more than a repaint should; the
    // result is kept until the surface or the size changes.
    QImage cache_;
    bool cacheValid_ = false;
    // A redraw that leaves the view as it was is painted over the picture
    // as last shown, not resampled again.
    SurfaceRenderer renderer_;
};

}  // namespace kvx
