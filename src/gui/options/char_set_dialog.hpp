#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace kvx {

/// The character picker: codes 32 to 255 of a font as buttons, 16 to a row,
/// with a large preview of the character under the mouse.
class TCharSet : public QDialog {
    Q_OBJECT

public:
    static constexpr int kFirstCode = 32;
    static constexpr int kLastCode = 255;
    static constexpr int kPerRow = 16;

    TCharSet(const QString& fontName, const QString& caption, const QString& cancelCaption,
             QWidget* parent = nullptr);

    /// The code clicked, or -1.
    int Code() const { return code_; }

    /// Shows the picker for fontName; the chosen code 32..255, or -1 when
    /// cancelled or when fontName is empty. Captions from the catalogue of
    /// the program the parent belongs to are passed by the caller of the
    /// overload with captions.
    static int PickCharacter(const QString& fontName, QWidget* parent, const QString& caption = {},
                             const QString& cancelCaption = {});

    /// The caption of a button that shows character code itself: an "&"
    /// would otherwise be taken as the mark of a keyboard shortcut.
    static QString ButtonText(int code);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Preview(int code);

    QLabel* preview_;
    QLabel* codeLabel_;
    QPushButton* btCancel_;
    int code_ = -1;
};

}  // namespace kvx
