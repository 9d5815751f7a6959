#include "gui/options/type_editor_dialog.hpp"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <initializer_list>

#include "core/options/object_dialog.hpp"
#include "core/options/type_editor.hpp"
#include "core/program/program.hpp"
#include "core/support/strings.hpp"
#include "gui/dialogs/dialog_util.hpp"
#include "gui/options/char_set_dialog.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kMsgUnkeptCharacters = 2167;
constexpr int kMsgCaption = 2059;
constexpr int kMsgDataType = 2050;
constexpr int kMsgShow = 2051;
constexpr int kMsgLine = 2053;
constexpr int kMsgSymbolHeading = 2278;
constexpr int kMsgLabelHeading = 2279;
constexpr int kMsgLineWidth = 2054;
constexpr int kMsgLineStyle = 2055;
constexpr int kMsgColour = 2056;
constexpr int kMsgLabel = 2057;
constexpr int kMsgSymbolSize = 2190;
constexpr int kMsgCancel = 179;
constexpr int kMsgNotFilled = 2037;
constexpr int kMsgFill = 2228;
constexpr int kMsgPickerCaption = 170;
constexpr int kMsgChooseSymbol = 2058;
constexpr int kMsgFirstStyle = 2030;
constexpr int kMsgFirstSymbol = 2040;
constexpr int kLineStyles = 6;
constexpr int kSymbolKinds = 9;
constexpr int kFontStyleBold = 1;
constexpr int kFontStyleItalic = 2;
constexpr int kFontStyleUnderline = 4;
constexpr int kFontStyleStrikeOut = 8;

QFont FontOf(const std::string& name, int32_t size, int32_t styleBits) {
    QFont font(FromCore(name));
    if (size > 0) font.setPointSize(size);
    font.setBold((styleBits & kFontStyleBold) != 0);
    font.setItalic((styleBits & kFontStyleItalic) != 0);
    font.setUnderline((styleBits & kFontStyleUnderline) != 0);
    font.setStrikeOut((styleBits & kFontStyleStrikeOut) != 0);
    return font;
}

int32_t StyleBitsOf(const QFont& font) {
    return (font.bold() ? kFontStyleBold : 0) | (font.italic() ? kFontStyleItalic : 0) |
           (font.underline() ? kFontStyleUnderline : 0) |
           (font.strikeOut() ? kFontStyleStrikeOut : 0);
}

}  // namespace

