// The Qt boundary: text and colour conversion, real font metrics, and the
// replay of a recorded surface onto a painter.
#include <QImage>
#include <QPainter>
#include <QtTest>
#include <memory>

#include "core/draw/recording.hpp"
#include "core/picture/picture.hpp"
#include "gui/support/core_text.hpp"
#include "gui/support/qt_text_metrics.hpp"
#include "gui/support/recording_painter.hpp"
#include "gui/support/surface_renderer.hpp"

using namespace kvx;

namespace {

constexpr QRgb kWhiteRgb = 0xFFFFFFFF;

// A 200 x 100 surface shown on a 400 x 200 image: every surface pixel
// becomes a 2 x 2 block.
QImage Replay(const Recording& recording, QSize size = QSize(400, 200)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    RecordingPainter(recording).Paint(painter, QRect(QPoint(0, 0), size));
    painter.end();
    return image;
}

int CountColour(const QImage& image, const QRect& area, QRgb colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixel(x, y) == colour) ++count;
        }
    }
    return count;
}

std::shared_ptr<Picture> FourColourPicture() {
    auto picture = std::make_shared<Picture>();
    if (!picture->pixels.Allocate(2, 2)) return nullptr;
    const uint8_t rows[2][6] = {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 255, 255, 0}};
    for (int y = 0; y < 2; ++y) std::copy(rows[y], rows[y] + 6, picture->pixels.Row(y));
    return picture;
}

}  // namespace

class SupportTest : public QObject {
    Q_OBJECT

private slots:
    void TextCrossesTheBoundaryBothWays() {
        const std::string core = "5 \xB5m \xE4\xF6\xFC \x80";  // µ, äöü, €
        const QString shown = FromCore(core);
        QCOMPARE(shown, QStringLiteral("5 \u00B5m \u00E4\u00F6\u00FC \u20AC"));
        QCOMPARE(ToCore(shown), core);
        // What Windows-1252 cannot hold is replaced, not dropped.
        QCOMPARE(ToCore(QStringLiteral("a\u4E2Db")), std::string("a?b"));
    }

    void ColoursKeepTheirChannels() {
        QCOMPARE(ToQColor(0x00FF8040), QColor(0x40, 0x80, 0xFF));
        QCOMPARE(ToQColor(kRed), QColor(Qt::red));
        QCOMPARE(FromQColor(QColor(0x12, 0x34, 0x56)), Colour{0x00563412});
        QCOMPARE(FromQColor(ToQColor(kWhite)), kWhite);
    }

    void FontsMapToTheLiberationFamilies() {
        QCOMPARE(FontFamily("Arial"), QStringLiteral("Liberation Sans"));
        QCOMPARE(FontFamily("courier new"), QStringLiteral("Liberation Mono"));
        QCOMPARE(FontFamily("Courier"), QStringLiteral("Liberation Mono"));
        QCOMPARE(FontFamily("Times New Roman"), QStringLiteral("Liberation Serif"));
        QCOMPARE(FontFamily("Verdana"), QStringLiteral("Verdana"));

        QtTextMetrics metrics;
        Font courier;
        courier.name = "Courier New";
        courier.size = 12;
        // 12 pt at 96 dpi is 16 pixels; a monospaced face gives equal widths.
        QCOMPARE(ToQFont(courier).pixelSize(), 16);
        QCOMPARE(metrics.TextWidth(courier, "iiii"), metrics.TextWidth(courier, "MMMM"));
        Font arial;
        QVERIFY(metrics.TextWidth(arial, "MMMM") > metrics.TextWidth(arial, "iiii"));
        Font bigger = arial;
        bigger.size = 24;
        QVERIFY(metrics.TextHeight(bigger, "x") > metrics.TextHeight(arial, "x"));
        QCOMPARE(metrics.TextWidth(arial, ""), 0);
    }

