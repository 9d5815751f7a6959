#include "cli/batch_ui.hpp"

#include "core/program/program.hpp"
#include "core/support/text_file.hpp"

namespace kvx::batch {

namespace {

// The caption of the export's per-type question.
constexpr int kMessageTypeQuestionCaption = 2018;
// The text export's notice that its file cannot be created or written.
constexpr int kMessageCannotCreate = 2017;

}  // namespace

void BatchUserInterface::PrepareExport(std::string path, const std::vector<int32_t>& types) {
    savePath_ = std::move(path);
    types_ = std::set<int32_t>(types.begin(), types.end());
    yesAnswers = 0;
    nextAsked_ = 0;
}

int BatchUserInterface::MessageBox(std::string_view title, std::string_view text,
                                   MessageButtons buttons) {
    if (program_ != nullptr && buttons == MessageButtons::YesNoCancel &&
        title == program_->GetMessage(kMessageTypeQuestionCaption)) {
        return AnswerTypeQuestion(text);
    }
    Diagnostic shown;
    shown.text = std::string(text);
    // The notice comes straight after the failed call, on the same thread,
    // so the system's reason is still the one of that call.
    if (program_ != nullptr && text.starts_with(program_->GetMessage(kMessageCannotCreate))) {
        shown.ioResult = LastIoResult();
    }
    diagnostics.push_back(std::move(shown));
    // Declining is the safe answer to every other question: an image that
    // cannot be found is not searched for, nothing is saved.
    switch (buttons) {
        case MessageButtons::Ok:
        case MessageButtons::OkCancel:
            return buttons == MessageButtons::Ok ? kAnswerOk : kAnswerCancel;
        case MessageButtons::YesNo:
            return kAnswerNo;
        case MessageButtons::YesNoCancel:
            return kAnswerCancel;
    }
    return kAnswerCancel;
}

int BatchUserInterface::AnswerTypeQuestion(std::string_view text) {
    // The export asks for the qualifying types in slot order; the name at
    // the end of the question confirms which one is meant.
    while (nextAsked_ < askOrder.size()) {
        const AskedType& asked = askOrder[nextAsked_++];
        if (text.ends_with("\r\n" + asked.name)) {
            if (!types_.empty() && !types_.contains(asked.slot)) return kAnswerNo;
            ++yesAnswers;
            return kAnswerYes;
        }
    }
    return kAnswerNo;
}

void BatchUserInterface::ShowErrorDialog(ErrorDialogRequest& request) {
    if (program_ == nullptr) {
        diagnostics.push_back({0, 0, request.mainText, request.info});
        return;
    }
    // The dialog shows only the current entry; a batch run lists every one.
    // The stack is cleared by the caller after the dialog.
    const ErrorStack& stack = program_->errors;
    ErrorTable& table = program_->errorTable;
    bool any = false;
    for (int slot = 1; slot <= ErrorStack::kSize; ++slot) {
        const ErrorEntry& entry = stack.Slot(slot);
        if (entry.code == 0) continue;
        const DecodedErrorCode d = DecodeErrorCode(entry.code);
        const auto lookup = table.LookupErrorText(d.errorClass, d.unit, d.procedure);
        Diagnostic found;
        found.code = entry.code;
        found.passCode = entry.passCode != entry.code ? entry.passCode : 0;
        found.text =
            lookup.messageNumber != 0 ? program_->GetMessage(lookup.messageNumber) : lookup.text;
        found.info = entry.info;
        found.ioResult = entry.ioResult;
        diagnostics.push_back(std::move(found));
        any = true;
    }
    if (!any) diagnostics.push_back({0, 0, request.mainText, request.info});
}

void BatchUserInterface::ShowScreenReport(std::string_view caption,
                                          const std::vector<std::string>& lines) {
    screenCaption = std::string(caption);
    screenLines = lines;
    screenShown = true;
}

}  // namespace kvx::batch
