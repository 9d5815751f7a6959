#pragma once

#include <QPointer>
#include <QWidget>

#include "core/program/user_interface.hpp"

namespace kvx {

class Program;

/// The person behind the screen: every question of the core as a real
/// dialog. Created before the Program (which needs it) and attached to it
/// right after; until then the dialogs have no catalogue texts.
class QtUserInterface : public UserInterface {
public:
    QtUserInterface() = default;

    /// The program whose messages and settings the dialogs use.
    void SetProgram(Program* program) { program_ = program; }
    /// The window that owns the dialogs (the active window when none is set).
    void SetOwner(QWidget* owner) { owner_ = owner; }

    int MessageBox(std::string_view title, std::string_view text, MessageButtons buttons) override;
    void ShowErrorDialog(ErrorDialogRequest& request) override;
    void BusyCursor(bool on) override;
    bool InputText(const InputTextRequest& request, std::string& answer) override;
    SelectFileResult SelectFile(const SelectFileRequest& request) override;
    std::string SaveFileName(const SaveFileRequest& request) override;
    std::string PickDirectory(bool showDrives, std::string_view startDirectory) override;
    void ShowScreenReport(std::string_view caption, const std::vector<std::string>& lines) override;
    ObjectDialogAnswer ObjectDialog(const ObjectDialogRequest& request) override;
    bool PropertiesDialog(PropertiesDialogModel& model) override;
    bool TypeEditor(TypeEditorModel& model) override;
    bool OptionsDialog(OptionsModel& model) override;
    void SizingCursor(bool on) override;

private:
    QWidget* Owner() const;
    QString Message(int number) const;

    Program* program_ = nullptr;
    QPointer<QWidget> owner_;
    int busyDepth_ = 0;
    bool sizing_ = false;
};

}  // namespace kvx
