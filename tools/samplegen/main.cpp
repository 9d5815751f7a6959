// Makes the sample picture data/samples/tissue.jpg and the sample project
// data/samples/tissue.KXP that measures what the picture shows.
//
//   kvx-samplegen <output folder> <object-type file>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "core/program/program.hpp"
#include "core/program/user_interface.hpp"
#include "core/project/measured_object.hpp"
#include "core/project/object_type_file.hpp"
#include "core/project/project.hpp"
#include "core/project/project_file.hpp"
#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/text_file.hpp"
#include "jpeg_file.hpp"
#include "tissue_picture.hpp"

namespace {

using namespace kvx;
using namespace kvx::samplegen;

constexpr uint64_t kSeed = 20240611;
constexpr int kJpegQuality = 90;
constexpr const char* kImageName = "tissue.jpg";
constexpr const char* kProjectName = "tissue.KXP";

// The slot of the user type with this English name, else the first user type
// of the data type; 0 when there is none.
int FindType(const Program& program, std::string_view name, uint8_t dataType) {
    for (int slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        const ObjectType& type = program.objectTypes.At(slot);
        if (type.dataClass == kClassUser && type.dataType == dataType && type.nameEnglish == name) {
            return slot;
        }
    }
    for (int slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        const ObjectType& type = program.objectTypes.At(slot);
        if (type.dataClass == kClassUser && type.dataType == dataType) return slot;
    }
    return 0;
}

double World(double pixels) {
    return std::nearbyint(pixels * kMicrometresPerPixel);
}

class ProjectBuilder {
public:
    explicit ProjectBuilder(History& history) : history_(history) {}

    bool Add(int type, const Point& p, int kind, std::string name = {}) {
        if (type == 0) return true;
        MeasuredObject point;
        point.x = World(p.x);
        point.y = World(p.y);
        point.typeIndex = type;
        point.vertexKind = kind;
        point.name = std::move(name);
        return history_.Append(point);
    }

    // First point, further points, and the closing copy of the first point.
    bool AddClosed(int type, const std::vector<Point>& points) {
        if (type == 0 || points.size() < 3) return true;
        bool ok = Add(type, points.front(), 1);
        for (std::size_t i = 1; i < points.size(); ++i) ok = ok && Add(type, points[i], 2);
        return ok && Add(type, points.front(), 2);
    }

