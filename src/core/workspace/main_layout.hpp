#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kvx {

/// A component's place in the window's client area, in pixels.
struct LayoutRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t Right() const { return left + width; }
    bool operator==(const LayoutRect&) const = default;
};

/// The window's size limits (outer size, as the window settings store it).
inline constexpr int32_t kMainMinWidth = 800;
inline constexpr int32_t kMainMinHeight = 572;
inline constexpr int32_t kMainMaxWidth = 1700;
inline constexpr int32_t kMainMaxHeight = 1480;
/// The size the window was designed at (client area).
inline constexpr int32_t kMainDesignWidth = 934;
inline constexpr int32_t kMainDesignHeight = 713;

inline constexpr int kFunctionButtons = 10;

/// What the layout reads: the window and screen sizes and the parts of the
/// window it does not move.
struct MainLayoutInput {
    int32_t windowWidth = 0;  ///< outer size
    int32_t windowHeight = 0;
    int32_t screenHeight = 0;
    /// What the window system's frame adds to the client area (0 without a
    /// window manager).
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    /// The menu bar above and the status bar below the area the components
    /// are placed in; 0 when not known.
    int32_t menuBarHeight = 0;
    int32_t statusBarHeight = 0;
    int32_t performanceMode = 2;
    int32_t measureFieldEnlarge = 100;
    int32_t dataGridWidth = 220;    ///< `DGrid`
    int32_t valueGridHeight = 191;  ///< `vGrid`
    int32_t valueGridWidth = 220;
    /// Right edge of the last picture button's bevel: `Bevel7`, or the
    /// window's `Bevel9` (outline by click, ending at 578) after it.
    int32_t bevel7Right = 551;
    int32_t bitBtn7Width = 31;
    int32_t cboHeight = 24;
    std::array<int32_t, kFunctionButtons> buttonWidths{50, 50, 50, 50, 50, 50, 50, 50, 50, 50};
    /// The share of the status bar, in percent, kept for the live readout
    /// (the mouse's position, the picture's value there, the object drawn);
    /// the five panels share the rest.
    int32_t readoutPercent = 0;
};

/// Where everything goes after a resize.
struct MainLayout {
    /// The window had to be cut to the screen (the next redraw skips drawing).
    bool heightCut = false;
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    LayoutRect MainPB;
    LayoutRect DGrid;
    LayoutRect vGrid;
    LayoutRect cbo;
    LayoutRect BitBtn7;
    /// Left edge of each function button that is shown; none = hidden.
    std::array<std::optional<int32_t>, kFunctionButtons> functionButtons{};
    int32_t statusBarWidth = 0;
    std::array<int32_t, 5> panelWidths{};
    int32_t readoutWidth = 0;
};

/// Status panel widths that show every panel's text whole where the bar
/// allows: a panel narrower than its text (needed, in pixels) takes what it
/// lacks from the room the others have beyond their own texts, the most
/// room first. The widths keep their sum.
std::vector<int32_t> FitPanelWidths(std::vector<int32_t> widths,
                                    const std::vector<int32_t>& needed);

/// The layout of the main window for its current size: the measuring field
/// fills the height and stays square, the grids sit to its right, the window
/// is as wide as both, and the function buttons take the room left in the
/// toolbar row. Whatever the size, the copy button and the type selector
/// stay right of the last picture button, and the window is wide enough for
/// every component inside its frame. A pure function of its input.
MainLayout ComputeMainLayout(const MainLayoutInput& input);

}  // namespace kvx