TFMP_TYPE::TFMP_TYPE(Program& program, TypeEditorModel& model, QWidget* parent)
    : QDialog(parent), program_(program), model_(model) {
    setObjectName(QStringLiteral("TFMP_TYPE"));
    SetSystemMenuOnly(*this);
    const auto text = [&](int number) { return FromCore(program_.GetMessage(number)); };
    setWindowTitle(text(kMsgCaption));

    chooseColour = [this](QColor& colour) {
        const QColor chosen = QColorDialog::getColor(colour, this);
        if (!chosen.isValid()) return false;
        colour = chosen;
        return true;
    };
    chooseFont = [this](QFont& font) {
        QFontDialog dialog(this);
        dialog.setCurrentFont(font);
        // The dialog lists the installed families only: for a stored name it
        // does not know (a font of another system) it shows a stand-in. Unless
        // the person picked another family, the stored name stays.
        const QString standIn = dialog.currentFont().family();
        if (dialog.exec() != QDialog::Accepted) return false;
        QFont chosen = dialog.selectedFont();
        if (chosen.family() == standIn) chosen.setFamily(font.family());
        font = chosen;
        return true;
    };
    pickCharacter = [this, text](const QString& fontName) {
        return TCharSet::PickCharacter(fontName, this, text(kMsgPickerCaption), text(kMsgCancel));
    };

    lb_ = MakeChild<QListWidget>(this, "Lb");
    lbIdv_ = MakeChild<QLabel>(this, "LbIDV");
    edName_ = MakeChild<QLineEdit>(this, "EdName");
    edName_->setMaxLength(static_cast<int>(ObjectType::kMaxName));
    cobType_ = MakeChild<QComboBox>(this, "cobtype");
    for (int dataType = 1; dataType <= 7; ++dataType) {
        cobType_->addItem(FromCore(DataTypeName(dataType, model_.Language())));
    }
    cbShow_ = MakeChild<QCheckBox>(this, "cbShow");
    cbShow_->setText(text(kMsgShow));
    cbLabelShow_ = MakeChild<QCheckBox>(this, "cblabelShow");
    cbLabelShow_->setText(text(kMsgShow));
    paLbColor_ = MakeChild<QLabel>(this, "PaLbColor");
    paLbColor2_ = MakeChild<QLabel>(this, "PaLbColor2");
    paLbColor3_ = MakeChild<QLabel>(this, "PaLbColor3");
    for (QLabel* panel : {paLbColor_, paLbColor2_, paLbColor3_}) {
        panel->setAutoFillBackground(true);
        panel->setAlignment(Qt::AlignCenter);
        panel->setMinimumHeight(24);
        panel->setFrameShape(QFrame::Panel);
        panel->setCursor(Qt::PointingHandCursor);
        panel->installEventFilter(this);
    }
    lbLth_ = MakeChild<QLabel>(this, "LbLth");
    lbLth_->setText(text(kMsgLineWidth));
    edLth_ = MakeChild<QLineEdit>(this, "EdLth");
    lbStyle_ = MakeChild<QLabel>(this, "LbStyle");
    lbStyle_->setText(text(kMsgLineStyle));
    cob3_ = MakeChild<QComboBox>(this, "cob3");
    for (int i = 0; i < kLineStyles; ++i) cob3_->addItem(text(kMsgFirstStyle + i));
    lbLabel_ = MakeChild<QLabel>(this, "LbLabel");
    lbLabel_->setText(text(kMsgLabel));
    lbFont_ = MakeChild<QLabel>(this, "LbFont");
    lbFont_->setFrameShape(QFrame::Panel);
    lbFont_->setCursor(Qt::PointingHandCursor);
    lbFont_->installEventFilter(this);
    cob4_ = MakeChild<QComboBox>(this, "cob4");
    for (int i = 0; i < kSymbolKinds; ++i) cob4_->addItem(text(kMsgFirstSymbol + i));
    lbSymFont_ = MakeChild<QLabel>(this, "LbSymFont");
    lbSymFont_->setFrameShape(QFrame::Panel);
    lbSymFont_->setCursor(Qt::PointingHandCursor);
    lbSymFont_->installEventFilter(this);
    btSym_ = MakeChild<QPushButton>(this, "BtSym");
    btSym_->setFixedSize(48, 48);
    btSym_->setToolTip(text(kMsgChooseSymbol));
    lbSymSz_ = MakeChild<QLabel>(this, "LbSymSz");
    lbSymSz_->setText(text(kMsgSymbolSize));
    edSymSz_ = MakeChild<QLineEdit>(this, "EdSymSz");
    xFillPolygon_ = MakeChild<QCheckBox>(this, "xFillPolygon");
    xFillPolygon_->setText(text(kMsgFill));
    btOk_ = MakeChild<QPushButton>(this, "BtOK");
    btOk_->setText(QStringLiteral("OK"));
    btOk_->setAutoDefault(false);
    btOk_->setDefault(true);
    btExit_ = MakeChild<QPushButton>(this, "BtExit");
    btExit_->setText(text(kMsgCancel));
    btExit_->setAutoDefault(false);

    auto* typeLabel = new QLabel(text(kMsgDataType), this);
    lbLine_ = new QLabel(text(kMsgLine), this);
    lbLine_->setObjectName(QStringLiteral("LbLine"));
    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(lbIdv_, row, 0);
    grid->addWidget(edName_, row++, 1);
    grid->addWidget(typeLabel, row, 0);
    grid->addWidget(cobType_, row++, 1);
    grid->addWidget(cbShow_, row, 0);
    grid->addWidget(lbLine_, row++, 1);
    grid->addWidget(paLbColor_, row, 0, 1, 2);
    grid->addWidget(paLbColor2_, ++row, 0, 1, 2);
    grid->addWidget(lbLth_, ++row, 0);
    grid->addWidget(edLth_, row++, 1);
    grid->addWidget(lbStyle_, row, 0);
    grid->addWidget(cob3_, row++, 1);
    grid->addWidget(cob4_, row, 0);
    grid->addWidget(btSym_, row++, 1);
    grid->addWidget(lbSymFont_, row++, 0, 1, 2);
    grid->addWidget(lbSymSz_, row, 0);
    grid->addWidget(edSymSz_, row++, 1);
    grid->addWidget(lbLabel_, row, 0);
    grid->addWidget(cbLabelShow_, row++, 1);
    grid->addWidget(lbFont_, row++, 0, 1, 2);
    grid->addWidget(xFillPolygon_, row++, 0, 1, 2);
    grid->addWidget(paLbColor3_, row++, 0, 1, 2);
    grid->setRowStretch(row++, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk_);
    buttons->addWidget(btExit_);
    grid->addLayout(buttons, row, 0, 1, 2);
    auto* main = new QHBoxLayout(this);
    // One slot needs no list.
    lb_->setVisible(model_.SlotCount() > 1);
    main->addWidget(lb_, 1);
    main->addLayout(grid, 1);

    for (const TypeEditorModel::Item& item : model_.Items()) lb_->addItem(FromCore(item.text));
    lb_->setCurrentRow(model_.SelectedIndex());
    // Neither the list's items nor a new type's name may be cut off.
    lb_->setMinimumWidth(std::max(260, lb_->sizeHintForColumn(0) + 2 * lb_->frameWidth() +
                                           lb_->verticalScrollBar()->sizeHint().width() + 8));
    const QFontMetrics metrics(edName_->font());
    edName_->setMinimumWidth(std::max(metrics.horizontalAdvance(text(kMsgNewTypeName)),
                                      24 * metrics.averageCharWidth()) +
                             16);

    connect(lb_, &QListWidget::currentRowChanged, this, [this](int current) {
        if (filling_ || current < 0) return;
        NameLeft();
        model_.Select(current);
        ShowType();
    });
    connect(edName_, &QLineEdit::editingFinished, this, &TFMP_TYPE::NameLeft);
    connect(cobType_, &QComboBox::activated, this, [this](int index) {
        model_.SetDataTypeIndex(index);
        ShowType();
    });
    connect(cbShow_, &QCheckBox::toggled, this, [this](bool on) {
        if (!filling_) model_.SetShow(on);
    });
    connect(cbLabelShow_, &QCheckBox::toggled, this, [this](bool on) {
        if (!filling_) model_.SetShowLabel(on);
    });
    connect(edLth_, &QLineEdit::textEdited, this, &TFMP_TYPE::LineWidthEdited);
    connect(cob3_, &QComboBox::activated, this, [this](int index) { model_.SetLineStyle(index); });
    connect(cob4_, &QComboBox::activated, this, [this](int index) {
        model_.SetSymbolKind(index);
        ShowType();
    });
    connect(edSymSz_, &QLineEdit::editingFinished, this, &TFMP_TYPE::SymbolSizeLeft);
    connect(btSym_, &QPushButton::clicked, this, &TFMP_TYPE::SymbolClicked);
    connect(xFillPolygon_, &QCheckBox::clicked, this, &TFMP_TYPE::FillClicked);
    connect(btOk_, &QPushButton::clicked, this, &TFMP_TYPE::Confirm);
    connect(btExit_, &QPushButton::clicked, this, &QDialog::reject);

    // The controls of one data type take the room of another's: the dialog
    // keeps its size whichever type is chosen.
    for (QWidget* control : std::initializer_list<QWidget*>{
             paLbColor_, paLbColor2_, lbLth_, edLth_, lbStyle_, cob3_, cob4_, btSym_, lbSymFont_,
             lbSymSz_, edSymSz_, lbLabel_, cbLabelShow_, lbFont_, xFillPolygon_, paLbColor3_}) {
        QSizePolicy policy = control->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        control->setSizePolicy(policy);
    }

    ShowType();
    adjustSize();
    CentreOnScreen(*this);
}