    void ShapesLandOnTheirScaledPixels() {
        ApproxTextMetrics approx;
        Recording recording(200, 100, approx);
        recording.SetPen(kRed, 1);
        recording.SetBrush(0x00FF0000);  // blue
        recording.Rectangle(10, 10, 30, 20);
        recording.SetPen(0x0000FF00, 1);  // green
        recording.MoveTo(50, 50);
        recording.LineTo(150, 50);
        recording.SetPixel(5, 90, kBlack);
        const QImage image = Replay(recording);

        // Inside the rectangle: blue fill; its red outline runs along the
        // pixels left .. right − 1 and top .. bottom − 1 of the surface.
        QCOMPARE(image.pixel(40, 30), qRgb(0, 0, 255));
        QCOMPARE(image.pixel(21, 21), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(59, 30), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(57, 37), qRgb(0, 0, 255));
        QCOMPARE(image.pixel(61, 30), kWhiteRgb);
        QCOMPARE(image.pixel(30, 41), kWhiteRgb);
        // The line covers its length and nothing far above or below it.
        QVERIFY(CountColour(image, QRect(100, 99, 200, 4), qRgb(0, 255, 0)) >= 190);
        QCOMPARE(CountColour(image, QRect(100, 90, 200, 6), qRgb(0, 255, 0)), 0);
        QCOMPARE(image.pixel(11, 181), qRgb(0, 0, 0));
    }

    void InvisiblePenClearBrushAndClipDrawNothing() {
        ApproxTextMetrics approx;
        Recording recording(200, 100, approx);
        recording.SetPen(kRed, 1, kPenInvisible);
        recording.SetBrush(kBlack, BrushStyle::kClear);
        recording.Rectangle(10, 10, 60, 60);
        recording.SetClipRect({100, 0, 200, 100});
        recording.SetPen(kBlack, 3);
        recording.SetBrush(kBlack);
        recording.Rectangle(60, 20, 140, 40);
        recording.ResetClip();
        recording.Ellipse(10, 70, 30, 90);
        const QImage image = Replay(recording);

        QCOMPARE(CountColour(image, QRect(0, 0, 130, 130), qRgb(0, 0, 0)), 0);
        // Only the part right of x = 100 is drawn; then the clip is gone.
        QCOMPARE(CountColour(image, QRect(120, 40, 78, 40), qRgb(0, 0, 0)), 0);
        QCOMPARE(image.pixel(240, 60), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(40, 160), qRgb(0, 0, 0));
    }

    void TextIsDrawnOnItsBackground() {
        QtTextMetrics metrics;
        Recording recording(200, 100, metrics);
        recording.font().name = "Arial";
        recording.font().size = 20;
        recording.font().colour = kBlack;
        recording.SetBrush(0x0000FFFF);  // yellow
        recording.TextOut(20, 20, "HH");
        const QImage image = Replay(recording);
        const auto text = recording.OpsOf<draw_op::Text>();
        QCOMPARE(text.size(), std::size_t{1});
        const QRect box(40, 40, 2 * text[0]->width, 2 * text[0]->height);
        QVERIFY(CountColour(image, box, qRgb(255, 255, 0)) > 0);
        QVERIFY(CountColour(image, box, qRgb(0, 0, 0)) > 20);
        QCOMPARE(CountColour(image, QRect(0, 0, 400, 38), qRgb(0, 0, 0)), 0);
    }

    void PicturesAreStretchedAndCutToTheTarget() {
        const auto picture = FourColourPicture();
        QVERIFY(picture != nullptr);
        ApproxTextMetrics approx;
        Recording recording(200, 100, approx);
        // Reaches beyond the surface on the right: only the visible part shows.
        recording.StretchPicture({100, 0, 300, 100}, picture);
        const QImage image = Replay(recording);
        QCOMPARE(image.pixel(50, 50), kWhiteRgb);
        QCOMPARE(image.pixel(250, 50), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(390, 50), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(250, 150), qRgb(0, 0, 255));
        // Every row of the visible part is there, none shifted.
        QCOMPARE(CountColour(image, QRect(200, 0, 200, 100), qRgb(255, 0, 0)), 200 * 100);
        QCOMPARE(CountColour(image, QRect(200, 100, 200, 100), qRgb(0, 0, 255)), 200 * 100);
        // Shrunk into a smaller target, the layout keeps its proportions.
        const QImage small = Replay(recording, QSize(200, 100));
        QCOMPARE(small.pixel(125, 25), qRgb(255, 0, 0));
        QCOMPARE(small.pixel(125, 75), qRgb(0, 0, 255));
    }

