#include "gui/dialogs/screen_msg.hpp"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <string_view>

#include "gui/dialogs/dialog_util.hpp"
#include "gui/support/core_text.hpp"
#include "gui/support/qt_text_metrics.hpp"

namespace kvx {

namespace {

// The report's cells are separated by tabs; fixed tab stops let a long type
// name push the rest of its line into the next column. Each column is as wide
// as its widest cell, and two blanks apart (the font has a fixed pitch and the
// core's text one byte a character).
QString AlignedColumns(const std::vector<std::string>& lines) {
    std::vector<std::vector<std::string_view>> rows;
    std::vector<std::size_t> widths;
    for (const std::string& line : lines) {
        std::vector<std::string_view>& cells = rows.emplace_back();
        std::string_view rest = line;
        for (;;) {
            const std::size_t tab = rest.find('\t');
            cells.push_back(rest.substr(0, tab));
            if (tab == std::string_view::npos) break;
            rest.remove_prefix(tab + 1);
        }
        if (widths.size() < cells.size()) widths.resize(cells.size(), 0);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            widths[c] = std::max(widths[c], cells[c].size());
        }
    }
    QString text;
    for (const std::vector<std::string_view>& cells : rows) {
        if (&cells != &rows.front()) text += QLatin1Char('\n');
        std::string line;
        for (std::size_t c = 0; c < cells.size(); ++c) {
            line += cells[c];
            if (c + 1 < cells.size()) line.append(widths[c] - cells[c].size() + 2, ' ');
        }
        text += FromCore(line);
    }
    return text;
}

}  // namespace

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
    detailTxt_->setFont(FixedPitchFont(10));
    for (const std::string& line : lines) {
        if (!copyText_.isEmpty()) copyText_ += QLatin1Char('\n');
        copyText_ += FromCore(line);
    }
    detailTxt_->setPlainText(AlignedColumns(lines));
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
    // A spreadsheet takes the tabs as its columns.
    QGuiApplication::clipboard()->setText(copyText_);
}

}  // namespace kvx