int TFMP_TYPE::exec() {
    if (!model_.HasItems()) return QDialog::Rejected;
    return QDialog::exec();
}

void TFMP_TYPE::ShowType() {
    filling_ = true;
    const ObjectType& type = model_.Working();
    const TypeEditorControls c = model_.Controls();
    lbIdv_->setText(QString::number(model_.IdentityNumber()));
    // The heading names what the type draws.
    lbLine_->setText(FromCore(program_.GetMessage(c.lineStyle ? kMsgLine
                                                  : c.symbol  ? kMsgSymbolHeading
                                                              : kMsgLabelHeading)));
    edName_->setText(FromCore(model_.DisplayName()));
    cobType_->setCurrentIndex(type.dataType >= 1 ? type.dataType - 1 : -1);
    cobType_->setEnabled(model_.DataTypeChangeable());
    cbShow_->setChecked(type.show);
    cbLabelShow_->setChecked(type.showLabel);
    cbLabelShow_->setVisible(c.showLabel);
    paLbColor_->setVisible(c.lineColour);
    paLbColor2_->setVisible(c.symbolColour);
    ShowColourPanel(paLbColor_, type.colour);
    ShowColourPanel(paLbColor2_, type.colour);
    lbLth_->setVisible(c.lineWidth);
    edLth_->setVisible(c.lineWidth);
    if (c.lineWidth) edLth_->setText(QString::number(type.size));
    lbStyle_->setVisible(c.lineStyle);
    cob3_->setVisible(c.lineStyle);
    cob3_->setCurrentIndex(type.attribute >= 0 && type.attribute < kLineStyles ? type.attribute
                                                                               : 0);
    cob3_->setEnabled(model_.LineStyleEnabled());
    lbLabel_->setVisible(c.labelFont);
    lbFont_->setVisible(c.labelFont);
    lbFont_->setText(FromCore(model_.LabelFontCaption()));
    cob4_->setVisible(c.symbol);
    cob4_->setCurrentIndex(model_.SymbolKind() < kSymbolKinds ? model_.SymbolKind() : 0);
    lbSymFont_->setVisible(c.symbolFont);
    btSym_->setVisible(c.symbolFont);
    lbSymFont_->setText(FromCore(model_.SymbolFontCaption()));
    ShowSymbolButton();
    lbSymSz_->setVisible(c.symbolSize);
    edSymSz_->setVisible(c.symbolSize);
    edSymSz_->setText(QString::number(type.symbolSize));
    xFillPolygon_->setVisible(c.fill);
    xFillPolygon_->setChecked(model_.Filled());
    paLbColor3_->setVisible(c.textColour || c.fill);
    ShowColourPanel(paLbColor3_, type.textColour, !c.fill || model_.Filled());
    filling_ = false;
}

