#include "core/app/startup.hpp"

#include <algorithm>
#include <cctype>

#include "core/app/config.hpp"
#include "core/app/error_report.hpp"
#include "core/app/program.hpp"
#include "core/app/shell_folders.hpp"
#include "core/app/workspace.hpp"
#include "core/draw/picture_loader.hpp"
#include "core/project/object_type_file.hpp"
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

bool IsAbsolute(std::string_view path) {
    return !path.empty() && path.front() == '/';
}

std::string UpperTail(std::string_view text, std::size_t count) {
    std::string tail(text.substr(text.size() >= count ? text.size() - count : 0));
    for (char& c : tail) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return tail;
}

// Runs the numbered steps; returns the failing one.
int32_t RunSteps(Workspace& workspace, StartupState& state, const StartupArguments& arguments) {
    Program& program = workspace.program();
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
        }
    }
    if (settings.Language != language) {
        state.step = 7;
        if (LoadMessageFile(program, "", false) != kOk) return state.step;
        state.step = 8;
        if (LoadMessageFile(program, kProgramMessages, true) != kOk) return state.step;
    }

    state.step = 9;
    if (workspace.CreateHistory() != kOk) return state.step;

    state.step = 0;
    return 0;
}

}  // namespace

WindowRect FitWindowRect(WindowRect rect, int32_t screenWidth, int32_t screenHeight) {
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

std::string StartupFailureText(int32_t step) {
    return "Error " + IntToStr(step) + "' occurred while starting the programme.";
}

std::string WindowCaption(const Program& program) {
    return std::string(kApplicationTitle) + " " + IntToStr(program.version.major) + "." +
           IntToStr(program.version.minor);
}

int32_t StartUp(Workspace& workspace, StartupState& state, const StartupArguments& arguments) {
    Program& program = workspace.program();
    Settings& settings = program.settings;

    settings.Language = 1;
    state.started = 0;
    if (RunSteps(workspace, state, arguments) != 0) return state.step;

    state.caption = WindowCaption(program);
    state.window = FitWindowRect(
        {settings.WindowLeft, settings.WindowTop, settings.WindowWidth, settings.WindowHeight},
        arguments.screenWidth, arguments.screenHeight);

    // LoadObjectTypes shows its own errors; a failure leaves the program
    // running without the started flag, so nothing is written back at exit.
    if (LoadObjectTypes(program, settings.ObjectTypeFile)) {
        if (workspace.ResetViewToWorld()) {
            workspace.FillTypeSelector();
            workspace.cboIndex = 0;
            state.started = 1;
            settings.RecVecType = 0;
        } else {
            ShowError(program);
        }
    }

    OpenCommandLineFile(workspace, arguments.file);
    return 0;
}

bool OpenCommandLineFile(Workspace& workspace, std::string_view argument) {
    if (argument.empty()) return false;
    const Program& program = workspace.program();
    // The process's current directory is left alone, so a relative name is
    // taken against the directory the program was started in.
    std::string path =
        IsAbsolute(argument) ? std::string(argument) : JoinPath(program.startDir, argument);
    if (DirectoryExists(path) || !FileExists(path, 4096, false, {})) return false;

    const std::string directory = ExtractFileDir(path);
    const std::string name = ExtractFileName(path);
    const std::string kind = UpperTail(path, 3);
    if (kind == "KXP") return workspace.LoadProject(name, directory);
    // A file manager hands over ".jpeg" and ".gif" files as well.
    if (PictureFormatOf(path) != PictureFormat::kUnknown) {
        workspace.NewProject(name, directory);
        return workspace.fileState != kNoProject;
    }
    return false;
}

bool ShutDown(Workspace& workspace, StartupState& state, const WindowRect& window, bool mayRefuse) {
    Program& program = workspace.program();
    if (workspace.history.IsValid() && workspace.AskSaveChanges() == kAnswerCancel && mayRefuse) {
        return false;
    }
    if (state.started == 0) return true;

    if (const ErrorCode code = SaveObjectTypes(program, program.settings.ObjectTypeFile);
        code != kOk) {
        ShowError(program);
    }
    workspace.history.Release();
    Settings& settings = program.settings;
    settings.WindowLeft = window.left;
    settings.WindowTop = window.top;
    settings.WindowWidth = window.width;
    settings.WindowHeight = window.height;
    (void)ReadWriteConfig(program, true);
    state.started = 0;
    return true;
}

}  // namespace kvx
