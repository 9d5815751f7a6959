// The project commands New, Load, Save and Save to, and the save-changes
// question.
#include <cmath>
#include <filesystem>
#include <limits>

#include "core/picture/picture_kinds.hpp"
#include "core/program/error_report.hpp"
#include "core/project/project_file.hpp"
#include "core/support/charset.hpp"
#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/path_case.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"
#include "core/workspace/project_commands.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

// Message numbers of the questions asked here.
constexpr int kMsgResolutionCaption = 418;
constexpr int kMsgResolutionPrompt = 2103;
constexpr int kMsgMillimetresTooLong = 2380;
constexpr int kMsgSaveChangesCaption = 2020;
constexpr int kMsgSaveChangesText = 2021;
constexpr int kMsgProjectFiles = 2029;
constexpr int kMsgPatternPrompt = 2027;

constexpr int kMsgReplaceFile = 2365;
constexpr int kMsgNameTooLong = 2162;
constexpr int kMsgPicturePathTooLong = 2163;
constexpr int kMsgPictureNameTooLong = 2164;
constexpr int kMsgChangedElsewhere = 2165;
constexpr int kMsgOpenElsewhere = 2166;
constexpr int kMsgUserNameTitle = 2225;
constexpr int kMsgUserNamePrompt = 2226;

constexpr std::size_t kMaxMillimetreDigits = 5;
constexpr std::size_t kMaxText = 255;

// round(pixels × 25.4 / millimetres), halves to even, in integers so that
// decimal numbers of pixels and millimetres count as typed; 0 outside 1..int32.
int32_t DotsPerInch(ExactDecimal pixels, ExactDecimal millimetres) {
    __extension__ typedef unsigned __int128 Wide;  // holds 10^18 × 254 × 10^18
    constexpr Wide kRoom = ~Wide{0} / 10;
    constexpr auto kLargest = static_cast<Wide>(std::numeric_limits<int32_t>::max());
    Wide numerator = static_cast<Wide>(pixels.mantissa) * 254;
    Wide denominator = static_cast<Wide>(millimetres.mantissa) * 10;
    for (int64_t shift = int64_t{millimetres.exponent} - pixels.exponent; shift != 0;) {
        if (shift < 0) {
            if (numerator > kRoom) return 0;
            numerator *= 10;
            ++shift;
        } else {
            if (denominator > kRoom) return 0;
            denominator *= 10;
            --shift;
        }
    }
    Wide dpi = numerator / denominator;
    const Wide twice = (numerator % denominator) * 2;
    if (twice > denominator || (twice == denominator && dpi % 2 == 1)) ++dpi;
    return dpi >= 1 && dpi <= kLargest ? static_cast<int32_t>(dpi) : 0;
}

}  // namespace

ResolutionAnswer ParseResolutionAnswer(std::string_view answer) {
    const std::string text = Trim(answer);
    ResolutionAnswer result;
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) {
        int32_t dpi = 0;
        if (IntVal(text, dpi) != kOk || dpi <= 0) return result;
        result.dpi = dpi;
        result.plain = true;
        return result;
    }
    ExactDecimal pixels;
    ExactDecimal millimetres;
    const std::string after = Trim(std::string_view(text).substr(slash + 1));
    // Whole millimetres beyond five characters are cut as ever; decimals that
    // the cut would drop change the scale, so such an answer is refused.
    if (after.size() > kMaxMillimetreDigits && after.find_first_of(".,") != std::string::npos) {
        result.millimetresCut = true;
        return result;
    }
    // A pixel count measured on a line may have decimals (472.5 px).
    const std::string before = Trim(std::string_view(text).substr(0, slash));
    if (before.empty() || !DecimalVal(before, pixels) ||
        !DecimalVal(std::string_view(after).substr(0, kMaxMillimetreDigits), millimetres) ||
        pixels.mantissa <= 0 || millimetres.mantissa <= 0) {
        return result;
    }
    result.dpi = DotsPerInch(pixels, millimetres);
    return result;
}

std::string StartFolder(const Program& program, std::string_view preferred) {
    return preferred.empty() ? program.documentsDir : std::string(preferred);
}

std::string Workspace::OpenProjectFolder() const {
    if (fileState_ == kNoProject) return {};
    const std::string& file =
        !project_.projectPath.empty() ? project_.projectPath : project_.imagePath;
    if (file.empty()) return {};
    const std::string folder = ExtractFileDir(file);
    return DirectoryExists(folder) ? folder : std::string();
}

