#include "cli/batch_detect.hpp"

#include <charconv>
#include <cmath>
#include <memory>

#include "cli/batch_options.hpp"
#include "cli/batch_runner.hpp"
#include "cli/batch_session.hpp"
#include "cli/batch_stats.hpp"
#include "core/detect/detect_records.hpp"
#include "core/detect/sample_plane.hpp"
#include "core/measure/values.hpp"
#include "core/picture/picture_loader.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx::batch {

namespace {

constexpr int kMsgWrongType = 2266;
// The measuring field the picture is first loaded for: small, since the
// objects are found on a decode of its own at full resolution.
constexpr int32_t kLoadSide = 256;

bool ParseNumber(std::string_view text, double& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

bool ParseWhole(std::string_view text, int32_t& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// Square micrometres in one square of the table unit.
double SquareMicrometresPer(int32_t unit) {
    return unit == 2 ? 1e8 : unit == 1 ? 1e6 : 1.0;
}

std::string FailureLines(Session& session, const std::string& path, std::string_view headline) {
    std::string text = PathToUtf8(path) + ": " + std::string(headline) + "\n";
    for (std::string line : DescribeDiagnostics(session.ui().diagnostics, path)) {
        // A message of several lines keeps them under its first.
        for (std::size_t at = line.find('\n'); at != std::string::npos;
             at = line.find('\n', at + 3)) {
            line.replace(at, 1, "\n  ");
        }
        text += "  " + line + "\n";
    }
    return text;
}

ProjectResult DetectProject(Session& session, const Options& options, const std::string& path) {
    const DetectOptions& d = options.detect;
    ProjectResult result;
    const auto fail = [&](std::string_view headline, std::string_view reason = {}) {
        result.failed = true;
        result.err = FailureLines(session, path, headline);
        if (!reason.empty()) result.err += "  " + std::string(reason) + "\n";
        return result;
    };
    if (!session.Load(path)) return fail("cannot be read");
    Workspace& ws = session.workspace();
    Program& program = session.program();
    const ObjectType& type = program.objectTypes.At(d.type);
    if (type.dataClass != kClassUser || (type.dataType != kPolygon && type.dataType != kCount)) {
        return fail("FAILED", CoreToUtf8(program.GetMessage(kMsgWrongType)));
    }

    // The first redraw loads the picture as the window does, so that the
    // points lie as they do on the picture shown; the objects are then found
    // on the picture's own values at full resolution.
    session.ui().Clear();
    ws.SetDisplayFieldPixels(kLoadSide);
    ws.Redraw();
    if (ws.windowState().pictureFailed || !session.ui().diagnostics.empty() ||
        !ws.project().picture) {
        return fail("FAILED", "the picture cannot be read");
    }
    const int64_t bytes = FileSize(ws.project().imagePath);
    PictureRequest request =
        MakePictureRequest(program, ws.project().imagePath, bytes < 0 ? 0 : bytes >> 20, 0);
    request.options.keepSixteenBits = true;
    Picture picture;
    // A damaged picture would give objects cut where the decode broke off.
    const DecodeStatus read = ReadPicture(request, picture);
    if (read == DecodeStatus::TooLarge || read == DecodeStatus::OutOfMemory) {
        return fail("FAILED",
                    "the picture is too large to detect objects on (that takes it whole in "
                    "memory, at most 500 million pixels)");
    }
    if (read != DecodeStatus::Ok) return fail("FAILED", "the picture cannot be read whole");
    SamplePlane plane;
    if (!SamplesOf(picture, d.channel, plane)) return fail("FAILED", "not enough memory");
    picture.Clear();

    const int32_t dpi = ws.project().resolutionDpi;
    const double perSquare = SquareMicrometresPer(program.settings.TableUnit);
    DetectSettings settings;
    settings.method = d.method;
    settings.level = d.level;
    settings.darkObjects = d.darkObjects;
    settings.channel = d.channel;
    settings.minArea = SquarePixels(d.minArea * perSquare, dpi);
    settings.maxArea = SquarePixels(d.maxArea * perSquare, dpi);
    settings.minCircularity = d.minCircularity;
    settings.excludeEdges = d.excludeEdges;
    settings.split = d.split;
    DetectResult found;
    if (!DetectObjects(plane, settings, found)) return fail("FAILED", "not enough memory");

    double area = 0.0;
    for (const DetectedObject& object : found.objects) area += ObjectAreaMicrometres(object, dpi);
    const std::string summary =
        IntToStr(static_cast<int64_t>(found.objects.size())) + " objects, total area " +
        ShortestNumber(UnitDivisor(area, kPolygon, program.settings.TableUnit)) + " " +
        CoreToUtf8(UnitName(kPolygon, program.settings.TableUnit)) + "\xC2\xB2";
    if (d.dryRun) {
        result.out = PathToUtf8(path) + ": " + summary + "\n";
        return result;
    }
    if (!found.objects.empty()) {
        session.ui().Clear();
        if (!ws.AddDetectedObjects(found.objects, d.type)) return fail("nothing added");
        // The tool never asks: the project keeps the author it has.
        ws.SetUserNameAsked(true);
        if (ws.Save(ws.project().projectPath) != kOk || !session.ui().diagnostics.empty()) {
            return fail("not saved");
        }
    }
    result.out = PathToUtf8(path) + ": " + summary + " added\n";
    return result;
}

}  // namespace

bool TakeDetectSwitch(std::string_view name, DetectOptions& options) {
    if (name == "--exclude-edges") {
        options.excludeEdges = true;
    } else if (name == "--split") {
        options.split = true;
    } else if (name == "--dry-run") {
        options.dryRun = true;
    } else {
        return false;
    }
    return true;
}

bool TakeDetectOption(std::string_view name, std::string_view value, DetectOptions& options,
                      std::string& error) {
    error.clear();
    const auto wrong = [&](std::string text) {
        error = std::move(text);
        return false;
    };
    if (name == "--type") {
        if (!ParseWhole(value, options.type) || options.type < 1 || options.type > 256) {
            return wrong("--type must be a type number from 1 to 256");
        }
    } else if (name == "--threshold") {
        if (value == "isodata") {
            options.method = ThresholdMethod::kIsoData;
        } else if (value == "otsu") {
            options.method = ThresholdMethod::kOtsu;
        } else if (ParseWhole(value, options.level) && options.level >= 0 &&
                   options.level <= 65535) {
            options.method = ThresholdMethod::kValue;
        } else {
            return wrong("--threshold must be isodata, otsu or a value from 0 to 65535");
        }
    } else if (name == "--objects") {
        if (value != "dark" && value != "light") return wrong("--objects must be dark or light");
        options.darkObjects = value == "dark";
    } else if (name == "--channel") {
        if (value == "grey") {
            options.channel = SampleChannel::kLuminance;
        } else if (value == "red") {
            options.channel = SampleChannel::kRedChannel;
        } else if (value == "green") {
            options.channel = SampleChannel::kGreenChannel;
        } else if (value == "blue") {
            options.channel = SampleChannel::kBlueChannel;
        } else {
            return wrong("--channel must be grey, red, green or blue");
        }
    } else if (name == "--min-area" || name == "--max-area") {
        double area = 0.0;
        if (!ParseNumber(value, area) || area < 0.0) {
            return wrong(std::string(name) + " must be an area of 0 or more");
        }
        (name == "--min-area" ? options.minArea : options.maxArea) = area;
    } else if (name == "--min-circularity") {
        if (!ParseNumber(value, options.minCircularity) || options.minCircularity < 0.0 ||
            options.minCircularity > 1.0) {
            return wrong("--min-circularity must be a number from 0 to 1");
        }
    } else {
        return false;
    }
    return true;
}

std::string CheckDetectOptions(const DetectOptions& options) {
    if (options.type == 0) return "detect needs --type";
    if (options.minArea > options.maxArea) return "--min-area is larger than --max-area";
    return {};
}

int RunDetect(const Options& options, const std::string& dataDir, std::ostream& out,
              std::ostream& err) {
    return RunProjects(
        options, dataDir,
        [&](Session& session, std::size_t index) {
            return DetectProject(session, options, options.projects[index]);
        },
        out, err, WantsProgress(options.projects.size()));
}

}  // namespace kvx::batch
