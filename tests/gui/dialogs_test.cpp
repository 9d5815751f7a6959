// The dialogs, driven as a person would: keys, clicks and what they show.
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "core/program/program.hpp"
#include "gui/dialogs/error_mes.hpp"
#include "gui/dialogs/file_ext_sel.hpp"
#include "gui/dialogs/prg_dlg.hpp"
#include "gui/dialogs/screen_msg.hpp"
#include "gui/main/qt_user_interface.hpp"
#include "gui/support/core_text.hpp"
#include "gui_test_support.hpp"

using namespace kvx;
using namespace kvx::test;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

ErrorDialogRequest SampleRequest() {
    ErrorDialogRequest request;
    request.caption = "Error";
    request.headline = "An error has occurred";
    request.errorLabel = "Error:";
    request.mainText = "The file could not be read";
    request.infoLabel = "Additional information:";
    request.info = "/data/\xB5.KXP";
    request.warningsLabel = "Show warnings at once";
    request.showWarnings = true;
    request.detailCaption = "Details";
    request.okCaption = "Close";
    request.copyCaption = "Copy to clipboard";
    request.versionLine = "Strativa/Korvanix V.1.8.0.1 / 01.02.2024";
    request.writeDetails = [line = request.versionLine] {
        return line + "\r\nCLASS  UNT PRC POS IOE ErrorMess\r\nCaused   5   1   1   2 read\r\n";
    };
    return request;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

private:
    SilentUserInterface silent_;
    Program program_{silent_, KVX_DATA_DIR};
    QString startDir_;

private slots:
    void initTestCase() {
        QCOMPARE(program_.LoadMessages(), kOk);
        startDir_ = QDir::currentPath();
    }

    void ErrorDialogShortViewThenDetails() {
        ErrorDialogRequest request = SampleRequest();
        TErrorMes dialog(request);
        dialog.show();
        QCOMPARE(dialog.height(), TErrorMes::kShortHeight);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Error"));
        QCOMPARE(Find<QLabel>(dialog, "Label3")->text(), QStringLiteral("/data/\u00B5.KXP"));
        QVERIFY(Find<QLabel>(dialog, "Zusatz")->isVisible());
        QVERIFY(!Find<QPlainTextEdit>(dialog, "DetailTxt")->isVisible());
        QVERIFY(!Find<QPushButton>(dialog, "CloseBut")->isVisible());
        QVERIFY(!Find<QPushButton>(dialog, "BtZW")->isVisible());
        auto* cb1 = Find<QCheckBox>(dialog, "cb1");
        QVERIFY(cb1->isChecked());
        ClickCheckBox(cb1);
        QVERIFY(!request.showWarnings);

        QTest::mouseClick(Find<QPushButton>(dialog, "DetailBut"), Qt::LeftButton);
        QCOMPARE(dialog.height(), TErrorMes::kDetailHeight);
        auto* memo = Find<QPlainTextEdit>(dialog, "DetailTxt");
        QVERIFY(memo->isVisible());
        QCOMPARE(memo->geometry().top(), 103);
        QCOMPARE(memo->height(), 340);
        QCOMPARE(Find<QPushButton>(dialog, "CloseBut")->geometry().top(), 455);
        QVERIFY(!Find<QPushButton>(dialog, "OKBut")->isEnabled());
        QVERIFY(!Find<QPushButton>(dialog, "DetailBut")->isEnabled());
        const QString expected = QStringLiteral(
            "Strativa/Korvanix V.1.8.0.1 / 01.02.2024\nCLASS  UNT PRC POS IOE ErrorMess\n"
            "Caused   5   1   1   2 read\n");
        // The version line is shown once, not again in front of the report.
        QCOMPARE(memo->toPlainText(), expected);
        // Its columns line up with blanks.
        QVERIFY(QFontInfo(memo->font()).fixedPitch());
        QCOMPARE(QFontInfo(memo->font()).family(), QStringLiteral("Liberation Mono"));

        QTest::mouseClick(Find<QPushButton>(dialog, "BtZW"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        QTest::mouseClick(Find<QPushButton>(dialog, "CloseBut"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
    }

    void ErrorDialogWithoutInfoHidesItsLines() {
        ErrorDialogRequest request = SampleRequest();
        request.info.clear();
        request.noticeStyle = true;
        TErrorMes dialog(request);
        dialog.show();
        QVERIFY(!Find<QLabel>(dialog, "Zusatz")->isVisible());
        QVERIFY(!Find<QLabel>(dialog, "Label3")->isVisible());
        QCOMPARE(Find<QLabel>(dialog, "Label1")->palette().color(QPalette::WindowText),
                 QColor(Qt::black));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }

    void ScreenReportLinesUpItsColumnsAndCopiesTabs() {
        const std::vector<std::string> lines = {"\tn\tmin-max", "Nucleus area [mm\xB2]\t3\t1-2",
                                                "Cells\t12\t3-40"};
        TScreenMsg dialog(QStringLiteral("Report"), lines, QStringLiteral("Close"),
                          QStringLiteral("Copy"));
        dialog.show();
        auto* memo = Find<QPlainTextEdit>(dialog, "DetailTxt");
        // Whatever the length of a name, every column starts where it starts
        // on the other lines.
        const QStringList shown = memo->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0], QStringLiteral("                    n   min-max"));
        QCOMPARE(shown[1], QStringLiteral("Nucleus area [mm\u00B2]  3   1-2"));
        QCOMPARE(shown[2], QStringLiteral("Cells               12  3-40"));
        QVERIFY(QFontInfo(memo->font()).fixedPitch());
        QTest::mouseClick(Find<QPushButton>(dialog, "BtZW"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("\tn\tmin-max\nNucleus area [mm\u00B2]\t3\t1-2\nCells\t12\t3-40"));
    }

    void InputDialogGeometry_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("dialogWidth");
        QTest::addColumn<int>("okLeft");
        QTest::addColumn<int>("cancelLeft");
        QTest::newRow("designed") << 0 << 640 << 120 << 380;
        QTest::newRow("429 too narrow") << 429 << 640 << 120 << 380;
        QTest::newRow("430") << 430 << 430 << 50 << 240;
    }

    void InputDialogGeometry() {
        QFETCH(int, width);
        QFETCH(int, dialogWidth);
        QFETCH(int, okLeft);
        QFETCH(int, cancelLeft);
        InputTextRequest request;
        request.caption = "Project files";
        request.prompt = "Pattern";
        request.width = width;
        request.labelHeight = 30;
        TPrgDlg dialog(request, QStringLiteral("Cancel"));
        QCOMPARE(dialog.width(), dialogWidth);
        QCOMPARE(Find<QPushButton>(dialog, "OKBut")->x(), okLeft);
        QCOMPARE(Find<QPushButton>(dialog, "CancelBut")->x(), cancelLeft);
        auto* edit = Find<QLineEdit>(dialog, "Edit");
        QCOMPARE(edit->y(), 50);
        QCOMPARE(edit->height(), 30);
        QCOMPARE(Find<QPushButton>(dialog, "OKBut")->y(), 50 + 30 + 16);
    }

    void InputDialogWithoutPromptPutsTheEditOnTop() {
        InputTextRequest request;
        request.text = "1200";
        TPrgDlg dialog(request, QStringLiteral("Cancel"));
        QCOMPARE(Find<QLineEdit>(dialog, "Edit")->y(), 8);
        QVERIFY(!Find<QLabel>(dialog, "Prompt")->isVisibleTo(&dialog));
    }

    void InputAnswersThroughTheInterface() {
        QtUserInterface ui;
        ui.SetProgram(&program_);
        InputTextRequest request;
        request.caption = "Resolution";
        request.prompt = "Dots per inch";
        request.text = "1200";

        // Enter confirms; a long text comes back cut to 255 characters.
        WhenModal([](QWidget& dialog) {
            auto* edit = Find<QLineEdit>(dialog, "Edit");
            edit->setText(QString(300, QLatin1Char('7')));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        std::string answer;
        QVERIFY(ui.InputText(request, answer));
        QCOMPARE(answer, std::string(255, '7'));

        // Escape cancels even after typing, and the answer is empty.
        WhenModal([](QWidget& dialog) {
            auto* edit = Find<QLineEdit>(dialog, "Edit");
            QTest::keyClicks(edit, QStringLiteral("300"));
            QTest::keyClick(edit, Qt::Key_Escape);
        });
        QVERIFY(!ui.InputText(request, answer));
        QVERIFY(answer.empty());

        // F10 is OK as well; the cancel button shows the catalogue's text.
        WhenModal([this](QWidget& dialog) {
            QCOMPARE(Find<QPushButton>(dialog, "CancelBut")->text(),
                     FromCore(program_.GetMessage(179)));
            QTest::keyClick(Find<QLineEdit>(dialog, "Edit"), Qt::Key_F10);
        });
        QVERIFY(ui.InputText(request, answer));
        QCOMPARE(answer, std::string("1200"));

        // Characters the file cannot keep are refused, named, and the edit
        // stays open for other ones.
        QString refusal;
        WhenModal([&refusal](QWidget& dialog) {
            auto* edit = Find<QLineEdit>(dialog, "Edit");
            edit->setText(QStringLiteral("Ann \u7530\u4E2D \U0001F600 \u00E4"));
            QTimer::singleShot(0, [&refusal] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box != nullptr);
                refusal = box->text();
                box->button(QMessageBox::Ok)->click();
            });
            QTest::keyClick(edit, Qt::Key_Return);
            QCOMPARE(QApplication::activeModalWidget(), &dialog);
            edit->setText(QStringLiteral("Ann Tanaka \u00E4"));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QVERIFY(ui.InputText(request, answer));
        QCOMPARE(refusal,
                 FromCore(program_.GetMessage(2167)) + QStringLiteral("\u7530\u4E2D\U0001F600"));
        QCOMPARE(answer, std::string("Ann Tanaka \xE4"));
    }

    void FileSelectionListsProjectsByDescription() {
        QTemporaryDir data;
        QTemporaryDir config;
        const QString dir = data.path();
        WriteFile(dir + QStringLiteral("/b.KXP"), ";C: Liver section\r\nB x.jpg\r\n");
        WriteFile(dir + QStringLiteral("/a.KXP"), ";C: Liver section\r\nB x.jpg\r\n");
        WriteFile(dir + QStringLiteral("/c.kxp"), "  Kidney \xB5 \r\n");
        WriteFile(dir + QStringLiteral("/notes.txt"), "not a project\r\n");
        QDir(dir).mkdir(QStringLiteral("sub"));

        SelectFileRequest request;
        request.startDirectory = PathToCore(dir);
        request.patterns = "*.KXP";
        request.descriptions = true;
        request.rememberFile = PathToCore(config.filePath(QStringLiteral("KXPDir.pck")));
        program_.settings.ShowFileNamesOnly = 0;
        TFileExtSel dialog(program_, request);
        dialog.show();

        auto* list = Find<QListWidget>(dialog, "FileList");
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->text(), QStringLiteral("Kidney \u00B5"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("Liver section"));
        QCOMPARE(list->item(2)->text(), QStringLiteral("Liver section"));
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(Find<QPushButton>(dialog, "ChooseBut")->isEnabled());
        QCOMPARE(dialog.windowTitle(), QDir(dir).absolutePath() + QStringLiteral("/*.KXP"));

        // The show-file-names box lists the files by name.
        ClickCheckBox(Find<QCheckBox>(dialog, "ShowNamesBox"));
        QCOMPARE(program_.settings.ShowFileNamesOnly, 1);
        QCOMPARE(list->item(1)->text(), QStringLiteral("b.KXP"));
        ClickCheckBox(Find<QCheckBox>(dialog, "ShowNamesBox"));
        QCOMPARE(program_.settings.ShowFileNamesOnly, 0);

        // The second "Liver section" is b.KXP: equal descriptions follow the name.
        list->setCurrentRow(2);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Liver section"));
        QVERIFY(Find<QLabel>(dialog, "FileLabel")->text().endsWith(QStringLiteral(": b.KXP")));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Result().directory, PathToCore(QDir(dir).absolutePath()) + "/");
        QCOMPARE(dialog.Result().fileName, std::string("b.KXP"));
        QCOMPARE(dialog.Result().description, std::string("Liver section"));
        QCOMPARE(QDir::currentPath(), startDir_);
        const std::vector<std::string> recent =
            RecentDirectories::Read(request.rememberFile).Entries();
        QVERIFY(!recent.empty());
        QCOMPARE(recent.front(), PathToCore(QDir(dir).absolutePath()));
    }

    void FileSelectionPatternAndEmptyList() {
        QTemporaryDir data;
        const QString dir = data.path();
        WriteFile(dir + QStringLiteral("/slide.JPG"), "x");
        WriteFile(dir + QStringLiteral("/scan.bmp"), "x");
        SelectFileRequest request;
        request.startDirectory = PathToCore(dir);
        request.patterns = "*.gif";
        TFileExtSel dialog(program_, request);
        dialog.show();
        auto* list = Find<QListWidget>(dialog, "FileList");
        QCOMPARE(list->count(), 0);
        QVERIFY(!Find<QPushButton>(dialog, "ChooseBut")->isEnabled());
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(dialog.isVisible());

        // A pattern holding a directory becomes "*.*".
        auto* pattern = Find<QLineEdit>(dialog, "PatternEdit");
        pattern->setFocus();
        pattern->setText(QStringLiteral("C:\\images\\*.jpg"));
        QTest::keyClick(pattern, Qt::Key_Return);
        QCOMPARE(pattern->text(), QStringLiteral("*.*"));
        QCOMPARE(list->count(), 2);
        QVERIFY(dialog.isVisible());

        pattern->setText(QStringLiteral("*.jpg;*.gif"));
        QTest::keyClick(pattern, Qt::Key_Return);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("slide.JPG"));
        QCOMPARE(dialog.windowTitle(), QDir(dir).absolutePath() + QStringLiteral("/*.*"));

        QTest::keyClick(list, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.Result().Chosen());
        QVERIFY(dialog.Result().directory.empty());
    }

    void FileSelectionThroughTheInterface() {
        QTemporaryDir data;
        const QString dir = data.path();
        QDir(dir).mkdir(QStringLiteral("images"));
        WriteFile(dir + QStringLiteral("/images/slide.jpg"), "x");
        QtUserInterface ui;
        ui.SetProgram(&program_);
        SelectFileRequest request;
        request.startDirectory = PathToCore(dir);
        request.patterns = "*.JPG";
        // Into the subfolder through the directory list, then a double click
        // on the file.
        WhenModal([](QWidget& dialog) {
            auto* dirs = Find<QListWidget>(dialog, "DirList");
            const auto found = dirs->findItems(QStringLiteral("images"), Qt::MatchEndsWith);
            QCOMPARE(found.size(), 1);
            dirs->setCurrentItem(found.front());
            QTest::keyClick(dirs, Qt::Key_Return);
            auto* files = Find<QListWidget>(dialog, "FileList");
            QCOMPARE(files->count(), 1);
            const QRect where = files->visualItemRect(files->item(0));
            // The first click of a double click arrives as a click.
            QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, where.center());
            QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, where.center());
        });
        const SelectFileResult chosen = ui.SelectFile(request);
        QCOMPARE(chosen.fileName, std::string("slide.jpg"));
        QCOMPARE(chosen.directory, PathToCore(QDir(dir).absolutePath()) + "/images/");
        QCOMPARE(QDir::currentPath(), startDir_);
    }

    void DirectoryPickerAnswers() {
        QTemporaryDir data;
        QtUserInterface ui;
        ui.SetProgram(&program_);
        WhenModal([](QWidget& dialog) {
            QTest::mouseClick(Find<QPushButton>(dialog, "OKBut"), Qt::LeftButton);
        });
        QCOMPARE(ui.PickDirectory(false, PathToCore(data.path())),
                 PathToCore(QDir(data.path()).absolutePath()) + "/");

        // A start folder that does not exist opens the home folder.
        WhenModal([](QWidget& dialog) {
            QTest::mouseClick(Find<QPushButton>(dialog, "OKBut"), Qt::LeftButton);
        });
        const QString home = QDir(QDir::homePath()).absolutePath();
        QCOMPARE(ui.PickDirectory(true, "/no/such/folder"),
                 PathToCore(home.endsWith(QLatin1Char('/')) ? home : home + QLatin1Char('/')));

        WhenModal([](QWidget& dialog) {
            QTest::mouseClick(Find<QPushButton>(dialog, "CancelBut"), Qt::LeftButton);
        });
        QVERIFY(ui.PickDirectory(true, PathToCore(data.path())).empty());
        QCOMPARE(QDir::currentPath(), startDir_);
    }

    void MessageBoxAnswers() {
        QtUserInterface ui;
        WhenModal([](QWidget& box) { QTest::keyClick(&box, Qt::Key_Escape); });
        QCOMPARE(ui.MessageBox("Title", "Save changes?", MessageButtons::YesNoCancel),
                 kAnswerCancel);
        WhenModal([](QWidget& box) {
            auto* messageBox = qobject_cast<QMessageBox*>(&box);
            QVERIFY(messageBox != nullptr);
            messageBox->button(QMessageBox::No)->click();
        });
        QCOMPARE(ui.MessageBox("Title", "Save changes?", MessageButtons::YesNoCancel), kAnswerNo);
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
