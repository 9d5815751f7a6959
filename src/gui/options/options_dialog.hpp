#pragma once

#include <QColor>
#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/options/options_model.hpp"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace kvx {

class Program;

/// The options dialog: three pages of settings, OK, Apply and Cancel.
/// Settings change only when applied; the checks live in the model.
class TMesOptions : public QDialog {
    Q_OBJECT

public:
    TMesOptions(Program& program, OptionsModel& model, QWidget* parent = nullptr);

    /// Apply ran at least once (OK, or Apply before closing).
    bool Applied() const { return model_.Applied(); }

    /// The colour chooser and the object-type file chooser; replaceable so
    /// that tests need no native dialog. Colour: false when cancelled.
    /// File: the chosen path, or empty.
    std::function<bool(QColor&)> chooseColour;
    std::function<QString()> chooseObjectTypeFile;
    /// The layer selection dialog on codes; true on OK.
    std::function<bool(std::array<int32_t, 10>&)> selectLayers;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TextField {
        std::string OptionsEntries::*entry;
        QLineEdit* edit;
        int32_t tag;  ///< 6..12 for the bounded edits, 0 otherwise
        bool path;    ///< a file-system path rather than text
    };
    struct CheckField {
        bool OptionsEntries::*entry;
        QCheckBox* box;
    };

    QLineEdit* AddEdit(QWidget* page, int row, int labelMessage, const char* name,
                       std::string OptionsEntries::*entry, int32_t tag = 0, bool path = false);
    QCheckBox* AddCheck(QWidget* page, int row, int labelMessage, const char* name,
                        bool OptionsEntries::*entry);
    QPushButton* AddBrowse(QWidget* page, int row, QLineEdit* edit, bool typeFile);
    QLabel* AddColour(QWidget* page, int row, int labelMessage, const char* name);
    void Fill();
    void Gather();
    void ApplyNow();
    void ShowColours();
    void ColourClicked(int tag);
    void EditLeft(const TextField& field);
    void AdaptToggled();
    QString Text(int number) const;

    Program& program_;
    OptionsModel& model_;
    std::vector<TextField> texts_;
    std::vector<CheckField> checks_;
    QTabWidget* pages_;
    QComboBox* language_;
    QComboBox* tableUnit_;
    QListWidget* outputItems_;
    std::array<QLabel*, 3> colours_{};
    QLineEdit* classSize_ = nullptr;
    QLineEdit* classSizePercent_ = nullptr;
    QCheckBox* adaptClassSize_ = nullptr;
    QLineEdit* recordCapacity_ = nullptr;
    QLineEdit* jpegQuality_ = nullptr;
    QPushButton* btLayers_;
    QPushButton* btOk_;
    QPushButton* btApply_;
    QPushButton* btCancel_;
};

}  // namespace kvx