void Workspace::MnNewClick() {
    NoticeScope notice(*this);
    Settings& settings = program_.settings;
    SelectFileRequest request;
    // The folder of the open project first: its next picture is most
    // likely beside it.
    const std::string lastUsed =
        !settings.LastImportDir.empty() ? settings.LastImportDir : settings.ImportPath;
    const std::string open = OpenProjectFolder();
    request.startDirectory = StartFolder(program_, !open.empty() ? open : lastUsed);
    request.patterns = std::string(kImagePattern);
    request.rememberFile = RecentDirectoriesFile(program_, kImageRememberFile);
    request.descriptions = false;
    const SelectFileResult chosen = program_.ui.SelectFile(request);
    if (!chosen.Chosen()) return;
    NewProject(chosen.fileName, chosen.directory);
}

void Workspace::NewProject(std::string_view imageName, std::string_view directory) {
    NoticeScope notice(*this);
    Changed(Change::Project | Change::Records);
    Settings& settings = program_.settings;
    const std::string picture = JoinPath(directory, imageName);
    if (picture.size() > Project::kMaxText) {
        (void)program_.ui.MessageBox(
            program_.GetMessage(kMsgResolutionCaption),
            program_.GetMessage(kMsgPictureNameTooLong) + PathAsText(picture), MessageButtons::Ok);
        return;
    }
    settings.LastImportDir = CutTo(directory, kShortStringMax);

    InputTextRequest question;
    question.caption = program_.GetMessage(kMsgResolutionCaption);
    question.prompt = program_.GetMessage(kMsgResolutionPrompt);
    question.text = IntToStr(settings.LastResolution);
    std::string answer;
    if (!program_.ui.InputText(question, answer)) return;
    const ResolutionAnswer resolution = ParseResolutionAnswer(answer);
    if (resolution.millimetresCut) {
        (void)program_.ui.MessageBox(program_.GetMessage(kMsgResolutionCaption),
                                     program_.GetMessage(kMsgMillimetresTooLong) + " " + answer,
                                     MessageButtons::Ok);
    }
    if (resolution.dpi <= 0) return;
    if (AskSaveChanges() == kAnswerCancel) return;

    ClearProject();
    project_.imagePath = picture;
    project_.originalImagePath = project_.imagePath;
    project_.resolutionDpi = resolution.dpi;
    project_.fitImagePending = true;
    project_.userName = settings.User;
    fileState_ = kUnchanged;
    savedCount_ = 0;
    undo_.Clear(fileState_);
    if (resolution.plain) settings.LastResolution = resolution.dpi;
    Redraw();
}

void Workspace::MnLoadClick() {
    NoticeScope notice(*this);
    InputTextRequest question;
    question.caption = program_.GetMessage(kMsgProjectFiles);
    question.prompt = program_.GetMessage(kMsgPatternPrompt);
    question.text = loadPattern_;
    question.selectAll = true;
    question.labelHeight = 30;
    question.width = 430;
    std::string pattern;
    if (!program_.ui.InputText(question, pattern) || Trim(pattern).empty()) return;
    loadPattern_ = pattern;

    SelectFileRequest request;
    const std::string open = OpenProjectFolder();
    request.startDirectory =
        StartFolder(program_, !open.empty() ? open : program_.settings.DataPath);
    request.patterns = pattern;
    request.rememberFile = RecentDirectoriesFile(program_, kProjectRememberFile);
    request.descriptions = true;
    const SelectFileResult chosen = program_.ui.SelectFile(request);
    if (!chosen.Chosen()) return;
    LoadProject(chosen.fileName, chosen.directory);
}

