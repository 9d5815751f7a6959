#include "tissue_picture.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace kvx::samplegen {

namespace {

// Our own generator, so that the picture is the same with every standard library.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Uniform(double low, double high) {
        return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
    }

private:
    uint64_t state_;
};

double Hash01(uint64_t seed, int64_t x, int64_t y) {
    Random r(seed ^ (static_cast<uint64_t>(x) * 0x9E3779B1ull) ^
             (static_cast<uint64_t>(y) * 0x85EBCA77C2B2AE63ull));
    return r.Uniform(0.0, 1.0);
}

double Smooth(double t) {
    return t * t * (3.0 - 2.0 * t);
}

// Value noise in [-1, 1] with features about `cell` pixels across.
double ValueNoise(uint64_t seed, double x, double y, double cell) {
    const double gx = x / cell, gy = y / cell;
    const auto ix = static_cast<int64_t>(std::floor(gx)), iy = static_cast<int64_t>(std::floor(gy));
    const double fx = Smooth(gx - static_cast<double>(ix)),
                 fy = Smooth(gy - static_cast<double>(iy));
    const double v00 = Hash01(seed, ix, iy), v10 = Hash01(seed, ix + 1, iy);
    const double v01 = Hash01(seed, ix, iy + 1), v11 = Hash01(seed, ix + 1, iy + 1);
    const double top = v00 + (v10 - v00) * fx, bottom = v01 + (v11 - v01) * fx;
    return 2.0 * (top + (bottom - top) * fy) - 1.0;
}

struct Colour {
    double r, g, b;
};

class Canvas {
public:
    Canvas() : pixels_(static_cast<std::size_t>(kWidth) * kHeight) {}
    Colour& At(int x, int y) { return pixels_[static_cast<std::size_t>(y) * kWidth + x]; }
    void Blend(int x, int y, const Colour& c, double alpha) {
        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight || alpha <= 0.0) return;
        alpha = std::min(alpha, 1.0);
        Colour& p = At(x, y);
        p.r += (c.r - p.r) * alpha;
        p.g += (c.g - p.g) * alpha;
        p.b += (c.b - p.b) * alpha;
    }
    std::vector<Colour>& Pixels() { return pixels_; }

private:
    std::vector<Colour> pixels_;
};

double Coverage(double signedDistance) {
    return std::clamp(0.5 - signedDistance, 0.0, 1.0);
}

void DrawBackground(Canvas& canvas, uint64_t seed) {
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double broad = ValueNoise(seed, x, y, 260.0);
            const double fine = ValueNoise(seed + 1, x, y, 45.0);
            const double fibrous = ValueNoise(seed + 2, x * 0.35, y * 1.6, 18.0);
            Colour c{238.0, 201.0, 216.0};
            c.r += 6.0 * broad + 3.0 * fine - 4.0 * std::max(0.0, fibrous);
            c.g += 12.0 * broad + 6.0 * fine - 9.0 * std::max(0.0, fibrous);
            c.b += 8.0 * broad + 4.0 * fine - 5.0 * std::max(0.0, fibrous);
            canvas.At(x, y) = c;
        }
    }
}

