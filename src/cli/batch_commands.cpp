#include "cli/batch_commands.hpp"

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <streambuf>
#include <system_error>

#include "cli/batch_runner.hpp"
#include "cli/batch_session.hpp"
#include "cli/batch_shapes.hpp"
#include "cli/batch_stats.hpp"
#include "core/draw/picture_display.hpp"
#include "core/draw/recording.hpp"
#include "core/draw/text_metrics.hpp"
#include "core/export/bmp_writer.hpp"
#include "core/export/jpeg_writer.hpp"
#include "core/export/picture_file.hpp"
#include "core/export/text_export.hpp"
#include "core/export/wmf_writer.hpp"
#include "core/program/error_report.hpp"
#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/text_file.hpp"
#include "core/support/version.hpp"

namespace kvx::batch {

namespace {

// The system's own words for an error number.
std::string Reason(int32_t error) {
    return std::generic_category().message(error != 0 ? error : EIO);
}

// Writes a stream into a file being replaced; the first failure's reason is
// kept, before later calls can overwrite it.
class ReplacementBuffer : public std::streambuf {
public:
    explicit ReplacementBuffer(FileReplacement& file) : file_(file) {}
    int32_t Failure() const { return failure_; }

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return Put(std::string_view(&byte, 1)) ? c : traits_type::eof();
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        return Put(std::string_view(text, static_cast<std::size_t>(count))) ? count : 0;
    }

private:
    bool Put(std::string_view bytes) {
        if (file_.File().Write(bytes)) return true;
        if (failure_ == 0) failure_ = LastIoResult() != 0 ? LastIoResult() : EIO;
        return false;
    }

    FileReplacement& file_;
    int32_t failure_ = 0;
};

// Standard output, or the file of -o: a file that cannot be created or
// written completely is a failure, never a silent partial table, and a table
// that was there before stays until the new one is complete.
class OutputSink {
public:
    explicit OutputSink(std::ostream& out) : stream_(&out) {}

    bool Open(const std::string& path, std::ostream& err) {
        if (path.empty() || path == "-") return true;
        path_ = path;
        if (file_.Begin(path) != kOk) {
            err << "korvanix-batch: cannot create " << PathToUtf8(path) << ": "
                << Reason(LastIoResult()) << "\n";
            return false;
        }
        fileStream_.rdbuf(&buffer_);
        stream_ = &fileStream_;
        return true;
    }
    std::ostream& Stream() { return *stream_; }
    // keep false throws the new content away (the previous file stays).
    bool Close(std::ostream& err, bool keep = true) {
        if (path_.empty()) return true;
        if (!keep) {
            file_.Discard();
            return true;
        }
        int32_t failure = buffer_.Failure();
        if (failure == 0 && fileStream_.good()) {
            if (file_.Commit() == kOk) return true;
            failure = LastIoResult();
        }
        file_.Discard();
        err << "korvanix-batch: cannot write " << PathToUtf8(path_) << ": " << Reason(failure)
            << "\n";
        return false;
    }

private:
    std::ostream* stream_;
    FileReplacement file_;
    ReplacementBuffer buffer_{file_};
    std::ostream fileStream_{nullptr};
    std::string path_;
};

// A folder of its own in the system's temporary folder, for a file that is
// made only to be passed on to standard output.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code error;
        std::string pattern =
            (std::filesystem::temp_directory_path(error) / "korvanix-batch-XXXXXX").string();
        if (error) pattern = "/tmp/korvanix-batch-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        } else {
            failure_ = errno;
        }
    }
    ~ScratchFolder() {
        std::error_code error;
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Made(std::ostream& err) const {
        if (!path_.empty()) return true;
        err << "korvanix-batch: cannot make a temporary folder: " << Reason(failure_) << "\n";
        return false;
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    int32_t failure_ = 0;
};

// The bytes of a file made in a scratch folder; false with the reason in err.
bool ReadWhole(const std::string& path, std::string& bytes, std::string& err) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        err = "korvanix-batch: cannot read " + PathToUtf8(path) + ": " + Reason(errno) + "\n";
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        err = "korvanix-batch: cannot read " + PathToUtf8(path) + ": " + Reason(errno) + "\n";
        return false;
    }
    return true;
}

