#pragma once

#include <QDialog>

#include "core/program/user_interface.hpp"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kvx {

/// The error dialog: a short view with the error's text, and a detail view
/// listing every recorded entry, which can be copied to the clipboard.
class TErrorMes : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWideWidth = 1000;
    static constexpr int kDesignedWidth = 640;
    static constexpr int kShortHeight = 184;
    static constexpr int kDetailHeight = 500;

    /// request stays referenced while the dialog lives: the check box writes
    /// showWarnings back into it.
    explicit TErrorMes(ErrorDialogRequest& request, QWidget* parent = nullptr);

    /// The detail view (what the Details button does).
    void ShowDetails();
    /// Copies the whole detail text to the clipboard.
    void CopyToClipboard();

private:
    void PlaceShortView();

    ErrorDialogRequest& request_;
    QLabel* label1_;
    QLabel* fehler_;
    QLabel* label2_;
    QLabel* zusatz_;
    QLabel* label3_;
    QCheckBox* cb1_;
    QPushButton* okBut_;
    QPushButton* detailBut_;
    QPlainTextEdit* detailTxt_;
    QPushButton* closeBut_;
    QPushButton* btZw_;
};

}  // namespace kvx
