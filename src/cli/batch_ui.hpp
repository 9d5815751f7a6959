#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/program/user_interface.hpp"
#include "core/support/error_code.hpp"

namespace kvx {
class Program;
}

namespace kvx::batch {

/// One thing the core wanted the person to know, in core text (Windows-1252).
struct Diagnostic {
    ErrorCode code = 0;      ///< 0 for a message box
    ErrorCode passCode = 0;  ///< the code it was passed on as, if any
    std::string text;        ///< the catalogue's text
    std::string info;        ///< the error's detail (often a file or a line)
    int32_t ioResult = 0;    ///< the system's error number behind it, if any
};

/// Answers the core's questions from the command line instead of asking:
/// files to save go where the options say, the per-type export questions
/// are answered from the type list, and everything else is declined. What
/// would have been shown is collected as diagnostics.
class BatchUserInterface : public UserInterface {
public:
    /// The program whose error stack and catalogue the answers refer to.
    void Attach(Program& program) { program_ = &program; }

    /// Before an export: where the file goes and which types get Yes
    /// (empty = all). Resets the count of Yes answers.
    void PrepareExport(std::string path, const std::vector<int32_t>& types);
    /// The qualifying types of the project in the order the export asks for
    /// them, with their names as the question shows them.
    struct AskedType {
        int32_t slot = 0;
        std::string name;
    };
    std::vector<AskedType> askOrder;
    /// Yes answers given since PrepareExport.
    int32_t yesAnswers = 0;
    /// The lines of the last screen report.
    std::vector<std::string> screenLines;
    std::string screenCaption;
    bool screenShown = false;

    /// Everything shown since the last Clear.
    std::vector<Diagnostic> diagnostics;
    void Clear() {
        diagnostics.clear();
        screenLines.clear();
        screenCaption.clear();
        screenShown = false;
    }

    int MessageBox(std::string_view title, std::string_view text, MessageButtons buttons) override;
    void ShowErrorDialog(ErrorDialogRequest& request) override;
    void BusyCursor(bool) override {}
    bool InputText(const InputTextRequest&, std::string& answer) override {
        answer.clear();
        return false;
    }
    SelectFileResult SelectFile(const SelectFileRequest&) override { return {}; }
    std::string SaveFileName(const SaveFileRequest&) override { return savePath_; }
    std::string PickDirectory(bool, std::string_view) override { return {}; }
    void ShowScreenReport(std::string_view caption, const std::vector<std::string>& lines) override;
    ObjectDialogAnswer ObjectDialog(const ObjectDialogRequest&) override { return {}; }
    bool PropertiesDialog(PropertiesDialogModel&) override { return false; }
    bool TypeEditor(TypeEditorModel&) override { return false; }
    bool OptionsDialog(OptionsModel&) override { return false; }
    void SizingCursor(bool) override {}
    bool CanAsk() const override { return false; }

private:
    int AnswerTypeQuestion(std::string_view text);

    Program* program_ = nullptr;
    std::string savePath_;
    std::set<int32_t> types_;
    std::size_t nextAsked_ = 0;
};

}  // namespace kvx::batch
