#include "core/workspace/main_layout.hpp"

#include <algorithm>

namespace kvx {

namespace {

// Room the window keeps below its bottom edge for the task bar.
constexpr int32_t kScreenBottomReserve = 28;
// What the window's frame, menu and toolbar take from its height.
constexpr int32_t kFieldHeightAllowance = 128;
constexpr int32_t kValueGridBottomAllowance = 92;
constexpr int32_t kFieldTop = 36;
constexpr int32_t kFieldLeft = 3;
constexpr int32_t kDataGridTop = 33;
constexpr int32_t kGridGap = 8;
constexpr int32_t kButtonGap = 5;
constexpr int32_t kStatusFrame = 16;

int32_t WidthAllowance(int32_t performanceMode) {
    switch (performanceMode) {
        case 1:
            return 20;
        case 2:
            return 40;
        default:
            return 0;
    }
}

int32_t GridAllowance(int32_t performanceMode) {
    switch (performanceMode) {
        case 1:
            return 5;
        case 2:
            return 15;
        default:
            return 0;
    }
}

}  // namespace

MainLayout ComputeMainLayout(const MainLayoutInput& in) {
    MainLayout out;
    int32_t height = in.windowHeight;
    if (in.screenHeight > 0 && height > in.screenHeight - kScreenBottomReserve) {
        out.heightCut = true;
        height = in.screenHeight - kScreenBottomReserve;
    }
    out.windowHeight = height;

    const int32_t field = std::max(height - kFieldHeightAllowance, 0);
    out.MainPB = {kFieldLeft, kFieldTop, field, field};

    // The size limits of the window hold here as for any other resize.
    out.windowWidth = std::clamp(in.dataGridWidth + field + WidthAllowance(in.performanceMode),
                                 kMainMinWidth, kMainMaxWidth);

    const int32_t gridLeft = out.MainPB.Right() + kGridGap;
    out.DGrid = {gridLeft, kDataGridTop, in.dataGridWidth,
                 std::max(field - in.valueGridHeight - GridAllowance(in.performanceMode), 0)};
    out.vGrid = {gridLeft, height - kValueGridBottomAllowance - in.valueGridHeight,
                 in.valueGridWidth, in.valueGridHeight};
    out.cbo = {gridLeft, 4, in.dataGridWidth, in.cboHeight};
    out.BitBtn7 = {gridLeft - 50, 3, in.bitBtn7Width, in.bitBtn7Width};

    if (in.measureFieldEnlarge > 100) {
        const int32_t enlarged = out.MainPB.height / 100 * in.measureFieldEnlarge;
        out.MainPB.height = enlarged;
        out.MainPB.width = enlarged;
    }

    // A button that does not fit is skipped; a narrower one after it may still.
    int32_t x = in.bevel7Right + 10;
    for (int i = 0; i < kFunctionButtons; ++i) {
        const int32_t width = in.buttonWidths[static_cast<std::size_t>(i)];
        if (x + width + kButtonGap < out.BitBtn7.left - kButtonGap) {
            out.functionButtons[static_cast<std::size_t>(i)] = x;
            x += width + kButtonGap;
        }
    }

    out.statusBarWidth = out.windowWidth - kStatusFrame;
    const int32_t unit = out.statusBarWidth / 20;
    out.panelWidths = {4 * unit, 2 * unit, 3 * unit, 5 * unit, out.statusBarWidth - 14 * unit};
    return out;
}

}  // namespace kvx