std::string FailureText(Session& session, const std::string& path, std::string_view headline) {
    std::string text = PathToUtf8(path) + ": " + std::string(headline) + "\n";
    for (const std::string& line : DescribeDiagnostics(session.ui().diagnostics, path)) {
        text += "  " + line + "\n";
    }
    return text;
}

ProjectResult CheckProject(Session& session, const std::string& path) {
    ProjectResult result;
    if (!session.Load(path)) {
        result.failed = true;
        result.out = FailureText(session, path, "FAILED");
        if (session.ui().diagnostics.empty()) result.out += "  cannot be read\n";
        return result;
    }
    // A project is only usable with its picture: it is loaded as the first
    // redraw of the window loads it, and whatever that reports fails it.
    Workspace& ws = session.workspace();
    const ApproxTextMetrics metrics;
    const auto side = static_cast<int32_t>(ws.project().view.surfaceSize);
    Recording scratch(side, side, metrics);
    const bool drawn = ws.DrawFullPicture(scratch);
    if (!drawn || !session.ui().diagnostics.empty()) {
        result.failed = true;
        result.out = FailureText(session, path, "FAILED");
        if (session.ui().diagnostics.empty()) result.out += "  the picture cannot be read\n";
        return result;
    }
    result.out = FailureText(session, path, "OK");
    return result;
}

// The rows one project adds to a table, named by its path as given.
using TableRows = std::string (*)(Session& session, std::string_view projectName);

ProjectResult TableProject(Session& session, const std::string& path, TableRows rows) {
    ProjectResult result;
    if (!session.Load(path)) {
        result.failed = true;
        result.err = FailureText(session, path, "cannot be read");
        return result;
    }
    result.out = rows(session, PathToUtf8(path));
    return result;
}

// The work for one project of a table: reading it and giving its rows.
using TableWork = std::function<ProjectResult(Session& session, const std::string& path)>;

TableWork TableOf(TableRows rows) {
    return [rows](Session& session, const std::string& path) {
        return TableProject(session, path, rows);
    };
}

ProjectResult ExportProject(Session& session, const std::string& path, const std::string& target) {
    ProjectResult result;
    const Options& options = session.options();
    const int32_t kind = options.exportKind;
    if (!session.Load(path)) {
        result.failed = true;
        result.err = FailureText(session, path, "cannot be read");
        return result;
    }
    Workspace& ws = session.workspace();
    Program& program = session.program();
    BatchUserInterface& ui = session.ui();
    const std::vector<int32_t> types = session.ExportedTypes();
    // A project that gives no file is a failure of the run: a script must
    // not take a missing file for a written one.
    if (types.empty()) {
        result.failed = true;
        result.err = PathToUtf8(path) + ": nothing exported: no object type with values\n";
        return result;
    }

    ui.askOrder.clear();
    for (const int32_t n : types) {
        ui.askOrder.push_back({n, program.objectTypes.At(n).Name(program.settings.Language)});
    }
    // As a person would, the first exported type is chosen before the
    // export; the class width of the report and Tessaplot file starts there.
    ws.SetCurrentType(types.front());
    ws.StatisticsPass();
    const bool classWidthMissing =
        (kind == kExportReport || kind == kExportTessaplot) && !(ws.ClassWidth() > 0.0);

    ui.PrepareExport(target, options.types);
    ui.Clear();
    // Nothing is shown, so the redraw that ends an export only counts.
    ws.SetRedrawCount(0);
    ws.DoWriteFile(kind);

    if (!ui.diagnostics.empty()) {
        result.failed = true;
        result.err = FailureText(session, path, "export failed");
        return result;
    }
    if (kind == kExportScreen) {
        result.out = CoreToUtf8(ui.screenCaption) + "\n";
        for (const std::string& line : ui.screenLines) result.out += CoreToUtf8(line) + "\n";
        result.out += "\n";
    } else if (classWidthMissing) {
        result.failed = true;
        result.err = PathToUtf8(path) + ": nothing exported: the class width is 0\n";
    } else if ((kind == kExportTessaplot || kind == kExportR) && ui.yesAnswers == 0) {
        result.failed = true;
        result.err = PathToUtf8(path) + ": nothing exported: none of the listed types\n";
    } else {
        result.out = PathToUtf8(target) + "\n";
    }
    return result;
}

