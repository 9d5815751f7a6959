#include "cli/batch_session.hpp"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/measure/values.hpp"
#include "core/program/config.hpp"
#include "core/program/shell_folders.hpp"
#include "core/project/object_type_file.hpp"
#include "core/project/project_file.hpp"
#include "core/stats/collect_values.hpp"
#include "core/support/charset.hpp"
#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx::batch {

namespace {

constexpr const char* kSharedErrors = "ZSYSTEM";
constexpr const char* kProgramErrors = "korvanix.err";

// Redraws before this many only count or show the start-up caption; a
// picture drawn by the tool is that of a window that has finished starting.
constexpr int32_t kStartedRedrawCount = 3;

bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        if (c < 0x80) {
            extra = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += extra + 1;
    }
    return true;
}

// The number of the first line of the file that reads exactly line; 0 when
// there is none. The project reader stops at its first bad line, so the
// first line with that text is the one it complained about.
int32_t LineNumberOf(const std::string& path, const std::string& line) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    int32_t number = 0;
    while (std::getline(in, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (text == line) return number;
    }
    return 0;
}

}  // namespace

std::string CoreToUtf8(std::string_view text) {
    return Cp1252ToUtf8(text);
}

std::string PathToUtf8(std::string_view path) {
    return IsUtf8(path) ? std::string(path) : Cp1252ToUtf8(path);
}

Session::Session(const Options& options, std::string dataDir)
    : options_(options), program_(ui_, std::move(dataDir)), workspace_(program_) {
    ui_.Attach(program_);
}

bool Session::Start(std::string& failure) {
    Program& program = program_;
    Settings& settings = program.settings;
    const auto fail = [&](std::string text) {
        failure = std::move(text) + " (data folder " + PathToUtf8(program.programDir);
        // A folder that is missing or closed is the usual cause, and the
        // system says which.
        errno = 0;
        if (::access(program.programDir.c_str(), R_OK | X_OK) != 0) {
            failure += ": " + std::generic_category().message(errno != 0 ? errno : EIO);
        }
        failure += ")";
        return false;
    };
    if (!program.InitErrorStack()) return fail("cannot set up the error stack");
    if (program.errorTable.LoadErrorTable(kSharedErrors, program.programDir) != kOk ||
        program.LoadMessages() != kOk ||
        program.errorTable.LoadErrorTable(kProgramErrors, program.programDir) != kOk) {
        return fail("cannot read the message and error-text files");
    }

    // The person's configuration decides everything the options leave open;
    // the tool only reads it and creates nothing.
    const uint8_t language = settings.Language;
    LocateShellFolders(program, false, kConfigSubFolder);
    if (!program.configDir.empty()) {
        std::string configFile = JoinPath(program.configDir, kConfigFileName);
        if (FileExists(configFile, 4096, false, {})) (void)ReadWriteConfig(program, false);
    }
    program.errors.Clear();
    if (options_.language) settings.Language = *options_.language;
    if (options_.unit) settings.TableUnit = *options_.unit;
    if (settings.Language != language && program.LoadMessages() != kOk) {
        return fail("cannot read the message files of the chosen language");
    }

    if (workspace_.CreateHistory() != kOk) return fail("cannot create the point table");

    std::string typeFile = settings.ObjectTypeFile;
    if (!options_.objectTypes.empty()) {
        // Named on the command line, the file is taken as it is, relative to
        // the current folder, never a namesake in the configuration folder.
        std::error_code error;
        typeFile = std::filesystem::absolute(options_.objectTypes, error).string();
        if (error) typeFile = options_.objectTypes;
    }
    ui_.Clear();
    // A type file named on the command line that cannot be read fails the
    // run: the shipped types the window falls back on are not the ones asked for.
    const bool loaded = LoadObjectTypes(program, typeFile);
    if (!loaded || (!options_.objectTypes.empty() && !program.damagedObjectTypeFile.empty())) {
        std::string reason = "cannot read the object-type file " + PathToUtf8(typeFile);
        for (const std::string& line : DescribeDiagnostics(ui_.diagnostics, typeFile)) {
            reason += "\n  " + line;
        }
        ui_.Clear();
        failure = reason;
        return false;
    }
    if (!workspace_.ResetViewToWorld()) return fail("cannot set up the view");
    workspace_.FillTypeSelector(true);
    workspace_.SetRedrawCount(kStartedRedrawCount);
    program.errors.Clear();
    ui_.Clear();
    return true;
}