    bool AddLine(int type, const Point& a, const Point& b) {
        return Add(type, a, 1) && Add(type, b, 2);
    }

private:
    History& history_;
};

std::vector<Point> Outline(const Cell& cell, int vertices) {
    std::vector<Point> points;
    for (int i = 0; i < vertices; ++i) {
        const double theta = 2.0 * std::numbers::pi * i / vertices;
        const double r = cell.RadiusAt(theta);
        points.push_back(
            {cell.centre.x + r * std::cos(theta), cell.centre.y + r * std::sin(theta)});
    }
    return points;
}

std::vector<Point> NucleusOutline(const Cell& cell, int vertices) {
    std::vector<Point> points;
    const double ca = std::cos(cell.nucleusAngle), sa = std::sin(cell.nucleusAngle);
    for (int i = 0; i < vertices; ++i) {
        const double theta = 2.0 * std::numbers::pi * i / vertices;
        const double u = cell.nucleusRx * std::cos(theta), v = cell.nucleusRy * std::sin(theta);
        points.push_back({cell.nucleus.x + u * ca - v * sa, cell.nucleus.y + u * sa + v * ca});
    }
    return points;
}

// The widest chord of a cell through its centre, over a few directions.
std::pair<Point, Point> Diameter(const Cell& cell) {
    double best = -1.0, bestTheta = 0.0;
    for (int i = 0; i < 36; ++i) {
        const double theta = std::numbers::pi * i / 36;
        const double d = cell.RadiusAt(theta) + cell.RadiusAt(theta + std::numbers::pi);
        if (d > best) {
            best = d;
            bestTheta = theta;
        }
    }
    const double r1 = cell.RadiusAt(bestTheta), r2 = cell.RadiusAt(bestTheta + std::numbers::pi);
    const double c = std::cos(bestTheta), s = std::sin(bestTheta);
    return {{cell.centre.x + r1 * c, cell.centre.y + r1 * s},
            {cell.centre.x - r2 * c, cell.centre.y - r2 * s}};
}

bool BuildProject(const Program& program, const Specimen& specimen, History& history) {
    const int area = FindType(program, "Area", kPolygon);
    const int nucleusArea = FindType(program, "Nucleus area", kPolygon);
    const int length = FindType(program, "Length", kTwoPointLine);
    const int diameter = FindType(program, "Diameter", kTwoPointLine);
    const int scaleBar = FindType(program, "Scale bar", kTwoPointLine);
    const int count = FindType(program, "Count", kCount);
    const int value = FindType(program, "Value", kText);

    ProjectBuilder builder(history);
    bool ok = true;

    // The scale bar, end to end: exactly its printed length.
    const ScaleBar& bar = specimen.scaleBar;
    ok = ok && builder.AddLine(scaleBar, bar.left, {bar.left.x + bar.lengthPixels, bar.left.y});

    // Every fibre, end to end.
    for (const Fibre& fibre : specimen.fibres) {
        ok = ok && builder.AddLine(length, fibre.start, fibre.end);
    }

    // Outlines of every fourth cell, their nuclei, and a staining score label
    // beside each.
    for (std::size_t i = 0; i < specimen.cells.size(); i += 4) {
        const Cell& cell = specimen.cells[i];
        ok = ok && builder.AddClosed(area, Outline(cell, 16));
        ok = ok && builder.AddClosed(nucleusArea, NucleusOutline(cell, 10));
        const Point label{std::min(cell.centre.x + cell.radius * 1.15 + 4.0, kWidth - 2.0),
                          cell.centre.y};
        ok = ok && builder.Add(value, label, 1, std::to_string(cell.stain));
    }

    // Diameters of the other cells with an odd index.
    for (std::size_t i = 1; i < specimen.cells.size(); i += 2) {
        const auto [a, b] = Diameter(specimen.cells[i]);
        ok = ok && builder.AddLine(diameter, a, b);
    }

    // Nuclei counted in the quarters of the picture.
    for (int quarter = 0; quarter < 4; ++quarter) {
        std::vector<Point> nuclei;
        for (const Cell& cell : specimen.cells) {
            const bool right = cell.centre.x >= kWidth / 2.0,
                       lower = cell.centre.y >= kHeight / 2.0;
            if ((right ? 1 : 0) + (lower ? 2 : 0) == quarter) nuclei.push_back(cell.nucleus);
        }
        ok = ok && builder.AddClosed(count, nuclei);
    }
    return ok;
}

bool WriteProject(const std::string& path, const Program& program, const Specimen& specimen,
                  RecordArrayRegistry& registry) {
    History history;
    if (history.Create(registry, 10240) != kOk) return false;
    if (!BuildProject(program, specimen, history)) return false;
    Project project;
    project.imagePath = kImageName;
    project.originalImagePath = kImageName;
    project.resolutionDpi = kDpi;
    project.userName = "Korvanix sample";
    FileReplacement file;
    if (file.Begin(path) != kOk) return false;
    if (!WriteProjectLines(file.File(), project, history, path)) return false;
    std::printf("%s: %d points\n", path.c_str(), history.Count());
    return file.Commit() == kOk;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kvx-samplegen <output folder> <object-type file>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const Specimen specimen = LayOut(kSeed);
    const std::vector<uint8_t> rgb = Render(specimen, kSeed);
    const std::string imagePath = JoinPath(folder, kImageName);
    if (!WriteJpeg(imagePath, rgb, kWidth, kHeight, kJpegQuality, kDpi)) {
        std::fprintf(stderr, "cannot write %s\n", imagePath.c_str());
        return 1;
    }
    std::printf("%s: %d x %d pixels at %d dpi, %zu cells, %zu fibres\n", imagePath.c_str(), kWidth,
                kHeight, kDpi, specimen.cells.size(), specimen.fibres.size());

    SilentUserInterface ui;
    Program program(ui, ExtractFileDir(argv[2]));
    program.InitErrorStack();
    if (!LoadObjectTypes(program, argv[2])) {
        std::fprintf(stderr, "cannot read the object types from %s\n", argv[2]);
        return 1;
    }
    const std::string projectPath = JoinPath(folder, kProjectName);
    if (!WriteProject(projectPath, program, specimen, program.registry)) {
        std::fprintf(stderr, "cannot write %s\n", projectPath.c_str());
        return 1;
    }
    return 0;
}
