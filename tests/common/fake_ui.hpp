#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/program/user_interface.hpp"

namespace kvx::test {

/// A scripted person: records every question and answers from queues.
class FakeUserInterface : public UserInterface {
public:
    struct Box {
        std::string title;
        std::string text;
        MessageButtons buttons;
    };

    int MessageBox(std::string_view title, std::string_view text, MessageButtons buttons) override {
        boxes.push_back({std::string(title), std::string(text), buttons});
        if (!boxAnswers.empty()) {
            const int answer = boxAnswers.front();
            boxAnswers.pop_front();
            return answer;
        }
        return buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel ? kAnswerOk
                                                                                    : kAnswerYes;
    }

    void ShowErrorDialog(ErrorDialogRequest& request) override {
        if (pressDetails && request.writeDetails) details = request.writeDetails();
        if (toggleWarnings) request.showWarnings = !request.showWarnings;
        errorDialogs.push_back(request);
    }

    void BusyCursor(bool on) override { busyCalls.push_back(on); }

    /// Queued input-dialog answers; an empty queue cancels.
    struct InputAnswer {
        bool ok = true;
        std::string text;
    };
    bool InputText(const InputTextRequest& request, std::string& answer) override {
        inputs.push_back(request);
        if (inputAnswers.empty()) {
            answer.clear();
            return false;
        }
        const InputAnswer next = inputAnswers.front();
        inputAnswers.pop_front();
        answer = next.ok ? next.text.substr(0, 255) : std::string();
        return next.ok;
    }

    /// Queued file choices; an empty queue cancels.
    SelectFileResult SelectFile(const SelectFileRequest& request) override {
        fileRequests.push_back(request);
        if (fileAnswers.empty()) return {};
        SelectFileResult next = fileAnswers.front();
        fileAnswers.pop_front();
        return next;
    }

    /// Queued save-dialog paths; an empty queue cancels.
    std::string SaveFileName(const SaveFileRequest& request) override {
        saveRequests.push_back(request);
        if (saveAnswers.empty()) return {};
        std::string next = saveAnswers.front();
        saveAnswers.pop_front();
        return next;
    }

    /// Queued directory choices; an empty queue cancels.
    std::string PickDirectory(bool showDrives, std::string_view startDirectory) override {
        directoryRequests.push_back({showDrives, std::string(startDirectory)});
        if (directoryAnswers.empty()) return {};
        std::string next = directoryAnswers.front();
        directoryAnswers.pop_front();
        return next;
    }

    /// Records the screen report instead of showing it.
    struct ScreenReport {
        std::string caption;
        std::vector<std::string> lines;
    };
    void ShowScreenReport(std::string_view caption,
                          const std::vector<std::string>& lines) override {
        screenReports.push_back({std::string(caption), lines});
    }

    /// Queued object-dialog answers; an empty queue cancels.
    ObjectDialogAnswer ObjectDialog(const ObjectDialogRequest& request) override {
        objectDialogs.push_back(request);
        if (objectDialogAnswers.empty()) return {};
        ObjectDialogAnswer next = objectDialogAnswers.front();
        objectDialogAnswers.pop_front();
        return next;
    }

    /// Runs the queued edit on the properties dialog's model and answers
    /// with its result; an empty queue cancels.
    bool PropertiesDialog(PropertiesDialogModel& model) override {
        ++propertiesDialogs;
        if (propertiesEdits.empty()) return false;
        auto edit = std::move(propertiesEdits.front());
        propertiesEdits.pop_front();
        return edit(model);
    }

    void SizingCursor(bool on) override { sizingCursor.push_back(on); }

    /// Runs the queued edit on the type editor's model and answers with its
    /// result; an empty queue cancels.
    bool TypeEditor(TypeEditorModel& model) override {
        ++typeEditors;
        if (typeEditorEdits.empty()) return false;
        auto edit = std::move(typeEditorEdits.front());
        typeEditorEdits.pop_front();
        return edit(model);
    }

    /// Runs the queued edit on the options model and answers with its
    /// result; an empty queue cancels.
    bool OptionsDialog(OptionsModel& model) override {
        ++optionsDialogs;
        if (optionsEdits.empty()) return false;
        auto edit = std::move(optionsEdits.front());
        optionsEdits.pop_front();
        return edit(model);
    }

    std::vector<ObjectDialogRequest> objectDialogs;
    std::deque<ObjectDialogAnswer> objectDialogAnswers;
    int propertiesDialogs = 0;
    std::deque<std::function<bool(PropertiesDialogModel&)>> propertiesEdits;
    std::vector<bool> sizingCursor;
    int typeEditors = 0;
    std::deque<std::function<bool(TypeEditorModel&)>> typeEditorEdits;
    int optionsDialogs = 0;
    std::deque<std::function<bool(OptionsModel&)>> optionsEdits;
    std::vector<Box> boxes;
    std::deque<int> boxAnswers;
    std::vector<ErrorDialogRequest> errorDialogs;
    bool pressDetails = false;
    bool toggleWarnings = false;
    std::string details;
    std::vector<bool> busyCalls;
    std::vector<InputTextRequest> inputs;
    std::deque<InputAnswer> inputAnswers;
    std::vector<SelectFileRequest> fileRequests;
    std::deque<SelectFileResult> fileAnswers;
    std::vector<SaveFileRequest> saveRequests;
    std::deque<std::string> saveAnswers;
    struct DirectoryRequest {
        bool showDrives = false;
        std::string startDirectory;
    };
    std::vector<DirectoryRequest> directoryRequests;
    std::deque<std::string> directoryAnswers;
    std::vector<ScreenReport> screenReports;
};

}  // namespace kvx::test
