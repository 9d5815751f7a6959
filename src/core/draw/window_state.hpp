#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/draw/recording.hpp"

namespace kvx {

/// The state of one named control or menu item after a redraw; a value that
/// is not set leaves the control as it is.
struct ControlState {
    std::string name;  ///< the control's designed name, e.g. "MnSave"
    std::optional<bool> enabled;
    std::optional<bool> visible;
    bool operator==(const ControlState&) const = default;
};

/// Sizes of the window's parts that the geometry layer prints; the front end
/// keeps them current.
struct WindowGeometry {
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    int32_t mainWidth = 0;  ///< the main window
    int32_t mainHeight = 0;
    int32_t paintBoxWidth = 0;  ///< `MainPB`
    int32_t paintBoxHeight = 0;
    int32_t valueGridHeight = 0;  ///< `vGrid`
    int32_t dataGridHeight = 0;   ///< `DGrid`
};

/// Everything the main window shows after a redraw, for the front end to
/// apply: texts, status panels, control states and the drawn surface.
struct WindowState {
    static constexpr int kPanels = 5;

    /// False when the redraw only counted (the first two during start-up);
    /// nothing else is set then.
    bool updated = false;
    std::string caption;
    /// Status-bar panels 0 .. 4; a panel without a value keeps its text.
    std::array<std::optional<std::string>, kPanels> panels;
    std::vector<ControlState> controls;
    std::optional<std::string> LbRaster1;
    std::optional<std::string> LbDetails;
    /// The drawn measuring field, surfaceSize pixels square, to be stretched
    /// onto `MainPB`; null when the drawing was skipped. Empty (no
    /// operations) when the view is not valid: the window background shows.
    std::shared_ptr<const Recording> surface;
    /// The title splash was drawn (the start-up flag then becomes 2).
    bool splashDrawn = false;
    /// The picture layer could not be drawn (its error has been shown); the
    /// surface then lacks the picture and the layers after it.
    bool pictureFailed = false;

    /// The state of a control by name; nullptr when the redraw did not set it.
    const ControlState* Control(std::string_view name) const {
        for (const ControlState& c : controls) {
            if (c.name == name) return &c;
        }
        return nullptr;
    }
};

}  // namespace kvx
