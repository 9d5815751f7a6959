#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "cli/batch_options.hpp"
#include "core/draw/text_metrics.hpp"
#include "core/picture/picture.hpp"

namespace kvx {
class Recording;
}

namespace kvx::batch {

/// What the tool can draw with beyond the core: real font metrics and a
/// painter that turns a recorded surface into pixels. Without them texts
/// are measured approximately and raster pictures cannot be made.
struct RenderBackend {
    std::shared_ptr<const TextMetrics> metrics;
    /// Paints recording stretched onto a side × side picture.
    std::function<bool(const Recording& recording, int32_t side, PixelImage& image)> rasterize;
};

/// Runs the command of options; returns the exit status. out and err get
/// UTF-8 text.
int RunCommand(const Options& options, const std::string& dataDir, const RenderBackend& backend,
               std::ostream& out, std::ostream& err);

/// The file an export of kind writes for project index of options
/// (extension included); empty for the screen report.
std::string ExportTarget(const Options& options, std::size_t index);

}  // namespace kvx::batch
