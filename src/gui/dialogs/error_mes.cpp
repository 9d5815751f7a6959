#include "gui/dialogs/error_mes.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "gui/dialogs/dialog_util.hpp"
#include "gui/support/core_text.hpp"
#include "gui/support/qt_text_metrics.hpp"

namespace kvx {

namespace {

constexpr int kMargin = 16;
constexpr int kLabelColumn = 180;
constexpr int kButtonWidth = 140;
constexpr int kButtonHeight = 30;
constexpr int kMemoTop = 103;
constexpr int kMemoHeight = 340;
// The Close and Copy buttons sit below the memo.
constexpr int kDetailButtonTop = 340 + 115;

// The memo shows lines; the core writes them with CR LF.
QString MemoText(std::string_view text) {
    QString result = FromCore(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return result;
}

}  // namespace

TErrorMes::TErrorMes(ErrorDialogRequest& request, QWidget* parent)
    : QDialog(parent), request_(request) {
    setObjectName(QStringLiteral("TErrorMes"));
    SetSystemMenuOnly(*this);
    const QRect screen = ScreenGeometry(this);
    const int width = screen.width() > 800 ? kWideWidth : kDesignedWidth;
    const int buttonsLeft = width / 2 - kButtonWidth - 10;

    label1_ = MakeChild<QLabel>(this, "Label1");
    QFont headlineFont = label1_->font();
    headlineFont.setBold(true);
    headlineFont.setPointSize(12);
    label1_->setFont(headlineFont);
    label1_->setGeometry(kMargin, 8, width - 2 * kMargin, 26);

    fehler_ = MakeChild<QLabel>(this, "Fehler");
    fehler_->setGeometry(kMargin, 42, kLabelColumn - kMargin, 20);
    label2_ = MakeChild<QLabel>(this, "Label2");
    label2_->setWordWrap(true);
    label2_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label2_->setGeometry(kLabelColumn, 42, width - kLabelColumn - kMargin, 40);

    zusatz_ = MakeChild<QLabel>(this, "Zusatz");
    zusatz_->setGeometry(kMargin, 84, kLabelColumn - kMargin, 20);
    label3_ = MakeChild<QLabel>(this, "Label3");
    label3_->setGeometry(kLabelColumn, 84, width - kLabelColumn - kMargin, 20);

    cb1_ = MakeChild<QCheckBox>(this, "cb1");
    cb1_->setGeometry(kMargin, 110, width - 2 * kMargin, 22);

    okBut_ = MakeChild<QPushButton>(this, "OKBut");
    okBut_->setGeometry(buttonsLeft, 144, kButtonWidth, kButtonHeight);
    detailBut_ = MakeChild<QPushButton>(this, "DetailBut");
    detailBut_->setGeometry(width / 2 + 10, 144, kButtonWidth, kButtonHeight);

    detailTxt_ = MakeChild<QPlainTextEdit>(this, "DetailTxt");
    detailTxt_->setReadOnly(true);
    detailTxt_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    detailTxt_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The report lines up its columns with blanks.
    detailTxt_->setFont(FixedPitchFont(10));
    detailTxt_->setGeometry(kMargin, kMemoTop, width - 2 * kMargin, kMemoHeight);

    closeBut_ = MakeChild<QPushButton>(this, "CloseBut");
    closeBut_->setGeometry(buttonsLeft, kDetailButtonTop, kButtonWidth, kButtonHeight);
    btZw_ = MakeChild<QPushButton>(this, "BtZW");
    btZw_->setGeometry(width / 2 + 10, kDetailButtonTop, kButtonWidth, kButtonHeight);

    // The core clears its error stack once the dialog is gone, whichever way
    // it was closed; OK, Close and Esc only close.
    connect(okBut_, &QPushButton::clicked, this, &QDialog::accept);
    connect(closeBut_, &QPushButton::clicked, this, &QDialog::accept);
    connect(detailBut_, &QPushButton::clicked, this, &TErrorMes::ShowDetails);
    connect(btZw_, &QPushButton::clicked, this, &TErrorMes::CopyToClipboard);
    connect(cb1_, &QCheckBox::toggled, this, [this](bool on) { request_.showWarnings = on; });

    setFixedSize(width, kShortHeight);
    move(screen.left() + (screen.width() - width) / 2, screen.top() + (screen.height() - 400) / 2);
    PlaceShortView();
}

void TErrorMes::PlaceShortView() {
    setWindowTitle(FromCore(request_.caption));
    label1_->setText(FromCore(request_.headline));
    QPalette palette = label1_->palette();
    palette.setColor(QPalette::WindowText, request_.noticeStyle ? Qt::black : Qt::red);
    label1_->setPalette(palette);

    fehler_->setText(FromCore(request_.errorLabel));
    label2_->setText(FromCore(request_.mainText));
    const bool hasInfo = !request_.info.empty();
    zusatz_->setText(FromCore(request_.infoLabel));
    label3_->setText(FromCore(request_.info));
    zusatz_->setVisible(hasInfo);
    label3_->setVisible(hasInfo);

    cb1_->setText(FromCore(request_.warningsLabel));
    {
        const QSignalBlocker quiet(cb1_);
        cb1_->setChecked(request_.showWarnings);
    }
    detailBut_->setText(FromCore(request_.detailCaption));
    okBut_->setText(FromCore(request_.okCaption));
    closeBut_->setText(FromCore(request_.okCaption));
    btZw_->setText(FromCore(request_.copyCaption));
    closeBut_->hide();
    btZw_->hide();
    detailTxt_->hide();
    detailTxt_->setPlainText(MemoText(request_.versionLine));
    okBut_->setDefault(true);
    okBut_->setFocus();
}

void TErrorMes::ShowDetails() {
    setFixedSize(width(), kDetailHeight);
    detailTxt_->setGeometry(kMargin, kMemoTop, width() - 2 * kMargin, kMemoHeight);
    detailTxt_->show();
    detailTxt_->raise();
    closeBut_->show();
    btZw_->show();
    okBut_->setEnabled(false);
    detailBut_->setEnabled(false);
    if (request_.writeDetails) {
        // The report may start with what the memo already shows; it is not
        // repeated then.
        const QString shown = detailTxt_->toPlainText();
        const QString report = MemoText(request_.writeDetails());
        if (report.startsWith(shown)) {
            detailTxt_->setPlainText(report);
        } else {
            detailTxt_->setPlainText(shown + QLatin1Char('\n') + report);
        }
    }
    closeBut_->setDefault(true);
    closeBut_->setFocus();
}

void TErrorMes::CopyToClipboard() {
    detailTxt_->selectAll();
    QGuiApplication::clipboard()->setText(detailTxt_->toPlainText());
}

}  // namespace kvx
