#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/batch_options.hpp"
#include "cli/batch_ui.hpp"
#include "core/program/program.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx::batch {

/// One job of the batch tool: a program and a workspace of its own, started
/// the way the window starts, reused for one project after another. Jobs
/// share nothing, so several can run side by side.
class Session {
public:
    /// dataDir: the folder with the message, error-text and object-type files.
    Session(const Options& options, std::string dataDir);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// The start-up steps without a window: error stack, texts, error
    /// tables, configuration, the options' overrides, `history` and the
    /// object types. False with the reason (UTF-8) when the tool cannot run.
    [[nodiscard]] bool Start(std::string& failure);

    /// Reads a project as the Load command does, without asking anything and
    /// without drawing. False when it could not be read; ui().diagnostics
    /// then says why. The diagnostics of the previous project are dropped.
    [[nodiscard]] bool Load(const std::string& path);

    /// The user types of the open project that the text exports write, in
    /// slot order.
    std::vector<int32_t> ExportedTypes() const;

    /// The open project's picture as tables name it: the way the project
    /// was named when it was loaded (beside it, from the folder its name
    /// gives; else absolute for an absolute project name, relative to the
    /// current folder for a relative one). Empty without a picture.
    std::string PicturePath() const;

    Program& program() { return program_; }
    Workspace& workspace() { return workspace_; }
    BatchUserInterface& ui() { return ui_; }
    const Options& options() const { return options_; }

private:
    const Options& options_;
    BatchUserInterface ui_;
    Program program_;
    Workspace workspace_;
    std::string loadedAs_;
};

/// The diagnostics of ui as lines of UTF-8 text: the code, the catalogue's
/// text, the detail, and for a line of projectPath its line number.
std::vector<std::string> DescribeDiagnostics(const std::vector<Diagnostic>& diagnostics,
                                             const std::string& projectPath);

/// Text for the terminal: core text (Windows-1252) as UTF-8.
std::string CoreToUtf8(std::string_view text);
/// A name from the file system for the terminal: kept when it is UTF-8
/// already, else read as Windows-1252.
std::string PathToUtf8(std::string_view path);

}  // namespace kvx::batch
