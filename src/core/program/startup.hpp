#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

class Program;

/// A window's place on the screen, in pixels.
struct WindowRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const WindowRect&) const = default;
};

/// Fits a saved window rectangle to a screen of the given size at the
/// origin: a window left of or above the screen (saved on a monitor that is
/// gone) first comes onto it; then the window moves up (not above top 1)
/// until its bottom is 35 pixels above the screen's, and shrinks; likewise
/// it moves left (not past left 1) and then narrows until its right edge is
/// on the screen.
WindowRect FitWindowRect(WindowRect rect, int32_t screenWidth, int32_t screenHeight);
/// The same on a screen that lies anywhere in the desktop (screen gives its
/// place and size).
WindowRect FitWindowRect(WindowRect rect, const WindowRect& screen);
/// The window of a first start: about four fifths of the free area (but
/// no smaller than minimum, and no larger than the area), centred in it.
WindowRect FirstStartRect(const WindowRect& freeArea, const WindowRect& minimum);
/// The index of the screen a window rectangle belongs on: the one it
/// overlaps most, else the nearest one; 0 for an empty list.
std::size_t NearestScreen(const WindowRect& rect, const std::vector<WindowRect>& screens);

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
    /// No configuration was found: the window has no place of its own yet.
    bool firstStart = false;
};

/// What start-up is given by the program entry.
struct StartupArguments {
    /// The first command-line argument: a project or an image to open; a
    /// relative name is taken relative to the start directory.
    std::string file;
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    /// Every screen of the desktop, where the front end knows them; the
    /// saved window goes onto the nearest. Without them the screen is
    /// screenWidth × screenHeight at the origin.
    std::vector<WindowRect> screens{};
    /// The part of the primary screen free of panels and docks; empty when
    /// the front end does not know it.
    WindowRect freeArea{};
};

/// Smallest screen the program runs on.
inline constexpr int32_t kMinScreenWidth = 800;
inline constexpr int32_t kMinScreenHeight = 600;

/// The program's part of start-up: error stack, texts and error tables,
/// screen check, configuration folder and file (with a reload of the texts
/// when the configuration changed the language). Returns the step that failed
/// (1 to 8), 0 when the program can go on. The process's current directory
/// is never changed.
[[nodiscard]] int32_t StartProgram(Program& program, StartupState& state,
                                   const StartupArguments& arguments);

/// The start-up failure box: its caption and its text for a failed step.
inline constexpr const char* kStartupFailureCaption = "Error";
std::string StartupFailureText(int32_t step);

/// The window caption: the title, a blank and major.minor of the version.
std::string WindowCaption(const Program& program);

}  // namespace kvx
