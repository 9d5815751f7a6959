// The object-type editor, the character picker, the options dialog and the
// layer selection, driven through their controls.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <set>

#include "core/options/options_model.hpp"
#include "core/options/type_editor.hpp"
#include "core/program/program.hpp"
#include "core/project/object_type_file.hpp"
#include "core/workspace/workspace.hpp"
#include "gui/main/qt_user_interface.hpp"
#include "gui/options/char_set_dialog.hpp"
#include "gui/options/options_dialog.hpp"
#include "gui/options/sel_field_dialog.hpp"
#include "gui/options/type_editor_dialog.hpp"
#include "gui/support/core_text.hpp"
#include "gui_test_support.hpp"

using namespace kvx;
using namespace kvx::test;

namespace {

void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Leaves an edit the way a person does: the focus moves on.
void Leave(QLineEdit* edit, QWidget* next) {
    edit->setFocus();
    next->setFocus();
}

int RowOf(QListWidget* list, const QString& endsWith) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text().endsWith(endsWith)) return i;
    }
    return -1;
}

}  // namespace

class OptionsTest : public QObject {
    Q_OBJECT

private:
    QtUserInterface ui_;
    Program program_{ui_, KVX_DATA_DIR};
    ObjectTypeTable shipped_;

private slots:
    void initTestCase() {
        ui_.SetProgram(&program_);
        QVERIFY(program_.InitErrorStack());
        QCOMPARE(program_.LoadMessages(), kOk);
        QVERIFY(LoadObjectTypes(program_, std::string(KVX_DATA_DIR) + "/Korvanix.kxo"));
        shipped_ = program_.objectTypes;
    }

    void init() { program_.objectTypes = shipped_; }

    void TypeEditorEditsThroughItsControls() {
        ObjectTypeTable copy = program_.objectTypes;
        TypeEditorModel model(copy, 5, false, 1);
        TFMP_TYPE dialog(program_, model);
        dialog.chooseColour = [](QColor& colour) {
            colour = QColor(0x12, 0x34, 0x56);
            return true;
        };
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Object types"));

        // A line: width and style show, symbol controls do not.
        auto* edLth = Find<QLineEdit>(dialog, "EdLth");
        auto* cob3 = Find<QComboBox>(dialog, "cob3");
        QVERIFY(edLth->isVisible());
        QVERIFY(!Find<QComboBox>(dialog, "cob4")->isVisible());
        QVERIFY(!Find<QComboBox>(dialog, "cobtype")->isEnabled());
        Type(edLth, QStringLiteral("1"));
        cob3->setCurrentIndex(2);
        emit cob3->activated(2);
        Type(edLth, QStringLiteral("3"));
        QCOMPARE(cob3->currentIndex(), 0);
        QVERIFY(!cob3->isEnabled());

        auto* panel = Find<QLabel>(dialog, "PaLbColor");
        QTest::mouseClick(panel, Qt::LeftButton);
        QCOMPARE(panel->text(), QStringLiteral("Colour 563412"));

        // An empty name is refused.
        auto* edName = Find<QLineEdit>(dialog, "EdName");
        Type(edName, QString());
        Leave(edName, edLth);
        QCOMPARE(edName->text(), QStringLiteral("Outline"));

        // Switching to the polygon keeps the line's edits.
        auto* lb = Find<QListWidget>(dialog, "Lb");
        lb->setCurrentRow(RowOf(lb, QStringLiteral("(2)")));
        QCOMPARE(copy.At(5).size, 3);
        QCOMPARE(copy.At(5).colour, 0x563412);
        auto* fill = Find<QCheckBox>(dialog, "xFillPolygon");
        QVERIFY(fill->isVisible());
        QVERIFY(!fill->isChecked());  // the shipped area type is not filled
        ClickCheckBox(fill);
        QCOMPARE(Find<QLabel>(dialog, "PaLbColor3")->text(), QStringLiteral("Colour 000000"));
        ClickCheckBox(fill);
        QCOMPARE(Find<QLabel>(dialog, "PaLbColor3")->text(), QStringLiteral("not filled"));
        Type(edName, QStringLiteral("Surface"));

        QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(copy.At(2).textColour, kNoFill);
        QCOMPARE(copy.At(2).nameGerman, std::string("Surface"));
        QCOMPARE(program_.objectTypes, shipped_);
    }