bool Workspace::LoadProject(std::string_view fileName, std::string_view directory) {
    NoticeScope notice(*this);
    if (fileName.empty()) return false;
    if (AskSaveChanges() == kAnswerCancel) return false;

    ClearProject();
    const bool loaded = ReadProject(JoinPath(directory, fileName), true);
    undo_.Clear(fileState_);
    if (loaded) {
        if (locksProjects_) {
            if (const int64_t holder = lock_.Take(project_.projectPath); holder != 0) {
                (void)program_.ui.MessageBox(program_.GetMessage(kMsgSaveChangesCaption),
                                             program_.GetMessage(kMsgOpenElsewhere) +
                                                 IntToStr(holder) + ")\r\n" +
                                                 PathAsText(project_.projectPath),
                                             MessageButtons::Ok);
            }
        }
        RememberProject(project_.projectPath);
        program_.settings.DataPath = CutTo(directory, kShortStringMax);
        savedCount_ = history_.Count();
        if (!program_.objectTypes.At(1).Name(program_.settings.Language).empty()) {
            // The grids open on what was measured last, not on an empty list.
            currentType_ = LastMeasuredType();
            FillTypeSelector();
            Changed(Change::Selection);
            StatisticsPass();
            UpdateFunctionButtons();
        }
    }
    Redraw();
    return loaded;
}

void Workspace::MnSaveClick() {
    NoticeScope notice(*this);
    if (project_.projectPath.empty()) return;
    // An object still being captured belongs in the file.
    FinishMeasuring();
    // Save shows its own errors.
    (void)Save(project_.projectPath);
}

void Workspace::MnSaveToClick() {
    NoticeScope notice(*this);
    FinishMeasuring();
    Settings& settings = program_.settings;
    SaveFileRequest request;
    request.filter =
        program_.GetMessage(kMsgProjectFiles) + " |*." + std::string(kProjectExtension);
    const std::string open = OpenProjectFolder();
    request.startDirectory = StartFolder(program_, !open.empty() ? open : settings.DataPath);
    request.defaultExtension = kProjectExtension;
    const std::string name = program_.ui.SaveFileName(request);
    const std::string path = name.empty() ? std::string() : ProjectFileName(name);
    if (!path.empty() && MayWriteInsteadOf(name, path)) {
        // The project keeps its own file until the new one has been written.
        const std::string previous = project_.projectPath;
        project_.projectPath = path;
        if (ExtractFileDir(path).size() <= kShortStringMax) {
            settings.DataPath = ExtractFileDir(path);
        }
        if (Save(project_.projectPath) != kOk) project_.projectPath = previous;
    }
    Redraw();
}

bool Workspace::MayWriteInsteadOf(std::string_view chosen, const std::string& path) {
    std::error_code error;
    if (path == chosen || !std::filesystem::exists(path, error)) return true;
    return program_.ui.MessageBox(program_.GetMessage(kMsgSaveChangesCaption),
                                  program_.GetMessage(kMsgReplaceFile) + "\r\n" + PathAsText(path),
                                  MessageButtons::YesNo) == kAnswerYes;
}

bool Workspace::MnResetClick() {
    NoticeScope notice(*this);
    if (history_.IsValid() && AskSaveChanges() == kAnswerCancel) return false;
    ClearProject();
    return true;
}

int Workspace::AskSaveChanges() {
    NoticeScope notice(*this);
    FinishMeasuring();
    if (fileState_ != kChanged) return kAnswerNo;
    const int answer = program_.ui.MessageBox(program_.GetMessage(kMsgSaveChangesCaption),
                                              program_.GetMessage(kMsgSaveChangesText),
                                              MessageButtons::YesNoCancel);
    if (answer != kAnswerYes) return answer;
    if (!project_.projectPath.empty()) {
        (void)Save(project_.projectPath);
    } else {
        MnSaveToClick();
    }
    // A save that did not happen must not let the caller throw the changes away.
    return fileState_ == kChanged ? kAnswerCancel : kAnswerYes;
}

