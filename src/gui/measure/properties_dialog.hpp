#pragma once

#include <QDialog>
#include <array>

#include "core/measure/calibration.hpp"

class QLineEdit;
class QPushButton;

namespace kvx {

class Program;

/// The project properties dialog: image path, resolution or a scale pair,
/// title, author and the pointer calibration. The fields edit the model's
/// texts; the model's rules run as the focus enters and leaves a field.
class TPEProperties : public QDialog {
    Q_OBJECT

public:
    TPEProperties(const Program& program, PropertiesDialogModel& model, QWidget* parent = nullptr);
    ~TPEProperties() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Field = PropertiesDialogModel::Field;

    QLineEdit* MakeEdit(Field field, const char* name);
    /// The edits show the model's texts (a leave rule may have changed any).
    void ShowTexts();
    void Confirm();

    PropertiesDialogModel& model_;
    std::array<QLineEdit*, 9> edits_{};
    QPushButton* butOk_;
    QPushButton* butCancel_;
};

}  // namespace kvx