int RunExport(const Options& options, const std::string& dataDir, std::ostream& out,
              std::ostream& err) {
    const bool toFiles = options.exportKind != kExportScreen;
    std::vector<std::string> targets(options.projects.size());
    // One project's file on standard output is made in a folder of its own
    // first, so that a failed export passes nothing on.
    const bool passedOn = toFiles && options.ToStandardOutput();
    std::optional<ScratchFolder> scratch;
    if (passedOn) {
        scratch.emplace();
        if (!scratch->Made(err)) return kExitProjectFailed;
        targets[0] = JoinPath(scratch->Path(),
                              ExtractFileName(ChangeFileExt(options.projects[0],
                                                            ExportExtension(options.exportKind))));
    } else if (toFiles) {
        if (options.projects.size() > 1 && !options.output.empty() &&
            !DirectoryExists(options.output)) {
            err << "korvanix-batch: -o must be an existing folder when several projects are "
                   "given\n";
            return kExitUsage;
        }
        std::map<std::string, std::size_t> seen;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            targets[i] = ExportTarget(options, i);
            std::error_code error;
            const std::string key =
                std::filesystem::absolute(targets[i], error).lexically_normal().string();
            const auto [at, added] = seen.emplace(error ? targets[i] : key, i);
            if (!added) {
                err << "korvanix-batch: " << PathToUtf8(options.projects[at->second]) << " and "
                    << PathToUtf8(options.projects[i]) << " would both be exported to "
                    << PathToUtf8(targets[i]) << "\n";
                return kExitUsage;
            }
        }
    }

    OutputSink sink(out);
    if (!toFiles && !sink.Open(options.output, err)) return kExitProjectFailed;
    const int status = RunProjects(
        options, dataDir,
        [&](Session& session, std::size_t index) {
            ProjectResult result = ExportProject(session, options.projects[index], targets[index]);
            if (passedOn && !result.failed && !ReadWhole(targets[index], result.out, result.err)) {
                result.failed = true;
                result.out.clear();
            }
            return result;
        },
        sink.Stream(), err, WantsProgress(options.projects.size()));
    return sink.Close(err) ? status : kExitProjectFailed;
}

int RunTable(const Options& options, const std::string& dataDir, std::string_view header,
             const TableWork& work, std::ostream& out, std::ostream& err) {
    OutputSink sink(out);
    if (!sink.Open(options.output, err)) return kExitProjectFailed;
    sink.Stream() << header << "\r\n";
    const int status = RunProjects(
        options, dataDir,
        [&](Session& session, std::size_t index) { return work(session, options.projects[index]); },
        sink.Stream(), err, WantsProgress(options.projects.size()));
    return sink.Close(err) ? status : kExitProjectFailed;
}