void TFMP_TYPE::ShowColourPanel(QLabel* panel, int32_t colour, bool filled) {
    QPalette palette = panel->palette();
    if (!filled) {
        panel->setText(FromCore(program_.GetMessage(kMsgNotFilled)));
        palette = QPalette();
        panel->setPalette(palette);
        return;
    }
    const QColor background = ToQColor(colour & 0xFFFFFF);
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, ToQColor(~colour & 0xFFFFFF));
    panel->setPalette(palette);
    panel->setText(FromCore(ColourPanelCaption(program_.GetMessage(kMsgColour), colour)));
}

void TFMP_TYPE::ShowSymbolButton() {
    const ObjectType& type = model_.Working();
    QFont font(FromCore(type.symbolFont));
    font.setPointSize(20);
    btSym_->setFont(font);
    btSym_->setText(TCharSet::ButtonText(model_.SymbolCharacter()));
}

void TFMP_TYPE::NameLeft() {
    if (filling_) return;
    const QString typed = edName_->text();
    if (!CharactersCoreCannotKeep(typed).isEmpty()) {
        // The name goes back to what it was before the box takes the focus,
        // so that leaving the edit once more finds nothing to refuse.
        edName_->setText(FromCore(model_.DisplayName()));
        (void)RefuseTextTheFileCannotKeep(*this, typed, windowTitle(),
                                          FromCore(program_.GetMessage(kMsgUnkeptCharacters)));
        return;
    }
    if (!model_.SetName(ToCore(typed))) {
        edName_->setText(FromCore(model_.DisplayName()));
    }
}

void TFMP_TYPE::LineWidthEdited() {
    if (filling_) return;
    if (model_.SetLineWidth(ToCore(edLth_->text()))) {
        cob3_->setCurrentIndex(model_.Working().attribute);
        cob3_->setEnabled(model_.LineStyleEnabled());
    }
}

void TFMP_TYPE::SymbolSizeLeft() {
    if (filling_) return;
    if (!model_.SetSymbolSize(ToCore(edSymSz_->text()))) {
        edSymSz_->setText(QString::number(model_.Working().symbolSize));
    }
}

void TFMP_TYPE::ColourClicked(int tag) {
    const ObjectType& type = model_.Working();
    QColor colour = ToQColor((tag == 3 ? type.textColour : type.colour) & 0xFFFFFF);
    if (!chooseColour || !chooseColour(colour)) return;
    model_.SetColour(tag, FromQColor(colour));
    ShowType();
}

void TFMP_TYPE::LabelFontClicked() {
    const ObjectType& type = model_.Working();
    QFont font = FontOf(type.textFont, type.size, type.attribute);
    if (!chooseFont || !chooseFont(font)) return;
    model_.SetLabelFont(ToCore(font.family()), font.pointSize(), StyleBitsOf(font));
    ShowType();
}

void TFMP_TYPE::SymbolFontClicked() {
    const ObjectType& type = model_.Working();
    QFont font = FontOf(type.symbolFont, type.symbolSize, 0);
    if (!chooseFont || !chooseFont(font)) return;
    model_.SetSymbolFont(ToCore(font.family()), font.pointSize());
    ShowType();
}

void TFMP_TYPE::SymbolClicked() {
    if (!pickCharacter) return;
    model_.SetSymbolCharacter(pickCharacter(FromCore(model_.Working().symbolFont)));
    ShowType();
}

void TFMP_TYPE::FillClicked(bool on) {
    model_.SetFill(on);
    ShowType();
}

void TFMP_TYPE::Confirm() {
    NameLeft();
    SymbolSizeLeft();
    model_.Ok();
    accept();
}

void TFMP_TYPE::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFMP_TYPE::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == paLbColor_) {
            ColourClicked(1);
            return true;
        }
        if (watched == paLbColor2_) {
            ColourClicked(2);
            return true;
        }
        if (watched == paLbColor3_) {
            ColourClicked(3);
            return true;
        }
        if (watched == lbFont_) {
            LabelFontClicked();
            return true;
        }
        if (watched == lbSymFont_) {
            SymbolFontClicked();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kvx
