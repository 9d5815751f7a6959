#include "gui/options/options_dialog.hpp"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/program/program.hpp"
#include "gui/dialogs/dialog_util.hpp"
#include "gui/options/sel_field_dialog.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kMsgCaption = 2100;
constexpr int kMsgPage1 = 2101;
constexpr int kMsgPage2 = 2102;
constexpr int kMsgPage3 = 2106;
constexpr int kMsgPage3Label = 2119;
constexpr int kMsgCancel = 179;
constexpr int kMsgClose = 170;
constexpr int kMsgApply = 2107;
constexpr int kMsgLanguage = 711;
constexpr int kMsgCapacityUnit = 2112;
constexpr int kMsgTableUnit = 2104;
constexpr int kMsgLayers = 2120;
constexpr int kMsgFirstOutputItem = 2181;
constexpr int kOutputItems = 9;
constexpr int kColourMask = 0xFFFFFF;

QGridLayout* Grid(QWidget* page) {
    auto* grid = qobject_cast<QGridLayout*>(page->layout());
    return grid != nullptr ? grid : new QGridLayout(page);
}

}  // namespace

TMesOptions::TMesOptions(Program& program, OptionsModel& model, QWidget* parent)
    : QDialog(parent), program_(program), model_(model) {
    setObjectName(QStringLiteral("TMesOptions"));
    SetSystemMenuOnly(*this);
    setWindowTitle(Text(kMsgCaption));

    chooseColour = [this](QColor& colour) {
        const QColor chosen = QColorDialog::getColor(colour, this);
        if (!chosen.isValid()) return false;
        colour = chosen;
        return true;
    };
    chooseObjectTypeFile = [this]() {
        return QFileDialog::getOpenFileName(
            this, QString(), QDir::homePath(),
            QStringLiteral("Strativa / Object config files (*.KXO *.kxo)"));
    };
    selectLayers = [this](std::array<int32_t, 10>& codes) {
        return TMesSelField::SelectLayers(program_, codes, this);
    };

    pages_ = MakeChild<QTabWidget>(this, "PageControl1");
    auto* page1 = MakeChild<QWidget>(pages_, "TabSheet1");
    auto* page2 = MakeChild<QWidget>(pages_, "TabSheet2");
    auto* page3 = MakeChild<QWidget>(pages_, "TabSheet3");
    pages_->addTab(page1, Text(kMsgPage1));
    pages_->addTab(page2, Text(kMsgPage2));
    pages_->addTab(page3, Text(kMsgPage3));

    // Page 1: locations, language, capacity.
    int row = 0;
    AddBrowse(page1, row,
              AddEdit(page1, row, 2108, "EdDataPath", &OptionsEntries::DataPath, 0, true), false);
    ++row;
    AddBrowse(
        page1, row,
        AddEdit(page1, row, 2109, "EdObjectTypeFile", &OptionsEntries::ObjectTypeFile, 0, true),
        true);
    ++row;
    AddBrowse(page1, row,
              AddEdit(page1, row, 2110, "EdImportPath", &OptionsEntries::ImportPath, 0, true),
              false);
    ++row;
    AddBrowse(page1, row,
              AddEdit(page1, row, 2130, "EdImagePoolPath", &OptionsEntries::ImagePoolPath, 0, true),
              false);
    ++row;
    QLineEdit* drive = AddEdit(page1, row++, 2125, "EdBitmapDrive", &OptionsEntries::BitmapDrive);
    drive->setMaxLength(1);
    drive->setMaximumWidth(40);
    language_ = MakeChild<QComboBox>(page1, "CbLanguage");
    for (int32_t i = 0; i <= 2; ++i) language_->addItem(FromCore(LanguageName(i)));
    Grid(page1)->addWidget(new QLabel(Text(kMsgLanguage) + QStringLiteral(" :"), page1), row, 0);
    Grid(page1)->addWidget(language_, row++, 1);
    recordCapacity_ =
        AddEdit(page1, row, 2111, "EdRecordCapacity", &OptionsEntries::RecordCapacity);
    Grid(page1)->addWidget(new QLabel(Text(kMsgCapacityUnit), page1), row++, 2);
    AddCheck(page1, row++, 739, "CbShowWarningErrors", &OptionsEntries::ShowWarningErrors);
    Grid(page1)->setRowStretch(row, 1);

    // Page 2: view, measuring, statistics, colours, layers.
    row = 0;
    AddEdit(page2, row++, 2116, "EdEnlargePercent", &OptionsEntries::EnlargePercent, kTagEnlarge);
    AddEdit(page2, row++, 2117, "EdReducePercent", &OptionsEntries::ReducePercent, kTagReduce);
    AddEdit(page2, row++, 2118, "EdRasterDivision", &OptionsEntries::RasterDivision,
            kTagRasterDivision);
    AddEdit(page2, row++, 2139, "EdFineScalingPercent", &OptionsEntries::FineScalingPercent,
            kTagFineScaling);
    AddEdit(page2, row++, 2121, "EdRasterLabelSpacing", &OptionsEntries::RasterLabelSpacing,
            kTagRasterLabelSpacing);
    AddEdit(page2, row++, 2122, "EdMinSelectionSize", &OptionsEntries::MinSelectionSize,
            kTagMinSelection);
    AddCheck(page2, row++, 2123, "CbSnapToRaster", &OptionsEntries::SnapToRaster);
    AddEdit(page2, row++, 2077, "EdMeasureFieldWidth", &OptionsEntries::MeasureFieldWidth);
    tableUnit_ = MakeChild<QComboBox>(page2, "CbTableUnit");
    for (const char* unit : {"\xB5m", "mm", "cm"}) tableUnit_->addItem(FromCore(unit));
    Grid(page2)->addWidget(new QLabel(Text(kMsgTableUnit), page2), row, 0);
    Grid(page2)->addWidget(tableUnit_, row++, 1);
    classSize_ =
        AddEdit(page2, row++, 2105, "EdClassSize", &OptionsEntries::ClassSize, kTagClassSize);
    adaptClassSize_ =
        AddCheck(page2, row++, 2084, "CbAdaptClassSize", &OptionsEntries::AdaptClassSize);
    classSizePercent_ =
        AddEdit(page2, row++, 2088, "EdClassSizePercent", &OptionsEntries::ClassSizePercent);
    classSizePercent_->setMaxLength(2);
    AddCheck(page2, row++, 2142, "CbHideNonCurrent", &OptionsEntries::HideNonCurrent);
    AddCheck(page2, row++, 2127, "CbPerformanceMode", &OptionsEntries::PerformanceMode);
    AddCheck(page2, row++, 2097, "CbShowTplValues", &OptionsEntries::ShowTplValues);
    AddCheck(page2, row++, 2128, "CbQuickSelectCaptures", &OptionsEntries::QuickSelectCaptures);
    AddCheck(page2, row++, 2136, "CbAskObjectName", &OptionsEntries::AskObjectName);
    // The second column keeps the page short enough for small screens.
    int row2 = 0;
    const auto right = [&](int message, const char* name, std::string OptionsEntries::*entry) {
        auto* label = new QLabel(Text(message), page2);
        auto* edit = MakeChild<QLineEdit>(page2, name);
        Grid(page2)->addWidget(label, row2, 3);
        Grid(page2)->addWidget(edit, row2++, 4);
        texts_.push_back({entry, edit, 0, false});
        connect(edit, &QLineEdit::editingFinished, this,
                [this, n = texts_.size() - 1]() { EditLeft(texts_[n]); });
    };
    right(2294, "EdWheelZoomPercent", &OptionsEntries::WheelZoomPercent);
    right(2098, "EdPointSizeCapture", &OptionsEntries::PointSizeCapture);
    right(2099, "EdPointSizeModify", &OptionsEntries::PointSizeModify);
    right(2096, "EdMaxStatisticsFontSize", &OptionsEntries::MaxStatisticsFontSize);
    right(2129, "EdMeasureFieldEnlarge", &OptionsEntries::MeasureFieldEnlarge);
    right(2134, "EdBoxSize", &OptionsEntries::BoxSize);
    const auto colour = [&](int index, int message, const char* name) {
        auto* label = new QLabel(Text(message), page2);
        auto* panel = MakeChild<QLabel>(page2, name);
        panel->setAutoFillBackground(true);
        panel->setFrameShape(QFrame::Panel);
        panel->setMinimumSize(60, 22);
        panel->setCursor(Qt::PointingHandCursor);
        panel->installEventFilter(this);
        Grid(page2)->addWidget(label, row2, 3);
        Grid(page2)->addWidget(panel, row2++, 4);
        colours_[static_cast<std::size_t>(index)] = panel;
    };
    colour(0, 2132, "PaColour1");
    colour(1, 2133, "PaColour2");
    colour(2, 2140, "PaColour3");
    btLayers_ = MakeChild<QPushButton>(page2, "BtLayers");
    btLayers_->setText(Text(kMsgLayers));
    btLayers_->setAutoDefault(false);
    Grid(page2)->addWidget(btLayers_, row2++, 4);
    Grid(page2)->setRowStretch(std::max(row, row2), 1);
    Grid(page2)->setColumnMinimumWidth(2, 16);

    // Page 3: output.
    row = 0;
    Grid(page3)->addWidget(new QLabel(Text(kMsgPage3Label), page3), row++, 0, 1, 2);
    AddCheck(page3, row++, 2115, "CbAdaptToCdr", &OptionsEntries::AdaptToCdr);
    outputItems_ = MakeChild<QListWidget>(page3, "ClbOutput");
    for (int i = 0; i < kOutputItems; ++i) {
        auto* item = new QListWidgetItem(Text(kMsgFirstOutputItem + i), outputItems_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    Grid(page3)->addWidget(outputItems_, row++, 0, 1, 2);
    AddEdit(page3, row++, 2126, "EdDecimalPlaces", &OptionsEntries::DecimalPlaces)->setMaxLength(1);
    jpegQuality_ = AddEdit(page3, row++, 2195, "EdJpegQuality", &OptionsEntries::JpegQuality);
    Grid(page3)->setRowStretch(row, 1);

    btOk_ = MakeChild<QPushButton>(this, "BtOK");
    btOk_->setText(QStringLiteral("OK"));
    btOk_->setDefault(true);
    btApply_ = MakeChild<QPushButton>(this, "BtApply");
    btApply_->setText(Text(kMsgApply));
    btApply_->setAutoDefault(false);
    btCancel_ = MakeChild<QPushButton>(this, "BtCancel");
    btCancel_->setText(Text(kMsgCancel));
    btCancel_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk_);
    buttons->addWidget(btApply_);
    buttons->addWidget(btCancel_);
    auto* main = new QVBoxLayout(this);
    main->addWidget(pages_);
    main->addLayout(buttons);

    connect(btOk_, &QPushButton::clicked, this, [this]() {
        ApplyNow();
        accept();
    });
    connect(btApply_, &QPushButton::clicked, this, [this]() {
        ApplyNow();
        btCancel_->setText(Text(kMsgClose));
    });
    connect(btCancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(btLayers_, &QPushButton::clicked, this, [this]() {
        if (!selectLayers || !selectLayers(model_.entries.DisplayLayers)) model_.ReloadLayers();
    });
    connect(adaptClassSize_, &QCheckBox::toggled, this, &TMesOptions::AdaptToggled);

    Fill();
    pages_->setCurrentIndex(0);
    adjustSize();
    CentreOnScreen(*this);
}

QString TMesOptions::Text(int number) const {
    return FromCore(program_.GetMessage(number));
}

QLineEdit* TMesOptions::AddEdit(QWidget* page, int row, int labelMessage, const char* name,
                                std::string OptionsEntries::*entry, int32_t tag, bool path) {
    auto* edit = MakeChild<QLineEdit>(page, name);
    if (path) edit->setMinimumWidth(320);
    Grid(page)->addWidget(new QLabel(Text(labelMessage), page), row, 0);
    Grid(page)->addWidget(edit, row, 1);
    texts_.push_back({entry, edit, tag, path});
    connect(edit, &QLineEdit::editingFinished, this,
            [this, n = texts_.size() - 1]() { EditLeft(texts_[n]); });
    return edit;
}

QCheckBox* TMesOptions::AddCheck(QWidget* page, int row, int labelMessage, const char* name,
                                 bool OptionsEntries::*entry) {
    auto* box = MakeChild<QCheckBox>(page, name);
    box->setText(Text(labelMessage));
    Grid(page)->addWidget(box, row, 0, 1, 2);
    checks_.push_back({entry, box});
    return box;
}

QPushButton* TMesOptions::AddBrowse(QWidget* page, int row, QLineEdit* edit, bool typeFile) {
    auto* button = MakeChild<QPushButton>(page, "");
    button->setObjectName(edit->objectName() + QStringLiteral("Browse"));
    button->setText(QStringLiteral("..."));
    button->setAutoDefault(false);
    Grid(page)->addWidget(button, row, 2);
    connect(button, &QPushButton::clicked, this, [this, edit, typeFile]() {
        QString chosen;
        if (typeFile) {
            if (chooseObjectTypeFile) chosen = chooseObjectTypeFile();
        } else {
            chosen = PathFromCore(program_.ui.PickDirectory(true, ToCore(QDir::homePath())));
        }
        if (!chosen.isEmpty()) edit->setText(chosen);
    });
    return button;
}

void TMesOptions::Fill() {
    const OptionsEntries& e = model_.entries;
    for (const TextField& field : texts_) {
        field.edit->setText(field.path ? PathFromCore(e.*field.entry) : FromCore(e.*field.entry));
    }
    for (const CheckField& field : checks_) field.box->setChecked(e.*field.entry);
    language_->setCurrentIndex(e.Language);
    tableUnit_->setCurrentIndex(e.TableUnit);
    for (int i = 0; i < kOutputItems; ++i) {
        outputItems_->item(i)->setCheckState(
            e.OutputItems[static_cast<std::size_t>(i)] ? Qt::Checked : Qt::Unchecked);
    }
    ShowColours();
    AdaptToggled();
}

void TMesOptions::Gather() {
    OptionsEntries& e = model_.entries;
    for (const TextField& field : texts_) {
        e.*field.entry = field.path ? PathToCore(field.edit->text()) : ToCore(field.edit->text());
    }
    for (const CheckField& field : checks_) e.*field.entry = field.box->isChecked();
    e.Language = language_->currentIndex();
    e.TableUnit = tableUnit_->currentIndex();
    for (int i = 0; i < kOutputItems; ++i) {
        e.OutputItems[static_cast<std::size_t>(i)] =
            outputItems_->item(i)->checkState() == Qt::Checked;
    }
}

void TMesOptions::ApplyNow() {
    Gather();
    model_.Apply();
    // Refused entries show what was kept.
    model_.Load();
    Fill();
}

void TMesOptions::ShowColours() {
    const OptionsEntries& e = model_.entries;
    const int32_t values[] = {e.Colour1, e.Colour2, e.Colour3};
    for (std::size_t i = 0; i < colours_.size(); ++i) {
        QPalette palette = colours_[i]->palette();
        palette.setColor(QPalette::Window, ToQColor(values[i] & kColourMask));
        colours_[i]->setPalette(palette);
    }
}

void TMesOptions::ColourClicked(int tag) {
    OptionsEntries& e = model_.entries;
    int32_t* target = tag == 1 ? &e.Colour1 : tag == 2 ? &e.Colour2 : &e.Colour3;
    QColor colour = ToQColor(*target & kColourMask);
    if (!chooseColour || !chooseColour(colour)) return;
    *target = FromQColor(colour);
    ShowColours();
}

void TMesOptions::EditLeft(const TextField& field) {
    const std::string text = ToCore(field.edit->text());
    std::string shown = text;
    if (field.tag != 0) {
        shown = model_.LeaveTaggedEdit(field.tag, text);
    } else if (field.edit == recordCapacity_) {
        shown = model_.LeaveRecordCapacity(text);
    } else if (field.edit == jpegQuality_) {
        shown = model_.LeaveJpegQuality(text);
    }
    if (shown != text) field.edit->setText(FromCore(shown));
}

void TMesOptions::AdaptToggled() {
    model_.entries.AdaptClassSize = adaptClassSize_->isChecked();
    classSize_->setEnabled(model_.ClassSizeEnabled());
    classSizePercent_->setEnabled(model_.ClassSizePercentEnabled());
}

void TMesOptions::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TMesOptions::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        for (std::size_t i = 0; i < colours_.size(); ++i) {
            if (watched == colours_[i]) {
                ColourClicked(static_cast<int>(i) + 1);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace kvx
