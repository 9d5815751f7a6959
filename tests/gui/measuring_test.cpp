// Measuring on the real window as a person does it: a type chosen in the
// selector, clicks on the paint box, the Measure and Modify commands, the
// object and properties dialogs, the grids beside the image and saving.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "core/detect/detect_choices.hpp"
#include "core/draw/recording.hpp"
#include "core/options/detect_dialog_model.hpp"
#include "core/program/program.hpp"
#include "core/project/project.hpp"
#include "core/workspace/workspace.hpp"
#include "gui/main/main_window.hpp"
#include "gui/main/paint_box.hpp"
#include "gui/measure/value_grids.hpp"
#include "gui/options/detect_dialog.hpp"
#include "gui/support/core_text.hpp"
#include "gui_test_support.hpp"

using namespace kvx;
using namespace kvx::test;

namespace {

// Types of the shipped object-type file.
constexpr int kLength = 1;     // Two Point Line
constexpr int kArea = 2;       // Polygon
constexpr int kCountType = 3;  // Count
constexpr int kValue = 4;      // Text
constexpr int kDiameter = 7;   // Two Point Line

// Statistics grid rows.
constexpr int kRowN = 0;
constexpr int kRowMin = 1;
constexpr int kRowMax = 2;
constexpr int kRowMean = 3;

// A length or area in the table unit (mm) as the grids write it: three
// decimals, but a whole number as "n.0".
QString Mm(double value) {
    const QString number = value == std::floor(value)
                               ? QString::number(value, 'f', 0) + QStringLiteral(".0")
                               : QString::number(value, 'f', 3);
    return number + QStringLiteral(" mm");
}

// A light PNG with dark discs of radius 25 in 3 columns and 2 rows; the
// pixels of each (centres inside) are counted into pixels.
QString SaveDiscs(const QString& path, std::vector<int>& pixels) {
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(QColor(225, 220, 210));
    pixels.clear();
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 3; ++c) {
            const double cx = 70.0 + 130.0 * c, cy = 75.0 + 150.0 * r;
            int n = 0;
            for (int y = 0; y < 300; ++y) {
                for (int x = 0; x < 400; ++x) {
                    const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
                    if (dx * dx + dy * dy > 25.0 * 25.0) continue;
                    image.setPixel(x, y, qRgb(60, 50, 40));
                    ++n;
                }
            }
            pixels.push_back(n);
        }
    }
    return image.save(path, "PNG") ? path : QString();
}

QString Cell(const QTableWidget& grid, int row, int column) {
    const QTableWidgetItem* item = grid.item(row, column);
    return item != nullptr ? item->text() : QString();
}

}  // namespace

class MeasuringTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home_;
    QString documents_;

    QString Image(const QString& name) {
        return SaveTestJpeg(documents_ + QLatin1Char('/') + name);
    }

    // A window with a project started on a fresh 400 × 300 image at 1200 dpi,
    // past the first input after start-up.
    std::unique_ptr<MainWindow> Start(const QString& imageName = QStringLiteral("slide.jpg")) {
        auto window = StartWindow(Image(imageName));
        window->startup().started = 2;
        window->workspace().Redraw();
        return window;
    }

    static PaintBox& Box(MainWindow& window) { return *Find<PaintBox>(window, "MainPB"); }
    static ValueGrid& DGrid(MainWindow& window) { return *Find<ValueGrid>(window, "DGrid"); }
    static StatisticsGrid& VGrid(MainWindow& window) {
        return *Find<StatisticsGrid>(window, "vGrid");
    }

    // The world micrometres a paint-box pixel stands for: the view as last
    // drawn, stretched over the paint box, integer arithmetic.
    static qint64 WorldX(MainWindow& window, int px) {
        const DrawnView& v = window.workspace().drawnView();
        return qint64{px} * v.drawnWidth / Box(window).width() + v.drawnLeft;
    }
    static qint64 WorldY(MainWindow& window, int py) {
        const DrawnView& v = window.workspace().drawnView();
        return qint64{py} * v.drawnHeight / Box(window).height() + v.drawnTop;
    }

    static void Click(MainWindow& window, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(&Box(window), button, Qt::NoModifier, at);
    }

    // A double click as the mouse makes it: press, release, second press.
    static void DoubleClick(QTableWidget& grid, QPoint at) {
        QWidget* area = grid.viewport();
        QTest::mouseClick(area, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(area, Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(area, Qt::LeftButton, Qt::NoModifier, at);
    }

    static void Measure(MainWindow& window) {
        QTest::mouseClick(Find<QToolButton>(window, "ImgVec"), Qt::LeftButton);
    }

    // Opens the selector's list and picks the item of a type with Enter.
    static void ChooseType(MainWindow& window, int type) {
        auto* cbo = Find<QComboBox>(window, "cbo");
        QVERIFY(cbo->isEnabled());
        const int index = cbo->findData(type);
        QVERIFY2(index >= 0, qPrintable(QString::number(type)));
        cbo->showPopup();
        QAbstractItemView* list = cbo->view();
        QTRY_VERIFY(list->isVisible());
        list->setCurrentIndex(list->model()->index(index, 0));
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY(!list->isVisible());
        QCOMPARE(window.workspace().currentType(), type);
    }

    // One object: Measure, the clicks, Measure.
    static void MoveTo(MainWindow& window, QPoint at) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), Box(window).mapToGlobal(QPointF(at)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&Box(window), &move);
    }

    static QString Readout(MainWindow& window) {
        return Find<QLabel>(window, "StBarReadout")->text();
    }

    // The red handles of modify mode on the surface, as their diameters in
    // paint-box pixels.
    static std::vector<double> HandleSizes(MainWindow& window) {
        std::vector<double> sizes;
        const auto& surface = window.workspace().windowState().surface;
        if (!surface) return sizes;
        for (const auto* e : surface->OpsOf<draw_op::Ellipse>()) {
            if (e->brush.colour != 255) continue;
            sizes.push_back(double(e->rect.right - e->rect.left) * Box(window).width() / 2000.0);
        }
        return sizes;
    }

    static void MeasureObject(MainWindow& window, const std::vector<QPoint>& clicks) {
        Measure(window);
        QVERIFY(window.workspace().captureState() >= 1);
        for (const QPoint& at : clicks) Click(window, at);
        Measure(window);
    }

