#include "core/project/project_file.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <thread>

#include "core/program/error_report.hpp"
#include "core/program/program.hpp"
#include "core/project/picture_frame.hpp"
#include "core/support/charset.hpp"
#include "core/support/file_names.hpp"
#include "core/support/path_case.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

constexpr char kFieldSeparator = ',';
// Windows-1252 0x82, the single low-9 quotation mark: what a comma in a
// name is stored as.
constexpr char kCommaInName = '\x82';
constexpr std::size_t kMaxText = 255;
constexpr std::size_t kMaxTitleSource = 200;
constexpr std::size_t kMaxTitle = 100;
constexpr std::size_t kMaxImageLine = 250;
constexpr int32_t kExcludedSinceVersion = 15;
constexpr std::size_t kWriteChunk = 64 * 1024;

constexpr int kMessageTitle = 2020;
constexpr int kMessageImageMissing = 2024;
constexpr int kMessageImageMissingStatement = 2366;
constexpr int kMessageImageUnreadableStatement = 2174;
constexpr int kMessageImageUnreadable = 2175;

// True when both names lead to one existing file.
bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// The text of a line from the given 0-based position on, at most n characters.
std::string_view From(std::string_view line, std::size_t position, std::size_t n = kMaxText) {
    return position >= line.size() ? std::string_view() : line.substr(position, n);
}

void AppendInt(std::string& out, int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void AppendRounded(std::string& out, double value) {
    // nearbyint follows the default rounding mode: halves go to even.
    const double rounded = std::nearbyint(value);
    if (std::fabs(rounded) < 9.2e18) {
        AppendInt(out, static_cast<int64_t>(rounded));
        return;
    }
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 0);
    out.append(buffer, result.ptr);
}

// A line break inside a text would split the line and could make its tail
// read as a line of its own.
void AppendText(std::string& out, std::string_view text) {
    for (const char c : text) out += (c == '\r' || c == '\n') ? ' ' : c;
}

// A name is one field of its point line, so a comma in it would push its
// tail into the excluded field. A number with a decimal comma ("12,5", as
// German users type it) is written with a point, which every reader takes
// for the same number; in any other name the comma becomes the low single
// quotation mark, which looks like one and which the reader turns back.
void AppendName(std::string& out, std::string_view name) {
    double number = 0.0;
    const bool hasComma = name.find(kFieldSeparator) != std::string_view::npos;
    const char replacement = hasComma && RealVal(name, number) == kOk ? '.' : kCommaInName;
    for (const char c : name) {
        if (c == '\r' || c == '\n') {
            out += ' ';
        } else {
            out += c == kFieldSeparator ? replacement : c;
        }
    }
}

void EndLine(std::string& out) {
    out += "\r\n";
}

// The comma-separated fields of a point line, split once. Plain integers
// (the whole of what the writer produces) are converted here; any other
// field goes through GetField, which gives the same result for plain
// integers but costs a scan of the line and two conversions per field.
class PointFields {
public:
    static constexpr int kFields = 6;

    explicit PointFields(std::string_view text) : text_(text) {
        // A tab changes where GetField stops counting fields; leave such
        // lines to it.
        if (text.empty() || text.find('\t') != std::string_view::npos) return;
        std::size_t start = 0;
        while (count_ < kFields && start < text.size()) {
            const std::size_t comma = text.find(kFieldSeparator, start);
            const std::size_t end = comma == std::string_view::npos ? text.size() : comma;
            fields_[count_++] = text.substr(start, end - start);
            start = end + 1;
        }
        split_ = true;
    }

    ErrorCode Integer(int n, int32_t& value) const {
        int64_t plain = 0;
        bool negative = false;
        if (Plain(n, plain, negative)) {
            value = static_cast<int32_t>(negative ? -plain : plain);
            return kOk;
        }
        return GetField(text_, kFieldSeparator, 'I', false, value, n);
    }

    ErrorCode Real(int n, double& value) const {
        int64_t plain = 0;
        bool negative = false;
        if (Plain(n, plain, negative)) {
            value = static_cast<double>(plain);
            if (negative) value = -value;
            return kOk;
        }
        return GetField(text_, kFieldSeparator, 'R', false, value, n);
    }

