#include "core/workspace/session.hpp"

#include "core/picture/picture_loader.hpp"
#include "core/program/config.hpp"
#include "core/program/error_report.hpp"
#include "core/program/program.hpp"
#include "core/program/startup.hpp"
#include "core/program/view_settings.hpp"
#include "core/project/object_type_file.hpp"
#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

bool IsAbsolute(std::string_view path) {
    return !path.empty() && path.front() == '/';
}

std::string UpperTail(std::string_view text, std::size_t count) {
    std::string tail(text.substr(text.size() >= count ? text.size() - count : 0));
    for (char& c : tail) c = UpperAscii(c);
    return tail;
}

}  // namespace

int32_t StartUp(Workspace& workspace, StartupState& state, const StartupArguments& arguments) {
    Program& program = workspace.program();
    Settings& settings = program.settings;

    if (StartProgram(program, state, arguments) != 0) return state.step;
    state.step = 9;
    if (workspace.CreateHistory() != kOk) return state.step;
    state.step = 0;

    state.caption = WindowCaption(program);
    const WindowRect saved{settings.WindowLeft, settings.WindowTop, settings.WindowWidth,
                           settings.WindowHeight};
    state.window =
        arguments.screens.empty()
            ? FitWindowRect(saved, arguments.screenWidth, arguments.screenHeight)
            : FitWindowRect(saved, arguments.screens[NearestScreen(saved, arguments.screens)]);
    if (state.firstStart && arguments.freeArea.width > 0 && arguments.freeArea.height > 0) {
        // Still fitted: the designed size may not fit a small screen's free area.
        const WindowRect first = FirstStartRect(arguments.freeArea, saved);
        state.window =
            arguments.screens.empty()
                ? FitWindowRect(first, arguments.screenWidth, arguments.screenHeight)
                : FitWindowRect(first, arguments.screens[NearestScreen(first, arguments.screens)]);
    }

    // LoadObjectTypes shows its own errors; a failure leaves the program
    // running without the started flag, so nothing is written back at exit.
    if (LoadObjectTypes(program, settings.ObjectTypeFile)) {
        if (workspace.ResetViewToWorld()) {
            workspace.FillTypeSelector(true);
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
        return workspace.fileState() != kNoProject;
    }
    return false;
}

bool ShutDown(Workspace& workspace, StartupState& state, const WindowRect& window, bool mayRefuse) {
    Program& program = workspace.program();
    if (workspace.history().IsValid() && workspace.AskSaveChanges() == kAnswerCancel && mayRefuse) {
        return false;
    }
    if (state.started == 0) return true;

    if (const ErrorCode code = SaveObjectTypes(program, program.settings.ObjectTypeFile);
        code != kOk) {
        ShowError(program);
    }
    workspace.ReleaseHistory();
    Settings& settings = program.settings;
    settings.WindowLeft = window.left;
    settings.WindowTop = window.top;
    settings.WindowWidth = window.width;
    settings.WindowHeight = window.height;
    (void)ReadWriteConfig(program, true);
    (void)WriteViewSettings(program);
    state.started = 0;
    return true;
}

}  // namespace kvx
