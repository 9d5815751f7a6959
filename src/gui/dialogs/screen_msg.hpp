#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace kvx {

/// The screen report: a read-only fixed-pitch text with Close and Copy.
class TScreenMsg : public QDialog {
    Q_OBJECT

public:
    /// lines are core text, cells separated by tabs.
    TScreenMsg(const QString& caption, const std::vector<std::string>& lines,
               const QString& closeCaption, const QString& copyCaption, QWidget* parent = nullptr);

    /// Copies the whole text to the clipboard.
    void CopyToClipboard();

private:
    QPlainTextEdit* detailTxt_;
    QPushButton* closeBut_;
    QPushButton* btZw_;
    // The lines with their tabs, as the Copy button hands them on.
    QString copyText_;
};

}  // namespace kvx