    void AKeptPictureIsPaintedOverAsIfEverythingWereDrawnAgain() {
        const auto picture = FourColourPicture();
        QVERIFY(picture != nullptr);
        ApproxTextMetrics approx;
        // The picture under a clip that the objects drawn after it keep; a
        // symbol and a label as the objects have them.
        const auto surface = [&](int pictureLeft, int lineY) {
            auto recording = std::make_unique<Recording>(200, 100, approx);
            recording->SetClipRect({0, 0, 150, 100});
            recording->StretchPicture({pictureLeft, 0, pictureLeft + 100, 100}, picture);
            recording->SetPen(kBlack, 3);
            recording->Line({0, lineY}, {200, lineY});
            recording->SetPen(kBlack, 1);
            recording->Ellipse(110, lineY - 10, 120, lineY);
            recording->font() = Font{"Arial", 12};
            recording->TextOut(100, lineY + 4, "Obj 17");
            return recording;
        };
        SurfaceRenderer renderer;
        const QSize size(400, 200);
        const auto first = surface(20, 30);
        QCOMPARE(renderer.Render(*first, size, Qt::white), Replay(*first, size));
        QCOMPARE(renderer.PicturePaints(), 1);
        // Only the line moved: the picture is taken from what was kept, and
        // the line stops at the clip set before the picture.
        const QImage held = renderer.Render(*first, size, Qt::white);
        const auto moved = surface(20, 70);
        const QImage shown = renderer.Render(*moved, size, Qt::white);
        QCOMPARE(shown, Replay(*moved, size));
        // An image handed out earlier and still held is not painted over.
        QCOMPARE(held, Replay(*first, size));
        QCOMPARE(renderer.PicturePaints(), 1);
        QCOMPARE(shown.pixel(350, 140), kWhiteRgb);
        QCOMPARE(shown.pixel(250, 140), qRgb(0, 0, 0));
        QCOMPARE(shown.pixel(100, 60), qRgb(255, 0, 0));  // no trace of the old line
        // The picture moved, or the size changed: painted anew.
        const auto panned = surface(60, 70);
        QCOMPARE(renderer.Render(*panned, size, Qt::white), Replay(*panned, size));
        QCOMPARE(renderer.PicturePaints(), 2);
        QCOMPARE(renderer.Render(*first, size, Qt::white), Replay(*first, size));
        QCOMPARE(renderer.PicturePaints(), 3);
        QCOMPARE(held, Replay(*first, size));
        QCOMPARE(renderer.Render(*panned, size, Qt::white), Replay(*panned, size));
        QCOMPARE(renderer.Render(*panned, QSize(200, 100), Qt::white),
                 Replay(*panned, QSize(200, 100)));
        QCOMPARE(renderer.PicturePaints(), 5);
    }

