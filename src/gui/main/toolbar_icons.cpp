#include "gui/main/toolbar_icons.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace kvx {

namespace {

const QColor kInk(40, 44, 52);
const QColor kPaper(250, 250, 246);
const QColor kBlueTint(52, 110, 190);
const QColor kGreenTint(40, 140, 70);
const QColor kRedTint(196, 50, 40);
const QColor kFolder(226, 176, 64);

void Magnifier(QPainter& p, double s, bool plus, bool minus) {
    p.setPen(QPen(kInk, s * 0.08));
    p.setBrush(QColor(220, 236, 250));
    p.drawEllipse(QRectF(s * 0.12, s * 0.12, s * 0.52, s * 0.52));
    p.setPen(QPen(kInk, s * 0.14, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.58, s * 0.58), QPointF(s * 0.88, s * 0.88));
    p.setPen(QPen(kBlueTint, s * 0.08, Qt::SolidLine, Qt::RoundCap));
    const QPointF c(s * 0.38, s * 0.38);
    if (plus || minus) p.drawLine(c - QPointF(s * 0.14, 0), c + QPointF(s * 0.14, 0));
    if (plus) p.drawLine(c - QPointF(0, s * 0.14), c + QPointF(0, s * 0.14));
}

void Page(QPainter& p, const QRectF& r, double s) {
    QPolygonF page;
    page << r.topLeft() << QPointF(r.right() - s * 0.18, r.top())
         << QPointF(r.right(), r.top() + s * 0.18) << r.bottomRight() << r.bottomLeft();
    p.setPen(QPen(kInk, s * 0.06));
    p.setBrush(kPaper);
    p.drawPolygon(page);
}

void Draw(QPainter& p, ToolbarIcon icon, double s) {
    switch (icon) {
        case ToolbarIcon::New:
            Page(p, QRectF(s * 0.2, s * 0.1, s * 0.56, s * 0.8), s);
            p.setPen(QPen(kGreenTint, s * 0.1, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(s * 0.7, s * 0.62), QPointF(s * 0.7, s * 0.9));
            p.drawLine(QPointF(s * 0.56, s * 0.76), QPointF(s * 0.84, s * 0.76));
            break;
        case ToolbarIcon::Open: {
            p.setPen(QPen(kInk, s * 0.06));
            p.setBrush(kFolder.darker(115));
            p.drawRect(QRectF(s * 0.1, s * 0.28, s * 0.8, s * 0.56));
            p.drawRect(QRectF(s * 0.1, s * 0.2, s * 0.3, s * 0.1));
            QPolygonF flap;
            flap << QPointF(s * 0.22, s * 0.42) << QPointF(s * 0.96, s * 0.42)
                 << QPointF(s * 0.84, s * 0.84) << QPointF(s * 0.1, s * 0.84);
            p.setBrush(kFolder);
            p.drawPolygon(flap);
            break;
        }
        case ToolbarIcon::Save:
            p.setPen(QPen(kInk, s * 0.06));
            p.setBrush(kBlueTint);
            p.drawRoundedRect(QRectF(s * 0.12, s * 0.12, s * 0.76, s * 0.76), s * 0.06, s * 0.06);
            p.setBrush(kPaper);
            p.drawRect(QRectF(s * 0.26, s * 0.12, s * 0.48, s * 0.28));
            p.setBrush(QColor(210, 214, 220));
            p.drawRect(QRectF(s * 0.24, s * 0.56, s * 0.52, s * 0.32));
            break;
        case ToolbarIcon::ZoomIn:
            Magnifier(p, s, true, false);
            break;
        case ToolbarIcon::ZoomOut:
            Magnifier(p, s, false, true);
            break;
        case ToolbarIcon::WholeImage: {
            p.setPen(QPen(kInk, s * 0.06));
            p.setBrush(QColor(200, 226, 200));
            p.drawRect(QRectF(s * 0.24, s * 0.24, s * 0.52, s * 0.52));
            p.setPen(QPen(kBlueTint, s * 0.08, Qt::SolidLine, Qt::RoundCap));
            const double a = s * 0.06, b = s * 0.2;
            for (const QPointF& corner :
                 {QPointF(a, a), QPointF(s - a, a), QPointF(a, s - a), QPointF(s - a, s - a)}) {
                const double dx = corner.x() < s / 2 ? b : -b;
                const double dy = corner.y() < s / 2 ? b : -b;
                p.drawLine(corner, corner + QPointF(dx, 0));
                p.drawLine(corner, corner + QPointF(0, dy));
            }
            break;
        }
        case ToolbarIcon::FineZoom:
            Magnifier(p, s, false, false);
            p.setPen(QPen(kInk, s * 0.05));
            for (int i = 0; i < 3; ++i) {
                const double x = s * (0.26 + 0.12 * i);
                p.drawLine(QPointF(x, s * 0.3), QPointF(x, s * 0.46));
            }
            break;
        case ToolbarIcon::Raster:
            p.setPen(QPen(kInk, s * 0.05));
            p.setBrush(kPaper);
            p.drawRect(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
            p.setPen(QPen(kBlueTint, s * 0.04));
            for (int i = 1; i < 4; ++i) {
                const double v = s * (0.1 + 0.2 * i);
                p.drawLine(QPointF(v, s * 0.1), QPointF(v, s * 0.9));
                p.drawLine(QPointF(s * 0.1, v), QPointF(s * 0.9, v));
            }
            break;
        case ToolbarIcon::Measure: {
            // A ruler with a red measured span above it.
            p.setPen(QPen(kInk, s * 0.05));
            p.setBrush(QColor(240, 214, 120));
            p.drawRect(QRectF(s * 0.08, s * 0.56, s * 0.84, s * 0.26));
            for (int i = 0; i < 7; ++i) {
                const double x = s * (0.16 + 0.115 * i);
                p.drawLine(QPointF(x, s * 0.56), QPointF(x, s * (i % 2 == 0 ? 0.7 : 0.64)));
            }
            p.setPen(QPen(kRedTint, s * 0.07, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(s * 0.16, s * 0.3), QPointF(s * 0.84, s * 0.3));
            p.drawLine(QPointF(s * 0.16, s * 0.18), QPointF(s * 0.16, s * 0.42));
            p.drawLine(QPointF(s * 0.84, s * 0.18), QPointF(s * 0.84, s * 0.42));
            break;
        }
        case ToolbarIcon::Modify: {
            // A grabbed point with the four-way arrows of the sizing cursor.
            p.setPen(QPen(kInk, s * 0.06, Qt::SolidLine, Qt::RoundCap));
            const QPointF c(s / 2, s / 2);
            const double r = s * 0.38, h = s * 0.1;
            for (const QPointF& d :
                 {QPointF(1, 0), QPointF(-1, 0), QPointF(0, 1), QPointF(0, -1)}) {
                const QPointF tip = c + d * r;
                p.drawLine(c, tip);
                const QPointF side(d.y(), d.x());
                p.drawLine(tip, tip - d * h + side * h);
                p.drawLine(tip, tip - d * h - side * h);
            }
            p.setPen(QPen(kInk, s * 0.04));
            p.setBrush(kRedTint);
            p.drawEllipse(c, s * 0.1, s * 0.1);
            break;
        }
        case ToolbarIcon::Wand: {
            // A wand whose tip has outlined the object beside it.
            p.setPen(QPen(QColor(255, 0, 200), s * 0.06));
            p.setBrush(QColor(120, 120, 120));
            p.drawEllipse(QRectF(s * 0.46, s * 0.1, s * 0.44, s * 0.36));
            p.setPen(QPen(kInk, s * 0.1, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(s * 0.12, s * 0.88), QPointF(s * 0.44, s * 0.56));
            p.setPen(QPen(kRedTint, s * 0.05, Qt::SolidLine, Qt::RoundCap));
            const QPointF tip(s * 0.5, s * 0.5);
            for (const QPointF& d : {QPointF(1, 0), QPointF(0, 1), QPointF(-0.7, -0.7),
                                     QPointF(0.7, 0.7), QPointF(-1, 0), QPointF(0, -1)}) {
                p.drawLine(tip + d * (s * 0.04), tip + d * (s * 0.12));
            }
            break;
        }
        case ToolbarIcon::Copy:
            Page(p, QRectF(s * 0.12, s * 0.08, s * 0.5, s * 0.64), s);
            Page(p, QRectF(s * 0.38, s * 0.28, s * 0.5, s * 0.64), s);
            p.setPen(QPen(kBlueTint, s * 0.04));
            for (int i = 0; i < 4; ++i) {
                const double y = s * (0.44 + 0.1 * i);
                p.drawLine(QPointF(s * 0.46, y), QPointF(s * 0.78, y));
            }
            break;
    }
}

}  // namespace

QPixmap MakeToolbarPixmap(ToolbarIcon icon, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    Draw(painter, icon, size);
    return pixmap;
}

QIcon MakeToolbarIcon(ToolbarIcon icon, int size) {
    QIcon result;
    result.addPixmap(MakeToolbarPixmap(icon, size));
    result.addPixmap(MakeToolbarPixmap(icon, size * 2));
    return result;
}

}  // namespace kvx
