#include "core/workspace/tools/tool_list.hpp"

#include "core/workspace/tools/measure_tool.hpp"
#include "core/workspace/tools/modify_tool.hpp"
#include "core/workspace/tools/pan_tool.hpp"
#include "core/workspace/tools/wand_tool.hpp"
#include "core/workspace/tools/zoom_tool.hpp"

namespace kvx {

std::vector<std::unique_ptr<MouseTool>> MakeMouseTools(Workspace& workspace) {
    std::vector<std::unique_ptr<MouseTool>> tools;
    tools.push_back(std::make_unique<ZoomTool>(workspace));
    tools.push_back(std::make_unique<MeasureTool>(workspace));
    tools.push_back(std::make_unique<ModifyTool>(workspace));
    tools.push_back(std::make_unique<PanTool>(workspace));
    tools.push_back(std::make_unique<WandTool>(workspace));
    return tools;
}

}  // namespace kvx
