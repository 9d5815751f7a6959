// Pictures of the real window and of every dialog for a person to look at;
// run under a virtual X server without a window manager. Beyond not being
// blank they are checked only for what a picture shows best: the first view
// appearing by itself and a sharp measuring field on a 2x screen.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <set>

#include "core/program/error_report.hpp"
#include "core/workspace/workspace.hpp"
#include "gui/main/main_window.hpp"
#include "gui/main/paint_box.hpp"
#include "gui_test_support.hpp"

using namespace kvx;
using namespace kvx::test;

namespace {

int DistinctColours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
    }
    return static_cast<int>(colours.size());
}

void Save(QWidget& widget, const QString& name, int minimumColours = 50) {
    QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_DIR));
    const QImage shot = widget.grab().toImage();
    const QString path = QStringLiteral(KVX_SCREENSHOT_DIR "/") + name;
    QVERIFY(shot.save(path));
    QVERIFY2(DistinctColours(shot) > minimumColours, qPrintable(path));
}

// A dialog as it shows once laid out and painted.
void Shot(QWidget& dialog, const QString& name) {
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(50);
    Save(dialog, name, 3);
}

// Shown, activated and past the start-up splash, as after a first key.
void ShowReady(MainWindow& window) {
    QCOMPARE(window.StartupStep(), 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QTest::qWait(200);
    window.startup().started = 2;
}

void Trigger(MainWindow& window, const char* action) {
    auto* entry = window.findChild<QAction*>(QLatin1String(action));
    QVERIFY2(entry != nullptr, action);
    entry->trigger();
}

// Runs command while a script answers the dialogs it opens; every action of
// the script must have run. A dialog opened from within an action needs a
// script of its own: a timer does not fire again while it is being handled.
void WithDialogs(std::deque<std::function<void(QWidget&)>> actions,
                 const std::function<void()>& command) {
    ModalScript script(std::move(actions));
    command();
    QVERIFY(script.Done());
}

void ClickWithDialogs(QWidget* widget, std::deque<std::function<void(QWidget&)>> actions) {
    QVERIFY(widget != nullptr);
    WithDialogs(std::move(actions), [widget] { QTest::mouseClick(widget, Qt::LeftButton); });
}

}  // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;

    QString Sample() const { return home_.filePath(QStringLiteral("tissue.KXP")); }

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        for (const char* name : {"tissue.KXP", "tissue.jpg"}) {
            QVERIFY(QFile::copy(QStringLiteral(KVX_DATA_DIR "/samples/") + QLatin1String(name),
                                home_.filePath(QLatin1String(name))));
        }
    }

    // A first start: no configuration, no project, no window manager to
    // activate the window, no key pressed.
    void FirstStart() {
        QTemporaryDir fresh;
        FreshUserFolders(fresh.path());
        MainWindow window(QString(), QStringLiteral(KVX_DATA_DIR));
        QCOMPARE(window.StartupStep(), 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(window.workspace().redrawCount() >= 3);
        // About four fifths of the screen's free height, never below the
        // designed 580; the width follows the square field.
        const QRect free = window.screen()->availableGeometry();
        const int wanted = std::max(580, free.height() * 4 / 5);
        QVERIFY2(std::abs(window.OuterSize().height() - std::min(wanted, free.height() - 28)) <= 2,
                 qPrintable(QString::number(window.OuterSize().height())));
        QVERIFY(window.OuterSize().width() >= 800);
        QVERIFY(window.frameGeometry().left() >= free.left());
        QTest::qWait(100);
        const QRect screen = window.screen()->geometry();
        Save(window,
             QStringLiteral("first_start_%1x%2.png").arg(screen.width()).arg(screen.height()));
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
    }

    void SampleProject_data() {
        QTest::addColumn<int>("performanceMode");
        QTest::addColumn<int>("height");
        QTest::addColumn<QString>("name");
        QTest::newRow("first size") << 2 << 580 << QStringLiteral("main_window.png");
        QTest::newRow("performance mode") << 1 << 580 << QStringLiteral("performance_mode.png");
        QTest::newRow("688 high") << 2 << 688 << QStringLiteral("main_window_688.png");
        QTest::newRow("designed 752") << 2 << 752 << QStringLiteral("main_window_752.png");
    }

    void SampleProject() {
        QFETCH(int, performanceMode);
        QFETCH(int, height);
        QFETCH(QString, name);
        MainWindow window(Sample(), QStringLiteral(KVX_DATA_DIR));
        ShowReady(window);
        window.program().settings.PerformanceMode = performanceMode;
        window.ResizeOuter(800, height);
        window.ApplyLayout();
        window.workspace().Redraw();
        QTest::qWait(100);
        QVERIFY(window.workspace().history().Count() > 0);
        Save(window, name);
    }

    // Run with QT_SCALE_FACTOR=2: lines and texts of the field are drawn at
    // the screen's resolution, not scaled up from half of it.
    void ScaledField() {
        MainWindow window(Sample(), QStringLiteral(KVX_DATA_DIR));
        ShowReady(window);
        if (window.devicePixelRatioF() < 2) QSKIP("for a screen scaled by 2 (QT_SCALE_FACTOR=2)");
        window.workspace().Redraw();
        QTest::qWait(100);
        Save(window, QStringLiteral("scale2_main_window.png"));

        auto* box = window.findChild<PaintBox*>(QStringLiteral("MainPB"));
        const QImage field = box->grab().toImage();
        QCOMPARE(field.width(), 2 * box->width());
        // Scaled up, every pixel column would repeat the one before it.
        int repeated = 0;
        for (int x = 0; x + 1 < field.width(); x += 2) {
            bool same = true;
            for (int y = 0; y < field.height() && same; ++y) {
                same = field.pixel(x, y) == field.pixel(x + 1, y);
            }
            if (same) ++repeated;
        }
        QVERIFY2(repeated < field.width() / 4, qPrintable(QString::number(repeated)));
    }

    void MeasuredWithHistogramAndStatistics() {
        MainWindow window(Sample(), QStringLiteral(KVX_DATA_DIR));
        ShowReady(window);
        Workspace& ws = window.workspace();
        ws.Redraw();
        auto* box = window.findChild<PaintBox*>(QStringLiteral("MainPB"));
        auto* cbo = window.findChild<QComboBox*>(QStringLiteral("cbo"));
        auto* measure = window.findChild<QToolButton*>(QStringLiteral("ImgVec"));
        QVERIFY(box != nullptr && cbo != nullptr && measure != nullptr);
        const int before = ws.history().Count();

        const auto choose = [&](int type) {
            const int index = cbo->findData(type);
            QVERIFY(index >= 0);
            cbo->showPopup();
            QAbstractItemView* list = cbo->view();
            QTRY_VERIFY(list->isVisible());
            list->setCurrentIndex(list->model()->index(index, 0));
            QTest::keyClick(list, Qt::Key_Return);
            QTRY_VERIFY(!list->isVisible());
            QCOMPARE(ws.currentType(), type);
        };
        // Positions as shares of the paint box, so that any layout works.
        const auto at = [box](double x, double y) {
            return QPoint(int(x * box->width()), int(y * box->height()));
        };
        const auto object = [&](std::initializer_list<QPoint> clicks) {
            QTest::mouseClick(measure, Qt::LeftButton);
            for (const QPoint& p : clicks) QTest::mouseClick(box, Qt::LeftButton, {}, p);
            QTest::mouseClick(measure, Qt::LeftButton);
        };

        choose(2);  // a polygon, then leave measure mode
        object({at(0.15, 0.15), at(0.35, 0.12), at(0.40, 0.30), at(0.20, 0.35)});
        QTest::mouseClick(measure, Qt::LeftButton);
        choose(3);  // a count
        object({at(0.60, 0.60), at(0.65, 0.62), at(0.70, 0.58), at(0.68, 0.68)});
        QTest::mouseClick(measure, Qt::LeftButton);
        choose(1);  // lengths of several sizes, listed beside the image
        for (int i = 0; i < 6; ++i) {
            const double y = 0.45 + 0.07 * i;
            object({at(0.08, y), at(0.20 + 0.04 * (i % 4), y + 0.02)});
        }
        QCOMPARE(ws.history().Count(), before + 5 + 5 + 12);
        QCOMPARE(ws.captureState(), 0);

        // The histogram and the statistics box are drawn on top.
        auto& layers = window.program().settings.DisplayLayers;
        for (auto& layer : layers) {
            if (layer == -9 || layer == -10) layer = -layer;
        }
        ws.Redraw();
        QTest::qWait(100);
        Save(window, QStringLiteral("measured.png"));
    }

    // The statistics grid, the value grid and the status bar show every
    // number and label whole, in each language and unit, at the first size.
    void StatisticsWhole_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("unit");
        for (const auto& [name, language] :
             {std::pair{"de", 0}, std::pair{"en", 1}, std::pair{"es", 2}}) {
            for (const auto& [unitName, unit] : {std::pair{"um", 0}, std::pair{"mm", 1}}) {
                QTest::newRow(qPrintable(
                    QStringLiteral("%1 %2").arg(QLatin1String(name), QLatin1String(unitName))))
                    << language << unit;
            }
        }
    }

    void StatisticsWhole() {
        QFETCH(int, language);
        QFETCH(int, unit);
        MainWindow window(Sample(), QStringLiteral(KVX_DATA_DIR));
        ShowReady(window);
        Program& program = window.program();
        program.settings.Language = static_cast<uint8_t>(language);
        QCOMPARE(program.LoadMessages(), kOk);
        program.settings.TableUnit = unit;
        Workspace& ws = window.workspace();
        const std::vector<TypeItem>& items = ws.cboItems();
        const auto polygons = std::find_if(items.begin(), items.end(),
                                           [](const TypeItem& item) { return item.type == 2; });
        QVERIFY(polygons != items.end());
        window.ResizeOuter(800, 580);
        window.ApplyLayout();
        ws.CboChange(static_cast<int32_t>(polygons - items.begin()));
        ws.Redraw();
        QTest::qWait(100);
        for (const char* name : {"vGrid", "DGrid"}) {
            auto* grid = window.findChild<QTableWidget*>(QLatin1String(name));
            QVERIFY(grid != nullptr);
            // The cell paints its text inside these margins, and elides
            // what does not fit.
            const QFontMetrics metrics(grid->font());
            const int margins =
                2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1) +
                1;
            for (int row = 0; row < grid->rowCount(); ++row) {
                for (int column = 0; column < 2; ++column) {
                    const QTableWidgetItem* item = grid->item(row, column);
                    if (item == nullptr) continue;
                    const QString text = item->text();
                    QCOMPARE(metrics.elidedText(text, Qt::ElideRight,
                                                grid->columnWidth(column) - margins),
                             text);
                }
            }
            QVERIFY(grid->columnViewportPosition(1) + grid->columnWidth(1) <=
                    grid->viewport()->width());
        }
        for (int i = 0; i < 5; ++i) {
            auto* panel = window.findChild<QLabel*>(QStringLiteral("StBarPanel%1").arg(i));
            QVERIFY(panel != nullptr);
            QVERIFY2(panel->fontMetrics().horizontalAdvance(panel->text()) <=
                         panel->contentsRect().width(),
                     qPrintable(panel->text()));
        }
        const QString tag = QString::fromLatin1(QTest::currentDataTag())
                                .replace(QLatin1Char(' '), QLatin1Char('_'));
        Save(window, QStringLiteral("statistics_%1.png").arg(tag));
    }

    // A polygon being drawn, its area so far and the mouse's place and value
    // in the status bar; then the small handles of modify mode, one grown
    // under the mouse.
    void DrawingAndModifying() {
        MainWindow window(Sample(), QStringLiteral(KVX_DATA_DIR));
        ShowReady(window);
        Workspace& ws = window.workspace();
        ws.Redraw();
        auto* box = window.findChild<PaintBox*>(QStringLiteral("MainPB"));
        auto* measure = window.findChild<QToolButton*>(QStringLiteral("ImgVec"));
        const auto at = [box](double x, double y) {
            return QPoint(int(x * box->width()), int(y * box->height()));
        };
        const auto move = [box](QPoint to) {
            QMouseEvent event(QEvent::MouseMove, QPointF(to), box->mapToGlobal(QPointF(to)),
                              Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(box, &event);
        };
        ws.CboChange(ws.cboItems().size() > 2 ? 2 : 0);
        QTest::mouseClick(measure, Qt::LeftButton);
        for (const QPoint& p : {at(0.55, 0.20), at(0.80, 0.25), at(0.75, 0.45)}) {
            QTest::mouseClick(box, Qt::LeftButton, {}, p);
        }
        move(at(0.58, 0.42));
        QTest::qWait(100);
        QVERIFY(!ws.ToolStatusText().empty());
        Save(window, QStringLiteral("drawing_polygon_status.png"));
        QTest::keyClick(&window, Qt::Key_Return);
        QTest::mouseClick(measure, Qt::LeftButton);

        Trigger(window, "MnModify");
        QCOMPARE(ws.modifyMode(), 1);
        move(at(0.80, 0.25));
        QTest::qWait(100);
        QVERIFY(ws.hotHandle() != 0);
        Save(window, QStringLiteral("modify_handles.png"));
        Trigger(window, "MnModify");
    }

    // Every dialog of the program and the Qt dialogs it opens, in each
    // language, as the commands of the window open them.
    void Dialogs_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("de") << 0;
        QTest::newRow("en") << 1;
        QTest::newRow("es") << 2;
    }

    void Dialogs() {
        QFETCH(int, language);
        const QString prefix =
            QStringLiteral("dialog_%1_").arg(QLatin1String(QTest::currentDataTag()));
        const auto shot = [prefix](const char* name) {
            return [name = prefix + QLatin1String(name)](QWidget& dialog) { Shot(dialog, name); };
        };
        MainWindow window(Sample(), QStringLiteral(KVX_DATA_DIR));
        ShowReady(window);
        Workspace& ws = window.workspace();

        // The language is chosen as a person chooses it.
        WithDialogs({[language](QWidget& dialog) {
                        Find<QComboBox>(dialog, "CbLanguage")->setCurrentIndex(language);
                        QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
                    }},
                    [&] { Trigger(window, "MnOptions2"); });
        QCOMPARE(window.program().settings.Language, language);

        WithDialogs(
            {[&](QWidget& dialog) {
                auto* pages = Find<QTabWidget>(dialog, "PageControl1");
                for (int page = 0; page < pages->count(); ++page) {
                    pages->setCurrentIndex(page);
                    Shot(dialog, prefix + QStringLiteral("options_%1.png").arg(page + 1));
                }
                pages->setCurrentIndex(0);
                ClickWithDialogs(Find<QPushButton>(dialog, "EdDataPathBrowse"),
                                 {shot("directory_picker.png")});
                ClickWithDialogs(Find<QPushButton>(dialog, "EdObjectTypeFileBrowse"),
                                 {shot("qt_open_file.png")});
                pages->setCurrentIndex(1);
                ClickWithDialogs(Find<QPushButton>(dialog, "BtLayers"), {shot("layers.png")});
                ClickWithDialogs(Find<QLabel>(dialog, "PaColour1"), {shot("qt_colour.png")});
            }},
            [&] { Trigger(window, "MnOptions2"); });

        WithDialogs({[&](QWidget& dialog) {
                        Shot(dialog, prefix + QStringLiteral("type_editor.png"));
                        // A point type shows the label font and the symbol.
                        auto* list = Find<QListWidget>(dialog, "Lb");
                        for (int row = 0; row < list->count(); ++row) {
                            list->setCurrentRow(row);
                            if (Find<QPushButton>(dialog, "BtSym")->isVisible()) break;
                        }
                        Shot(dialog, prefix + QStringLiteral("type_editor_point.png"));
                        ClickWithDialogs(Find<QLabel>(dialog, "LbFont"), {shot("qt_font.png")});
                        ClickWithDialogs(Find<QPushButton>(dialog, "BtSym"),
                                         {shot("char_picker.png")});
                    }},
                    [&] { Trigger(window, "MnData"); });

        WithDialogs({shot("new_type.png")}, [&] { Trigger(window, "MnAddobject"); });
        WithDialogs({shot("properties.png")}, [&] { Trigger(window, "MnProps"); });
        WithDialogs({shot("info.png")}, [&] { Trigger(window, "MnInfo"); });
        // The results stay open beside the window rather than wait for an answer.
        Trigger(window, "MnResults");
        auto* results = window.findChild<QWidget*>(QStringLiteral("ResultsWindow"));
        QVERIFY(results != nullptr);
        Shot(*results, prefix + QStringLiteral("results.png"));
        results->close();
        WithDialogs({[&](QWidget& dialog) {
                         Shot(dialog, prefix + QStringLiteral("input.png"));
                         QTest::keyClick(&dialog, Qt::Key_Return);
                     },
                     shot("file_selection.png")},
                    [&] { Trigger(window, "MnLoad"); });
        WithDialogs({shot("qt_save_file.png")}, [&] { Trigger(window, "MnSaveTo"); });

        ws.CboChange(1);  // the first user type, whose values the report lists
        WithDialogs({shot("screen_report.png")}, [&] { Trigger(window, "Screen1"); });
        // A changed project asks before it is closed; cancelled, it stays.
        QVERIFY(ws.ToggleValueExclusion(0));
        WithDialogs({shot("qt_message_box.png")}, [&] { Trigger(window, "MnReset"); });
        QCOMPARE(ws.fileState(), kChanged);

        QVERIFY(window.program().ReportError(63010103, 0, "/home/someone/study/a02.KXP"));
        WithDialogs({[&](QWidget& dialog) {
                        Shot(dialog, prefix + QStringLiteral("error.png"));
                        QTest::mouseClick(Find<QPushButton>(dialog, "DetailBut"), Qt::LeftButton);
                        Shot(dialog, prefix + QStringLiteral("error_details.png"));
                    }},
                    [&] { ShowError(window.program()); });

        // With no type chosen a click in measure mode asks for one.
        ws.CboChange(0);
        auto* box = window.findChild<PaintBox*>(QStringLiteral("MainPB"));
        QTest::mouseClick(window.findChild<QToolButton*>(QStringLiteral("ImgVec")), Qt::LeftButton);
        WithDialogs({shot("object.png")},
                    [&] { QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center()); });
    }

    // The sample project with its picture marked as turned on its side
    // (EXIF orientation 6), as a phone would store it: the picture shows
    // upright and every measured object stays on its place of the specimen
    // (compare with main_window.png turned by a quarter to the right).
    void TurnedPhoto() {
        QFile whole(home_.filePath(QStringLiteral("tissue.jpg")));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QByteArray bytes = whole.readAll();
        const QByteArray exif(
            "\xFF\xE1\x00\x22"
            "Exif\0\0"
            "MM\0\x2A\0\0\0\x08"
            "\0\x01"
            "\x01\x12\0\x03\0\0\0\x01\0\x06\0\0"
            "\0\0\0\0",
            36);
        QFile turned(home_.filePath(QStringLiteral("turned.jpg")));
        QVERIFY(turned.open(QIODevice::WriteOnly));
        turned.write(bytes.left(2) + exif + bytes.mid(2));
        turned.close();
        QFile sample(Sample());
        QVERIFY(sample.open(QIODevice::ReadOnly));
        QByteArray text = sample.readAll();
        text.replace("tissue.jpg", "turned.jpg");
        QFile project(home_.filePath(QStringLiteral("turned.KXP")));
        QVERIFY(project.open(QIODevice::WriteOnly));
        project.write(text);
        project.close();

        MainWindow window(project.fileName(), QStringLiteral(KVX_DATA_DIR));
        ShowReady(window);
        window.workspace().Redraw();
        QTest::qWait(100);
        QCOMPARE(window.workspace().project().pictureOrientation, 6);
        Save(window, QStringLiteral("turned_photo.png"));
    }

    // The detection dialog over a scan of seeds of several sizes (two of them
    // touching, one cut by the edge), then the window with what OK added.
    void DetectObjects() {
        QTemporaryDir fresh;
        const QString documents = FreshUserFolders(fresh.path()).documents;
        QImage scan(900, 600, QImage::Format_RGB32);
        uint32_t seed = 17;
        const auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return int(seed >> 24);
        };
        for (int y = 0; y < scan.height(); ++y) {
            for (int x = 0; x < scan.width(); ++x) {
                const int v = 214 + next() % 12 - x / 90;
                scan.setPixel(x, y, qRgb(v, v - 4, v - 14));
            }
        }
        const auto seedAt = [&](double cx, double cy, double rx, double ry) {
            for (int y = int(cy - ry) - 1; y <= cy + ry + 1; ++y) {
                for (int x = int(cx - rx) - 1; x <= cx + rx + 1; ++x) {
                    const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
                    if (x < 0 || y < 0 || x >= scan.width() || y >= scan.height() ||
                        dx * dx + dy * dy > 1.0) {
                        continue;
                    }
                    const int v = 70 + next() % 20 + int(40 * (dx * dx + dy * dy));
                    scan.setPixel(x, y, qRgb(v + 30, v + 10, v - 20));
                }
            }
        };
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 6; ++c) {
                const double rx = 22 + (r * 6 + c) % 5 * 6;
                seedAt(80 + 140 * c + next() % 20, 80 + 140 * r + next() % 20, rx, rx * 0.75);
            }
        }
        seedAt(880, 300, 40, 30);  // cut by the edge
        const QString path = documents + QStringLiteral("/seeds.png");
        QVERIFY(scan.save(path, "PNG"));

        auto window = StartWindow(path);
        ShowReady(*window);
        Workspace& ws = window->workspace();
        ws.Redraw();
        WithDialogs({[&](QWidget& dialog) {
                        QCOMPARE(dialog.objectName(), QStringLiteral("DetectDialog"));
                        dialog.resize(1000, 560);
                        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("CbType"));
                        types->setCurrentIndex(types->findData(2));
                        Shot(dialog, QStringLiteral("detect_dialog.png"));
                        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("BtOK")),
                                          Qt::LeftButton);
                    }},
                    [&] { Trigger(*window, "MnDetect"); });
        QVERIFY(ws.history().Count() > 0);
        auto* cbo = window->findChild<QComboBox*>(QStringLiteral("cbo"));
        ws.CboChange(cbo->findData(2));
        ws.WandCommand();
        ws.Redraw();
        QTest::qWait(100);
        Save(*window, QStringLiteral("detected.png"));
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
    }

    // The sample picture cut in half: the notice over what could be decoded.
    void DamagedPictureNotice() {
        QFile whole(home_.filePath(QStringLiteral("tissue.jpg")));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const QByteArray bytes = whole.readAll();
        QFile cut(home_.filePath(QStringLiteral("cut.jpg")));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(bytes.left(bytes.size() / 2) + QByteArray("\xFF\xD9", 2));
        cut.close();
        QFile project(home_.filePath(QStringLiteral("cut.KXP")));
        QVERIFY(project.open(QIODevice::WriteOnly));
        project.write("B cut.jpg\r\nO cut.jpg\r\nR 2400\r\nV 18\r\n");
        project.close();

        MainWindow window(project.fileName(), QStringLiteral(KVX_DATA_DIR));
        bool saved = false;
        QTimer watch;
        watch.setInterval(50);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            QWidget* notice = QApplication::activeModalWidget();
            if (notice == nullptr || saved) return;
            QTest::qWait(100);
            Save(*notice, QStringLiteral("damaged_notice.png"));
            saved = true;
            notice->close();
        });
        watch.start();
        ShowReady(window);
        window.workspace().Redraw();
        QTRY_VERIFY(saved);
        QTest::qWait(100);
        Save(window, QStringLiteral("damaged_picture.png"));
    }
};

QTEST_MAIN(ScreenshotTest)
#include "screenshot_test.moc"
