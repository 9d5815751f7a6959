#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kvx {

/// Entries of the pending-point buffer; a click is refused once this many
/// minus five are pending, so a labelled object never overflows it.
inline constexpr int32_t kPendingCapacity = 1024;
inline constexpr int32_t kPendingLimit = kPendingCapacity - 4;

/// The kind given to every point of Point, Object and Text objects and to
/// label points: each stands alone, and a 1 can never be read as a further
/// point of the Polygon or Count object stored before it.
inline constexpr int32_t kStandaloneKind = 1;

/// Messages of the measuring interaction.
inline constexpr int kMsgMeasureCaption = 2020;
inline constexpr int kMsgTooManyPending = 2022;
inline constexpr int kMsgNoDuplicate = 2025;

/// The three display overrides of a captured object; −1 = the type's own.
struct CaptureOverrides {
    int32_t colour = -1;
    int32_t size = -1;
    int32_t textColour = -1;
    bool operator==(const CaptureOverrides&) const = default;
};

/// One captured point that is not committed yet.
struct PendingEntry {
    int64_t x = 0;  ///< world micrometres
    int64_t y = 0;
    int32_t typeIndex = 0;  ///< the captured type, or 154 for a label point
    int32_t vertexKind = 0;
    CaptureOverrides overrides;
    std::string label;  ///< at most 63 characters
};

/// Mouse buttons of the paint box.
enum class MouseButton { Left, Right, Middle };

/// One mouse press or release on the paint box `MainPB`, in paint-box
/// pixels, with the paint box's size at that moment.
struct MouseEvent {
    MouseButton button = MouseButton::Left;
    bool shift = false;
    bool alt = false;
    bool control = false;
    /// The key that turns a left drag into taking the picture along is held.
    bool panKey = false;
    int32_t x = 0;
    int32_t y = 0;
    int32_t boxWidth = 0;
    int32_t boxHeight = 0;
};

/// A paint-box pixel.
struct ScreenPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

/// A mouse position corrected by the pointer calibration (a percentage; 0 or
/// less = off): each coordinate times calibration / 100, rounded to the
/// nearest pixel (halves to even). No value when the result leaves int32.
std::optional<ScreenPoint> CalibratePointer(int32_t x, int32_t y, double calibration);

/// Side of the square around the mouse in which a stored point is hit in
/// modify mode: 1 % of the visible side, at least 5 µm.
int64_t HitTolerance(int64_t viewSize);

/// True when a point at (px, py) lies strictly within tolerance of (x, y)
/// on both axes.
bool PointHit(double px, double py, int64_t x, int64_t y, int64_t tolerance);

}  // namespace kvx
