#pragma once

#include <cstdint>
#include <vector>

namespace kvx {

/// A corner of picture pixels: pixel (x, y) spans the corners (x, y) to
/// (x + 1, y + 1).
struct PixelCorner {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const PixelCorner&) const = default;
};

/// A point of a simplified outline, in picture pixels (corners at whole
/// numbers, the middle of a pixel edge at a half).
struct OutlinePoint {
    double x = 0.0;
    double y = 0.0;
    bool operator==(const OutlinePoint&) const = default;
};

/// A binary mask of one region, one byte per pixel (non-zero: inside),
/// with at least one pixel of outside all round it. `left` and `top` place
/// the mask's pixel (1, 1) on the picture.
struct RegionMask {
    const uint8_t* data = nullptr;
    int32_t width = 0;  ///< with the border
    int32_t height = 0;
    int32_t stride = 0;
    int32_t left = 0;
    int32_t top = 0;

    bool Inside(int32_t x, int32_t y) const {
        return data[static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
                    static_cast<std::size_t>(x)] != 0;
    }
};

/// The outer outline of the 8-connected region whose first pixel in reading
/// order is (x, y) of the mask, along the pixel edges with the region on its
/// right (clockwise as the picture shows): the corners where it turns, in
/// picture coordinates. Pixels that touch only at a corner stay one region,
/// so the outline may pass a corner twice. Its area is the number of pixels
/// of the region when the region has no holes.
std::vector<PixelCorner> TraceOutline(const RegionMask& mask, int32_t x, int32_t y);

/// The perimeter of a traced outline with straight runs counted by their
/// length and staircase corners cut by the diagonal, as the circularity
/// 4 pi area / perimeter^2 of the usual particle counters takes it.
double TracedPerimeter(const std::vector<PixelCorner>& outline);

/// Twice the signed area of a closed polygon (positive clockwise on the
/// picture).
int64_t TwiceArea(const std::vector<PixelCorner>& outline);

/// Twice the signed area of a closed polygon of outline points.
double TwiceArea(const std::vector<OutlinePoint>& outline);

/// A traced outline with fewer points: of its corners and the middles of
/// its straight runs, those are left out whose distance from the line that
/// replaces them is at most `tolerance` pixels, so that the outline moves
/// by no more than that. The middles let a staircase become the straight
/// line it stands for, with its area kept. For regions of 100 pixels and
/// more the area may change by at most 1 %; where the tolerance would
/// change it more a smaller one is used, down to the traced outline itself.
/// At least three points stay.
std::vector<OutlinePoint> SimplifyOutline(const std::vector<PixelCorner>& outline,
                                          double tolerance);

}  // namespace kvx
