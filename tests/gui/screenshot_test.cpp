// Pictures of the real window with the sample project for a person to look
// at; run under a virtual X server. They are only checked for not being blank.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <set>

#include "core/workspace/workspace.hpp"
#include "gui/main/main_window.hpp"
#include "gui/main/paint_box.hpp"

using namespace kvx;

class ScreenshotTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;

    static int DistinctColours(const QImage& image) {
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3) {
            for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
        }
        return static_cast<int>(colours.size());
    }

    void Save(QWidget& window, const QString& name) {
        QDir().mkpath(QStringLiteral(KVX_SCREENSHOT_DIR));
        const QImage shot = window.grab().toImage();
        const QString path = QStringLiteral(KVX_SCREENSHOT_DIR "/") + name;
        QVERIFY(shot.save(path));
        QVERIFY2(DistinctColours(shot) > 50, qPrintable(path));
    }

    // Shown, activated and past the start-up splash, as after a first key.
    static void ShowReady(MainWindow& window) {
        QCOMPARE(window.StartupStep(), 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        QTest::qWait(200);
        window.startup().started = 2;
    }

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        for (const char* name : {"tissue.KXP", "tissue.jpg"}) {
            QVERIFY(QFile::copy(QStringLiteral(KVX_DATA_DIR "/samples/") + QLatin1String(name),
                                home_.filePath(QLatin1String(name))));
        }
    }

    void SampleProject() {
        MainWindow window(home_.filePath(QStringLiteral("tissue.KXP")),
                          QStringLiteral(KVX_DATA_DIR));
        ShowReady(window);
        window.workspace().Redraw();
        QTest::qWait(100);
        QVERIFY(window.workspace().history.Count() > 0);
        Save(window, QStringLiteral("main_window.png"));
    }

    void MeasuredWithHistogramAndStatistics() {
        MainWindow window(home_.filePath(QStringLiteral("tissue.KXP")),
                          QStringLiteral(KVX_DATA_DIR));
        ShowReady(window);
        Workspace& ws = window.workspace();
        ws.Redraw();
        auto* box = window.findChild<PaintBox*>(QStringLiteral("MainPB"));
        auto* cbo = window.findChild<QComboBox*>(QStringLiteral("cbo"));
        auto* measure = window.findChild<QToolButton*>(QStringLiteral("ImgVec"));
        QVERIFY(box != nullptr && cbo != nullptr && measure != nullptr);
        const int before = ws.history.Count();

        const auto choose = [&](int type) {
            const int index = cbo->findData(type);
            QVERIFY(index >= 0);
            cbo->showPopup();
            QAbstractItemView* list = cbo->view();
            QTRY_VERIFY(list->isVisible());
            list->setCurrentIndex(list->model()->index(index, 0));
            QTest::keyClick(list, Qt::Key_Return);
            QTRY_VERIFY(!list->isVisible());
            QCOMPARE(ws.currentType, type);
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
        QCOMPARE(ws.history.Count(), before + 5 + 5 + 12);
        QCOMPARE(ws.captureState, 0);

        // The histogram and the statistics box are drawn on top.
        auto& layers = window.program().settings.DisplayLayers;
        for (auto& layer : layers) {
            if (layer == -9 || layer == -10) layer = -layer;
        }
        ws.Redraw();
        QTest::qWait(100);
        Save(window, QStringLiteral("measured.png"));
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
