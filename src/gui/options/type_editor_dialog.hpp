#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QString>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kvx {

class Program;
class TypeEditorModel;

/// The object-type editor: the list of types on the left, the shown type's
/// controls on the right. Every control writes through the model at once.
class TFMP_TYPE : public QDialog {
    Q_OBJECT

public:
    TFMP_TYPE(Program& program, TypeEditorModel& model, QWidget* parent = nullptr);

    /// Runs the dialog; OK writes the working copy back. With nothing to
    /// list the dialog closes at once as cancelled.
    int exec() override;

    /// The colour and font choosers; replaceable so that tests need no
    /// native dialog. They return false when the person cancelled. The font
    /// chooser keeps the family it was given unless another one was picked.
    std::function<bool(QColor&)> chooseColour;
    std::function<bool(QFont&)> chooseFont;
    /// The character picker; returns the code or -1.
    std::function<int(const QString& fontName)> pickCharacter;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowType();
    void ShowColourPanel(QLabel* panel, int32_t colour, bool filled = true);
    void ShowSymbolButton();
    void NameLeft();
    void LineWidthEdited();
    void SymbolSizeLeft();
    void ColourClicked(int tag);
    void LabelFontClicked();
    void SymbolFontClicked();
    void SymbolClicked();
    void FillClicked(bool on);
    void Confirm();

    Program& program_;
    TypeEditorModel& model_;
    bool filling_ = false;
    QListWidget* lb_;
    QLabel* lbIdv_;
    QLabel* lbLine_ = nullptr;
    QLineEdit* edName_;
    QComboBox* cobType_;
    QCheckBox* cbShow_;
    QCheckBox* cbLabelShow_;
    QLabel* paLbColor_;
    QLabel* paLbColor2_;
    QLabel* paLbColor3_;
    QLabel* lbLth_;
    QLineEdit* edLth_;
    QLabel* lbStyle_;
    QComboBox* cob3_;
    QLabel* lbLabel_;
    QLabel* lbFont_;
    QComboBox* cob4_;
    QLabel* lbSymFont_;
    QPushButton* btSym_;
    QLabel* lbSymSz_;
    QLineEdit* edSymSz_;
    QCheckBox* xFillPolygon_;
    QPushButton* btOk_;
    QPushButton* btExit_;
};

}  // namespace kvx