ErrorCode Workspace::Save(std::string_view fileName) {
    NoticeScope notice(*this);
    if (fileName.empty()) return kOk;
    Program& program = program_;
    Settings& settings = program.settings;
    const std::string path = ProjectFileName(fileName);
    // A folder the setting cannot hold whole is not remembered.
    if (ExtractFileDir(path).size() <= kMaxText) settings.DataPath = ExtractFileDir(path);

    // A name is saved as it was chosen or not at all: a shortened one could
    // be another project's.
    if (!PathFitsFileSystem(path)) {
        (void)program.ui.MessageBox(program.GetMessage(kMsgSaveChangesCaption),
                                    program.GetMessage(kMsgNameTooLong) + PathAsText(path),
                                    MessageButtons::Ok);
        return kProjectCreate;
    }
    if (!PicturePathsToStore(project_, path).fits) {
        (void)program.ui.MessageBox(
            program.GetMessage(kMsgSaveChangesCaption),
            program.GetMessage(kMsgPicturePathTooLong) + PathAsText(project_.imagePath),
            MessageButtons::Ok);
        return kProjectCreate;
    }

    // Another window or program may have saved this file since it was read
    // or written here; replacing it unasked would lose what it saved.
    if (path == stampedPath_ && ChangedSince(diskStamp_, path)) {
        const int answer = program.ui.MessageBox(
            program.GetMessage(kMsgSaveChangesCaption),
            program.GetMessage(kMsgChangedElsewhere) + "\r\n" + PathAsText(path),
            MessageButtons::YesNoCancel);
        if (answer == kAnswerNo) {
            MnSaveToClick();
            return fileState_ == kUnchanged ? kOk : kProjectCreate;
        }
        if (answer != kAnswerYes) return kProjectCreate;
    }

    if (!userNameAsked_) {
        userNameAsked_ = true;
        InputTextRequest request;
        request.caption = program.GetMessage(kMsgUserNameTitle);
        request.prompt = program.GetMessage(kMsgUserNamePrompt);
        request.text = settings.User;
        request.singleLine = true;
        std::string answer;
        if (!program.ui.InputText(request, answer)) answer.clear();
        settings.User = CutTo(answer, kMaxText);
    }
    if (project_.userName.empty()) project_.userName = settings.User;
    if (project_.title.empty()) project_.title = std::string(kDefaultProjectTitle);

    // The previous file and its backup stay as they are until the new file
    // is complete on the disk.
    FileReplacement file;
    if (const ErrorCode code = file.Begin(path); code != kOk) {
        program.ReportError(code, kProjectCreate, PathAsText(path));
        ShowError(program);
        return kProjectCreate;
    }
    const bool written = WriteProjectLines(file.File(), project_, history_, path);
    const ErrorCode committed = written ? file.Commit(kBackupExtension) : kReplaceFailed;
    if (committed != kOk) {
        file.Discard();
        // fileState still says that the project has unsaved changes.
        program.ReportError(kReplaceFailed, kProjectWrite, PathAsText(path));
        ShowError(program);
        return kProjectWrite;
    }

    savedCount_ = history_.Count();
    stampedPath_ = path;
    diskStamp_ = StampFile(path);
    if (locksProjects_ && lock_.Project() != path) (void)lock_.Take(path);
    if (!program.errors.Empty()) ShowError(program);
    fileState_ = kUnchanged;
    undo_.MarkSaved();
    RememberProject(path);
    Redraw();
    return kOk;
}

bool Workspace::ReadProject(std::string_view fileName, bool showErrors) {
    NoticeScope notice(*this);
    Changed(Change::Project | Change::Records);
    Program& program = program_;
    // Reading takes a file whose name differs only in letter case.
    const std::string path = ResolvePathCase(ProjectFileName(fileName));
    fileState_ = kNoProject;
    // The points of a previous read must not end up in front of these.
    history_.Clear(0);

    const ProjectReadResult reader =
        ReadProjectFile(program, project_, history_, path, kImagePattern);

    const bool failed = reader.error != kOk || reader.abandoned;
    if (!reader.abandoned) {
        if (!failed) {
            // A negative resolution is as unusable as none.
            if (project_.resolutionDpi <= 0) {
                program.ReportError(kProjectNoResolution, 0, PathAsText(path));
            } else if (project_.imagePath.empty()) {
                program.ReportError(kProjectNoImage, 0, PathAsText(path));
            }
        }
        if (project_.formatVersion == 0) project_.formatVersion = Project::kFileFormatVersion;
    }
    const bool ok = !failed && project_.resolutionDpi > 0 && !project_.imagePath.empty();

    if (ok) {
        project_.fitImagePending = true;
        project_.projectPath = path;
        stampedPath_ = path;
        diskStamp_ = StampFile(path);
        fileState_ = reader.imageMoved ? kChanged : kUnchanged;
    } else {
        project_.imagePath.clear();
        project_.originalImagePath.clear();
        project_.resolutionDpi = 0;
        project_.projectPath.clear();
        project_.userName.clear();
        history_.Clear(0);
        fileState_ = kNoProject;
    }

    if (reader.abandoned) return false;
    if (showErrors) {
        if (!program.errors.Empty()) ShowError(program);
    } else {
        program.errors.Clear();
    }
    return ok;
}

}  // namespace kvx