    bool Text(int n, std::string_view& value) const {
        if (split_) {
            if (n > count_) return false;
            value = fields_[static_cast<std::size_t>(n - 1)];
            return true;
        }
        std::string text;
        if (GetField(text_, kFieldSeparator, 'S', false, text, n) != kOk) return false;
        owned_ = std::move(text);
        value = owned_;
        return true;
    }

private:
    // An optional "-" and one to nine digits, nothing else.
    bool Plain(int n, int64_t& value, bool& negative) const {
        if (!split_ || n > count_) return false;
        std::string_view f = fields_[static_cast<std::size_t>(n - 1)];
        negative = !f.empty() && f.front() == '-';
        if (negative) f.remove_prefix(1);
        if (f.empty() || f.size() > 9) return false;
        value = 0;
        for (const char c : f) {
            if (c < '0' || c > '9') return false;
            value = value * 10 + (c - '0');
        }
        return true;
    }

    std::string_view text_;
    std::array<std::string_view, kFields> fields_{};
    int count_ = 0;
    bool split_ = false;
    mutable std::string owned_;
};

// Reads one project file into a project and its history; see ReadProjectFile.
class ProjectReader {
public:
    ProjectReader(Program& program, Project& project, History& history, std::string path,
                  std::string_view imagePatterns)
        : program_(program),
          project_(project),
          history_(history),
          path_(std::move(path)),
          imagePatterns_(imagePatterns) {}

    void Run();
    ErrorCode Error() const { return error_; }
    bool Abandoned() const { return abandoned_; }
    bool ImageMoved() const { return imageMoved_; }

private:
    void Raise(ErrorCode code, ErrorCode passCode, std::string_view info, ErrorCode result) {
        program_.ReportError(code, passCode, info);
        error_ = result;
    }
    [[nodiscard]] bool SwitchToConvertedCopy(TextFile& file);
    void Dispatch(const std::string& line);
    void ReadPoint(const std::string& line);
    void ResolveImage(const std::string& written);
    bool TryResolve(const std::string& candidate, std::string& found, bool& moved) const;
    /// Where the picture is there but cannot be opened: its path and the
    /// system's reason; empty otherwise.
    std::string UnreadableImage(const std::string& candidate) const;

    Program& program_;
    Project& project_;
    History& history_;
    std::string path_;
    std::string imagePatterns_;
    std::string convertedPath_;
    int32_t lineNumber_ = 0;
    ErrorCode error_ = kOk;
    bool abandoned_ = false;
    bool imageMoved_ = false;
    // What the last "B" line resolved to, so that reading the converted copy
    // from its start does not ask the person a second time.
    bool haveResolved_ = false;
    std::string resolvedFrom_;
    std::string resolvedTo_;
    bool resolvedMoved_ = false;
};

void ProjectReader::Run() {
    project_.pictureOrientation = 1;
    TextFile file;
    if (const ErrorCode code = OpenTextFileAt(path_, file); code != kOk) {
        Raise(code, kProjectOpen, PathAsText(path_), kProjectOpen);
        return;
    }
    const int32_t versionAtStart = project_.formatVersion;
    bool converted = false;
    std::string line;
    for (;;) {
        const TextFile::ReadStatus status = file.ReadLine(line);
        if (status == TextFile::ReadStatus::End) break;
        if (status == TextFile::ReadStatus::Error) {
            Raise(kProjectOpen, 0, PathAsText(path_), kProjectOpen);
            break;
        }
        // A full line in a file with bare line feeds is what a reader that
        // knows only CR LF sees of the whole file; such files are read from a
        // copy with CR LF line ends, from its start.
        if (!converted && file.LastLineWasFull() && file.SawBareLineFeed()) {
            converted = true;
            file.Close();
            if (!SwitchToConvertedCopy(file)) break;
            lineNumber_ = 0;
            history_.Clear(0);
            project_.formatVersion = versionAtStart;
            continue;
        }
        ++lineNumber_;
        Dispatch(line);
        if (error_ != kOk || abandoned_) break;
    }
    file.Close();
    if (!convertedPath_.empty()) (void)DeleteFile(convertedPath_);
}

bool ProjectReader::SwitchToConvertedCopy(TextFile& file) {
    const std::string copyName = ConvertedCopyName();
    std::string target = ExtractFileDir(path_) + copyName;
    ErrorCode code = ConvertLineEnds(path_, target);
    // A project in a folder we may not write to is still readable.
    if (code == 60110500) {
        target = JoinPath(TempDirectory(), copyName);
        code = ConvertLineEnds(path_, target);
    }
    if (code != kOk) {
        Raise(code, kProjectConvert, PathAsText(path_), kProjectConvert);
        return false;
    }
    convertedPath_ = target;
    if (const ErrorCode open = OpenTextFileAt(target, file); open != kOk) {
        Raise(open, kProjectReopen, PathAsText(target), kProjectReopen);
        return false;
    }
    return true;
}