void DrawFibre(Canvas& canvas, const Fibre& fibre, uint64_t seed) {
    // Distance of every nearby pixel to the curve, by stamping along it.
    const int margin = static_cast<int>(fibre.width) + 3;
    const double length = std::hypot(fibre.end.x - fibre.start.x, fibre.end.y - fibre.start.y);
    const int steps = static_cast<int>(length * 3.0) + 8;
    int left = kWidth, top = kHeight, right = 0, bottom = 0;
    for (int i = 0; i <= steps; ++i) {
        const Point p = fibre.At(static_cast<double>(i) / steps);
        left = std::min(left, static_cast<int>(p.x) - margin);
        right = std::max(right, static_cast<int>(p.x) + margin);
        top = std::min(top, static_cast<int>(p.y) - margin);
        bottom = std::max(bottom, static_cast<int>(p.y) + margin);
    }
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, kWidth - 1);
    bottom = std::min(bottom, kHeight - 1);
    const int w = right - left + 1, h = bottom - top + 1;
    if (w <= 0 || h <= 0) return;
    std::vector<double> distance(static_cast<std::size_t>(w) * h, 1e9);
    std::vector<double> along(distance.size(), 0.0);
    for (int i = 0; i <= steps; ++i) {
        const double t = static_cast<double>(i) / steps;
        const Point p = fibre.At(t);
        for (int y = static_cast<int>(p.y) - margin; y <= static_cast<int>(p.y) + margin; ++y) {
            for (int x = static_cast<int>(p.x) - margin; x <= static_cast<int>(p.x) + margin; ++x) {
                if (x < left || x > right || y < top || y > bottom) continue;
                const double d = std::hypot(x + 0.5 - p.x, y + 0.5 - p.y);
                const std::size_t k = static_cast<std::size_t>(y - top) * w + (x - left);
                if (d < distance[k]) {
                    distance[k] = d;
                    along[k] = t * length;
                }
            }
        }
    }
    const double half = fibre.width / 2.0;
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const std::size_t k = static_cast<std::size_t>(y - top) * w + (x - left);
            const double cover = Coverage(distance[k] - half);
            if (cover <= 0.0) continue;
            const double across = std::min(distance[k] / half, 1.0);
            const double stripe = 0.5 + 0.5 * std::sin(along[k] * 0.9 + Hash01(seed, x / 7, y / 7));
            Colour c{196.0 - 18.0 * stripe, 88.0 + 40.0 * across, 128.0 + 30.0 * across};
            canvas.Blend(x, y, c, 0.85 * cover);
        }
    }
}

void DrawCell(Canvas& canvas, const Cell& cell, uint64_t seed) {
    const double maxRadius =
        cell.radius * (1.0 + std::abs(cell.a1) + std::abs(cell.a2) + std::abs(cell.a3)) + 3.0;
    const int left = std::max(0, static_cast<int>(cell.centre.x - maxRadius));
    const int right = std::min(kWidth - 1, static_cast<int>(cell.centre.x + maxRadius));
    const int top = std::max(0, static_cast<int>(cell.centre.y - maxRadius));
    const int bottom = std::min(kHeight - 1, static_cast<int>(cell.centre.y + maxRadius));
    const double shade = 1.0 - 0.12 * (cell.stain - 1);
    const Colour body{205.0 * shade, 158.0 * shade, 214.0 * shade};
    const Colour rim{150.0 * shade, 95.0 * shade, 165.0 * shade};
    const Colour nucleus{82.0, 44.0, 128.0};
    const double ca = std::cos(cell.nucleusAngle), sa = std::sin(cell.nucleusAngle);
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const double dx = x + 0.5 - cell.centre.x, dy = y + 0.5 - cell.centre.y;
            const double d = std::hypot(dx, dy) - cell.RadiusAt(std::atan2(dy, dx));
            const double cover = Coverage(d);
            if (cover <= 0.0) continue;
            const double grain = ValueNoise(seed, x, y, 5.0);
            Colour c{body.r + 6.0 * grain, body.g + 6.0 * grain, body.b + 6.0 * grain};
            canvas.Blend(x, y, c, 0.82 * cover);
            if (d > -2.5) canvas.Blend(x, y, rim, 0.55 * cover * Coverage(-d - 2.0));

            const double nx = x + 0.5 - cell.nucleus.x, ny = y + 0.5 - cell.nucleus.y;
            const double u = (nx * ca + ny * sa) / cell.nucleusRx;
            const double v = (-nx * sa + ny * ca) / cell.nucleusRy;
            const double q = std::sqrt(u * u + v * v);
            const double nd = (q - 1.0) * std::min(cell.nucleusRx, cell.nucleusRy);
            const double ncover = Coverage(nd);
            if (ncover > 0.0) {
                const double chromatin = ValueNoise(seed + 7, x, y, 2.5);
                Colour n{nucleus.r + 18.0 * chromatin, nucleus.g + 12.0 * chromatin,
                         nucleus.b + 18.0 * chromatin};
                canvas.Blend(x, y, n, 0.9 * ncover);
            }
        }
    }
}

// A 5 × 7 font for the scale-bar label.
const std::array<uint8_t, 7>* Glyph(char c) {
    static const std::array<uint8_t, 7> kTwo{0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F};
    static const std::array<uint8_t, 7> kM{0x00, 0x00, 0x1A, 0x15, 0x15, 0x15, 0x15};
    switch (c) {
        case '2':
            return &kTwo;
        case 'm':
            return &kM;
        default:
            return nullptr;
    }
}

