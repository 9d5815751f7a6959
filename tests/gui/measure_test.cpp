// The object dialog, the properties dialog and the two grids, driven as a
// person would: choosing, typing, clicking, double-clicking.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <deque>
#include <functional>

#include "core/measure/calibration.hpp"
#include "core/measure/type_choice.hpp"
#include "core/options/type_editor.hpp"
#include "core/program/program.hpp"
#include "core/project/project.hpp"
#include "core/stats/grid_model.hpp"
#include "core/stats/statistics.hpp"
#include "gui/main/qt_user_interface.hpp"
#include "gui/measure/properties_dialog.hpp"
#include "gui/measure/value_grids.hpp"
#include "gui/measure/vec_name_dialog.hpp"
#include "gui/support/core_text.hpp"
#include "gui_test_support.hpp"

using namespace kvx;
using namespace kvx::test;

namespace {

constexpr int kLineSlot = 3;
constexpr int kTextSlot = 5;
constexpr int kPointSlot = 7;

// The object-type editor as a script: each call runs the next queued edit.
class ScriptedUi : public SilentUserInterface {
public:
    bool TypeEditor(TypeEditorModel& model) override {
        ++calls;
        if (edits.empty()) return false;
        auto edit = std::move(edits.front());
        edits.pop_front();
        return edit(model);
    }
    std::deque<std::function<bool(TypeEditorModel&)>> edits;
    int calls = 0;
};

}  // namespace

class MeasureDialogsTest : public QObject {
    Q_OBJECT

private:
    ScriptedUi scripted_;
    Program program_{scripted_, KVX_DATA_DIR};
    QtUserInterface ui_;

    void Define(int slot, uint8_t dataType, const char* name, int32_t colour) {
        ObjectType& type = *program_.objectTypes.Find(slot);
        type = ObjectType{};
        type.nameEnglish = type.nameGerman = name;
        type.dataClass = kClassUser;
        type.dataType = dataType;
        type.colour = colour;
        type.size = 2;
        type.textColour = 0x0000FF;
    }

    ObjectDialogRequest Request(int32_t preselected) const {
        ObjectDialogRequest request;
        for (int slot : {kLineSlot, kTextSlot, kPointSlot}) {
            request.items.push_back({slot, program_.objectTypes.At(slot).dataType,
                                     FormatTypeItem(program_.objectTypes, slot, 1)});
        }
        request.preselected = preselected;
        request.askObjectName = true;
        return request;
    }

private slots:
    void initTestCase() {
        QCOMPARE(program_.LoadMessages(), kOk);
        ui_.SetProgram(&program_);
    }

    void init() {
        program_.objectTypes.Clear();
        Define(kLineSlot, kLine, "Length", 0x00FF00);
        Define(kTextSlot, kText, "Note", 0x112233);
        Define(kPointSlot, kPoint, "Spot", 0x445566);
        scripted_.edits.clear();
        scripted_.calls = 0;
    }

    // ---- object dialog -------------------------------------------------------------