bool Session::Load(const std::string& path) {
    ui_.Clear();
    Workspace& ws = workspace_;
    // Every project is read as in a freshly started window, whatever the job
    // read before: the format version of the previous file would otherwise
    // decide how a file without a version line is read.
    ws.ClearProjectAsStarted();
    loadedAs_ = path;

    // The window gives every name the project extension; here the name is
    // the file, so another name is refused rather than read as its namesake
    // (a01.BAK as a01.KXP, a folder as folder.KXP).
    const auto refuse = [&](std::string why) {
        Diagnostic refusal;
        refusal.text = PathToUtf8(path) + " " + why;
        ui_.diagnostics.push_back(std::move(refusal));
        return false;
    };
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return refuse("is a folder, not a project file");
    }
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension) c = UpperAscii(c);
    if (extension != "." + std::string(kProjectExtension)) {
        return refuse("is not a project file (its name must end in ." +
                      std::string(kProjectExtension) + ")");
    }

    // The window always knows a project by its full path, and the report
    // file starts with it.
    std::string fullPath = std::filesystem::absolute(path, error).lexically_normal().string();
    if (error) fullPath = path;
    const bool loaded = ws.ReadProject(fullPath, true);
    program_.errors.Clear();
    if (!loaded) return false;
    ws.MarkAllSaved();
    ws.SetCurrentType(0);
    ws.StatisticsPass();
    return true;
}

std::vector<int32_t> Session::ExportedTypes() const {
    std::vector<int32_t> types;
    const auto inUse = TypesInUse(workspace_.history());
    for (int32_t n = 1; n <= ObjectTypeTable::kSlots; ++n) {
        const ObjectType& type = program_.objectTypes.At(n);
        if (type.dataClass == kClassUser && inUse[static_cast<std::size_t>(n)] &&
            YieldsValues(type.dataType)) {
            types.push_back(n);
        }
    }
    return types;
}

std::string Session::PicturePath() const {
    namespace fs = std::filesystem;
    const std::string& image = workspace_.project().imagePath;
    if (image.empty()) return {};
    std::error_code error;
    const fs::path picture = fs::absolute(image, error).lexically_normal();
    if (error) return image;
    const fs::path given(loadedAs_);
    const fs::path project = fs::absolute(given, error).lexically_normal();
    if (!error && picture.parent_path() == project.parent_path()) {
        return (given.parent_path() / picture.filename()).string();
    }
    if (given.is_absolute()) return picture.string();
    const fs::path here = fs::current_path(error);
    if (error) return picture.string();
    const fs::path relative = picture.lexically_relative(here);
    return relative.empty() ? picture.string() : relative.string();
}

std::vector<std::string> DescribeDiagnostics(const std::vector<Diagnostic>& diagnostics,
                                             const std::string& projectPath) {
    std::vector<std::string> lines;
    for (const Diagnostic& d : diagnostics) {
        std::string line;
        if (d.code != 0) line = IntToStr(d.code) + " ";
        line += CoreToUtf8(Trim(d.text));
        if (d.passCode != 0) line += " (passed on as " + IntToStr(d.passCode) + ")";
        if (!d.info.empty()) {
            const int32_t number = d.code != 0 ? LineNumberOf(projectPath, d.info) : 0;
            if (number > 0) {
                line += ": line " + IntToStr(number) + ": " + PathToUtf8(d.info);
            } else {
                line += ": " + PathToUtf8(d.info);
            }
        }
        // What the system said is what a person can act on.
        if (d.ioResult != 0) line += ": " + std::generic_category().message(d.ioResult);
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace kvx::batch
