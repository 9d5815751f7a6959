#pragma once

#include <QDialog>
#include <QString>
#include <string>

#include "core/program/user_interface.hpp"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kvx {

/// The input dialog: a caption, a prompt, an editable text, OK and Cancel.
/// Its geometry follows the caller's wishes (prompt height, width, one line).
class TPrgDlg : public QDialog {
    Q_OBJECT

public:
    enum class Outcome { Closed, Confirmed, Cancelled };

    static constexpr int kDesignedWidth = 640;
    static constexpr int kMinimumWidth = 430;
    static constexpr int kButtonWidth = 140;
    static constexpr int kButtonHeight = 33;
    static constexpr int kMaxAnswer = 255;

    /// cancelCaption: the catalogue's text for the cancel button.
    TPrgDlg(const InputTextRequest& request, const QString& cancelCaption,
            QWidget* parent = nullptr);

    Outcome Result() const { return outcome_; }
    /// The edit's text as core text, cut to 255 characters.
    std::string Answer() const;
    QString EditText() const;
    /// Makes OK refuse text that core text cannot hold, saying so with
    /// message followed by the characters.
    void RefuseUnkeptCharacters(const QString& message) { unkeptMessage_ = message; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    /// True when the key was one of the dialog's own keys.
    bool HandleKey(const QKeyEvent& key);
    void Confirm();
    void Cancel();

    QLabel* prompt_;
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QPushButton* okBut_;
    QPushButton* cancelBut_;
    Outcome outcome_ = Outcome::Closed;
    QString unkeptMessage_;
};

}  // namespace kvx
