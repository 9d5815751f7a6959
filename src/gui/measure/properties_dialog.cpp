#include "gui/measure/properties_dialog.hpp"

#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/program/program.hpp"
#include "gui/dialogs/dialog_util.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kMsgCancel = 179;
constexpr int kMinimumWidth = 520;

QLabel* MakeLabel(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    return label;
}

// Focus that comes and goes with the whole window (another window was
// activated, a menu popped up) is not the person moving between fields.
bool MovedWithinDialog(const QFocusEvent& event) {
    return event.reason() != Qt::ActiveWindowFocusReason && event.reason() != Qt::PopupFocusReason;
}

}  // namespace

TPEProperties::TPEProperties(const Program& program, PropertiesDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("TPEProperties"));
    SetSystemMenuOnly(*this);
    setWindowTitle(FromCore(model.caption));
    const auto message = [&program](int number) { return FromCore(program.GetMessage(number)); };

    QLineEdit* edit3 = MakeEdit(Field::Edit3, "Edit3");
    QLineEdit* edit2 = MakeEdit(Field::Edit2, "Edit2");
    QLineEdit* edit4 = MakeEdit(Field::Edit4, "Edit4");
    QLineEdit* edit5 = MakeEdit(Field::Edit5, "Edit5");
    QLineEdit* edit1 = MakeEdit(Field::Edit1, "Edit1");
    QLineEdit* edit8 = MakeEdit(Field::Edit8, "Edit8");
    // The author is shown here but changed elsewhere.
    edit8->setReadOnly(true);
    QLineEdit* edit6 = MakeEdit(Field::Edit6, "Edit6");
    QLineEdit* edit7 = MakeEdit(Field::Edit7, "Edit7");
    auto* label7 = MakeChild<QLabel>(this, "Label7");
    label7->setText(FromCore(model.Label7));
    label7->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* heading = MakeLabel(this, message(kMsgPointerCalibration));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(MakeLabel(this, QStringLiteral("Bitmap")), row, 0);
    grid->addWidget(edit3, row, 1, 1, 3);
    ++row;
    grid->addWidget(MakeLabel(this, message(kMsgResolution)), row, 0);
    grid->addWidget(edit2, row, 1);
    grid->addWidget(MakeLabel(this, QStringLiteral("dpi")), row, 2);
    ++row;
    grid->addWidget(MakeLabel(this, message(kMsgKnownLength)), row, 0);
    grid->addWidget(edit4, row, 1);
    grid->addWidget(MakeLabel(this, message(kMsgMeasuredAs)), row, 2);
    grid->addWidget(edit5, row, 3);
    ++row;
    grid->addWidget(MakeLabel(this, message(kMsgProjectFile)), row, 0);
    grid->addWidget(label7, row, 1, 1, 3);
    ++row;
    grid->addWidget(MakeLabel(this, message(kMsgTitle)), row, 0);
    grid->addWidget(edit1, row, 1, 1, 3);
    ++row;
    grid->addWidget(MakeLabel(this, message(kMsgAuthor)), row, 0);
    grid->addWidget(edit8, row, 1, 1, 3);
    ++row;
    grid->addWidget(heading, row, 0, 1, 4);
    ++row;
    grid->addWidget(MakeLabel(this, message(kMsgRealDistance)), row, 0);
    grid->addWidget(edit6, row, 1);
    grid->addWidget(MakeLabel(this, message(kMsgMeasuredAs)), row, 2);
    grid->addWidget(edit7, row, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    butOk_ = MakeChild<QPushButton>(this, "ButOK");
    butOk_->setText(QStringLiteral("OK"));
    butCancel_ = MakeChild<QPushButton>(this, "ButCancel");
    butCancel_->setText(message(kMsgCancel));
    butOk_->setDefault(true);
    butCancel_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(butOk_);
    buttons->addWidget(butCancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setMinimumWidth(kMinimumWidth);

    ShowTexts();
    connect(butOk_, &QPushButton::clicked, this, &TPEProperties::Confirm);
    connect(butCancel_, &QPushButton::clicked, this, &QDialog::reject);
    // Opened on a measured scale, the known length is all that is missing.
    if (!model.Text(Field::Edit5).empty() && model.Text(Field::Edit4).empty()) {
        edit4->setFocus();
    } else {
        edit3->setFocus();
    }
    adjustSize();
    CentreOnScreen(*this);
}

TPEProperties::~TPEProperties() {
    // The edits lose the focus while the dialog is torn down; no leave rule
    // must run on the model then.
    for (QLineEdit* edit : edits_) {
        if (edit != nullptr) edit->removeEventFilter(this);
    }
}

QLineEdit* TPEProperties::MakeEdit(Field field, const char* name) {
    auto* edit = MakeChild<QLineEdit>(this, name);
    edits_[static_cast<std::size_t>(field)] = edit;
    edit->setProperty("field", static_cast<int>(field));
    edit->installEventFilter(this);
    // The picture's path is a name of the file system, not text.
    connect(edit, &QLineEdit::textChanged, this, [this, field](const QString& text) {
        model_.Text(field) = field == Field::Edit3 ? PathToCore(text) : ToCore(text);
    });
    return edit;
}

void TPEProperties::ShowTexts() {
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        QLineEdit* edit = edits_[i];
        if (edit == nullptr) continue;
        const auto field = static_cast<Field>(i);
        const QString text =
            field == Field::Edit3 ? PathFromCore(model_.Text(field)) : FromCore(model_.Text(field));
        if (edit->text() != text) edit->setText(text);
    }
}

bool TPEProperties::eventFilter(QObject* watched, QEvent* event) {
    const bool in = event->type() == QEvent::FocusIn;
    const bool out = event->type() == QEvent::FocusOut;
    if ((in || out) && MovedWithinDialog(*static_cast<QFocusEvent*>(event))) {
        const QVariant field = watched->property("field");
        if (field.isValid()) {
            const auto which = static_cast<Field>(field.toInt());
            if (in) {
                model_.Enter(which);
            } else {
                model_.Leave(which);
                ShowTexts();
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TPEProperties::Confirm() {
    // Enter in a field confirms without the field being left; its leave rule
    // still applies, as it would when OK is clicked.
    const QWidget* focused = focusWidget();
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        if (edits_[i] != nullptr && edits_[i] == focused) {
            model_.Leave(static_cast<Field>(i));
            break;
        }
    }
    accept();
}

}  // namespace kvx
