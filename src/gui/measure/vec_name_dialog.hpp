#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

#include "core/options/object_dialog.hpp"
#include "core/program/user_interface.hpp"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kvx {

class Program;

/// The object dialog: which type the next object has, its label, whether
/// the label is asked again, and display values of its own. The properties
/// and new-type buttons reach the object-type editor through the program's
/// user interface.
class TVecName : public QDialog {
    Q_OBJECT

public:
    TVecName(Program& program, const ObjectDialogRequest& request, QWidget* parent = nullptr);

    /// The person's answer; a cancelled answer until OK was pressed.
    const ObjectDialogAnswer& Answer() const { return answer_; }

    /// Where the dialog opens: offset from the top-left corner of the owner's
    /// paint box (`MainPB`), or of the owner itself when it has none. Null
    /// without an owner.
    static QPoint OpenPosition(const QWidget* owner, int offsetX, int offsetY);

private:
    void TypeChosen(int index);
    void UpdateControls();
    void Confirm();
    void CancelClick();
    void PropertiesClick();
    void NewTypeClick();

    ObjectDialogModel model_;
    ObjectDialogAnswer answer_;
    QComboBox* types_;
    QLabel* editCaption_;
    QLineEdit* edit1_;
    QCheckBox* checkBox2_;
    QString unkeptMessage_;
    QPushButton* btOk_;
    QPushButton* btAbbr_;
    QPushButton* btProp_;
    QPushButton* btNeu_;
};

}  // namespace kvx
