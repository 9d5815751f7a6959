#include "gui/options/char_set_dialog.hpp"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "gui/dialogs/dialog_util.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kWidth = 435;
constexpr int kHeight = 397;
constexpr int kPitch = 36;
constexpr int kButtonWidth = 34;
constexpr int kButtonHeight = 36;
constexpr int kButtonFontSize = 13;
constexpr int kGridTop = 90;
constexpr int kLeft = 4;
const char* const kCodeProperty = "charCode";

QString CharacterText(int code) {
    const char byte = static_cast<char>(code);
    return FromCore(std::string_view(&byte, 1));
}

}  // namespace

TCharSet::TCharSet(const QString& fontName, const QString& caption, const QString& cancelCaption,
                   QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TCharSet"));
    SetSystemMenuOnly(*this);
    setWindowTitle(caption);

    QFont large(fontName);
    large.setPointSize(40);
    preview_ = MakeChild<QLabel>(this, "LbPreview");
    preview_->setFont(large);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setFrameShape(QFrame::Panel);
    preview_->setGeometry(kLeft, 4, 80, 80);
    codeLabel_ = MakeChild<QLabel>(this, "LbCode");
    codeLabel_->setGeometry(kLeft + 90, 30, 120, 24);

    QFont small(fontName);
    small.setPointSize(kButtonFontSize);
    for (int code = kFirstCode; code <= kLastCode; ++code) {
        const int index = code - kFirstCode;
        auto* button = new QPushButton(ButtonText(code), this);
        button->setObjectName(QStringLiteral("Char%1").arg(code));
        button->setProperty(kCodeProperty, code);
        button->setFont(small);
        // Enter picks the character whose button has the focus.
        button->setAutoDefault(true);
        button->setGeometry(kLeft + (index % kPerRow) * kPitch,
                            kGridTop + (index / kPerRow) * kPitch, kButtonWidth, kButtonHeight);
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, code]() {
            code_ = code;
            accept();
        });
    }
    const int gridBottom = kGridTop + ((kLastCode - kFirstCode) / kPerRow + 1) * kPitch;
    btCancel_ = MakeChild<QPushButton>(this, "BtCancel");
    btCancel_->setText(cancelCaption.isEmpty() ? QStringLiteral("Cancel") : cancelCaption);
    btCancel_->setAutoDefault(false);
    btCancel_->setGeometry(kLeft + kPerRow * kPitch - 120, gridBottom + 8, 120, 30);
    connect(btCancel_, &QPushButton::clicked, this, &QDialog::reject);

    setFixedSize(std::max(kWidth, kLeft * 2 + kPerRow * kPitch),
                 std::max(kHeight, gridBottom + 46));
    CentreOnScreen(*this);
}

int TCharSet::PickCharacter(const QString& fontName, QWidget* parent, const QString& caption,
                            const QString& cancelCaption) {
    if (fontName.isEmpty()) return -1;
    TCharSet dialog(fontName, caption, cancelCaption, parent);
    if (dialog.exec() != QDialog::Accepted) return -1;
    return dialog.Code();
}

QString TCharSet::ButtonText(int code) {
    QString text = CharacterText(code);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return text;
}

void TCharSet::Preview(int code) {
    preview_->setText(CharacterText(code));
    codeLabel_->setText(QString::number(code));
}

bool TCharSet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter) {
        const QVariant code = watched->property(kCodeProperty);
        if (code.isValid()) Preview(code.toInt());
    }
    return QDialog::eventFilter(watched, event);
}

void TCharSet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        code_ = -1;
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kvx
