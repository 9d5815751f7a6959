#pragma once

#include <string>
#include <string_view>

#include "core/support/error_code.hpp"

namespace kvx {

class Program;
class ErrorStack;
class ErrorTable;

/// Records an entry and shows it at once when ShowWarningErrors is 1;
/// otherwise the stack is cleared. True when something was recorded.
bool ReportErrorAndShow(Program& program, ErrorCode code, ErrorCode passCode,
                        std::string_view info = {});

/// Shows the current entry of the stack in the error dialog. Returns 0 when
/// nothing was shown, 1 when shown, 2 when shown and fatal. The stack is
/// always cleared.
int ShowError(Program& program, bool showFatal = false, bool noticeStyle = false);

/// The detail report: memoText followed by the header line and one cause and
/// pass line per entry. Consumes (clears) the stack.
std::string WriteErrorDetails(ErrorStack& stack, ErrorTable& table, std::string_view memoText);

/// Shows the fatal-stop box, then ends the program with code as exit status.
[[noreturn]] void FatalStop(Program& program, int code);

}  // namespace kvx
