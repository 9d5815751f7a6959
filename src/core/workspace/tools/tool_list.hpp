#pragma once

#include <memory>
#include <vector>

#include "core/workspace/tools/mouse_tool.hpp"

namespace kvx {

/// Every mouse tool of the workspace; the first is active when no mode is on.
std::vector<std::unique_ptr<MouseTool>> MakeMouseTools(Workspace& workspace);

}  // namespace kvx
