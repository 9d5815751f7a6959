#pragma once

#include "cli/batch_commands.hpp"

namespace kvx::batch {

/// The Qt painter and font metrics for raster pictures. Needs a
/// QGuiApplication (the offscreen platform is enough).
RenderBackend QtRenderBackend();

}  // namespace kvx::batch
