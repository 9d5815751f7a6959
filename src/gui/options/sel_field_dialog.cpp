#include "gui/options/sel_field_dialog.hpp"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "core/options/layer_selection.hpp"
#include "core/program/program.hpp"
#include "gui/dialogs/dialog_util.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kMsgCaption = 2147;
constexpr int kMsgHeading = 2148;
constexpr int kMsgAll = 471;
constexpr int kMsgNone = 472;
constexpr int kMsgCancel = 179;
constexpr int kMsgAvailable = 2149;
constexpr int kMsgSelected = 2150;
constexpr int kMsgHint1 = 2211;
constexpr int kMsgHint2 = 2212;
constexpr int kMsgFirstLayer = 2200;

}  // namespace

TMesSelField::TMesSelField(Program& program, const Codes& codes, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TMesSelField"));
    SetSystemMenuOnly(*this);
    const auto text = [&](int number) { return FromCore(program.GetMessage(number)); };
    setWindowTitle(text(kMsgCaption));
    model_ = std::make_unique<LayerSelectionModel>(
        codes, [&program](int32_t layer) { return program.GetMessage(kMsgFirstLayer + layer); });

    auto* label1 = MakeChild<QLabel>(this, "Label1");
    label1->setText(text(kMsgHeading));
    label1->setWordWrap(true);
    label1->setGeometry(8, 8, 584, 40);
    auto* lbV = MakeChild<QLabel>(this, "LbV");
    lbV->setText(text(kMsgAvailable));
    lbV->setGeometry(8, 72, 220, 20);
    auto* lbB = MakeChild<QLabel>(this, "LbB");
    lbB->setText(text(kMsgSelected));
    lbB->setGeometry(368, 72, 220, 20);
    clbv_ = MakeChild<QListWidget>(this, "clbv");
    clbv_->setGeometry(8, 96, 220, 241);
    clbb_ = MakeChild<QListWidget>(this, "clbb");
    clbb_->setGeometry(368, 96, 220, 241);
    btAdd2_ = MakeChild<QPushButton>(this, "BtAdd2");
    btAdd2_->setText(QStringLiteral(">"));
    btAdd2_->setGeometry(270, 130, 56, 30);
    btDel2_ = MakeChild<QPushButton>(this, "BtDel2");
    btDel2_->setText(QStringLiteral("<"));
    btDel2_->setGeometry(270, 170, 56, 30);
    btUp_ = MakeChild<QPushButton>(this, "BtUp");
    btUp_->setText(QString(QChar(0x2191)));
    btUp_->setGeometry(270, 230, 56, 30);
    btDn_ = MakeChild<QPushButton>(this, "BtDn");
    btDn_->setText(QString(QChar(0x2193)));
    btDn_->setGeometry(270, 270, 56, 30);
    auto* label2 = MakeChild<QLabel>(this, "Label2");
    label2->setText(text(kMsgHint1));
    label2->setWordWrap(true);
    label2->setGeometry(8, 344, 584, 20);
    auto* label3 = MakeChild<QLabel>(this, "Label3");
    label3->setText(text(kMsgHint2));
    label3->setWordWrap(true);
    label3->setGeometry(8, 364, 584, 20);
    button1_ = MakeChild<QPushButton>(this, "Button1");
    button1_->setText(text(kMsgAll));
    button1_->setGeometry(8, 390, 100, 30);
    button4_ = MakeChild<QPushButton>(this, "Button4");
    button4_->setText(text(kMsgNone));
    button4_->setGeometry(116, 390, 100, 30);
    button2_ = MakeChild<QPushButton>(this, "Button2");
    button2_->setText(QStringLiteral("OK"));
    button2_->setGeometry(380, 390, 100, 30);
    button3_ = MakeChild<QPushButton>(this, "Button3");
    button3_->setText(text(kMsgCancel));
    button3_->setGeometry(488, 390, 100, 30);
    for (QPushButton* b :
         {btAdd2_, btDel2_, btUp_, btDn_, button1_, button4_, button2_, button3_}) {
        b->setAutoDefault(false);
    }
    button2_->setDefault(true);

    // The buttons act on the highlighted item only: a list that takes the
    // focus makes its first item current without highlighting it.
    const auto highlighted = [](const QListWidget* list) {
        const QList<QListWidgetItem*> items = list->selectedItems();
        return items.isEmpty() ? -1 : list->row(items.constFirst());
    };
    connect(clbv_, &QListWidget::itemSelectionChanged, this, [this, highlighted] {
        if (filling_) return;
        model_->availableRow = highlighted(clbv_);
        Enable();
    });
    connect(clbb_, &QListWidget::itemSelectionChanged, this, [this, highlighted] {
        if (filling_) return;
        model_->selectedRow = highlighted(clbb_);
        Enable();
    });
    const auto act = [this](void (LayerSelectionModel::*action)()) {
        return [this, action]() {
            (model_.get()->*action)();
            Refill();
        };
    };
    connect(btAdd2_, &QPushButton::clicked, this, act(&LayerSelectionModel::Add));
    connect(clbv_, &QListWidget::itemDoubleClicked, this, act(&LayerSelectionModel::Add));
    connect(btDel2_, &QPushButton::clicked, this, act(&LayerSelectionModel::Remove));
    connect(clbb_, &QListWidget::itemDoubleClicked, this, act(&LayerSelectionModel::Remove));
    connect(btUp_, &QPushButton::clicked, this, act(&LayerSelectionModel::Up));
    connect(btDn_, &QPushButton::clicked, this, act(&LayerSelectionModel::Down));
    connect(button1_, &QPushButton::clicked, this, act(&LayerSelectionModel::All));
    connect(button4_, &QPushButton::clicked, this, act(&LayerSelectionModel::None));
    connect(button2_, &QPushButton::clicked, this, &QDialog::accept);
    connect(button3_, &QPushButton::clicked, this, &QDialog::reject);

    setMinimumSize(420, 440);
    setMaximumSize(608, 608);
    resize(600, 428);
    CentreOnScreen(*this);
    Refill();
}

TMesSelField::~TMesSelField() = default;

TMesSelField::Codes TMesSelField::Result() const {
    return model_->Result();
}

bool TMesSelField::SelectLayers(Program& program, Codes& codes, QWidget* owner) {
    TMesSelField dialog(program, codes, owner);
    if (dialog.exec() != QDialog::Accepted) return false;
    codes = dialog.Result();
    return true;
}

void TMesSelField::Refill() {
    filling_ = true;
    const auto fill = [this](QListWidget* list, const std::vector<int32_t>& layers, int32_t row) {
        list->clear();
        for (const int32_t layer : layers) {
            auto* item = new QListWidgetItem(FromCore(model_->Text(layer)), list);
            item->setData(Qt::UserRole, layer);
        }
        if (row >= 0) {
            list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
        } else {
            list->clearSelection();
        }
    };
    fill(clbv_, model_->AvailableLayers(), model_->availableRow);
    fill(clbb_, model_->SelectedLayers(), model_->selectedRow);
    filling_ = false;
    Enable();
}

void TMesSelField::Enable() {
    btAdd2_->setEnabled(model_->AddEnabled());
    btDel2_->setEnabled(model_->RemoveEnabled());
    btUp_->setEnabled(model_->UpEnabled());
    btDn_->setEnabled(model_->DownEnabled());
    button1_->setEnabled(model_->AllEnabled());
    button4_->setEnabled(model_->NoneEnabled());
}

void TMesSelField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kvx
