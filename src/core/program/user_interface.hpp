#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

/// Button sets of a message box.
enum class MessageButtons : int { Ok = 0, OkCancel = 1, YesNoCancel = 3, YesNo = 4 };

/// Answers of a message box.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;

/// What the error dialog shows; all texts already taken from the catalogue.
struct ErrorDialogRequest {
    bool noticeStyle = false;
    std::string caption;     ///< message 172, or 423 in notice style
    std::string headline;    ///< message 171, or 258 in notice style
    std::string errorLabel;  ///< message 166
    std::string mainText;    ///< the error's message, or "[n/a]"
    std::string infoLabel;   ///< message 167; unused when info is empty
    std::string info;
    std::string warningsLabel;  ///< message 739
    bool showWarnings = false;  ///< the check box; the dialog writes the user's choice back
    std::string detailCaption;  ///< message 169
    std::string okCaption;      ///< message 170 (OK and Close)
    std::string copyCaption;    ///< message 746
    std::string versionLine;    ///< first line of the detail memo
    /// Produces the detail lines; the dialog calls it once when Details is pressed.
    std::function<std::string()> writeDetails;
};

/// What the input dialog shows. Answers are cut to 255 characters.
struct InputTextRequest {
    std::string caption;
    std::string prompt;  ///< empty = no prompt; the edit moves to the top
    std::string text;    ///< the initial text
    bool singleLine = true;
    bool selectAll = false;
    int maxLength = 0;    ///< 0 = no limit
    int labelHeight = 0;  ///< 0 = designed prompt height
    int width = 0;        ///< below 430 = designed width
};

/// What the file-selection dialog is asked for.
struct SelectFileRequest {
    std::string startDirectory;
    std::string patterns;  ///< one or more patterns separated by ";"
    /// The file that keeps the recently used directories (full path).
    std::string rememberFile;
    /// List project files by the description in their first lines.
    bool descriptions = false;
};

/// The file chosen in the file-selection dialog; all empty on cancel.
struct SelectFileResult {
    std::string directory;  ///< ends with "/"
    std::string fileName;
    std::string description;
    bool Chosen() const { return !fileName.empty(); }
};

/// What the save dialog is asked for.
struct SaveFileRequest {
    std::string filter;  ///< description " |" pattern, for example "Projects |*.KXP"
    std::string startDirectory;
    std::string defaultExtension;  ///< without the point
    std::string title;             ///< empty = the dialog's own caption
    std::string fileName;          ///< proposed name, without directory
};

/// One entry of the object dialog's type list.
struct ObjectDialogItem {
    int32_t type = 0;      ///< slot number
    uint8_t dataType = 0;  ///< decides whether the label edit and check box show
    std::string text;      ///< formatted like the items of `cbo`
};

/// What the object dialog (`TVecName`) shows. It is placed offsetX, offsetY
/// screen pixels right of and below the paint box's top-left corner.
struct ObjectDialogRequest {
    std::vector<ObjectDialogItem> items;  ///< the user types, in slot order
    int32_t preselected = 0;              ///< slot chosen when it opens; 0 = none
    bool askObjectName = false;           ///< `CheckBox2` starts as its negation
    int32_t offsetX = 60;
    int32_t offsetY = 60;
};

/// The person's answer in the object dialog. Overrides stay −1 unless the
/// properties or new-type button supplied colour, size and text colour.
struct ObjectDialogAnswer {
    bool ok = false;  ///< false: cancelled
    int32_t type = 0;
    std::string label;       ///< `Edit1`
    bool checkBox2 = false;  ///< `AskObjectName` becomes its negation
    int32_t colourOverride = -1;
    int32_t sizeOverride = -1;
    int32_t textColourOverride = -1;
};

class PropertiesDialogModel;
class TypeEditorModel;
class OptionsModel;

/// Everything the core must ask the person. The Qt front end implements it
/// with real dialogs; tests with a scripted fake; the batch tool without asking.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    /// A message box; returns 1 OK, 2 Cancel, 6 Yes or 7 No.
    virtual int MessageBox(std::string_view title, std::string_view text,
                           MessageButtons buttons) = 0;
    /// The modal error dialog.
    virtual void ShowErrorDialog(ErrorDialogRequest& request) = 0;
    /// Hourglass on or off around long work.
    virtual void BusyCursor(bool on) = 0;
    /// The input dialog. True on OK with the entered text in answer; false on
    /// cancel with answer empty.
    virtual bool InputText(const InputTextRequest& request, std::string& answer) = 0;
    /// The file-selection dialog; the result is empty when the user cancels.
    /// The dialog keeps its recent directories in request.rememberFile.
    virtual SelectFileResult SelectFile(const SelectFileRequest& request) = 0;
    /// The save dialog; the chosen path, or empty on cancel.
    virtual std::string SaveFileName(const SaveFileRequest& request) = 0;
    /// The directory picker: the chosen directory ending with "/", or empty
    /// on cancel.
    virtual std::string PickDirectory(bool showDrives, std::string_view startDirectory) = 0;
    /// The modal screen-report window: a read-only fixed-pitch text of the
    /// given lines (cells separated by tabs) with Close and Copy buttons.
    virtual void ShowScreenReport(std::string_view caption,
                                  const std::vector<std::string>& lines) = 0;
    /// The object dialog; the dialog may add a type to the object-type table
    /// (new-type button) before answering with it.
    virtual ObjectDialogAnswer ObjectDialog(const ObjectDialogRequest& request) = 0;
    /// The project properties dialog (`TPEProperties`) on model; the dialog
    /// calls the model's Enter and Leave as the focus moves. True on OK.
    virtual bool PropertiesDialog(PropertiesDialogModel& model) = 0;
    /// The object-type editor `TFMP_TYPE` on model's table; true on OK (the
    /// model has then written its working copy back).
    virtual bool TypeEditor(TypeEditorModel& model) = 0;
    /// The options dialog `TMesOptions` on model; true when the settings were
    /// applied at least once (OK, or Apply before closing).
    virtual bool OptionsDialog(OptionsModel& model) = 0;
    /// The four-way sizing cursor while a point is dragged, or the normal one.
    virtual void SizingCursor(bool on) = 0;
    /// False where nobody answers (the batch tool): questions that would
    /// start a search are then not asked, and what would have been asked is
    /// told as a statement.
    virtual bool CanAsk() const { return true; }
};

/// Asks nobody: message boxes answer Cancel (or OK when that is the only
/// button), dialogs are not shown. For programs without a person.
class SilentUserInterface : public UserInterface {
public:
    int MessageBox(std::string_view, std::string_view, MessageButtons buttons) override {
        return buttons == MessageButtons::Ok ? kAnswerOk : kAnswerCancel;
    }
    void ShowErrorDialog(ErrorDialogRequest&) override {}
    void BusyCursor(bool) override {}
    bool InputText(const InputTextRequest&, std::string& answer) override {
        answer.clear();
        return false;
    }
    SelectFileResult SelectFile(const SelectFileRequest&) override { return {}; }
    std::string SaveFileName(const SaveFileRequest&) override { return {}; }
    std::string PickDirectory(bool, std::string_view) override { return {}; }
    void ShowScreenReport(std::string_view, const std::vector<std::string>&) override {}
    ObjectDialogAnswer ObjectDialog(const ObjectDialogRequest&) override { return {}; }
    bool PropertiesDialog(PropertiesDialogModel&) override { return false; }
    bool TypeEditor(TypeEditorModel&) override { return false; }
    bool OptionsDialog(OptionsModel&) override { return false; }
    void SizingCursor(bool) override {}
};

}  // namespace kvx
