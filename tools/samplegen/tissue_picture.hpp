#pragma once

#include <cstdint>
#include <vector>

namespace kvx::samplegen {

/// The picture's size and resolution.
inline constexpr int kWidth = 1600;
inline constexpr int kHeight = 1200;
inline constexpr int kDpi = 2400;
/// Micrometres per pixel at kDpi.
inline constexpr double kMicrometresPerPixel = 25400.0 / kDpi;
/// Length of the printed scale bar.
inline constexpr double kScaleBarMicrometres = 2000.0;

struct Point {
    double x = 0.0;
    double y = 0.0;
};

/// One cell: an irregular round body with a nucleus, in pixels.
struct Cell {
    Point centre;
    double radius = 0.0;
    // Outline wobble: radius × (1 + a1 cos(θ + p1) + a2 cos(2θ + p2) + a3 cos(3θ + p3)).
    double a1 = 0.0, p1 = 0.0, a2 = 0.0, p2 = 0.0, a3 = 0.0, p3 = 0.0;
    Point nucleus;
    double nucleusRx = 0.0, nucleusRy = 0.0, nucleusAngle = 0.0;
    /// Staining intensity 1 to 3 (how dark the cell body is).
    int stain = 1;

    double RadiusAt(double theta) const;
};

/// One fibre: a gently curved band along a quadratic curve.
struct Fibre {
    Point start, control, end;
    double width = 0.0;
    Point At(double t) const;
};

/// The scale bar: its left end and length in pixels, the panel around it.
struct ScaleBar {
    Point left;
    double lengthPixels = 0.0;
    int panelLeft = 0, panelTop = 0, panelRight = 0, panelBottom = 0;
};

/// Everything drawn, so that the sample project can measure it.
struct Specimen {
    std::vector<Cell> cells;
    std::vector<Fibre> fibres;
    /// Small dark round cells scattered between the others.
    std::vector<Point> lymphocytes;
    ScaleBar scaleBar;
};

/// Lays out the specimen (deterministic for a seed).
Specimen LayOut(uint64_t seed);

/// Renders the specimen as 8-bit RGB rows, kWidth × kHeight.
std::vector<uint8_t> Render(const Specimen& specimen, uint64_t seed);

}  // namespace kvx::samplegen
