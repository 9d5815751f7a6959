#include "gui/measure/vec_name_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/program/program.hpp"
#include "core/project/measured_object.hpp"
#include "gui/dialogs/dialog_util.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kMsgCaption = 2160;
constexpr int kMsgAskAgain = 2161;
constexpr int kMsgLabel = 2057;
constexpr int kMsgProperties = 2009;
constexpr int kMsgCancel = 179;
constexpr int kMsgUnkeptCharacters = 2167;
constexpr int kMinimumWidth = 420;

}  // namespace

TVecName::TVecName(Program& program, const ObjectDialogRequest& request, QWidget* parent)
    : QDialog(parent), model_(program, request) {
    setObjectName(QStringLiteral("TVecName"));
    SetSystemMenuOnly(*this);
    const auto message = [&program](int number) { return FromCore(program.GetMessage(number)); };
    setWindowTitle(message(kMsgCaption));
    unkeptMessage_ = message(kMsgUnkeptCharacters);

    types_ = MakeChild<QComboBox>(this, "ComboBox1");
    types_->setEditable(false);
    for (const ObjectDialogItem& item : model_.Items()) types_->addItem(FromCore(item.text));
    types_->setCurrentIndex(model_.ChosenIndex());

    editCaption_ = MakeChild<QLabel>(this, "Label1");
    editCaption_->setText(message(kMsgLabel));
    edit1_ = MakeChild<QLineEdit>(this, "Edit1");
    edit1_->setMaxLength(static_cast<int>(MeasuredObject::kMaxName));
    editCaption_->setBuddy(edit1_);
    checkBox2_ = MakeChild<QCheckBox>(this, "CheckBox2");
    checkBox2_->setText(message(kMsgAskAgain));
    checkBox2_->setChecked(!request.askObjectName);

    btOk_ = MakeChild<QPushButton>(this, "BtOK");
    btOk_->setText(QStringLiteral("OK"));
    btAbbr_ = MakeChild<QPushButton>(this, "BtAbbr");
    btAbbr_->setText(message(kMsgCancel));
    btProp_ = MakeChild<QPushButton>(this, "BtProp");
    btProp_->setText(message(kMsgProperties));
    btNeu_ = MakeChild<QPushButton>(this, "btNeu");
    btNeu_->setText(message(kMsgNewTypeName));
    // Enter in the label edit (or on a focused OK) confirms; the other
    // buttons never become the default.
    btOk_->setDefault(true);
    for (QPushButton* button : {btAbbr_, btProp_, btNeu_}) button->setAutoDefault(false);

    auto* fields = new QGridLayout;
    fields->addWidget(types_, 0, 0, 1, 2);
    fields->addWidget(editCaption_, 1, 0);
    fields->addWidget(edit1_, 1, 1);
    fields->addWidget(checkBox2_, 2, 0, 1, 2);
    fields->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btOk_);
    buttons->addWidget(btAbbr_);
    buttons->addStretch(1);
    buttons->addWidget(btProp_);
    buttons->addWidget(btNeu_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setMinimumWidth(kMinimumWidth);

    connect(types_, &QComboBox::currentIndexChanged, this, &TVecName::TypeChosen);
    connect(btOk_, &QPushButton::clicked, this, &TVecName::Confirm);
    connect(btAbbr_, &QPushButton::clicked, this, &TVecName::CancelClick);
    connect(btProp_, &QPushButton::clicked, this, &TVecName::PropertiesClick);
    connect(btNeu_, &QPushButton::clicked, this, &TVecName::NewTypeClick);

    UpdateControls();
    if (model_.LabelShown()) edit1_->setFocus();
    adjustSize();

    const QPoint at = OpenPosition(parent, request.offsetX, request.offsetY);
    if (at.isNull()) {
        CentreOnScreen(*this);
    } else {
        move(at);
    }
}

QPoint TVecName::OpenPosition(const QWidget* owner, int offsetX, int offsetY) {
    if (owner == nullptr) return {};
    const QWidget* box = owner->findChild<QWidget*>(QStringLiteral("MainPB"));
    const QWidget* origin = box != nullptr ? box : owner;
    return origin->mapToGlobal(QPoint(offsetX, offsetY));
}

void TVecName::TypeChosen(int index) {
    model_.Choose(index);
    UpdateControls();
}

void TVecName::UpdateControls() {
    const bool chosen = model_.OkEnabled();
    btOk_->setEnabled(chosen);
    btNeu_->setEnabled(model_.NewTypeEnabled());
    const bool label = model_.LabelShown();
    editCaption_->setVisible(label);
    edit1_->setVisible(label);
    checkBox2_->setVisible(label);
    if (!label && chosen) btOk_->setFocus();
}

void TVecName::Confirm() {
    if (!model_.OkEnabled()) return;
    if (RefuseTextTheFileCannotKeep(*this, edit1_->text(), windowTitle(), unkeptMessage_)) {
        return;
    }
    answer_ = model_.Ok(ToCore(edit1_->text()), checkBox2_->isChecked());
    accept();
}

void TVecName::CancelClick() {
    answer_ = ObjectDialogModel::Cancel();
    reject();
}

void TVecName::PropertiesClick() {
    model_.Properties();
}

void TVecName::NewTypeClick() {
    if (!model_.NewType()) return;
    const ObjectDialogItem& added = model_.Items().back();
    {
        const QSignalBlocker block(types_);
        types_->addItem(FromCore(added.text));
        types_->setCurrentIndex(model_.ChosenIndex());
    }
    UpdateControls();
}

}  // namespace kvx