    void TypeEditorKeepsItsSizeAndHeadsEachTypeByWhatItDraws() {
        ObjectTypeTable copy = program_.objectTypes;
        TypeEditorModel model(copy, 5, false, 1);
        TFMP_TYPE dialog(program_, model);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCoreApplication::processEvents();
        const QSize size = dialog.size();
        auto* heading = Find<QLabel>(dialog, "LbLine");
        QCOMPARE(heading->text(), QStringLiteral("Line"));
        auto* lb = Find<QListWidget>(dialog, "Lb");
        std::set<int> seen;
        for (int row = 0; row < lb->count(); ++row) {
            lb->setCurrentRow(row);
            QCoreApplication::processEvents();
            QCOMPARE(dialog.size(), size);
            const QString text = lb->item(row)->text();
            const int slot = text.mid(text.lastIndexOf(QLatin1Char('(')) + 1).chopped(1).toInt();
            const int dataType = copy.At(slot).dataType;
            seen.insert(dataType);
            if (dataType == kPoint || dataType == kCount) {
                QCOMPARE(heading->text(), QStringLiteral("Symbol"));
            } else if (dataType == kLine || dataType == kPolygon || dataType == kTwoPointLine) {
                QCOMPARE(heading->text(), QStringLiteral("Line"));
            }
        }
        QVERIFY(seen.count(kPoint) == 1 && seen.count(kPolygon) == 1);
    }