int RunRender(const Options& options, const std::string& dataDir, const RenderBackend& backend,
              std::ostream& out, std::ostream& err) {
    const bool raster = options.renderKind != kExportMetafile;
    if (raster && !backend.rasterize) {
        err << "korvanix-batch: this build draws metafiles only (no Qt)\n";
        return kExitUsage;
    }
    Session session(options, dataDir);
    std::string failure;
    if (!session.Start(failure)) {
        err << "korvanix-batch: " << failure << "\n";
        return kExitStartup;
    }
    const std::string& path = options.projects.front();
    if (!session.Load(path)) {
        err << FailureText(session, path, "cannot be read");
        return kExitProjectFailed;
    }
    Workspace& ws = session.workspace();
    Program& program = session.program();
    BatchUserInterface& ui = session.ui();
    if (backend.metrics) ws.SetTextMetrics(backend.metrics);
    if (options.quality) program.settings.JpegQuality = *options.quality;

    // The first redraw loads the picture and fits the view to it; then the
    // picture is exported as the Export menu does, the raster kinds from the
    // surface painted at the asked size instead of from a window. A view
    // without its picture is never written over a good earlier file.
    const int32_t side =
        options.size > 0 ? options.size : static_cast<int32_t>(ws.project().view.surfaceSize);
    // The picture is decoded no larger than the drawing needs: the raster
    // kinds draw it at their size, a metafile at the surface's.
    ws.SetDisplayFieldPixels(raster ? side : static_cast<int32_t>(ws.project().view.surfaceSize));
    ui.Clear();
    ws.Redraw();
    if (ws.windowState().pictureFailed || !ui.diagnostics.empty()) {
        err << FailureText(session, path, "picture not written");
        return kExitProjectFailed;
    }
    bool grabFailed = false;
    if (raster) {
        ws.SetGrabPaintBox([&](PixelImage& image) {
            const std::shared_ptr<const Recording> surface = ws.windowState().surface;
            grabFailed = !surface || !backend.rasterize(*surface, side, image);
            return !grabFailed;
        });
    }
    // The name is given its extension here, as the save dialog would, so
    // that the export writes exactly the file named. A picture for standard
    // output is made in a folder of its own first.
    std::optional<ScratchFolder> scratch;
    std::string name = options.output;
    if (options.ToStandardOutput()) {
        scratch.emplace();
        if (!scratch->Made(err)) return kExitProjectFailed;
        name = JoinPath(scratch->Path(), "view");
    }
    const std::string written = ForceExtension(name, ExportExtension(options.renderKind));
    ui.PrepareExport(written, {});
    ws.DoWriteFile(options.renderKind);
    ws.SetGrabPaintBox(nullptr);

    if (grabFailed) {
        err << PathToUtf8(path) << ": cannot draw a picture of " << side << " pixels\n";
        return kExitProjectFailed;
    }
    if (!ui.diagnostics.empty()) {
        err << FailureText(session, path, "picture not written");
        return kExitProjectFailed;
    }
    if (scratch) {
        std::string bytes;
        std::string unread;
        if (!ReadWhole(written, bytes, unread)) {
            err << unread;
            return kExitProjectFailed;
        }
        out << bytes;
        out.flush();
        return out ? kExitOk : kExitProjectFailed;
    }
    out << PathToUtf8(written) << "\n";
    return kExitOk;
}

}  // namespace

namespace {

constexpr std::string_view kRTableSuffix = "_R";

}  // namespace

std::string ExportTarget(const Options& options, std::size_t index) {
    const std::string_view extension = ExportExtension(options.exportKind);
    if (extension.empty() || options.ToStandardOutput()) return {};
    // The report and the R table share their extension; the R table's own
    // name keeps one kind from replacing the other's file beside the project.
    const std::string& project = options.projects[index];
    const std::string own =
        options.exportKind == kExportR
            ? RemoveExtension(project) + std::string(kRTableSuffix) + "." + std::string(extension)
            : ChangeFileExt(project, extension);
    if (options.output.empty()) return own;
    if (DirectoryExists(options.output)) return JoinPath(options.output, ExtractFileName(own));
    return ForceExtension(options.output, extension);
}

int RunCommand(const Options& options, const std::string& dataDir, const RenderBackend& backend,
               std::ostream& out, std::ostream& err) {
    switch (options.command) {
        case Command::Help:
            out << UsageText();
            return kExitOk;
        case Command::Version:
            out << "korvanix-batch " << VersionText(ReadVersion(), true) << "\n";
            return kExitOk;
        case Command::Check:
            return RunProjects(
                options, dataDir,
                [&](Session& session, std::size_t index) {
                    return CheckProject(session, options.projects[index]);
                },
                out, err, WantsProgress(options.projects.size()));
        case Command::Export:
            return RunExport(options, dataDir, out, err);
        case Command::Stats:
            return RunTable(options, dataDir, StatsHeader(), TableOf(StatsRows), out, err);
        case Command::Values:
            return RunTable(options, dataDir, ValuesHeader(), TableOf(ValuesRows), out, err);
        case Command::Shapes:
            return RunTable(options, dataDir, ShapesHeader(), ShapesProject, out, err);
        case Command::Render:
            return RunRender(options, dataDir, backend, out, err);
        case Command::Detect:
            return RunDetect(options, dataDir, out, err);
        case Command::None:
            break;
    }
    err << UsageText();
    return kExitUsage;
}

}  // namespace kvx::batch
