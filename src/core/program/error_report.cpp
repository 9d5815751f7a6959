#include "core/program/error_report.hpp"

#include <cstdlib>
#include <ctime>

#include "core/program/program.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

constexpr const char* kLineEnd = "\r\n";

std::string TodayText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &local);
    return text;
}

std::string InfoSuffix(const ErrorEntry& entry) {
    return entry.info.empty() ? std::string() : " [" + entry.info + "]";
}

std::string FieldColumns(const DecodedErrorCode& d) {
    return IntToStr(d.errorClass, 4) + IntToStr(d.unit, 4) + IntToStr(d.procedure, 4);
}

}  // namespace

bool ReportErrorAndShow(Program& program, ErrorCode code, ErrorCode passCode,
                        std::string_view info) {
    const bool recorded = program.errors.ReportError(code, passCode, info);
    if (recorded && program.settings.ShowWarningErrors == 1) {
        ShowError(program, false, true);
    } else {
        program.errors.Clear();
    }
    return recorded;
}

int ShowError(Program& program, bool showFatal, bool noticeStyle) {
    ErrorStack& stack = program.errors;
    if (!stack.FindCurrent()) {
        stack.Clear();
        return 0;
    }
    const ErrorEntry entry = stack.Current();
    const DecodedErrorCode decoded = DecodeErrorCode(entry.code);
    const auto lookup =
        program.errorTable.LookupErrorText(decoded.errorClass, decoded.unit, decoded.procedure);
    const bool fatal = (decoded.flags & kErrorFlagFatal) != 0;
    if (fatal && !showFatal) {
        stack.Clear();
        return 0;
    }

    ErrorDialogRequest request;
    request.noticeStyle = noticeStyle;
    request.caption = program.GetMessage(noticeStyle ? 423 : 172);
    request.headline = program.GetMessage(noticeStyle ? 258 : 171);
    request.errorLabel = program.GetMessage(166);
    request.mainText =
        lookup.messageNumber != 0 ? program.GetMessage(lookup.messageNumber) : "[n/a]";
    request.info = entry.info;
    request.infoLabel = entry.info.empty() ? std::string() : program.GetMessage(167);
    request.warningsLabel = program.GetMessage(739);
    request.showWarnings = program.settings.ShowWarningErrors != 0;
    request.detailCaption = program.GetMessage(169);
    request.okCaption = program.GetMessage(170);
    request.copyCaption = program.GetMessage(746);
    request.versionLine = CutTo(std::string(kApplicationTitle) + " V.", 33) +
                          VersionText(program.version, true) + " / " + TodayText();
    request.writeDetails = [&program, memo = request.versionLine + kLineEnd]() {
        return WriteErrorDetails(program.errors, program.errorTable, memo);
    };

    program.ui.ShowErrorDialog(request);
    program.settings.ShowWarningErrors = request.showWarnings ? 1 : 0;
    stack.Clear();
    return fatal ? 2 : 1;
}

std::string WriteErrorDetails(ErrorStack& stack, ErrorTable& table, std::string_view memoText) {
    std::string text(memoText);
    stack.SetCursor(ErrorStack::kSize);
    if (!stack.FindCurrent()) return text;

    text += "CLASS  UNT PRC POS IOE ErrorMess";
    text += kLineEnd;
    bool first = true;
    for (int cursor = stack.Cursor();;) {
        const ErrorEntry& entry = stack.Slot(cursor);
        if (entry.code == 0) break;
        if (first) {
            const DecodedErrorCode d = DecodeErrorCode(entry.code);
            text += "Caused" + FieldColumns(d) + IntToStr(entry.ioResult, 4) +
                    table.LookupErrorText(d.errorClass, d.unit, d.procedure).text +
                    InfoSuffix(entry) + kLineEnd;
            first = false;
        }
        if (entry.passCode != 0 && entry.passCode != entry.code) {
            const DecodedErrorCode p = DecodeErrorCode(entry.passCode);
            text += "Passed" + FieldColumns(p) + " ..." +
                    table.LookupErrorText(p.errorClass, p.unit, p.procedure).text +
                    InfoSuffix(entry) + kLineEnd;
        }
        if (cursor == ErrorStack::kSize) break;
        ++cursor;
    }
    stack.Clear();
    return text;
}

void FatalStop(Program& program, int code) {
    program.ui.MessageBox("Deadly Error",
                          "Under the circumstances reported previously, the application cannot "
                          "be continued and has to be close (Error " +
                              std::to_string(code) + ").",
                          MessageButtons::OkCancel);
    if (program.exitProcess) program.exitProcess(code);
    std::_Exit(code);
}

}  // namespace kvx
