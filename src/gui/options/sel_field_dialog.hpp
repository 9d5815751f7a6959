#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>

class QLabel;
class QListWidget;
class QPushButton;

namespace kvx {

class Program;
class LayerSelectionModel;

/// The layer selection dialog: layers switched off on the left, layers
/// drawn (in drawing order) on the right.
class TMesSelField : public QDialog {
    Q_OBJECT

public:
    using Codes = std::array<int32_t, 10>;

    TMesSelField(Program& program, const Codes& codes, QWidget* parent = nullptr);
    ~TMesSelField() override;

    /// The codes rebuilt from the lists (valid after OK).
    Codes Result() const;

    /// Runs the dialog on codes; true on OK with codes rewritten.
    static bool SelectLayers(Program& program, Codes& codes, QWidget* owner);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Refill();
    void Enable();

    std::unique_ptr<LayerSelectionModel> model_;
    QListWidget* clbv_;
    QListWidget* clbb_;
    QPushButton* btAdd2_;
    QPushButton* btDel2_;
    QPushButton* btUp_;
    QPushButton* btDn_;
    QPushButton* button1_;
    QPushButton* button4_;
    QPushButton* button2_;
    QPushButton* button3_;
    bool filling_ = false;
};

}  // namespace kvx
