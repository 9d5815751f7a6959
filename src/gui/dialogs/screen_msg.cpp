#include "gui/dialogs/screen_msg.hpp"

#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>

#include "core/draw/canvas.hpp"
#include "gui/dialogs/dialog_util.hpp"
#include "gui/support/core_text.hpp"
#include "gui/support/qt_text_metrics.hpp"

namespace kvx {

namespace {

constexpr int kWidth = 772;
constexpr int kHeight = 409;
constexpr int kButtonWidth = 140;
constexpr int kButtonHeight = 30;

}  // namespace

TScreenMsg::TScreenMsg(const QString& caption, const std::vector<std::string>& lines,
                       const QString& closeCaption, const QString& copyCaption, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TScreenMsg"));
    SetSystemMenuOnly(*this);
    setWindowTitle(caption);

    detailTxt_ = MakeChild<QPlainTextEdit>(this, "DetailTxt");
    detailTxt_->setReadOnly(true);
    detailTxt_->setLineWrapMode(QPlainTextEdit::NoWrap);
    detailTxt_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Font courier;
    courier.name = "Courier New";
    courier.size = 10;
    courier.pitch = FontPitch::kFixed;
    detailTxt_->setFont(ToQFont(courier));
    detailTxt_->setTabStopDistance(
        QFontMetricsF(detailTxt_->font()).horizontalAdvance(QLatin1Char(' ')) * 8);
    QString text;
    for (const std::string& line : lines) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += FromCore(line);
    }
    detailTxt_->setPlainText(text);
    detailTxt_->setGeometry(8, 8, kWidth - 16, kHeight - kButtonHeight - 32);

    closeBut_ = MakeChild<QPushButton>(this, "CloseBut");
    closeBut_->setText(closeCaption);
    btZw_ = MakeChild<QPushButton>(this, "BtZW");
    btZw_->setText(copyCaption);
    const int buttonTop = kHeight - kButtonHeight - 12;
    closeBut_->setGeometry(kWidth / 2 - kButtonWidth - 10, buttonTop, kButtonWidth, kButtonHeight);
    btZw_->setGeometry(kWidth / 2 + 10, buttonTop, kButtonWidth, kButtonHeight);
    connect(closeBut_, &QPushButton::clicked, this, &QDialog::accept);
    connect(btZw_, &QPushButton::clicked, this, &TScreenMsg::CopyToClipboard);

    setFixedSize(kWidth, kHeight);
    CentreOnScreen(*this);
    closeBut_->setFocus();
}

void TScreenMsg::CopyToClipboard() {
    detailTxt_->selectAll();
    QGuiApplication::clipboard()->setText(detailTxt_->toPlainText());
}

}  // namespace kvx
