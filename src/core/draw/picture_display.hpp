#pragma once

#include <cstdint>
#include <string>

namespace kvx {

class Canvas;
class Program;
struct Project;

/// Smallest and largest world extent of an image side in micrometres.
inline constexpr int64_t kMinImageWorldSize = 20;
inline constexpr int64_t kMaxImageWorldSize = 1000000;

/// The status-bar text of an image: "x=2400 y=1800 (527.3 KB)", switching to
/// MB above 1500 KB, with a decimal comma when decimalComma is set.
std::string ImageInfoText(int32_t width, int32_t height, bool decimalComma);

/// Draws the project's image into the surface at the current view.
///
/// With fitImagePending the file is loaded first (a failure has been shown
/// and gives false), no larger than the fitted view needs where the surface
/// is shown displaySide pixels across (0: the full resolution; see
/// DecodeOptions::wantedSide), the image size (of the full resolution, as
/// shown) and imageInfo are set, and after drawing
/// fitRectangle becomes the square that shows the whole image and
/// fitImagePending is cleared. A damaged picture is drawn as far as it was
/// decoded, and its imageInfo starts with the word for damaged. An image whose world extent lies
/// outside 20 .. 1,000,000 µm in either direction is refused with messages 172 and 2028 (false).
/// The picture is stretched into the rectangle of the integer mapping of its world extent; the
/// surface's clip cuts what lies outside.
bool DrawPicture(Program& program, Project& project, Canvas& surface, int64_t displaySide = 0);

/// True when the project's picture is held reduced and the current view
/// draws it larger than those pixels where the surface is shown displaySide
/// pixels across (0: always when it is held reduced).
bool PictureNeedsDetail(const Project& project, int64_t displaySide);

}  // namespace kvx
