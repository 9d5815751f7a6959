#include "gui/main/paint_box.hpp"

#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "gui/support/recording_painter.hpp"

namespace kvx {

PaintBox::PaintBox(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MainPB"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PaintBox::SetSurface(std::shared_ptr<const Recording> surface) {
    surface_ = std::move(surface);
    cacheValid_ = false;
    update();
}

void PaintBox::SetOutline(std::optional<QRect> outline) {
    if (outline == outline_) return;
    outline_ = outline;
    update();
}

QImage PaintBox::Render(QSize pixels) const {
    QImage image(pixels.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Window));
    if (surface_ && !surface_->Empty()) {
        QPainter painter(&image);
        RecordingPainter(*surface_).Paint(painter, QRect(QPoint(0, 0), pixels));
    }
    return image;
}

const QImage& PaintBox::Rendered() {
    // Drawn at the screen's own resolution: a surface drawn at the widget's
    // size and scaled up by the screen would show blurred lines and texts.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (cacheValid_ && cache_.size() == pixels.expandedTo(QSize(1, 1))) return cache_;
    if (surface_ && !surface_->Empty()) {
        cache_ = renderer_.Render(*surface_, pixels, palette().color(QPalette::Window));
    } else {
        renderer_.Forget();
        cache_ = Render(pixels);
    }
    cache_.setDevicePixelRatio(ratio);
    cacheValid_ = true;
    return cache_;
}

QImage PaintBox::Snapshot() {
    return Render(size());
}

void PaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), Rendered());
    if (outline_) {
        // One pixel wide in pure blue, on the pixels it passes through.
        painter.setPen(QPen(QColor(0, 0, 255), 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(outline_->normalized().adjusted(0, 0, -1, -1));
    }
}

void PaintBox::resizeEvent(QResizeEvent* event) {
    cacheValid_ = false;
    QWidget::resizeEvent(event);
}

void PaintBox::mousePressEvent(QMouseEvent* event) {
    emit pressed(event);
}

void PaintBox::mouseMoveEvent(QMouseEvent* event) {
    emit moved(event);
}

void PaintBox::mouseReleaseEvent(QMouseEvent* event) {
    emit released(event);
}

void PaintBox::mouseDoubleClickEvent(QMouseEvent* event) {
    // What the second press means is the tool's to say.
    emit doubleClicked(event);
}

void PaintBox::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit mouseLeft();
}

void PaintBox::SetWheelZoomPercent(int percent) {
    const double step = std::clamp(percent, 1, 90) / 100.0;
    // A pinch that doubles the size zooms as far as this many notches do.
    pinchStepsPerScale_ = std::log(2.0) / -std::log(1.0 - step);
}

void PaintBox::wheelEvent(QWheelEvent* event) {
    // One notch of an ordinary wheel is 120 eighths of a degree.
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        event->ignore();
        return;
    }
    emit zoomSteps(delta / 120.0, event->position().toPoint());
    event->accept();
}

bool PaintBox::event(QEvent* event) {
    if (event->type() == QEvent::NativeGesture) {
        const auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            // The value is the change of scale since the last event.
            emit zoomSteps(gesture->value() * pinchStepsPerScale_, gesture->position().toPoint());
            return true;
        }
    }
    return QWidget::event(event);
}

}  // namespace kvx