void ProjectReader::Dispatch(const std::string& line) {
    if (line.empty()) return;
    switch (line[0]) {
        case ';':
            if (lineNumber_ == 1) project_.title = TitleFromFirstLine(line);
            break;
        case 'B': {
            const std::string written(From(line, 2, kMaxImageLine));
            project_.originalImagePath = written;
            ResolveImage(written);
            break;
        }
        case 'O':
            project_.originalImagePath = std::string(From(line, 2));
            break;
        case 'R': {
            const std::string_view text = From(line, 2);
            int32_t value = 0;
            if (Trim(text).empty() || IntVal(text, value) != kOk) {
                Raise(kProjectBadResolution, 0, line, kProjectBadResolution);
            } else {
                project_.resolutionDpi = value;
            }
            break;
        }
        case 'V': {
            const std::string_view text = From(line, 2);
            int32_t value = 0;
            if (!Trim(text).empty() && IntVal(text, value) == kOk) project_.formatVersion = value;
            break;
        }
        case 'U':
            project_.userName = std::string(From(line, 2));
            break;
        case 'D':
            ReadPoint(line);
            break;
        default:
            break;
    }
}

void ProjectReader::ReadPoint(const std::string& line) {
    MeasuredObject point;
    ErrorCode failedField = kOk;
    if (const ErrorCode code =
            ParsePointLine(From(line, 2), project_.formatVersion, point, failedField);
        code != kOk) {
        Raise(code, failedField, line, failedField);
        return;
    }
    RecordArray& table = history_.Table();
    const int32_t before = table.Position();
    history_.Put(0, point);
    // A full table has reported its overflow itself; loading only part of a
    // project would lose the rest at the next save.
    if (table.Position() == before) error_ = 4120101;
}

bool ProjectReader::TryResolve(const std::string& candidate, std::string& found,
                               bool& moved) const {
    moved = false;
    if (candidate.empty()) return false;
    const std::string bareName = ExtractFileName(candidate);
    const std::string projectDir = ExtractFileDir(path_);
    const bool relative =
        !IsPathSeparator(candidate.front()) && !(candidate.size() >= 2 && candidate[1] == ':');

    // Beside the project first: a project and its picture are usually kept
    // together, and the folder a terminal happens to be in says nothing
    // about which picture of that name the project was measured on.
    // Where that is the very file the written path names, the path keeps
    // the form it was written in.
    for (const std::string& beside : {relative ? projectDir + candidate : std::string(),
                                      bareName.empty() ? std::string() : projectDir + bareName}) {
        if (beside.empty()) continue;
        found = ResolvePathCase(beside);
        if (!FileExists(found, kMaxText, false, {})) continue;
        // A relative path is kept as seen from the project, not from the
        // folder the program was started in.
        if (!relative && SameFile(found, candidate)) {
            found = candidate;
        } else {
            // A relative path is the project's own way of naming its picture.
            moved = beside != projectDir + candidate;
        }
        return true;
    }

    if (!relative) {
        found = candidate;
        if (FileExists(found, kMaxText, false, {})) return true;
    }

    const char drive = UpperAscii(program_.settings.BitmapDrive);
    if (drive >= 'C' && drive <= 'Z') {
        found = drive + candidate.substr(1);
        if (FileExists(found, kMaxText, false, {})) return true;
    }

    // The current folder last.
    if (relative) {
        found = candidate;
        if (FileExists(found, kMaxText, false, {})) return true;
    }
    found = candidate;
    if (!bareName.empty() && FileExists(found, kMaxText, true, program_.startDir)) {
        moved = !SameFile(found, candidate);
        return true;
    }
    return false;
}

