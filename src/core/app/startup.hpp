#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

class Program;
class Workspace;

/// A window's place on the screen, in pixels.
struct WindowRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const WindowRect&) const = default;
};

/// Fits a saved window rectangle to the screen: the window first moves up
/// (not above top 1) until its bottom is 35 pixels above the screen's, then
/// shrinks; likewise it moves left (not past left 1) and then narrows until
/// its right edge is on the screen.
WindowRect FitWindowRect(WindowRect rect, int32_t screenWidth, int32_t screenHeight);

/// Start-up fields of the main window.
struct StartupState {
    /// The step that failed, 0 when start-up ran through.
    int32_t step = 0;
    /// 0 before start-up finished, 1 after it, 2 once the first redraw or key
    /// press has happened. The configuration is written at shutdown only
    /// when this is not 0.
    int32_t started = 0;
    /// Set by the Exit command.
    bool exitRequested = false;
    /// Where the window goes: the saved rectangle fitted to the screen.
    WindowRect window;
    /// The window caption: the title and the version.
    std::string caption;
};

/// What start-up is given by the program entry.
struct StartupArguments {
    /// The first command-line argument: a project or an image to open; a
    /// relative name is taken relative to the start directory.
    std::string file;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
};

/// Smallest screen the program runs on.
inline constexpr int32_t kMinScreenWidth = 800;
inline constexpr int32_t kMinScreenHeight = 600;

/// Runs the start-up sequence: error stack, texts and error tables, screen
/// check, configuration folder and file (with a reload of the texts when the
/// configuration changed the language), the `history` table, the window
/// rectangle, the object types, and the file named on the command line.
/// Returns the step that failed (1 to 9), 0 when the program can run. A
/// failing object-type file is not a failed step: its error is shown and
/// `started` stays 0. The process's current directory is never changed.
[[nodiscard]] int32_t StartUp(Workspace& workspace, StartupState& state,
                              const StartupArguments& arguments);

/// The start-up failure box: its caption and its text for a failed step.
inline constexpr const char* kStartupFailureCaption = "Error";
std::string StartupFailureText(int32_t step);

/// The window caption: the title, a blank and major.minor of the version.
std::string WindowCaption(const Program& program);

/// Opens the file named on the command line: a project file ("KXP") is
/// loaded, a picture of a format the program reads (JPEG, bitmap, GIF)
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