void DrawText(Canvas& canvas, int left, int top, const char* text, int scale, const Colour& c) {
    for (int i = 0; text[i] != '\0'; ++i) {
        if (const auto* glyph = Glyph(text[i])) {
            for (int row = 0; row < 7; ++row) {
                for (int col = 0; col < 5; ++col) {
                    if (((*glyph)[static_cast<std::size_t>(row)] >> (4 - col) & 1) == 0) continue;
                    for (int sy = 0; sy < scale; ++sy) {
                        for (int sx = 0; sx < scale; ++sx) {
                            canvas.Blend(left + col * scale + sx, top + row * scale + sy, c, 1.0);
                        }
                    }
                }
            }
        }
        left += 6 * scale;
    }
}

void DrawScaleBar(Canvas& canvas, const ScaleBar& bar) {
    const Colour white{250.0, 250.0, 248.0}, border{120.0, 120.0, 120.0}, ink{20.0, 20.0, 24.0};
    for (int y = bar.panelTop; y <= bar.panelBottom; ++y) {
        for (int x = bar.panelLeft; x <= bar.panelRight; ++x) {
            const bool edge = x == bar.panelLeft || x == bar.panelRight || y == bar.panelTop ||
                              y == bar.panelBottom;
            canvas.Blend(x, y, edge ? border : white, 0.92);
        }
    }
    // The bar's ends are anti-aliased so that its length is exact to a fraction of a pixel.
    const double x0 = bar.left.x, x1 = bar.left.x + bar.lengthPixels;
    for (int y = static_cast<int>(bar.left.y) - 4; y < static_cast<int>(bar.left.y) + 4; ++y) {
        for (int x = static_cast<int>(x0) - 1; x <= static_cast<int>(x1) + 1; ++x) {
            const double cover = std::clamp(std::min(x + 1.0 - x0, x1 - x), 0.0, 1.0);
            canvas.Blend(x, y, ink, cover);
        }
    }
    for (int y = static_cast<int>(bar.left.y) - 10; y < static_cast<int>(bar.left.y) + 10; ++y) {
        canvas.Blend(static_cast<int>(x0), y, ink, 1.0);
        canvas.Blend(static_cast<int>(x1) - 1, y, ink, 1.0);
    }
    const char* label = "2 mm";
    const int scale = 3, textWidth = (4 * 6 - 1) * scale;
    DrawText(canvas, static_cast<int>((x0 + x1) / 2.0) - textWidth / 2,
             static_cast<int>(bar.left.y) - 14 - 7 * scale, label, scale, ink);
}

bool InsidePanel(const ScaleBar& bar, double x, double y, double margin) {
    return x > bar.panelLeft - margin && x < bar.panelRight + margin && y > bar.panelTop - margin &&
           y < bar.panelBottom + margin;
}

}  // namespace

double Cell::RadiusAt(double theta) const {
    return radius * (1.0 + a1 * std::cos(theta + p1) + a2 * std::cos(2.0 * theta + p2) +
                     a3 * std::cos(3.0 * theta + p3));
}

Point Fibre::At(double t) const {
    const double s = 1.0 - t;
    return {s * s * start.x + 2.0 * s * t * control.x + t * t * end.x,
            s * s * start.y + 2.0 * s * t * control.y + t * t * end.y};
}

