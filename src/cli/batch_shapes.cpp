#include "cli/batch_shapes.hpp"

#include <memory>

#include "cli/batch_session.hpp"
#include "core/detect/measured_picture.hpp"
#include "core/detect/shape_table.hpp"
#include "core/draw/recording.hpp"
#include "core/draw/text_metrics.hpp"
#include "core/export/object_table_text.hpp"
#include "core/picture/picture.hpp"

namespace kvx::batch {

namespace {

// The points lie on the picture as it is shown once it is loaded, so the
// picture is loaded as the window's first redraw loads it, at its full
// resolution for the values inside the outlines.
bool LoadFullPicture(Session& session) {
    Workspace& ws = session.workspace();
    ws.SetDisplayFieldPixels(0);
    const ApproxTextMetrics metrics;
    const auto side = static_cast<int32_t>(ws.project().view.surfaceSize);
    Recording scratch(side, side, metrics);
    session.ui().Clear();
    const bool drawn = ws.DrawPictureLayer(scratch);
    return drawn && ws.project().picture && !ws.project().picture->Reduced() &&
           session.ui().diagnostics.empty();
}

}  // namespace

std::string ShapesHeader() {
    return ObjectTableCsvHeader();
}

ProjectResult ShapesProject(Session& session, const std::string& path) {
    ProjectResult result;
    if (!session.Load(path)) {
        result.failed = true;
        result.err = PathToUtf8(path) + ": cannot be read\n";
        for (const std::string& line : DescribeDiagnostics(session.ui().diagnostics, path)) {
            result.err += "  " + line + "\n";
        }
        return result;
    }
    Workspace& ws = session.workspace();
    const Program& program = session.program();
    ShapeSamples samples;
    std::shared_ptr<const Picture> measured;
    if (LoadFullPicture(session)) {
        measured = PictureInOwnValues(program, ws.project().imagePath, ws.project().picture);
        if (measured) samples.samples = SamplesOf(*measured);
        samples.pixelsPerMicrometre = ws.project().resolutionDpi / 25400.0;
        if (!samples.samples.Valid()) {
            result.failed = true;
            result.err = PathToUtf8(path) +
                         ": the picture's own values cannot be read whole: "
                         "the grey and colour values are left empty\n";
        }
    } else {
        // The outlines are still described; a missing value must not pass
        // for a measured one, so the run fails.
        result.failed = true;
        result.err = PathToUtf8(path) +
                     ": the picture cannot be read: the grey and colour values are left empty\n";
        for (const std::string& line : DescribeDiagnostics(session.ui().diagnostics, path)) {
            result.err += "  " + line + "\n";
        }
    }

    result.out += ObjectTableCsvRows(PathToUtf8(path), PathToUtf8(ws.project().imagePath),
                                     DescribeObjects(ws.history(), program.objectTypes, samples),
                                     program.objectTypes, program.settings.Language,
                                     program.settings.TableUnit);
    return result;
}

}  // namespace kvx::batch