    void EditAllTypesCancelledLeavesTheTable() {
        Workspace ws(program_);
        WhenModal([](QWidget& dialog) {
            auto* lb = Find<QListWidget>(dialog, "Lb");
            auto* edName = Find<QLineEdit>(dialog, "EdName");
            Type(edName, QStringLiteral("First"));
            lb->setCurrentRow(3);
            Type(edName, QStringLiteral("Fourth"));
            lb->setCurrentRow(0);
            QCOMPARE(edName->text(), QStringLiteral("First"));
            QTest::mouseClick(Find<QPushButton>(dialog, "BtExit"), Qt::LeftButton);
        });
        ws.MnDataClick();
        QCOMPARE(program_.objectTypes, shipped_);

        WhenModal([](QWidget& dialog) {
            Type(Find<QLineEdit>(dialog, "EdName"), QStringLiteral("Length"));
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        ws.MnDataClick();
        QCOMPARE(program_.objectTypes, shipped_);
    }

    void BrowsingTheTypesKeepsBothNames() {
        // Moving through the list with the keys and confirming edits nothing:
        // the names in the other language stay as they were.
        Workspace ws(program_);
        WhenModal([](QWidget& dialog) {
            auto* lb = Find<QListWidget>(dialog, "Lb");
            auto* edName = Find<QLineEdit>(dialog, "EdName");
            for (int row = 0; row < 4; ++row) {
                QTest::keyClick(lb, Qt::Key_Down);
                // The name edit is left as it was shown.
                emit edName->editingFinished();
            }
            QTest::keyClick(edName, Qt::Key_Return);
        });
        ws.MnDataClick();
        QCOMPARE(program_.objectTypes, shipped_);
    }

    void NewTypeFromTheMenu() {
        Workspace ws(program_);
        ws.FillTypeSelector();
        WhenModal([](QWidget& dialog) {
            QVERIFY(!Find<QListWidget>(dialog, "Lb")->isVisible());
            QCOMPARE(Find<QLabel>(dialog, "LbIDV")->text(), QStringLiteral("13"));
            QCOMPARE(Find<QLineEdit>(dialog, "EdName")->text(), QStringLiteral("New object type"));
            auto* cobType = Find<QComboBox>(dialog, "cobtype");
            QVERIFY(cobType->isEnabled());
            cobType->setCurrentIndex(6);
            emit cobType->activated(6);
            QVERIFY(Find<QComboBox>(dialog, "cob4")->isVisible());  // a count has a symbol
            Type(Find<QLineEdit>(dialog, "EdName"), QStringLiteral("Pores"));
            QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
        });
        ws.MnAddobjectClick();
        QCOMPARE(program_.objectTypes.At(13).nameEnglish, std::string("Pores"));
        QCOMPARE(int(program_.objectTypes.At(13).dataType), int(kCount));
        QCOMPARE(ws.cboItems().back().text, std::string(" 13 Pores (Count )"));
    }

    // "Not filled" means something to a polygon only.
    void PolygonTurnedPointGetsBlackLabels() {
        Workspace ws(program_);
        ws.FillTypeSelector();
        WhenModal([](QWidget& dialog) {
            auto* cobType = Find<QComboBox>(dialog, "cobtype");
            const auto choose = [cobType](int index) {
                cobType->setCurrentIndex(index);
                emit cobType->activated(index);
            };
            auto* panel = Find<QLabel>(dialog, "PaLbColor3");
            choose(4);  // Polygon
            auto* fill = Find<QCheckBox>(dialog, "xFillPolygon");
            if (fill->isChecked()) ClickCheckBox(fill);
            QCOMPARE(panel->text(), QStringLiteral("not filled"));
            choose(1);  // Point
            QCOMPARE(panel->text(), QStringLiteral("Colour 000000"));
            QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
        });
        ws.MnAddobjectClick();
        QCOMPARE(int(program_.objectTypes.At(13).dataType), int(kPoint));
        QCOMPARE(program_.objectTypes.At(13).textColour, 0);
    }

    // The font dialog cannot show a family that is not installed; OK without
    // a change keeps the stored name, another family replaces it.
    void LabelFontKeepsItsNameUnlessAnotherIsChosen() {
        ObjectTypeTable copy = program_.objectTypes;
        QCOMPARE(copy.At(6).textFont, std::string("Arial"));
        TypeEditorModel model(copy, 6, false, 1);  // a point, labelled in Arial 9
        TFMP_TYPE dialog(program_, model);
        dialog.show();
        auto* font = Find<QLabel>(dialog, "LbFont");
        ModalScript unchanged({[](QWidget& chooser) {
            QVERIFY(qobject_cast<QFontDialog*>(&chooser) != nullptr);
            static_cast<QDialog&>(chooser).accept();
        }});
        QTest::mouseClick(font, Qt::LeftButton);
        QVERIFY(unchanged.Done());
        QCOMPARE(font->text(), QStringLiteral("Arial; 9 pt"));

        ModalScript other({[](QWidget& chooser) {
            auto* fonts = qobject_cast<QFontDialog*>(&chooser);
            QVERIFY(fonts != nullptr);
            fonts->setCurrentFont(QFont(QStringLiteral("Liberation Mono"), 9));
            fonts->accept();
        }});
        QTest::mouseClick(font, Qt::LeftButton);
        QVERIFY(other.Done());
        QCOMPARE(font->text(), QStringLiteral("Liberation Mono; 9 pt"));
        QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
        QCOMPARE(copy.At(6).textFont, std::string("Liberation Mono"));
    }

    void ANewTypeNameShowsWhole() {
        program_.settings.Language = 2;
        QCOMPARE(program_.LoadMessages(), kOk);
        Workspace ws(program_);
        WhenModal([](QWidget& dialog) {
            auto* name = Find<QLineEdit>(dialog, "EdName");
            QCOMPARE(name->text(), QStringLiteral("Nuevo tipo de objeto"));
            // The text area is the edit less its frame and two pixels each side.
            const int frame = name->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
            QVERIFY(name->fontMetrics().horizontalAdvance(name->text()) <
                    name->width() - 2 * frame - 4);
        });
        ws.MnAddobjectClick();
        program_.settings.Language = 1;
        QCOMPARE(program_.LoadMessages(), kOk);
    }

    // The character shows as itself, "&" too, in the picker and on the
    // editor's symbol button.
    void AmpersandShowsOnItsButtons() {
        const auto shows = [](QPushButton* button) {
            const QImage with = button->grab().toImage();
            const QString text = button->text();
            button->setText(QString());
            const QImage without = button->grab().toImage();
            button->setText(text);
            return with != without;
        };
        TCharSet picker(QStringLiteral("Liberation Sans"), QString(), QString());
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QVERIFY(shows(Find<QPushButton>(picker, "Char38")));

        ObjectTypeTable copy = program_.objectTypes;
        copy.Find(10)->symbolNumber = '&';  // a font character, kind 0
        TypeEditorModel model(copy, 10, false, 1);
        TFMP_TYPE editor(program_, model);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QVERIFY(shows(Find<QPushButton>(editor, "BtSym")));
    }

    void EnterConfirmsTheDialogs() {
        ObjectTypeTable copy = program_.objectTypes;
        TypeEditorModel model(copy, 5, false, 1);
        TFMP_TYPE editor(program_, model);
        editor.show();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        Type(Find<QLineEdit>(editor, "EdName"), QStringLiteral("Border"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QCOMPARE(copy.At(5).nameEnglish, std::string("Border"));

        TMesSelField layers(program_, {1, -2, 3, 4, 5, 6, 7, 8, -9, -10});
        layers.show();
        QVERIFY(QTest::qWaitForWindowActive(&layers));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(layers.result(), int(QDialog::Accepted));

        // The picker takes the character whose button has the focus.
        WhenModal([](QWidget& dialog) {
            auto* button = Find<QPushButton>(dialog, "Char65");
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Return);
        });
        QCOMPARE(TCharSet::PickCharacter(QStringLiteral("Liberation Sans"), nullptr), 65);
    }

    void CharacterPicker() {
        WhenModal([](QWidget& dialog) {
            QTest::mouseClick(Find<QPushButton>(dialog, "Char65"), Qt::LeftButton);
        });
        QCOMPARE(TCharSet::PickCharacter(QStringLiteral("Liberation Sans"), nullptr), 65);
        WhenModal([](QWidget& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
        QCOMPARE(TCharSet::PickCharacter(QStringLiteral("Liberation Sans"), nullptr), -1);
        QCOMPARE(TCharSet::PickCharacter(QString(), nullptr), -1);

        TCharSet picker(QStringLiteral("Liberation Sans"), QString(), QString());
        QCOMPARE(picker.findChildren<QPushButton*>().size(), 224 + 1);
        auto* first = Find<QPushButton>(picker, "Char32");
        auto* second = Find<QPushButton>(picker, "Char33");
        auto* nextRow = Find<QPushButton>(picker, "Char48");
        QCOMPARE(second->x() - first->x(), 36);
        QCOMPARE(nextRow->y() - first->y(), 36);
        QCOMPARE(nextRow->x(), first->x());
    }

    void OptionsDialogChecksAndApplies() {
        const Settings saved = program_.settings;
        OptionsModel model(program_);
        TMesOptions dialog(program_, model);
        dialog.chooseColour = [](QColor& colour) {
            colour = QColor(0, 0, 255);
            return true;
        };
        dialog.selectLayers = [](std::array<int32_t, 10>& codes) {
            codes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
            return true;
        };
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Options"));
        QCOMPARE(Find<QLineEdit>(dialog, "EdRecordCapacity")->text(), QStringLiteral("10"));

        auto* enlarge = Find<QLineEdit>(dialog, "EdEnlargePercent");
        auto* reduce = Find<QLineEdit>(dialog, "EdReducePercent");
        Find<QTabWidget>(dialog, "PageControl1")->setCurrentIndex(1);
        Type(enlarge, QStringLiteral("95"));
        Leave(enlarge, reduce);
        QCOMPARE(enlarge->text(), QStringLiteral("25"));
        Type(Find<QLineEdit>(dialog, "EdBoxSize"), QStringLiteral("150"));
        Type(Find<QLineEdit>(dialog, "EdMeasureFieldEnlarge"), QStringLiteral("199"));

        auto* adapt = Find<QCheckBox>(dialog, "CbAdaptClassSize");
        QVERIFY(Find<QLineEdit>(dialog, "EdClassSize")->isEnabled());
        ClickCheckBox(adapt);
        QVERIFY(!Find<QLineEdit>(dialog, "EdClassSize")->isEnabled());
        QVERIFY(Find<QLineEdit>(dialog, "EdClassSizePercent")->isEnabled());
        QTest::mouseClick(Find<QLabel>(dialog, "PaColour1"), Qt::LeftButton);
        QTest::mouseClick(Find<QPushButton>(dialog, "BtLayers"), Qt::LeftButton);

        Find<QTabWidget>(dialog, "PageControl1")->setCurrentIndex(2);
        Type(Find<QLineEdit>(dialog, "EdDecimalPlaces"), QStringLiteral("x"));
        auto* items = Find<QListWidget>(dialog, "ClbOutput");
        QCOMPARE(items->count(), 9);
        items->item(0)->setCheckState(Qt::Unchecked);

        // Nothing changes before apply.
        QCOMPARE(program_.settings.BoxSize, 252);
        auto* cancel = Find<QPushButton>(dialog, "BtCancel");
        QTest::mouseClick(Find<QPushButton>(dialog, "BtApply"), Qt::LeftButton);
        QCOMPARE(cancel->text(), QStringLiteral("Close"));
        const Settings& s = program_.settings;
        QCOMPARE(s.BoxSize, 252);
        QCOMPARE(Find<QLineEdit>(dialog, "EdBoxSize")->text(), QStringLiteral("252"));
        QCOMPARE(s.MeasureFieldEnlarge, 199);
        QCOMPARE(s.EnlargePercent, 25);
        QCOMPARE(s.DecimalPlaces, 3);
        QCOMPARE(s.AdaptClassSize, 1);
        QCOMPARE(s.Colour1, 0xFF0000);
        QCOMPARE(s.DisplayLayers[1], 2);
        QCOMPARE(s.OutputItemMask, 510);

        // Cancel after apply keeps what was applied.
        Type(Find<QLineEdit>(dialog, "EdJpegQuality"), QStringLiteral("50"));
        QTest::mouseClick(cancel, Qt::LeftButton);
        QVERIFY(dialog.Applied());
        QCOMPARE(s.JpegQuality, 100);
        QCOMPARE(s.MeasureFieldEnlarge, 199);
        program_.settings = saved;
    }

    void OptionsEscapeAppliesNothing() {
        const Settings saved = program_.settings;
        Workspace ws(program_);
        WhenModal([](QWidget& dialog) {
            Type(Find<QLineEdit>(dialog, "EdBoxSize"), QStringLiteral("300"));
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        const Workspace::OptionsOutcome outcome = ws.MnOptionsClick();
        QVERIFY(!outcome.applied);
        QCOMPARE(program_.settings.BoxSize, saved.BoxSize);

        WhenModal([](QWidget& dialog) {
            auto* language = Find<QComboBox>(dialog, "CbLanguage");
            language->setCurrentIndex(0);
            QTest::mouseClick(Find<QPushButton>(dialog, "BtOK"), Qt::LeftButton);
        });
        const Workspace::OptionsOutcome german = ws.MnOptionsClick();
        QVERIFY(german.applied);
        QVERIFY(german.languageChanged);
        QVERIFY(!german.layoutChanged);
        QCOMPARE(program_.GetMessage(179), std::string("Abbrechen"));
        program_.settings = saved;
        QCOMPARE(program_.LoadMessages(), kOk);
    }

    void LayerSelection() {
        TMesSelField dialog(program_, {1, -2, 3, 4, 5, 6, 7, 8, -9, -10});
        dialog.show();
        auto* clbv = Find<QListWidget>(dialog, "clbv");
        auto* clbb = Find<QListWidget>(dialog, "clbb");
        QCOMPARE(clbv->count(), 3);
        QCOMPARE(clbb->count(), 6);
        QCOMPARE(clbb->item(0)->text(), QStringLiteral("(3) Image"));
        auto* up = Find<QPushButton>(dialog, "BtUp");
        auto* down = Find<QPushButton>(dialog, "BtDn");
        clbb->setCurrentRow(0);
        QVERIFY(!up->isEnabled());
        QVERIFY(down->isEnabled());
        clbb->setCurrentRow(5);
        QVERIFY(up->isEnabled());
        QVERIFY(!down->isEnabled());
        QTest::mouseClick(up, Qt::LeftButton);
        QCOMPARE(clbb->currentRow(), 4);
        QCOMPARE(clbb->item(4)->text(), QStringLiteral("(8) Scale bar"));

        // A double click moves the layer into the other list.
        QListWidgetItem* ten = clbv->item(2);
        QTest::mouseClick(clbv->viewport(), Qt::LeftButton, {}, clbv->visualItemRect(ten).center());
        QTest::mouseDClick(clbv->viewport(), Qt::LeftButton, {},
                           clbv->visualItemRect(ten).center());
        QCOMPARE(clbb->count(), 7);
        QCOMPARE(clbb->item(6)->text(), QStringLiteral("(10) Statistics box"));
        QCOMPARE(dialog.Result(), (TMesSelField::Codes{1, 3, 4, 5, 6, 8, 7, 10, -2, -9}));

        QTest::mouseClick(Find<QPushButton>(dialog, "Button4"), Qt::LeftButton);
        QVERIFY(!Find<QPushButton>(dialog, "Button4")->isEnabled());
        QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Result(), (TMesSelField::Codes{1, -2, -3, -4, -5, -6, -7, -8, -9, -10}));
    }

    // A hand-edited configuration: layer 3 twice, codes 0, 12 and -22, and
    // layers 4 to 6 missing altogether.
    void LayerSelectionRepairsBadCodes() {
        TMesSelField dialog(program_, {1, 3, 3, 0, 12, -22, 7, 8, 2, -2});
        dialog.show();
        auto* clbv = Find<QListWidget>(dialog, "clbv");
        auto* clbb = Find<QListWidget>(dialog, "clbb");
        QList<int> layers;
        for (QListWidget* list : {clbv, clbb}) {
            for (int row = 0; row < list->count(); ++row) {
                const int layer = list->item(row)->data(Qt::UserRole).toInt();
                QCOMPARE(list->item(row)->text(), FromCore(program_.GetMessage(2200 + layer)));
                layers.append(layer);
            }
        }
        std::sort(layers.begin(), layers.end());
        QCOMPARE(layers, (QList<int>{2, 3, 4, 5, 6, 7, 8, 9, 10}));

        // Layer 4 can be switched on again.
        QListWidgetItem* four =
            clbv->findItems(QStringLiteral("(4)"), Qt::MatchStartsWith).value(0);
        QVERIFY(four != nullptr);
        QTest::mouseClick(clbv->viewport(), Qt::LeftButton, {},
                          clbv->visualItemRect(four).center());
        QTest::mouseClick(Find<QPushButton>(dialog, "BtAdd2"), Qt::LeftButton);
        QTest::mouseClick(Find<QPushButton>(dialog, "Button2"), Qt::LeftButton);
        QCOMPARE(dialog.Result(), (TMesSelField::Codes{1, 3, 7, 8, 2, 4, -5, -6, -9, -10}));
    }

    // A list that takes the focus has a current item that is not
    // highlighted; the buttons leave it alone.
    void LayerButtonsActOnTheHighlightedItemOnly() {
        TMesSelField dialog(program_, {1, -2, 3, 4, 5, 6, 7, 8, -9, -10});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* clbv = Find<QListWidget>(dialog, "clbv");
        clbv->setFocus();
        QVERIFY(clbv->selectedItems().isEmpty());
        auto* add = Find<QPushButton>(dialog, "BtAdd2");
        QVERIFY(!add->isEnabled());
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(dialog.Result(), (TMesSelField::Codes{1, 3, 4, 5, 6, 7, 8, -2, -9, -10}));

        QTest::mouseClick(clbv->viewport(), Qt::LeftButton, {},
                          clbv->visualItemRect(clbv->item(1)).center());
        QVERIFY(add->isEnabled());
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(dialog.Result(), (TMesSelField::Codes{1, 3, 4, 5, 6, 7, 8, 9, -2, -10}));
    }
};

QTEST_MAIN(OptionsTest)
#include "options_test.moc"