Specimen LayOut(uint64_t seed) {
    Random random(seed);
    Specimen specimen;

    ScaleBar& bar = specimen.scaleBar;
    bar.lengthPixels = kScaleBarMicrometres / kMicrometresPerPixel;
    bar.left = {1370.0, 1150.0};
    bar.panelLeft = 1340;
    bar.panelTop = 1095;
    bar.panelRight = 1340 + static_cast<int>(bar.lengthPixels) + 60;
    bar.panelBottom = 1170;

    const std::array<std::array<double, 7>, 5> fibres{{
        {140, 260, 520, 120, 930, 300, 15},
        {260, 980, 700, 860, 1180, 1010, 13},
        {1180, 140, 1330, 420, 1460, 760, 17},
        {560, 520, 760, 640, 1010, 590, 11},
        {90, 640, 200, 820, 330, 1080, 13},
    }};
    for (const auto& f : fibres) {
        specimen.fibres.push_back({{f[0], f[1]}, {f[2], f[3]}, {f[4], f[5]}, f[6]});
    }

    const std::size_t wanted = 68;
    for (int attempt = 0; attempt < 20000 && specimen.cells.size() < wanted; ++attempt) {
        Cell cell;
        cell.radius = random.Uniform(0.0, 1.0) < 0.25 ? random.Uniform(44.0, 60.0)
                                                      : random.Uniform(18.0, 42.0);
        cell.centre = {random.Uniform(70.0, kWidth - 70.0), random.Uniform(70.0, kHeight - 70.0)};
        if (InsidePanel(bar, cell.centre.x, cell.centre.y, cell.radius * 1.3 + 10.0)) continue;
        bool clear = true;
        for (const Cell& other : specimen.cells) {
            const double gap =
                std::hypot(cell.centre.x - other.centre.x, cell.centre.y - other.centre.y);
            if (gap < (cell.radius + other.radius) * 1.12 + 6.0) {
                clear = false;
                break;
            }
        }
        if (!clear) continue;
        constexpr double kTwoPi = 2.0 * std::numbers::pi;
        cell.a1 = random.Uniform(0.0, 0.07);
        cell.p1 = random.Uniform(0.0, kTwoPi);
        cell.a2 = random.Uniform(0.04, 0.14);
        cell.p2 = random.Uniform(0.0, kTwoPi);
        cell.a3 = random.Uniform(0.0, 0.05);
        cell.p3 = random.Uniform(0.0, kTwoPi);
        const double offset = cell.radius * random.Uniform(0.0, 0.25);
        const double direction = random.Uniform(0.0, kTwoPi);
        cell.nucleus = {cell.centre.x + offset * std::cos(direction),
                        cell.centre.y + offset * std::sin(direction)};
        cell.nucleusRx = cell.radius * random.Uniform(0.3, 0.42);
        cell.nucleusRy = cell.nucleusRx * random.Uniform(0.7, 1.0);
        cell.nucleusAngle = random.Uniform(0.0, std::numbers::pi);
        cell.stain = 1 + static_cast<int>(random.Next() % 3);
        specimen.cells.push_back(cell);
    }

    for (int attempt = 0; attempt < 4000 && specimen.lymphocytes.size() < 45; ++attempt) {
        const Point p{random.Uniform(20.0, kWidth - 20.0), random.Uniform(20.0, kHeight - 20.0)};
        if (InsidePanel(bar, p.x, p.y, 16.0)) continue;
        bool clear = true;
        for (const Cell& cell : specimen.cells) {
            if (std::hypot(p.x - cell.centre.x, p.y - cell.centre.y) < cell.radius * 1.2 + 12.0) {
                clear = false;
                break;
            }
        }
        if (clear) specimen.lymphocytes.push_back(p);
    }
    return specimen;
}

std::vector<uint8_t> Render(const Specimen& specimen, uint64_t seed) {
    Canvas canvas;
    DrawBackground(canvas, seed);
    for (const Fibre& fibre : specimen.fibres) DrawFibre(canvas, fibre, seed + 11);
    for (const Cell& cell : specimen.cells) DrawCell(canvas, cell, seed + 13);
    const Colour lymphocyte{70.0, 40.0, 115.0};
    for (const Point& p : specimen.lymphocytes) {
        const double r = 4.5 + 2.5 * Hash01(seed + 19, static_cast<int64_t>(p.x), 0);
        for (int y = static_cast<int>(p.y - r) - 2; y <= static_cast<int>(p.y + r) + 2; ++y) {
            for (int x = static_cast<int>(p.x - r) - 2; x <= static_cast<int>(p.x + r) + 2; ++x) {
                const double d = std::hypot(x + 0.5 - p.x, y + 0.5 - p.y) - r;
                canvas.Blend(x, y, lymphocyte, 0.85 * Coverage(d));
            }
        }
    }
    DrawScaleBar(canvas, specimen.scaleBar);

    std::vector<uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    Random noise(seed + 17);
    std::size_t k = 0;
    for (const Colour& c : canvas.Pixels()) {
        const double n = noise.Uniform(-3.0, 3.0);
        for (const double v : {c.r + n, c.g + n, c.b + n}) {
            rgb[k++] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        }
    }
    return rgb;
}

}  // namespace kvx::samplegen