    void ChoosingATextTypeAndPressingEnterInTheLabel() {
        WhenModal([](QWidget& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Object"));
            auto* types = Find<QComboBox>(dialog, "ComboBox1");
            QCOMPARE(types->count(), 3);
            QCOMPARE(types->currentIndex(), -1);
            QVERIFY(!Find<QPushButton>(dialog, "BtOK")->isEnabled());
            QVERIFY(!Find<QPushButton>(dialog, "btNeu")->isEnabled());
            QVERIFY(!Find<QLineEdit>(dialog, "Edit1")->isVisible());

            types->setCurrentIndex(1);
            QVERIFY(Find<QPushButton>(dialog, "BtOK")->isEnabled());
            QVERIFY(Find<QPushButton>(dialog, "btNeu")->isEnabled());
            auto* edit = Find<QLineEdit>(dialog, "Edit1");
            QVERIFY(edit->isVisible());
            auto* check = Find<QCheckBox>(dialog, "CheckBox2");
            QVERIFY(check->isVisible());
            QVERIFY(!check->isChecked());  // the name is asked now
            check->setChecked(true);
            edit->setFocus();
            QTest::keyClicks(edit, QStringLiteral("A\u00B5 12"));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        const ObjectDialogAnswer answer = ui_.ObjectDialog(Request(0));
        QVERIFY(answer.ok);
        QCOMPARE(answer.type, kTextSlot);
        QCOMPARE(answer.label, std::string("A\xB5 12"));
        QVERIFY(answer.checkBox2);
        QCOMPARE(answer.colourOverride, -1);
        QCOMPARE(answer.sizeOverride, -1);
        QCOMPARE(answer.textColourOverride, -1);
    }

    void LineTypeHidesTheLabelAndFocusesOk() {
        TVecName dialog(program_, Request(kLineSlot));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QVERIFY(!Find<QLineEdit>(dialog, "Edit1")->isVisible());
        QVERIFY(!Find<QCheckBox>(dialog, "CheckBox2")->isVisible());
        QCOMPARE(dialog.focusWidget(), Find<QPushButton>(dialog, "BtOK"));
        // Switching to a point type shows the label edit.
        Find<QComboBox>(dialog, "ComboBox1")->setCurrentIndex(2);
        QVERIFY(Find<QLineEdit>(dialog, "Edit1")->isVisible());
        QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Answer().type, kPointSlot);
    }

    void ALabelTheFileCannotKeepIsRefused() {
        TVecName dialog(program_, Request(kTextSlot));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* edit = Find<QLineEdit>(dialog, "Edit1");
        edit->setText(QStringLiteral("Kern \u6838 \U0001F52C"));
        QString refusal;
        QTimer::singleShot(0, [&refusal] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            refusal = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
        QCOMPARE(refusal, FromCore(program_.GetMessage(2167)) + QStringLiteral("\u6838\U0001F52C"));
        QVERIFY(dialog.isVisible());
        edit->setText(QStringLiteral("Kern \u00B5"));
        QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Answer().label, std::string("Kern \xB5"));
    }

    void CancelAndEscapeAnswerNoType() {
        WhenModal([](QWidget& dialog) {
            Find<QLineEdit>(dialog, "Edit1")->setText(QStringLiteral("lost"));
            QTest::mouseClick(Find<QPushButton>(dialog, "BtAbbr"), Qt::LeftButton);
        });
        ObjectDialogAnswer answer = ui_.ObjectDialog(Request(kTextSlot));
        QVERIFY(!answer.ok);
        QCOMPARE(answer.type, 0);
        QVERIFY(answer.label.empty());

        WhenModal([](QWidget& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
        answer = ui_.ObjectDialog(Request(kTextSlot));
        QVERIFY(!answer.ok);
        QCOMPARE(answer.type, 0);
    }

    void PropertiesAndNewTypeReachTheEditor() {
        // Properties edit a copy of the line type; the new type then replaces
        // the choice, and its own display values go with it.
        scripted_.edits.push_back([](TypeEditorModel& editor) {
            editor.SetColour(1, 0x0A0B0C);
            editor.Ok();
            return !editor.DataTypeChangeable();
        });
        scripted_.edits.push_back([](TypeEditorModel& editor) {
            editor.SetDataTypeIndex(kText - 1);
            editor.Ok();
            return editor.DataTypeChangeable();
        });
        WhenModal([](QWidget& dialog) {
            QTest::mouseClick(Find<QPushButton>(dialog, "BtProp"), Qt::LeftButton);
            QTest::mouseClick(Find<QPushButton>(dialog, "btNeu"), Qt::LeftButton);
            auto* types = Find<QComboBox>(dialog, "ComboBox1");
            QCOMPARE(types->count(), 4);
            QCOMPARE(types->currentText(), QStringLiteral("  1 New object type (Text )"));
            QVERIFY(Find<QLineEdit>(dialog, "Edit1")->isVisible());
            QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
        });
        const ObjectDialogAnswer answer = ui_.ObjectDialog(Request(kLineSlot));
        QCOMPARE(scripted_.calls, 2);
        QVERIFY(answer.ok);
        QCOMPARE(answer.type, 1);
        QCOMPARE(answer.colourOverride, 0x00FF00);  // the line type's, copied unedited
        QCOMPARE(program_.objectTypes.At(kLineSlot).colour, 0x00FF00);
        QCOMPARE(int(program_.objectTypes.At(1).dataType), int(kText));
    }

    void OpensBesideThePaintBox() {
        QWidget owner;
        owner.resize(600, 400);
        owner.move(100, 50);
        QCOMPARE(TVecName::OpenPosition(&owner, 60, 60), owner.mapToGlobal(QPoint(60, 60)));
        auto* box = new QWidget(&owner);
        box->setObjectName(QStringLiteral("MainPB"));
        box->setGeometry(150, 30, 300, 300);
        owner.show();
        QCOMPARE(TVecName::OpenPosition(&owner, 60, 60), owner.mapToGlobal(QPoint(210, 90)));
        QVERIFY(TVecName::OpenPosition(nullptr, 60, 60).isNull());
    }

    // ---- properties dialog ---------------------------------------------------------

    void PropertiesFieldsFollowTheLeaveRules() {
        Project project;
        project.imagePath = "/slides/a.jpg";
        project.resolutionDpi = 300;
        project.title = "Root";
        project.projectPath = "/slides/a.KXP";
        project.userName = "Ada";
        PropertiesDialogModel model =
            PropertiesDialogModel::Open(project, program_.settings, program_.messages);

        WhenModal([](QWidget& dialog) {
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Properties : /slides/a.KXP"));
            QCOMPARE(Find<QLabel>(dialog, "Label7")->text(), QStringLiteral("/slides/a.KXP"));
            QVERIFY(Find<QLineEdit>(dialog, "Edit8")->isReadOnly());
            auto* edit2 = Find<QLineEdit>(dialog, "Edit2");
            auto* edit4 = Find<QLineEdit>(dialog, "Edit4");
            auto* edit5 = Find<QLineEdit>(dialog, "Edit5");
            QCOMPARE(edit2->text(), QStringLiteral("300"));

            // Letters in the resolution are taken back on leaving the field.
            edit2->setFocus(Qt::TabFocusReason);
            edit2->selectAll();
            QTest::keyClicks(edit2, QStringLiteral("abc"));
            edit4->setFocus(Qt::TabFocusReason);
            QCOMPARE(edit2->text(), QStringLiteral("300"));

            // A scale length clears the resolution.
            QTest::keyClicks(edit4, QStringLiteral("10"));
            edit5->setFocus(Qt::TabFocusReason);
            QCOMPARE(edit2->text(), QString());
            QTest::keyClicks(edit5, QStringLiteral("12.5"));

            auto* edit7 = Find<QLineEdit>(dialog, "Edit7");
            Find<QLineEdit>(dialog, "Edit6")->setText(QStringLiteral("1"));
            edit7->setFocus(Qt::TabFocusReason);
            QTest::keyClicks(edit7, QStringLiteral("0.8"));
            QTest::mouseClick(Find<QPushButton>(dialog, "ButOK"), Qt::LeftButton);
        });
        QVERIFY(ui_.PropertiesDialog(model));
        QCOMPARE(model.Text(PropertiesDialogModel::Edit2), std::string());
        // 300 dpi with a 10 mm bar measured as 12.5 mm: 300 x 12.5 / 10.
        QCOMPARE(ResolutionFromDialog(model, 300), 375);
        QCOMPARE(PointerCalibrationFromDialog(model), 125.0);

        // Names of the file system in UTF-8 show as they read; the picture's
        // path comes back as the same bytes.
        project.projectPath = "/F\xC3\xA4rbungen/a.KXP";
        project.imagePath = "/F\xC3\xA4rbungen/\xE7\xB4\xB0.jpg";
        model = PropertiesDialogModel::Open(project, program_.settings, program_.messages);
        WhenModal([](QWidget& dialog) {
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Properties : /F\u00E4rbungen/a.KXP"));
            QCOMPARE(Find<QLabel>(dialog, "Label7")->text(),
                     QStringLiteral("/F\u00E4rbungen/a.KXP"));
            QCOMPARE(Find<QLineEdit>(dialog, "Edit3")->text(),
                     QStringLiteral("/F\u00E4rbungen/\u7D30.jpg"));
            Find<QLineEdit>(dialog, "Edit3")
                ->setText(QStringLiteral("/F\u00E4rbungen/\u7D30 2.jpg"));
            QTest::mouseClick(Find<QPushButton>(dialog, "ButOK"), Qt::LeftButton);
        });
        QVERIFY(ui_.PropertiesDialog(model));
        QCOMPARE(model.Text(PropertiesDialogModel::Edit3),
                 std::string("/F\xC3\xA4rbungen/\xE7\xB4\xB0 2.jpg"));
    }

    void PropertiesEnterInAFieldConfirmsAfterItsRule() {
        Project project;
        project.imagePath = "/slides/a.jpg";
        project.resolutionDpi = 300;
        PropertiesDialogModel model =
            PropertiesDialogModel::Open(project, program_.settings, program_.messages);
        model.Text(PropertiesDialogModel::Edit4) = "10";
        model.Text(PropertiesDialogModel::Edit5) = "20";
        WhenModal([](QWidget& dialog) {
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            auto* edit2 = Find<QLineEdit>(dialog, "Edit2");
            edit2->setFocus(Qt::TabFocusReason);
            edit2->selectAll();
            QTest::keyClicks(edit2, QStringLiteral("600"));
            QTest::keyClick(edit2, Qt::Key_Return);
        });
        QVERIFY(ui_.PropertiesDialog(model));
        QCOMPARE(model.Text(PropertiesDialogModel::Edit4), std::string());
        QCOMPARE(ResolutionFromDialog(model, 300), 600);

        WhenModal([](QWidget& dialog) {
            QTest::mouseClick(Find<QPushButton>(dialog, "ButCancel"), Qt::LeftButton);
        });
        QVERIFY(!ui_.PropertiesDialog(model));
    }

    // ---- grids ---------------------------------------------------------------------

    void GridsShowTheModelAndReportDoubleClicks() {
        // 1.5 mm, 2.25 mm (excluded) and 3 mm as two-point lines in mm.
        ValueList list;
        list.Add({1500.0, 1, false});
        list.Add({2250.0, 3, true});
        list.Add({3000.0, 5, false});
        const StatisticsMarks marks = ComputeStatistics(list);
        GridModel model;
        model.Reset(
            {"n", "min", "max", "mean", "variance", "s", "s*100/\xB5", "\xB5\xB1s", "within"});
        model.Fill(list, marks, kTwoPointLine, 1, false);

        ValueGrid values;
        StatisticsGrid statistics;
        values.resize(200, 300);
        values.show();
        statistics.show();
        values.Show(model);
        statistics.Show(model);
        QVERIFY(QTest::qWaitForWindowExposed(&values));

        QCOMPARE(values.rowCount(), 3);
        QCOMPARE(values.item(0, 1)->text(), QStringLiteral("1.500 mm"));
        QCOMPARE(values.item(1, 1)->text(), QStringLiteral("[2.250 mm]"));
        QCOMPARE(values.item(2, 1)->text(), QStringLiteral("3.0 mm"));
        QCOMPARE(values.item(0, 0)->text(), QStringLiteral("1 (min)"));
        QCOMPARE(values.item(2, 0)->text(), QStringLiteral("3 (max)"));
        QCOMPARE(values.rowHeight(0), 22);
        QCOMPARE(values.font().pixelSize(), 17);

        QCOMPARE(statistics.rowCount(), 9);
        // 108 pixels as designed, wider where a value would be cut.
        QVERIFY(statistics.columnWidth(0) >= 108);
        for (int row = 0; row < 9; ++row) {
            const QString text = statistics.item(row, 1)->text();
            QVERIFY2(statistics.columnWidth(1) >=
                         std::max(108, statistics.fontMetrics().horizontalAdvance(text)),
                     qPrintable(text));
        }
        QCOMPARE(statistics.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(statistics.item(6, 0)->text(), QStringLiteral("s*100/\u00B5"));
        QCOMPARE(statistics.item(3, 1)->text(), QStringLiteral("2.250 mm"));
        // Both counted values lie in mean +- s; the share is of all three listed.
        QCOMPARE(statistics.item(8, 1)->text(), QStringLiteral("66 %"));

        QSignalSpy spy(&values, &ValueGrid::valueDoubleClicked);
        const QPoint at = values.visualItemRect(values.item(1, 1)).center();
        // A person's double click: a click, then the second press.
        QTest::mouseClick(values.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(values.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 1);

        // A refill with fewer rows drops the old ones.
        GridModel blank;
        blank.Reset({"n", "min", "max", "mean", "variance", "s", "cv", "i", "w"});
        blank.DGrid.resize(1);
        values.Show(blank);
        QCOMPARE(values.rowCount(), 1);
        QCOMPARE(values.item(0, 1)->text(), QString());
    }

    void CopyTakesTheValueColumnWithoutUnits() {
        ValueList list;
        list.Add({12000.0, 1, false});
        list.Add({3500.0, 3, true});
        list.Add({5000.0, 5, false});
        GridModel model;
        model.Reset({"n", "min", "max", "mean", "variance", "s", "cv", "i", "w"});
        model.Fill(list, ComputeStatistics(list), kTwoPointLine, 1, false);

        CopyValueColumn(model);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("12.0\n[3.500]\n5.0\n"));
        QVERIFY(CopyButtonVisible(model, 841));
        QVERIFY(!CopyButtonVisible(model, 840));
    }
};

QTEST_MAIN(MeasureDialogsTest)
#include "measure_test.moc"
