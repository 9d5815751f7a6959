// The main window driven as a person would: menus, keys, the dialogs of the
// project commands and the exports, with a fresh configuration folder.
#include "gui/main/main_window.hpp"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <QtTest>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>

#include "core/detect/shape_table.hpp"
#include "core/draw/recording.hpp"
#include "core/export/object_table_text.hpp"
#include "core/picture/picture.hpp"
#include "core/picture/picture_loader.hpp"
#include "core/program/program.hpp"
#include "core/project/project.hpp"
#include "core/workspace/workspace.hpp"
#include "gui/dialogs/file_ext_sel.hpp"
#include "gui/dialogs/results_window.hpp"
#include "gui/main/paint_box.hpp"
#include "gui/support/core_text.hpp"
#include "gui_test_support.hpp"

using namespace kvx;
using namespace kvx::test;

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home_;
    QString config_;
    QString documents_;

    std::unique_ptr<MainWindow> Start(const QString& file = {}) { return StartWindow(file); }

    QString Image(const QString& name) {
        return SaveTestJpeg(documents_ + QLatin1Char('/') + name);
    }

    void WriteConfig(const QByteArray& lines) {
        QDir().mkpath(config_ + QStringLiteral("/Znb2Win"));
        QFile file(config_ + QStringLiteral("/Znb2Win/Korvanix.cfg"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(lines);
    }

    // New on an image through the file-selection and input dialogs.
    void NewProject(MainWindow& window, const QString& imageName) {
        ModalScript script({
            [&](QWidget& dialog) {
                QCOMPARE(dialog.objectName(), QStringLiteral("TFileExtSel"));
                auto* list = Find<QListWidget>(dialog, "FileList");
                QVERIFY(list != nullptr);
                const auto found = list->findItems(imageName, Qt::MatchExactly);
                QCOMPARE(found.size(), 1);
                list->setCurrentItem(found.first());
                QTest::keyClick(list, Qt::Key_Return);
            },
            [](QWidget& dialog) {
                QCOMPARE(dialog.objectName(), QStringLiteral("TPrgDlg"));
                TypeInto(dialog, "Edit", QStringLiteral("1200"));
            },
        });
        QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
        QVERIFY(script.Done());
    }

private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(home_->isValid());
        const UserFolders folders = FreshUserFolders(home_->path());
        config_ = folders.config;
        documents_ = folders.documents;
    }

    void StartsWithAFreshConfigurationAndWritesItAtExit() {
        auto window = Start();
        QCOMPARE(window->StartupStep(), 0);
        QVERIFY(window->startup().started >= 1);
        QVERIFY(QDir(config_ + QStringLiteral("/Znb2Win")).exists());
        auto* cbo = Find<QComboBox>(*window, "cbo");
        QVERIFY(cbo->count() > 1);
        QCOMPARE(cbo->itemText(0), QStringLiteral("  0 none"));
        // Nothing that needs a project can be run yet.
        for (const char* name : {"MnSave", "MnSaveTo", "MnProps", "MnMeasure", "MnModify"}) {
            QVERIFY2(!Find<QAction>(*window, name)->isEnabled(), name);
        }
        QVERIFY(!Find<QMenu>(*window, "MnWrite")->menuAction()->isEnabled());
        QVERIFY(!Find<QToolButton>(*window, "ImgVec")->isVisible());
        QVERIFY(window->windowTitle().startsWith(QStringLiteral("Strativa/Korvanix ")));

        QTest::keyClick(window.get(), Qt::Key_X, Qt::AltModifier);
        QVERIFY(!window->isVisible());
        QVERIFY(QFile::exists(config_ + QStringLiteral("/Znb2Win/Korvanix.cfg")));
        QVERIFY(QFile::exists(config_ + QStringLiteral("/Znb2Win/Korvanix.kxo")));
    }

    void MenuCaptionsFollowTheLanguage_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("qtCancel");
        QTest::newRow("German") << 0 << QStringLiteral("Datei") << QStringLiteral("Abbrechen");
        QTest::newRow("English") << 1 << QStringLiteral("File") << QStringLiteral("Cancel");
        QTest::newRow("Spanish") << 2 << QStringLiteral("Archivo") << QStringLiteral("Cancelar");
    }

    void MenuCaptionsFollowTheLanguage() {
        QFETCH(int, language);
        QFETCH(QString, file);
        QFETCH(QString, qtCancel);
        WriteConfig("; Main.Language\r\n5\t" + QByteArray::number(language) + "\r\n");
        auto window = Start();
        QCOMPARE(window->program().settings.Language, language);
        const QString title = Find<QMenu>(*window, "MnFile")->title();
        QCOMPARE(title, FromCore(window->program().GetMessage(2061)));
        QVERIFY2(title.contains(file, Qt::CaseInsensitive), qPrintable(title));
        // Each caption comes from the catalogue: none is left as a number.
        for (const char* name : {"MnNew", "MnLoad", "MnSave", "MnExit", "MnMeasure", "MnWorld"}) {
            const QString text = Find<QAction>(*window, name)->text();
            QVERIFY2(!text.isEmpty() && !text.at(0).isDigit(), name);
        }
        QCOMPARE(Find<QAction>(*window, "Screen1")->text(),
                 FromCore(window->program().GetMessage(2079)));

        // Qt's own dialogs speak the same language.
        QColorDialog colours;
        colours.setOption(QColorDialog::DontUseNativeDialog);
        auto* buttons = colours.findChild<QDialogButtonBox*>();
        QVERIFY(buttons != nullptr);
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')),
                 qtCancel);

        // The save dialog's column headings show whole in every language.
        bool checked = false;
        ModalScript save({[&checked](QWidget& dialog) {
            auto* header = dialog.findChild<QHeaderView*>();
            QVERIFY(header != nullptr);
            const auto whole = [header] {
                const QFontMetrics metrics(header->font());
                for (int i = 0; i < header->count(); ++i) {
                    const QString heading =
                        header->model()->headerData(i, Qt::Horizontal).toString();
                    if (header->sectionSize(i) < metrics.horizontalAdvance(heading) + 8)
                        return false;
                }
                return header->count() >= 4;
            };
            QTRY_VERIFY(whole());
            checked = true;
        }});
        SaveFileRequest request;
        request.startDirectory = PathToCore(documents_);
        (void)window->userInterface().SaveFileName(request);
        QVERIFY(checked);
    }

    // Whatever the size, no control of the toolbar row covers another, and
    // the field and the grids lie side by side inside the window.
    void NothingOverlaps_data() {
        QTest::addColumn<int>("performanceMode");
        QTest::addColumn<int>("height");
        QTest::newRow("first start") << 2 << 580;
        QTest::newRow("performance mode") << 1 << 580;
        QTest::newRow("smallest") << 2 << 572;
        QTest::newRow("688 high") << 2 << 688;
        QTest::newRow("performance mode, 752 high") << 1 << 752;
    }

    void NothingOverlaps() {
        QFETCH(int, performanceMode);
        QFETCH(int, height);
        auto window = Start(Image(QStringLiteral("row.jpg")));
        window->program().settings.PerformanceMode = performanceMode;
        window->ResizeOuter(800, height);
        window->ApplyLayout();
        QCOMPARE(window->OuterSize().height(), height);
        QWidget* area = window->centralWidget();

        // A bevel with its icon, label and buttons counts as one control.
        QList<QRect> bevels;
        for (QWidget* child : area->findChildren<QFrame*>(Qt::FindDirectChildrenOnly)) {
            if (child->objectName().startsWith(QStringLiteral("Bevel"))) {
                bevels.append(child->geometry());
            }
        }
        QList<QPair<QString, QRect>> placed;
        for (QWidget* child : area->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QString name = child->objectName();
            const QRect r = child->geometry();
            const bool grid = name == QStringLiteral("MainPB") || name == QStringLiteral("DGrid") ||
                              name == QStringLiteral("vGrid");
            if (!grid && r.top() >= 30) continue;
            if (name.startsWith(QStringLiteral("BtF")) && !child->isVisibleTo(window.get())) {
                continue;
            }
            const bool inBevel =
                !name.startsWith(QStringLiteral("Bevel")) &&
                std::any_of(bevels.begin(), bevels.end(),
                            [&r](const QRect& bevel) { return bevel.contains(r); });
            if (inBevel) continue;
            QVERIFY2(area->rect().contains(r), qPrintable(name));
            for (const auto& [other, rect] : placed) {
                QVERIFY2(!rect.intersects(r), qPrintable(name + QStringLiteral(" / ") + other));
            }
            placed.append({name, r});
        }
        QVERIFY(placed.size() >= 14);
    }

    void LayoutFollowsTheWindowHeight() {
        auto window = Start();
        window->program().settings.PerformanceMode = 2;
        window->ResizeOuter(1000, 700);
        window->ApplyLayout();
        if (window->screen()->geometry().height() - 28 < 700) {
            QSKIP("the screen of this platform is too small for a 700-pixel window");
        }
        auto* box = Find<PaintBox>(*window, "MainPB");
        QCOMPARE(box->size(), QSize(572, 572));
        // The grids are at least as wide as designed, wider where a label
        // needs it to be read whole.
        const int grids = Find<QTableWidget>(*window, "vGrid")->width();
        QVERIFY(grids >= 220);
        QCOMPARE(Find<QTableWidget>(*window, "DGrid")->width(), grids);
        QCOMPARE(window->OuterSize().width(), grids + 612);
        // A narrow window has no room for function buttons.
        QVERIFY(!Find<QPushButton>(*window, "BtF1")->isVisible());
        QCOMPARE(window->program().settings.WindowWidth, grids + 612);
    }

    // The window-geometry layer prints what the window really measures.
    void GeometryLayerPrintsTheWindowsSizes() {
        auto window = Start(Image(QStringLiteral("geometry.jpg")));
        window->startup().started = 2;
        Workspace& ws = window->workspace();
        window->program().settings.DisplayLayers = {1, 2, -3, -4, -5, -6, -7, -8, -9, -10};
        window->ResizeOuter(1000, 700);
        window->ApplyLayout();
        QTest::keyClick(window.get(), Qt::Key_Space);
        QVERIFY(ws.windowState().surface != nullptr);
        QStringList lines;
        for (const auto* text : ws.windowState().surface->OpsOf<draw_op::Text>()) {
            lines << FromCore(text->text);
        }
        const QSize box = Find<PaintBox>(*window, "MainPB")->size();
        const QSize outer = window->OuterSize();
        const QRect screen = window->screen()->geometry();
        const int tabs =
            Find<QWidget>(*window, "vGrid")->height() + Find<QWidget>(*window, "DGrid")->height();
        QVERIFY(box.width() > 0 && tabs > 0);
        QVERIFY2(
            lines.contains(
                QStringLiteral("Screen (x/y) : %1 / %2").arg(screen.width()).arg(screen.height())),
            qPrintable(lines.join(QLatin1Char('|'))));
        QVERIFY(lines.contains(
            QStringLiteral("Main (x/y) : %1 / %2").arg(outer.width()).arg(outer.height())));
        QVERIFY(lines.contains(
            QStringLiteral("Area (x/y) : %1 / %2").arg(box.width()).arg(box.height())));
        QVERIFY(lines.contains(QStringLiteral("Tabs (y) : %1").arg(tabs)));
    }

    // A JPEG cut in half: the window shows what was decoded, with a notice
    // and a word in the status bar.
    void ADamagedPictureIsShownWithAWarning() {
        QImage noise(300, 200, QImage::Format_RGB32);
        for (int y = 0; y < noise.height(); ++y) {
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, qRgb(x * 7, y * 13, x ^ y));
        }
        const QString path = documents_ + QStringLiteral("/cut.jpg");
        QVERIFY(noise.save(path, "JPG"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray half = file.readAll().left(static_cast<int>(file.size() / 2));
        file.resize(0);
        file.seek(0);
        file.write(half + QByteArray("\xFF\xD9", 2));
        file.close();

        // The notice comes up with the window's first drawing, while it starts.
        QString notice;
        QTimer watch;
        watch.setInterval(10);
        QObject::connect(&watch, &QTimer::timeout, [&notice] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || dialog->objectName() != QStringLiteral("TErrorMes")) return;
            notice = Find<QLabel>(*dialog, "Label2")->text();
            dialog->accept();
        });
        watch.start();
        auto window = Start(path);
        window->startup().started = 2;
        Workspace& ws = window->workspace();
        QTest::keyClick(window.get(), Qt::Key_Space);
        QTRY_VERIFY(!notice.isEmpty());
        QCOMPARE(notice, FromCore(window->program().GetMessage(2385)));
        QVERIFY(ws.project().picture != nullptr);
        QCOMPARE(ws.project().view.imageWidth, 300);
        const QString damaged = FromCore(window->program().GetMessage(2387));
        QVERIFY(Find<QLabel>(*window, "StBarPanel3")->text().startsWith(damaged));
    }

    // A picture that cannot be decoded at all is reported once: the redraws
    // that the message's own closing, keys and commands bring do not bring
    // it back, and the window goes on working (here: it can be ended).
    void AnUndecodablePictureIsReportedOnceAndTheWindowStaysUsable() {
        QVERIFY(QFile::copy(QStringLiteral(KVX_DATA_DIR "/samples/tissue.KXP"),
                            documents_ + QStringLiteral("/tissue.KXP")));
        QFile noise(documents_ + QStringLiteral("/tissue.jpg"));
        QVERIFY(noise.open(QIODevice::WriteOnly));
        QByteArray bytes(4096, '\0');
        for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
        noise.write(bytes);
        noise.close();

        int reports = 0;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&reports] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            ++reports;
            dialog->accept();
        });
        watch.start();
        // Not through Start, whose own script would take the message.
        auto window = std::make_unique<MainWindow>(documents_ + QStringLiteral("/tissue.KXP"),
                                                   QStringLiteral(KVX_DATA_DIR));
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->startup().started = 2;
        Workspace& ws = window->workspace();
        QTest::keyClick(window.get(), Qt::Key_Space);
        QTRY_COMPARE(reports, 1);
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space, Qt::Key_Plus}) {
            QTest::keyClick(window.get(), key);
            window->repaint();
            QTest::qWait(30);
        }
        QCOMPARE(reports, 1);
        // The project stays open as it was read, its picture still to come.
        QVERIFY(ws.fileState() != kNoProject);
        QVERIFY(ws.project().picture == nullptr);
        QVERIFY(ws.project().fitImagePending);
        // Reset closes it, and the window can be ended, without the message.
        QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
        QTest::qWait(30);
        QCOMPARE(ws.fileState(), int32_t{kNoProject});
        QVERIFY(window->close());
        QCOMPARE(reports, 1);
    }

    // A phone photo of 3200 x 2400 pixels stored on its side (EXIF
    // orientation 6), red at the top left as stored and a chequer of single
    // pixels near its middle. The window shows it as the camera meant it
    // (red at the top right), decoded reduced at first; zooming in on the
    // chequer brings the full picture in from the background.
    void ATurnedPhotoShowsUprightAndZoomingBringsTheFullPicture() {
        QImage photo(3200, 2400, QImage::Format_RGB32);
        photo.fill(QColor(0, 0, 255));
        for (int y = 0; y < 1200; ++y) {
            for (int x = 0; x < 1600; ++x) photo.setPixel(x, y, qRgb(255, 0, 0));
        }
        for (int y = 1100; y < 1300; ++y) {
            for (int x = 1500; x < 1700; ++x) {
                photo.setPixel(x, y, (x + y) % 2 == 0 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
            }
        }
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(photo.save(&buffer, "JPG", 98));
        // An EXIF segment after the start marker: big-endian, one entry,
        // Orientation (0x0112), a short, 6.
        const QByteArray exif = QByteArray(
            "\xFF\xE1\x00\x22"
            "Exif\0\0"
            "MM\0\x2A\0\0\0\x08"
            "\0\x01"
            "\x01\x12\0\x03\0\0\0\x01\0\x06\0\0"
            "\0\0\0\0",
            36);
        const QString path = documents_ + QStringLiteral("/phone.jpg");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(jpeg.left(2) + exif + jpeg.mid(2));
        file.close();

        auto window = Start(path);
        window->startup().started = 2;
        // Every kind the program reads may be dropped on the window.
        for (const char* name : {"scan.TIF", "scan.tiff", "slide.png", "photo.webp"}) {
            QMimeData dropped;
            dropped.setUrls(
                {QUrl::fromLocalFile(documents_ + QLatin1Char('/') + QLatin1String(name))});
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton,
                                  Qt::NoModifier);
            enter.ignore();
            QApplication::sendEvent(window.get(), &enter);
            QCOMPARE(enter.isAccepted(), !QByteArray(name).endsWith("webp"));
        }
        Workspace& ws = window->workspace();
        QTest::keyClick(window.get(), Qt::Key_Space);
        QVERIFY(ws.project().picture != nullptr);
        QCOMPARE(ws.project().view.imageWidth, 2400);
        QCOMPARE(ws.project().view.imageHeight, 3200);
        QVERIFY(ws.project().picture->Reduced());

        auto* box = Find<PaintBox>(*window, "MainPB");
        const int side = box->width();
        QImage shown = box->Snapshot();
        const QColor topRight(shown.pixel(side / 2, side / 5));
        QVERIFY(topRight.red() > 230 && topRight.blue() < 30);
        const QColor topLeft(shown.pixel(side / 7, side / 5));
        QVERIFY(topLeft.red() < 30 && topLeft.blue() > 230);

        // The chequer as shown: stored (1600, 1200) is at (2399 - 1200, 1600).
        const ViewBlock& v = ws.project().view;
        const double worldX = 1199.0 * 25400.0 / 1200.0;
        const double worldY = 1600.0 * 25400.0 / 1200.0;
        const auto left = static_cast<double>(v.viewLeft);
        const auto top = static_cast<double>(v.viewTop);
        const auto size = static_cast<double>(v.viewSize);
        const QPoint at(static_cast<int>((worldX - left) * side / size),
                        static_cast<int>((worldY - top) * side / size));
        // 200 notches of the fine zoom: several screen pixels per picture pixel.
        QWheelEvent wheel(QPointF(at), box->mapToGlobal(QPointF(at)), QPoint(),
                          QPoint(0, 200 * 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(box, &wheel);
        QTRY_VERIFY_WITH_TIMEOUT(!ws.project().picture->Reduced(), 20000);
        QCOMPARE(ws.project().picture->pixels.Width(), 2400);
        // Neighbouring pixels of the chequer differ: the detail is there.
        shown = box->Snapshot();
        int darkest = 255;
        int lightest = 0;
        for (int dx = -6; dx <= 6; ++dx) {
            const int grey = qGray(shown.pixel(at.x() + dx, at.y()));
            darkest = std::min(darkest, grey);
            lightest = std::max(lightest, grey);
        }
        QVERIFY2(lightest - darkest > 150,
                 qPrintable(QStringLiteral("%1 .. %2").arg(darkest).arg(lightest)));
    }

    void KeysNeedExactModifiers() {
        auto window = Start(Image(QStringLiteral("keys.jpg")));
        Workspace& ws = window->workspace();
        QVERIFY(ws.fileState() != kNoProject);
        QVERIFY(ws.project().projectPath.empty());
        window->startup().started = 2;
        ws.Redraw();

        const ViewBlock before = ws.project().view;
        QTest::keyClick(window.get(), Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(ws.project().view.viewLeft, before.viewLeft);
        QTest::keyClick(window.get(), Qt::Key_Plus, Qt::KeypadModifier);
        QVERIFY(ws.project().view.viewSize < before.viewSize);

        // Ctrl+S without a project file asks where to save.
        const QString target = documents_ + QStringLiteral("/keys.KXP");
        ModalScript script({
            [&](QWidget& dialog) { SaveAs(dialog, target); },
            [](QWidget& dialog) { TypeInto(dialog, "Edit", QStringLiteral("Tester")); },
        });
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(QFile::exists(target));
        QCOMPARE(ws.fileState(), kUnchanged);
    }

    void ProjectsStartFittedInTheirFolderWithNamedButtons() {
        QDir().mkpath(documents_ + QStringLiteral("/slides"));
        const QString folder = documents_ + QStringLiteral("/slides");
        auto window = Start(SaveTestJpeg(folder + QStringLiteral("/fit.jpg")));
        Workspace& ws = window->workspace();
        window->startup().started = 2;
        ws.Redraw();
        // 400 x 300 pixels at 1200 dpi: 8467 µm across, from the corner.
        const ViewBlock& view = ws.project().view;
        QCOMPARE(view.viewSize, int64_t{8467});
        QCOMPARE(view.viewLeft, int64_t{0});
        QCOMPARE(view.viewTop, int64_t{0});
        QTest::keyClick(window.get(), Qt::Key_Plus, Qt::KeypadModifier);
        QVERIFY(view.viewSize < 8467);
        QTest::keyClick(window.get(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(view.viewSize, int64_t{8467});
        Find<QAction>(*window, "MnWorld")->trigger();
        QCOMPARE(view.viewSize, int64_t{1000000});
        QTest::mouseClick(Find<QToolButton>(*window, "BitBtn6"), Qt::LeftButton);
        QCOMPARE(view.viewSize, int64_t{8467});
        QVERIFY(
            Find<QAction>(*window, "MnFitPicture")->text().endsWith(QStringLiteral("\tCtrl+0")));

        // Every toolbar button tells its name, and its key where it has one.
        QCOMPARE(Find<QToolButton>(*window, "BitBtn1")->toolTip(), QStringLiteral("New (Ctrl+N)"));
        QCOMPARE(Find<QToolButton>(*window, "BitBtn4")->toolTip(), QStringLiteral("Zoom in (+)"));
        QCOMPARE(Find<QToolButton>(*window, "BitBtn6")->toolTip(),
                 QStringLiteral("Fit picture (Ctrl+0)"));
        QCOMPARE(Find<QToolButton>(*window, "ImgVec")->toolTip(), QStringLiteral("Measure"));
        for (QToolButton* button : window->centralWidget()->findChildren<QToolButton*>()) {
            QVERIFY2(!button->toolTip().isEmpty(), qPrintable(button->objectName()));
        }
        QVERIFY(!Find<QWidget>(*window, "spinDet")->toolTip().isEmpty());

        // Save to, Export, New and Open start in the project's folder.
        const auto inFolder = [&](QWidget& dialog) {
            if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
                QCOMPARE(QDir(files->directory()).canonicalPath(), QDir(folder).canonicalPath());
            } else {
                auto* select = qobject_cast<TFileExtSel*>(&dialog);
                QVERIFY(select != nullptr);
                QCOMPARE(QDir(select->Directory()).canonicalPath(), QDir(folder).canonicalPath());
            }
        };
        {
            ModalScript script({inFolder});
            Find<QAction>(*window, "MnSaveTo")->trigger();
            QVERIFY(script.Done());
        }
        {
            ModalScript script({inFolder});
            Find<QAction>(*window, "WriteWMF")->trigger();
            QVERIFY(script.Done());
        }
        {
            ModalScript script({inFolder});
            QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
            QVERIFY(script.Done());
        }
        {
            ModalScript script(
                {[](QWidget& dialog) { TypeInto(dialog, "Edit", QStringLiteral("*.KXP")); },
                 inFolder});
            QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
            QVERIFY(script.Done());
        }
    }

    void TheWheelStepIsAnOptionKeptBesideTheConfiguration() {
        auto window = Start(Image(QStringLiteral("wheel.jpg")));
        Workspace& ws = window->workspace();
        window->startup().started = 2;
        ws.Redraw();
        // A first start fills four fifths of the free area, at least as much
        // as the window was designed for.
        const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(window->OuterSize().height() >= std::min(580, free.height() - 35));
        QVERIFY(window->OuterSize().height() >=
                std::min(free.height() * 4 / 5, free.height() - 35));
        QCOMPARE(window->program().settings.WheelZoomPercent, 20);

        ModalScript options({[](QWidget& dialog) {
            auto* wheel = Find<QLineEdit>(dialog, "EdWheelZoomPercent");
            QVERIFY(wheel != nullptr);
            QCOMPARE(wheel->text(), QStringLiteral("20"));
            wheel->setText(QStringLiteral("30"));
            QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
        }});
        Find<QAction>(*window, "MnOptions2")->trigger();
        QVERIFY(options.Done());
        QCOMPARE(window->program().settings.WheelZoomPercent, 30);
        QFile view(config_ + QStringLiteral("/Znb2Win/Korvanix.view"));
        QVERIFY(view.open(QIODevice::ReadOnly));
        QVERIFY(view.readAll().contains("WheelZoomPercent = 30"));

        // One notch zooms in by the step.
        PaintBox& box = *Find<PaintBox>(*window, "MainPB");
        const int64_t size = ws.project().view.viewSize;
        const QPoint at(100, 100);
        QWheelEvent wheel(at, box.mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&box, &wheel);
        QCOMPARE(ws.project().view.viewSize, int64_t(std::nearbyint(double(size) * 0.7)));

        // The configuration older versions read stays without the new key;
        // the next start reads the step back.
        window->close();
        QFile config(config_ + QStringLiteral("/Znb2Win/Korvanix.cfg"));
        QVERIFY(config.open(QIODevice::ReadOnly));
        QVERIFY(!config.readAll().contains("Wheel"));
        auto second = Start();
        QCOMPARE(second->program().settings.WheelZoomPercent, 30);
    }

    void NewSaveResetLoad() {
        const QString image = Image(QStringLiteral("slide.jpg"));
        QVERIFY(!image.isEmpty());
        auto window = Start();
        window->startup().started = 2;
        NewProject(*window, QStringLiteral("slide.jpg"));
        Workspace& ws = window->workspace();
        QCOMPARE(ws.project().resolutionDpi, 1200);
        QCOMPARE(FromCore(ws.project().imagePath), image);
        QVERIFY(Find<QAction>(*window, "MnSaveTo")->isEnabled());
        QVERIFY(Find<QToolButton>(*window, "ImgVec")->isVisible());

        // A point is measured, so that Reset has something to ask about.
        ws.SetFileState(kChanged);
        ModalScript askReset({
            [](QWidget& box) { Answer(box, QMessageBox::Cancel); },
        });
        QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(askReset.Done());
        QCOMPARE(ws.fileState(), kChanged);

        const QString project = documents_ + QStringLiteral("/slide.KXP");
        ModalScript askAgain({
            [](QWidget& box) { Answer(box, QMessageBox::Yes); },
            [&](QWidget& dialog) { SaveAs(dialog, project); },
            [](QWidget& dialog) { TypeInto(dialog, "Edit", QStringLiteral("Tester")); },
        });
        QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(QFile::exists(project));
        QCOMPARE(ws.fileState(), kNoProject);
        QVERIFY(!Find<QAction>(*window, "MnSaveTo")->isEnabled());

        ModalScript load({
            [](QWidget& dialog) { TypeInto(dialog, "Edit", QStringLiteral("*.KXP")); },
            [](QWidget& dialog) {
                QCOMPARE(dialog.objectName(), QStringLiteral("TFileExtSel"));
                auto* list = Find<QListWidget>(dialog, "FileList");
                QCOMPARE(list->count(), 1);
                QTest::keyClick(list, Qt::Key_Return);
            },
        });
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(FromCore(ws.project().projectPath), project);
        QCOMPARE(ws.fileState(), kUnchanged);
        QVERIFY(Find<QAction>(*window, "MnSave")->isEnabled());
    }

    void EveryExportKindWritesItsFile() {
        const QString image = Image(QStringLiteral("export.jpg"));
        auto window = Start(image);
        Workspace& ws = window->workspace();
        window->startup().started = 2;
        ws.Redraw();
        QVERIFY(Find<QMenu>(*window, "MnWrite")->menuAction()->isEnabled());

        struct Case {
            const char* action;
            const char* file;
        };
        for (const Case& c :
             {Case{"WriteWMF", "out.WMF"}, Case{"WriteBMP", "out.BMP"}, Case{"JPG1", "out.JPG"}}) {
            const QString path = documents_ + QLatin1Char('/') + QLatin1String(c.file);
            ModalScript script({[&](QWidget& dialog) { SaveAs(dialog, path); }});
            Find<QAction>(*window, c.action)->trigger();
            QVERIFY2(QFile::exists(path), c.file);
            QVERIFY2(QFileInfo(path).size() > 100, c.file);
        }
        // The pixel copies are as large as the paint box.
        const QImage copy(documents_ + QStringLiteral("/out.BMP"));
        QCOMPARE(copy.size(), Find<PaintBox>(*window, "MainPB")->size());
        QCOMPARE(QImage(documents_ + QStringLiteral("/out.JPG")).size(), copy.size());
    }

    void MenuEntriesOpenTheirDialogs() {
        auto window = Start();
        window->startup().started = 2;
        const ObjectTypeTable before = window->program().objectTypes;
        struct Case {
            const char* action;
            const char* dialog;
        };
        for (const Case& c : {Case{"MnData", "TFMP_TYPE"}, Case{"MnAddobject", "TFMP_TYPE"},
                              Case{"MnOptions2", "TMesOptions"}, Case{"MnInfo", "TKvxMesInfo"}}) {
            QString opened;
            ModalScript script({[&opened](QWidget& dialog) { opened = dialog.objectName(); }});
            Find<QAction>(*window, c.action)->trigger();
            QCOMPARE(opened, QLatin1String(c.dialog));
        }
        // Every dialog was cancelled: a new type's slot is empty again.
        QVERIFY(window->program().objectTypes == before);
    }

    void TextExportsOfTheSampleProject() {
        for (const char* name : {"tissue.KXP", "tissue.jpg"}) {
            QVERIFY(QFile::copy(QStringLiteral(KVX_DATA_DIR "/samples/") + QLatin1String(name),
                                documents_ + QLatin1Char('/') + QLatin1String(name)));
        }
        auto window = Start(documents_ + QStringLiteral("/tissue.KXP"));
        window->startup().started = 2;
        QVERIFY(window->workspace().history().Count() > 0);
        QVERIFY(Find<QAction>(*window, "MnExpText")->isEnabled());
        // The report follows the chosen type: the polygons of the sample.
        auto* cbo = Find<QComboBox>(*window, "cbo");
        const int polygons = cbo->findText(QStringLiteral("Polygon"), Qt::MatchContains);
        QVERIFY(polygons > 0);
        cbo->setCurrentIndex(polygons);
        emit cbo->activated(polygons);
        QVERIFY(window->workspace().currentType() > 0);
        QVERIFY(window->workspace().valueList().Count() > 0);

        // Every question is answered Yes; the save dialog gets the file.
        auto answerAll = [](const QString& path) {
            std::deque<std::function<void(QWidget&)>> actions;
            for (int i = 0; i < 12; ++i) {
                actions.push_back([path](QWidget& dialog) {
                    if (qobject_cast<QFileDialog*>(&dialog) != nullptr) {
                        SaveAs(dialog, path);
                    } else if (qobject_cast<QMessageBox*>(&dialog) != nullptr) {
                        Answer(dialog, QMessageBox::Yes);
                    }
                });
            }
            return actions;
        };
        struct Case {
            const char* action;
            const char* file;
        };
        for (const Case& c : {Case{"MnExpText", "report.TXT"}, Case{"Tessaplot1", "classes.TSP"},
                              Case{"R1", "table.TXT"}}) {
            const QString path = documents_ + QLatin1Char('/') + QLatin1String(c.file);
            ModalScript script(answerAll(path));
            Find<QAction>(*window, c.action)->trigger();
            QVERIFY2(QFileInfo(path).size() > 20, c.file);
        }

        // The screen report opens its window with the report lines.
        // Its columns line up with blanks and tabs whatever fonts the
        // machine happens to have besides the ones the program installs.
        bool shown = false;
        QFontInfo memoFont{QFont()};
        ModalScript screen({[&shown, &memoFont](QWidget& dialog) {
            shown = dialog.objectName() == QStringLiteral("TScreenMsg");
            memoFont = QFontInfo(Find<QPlainTextEdit>(dialog, "DetailTxt")->font());
        }});
        Find<QAction>(*window, "Screen1")->trigger();
        QVERIFY(shown);
        QVERIFY(memoFont.fixedPitch());
        QCOMPARE(memoFont.family(), QStringLiteral("Liberation Mono"));
    }

    void ResultsWindowListsSortsCopiesAndSavesEveryObject() {
        for (const char* name : {"tissue.KXP", "tissue.jpg"}) {
            QVERIFY(QFile::copy(QStringLiteral(KVX_DATA_DIR "/samples/") + QLatin1String(name),
                                documents_ + QLatin1Char('/') + QLatin1String(name)));
        }
        auto window = Start(documents_ + QStringLiteral("/tissue.KXP"));
        window->startup().started = 2;
        QTest::keyClick(window.get(), Qt::Key_M, Qt::ControlModifier);
        auto* results = window->findChild<ResultsWindow*>(QStringLiteral("ResultsWindow"));
        QVERIFY(results != nullptr);
        QVERIFY(results->isVisible());
        auto* table = Find<QTableView>(*results, "ResultsTable");
        const QAbstractItemModel& rows = *table->model();
        const auto text = [&](int r, int c) { return rows.index(r, c).data().toString(); };
        const auto number = [&](int r, int c) {
            return rows.index(r, c).data(Qt::UserRole).toDouble();
        };
        Workspace& ws = window->workspace();
        const std::vector<ObjectDescription> objects =
            DescribeObjects(ws.history(), window->program().objectTypes);
        // Every object of every type, values or not (the sample's Count type
        // has none in the value box until chosen).
        QCOMPARE(rows.rowCount(), static_cast<int>(objects.size()));
        QVERIFY(rows.rowCount() > 80);
        QCOMPARE(rows.columnCount(), static_cast<int>(ObjectTableColumns().size()));
        const auto column = [&](const char* name) {
            for (int c = 0; c < rows.columnCount(); ++c) {
                if (rows.headerData(c, Qt::Horizontal).toString() == QLatin1String(name)) return c;
            }
            return -1;
        };
        const int area = column("area");
        const int object = column("object");
        QVERIFY(area > 0);
        // The picture is loaded: the polygons carry their colour values.
        QVERIFY(!Find<QLabel>(*results, "ResultsNote")->isVisible());
        int measured = 0;
        for (int r = 0; r < rows.rowCount(); ++r) {
            if (!text(r, column("red_mean")).isEmpty()) ++measured;
        }
        QCOMPARE(measured, 34);

        // A click on the header sorts by number, not by text, both ways,
        // rows without an area last either way.
        QHeaderView* header = table->horizontalHeader();
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(area) + 5, 5));
            QCOMPARE(header->sortIndicatorOrder(), order);
            for (int r = 1; r < 34; ++r) {
                const double before = number(r - 1, area);
                const double after = number(r, area);
                QVERIFY2(order == Qt::AscendingOrder ? before <= after : before >= after,
                         qPrintable(QString::number(r)));
            }
            QVERIFY(text(34, area).isEmpty());
            QVERIFY(text(rows.rowCount() - 1, area).isEmpty());
        }

        // Copy takes the selected rows as shown, under the column names.
        table->selectRow(0);
        Find<QPushButton>(*results, "ResultsCopy")->click();
        const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);  // header, one row, the closing line end
        QVERIFY(lines[0].startsWith(QStringLiteral("type\ttype_name\tdata_type\tobject\t")));
        QCOMPARE(lines[1].split(QLatin1Char('\t')).size(), rows.columnCount());
        QCOMPARE(lines[1].split(QLatin1Char('\t'))[area], text(0, area));

        // The selected row is the object picked out on the picture, and a
        // click on the picture selects its row.
        QCOMPARE(ws.pickedObjects().size(), std::size_t{1});
        const ObjectShape largest =
            ShapeOfObject(ws.history(), window->program().objectTypes, ws.pickedObjects()[0]);
        QCOMPARE(largest.dataType, int{kPolygon});
        const auto picked = std::find_if(objects.begin(), objects.end(), [&](const auto& d) {
            return d.firstPoint == ws.pickedObjects()[0];
        });
        QVERIFY(picked != objects.end());
        QCOMPARE(text(0, object).toInt(), picked->object);
        table->clearSelection();
        QVERIFY(ws.pickedObjects().empty());
        ws.PickObjects({objects.back().firstPoint});
        const QModelIndexList selected = table->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(text(selected[0].row(), object).toInt(), objects.back().object);

        // The table follows the project: an object added is listed at once,
        // and taken back it goes again.
        const int before = rows.rowCount();
        DetectedObject square;
        square.outline = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
        square.pixels = 100;
        QVERIFY(ws.AddDetectedObjects({square}, picked->type));
        QCoreApplication::processEvents();
        QCOMPARE(rows.rowCount(), before + 1);
        QVERIFY(ws.pickedObjects().size() <= 1);
        ws.UndoCommand();
        QCoreApplication::processEvents();
        QCOMPARE(rows.rowCount(), before);

        // Save writes the batch tool's table, in the project's order.
        const QString csv = documents_ + QStringLiteral("/tissue.csv");
        QVERIFY(results->SaveAs(PathToCore(csv)));
        QFile saved(csv);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        // The window may show the picture reduced; the values come from all
        // of its pixels.
        Picture full;
        QCOMPARE(DecodePictureFile(ws.project().imagePath, PictureLimits{}, full),
                 DecodeStatus::Ok);
        const std::vector<ObjectDescription> withPixels =
            DescribeObjects(ws.history(), window->program().objectTypes,
                            {SamplesOf(full), ws.project().resolutionDpi / 25400.0});
        const std::string expected =
            ObjectTableCsvHeader() + "\r\n" +
            ObjectTableCsvRows(PathFromCore(ws.project().projectPath).toUtf8().toStdString(),
                               PathFromCore(ws.project().imagePath).toUtf8().toStdString(),
                               withPixels, window->program().objectTypes,
                               window->program().settings.Language,
                               window->program().settings.TableUnit);
        const std::string got = saved.readAll().toStdString();
        QCOMPARE(got, expected);
        // A folder that does not exist: said so, nothing written.
        ModalScript refused({[](QWidget& box) { Answer(box, QMessageBox::Ok); }});
        QVERIFY(!results->SaveAs(PathToCore(documents_ + QStringLiteral("/none/t.csv"))));
        QVERIFY(refused.Done());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