private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(home_->isValid());
        documents_ = FreshUserFolders(home_->path()).documents;
    }

    void ClicksFollowTheViewOfTheImage() {
        auto window = Start();
        Workspace& ws = window->workspace();
        // 400 pixels at 1200 dpi are 8466.67 µm: the view is the square of
        // 8467 µm from the image's corner.
        QCOMPARE(ws.project().resolutionDpi, 1200);
        const DrawnView view = ws.drawnView();
        QCOMPARE(view.drawnLeft, 0);
        QCOMPARE(view.drawnTop, 0);
        QCOMPARE(view.drawnWidth, 8467);
        QCOMPARE(view.drawnHeight, 8467);

        ChooseType(*window, kLength);
        const QPoint a(100, 200);
        const QPoint b(400, 200);
        MeasureObject(*window, {a, b});
        QCOMPARE(ws.history().Count(), 2);
        const MeasuredObject first = ws.history().Peek(1);
        const MeasuredObject second = ws.history().Peek(2);
        QCOMPARE(first.x, double(WorldX(*window, a.x())));
        QCOMPARE(first.y, double(WorldY(*window, a.y())));
        QCOMPARE(second.x, double(WorldX(*window, b.x())));
        QCOMPARE(first.typeIndex, kLength);
        QCOMPARE(first.vertexKind, 1);
        QCOMPARE(second.vertexKind, 2);
        // A two-point line ends measure mode by itself.
        QCOMPARE(ws.captureState(), 0);
        QVERIFY(!Find<QToolButton>(*window, "ImgVec")->isChecked());
        QCOMPARE(ws.fileState(), int(kChanged));

        const double length = double(WorldX(*window, b.x()) - WorldX(*window, a.x()));
        QCOMPARE(Cell(DGrid(*window), 0, 1), Mm(length / 1000));
        if (Box(*window).width() == 452) {
            // 100 × 8467 div 452 = 1873 and 400 × 8467 div 452 = 7492.
            QCOMPARE(first.x, 1873.0);
            QCOMPARE(Cell(DGrid(*window), 0, 1), QStringLiteral("5.619 mm"));
        }
        QCOMPARE(Cell(VGrid(*window), kRowN, 1), QStringLiteral("1"));
        QCOMPARE(Cell(VGrid(*window), kRowMax, 1), Mm(length / 1000));
        QCOMPARE(Cell(VGrid(*window), kRowMean, 1), QString());
    }

    void LinesListTheirLengthsAndADoubleClickExcludesOne() {
        auto window = Start();
        Workspace& ws = window->workspace();
        ChooseType(*window, kLength);
        // Three horizontal lines of 100, 300 and 200 pixels.
        const int lengths[] = {100, 300, 200};
        double world[3];
        for (int i = 0; i < 3; ++i) {
            const int y = 100 + 80 * i;
            MeasureObject(*window, {QPoint(50, y), QPoint(50 + lengths[i], y)});
            world[i] = double(WorldX(*window, 50 + lengths[i]) - WorldX(*window, 50));
        }
        QCOMPARE(ws.history().Count(), 6);
        ValueGrid& values = DGrid(*window);
        StatisticsGrid& stats = VGrid(*window);
        QCOMPARE(values.rowCount(), 3);
        for (int i = 0; i < 3; ++i) QCOMPARE(Cell(values, i, 1), Mm(world[i] / 1000));
        QCOMPARE(Cell(values, 0, 0), QStringLiteral("1 (min)"));
        QCOMPARE(Cell(values, 1, 0), QStringLiteral("2 (max)"));
        QCOMPARE(Cell(values, 2, 0), QStringLiteral("3"));
        QCOMPARE(Cell(stats, kRowN, 1), QStringLiteral("3"));
        QCOMPARE(Cell(stats, kRowMin, 1), Mm(world[0] / 1000));
        QCOMPARE(Cell(stats, kRowMax, 1), Mm(world[1] / 1000));
        QCOMPARE(Cell(stats, kRowMean, 1), Mm((world[0] + world[1] + world[2]) / 3 / 1000));
        QVERIFY(values.isEnabled());

        // The longest line is left out: the next longest carries the mark.
        const QRect cell = values.visualItemRect(values.item(1, 1));
        DoubleClick(values, cell.center());
        QCOMPARE(Cell(values, 1, 1), QLatin1Char('[') + Mm(world[1] / 1000) + QLatin1Char(']'));
        QCOMPARE(Cell(values, 1, 0), QStringLiteral("2"));
        QCOMPARE(Cell(values, 2, 0), QStringLiteral("3 (max)"));
        QCOMPARE(Cell(stats, kRowN, 1), QStringLiteral("2"));
        QCOMPARE(Cell(stats, kRowMax, 1), Mm(world[2] / 1000));
        QCOMPARE(Cell(stats, kRowMean, 1), Mm((world[0] + world[2]) / 2 / 1000));
        QVERIFY(ws.history().Peek(3).excluded);
        QVERIFY(!ws.history().Peek(4).excluded);

        // A second double click takes it back in.
        DoubleClick(values, cell.center());
        QCOMPARE(Cell(values, 1, 1), Mm(world[1] / 1000));
        QCOMPARE(Cell(stats, kRowN, 1), QStringLiteral("3"));
        QVERIFY(!ws.history().Peek(3).excluded);

        // Five clicks make two pairs; the fifth point is dropped.
        MeasureObject(*window, {QPoint(380, 100), QPoint(420, 100), QPoint(380, 150),
                                QPoint(420, 150), QPoint(380, 200)});
        QCOMPARE(ws.history().Count(), 10);
        QCOMPARE(ws.captureState(), 0);
        QCOMPARE(values.rowCount(), 5);
    }

    void ClosedShapesStoreTheirClosingPoint() {
        auto window = Start();
        Workspace& ws = window->workspace();
        ChooseType(*window, kArea);
        const QPoint corners[] = {QPoint(100, 100), QPoint(300, 100), QPoint(300, 250),
                                  QPoint(100, 250)};
        MeasureObject(*window, {corners[0], corners[1], corners[2], corners[3]});
        // A polygon leaves measure mode on, ready for the next one.
        QCOMPARE(ws.captureState(), 2);
        QVERIFY(!DGrid(*window).isEnabled());
        QVERIFY(!Find<QComboBox>(*window, "cbo")->isEnabled());
        QCOMPARE(ws.history().Count(), 5);
        const MeasuredObject closing = ws.history().Peek(5);
        QCOMPARE(closing.x, ws.history().Peek(1).x);
        QCOMPARE(closing.y, ws.history().Peek(1).y);
        QCOMPARE(closing.vertexKind, 2);
        QCOMPARE(ws.history().Peek(1).vertexKind, 1);

        // Two clicks make no area and no closing copy.
        for (const QPoint& at : {QPoint(400, 300), QPoint(450, 300)}) Click(*window, at);
        Measure(*window);
        QCOMPARE(ws.history().Count(), 7);
        Measure(*window);
        QCOMPARE(ws.captureState(), 0);
        QVERIFY(DGrid(*window).isEnabled());

        const double width = double(WorldX(*window, 300) - WorldX(*window, 100));
        const double height = double(WorldY(*window, 250) - WorldY(*window, 100));
        QCOMPARE(ws.valueList().Count(), 1);
        QCOMPARE(ws.valueList().Entry(1).value, width * height);
        QCOMPARE(Cell(DGrid(*window), 0, 1), Mm(width * height / 1e6));

        // Count: four clicks, then three; each object keeps a closing copy
        // and counts its clicks.
        ChooseType(*window, kCountType);
        Measure(*window);
        for (const QPoint& at :
             {QPoint(50, 400), QPoint(80, 400), QPoint(110, 400), QPoint(140, 400)}) {
            Click(*window, at);
        }
        Measure(*window);
        // A right click captures like a left one.
        Click(*window, QPoint(50, 450));
        Click(*window, QPoint(80, 450), Qt::RightButton);
        Click(*window, QPoint(110, 450));
        QCOMPARE(ws.pending().size(), std::size_t{3});
        Measure(*window);
        Measure(*window);
        QCOMPARE(ws.captureState(), 0);
        QCOMPARE(ws.history().Count(), 7 + 5 + 4);
        QCOMPARE(ws.history().Peek(12).x, ws.history().Peek(8).x);
        QCOMPARE(ws.history().Peek(12).vertexKind, 2);
        QCOMPARE(ws.history().Peek(12).typeIndex, kCountType);
        ValueGrid& values = DGrid(*window);
        QCOMPARE(values.rowCount(), 2);
        QCOMPARE(Cell(values, 0, 1), QStringLiteral("4"));
        QCOMPARE(Cell(values, 1, 1), QStringLiteral("3"));
        QCOMPARE(Cell(VGrid(*window), kRowMean, 1), QStringLiteral("3.500"));
        QCOMPARE(Cell(VGrid(*window), kRowMin, 1), QStringLiteral("3"));
    }

    void ObjectDialogChoosesTypeAndLabel() {
        auto window = Start();
        Workspace& ws = window->workspace();
        QCOMPARE(ws.currentType(), 0);

        // No type chosen: the first click asks for one.
        Measure(*window);
        PaintBox* box = &Box(*window);
        ModalScript chooseType({[box](QWidget& dialog) {
            QCOMPARE(dialog.objectName(), QStringLiteral("TVecName"));
            // It opens a little inside the paint box's corner.
            QCOMPARE(dialog.pos(), box->mapToGlobal(QPoint(60, 60)));
            auto* types = Find<QComboBox>(dialog, "ComboBox1");
            QVERIFY(types->currentText().startsWith(QStringLiteral("155 ")));
            int index = -1;
            for (int i = 0; i < types->count(); ++i) {
                if (types->itemText(i).startsWith(QStringLiteral("  7 "))) index = i;
            }
            QVERIFY(index >= 0);
            types->setCurrentIndex(index);
            // A two-point line needs no label.
            QVERIFY(!Find<QLineEdit>(dialog, "Edit1")->isVisible());
            QVERIFY(!Find<QCheckBox>(dialog, "CheckBox2")->isVisible());
            QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
        }});
        Click(*window, QPoint(100, 100));
        QVERIFY(chooseType.Done());
        QCOMPARE(ws.captureType(), kDiameter);
        Click(*window, QPoint(100, 300));
        Measure(*window);
        QCOMPARE(ws.history().Count(), 2);
        QCOMPARE(ws.history().Peek(1).typeIndex, kDiameter);
        QCOMPARE(ws.history().Peek(2).typeIndex, kDiameter);
        QCOMPARE(ws.captureState(), 0);
        // The type box shows what was measured, and the grids its value.
        QCOMPARE(ws.currentType(), kDiameter);
        QVERIFY(Find<QComboBox>(*window, "cbo")->currentText().startsWith(QStringLiteral("  7 ")));
        QCOMPARE(DGrid(*window).rowCount(), 1);
        QVERIFY(Cell(DGrid(*window), 0, 1).endsWith(QStringLiteral(" mm")));
        QCOMPARE(Cell(VGrid(*window), kRowN, 1), QStringLiteral("1"));

        // Cancelling drops the click and leaves measure mode.
        ChooseType(*window, 0);
        Measure(*window);
        ModalScript cancel({[](QWidget& dialog) {
            QTest::mouseClick(Find<QPushButton>(dialog, "BtAbbr"), Qt::LeftButton);
        }});
        Click(*window, QPoint(200, 100));
        QVERIFY(cancel.Done());
        QCOMPARE(ws.captureState(), 0);
        QCOMPARE(ws.history().Count(), 2);
        QVERIFY(ws.pending().empty());

        // A Text type asks for its label with every new object.
        ChooseType(*window, kValue);
        const auto label = [](const QString& text, bool viaButton) {
            return [text, viaButton](QWidget& dialog) {
                QCOMPARE(dialog.objectName(), QStringLiteral("TVecName"));
                QVERIFY(Find<QComboBox>(dialog, "ComboBox1")
                            ->currentText()
                            .startsWith(QStringLiteral("  4 ")));
                auto* edit = Find<QLineEdit>(dialog, "Edit1");
                QVERIFY(edit->isVisible());
                QVERIFY(Find<QCheckBox>(dialog, "CheckBox2")->isVisible());
                QVERIFY(!Find<QCheckBox>(dialog, "CheckBox2")->isChecked());
                QTest::keyClicks(edit, text);
                if (viaButton) {
                    QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
                } else {
                    QTest::keyClick(edit, Qt::Key_Return);
                }
            };
        };
        {
            ModalScript script({label(QStringLiteral("12,5"), true)});
            Measure(*window);
            Click(*window, QPoint(300, 300));
            QVERIFY(script.Done());
            Measure(*window);
            QCOMPARE(ws.captureState(), 0);
        }
        {
            ModalScript script({label(QStringLiteral("7"), false)});
            Measure(*window);
            Click(*window, QPoint(350, 350));
            QVERIFY(script.Done());
            Measure(*window);
        }
        QCOMPARE(ws.history().Count(), 4);
        QCOMPARE(FromCore(ws.history().Peek(3).name), QStringLiteral("12,5"));
        QCOMPARE(ws.history().Peek(3).typeIndex, kValue);
        QCOMPARE(FromCore(ws.history().Peek(4).name), QStringLiteral("7"));
        QCOMPARE(Cell(DGrid(*window), 1, 1), QStringLiteral("7"));
        QCOMPARE(Cell(VGrid(*window), kRowN, 1), QStringLiteral("2"));
        // (12.5 + 7) / 2, with three decimals also for labels.
        QCOMPARE(Cell(VGrid(*window), kRowMean, 1), QStringLiteral("9.750"));
    }

    void ModifyModeMovesAndDeletesPoints() {
        auto window = Start();
        Workspace& ws = window->workspace();
        ChooseType(*window, kLength);
        MeasureObject(*window, {QPoint(100, 100), QPoint(300, 100)});
        MeasureObject(*window, {QPoint(100, 400), QPoint(200, 400)});
        QCOMPARE(ws.history().Count(), 4);
        const QString before = Cell(DGrid(*window), 0, 1);

        Find<QAction>(*window, "MnModify")->trigger();
        QCOMPARE(ws.modifyMode(), 1);
        QVERIFY(Find<QToolButton>(*window, "ImgEdit")->isChecked());
        QVERIFY(!Find<QComboBox>(*window, "cbo")->isEnabled());
        QVERIFY(!DGrid(*window).isEnabled());

        // The end of the first line is carried 150 pixels down.
        PaintBox& box = Box(*window);
        const QPoint drop(310, 250);
        QTest::mousePress(&box, Qt::LeftButton, Qt::NoModifier, QPoint(300, 100));
        QCOMPARE(ws.dragIndex(), 2);
        QTest::mouseMove(&box, QPoint(305, 180));
        QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, drop);
        QCOMPARE(ws.dragIndex(), 0);
        const DrawnView& v = ws.drawnView();
        const double x = double(qint64{drop.x()} * v.drawnWidth) / box.width() + v.drawnLeft;
        const double y = double(qint64{drop.y()} * v.drawnHeight) / box.height() + v.drawnTop;
        QCOMPARE(ws.history().Peek(2).x, x);
        QCOMPARE(ws.history().Peek(2).y, y);
        QCOMPARE(ws.history().Peek(1).x, double(WorldX(*window, 100)));

        // A right click on the second line's end deletes both its points.
        QTest::mouseClick(&box, Qt::RightButton, Qt::NoModifier, QPoint(200, 400));
        QCOMPARE(ws.history().Peek(3).typeIndex, 0);
        QCOMPARE(ws.history().Peek(4).typeIndex, 0);
        QCOMPARE(ws.history().Peek(2).typeIndex, kLength);

        // Leaving modify mode lists what is left.
        Find<QAction>(*window, "MnModify")->trigger();
        QCOMPARE(ws.modifyMode(), 0);
        QVERIFY(DGrid(*window).isEnabled());
        const MeasuredObject a = ws.history().Peek(1);
        const MeasuredObject b = ws.history().Peek(2);
        const double length = std::hypot(a.x - b.x, a.y - b.y);
        QCOMPARE(DGrid(*window).rowCount(), 1);
        QCOMPARE(ws.valueList().Count(), 1);
        QCOMPARE(ws.valueList().Entry(1).value, length);
        QVERIFY(Cell(DGrid(*window), 0, 1) != before);
        QCOMPARE(Cell(DGrid(*window), 0, 1), Mm(length / 1000));
        QCOMPARE(Cell(VGrid(*window), kRowN, 1), QStringLiteral("1"));
    }

    void DraggedRectangleZooms() {
        auto window = Start();
        Workspace& ws = window->workspace();
        PaintBox& box = Box(*window);
        const ViewBlock before = ws.project().view;

        // A drag only 5 pixels wide is no rectangle: while measuring it is a point.
        ChooseType(*window, kCountType);
        Measure(*window);
        QTest::mousePress(&box, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
        QTest::mouseMove(&box, QPoint(105, 140));
        QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, QPoint(105, 140));
        QCOMPARE(ws.pending().size(), std::size_t{1});
        QCOMPARE(ws.project().view.viewSize, before.viewSize);
        Measure(*window);
        Measure(*window);
        QCOMPARE(ws.captureState(), 0);

        // Nor is a drag while an object of several points is under capture.
        ChooseType(*window, kArea);
        Measure(*window);
        Click(*window, QPoint(50, 50));
        Click(*window, QPoint(60, 50));
        QTest::mousePress(&box, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
        QTest::mouseMove(&box, QPoint(350, 300));
        QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, QPoint(350, 300));
        QCOMPARE(ws.pending().size(), std::size_t{3});
        QCOMPARE(ws.project().view.viewSize, before.viewSize);
        Measure(*window);
        Measure(*window);
        QCOMPARE(ws.captureState(), 0);

        // From (200, 150) to (350, 300): 150 of the box's pixels square.
        QTest::mousePress(&box, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
        QTest::mouseMove(&box, QPoint(280, 220));
        QVERIFY(ws.ZoomOutline().has_value());
        // The status bar tells the rectangle's size.
        const QString dragged =
            QString::number(double(WorldX(*window, 280) - WorldX(*window, 200)) / 1000, 'f', 3) +
            QStringLiteral(" mm x ") +
            QString::number(double(WorldY(*window, 220) - WorldY(*window, 150)) / 1000, 'f', 3) +
            QStringLiteral(" mm");
        QVERIFY2(Readout(*window).startsWith(dragged), qPrintable(Readout(*window)));
        QTest::mouseMove(&box, QPoint(350, 300));
        QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, QPoint(350, 300));
        QVERIFY(!ws.ZoomOutline().has_value());
        const ViewBlock& after = ws.project().view;
        QVERIFY(after.viewValid != 0);
        const double side = 150.0 * double(before.viewSize) / box.width();
        const double left = 200.0 * double(before.viewSize) / box.width() + double(before.viewLeft);
        const double top = 150.0 * double(before.viewSize) / box.height() + double(before.viewTop);
        const double size = double(after.viewSize);
        QVERIFY2(size > side * 0.8 && size < side * 1.25,
                 qPrintable(QString::number(after.viewSize)));
        // The position may be moved to a rounder number, never by a side.
        QVERIFY(std::abs(double(after.viewLeft) - left) < side / 2);
        QVERIFY(std::abs(double(after.viewTop) - top) < side / 2);
        QCOMPARE(ws.drawnView().drawnWidth, after.viewSize);
    }

    void PropertiesRescaleTheProject() {
        auto window = Start();
        Workspace& ws = window->workspace();
        ChooseType(*window, kLength);
        MeasureObject(*window, {QPoint(100, 100), QPoint(400, 100)});
        const MeasuredObject a = ws.history().Peek(1);
        const MeasuredObject b = ws.history().Peek(2);
        const double length = b.x - a.x;

        // Refused while measuring.
        Measure(*window);
        {
            bool opened = false;
            ModalScript watch({[&opened](QWidget&) { opened = true; }});
            Find<QAction>(*window, "MnProps")->trigger();
            QTest::qWait(30);
            QVERIFY(!opened);
        }
        Measure(*window);
        QCOMPARE(ws.captureState(), 0);

        {
            ModalScript script({[](QWidget& dialog) {
                QCOMPARE(dialog.objectName(), QStringLiteral("TPEProperties"));
                auto* edit = Find<QLineEdit>(dialog, "Edit2");
                QCOMPARE(edit->text(), QStringLiteral("1200"));
                edit->setFocus();
                edit->selectAll();
                QTest::keyClicks(edit, QStringLiteral("2400"));
                QTest::mouseClick(Find<QPushButton>(dialog, "ButOK"), Qt::LeftButton);
            }});
            Find<QAction>(*window, "MnProps")->trigger();
            QVERIFY(script.Done());
        }
        QCOMPARE(ws.project().resolutionDpi, 2400);
        // The points stay on their image pixels: twice the dots per inch,
        // half the micrometres.
        QCOMPARE(ws.history().Peek(1).x, a.x / 2);
        QCOMPARE(ws.history().Peek(1).y, a.y / 2);
        QCOMPARE(ws.history().Peek(2).x, b.x / 2);
        QCOMPARE(ws.fileState(), int(kChanged));

        // The grids show the new length once the values are listed again.
        ChooseType(*window, kLength);
        QCOMPARE(Cell(DGrid(*window), 0, 1), Mm(length / 2 / 1000));

        // A line selected in the value grid is the scale: Properties opens
        // with its length, and the known length typed sets the resolution.
        {
            const double measured = length / 2 / 1000;  // mm
            QTest::mouseClick(DGrid(*window).viewport(), Qt::LeftButton, Qt::NoModifier,
                              DGrid(*window).visualItemRect(DGrid(*window).item(0, 1)).center());
            double shown = 0.0;
            ModalScript script({[&shown](QWidget& dialog) {
                QVERIFY(Find<QLineEdit>(dialog, "Edit2")->text().isEmpty());
                shown = Find<QLineEdit>(dialog, "Edit5")->text().toDouble();
                auto* known = Find<QLineEdit>(dialog, "Edit4");
                QVERIFY(known->hasFocus());
                QTest::keyClicks(known, QStringLiteral("1"));
                QTest::mouseClick(Find<QPushButton>(dialog, "ButOK"), Qt::LeftButton);
            }});
            Find<QAction>(*window, "MnProps")->trigger();
            QVERIFY(script.Done());
            QVERIFY(std::abs(shown - measured) < 1e-9);
            // truncate(2400 × measured / 1)
            QVERIFY(std::abs(ws.project().resolutionDpi - 2400 * measured) <= 1.0);
            QVERIFY(std::abs(Cell(DGrid(*window), 0, 1).split(QLatin1Char(' '))[0].toDouble() -
                             1.0) < 0.01);
            Find<QAction>(*window, "MnUndo")->trigger();
            QCOMPARE(ws.project().resolutionDpi, 2400);
        }

        // Cancel changes nothing, whatever was typed.
        {
            ModalScript script({[](QWidget& dialog) {
                auto* edit = Find<QLineEdit>(dialog, "Edit2");
                edit->selectAll();
                QTest::keyClicks(edit, QStringLiteral("300"));
                QTest::mouseClick(Find<QPushButton>(dialog, "ButCancel"), Qt::LeftButton);
            }});
            Find<QAction>(*window, "MnProps")->trigger();
            QVERIFY(script.Done());
        }
        QCOMPARE(ws.project().resolutionDpi, 2400);
        QCOMPARE(ws.history().Peek(2).x, b.x / 2);
    }

    void WheelZoomsAtTheCursorAndAMiddleDragPans() {
        auto window = Start();
        Workspace& ws = window->workspace();
        PaintBox& box = Box(*window);
        window->program().settings.WheelZoomPercent = 10;
        const QPoint at(100, 300);
        const qint64 x = WorldX(*window, at.x());
        const qint64 y = WorldY(*window, at.y());
        const int64_t size = ws.project().view.viewSize;
        // Two notches forward zoom in by 10 % each, about the cursor.
        QWheelEvent wheel(at, box.mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&box, &wheel);
        QCOMPARE(ws.project().view.viewSize, int64_t(std::nearbyint(double(size) * 0.81)));
        QVERIFY(std::abs(WorldX(*window, at.x()) - x) <= 20);
        QVERIFY(std::abs(WorldY(*window, at.y()) - y) <= 20);

        // The picture follows a drag with the middle button, and nothing is
        // measured or zoomed by it.
        const int64_t left = ws.project().view.viewLeft;
        QTest::mousePress(&box, Qt::MiddleButton, Qt::NoModifier, QPoint(300, 300));
        QMouseEvent move(QEvent::MouseMove, QPointF(250, 300), box.mapToGlobal(QPointF(250, 300)),
                         Qt::NoButton, Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(&box, &move);
        QTest::mouseRelease(&box, Qt::MiddleButton, Qt::NoModifier, QPoint(250, 300));
        const int64_t expected = left + 50 * ws.project().view.viewSize / box.width();
        QVERIFY(std::abs(ws.project().view.viewLeft - expected) <= 1);
        QCOMPARE(ws.history().Count(), 0);
        QCOMPARE(ws.fileState(), int(kUnchanged));
    }

    void UndoBringsBackADeletedObjectAndSaveWritesIt() {
        auto window = Start(QStringLiteral("undo.jpg"));
        Workspace& ws = window->workspace();
        ChooseType(*window, kLength);
        MeasureObject(*window, {QPoint(100, 100), QPoint(300, 100)});
        auto* undo = Find<QAction>(*window, "MnUndo");
        QVERIFY(undo->isEnabled());
        Find<QAction>(*window, "MnModify")->trigger();
        QTest::mouseClick(&Box(*window), Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
        QVERIFY(ws.history().Peek(1).Deleted());
        QVERIFY(undo->text().contains(FromCore(window->program().GetMessage(kMsgUndoDeletePoint))));

        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ws.history().Peek(1).typeIndex, kLength);
        QCOMPARE(ws.history().Peek(2).typeIndex, kLength);
        QVERIFY(Find<QAction>(*window, "MnRedo")->isEnabled());
        Find<QAction>(*window, "MnModify")->trigger();
        QCOMPARE(DGrid(*window).rowCount(), 1);

        const QString target = documents_ + QStringLiteral("/undo.KXP");
        ModalScript save({
            [&](QWidget& dialog) { SaveAs(dialog, target); },
            [](QWidget& dialog) { TypeInto(dialog, "Edit", QStringLiteral("Tester")); },
        });
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(save.Done());
        MainWindow second(target, QStringLiteral(KVX_DATA_DIR));
        QCOMPARE(second.workspace().history().Count(), 2);
        QCOMPARE(second.workspace().history().Peek(1).typeIndex, kLength);

        // The saved project heads the recent list, and a dropped project opens.
        auto* recent = Find<QMenu>(*window, "MnRecent");
        emit recent->aboutToShow();
        QVERIFY(!recent->actions().isEmpty());
        QCOMPARE(recent->actions().first()->text(), target);
        window->workspace().ResetMeasuring();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(target)});
        ws.SetFileState(kUnchanged);
        ws.ClearProject();
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &drop);
        QCOMPARE(FromCore(ws.project().projectPath), target);
        QCOMPARE(ws.history().Count(), 2);
    }

    void DetectDialogPreviewsAndAddsEveryObjectAsOneChange() {
        std::vector<int> pixels;
        auto window = StartWindow(SaveDiscs(documents_ + QStringLiteral("/discs.png"), pixels));
        window->startup().started = 2;
        Workspace& ws = window->workspace();
        ws.Redraw();
        QCOMPARE(ws.project().resolutionDpi, 1200);

        // What the core finds on the picture itself.
        Picture picture;
        QCOMPARE(ReadDetectionPicture(window->program(), ws.project().imagePath, picture),
                 DecodeStatus::Ok);
        SamplePlane plane;
        QVERIFY(SamplesOf(picture, SampleChannel::kLuminance, plane));
        DetectResult core;
        QVERIFY(DetectObjects(plane, {}, core));
        QCOMPARE(core.objects.size(), std::size_t(6));

        bool shown = false;
        WhenModal([&](QWidget& modal) {
            auto* dialog = qobject_cast<DetectDialog*>(&modal);
            QVERIFY(dialog != nullptr);
            const DetectPreview& preview = dialog->model().preview();
            QCOMPARE(preview.objects.size(), core.objects.size());
            QCOMPARE(preview.level, core.level);
            QVERIFY(Find<QLabel>(modal, "LbResult")->text().contains(QStringLiteral(" 6\n")));
            // A drag over the preview searches the rectangle drawn: the first column.
            auto* view = Find<DetectPreviewView>(modal, "Preview");
            int right = 0;
            while (right < view->width() && view->PictureAt(QPointF(right, 0)).x() < 140) ++right;
            // (A null point would stand for the middle of the view.)
            QTest::mousePress(view, Qt::LeftButton, {}, QPoint(1, 1));
            QTest::mouseMove(view, QPoint(right, view->height() - 1));
            QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(right, view->height() - 1));
            QCOMPARE(Find<QComboBox>(modal, "CbArea")->currentIndex(), int(DetectArea::kRectangle));
            const QPoint from = view->PictureAt(QPointF(1, 1));
            QCOMPARE(Find<QSpinBox>(modal, "SpRectLeft")->value(), from.x());
            const QPoint to = view->PictureAt(QPointF(right, view->height() - 1));
            QCOMPARE(Find<QSpinBox>(modal, "SpRectWidth")->value(), to.x() - from.x());
            QCOMPARE(Find<QSpinBox>(modal, "SpRectHeight")->value(), 300 - from.y());
            QCOMPARE(dialog->model().preview().objects.size(), std::size_t(2));
            Find<QComboBox>(modal, "CbArea")->setCurrentIndex(int(DetectArea::kWholePicture));
            // A size range above every disc leaves none; the preview follows.
            Find<QDoubleSpinBox>(modal, "SpMinArea")->setValue(1.0);  // mm²
            QVERIFY(dialog->model().preview().objects.empty());
            QVERIFY(!Find<QPushButton>(modal, "BtOK")->isEnabled());
            Find<QDoubleSpinBox>(modal, "SpMinArea")->setValue(0.5);
            QCOMPARE(dialog->model().preview().objects.size(), std::size_t(6));
            Find<QDoubleSpinBox>(modal, "SpMinCirc")->setValue(0.8);
            auto* types = Find<QComboBox>(modal, "CbType");
            types->setCurrentIndex(types->findData(kArea));
            shown = true;
            QTest::mouseClick(Find<QPushButton>(modal, "BtOK"), Qt::LeftButton);
        });
        QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);
        QVERIFY(shown);
        QCOMPARE(ws.valueList().Count(), 0);  // the current type is another one
        ChooseType(*window, kArea);
        QCOMPARE(ws.valueList().Count(), 6);
        const double pixelArea = (25400.0 / 1200) * (25400.0 / 1200);
        for (int i = 0; i < 6; ++i) {
            const double exact = pixels[std::size_t(i)] * pixelArea;
            QVERIFY(std::fabs(ws.valueList().Entry(i + 1).value - exact) < exact * 0.01);
        }
        QCOMPARE(DGrid(*window).rowCount(), 6);

        // One step back takes them all.
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ws.history().Count(), 0);

        // The settings are kept in their own file and come back with the dialog.
        const DetectChoices kept = LoadDetectChoices(window->program());
        QCOMPARE(kept.minCircularity, 0.8);
        QCOMPARE(kept.type, kArea);
        QVERIFY(QFile::exists(FromCore(SettingsFilePath(window->program(), "Korvanix.detect"))));
        WhenModal([&](QWidget& modal) {
            QCOMPARE(Find<QDoubleSpinBox>(modal, "SpMinCirc")->value(), 0.8);
            QCOMPARE(Find<QDoubleSpinBox>(modal, "SpMinArea")->value(), 0.5);
            QCOMPARE(Find<QComboBox>(modal, "CbType")->currentData().toInt(), kArea);
        });
        Find<QAction>(*window, "MnDetect")->trigger();
        QCOMPARE(ws.history().Count(), 0);  // cancelled
    }

    void OutlineByClickAddsTheObjectUnderTheMouse() {
        std::vector<int> pixels;
        auto window = StartWindow(SaveDiscs(documents_ + QStringLiteral("/wand.png"), pixels));
        window->startup().started = 2;
        Workspace& ws = window->workspace();
        ws.Redraw();
        ChooseType(*window, kArea);
        auto* wand = Find<QToolButton>(*window, "ImgWand");
        QVERIFY(wand->isVisible());
        QCOMPARE(wand->toolTip(), QStringLiteral("Outline by click (W)"));
        QTest::keyClick(window.get(), Qt::Key_W);
        QVERIFY(ws.wandMode());
        QVERIFY(wand->isChecked());

        // The paint-box pixel over picture pixel (x, y).
        const DrawnView& v = ws.drawnView();
        const auto at = [&](double x, double y) {
            const double perPixel = 25400.0 / 1200;
            return QPoint(int((x * perPixel - v.drawnLeft) * Box(*window).width() / v.drawnWidth),
                          int((y * perPixel - v.drawnTop) * Box(*window).height() / v.drawnHeight));
        };
        Click(*window, at(200, 225));  // the middle disc of the second row
        QCOMPARE(ws.valueList().Count(), 1);
        const double exact = pixels[4] * (25400.0 / 1200) * (25400.0 / 1200);
        QVERIFY2(std::fabs(ws.valueList().Entry(1).value - exact) < exact * 0.005,
                 qPrintable(QString::number(ws.valueList().Entry(1).value)));
        QVERIFY(ws.wandMode());

        // Beside every disc: nothing is added, and the status bar says so.
        Click(*window, at(130, 150));
        QCOMPARE(ws.valueList().Count(), 1);
        QCOMPARE(Find<QLabel>(*window, "StBarPanel3")->text(),
                 FromCore(window->program().GetMessage(2269)));
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ws.history().Count(), 0);
        QTest::keyClick(window.get(), Qt::Key_W);
        QVERIFY(!ws.wandMode());
        QVERIFY(!wand->isChecked());
    }

    void StatusBarReadsOutTheMouseAndTheObjectDrawn() {
        auto window = Start();
        Workspace& ws = window->workspace();
        const DrawnView& view = ws.drawnView();
        // Screen pixels per picture pixel: the box shows drawnWidth µm, a
        // pixel at 1200 dpi is 25400 / 1200 µm.
        const double zoom = 100.0 * Box(*window).width() * 25400.0 / (view.drawnWidth * 1200.0);
        MoveTo(*window, QPoint(100, 120));
        const QString idle = Readout(*window);
        QVERIFY2(idle.startsWith(QString::number(zoom, 'f', 0) + QStringLiteral(" %")),
                 qPrintable(idle));
        const QString position =
            QStringLiteral("x ") + QString::number(double(WorldX(*window, 100)) / 1000.0, 'f', 3) +
            QStringLiteral(" y ") + QString::number(double(WorldY(*window, 120)) / 1000.0, 'f', 3) +
            QStringLiteral(" mm");
        QVERIFY2(idle.contains(position), qPrintable(idle));
        // The picture's colour there (200, 180, 160, as the JPEG keeps it).
        const QStringList parts = idle.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const auto channel = [&](const QString& name) {
            const qsizetype at = parts.indexOf(name);
            return at >= 0 && at + 1 < parts.size() ? parts[at + 1].toInt() : -1;
        };
        QVERIFY2(std::abs(channel(QStringLiteral("R")) - 200) <= 3, qPrintable(idle));
        QVERIFY2(std::abs(channel(QStringLiteral("G")) - 180) <= 3, qPrintable(idle));
        QVERIFY2(std::abs(channel(QStringLiteral("B")) - 160) <= 3, qPrintable(idle));
        // Off the picture there is no value.
        MoveTo(*window, QPoint(Box(*window).width() - 2, Box(*window).height() - 2));
        QVERIFY(!Readout(*window).contains(QStringLiteral("R ")));

        // A polygon's area so far reaches to the mouse.
        ChooseType(*window, kArea);
        Measure(*window);
        Click(*window, QPoint(100, 100));
        Click(*window, QPoint(300, 100));
        MoveTo(*window, QPoint(200, 250));
        const double base = double(WorldX(*window, 300) - WorldX(*window, 100));
        const double height = double(WorldY(*window, 250) - WorldY(*window, 100));
        const QString area = QStringLiteral("Area: ") +
                             QString::number(base * height / 2 / 1e6, 'f', 3) +
                             QStringLiteral(" mm");
        QVERIFY2(Readout(*window).startsWith(area), qPrintable(Readout(*window)));

        // Backspace takes back the last point, Escape drops the rest;
        // measuring goes on.
        QTest::keyClick(window.get(), Qt::Key_Backspace);
        QCOMPARE(ws.pending().size(), std::size_t{1});
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(ws.pending().empty());
        QCOMPARE(ws.captureState(), 1);
        QCOMPARE(ws.history().Count(), 0);

        // A double click ends the polygon on the point it was made on.
        Click(*window, QPoint(100, 100));
        Click(*window, QPoint(300, 100));
        QTest::mouseClick(&Box(*window), Qt::LeftButton, Qt::NoModifier, QPoint(200, 250));
        QTest::mouseDClick(&Box(*window), Qt::LeftButton, Qt::NoModifier, QPoint(200, 250));
        QTest::mouseRelease(&Box(*window), Qt::LeftButton, Qt::NoModifier, QPoint(200, 250));
        QCOMPARE(ws.history().Count(), 4);  // three points and the closing one
        QVERIFY(ws.pending().empty());
        QCOMPARE(ws.captureState(), 2);
        QCOMPARE(Cell(DGrid(*window), 0, 1),
                 QString::number(base * height / 2 / 1e6, 'f', 3) + QStringLiteral(" mm"));

        // Enter ends a two-point line; counts tell their points.
        Measure(*window);
        ChooseType(*window, kLength);
        Measure(*window);
        Click(*window, QPoint(100, 400));
        MoveTo(*window, QPoint(400, 400));
        const double run = double(WorldX(*window, 400) - WorldX(*window, 100));
        QVERIFY2(Readout(*window).startsWith(QStringLiteral("Length: ") +
                                             QString::number(run / 1000, 'f', 3)),
                 qPrintable(Readout(*window)));
        Click(*window, QPoint(400, 400));
        QTest::keyClick(window.get(), Qt::Key_Return);
        QCOMPARE(ws.history().Count(), 6);
        QCOMPARE(ws.captureState(), 0);
        ChooseType(*window, kCountType);
        Measure(*window);
        for (const QPoint& at : {QPoint(50, 50), QPoint(60, 50), QPoint(70, 50)}) {
            Click(*window, at);
        }
        QVERIFY(Readout(*window).startsWith(QStringLiteral("Points: 3")));
        // Without an object under capture Escape is not the tool's.
        QTest::keyClick(window.get(), Qt::Key_Return);
        QCOMPARE(ws.captureState(), 2);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QCOMPARE(ws.captureState(), 2);
    }

    void A16BitPictureReadsOutItsOwnValues() {
        QImage deep(64, 48, QImage::Format_Grayscale16);
        for (int y = 0; y < deep.height(); ++y) {
            auto* row = reinterpret_cast<quint16*>(deep.scanLine(y));
            for (int x = 0; x < deep.width(); ++x) row[x] = quint16(40000 + x);
        }
        const QString path = documents_ + QStringLiteral("/deep.png");
        QVERIFY(deep.save(path, "PNG"));
        auto window = StartWindow(path);
        window->startup().started = 2;
        window->workspace().Redraw();
        QVERIFY(window->workspace().project().picture->sixteenBit);
        // The pixel under the mouse: 25400 / 1200 µm wide.
        const QPoint at(200, 20);
        MoveTo(*window, at);
        const auto column = int(std::floor(double(WorldX(*window, at.x())) * 1200 / 25400));
        QVERIFY2(
            Readout(*window).endsWith(QStringLiteral("Grey ") + QString::number(40000 + column)),
            qPrintable(Readout(*window)));
    }

    void ModifyHandlesAreSmallAndGrowUnderTheMouse() {
        auto window = Start();
        Workspace& ws = window->workspace();
        ChooseType(*window, kLength);
        MeasureObject(*window, {QPoint(100, 100), QPoint(300, 100)});
        Find<QAction>(*window, "MnModify")->trigger();
        std::vector<double> sizes = HandleSizes(*window);
        QCOMPARE(sizes.size(), std::size_t{2});
        for (const double size : sizes)
            QVERIFY2(size >= 4 && size <= 8, qPrintable(QString::number(size)));
        MoveTo(*window, QPoint(301, 101));
        QCOMPARE(ws.hotHandle(), 2);
        sizes = HandleSizes(*window);
        QCOMPARE(sizes.size(), std::size_t{2});
        QVERIFY(sizes[0] <= 8);
        QVERIFY(sizes[1] >= 2 * sizes[0]);
        MoveTo(*window, QPoint(200, 300));
        QCOMPARE(ws.hotHandle(), 0);
        QVERIFY(HandleSizes(*window)[1] <= 8);
    }

    void SavedProjectReadsBackWithTheSameObjects() {
        auto window = Start(QStringLiteral("saved.jpg"));
        Workspace& ws = window->workspace();
        ChooseType(*window, kArea);
        MeasureObject(*window, {QPoint(100, 100), QPoint(300, 100), QPoint(200, 250)});
        Measure(*window);
        ChooseType(*window, kLength);
        MeasureObject(*window, {QPoint(50, 400), QPoint(350, 450)});
        MeasureObject(*window, {QPoint(50, 500), QPoint(150, 500)});
        // Excluded, moved and deleted points are saved as they are now.
        DoubleClick(DGrid(*window),
                    DGrid(*window).visualItemRect(DGrid(*window).item(0, 1)).center());
        QVERIFY(ws.history().Peek(5).excluded);
        Find<QAction>(*window, "MnModify")->trigger();
        QTest::mousePress(&Box(*window), Qt::LeftButton, Qt::NoModifier, QPoint(150, 500));
        QTest::mouseRelease(&Box(*window), Qt::LeftButton, Qt::NoModifier, QPoint(181, 523));
        QVERIFY(ws.history().Peek(8).x > double(WorldX(*window, 180)));
        QTest::mouseClick(&Box(*window), Qt::RightButton, Qt::NoModifier, QPoint(300, 100));
        QVERIFY(ws.history().Peek(2).Deleted());
        Find<QAction>(*window, "MnModify")->trigger();
        // A Count object still being captured is committed by the save.
        ChooseType(*window, kCountType);
        Measure(*window);
        for (const QPoint& at : {QPoint(380, 50), QPoint(400, 50), QPoint(420, 50)}) {
            Click(*window, at);
        }

        const QString target = documents_ + QStringLiteral("/saved.KXP");
        ModalScript save({
            [&](QWidget& dialog) { SaveAs(dialog, target); },
            [](QWidget& dialog) { TypeInto(dialog, "Edit", QStringLiteral("Tester")); },
        });
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(save.Done());
        QVERIFY(QFile::exists(target));
        QCOMPARE(ws.fileState(), int(kUnchanged));
        QCOMPARE(ws.captureState(), 0);
        QVERIFY(ws.pending().empty());

        std::vector<MeasuredObject> kept;
        for (int i = 1; i <= ws.history().Count(); ++i) {
            if (!ws.history().Peek(i).Deleted()) kept.push_back(ws.history().Peek(i));
        }
        // 4 polygon, 4 line and 4 count points; one polygon point deleted.
        QCOMPARE(ws.history().Count(), 12);
        QCOMPARE(kept.size(), std::size_t{11});

        MainWindow second(target, QStringLiteral(KVX_DATA_DIR));
        QCOMPARE(second.StartupStep(), 0);
        const Workspace& read = second.workspace();
        QCOMPARE(read.project().resolutionDpi, 1200);
        // Reopened, the type box shows the type measured last, with its values.
        QCOMPARE(read.currentType(), kCountType);
        QCOMPARE(Find<QComboBox>(second, "cbo")->currentData().toInt(), kCountType);
        QCOMPARE(Cell(DGrid(second), 0, 1), QStringLiteral("3"));
        QCOMPARE(read.history().Count(), int(kept.size()));
        for (int i = 1; i <= read.history().Count(); ++i) {
            const MeasuredObject& want = kept[std::size_t(i - 1)];
            const MeasuredObject got = read.history().Peek(i);
            QCOMPARE(got.typeIndex, want.typeIndex);
            QCOMPARE(got.vertexKind, want.vertexKind);
            QCOMPARE(got.excluded, want.excluded);
            QCOMPARE(got.name, want.name);
            // Positions are stored as whole micrometres.
            QCOMPARE(got.x, std::nearbyint(want.x));
            QCOMPARE(got.y, std::nearbyint(want.y));
        }
    }
};

QTEST_MAIN(MeasuringTest)
#include "measuring_test.moc"