    void CopiedEllipsesLookAsDrawnOnes() {
        // Thin ellipses are copied from one drawn before onto images that
        // take pixels as they are, and drawn one by one onto others (RGB888):
        // both must show the same. Flat ellipses reach beyond their
        // rectangle; some lie across the edges of the image or under a clip.
        ApproxTextMetrics approx;
        Recording recording(400, 200, approx);
        const std::array<int, 9> sides{2, 3, 5, 8, 13, 21, 34, 55, 97};
        int x = -9;
        int y = -7;
        int n = 0;
        for (const int w : sides) {
            for (const int h : sides) {
                switch (n++ % 4) {
                    case 0:
                        recording.SetPen(kRed, 1);
                        recording.SetBrush(0x0000FF00);
                        break;
                    case 1:
                        recording.SetBrush(kBlack, BrushStyle::kClear);
                        break;
                    case 2:
                        recording.SetPen(kBlack, 1, kPenInvisible);
                        recording.SetBrush(0x00FF0000);
                        break;
                    default:
                        recording.SetPen(0x00FF00FF, 1);
                        recording.SetBrush(kWhite);
                        break;
                }
                if (n == 40) recording.SetClipRect({150, 30, 260, 170});
                if (n == 60) recording.ResetClip();
                recording.Ellipse(x, y, x + w, y + h);
                x += w / 2 + 17;
                if (x > 400) {
                    x = -9 + n % 7;
                    y += 23;
                }
            }
        }
        for (const QSize size : {QSize(200, 100), QSize(148, 74), QSize(130, 61)}) {
            QImage copied(size, QImage::Format_RGB32);
            copied.fill(Qt::white);
            QImage drawn(size, QImage::Format_RGB888);
            drawn.fill(Qt::white);
            for (QImage* image : {&copied, &drawn}) {
                QPainter painter(image);
                RecordingPainter(recording).Paint(painter, QRect(QPoint(0, 0), size));
            }
            QVERIFY(CountColour(copied, copied.rect(), qRgb(0, 255, 0)) > 100);
            QCOMPARE(copied.convertToFormat(QImage::Format_RGB888), drawn);
        }
    }

    void PaintingInOneGoEqualsPaintingEachOperationAlone() {
        // Each operation painted by itself starts from a painter that holds
        // nothing of the ones before it; painted in one go, the pens,
        // brushes, fonts and transforms they leave behind must not show.
        const auto picture = FourColourPicture();
        QVERIFY(picture != nullptr);
        QtTextMetrics metrics;
        Recording recording(200, 100, metrics);
        recording.SetPen(kRed, 1);
        recording.SetBrush(kRed);
        recording.Ellipse(10, 10, 20, 20);
        recording.Ellipse(30, 10, 40, 21);
        recording.Line({0, 30}, {200, 30});  // after ellipses drawn on the device
        recording.SetBrush(kBlack, BrushStyle::kClear);
        recording.Ellipse(50, 10, 60, 20);
        recording.SetPen(kBlack, 4, kPenInsideFrame);
        recording.Ellipse(70, 5, 95, 28);
        recording.SetPen(0x00FF0000, 1, kPenDash);
        recording.Ellipse(100, 5, 120, 28);
        recording.SetPen(kRed, 1);
        recording.font() = Font{"Arial", 10, 0, kRed};
        recording.SetBrush(kWhite);
        recording.TextOut(150, 5, "Obj 1");  // the text colour is the shape pen's
        recording.SetBrush(0x0000FF00);
        recording.Rectangle(130, 5, 150, 25);
        // A clip returns the painter to the state before the first operation.
        recording.SetClipRect({0, 40, 100, 100});
        recording.Ellipse(10, 50, 20, 60);
        recording.StretchPicture({20, 40, 60, 80}, picture);
        recording.Ellipse(30, 50, 40, 60);
        recording.TextOut(40, 60, "Obj 1");
        recording.ResetClip();
        recording.Ellipse(90, 50, 110, 60);  // the same pen and brush as before the reset
        recording.font().colour = 0x00FF0000;
        recording.TextOut(120, 60, "Obj 1");
        const std::array<CanvasPoint, 3> corners{{{150, 40}, {190, 45}, {170, 90}}};
        recording.Polygon(corners);
        recording.Polyline(corners);
        recording.SetPixel(195, 95, kBlack);
        recording.Ellipse(120, 80, 130, 90);

        for (const QSize size : {QSize(400, 200), QSize(130, 70), QSize(317, 211)}) {
            QImage alone(size, QImage::Format_RGB32);
            alone.fill(Qt::white);
            {
                QPainter painter(&alone);
                RecordingPainter::TextLayouts layouts;
                for (std::size_t i = 0; i < recording.Size(); ++i) {
                    RecordingPainter(recording, &layouts)
                        .Paint(painter, QRect(QPoint(0, 0), size), i, i + 1);
                }
            }
            QCOMPARE(Replay(recording, size), alone);
            SurfaceRenderer renderer;
            QCOMPARE(renderer.Render(recording, size, Qt::white), alone);
        }
    }
};

QTEST_MAIN(SupportTest)
#include "support_test.moc"
