#include "core/program/startup.hpp"

#include <algorithm>
#include <cstdint>

#include "core/program/config.hpp"
#include "core/program/program.hpp"
#include "core/program/shell_folders.hpp"
#include "core/program/view_settings.hpp"
#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {
// The window's bottom edge keeps this far from the screen's, for the task bar.
constexpr int64_t kBottomMargin = 35;

constexpr const char* kSharedErrors = "ZSYSTEM";
constexpr const char* kSharedMessages = "ZNB2WIN2";
constexpr const char* kProgramMessages = "KX18.MSG";
constexpr const char* kProgramErrors = "korvanix.err";

ErrorCode LoadMessageFile(Program& program, std::string_view name, bool keepExisting) {
    const int language = program.settings.Language;
    return program.messages.LoadMessageFile(name, keepExisting, BaseLetter(language), language,
                                            program.programDir);
}

// Runs the numbered steps; returns the failing one.
int32_t RunSteps(Program& program, StartupState& state, const StartupArguments& arguments) {
    Settings& settings = program.settings;

    state.step = 1;
    if (!program.InitErrorStack()) return state.step;

    state.step = 2;
    if (program.errorTable.LoadErrorTable(kSharedErrors, program.programDir) != kOk ||
        LoadMessageFile(program, kSharedMessages, true) != kOk) {
        return state.step;
    }

    state.step = 3;
    if (arguments.screenWidth < kMinScreenWidth || arguments.screenHeight < kMinScreenHeight) {
        return state.step;
    }

    state.step = 4;
    if (LoadMessageFile(program, "", false) != kOk) return state.step;
    state.step = 5;
    if (LoadMessageFile(program, kProgramMessages, true) != kOk) return state.step;
    state.step = 6;
    if (program.errorTable.LoadErrorTable(kProgramErrors, program.programDir) != kOk) {
        return state.step;
    }

    const uint8_t language = settings.Language;
    LocateShellFolders(program, true, kConfigSubFolder);
    if (!program.configDir.empty()) {
        std::string configFile = JoinPath(program.configDir, kConfigFileName);
        if (FileExists(configFile, 4096, false, {})) {
            // A rejected item stays recorded for the next error display.
            (void)ReadWriteConfig(program, false);
        } else {
            state.firstStart = true;
        }
        ReadViewSettings(program);
    } else {
        state.firstStart = true;
    }
    if (settings.Language != language) {
        state.step = 7;
        if (LoadMessageFile(program, "", false) != kOk) return state.step;
        state.step = 8;
        if (LoadMessageFile(program, kProgramMessages, true) != kOk) return state.step;
    }

    state.step = 0;
    return 0;
}

}  // namespace

WindowRect FitWindowRect(WindowRect rect, int32_t screenWidth, int32_t screenHeight) {
    // A window saved left of or above the screen would open where nobody can
    // reach it.
    rect.left = std::max(rect.left, 0);
    rect.top = std::max(rect.top, 0);
    // Sums in 64 bits: the rectangle comes from a file and may hold anything.
    const int64_t bottomLimit = int64_t{screenHeight} - kBottomMargin;
    if (int64_t{rect.top} + rect.height > bottomLimit && rect.top > 1) {
        rect.top = static_cast<int32_t>(std::max<int64_t>(bottomLimit - rect.height, 1));
    }
    if (int64_t{rect.top} + rect.height > bottomLimit) {
        rect.height = static_cast<int32_t>(bottomLimit - rect.top);
    }
    if (int64_t{rect.left} + rect.width > screenWidth && rect.left > 1) {
        rect.left = static_cast<int32_t>(std::max<int64_t>(int64_t{screenWidth} - rect.width, 1));
    }
    if (int64_t{rect.left} + rect.width > screenWidth) {
        rect.width = static_cast<int32_t>(int64_t{screenWidth} - rect.left);
    }
    return rect;
}

WindowRect FitWindowRect(WindowRect rect, const WindowRect& screen) {
    const auto shifted = [](int64_t value) {
        return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    };
    rect.left = shifted(int64_t{rect.left} - screen.left);
    rect.top = shifted(int64_t{rect.top} - screen.top);
    rect = FitWindowRect(rect, screen.width, screen.height);
    rect.left = shifted(int64_t{rect.left} + screen.left);
    rect.top = shifted(int64_t{rect.top} + screen.top);
    return rect;
}

WindowRect FirstStartRect(const WindowRect& freeArea, const WindowRect& minimum) {
    const auto side = [](int32_t area, int32_t least) {
        const int32_t wanted = std::max(static_cast<int32_t>(int64_t{area} * 4 / 5), least);
        return std::min(wanted, std::max(area, least));
    };
    WindowRect rect;
    rect.width = side(freeArea.width, minimum.width);
    rect.height = side(freeArea.height, minimum.height);
    rect.left = static_cast<int32_t>(
        freeArea.left + std::max<int64_t>(0, (int64_t{freeArea.width} - rect.width) / 2));
    rect.top = static_cast<int32_t>(
        freeArea.top + std::max<int64_t>(0, (int64_t{freeArea.height} - rect.height) / 2));
    return rect;
}

std::size_t NearestScreen(const WindowRect& rect, const std::vector<WindowRect>& screens) {
    // Overlap counts first; without any, the smallest gap between the two.
    const auto span = [](int64_t a0, int64_t a1, int64_t b0, int64_t b1) {
        return std::min(a1, b1) - std::max(a0, b0);
    };
    std::size_t best = 0;
    int64_t bestOverlap = -1;
    int64_t bestGap = INT64_MAX;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const WindowRect& s = screens[i];
        const int64_t w =
            span(rect.left, int64_t{rect.left} + rect.width, s.left, int64_t{s.left} + s.width);
        const int64_t h =
            span(rect.top, int64_t{rect.top} + rect.height, s.top, int64_t{s.top} + s.height);
        const int64_t overlap = w > 0 && h > 0 ? w * h : 0;
        const int64_t gap = std::max<int64_t>(-w, 0) + std::max<int64_t>(-h, 0);
        if (overlap > bestOverlap || (overlap == 0 && bestOverlap == 0 && gap < bestGap)) {
            best = i;
            bestOverlap = overlap;
            bestGap = gap;
        }
    }
    return best;
}

std::string StartupFailureText(int32_t step) {
    return "Error " + IntToStr(step) + "' occurred while starting the programme.";
}

std::string WindowCaption(const Program& program) {
    return std::string(kApplicationTitle) + " " + IntToStr(program.version.major) + "." +
           IntToStr(program.version.minor);
}

int32_t StartProgram(Program& program, StartupState& state, const StartupArguments& arguments) {
    program.settings.Language = 1;
    state.started = 0;
    return RunSteps(program, state, arguments);
}

}  // namespace kvx
