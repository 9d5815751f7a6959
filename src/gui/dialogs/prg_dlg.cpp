#include "gui/dialogs/prg_dlg.hpp"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "gui/dialogs/dialog_util.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kLeft = 14;
constexpr int kPromptTop = 8;
constexpr int kDesignedPromptHeight = 40;
constexpr int kDesignedEditTop = 56;
constexpr int kSingleLineHeight = 30;
// The window's own margin below the buttons, without a title bar and border.
constexpr int kBottomMargin = 20;

void SetPointSize(QWidget& widget, int points) {
    QFont font = widget.font();
    font.setPointSize(points);
    widget.setFont(font);
}

}  // namespace

TPrgDlg::TPrgDlg(const InputTextRequest& request, const QString& cancelCaption, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TPrgDlg"));
    SetSystemMenuOnly(*this);
    const bool wideScreen = ScreenGeometry(this).width() >= 1024;

    prompt_ = MakeChild<QLabel>(this, "Prompt");
    prompt_->setWordWrap(true);
    prompt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    okBut_ = MakeChild<QPushButton>(this, "OKBut");
    okBut_->setText(QStringLiteral("OK"));
    cancelBut_ = MakeChild<QPushButton>(this, "CancelBut");
    cancelBut_->setText(cancelCaption);
    QWidget* edit = nullptr;
    if (request.singleLine) {
        line_ = MakeChild<QLineEdit>(this, "Edit");
        line_->setText(FromCore(request.text));
        if (request.maxLength > 0) line_->setMaxLength(request.maxLength);
        edit = line_;
    } else {
        memo_ = MakeChild<QPlainTextEdit>(this, "Edit");
        memo_->setPlainText(FromCore(request.text));
        if (request.maxLength > 0) {
            connect(memo_, &QPlainTextEdit::textChanged, this, [this, max = request.maxLength] {
                const QString text = memo_->toPlainText();
                if (text.size() > max) memo_->setPlainText(text.left(max));
            });
        }
        edit = memo_;
    }
    edit->installEventFilter(this);

    int editHeight = wideScreen ? 70 : 80;
    const int fontPoints = wideScreen ? 10 : 13;
    SetPointSize(*edit, fontPoints);
    SetPointSize(*prompt_, wideScreen ? 12 : 13);
    SetPointSize(*okBut_, fontPoints);
    SetPointSize(*cancelBut_, fontPoints);

    setWindowTitle(FromCore(request.caption));
    prompt_->setText(FromCore(request.prompt));
    int promptHeight = kDesignedPromptHeight;
    int editTop = kDesignedEditTop;
    if (request.prompt.empty()) {
        prompt_->hide();
        editTop = kPromptTop;
    }
    if (request.singleLine) editHeight = kSingleLineHeight;
    if (request.selectAll) {
        if (line_ != nullptr) line_->selectAll();
        if (memo_ != nullptr) memo_->selectAll();
    } else if (line_ != nullptr) {
        line_->setCursorPosition(static_cast<int>(line_->text().size()));
    }
    if (request.labelHeight != 0) {
        promptHeight = request.labelHeight;
        editTop = request.labelHeight + 20;
    }

    int width = kDesignedWidth;
    if (request.width >= kMinimumWidth) width = request.width;
    const int okLeft = (width - 2 * kButtonWidth) / 3;
    const int cancelLeft = 2 * okLeft + kButtonWidth;
    prompt_->setGeometry(kLeft, kPromptTop, width - 28, promptHeight);
    edit->setGeometry(kLeft, editTop, width - 28, editHeight);
    const int buttonTop = editTop + editHeight + 16;
    okBut_->setGeometry(okLeft, buttonTop, kButtonWidth, kButtonHeight);
    cancelBut_->setGeometry(cancelLeft, buttonTop, kButtonWidth, kButtonHeight);
    setFixedSize(width, buttonTop + kButtonHeight + kBottomMargin);
    CentreOnScreen(*this);

    // Enter in the edit is handled by the dialog itself; elsewhere OK is the
    // default button.
    okBut_->setAutoDefault(false);
    cancelBut_->setAutoDefault(false);
    okBut_->setDefault(true);
    connect(okBut_, &QPushButton::clicked, this, &TPrgDlg::Confirm);
    connect(cancelBut_, &QPushButton::clicked, this, &TPrgDlg::Cancel);
    edit->setFocus();
}

QString TPrgDlg::EditText() const {
    return line_ != nullptr ? line_->text() : memo_->toPlainText();
}

std::string TPrgDlg::Answer() const {
    std::string answer = ToCore(EditText());
    if (answer.size() > kMaxAnswer) answer.resize(kMaxAnswer);
    return answer;
}

void TPrgDlg::Confirm() {
    if (RefuseTextTheFileCannotKeep(*this, EditText(), windowTitle(), unkeptMessage_)) return;
    outcome_ = Outcome::Confirmed;
    accept();
}

void TPrgDlg::Cancel() {
    outcome_ = Outcome::Cancelled;
    reject();
}

bool TPrgDlg::HandleKey(const QKeyEvent& key) {
    switch (key.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_F10:
        case Qt::Key_F12:
            Confirm();
            return true;
        case Qt::Key_Escape:
            Cancel();
            return true;
        default:
            return false;
    }
}

bool TPrgDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && HandleKey(*static_cast<QKeyEvent*>(event))) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TPrgDlg::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(*event)) QDialog::keyPressEvent(event);
}

}  // namespace kvx
