#pragma once

#include <cstdint>
#include <string_view>

#include "core/program/startup.hpp"

namespace kvx {

class Workspace;

/// Runs the start-up sequence: error stack, texts and error tables, screen
/// check, configuration folder and file (with a reload of the texts when the
/// configuration changed the language), the `history` table, the window
/// rectangle, the object types, and the file named on the command line.
/// Returns the step that failed (1 to 9), 0 when the program can run. A
/// failing object-type file is not a failed step: its error is shown and
/// `started` stays 0. The process's current directory is never changed.
[[nodiscard]] int32_t StartUp(Workspace& workspace, StartupState& state,
                              const StartupArguments& arguments);

/// Opens the file named on the command line: a project file ("KXP") is
/// loaded, a picture of a format the program reads (JPEG, bitmap, GIF, PNG, TIFF)
/// starts a new project; a missing file or any other extension does
/// nothing. True when something was opened.
bool OpenCommandLineFile(Workspace& workspace, std::string_view argument);

/// The shutdown when the window is asked to close. Settles unsaved changes
/// first; when the user cancels that and mayRefuse is true the window stays
/// open and the result is false. Then, when start-up had run to its end, the
/// object types are written back, `history` is released, the window rectangle
/// stored and the configuration written. True when the program may end.
bool ShutDown(Workspace& workspace, StartupState& state, const WindowRect& window, bool mayRefuse);

}  // namespace kvx
