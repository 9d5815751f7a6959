#include "gui/main/paint_box.hpp"

#include <QMouseEvent>
#include <QPainter>

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

const QImage& PaintBox::Rendered() {
    if (cacheValid_ && cache_.size() == size()) return cache_;
    cache_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    cache_.fill(palette().color(QPalette::Window));
    if (surface_ && !surface_->Empty()) {
        QPainter painter(&cache_);
        RecordingPainter(*surface_).Paint(painter, QRect(QPoint(0, 0), size()));
    }
    cacheValid_ = true;
    return cache_;
}

QImage PaintBox::Snapshot() {
    return Rendered().copy(QRect(QPoint(0, 0), size()));
}

void PaintBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, Rendered());
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
    // The second press of a double click is a press like any other.
    emit pressed(event);
}

}  // namespace kvx