std::string ProjectReader::UnreadableImage(const std::string& candidate) const {
    if (candidate.empty()) return {};
    const std::string bareName = ExtractFileName(candidate);
    const std::string projectDir = ExtractFileDir(path_);
    const bool relative =
        !IsPathSeparator(candidate.front()) && !(candidate.size() >= 2 && candidate[1] == ':');
    for (const std::string& place :
         {relative ? ResolvePathCase(projectDir + candidate) : candidate,
          bareName.empty() ? std::string() : ResolvePathCase(projectDir + bareName)}) {
        struct stat info {};
        if (place.empty() || ::stat(place.c_str(), &info) != 0) continue;
        if (std::FILE* file = OpenForReading(place)) {
            std::fclose(file);
            continue;
        }
        return place + " (" + SystemErrorText(LastIoResult()) + ")";
    }
    return {};
}

void ProjectReader::ResolveImage(const std::string& written) {
    if (haveResolved_ && written == resolvedFrom_) {
        project_.imagePath = resolvedTo_;
        imageMoved_ = imageMoved_ || resolvedMoved_;
        return;
    }
    Settings& settings = program_.settings;
    std::string candidate = written;
    bool chosenByPerson = false;
    for (;;) {
        std::string found;
        bool moved = false;
        bool resolved = TryResolve(candidate, found, moved);
        // Projects made on Windows hold their names in Windows-1252; the same
        // name on this disk is in UTF-8.
        if (!resolved && !IsValidUtf8(candidate)) {
            resolved = TryResolve(Cp1252ToUtf8(candidate), found, moved);
            moved = moved || resolved;
        }
        if (resolved) {
            moved = moved || chosenByPerson;
            project_.imagePath = found;
            imageMoved_ = imageMoved_ || moved;
            haveResolved_ = true;
            resolvedFrom_ = written;
            resolvedTo_ = found;
            resolvedMoved_ = moved;
            return;
        }
        // A picture that is there but cannot be opened is not missing: the
        // person is told the system's reason instead.
        const std::string unreadable = UnreadableImage(candidate);
        if (!program_.ui.CanAsk()) {
            program_.ui.MessageBox(
                program_.GetMessage(kMessageTitle),
                unreadable.empty()
                    ? program_.GetMessage(kMessageImageMissingStatement) + PathAsText(candidate)
                    : program_.GetMessage(kMessageImageUnreadableStatement) +
                          PathAsText(unreadable),
                MessageButtons::Ok);
            abandoned_ = true;
            return;
        }
        const std::string text =
            unreadable.empty()
                ? program_.GetMessage(kMessageImageMissing) + PathAsText(candidate)
                : program_.GetMessage(kMessageImageUnreadable) + PathAsText(unreadable);
        if (program_.ui.MessageBox(program_.GetMessage(kMessageTitle), text,
                                   MessageButtons::YesNo) != kAnswerYes) {
            abandoned_ = true;
            return;
        }
        SelectFileRequest request;
        request.startDirectory =
            settings.ImportPath.empty() ? program_.documentsDir : settings.ImportPath;
        request.patterns = imagePatterns_;
        request.rememberFile = RecentDirectoriesFile(program_, kImageRememberFile);
        request.descriptions = false;
        const SelectFileResult chosen = program_.ui.SelectFile(request);
        if (!chosen.Chosen()) {
            abandoned_ = true;
            return;
        }
        candidate = CutTo(JoinPath(chosen.directory, chosen.fileName), kMaxText);
        settings.ImportPath = CutTo(chosen.directory, kMaxText);
        chosenByPerson = true;
    }
}

}  // namespace

std::string ConvertedCopyName() {
    const std::string_view name = kConvertedProjectName;
    const std::size_t dot = name.rfind('.');
    const auto thread =
        static_cast<uint64_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
    return std::string(name.substr(0, dot)) + "-" + IntToStr(static_cast<int64_t>(::getpid())) +
           "-" + IntToHex(static_cast<int64_t>(thread & 0xFFFFFFFFFFFF)) +
           std::string(name.substr(dot));
}

std::string RecentDirectoriesFile(const Program& program, std::string_view name) {
    return program.configDir.empty() ? std::string() : JoinPath(program.configDir, name);
}

std::string ProjectFileName(std::string_view fileName) {
    return ForceExtension(fileName, kProjectExtension);
}

std::string TitleFromFirstLine(std::string_view line) {
    const std::string_view text = From(line, 4, kMaxTitleSource);
    const std::size_t blank = text.find(' ');
    return std::string(blank == std::string_view::npos ? text : text.substr(blank + 1, kMaxTitle));
}

