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
constexpr int32_t kButtonTop = 3;
constexpr int32_t kGridGap = 8;
constexpr int32_t kButtonGap = 5;
constexpr int32_t kStatusFrame = 16;
// The margin kept right of the rightmost component, as left of the field.
constexpr int32_t kRightMargin = kFieldLeft;
// The selector gives up width before the window grows past its smallest
// size, down to room for a type's number, name and data type.
constexpr int32_t kMinSelectorWidth = 160;

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

    // The allowance assumes a frame, menu and status bar of usual height; a
    // taller one must not cover the bottom of the field and the grids.
    int32_t bottom = height - kValueGridBottomAllowance;
    if (in.menuBarHeight > 0 || in.statusBarHeight > 0) {
        bottom = std::min(bottom, height - in.frameHeight - in.menuBarHeight - in.statusBarHeight);
    }
    const int32_t field = std::max(std::min(height - kFieldHeightAllowance, bottom - kFieldTop), 0);
    out.MainPB = {kFieldLeft, kFieldTop, field, field};

    const int32_t gridLeft = out.MainPB.Right() + kGridGap;
    // Beside a small field the grids start left of the end of the picture
    // buttons; the copy button and the selector then move right instead of
    // covering them, and the value grid starts below the buttons.
    out.BitBtn7 = {std::max(gridLeft - 50, in.bevel7Right + kButtonGap), kButtonTop,
                   in.bitBtn7Width, in.bitBtn7Width};
    const int32_t selectorLeft = std::max(gridLeft, out.BitBtn7.Right() + kButtonGap);
    const int32_t gridTop = out.BitBtn7.Right() > gridLeft
                                ? std::max(kDataGridTop, kButtonTop + in.bitBtn7Width)
                                : kDataGridTop;
    out.DGrid = {gridLeft, gridTop, in.dataGridWidth,
                 std::max(field - in.valueGridHeight - GridAllowance(in.performanceMode), 0)};
    out.vGrid = {gridLeft, bottom - in.valueGridHeight, in.valueGridWidth, in.valueGridHeight};

    // The size limits of the window hold here as for any other resize; within
    // them the frame must leave room for the grids and the selector.
    const int32_t gridsRight = std::max(out.DGrid.Right(), out.vGrid.Right()) + kRightMargin;
    const int32_t needed =
        std::max(gridsRight, selectorLeft + kMinSelectorWidth + kRightMargin) + in.frameWidth;
    out.windowWidth =
        std::clamp(std::max(in.dataGridWidth + field + WidthAllowance(in.performanceMode), needed),
                   kMainMinWidth, kMainMaxWidth);
    const int32_t clientRight = out.windowWidth - in.frameWidth - kRightMargin;
    out.cbo = {selectorLeft, 4, std::max(std::min(in.dataGridWidth, clientRight - selectorLeft), 0),
               in.cboHeight};

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
    out.readoutWidth = static_cast<int32_t>(int64_t{out.statusBarWidth} *
                                            std::clamp(in.readoutPercent, 0, 80) / 100);
    const int32_t panels = out.statusBarWidth - out.readoutWidth;
    const int32_t unit = panels / 20;
    out.panelWidths = {4 * unit, 2 * unit, 3 * unit, 5 * unit, panels - 14 * unit};
    return out;
}

std::vector<int32_t> FitPanelWidths(std::vector<int32_t> widths,
                                    const std::vector<int32_t>& needed) {
    if (needed.size() != widths.size()) return widths;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        int32_t lacking = needed[i] - widths[i];
        while (lacking > 0) {
            std::size_t donor = widths.size();
            int32_t most = 0;
            for (std::size_t j = 0; j < widths.size(); ++j) {
                const int32_t room = widths[j] - std::max(needed[j], 0);
                if (j != i && room > most) {
                    most = room;
                    donor = j;
                }
            }
            if (donor == widths.size()) break;
            const int32_t taken = std::min(lacking, most);
            widths[donor] -= taken;
            widths[i] += taken;
            lacking -= taken;
        }
    }
    return widths;
}

}  // namespace kvx