ErrorCode ParsePointLine(std::string_view text, int32_t formatVersion, MeasuredObject& point,
                         ErrorCode& failedField) {
    point = MeasuredObject{};
    failedField = kOk;
    const PointFields fields(text);
    const auto fail = [&](ErrorCode code, ErrorCode field) {
        failedField = field;
        return code;
    };
    if (const ErrorCode code = fields.Integer(1, point.typeIndex)) {
        return fail(code, kProjectFieldType);
    }
    // Every later reader indexes the type table with this number.
    if (point.typeIndex > ObjectTypeTable::kSlots)
        return fail(kProjectTypeRange, kProjectFieldType);
    if (const ErrorCode code = fields.Real(2, point.y)) return fail(code, kProjectFieldY);
    if (const ErrorCode code = fields.Real(3, point.x)) return fail(code, kProjectFieldX);
    if (const ErrorCode code = fields.Integer(4, point.vertexKind)) {
        return fail(code, kProjectFieldKind);
    }
    std::string_view name;
    if (fields.Text(5, name)) {
        point.name.assign(name.substr(0, MeasuredObject::kMaxName));
        std::replace(point.name.begin(), point.name.end(), kCommaInName, kFieldSeparator);
    }
    if (formatVersion >= kExcludedSinceVersion) {
        int32_t excluded = 0;
        point.excluded = fields.Integer(6, excluded) == kOk && excluded != 0;
    }
    return kOk;
}

StoredPicturePaths PicturePathsToStore(const Project& project, std::string_view projectPath) {
    const std::string folder = ExtractFileDir(projectPath);
    StoredPicturePaths paths;
    paths.image = PathFromFolder(project.imagePath, folder);
    paths.original = project.originalImagePath;
    if (paths.original.size() > kMaxText - 2) {
        paths.original = PathFromFolder(paths.original, folder);
    }
    paths.fits = paths.image.size() <= kMaxImageLine && paths.original.size() <= kMaxText - 2;
    return paths;
}

bool WriteProjectLines(TextFile& file, const Project& project, const History& history,
                       std::string_view projectPath) {
    const StoredPicturePaths paths = PicturePathsToStore(project, projectPath);
    // A line longer than the reader takes would come back cut, and its tail
    // would be passed over: the file would not read back as it was written.
    if (!paths.fits) return false;
    std::string out;
    out.reserve(kWriteChunk + 1024);
    out += ";C: ";
    AppendText(out, paths.image);
    EndLine(out);
    out += "B ";
    AppendText(out, paths.image);
    EndLine(out);
    out += "O ";
    AppendText(out, paths.original);
    EndLine(out);
    out += "R ";
    AppendInt(out, project.resolutionDpi);
    EndLine(out);
    out += "V ";
    AppendInt(out, Project::kFileFormatVersion);
    EndLine(out);
    if (!project.userName.empty()) {
        out += "U ";
        AppendText(out, std::string_view(project.userName).substr(0, kMaxText - 2));
        EndLine(out);
    }

    // The file holds the points as they lie on the stored picture, which
    // every reader of projects, older ones included, shows unturned.
    const PictureFrame frame = FrameOf(project);
    const int32_t count = history.Count();
    for (int32_t i = 1; i <= count; ++i) {
        MeasuredObject point = history.Peek(i);
        if (point.Deleted()) continue;
        StoredFromShown(frame, point.x, point.y);
        if ((i - 1) % 10 == 0) {
            out += "; ";
            AppendInt(out, i);
            out += " .. ";
            AppendInt(out, static_cast<int64_t>(i) + 9);
            EndLine(out);
        }
        out += "D ";
        AppendInt(out, point.typeIndex);
        out += kFieldSeparator;
        AppendRounded(out, point.y);
        out += kFieldSeparator;
        AppendRounded(out, point.x);
        out += kFieldSeparator;
        AppendInt(out, point.vertexKind);
        out += kFieldSeparator;
        AppendName(out, point.name);
        out += kFieldSeparator;
        out += point.excluded ? '1' : '0';
        out += kFieldSeparator;
        EndLine(out);
        if (out.size() >= kWriteChunk) {
            if (!file.Write(out)) return false;
            out.clear();
        }
    }
    return file.Write(out);
}

ProjectReadResult ReadProjectFile(Program& program, Project& project, History& history,
                                  const std::string& path, std::string_view imagePatterns) {
    ProjectReader reader(program, project, history, path, imagePatterns);
    reader.Run();
    return {reader.Error(), reader.Abandoned(), reader.ImageMoved()};
}

}  // namespace kvx
