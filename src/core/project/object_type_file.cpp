#include "core/project/object_type_file.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "core/program/error_report.hpp"
#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

constexpr ErrorCode kFieldSlot = 61050200;
constexpr ErrorCode kFieldClass = 61050300;
constexpr ErrorCode kFieldNames = 61050400;
constexpr ErrorCode kFieldDataType = 61050500;
constexpr ErrorCode kFieldShow = 61050600;
constexpr ErrorCode kFieldColour = 61050700;
constexpr ErrorCode kFieldAttribute = 61050800;
constexpr ErrorCode kFieldTextFont = 61051100;
constexpr ErrorCode kFieldSize = 61051200;
constexpr ErrorCode kFieldSymbolNumber = 61051300;
constexpr ErrorCode kFieldSymbolFont = 61051400;
constexpr ErrorCode kFieldSymbolSize = 61051500;
constexpr ErrorCode kFieldStyle = 61051600;
constexpr ErrorCode kFieldTextColour = 61051700;
constexpr ErrorCode kFieldShowLabel = 61051800;

constexpr char kSeparator = ';';
constexpr std::size_t kMaxGermanField = 100;
constexpr int32_t kHalvingThreshold = 1000;
constexpr std::size_t kMaxPath = 255;
constexpr std::size_t kMaxLocatedName = 254;

std::string HomeDirectory() {
    const char* home = std::getenv("HOME");
    return (home != nullptr && *home != '\0') ? std::string(home) : std::string("/");
}

bool IsAbsolutePath(std::string_view path) {
    if (!path.empty() && IsPathSeparator(path.front())) return true;
    // A name stored on Windows ("X:\dir\file").
    return path.size() >= 2 && path[1] == ':';
}

constexpr int kMessageCaption = 2020;
constexpr int kMessageNotWritten = 2363;
constexpr int kMessageWrittenToCopy = 2364;
constexpr int kMessageReplaceDamaged = 2367;
constexpr int kMessageBothChanged = 2168;
// The types that come with the program, in its data folder.
constexpr const char* kShippedObjectTypeFile = "Korvanix.kxo";

// The per-user copy of an object-type file: its bare name in the
// configuration folder; empty without one.
std::string PerUserCopy(const Program& program, std::string_view path) {
    const std::string bareName = ExtractFileName(path);
    if (program.configDir.empty() || bareName.empty()) return {};
    return JoinPath(program.configDir, bareName);
}

std::string FullPath(const Program& program, const std::string& path) {
    if (!path.empty() && path.front() == kPathSeparator) return path;
    return JoinPath(program.startDir, path);
}

// True when path names a file directly inside folder (the same folder
// reached by another spelling counts).
bool InFolder(const std::string& path, const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code error;
    return std::filesystem::equivalent(
               std::filesystem::path(ExtractFileDir(path).empty() ? std::string(".")
                                                                  : ExtractFileDir(path)),
               std::filesystem::path(folder), error) &&
           !error;
}

struct WriteResult {
    ErrorCode code = kOk;      // the first failure, 0 on success
    ErrorCode passCode = kOk;  // what it is passed on as
};

// The types of the file at path as it is now, read without a word; false
// when there is no such file, it cannot be read whole or it holds no type
// (an empty file is damaged, not a table to merge with).
bool ReadTypesQuietly(const std::string& path, ObjectTypeTable& table) {
    TextFile file;
    if (OpenTextFileAt(path, file) != kOk) return false;
    table.Clear();
    std::string raw;
    ObjectTypeLine parsed;
    bool any = false;
    for (;;) {
        const TextFile::ReadStatus status = file.ReadLine(raw);
        if (status == TextFile::ReadStatus::End) break;
        if (status == TextFile::ReadStatus::Error) return false;
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';') continue;
        ErrorCode failedField = kOk;
        if (ParseObjectTypeLine(line, parsed, failedField) != kOk) return false;
        *table.Find(parsed.slot) = parsed.type;
        any = true;
    }
    return any;
}

bool SameApartFromUse(ObjectType a, const ObjectType& b) {
    a.frequency = b.frequency;
    return a == b;
}

// Another run may have saved the file since this one read it. Slots this run
// did not change take what the file holds now; slots only this run changed
// keep this run's version; where both changed a slot differently the person
// chooses. Usage counts add what each run counted.
void MergeWithFileOnDisk(Program& program, const std::string& path) {
    ObjectTypeTable onDisk;
    if (!ReadTypesQuietly(path, onDisk) || onDisk == program.objectTypesAsRead) return;
    const ObjectTypeTable& base = program.objectTypesAsRead;
    ObjectTypeTable& mine = program.objectTypes;
    const int language = program.settings.Language;
    for (int slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        const ObjectType& before = base.At(slot);
        const ObjectType& theirs = onDisk.At(slot);
        ObjectType& ours = *mine.Find(slot);
        const int32_t counted = ours.frequency - before.frequency;
        if (SameApartFromUse(ours, before) || SameApartFromUse(ours, theirs)) {
            ours = theirs;
        } else if (!SameApartFromUse(theirs, before)) {
            const std::string shown = ours.InUse() ? ours.Name(language) : theirs.Name(language);
            if (program.ui.MessageBox(program.GetMessage(kMessageCaption),
                                      program.GetMessage(kMessageBothChanged) + IntToStr(slot) +
                                          " " + shown + "\r\n" + path,
                                      MessageButtons::YesNo) != kAnswerYes) {
                ours = theirs;
            }
        }
        if (ours.InUse()) {
            const int64_t sum = int64_t{theirs.InUse() ? theirs.frequency : 0} + counted;
            ours.frequency = static_cast<int32_t>(std::max<int64_t>(0, sum));
        }
    }
}

// Writes the table to path, merged with what another run saved there since
// this one read it; nothing is recorded, so that the caller can try another
// place first.
WriteResult WriteObjectTypeFile(Program& program, const std::string& path) {
    MergeWithFileOnDisk(program, path);
    FileReplacement file;
    if (const ErrorCode code = file.Begin(path); code != kOk) return {code, kObjectTypeCreate};
    const int language = program.settings.Language;
    TextFile& out = file.File();
    bool ok = out.WriteLine(kObjectTypeComment1) && out.WriteLine(kObjectTypeComment2);
    for (int slot = 1; ok && slot <= ObjectTypeTable::kSlots; ++slot) {
        const ObjectType& type = program.objectTypes.At(slot);
        if (type.InUse()) ok = out.WriteLine(FormatObjectTypeLine(slot, type, language));
    }
    if (!ok || file.Commit("BAK") != kOk) return {kReplaceFailed, kObjectTypeWrite};
    program.objectTypesAsRead = program.objectTypes;
    return {};
}

// Reads the fields in order; the first failure records which field it was.
class LineReader {
public:
    explicit LineReader(std::string_view line) : line_(line) {}

    template <typename T>
    bool Read(int field, char kind, T& destination, ErrorCode passCode) {
        if (code_ != kOk) return false;
        code_ = GetField(line_, kSeparator, kind, false, destination, field);
        if (code_ != kOk) failedField_ = passCode;
        return code_ == kOk;
    }
    ErrorCode Code() const { return code_; }
    ErrorCode FailedField() const { return failedField_; }

private:
    std::string_view line_;
    ErrorCode code_ = kOk;
    ErrorCode failedField_ = kOk;
};

}  // namespace

uint8_t DataTypeFromName(std::string_view name) {
    if (name.empty()) return kUndefined;
    switch (name[0]) {
        case 'C':
            return kCount;
        case 'L':
            return kLine;
        case 'O':
            return kObject;
        case 'P':
            return (name.size() >= 3 && UpperAscii(name[2]) == 'L') ? kPolygon : kPoint;
        case 'T':
            return (name.size() >= 2 && UpperAscii(name[1]) == 'E') ? kText : kTwoPointLine;
        default:
            return kUndefined;
    }
}

ErrorCode ParseObjectTypeLine(std::string_view line, ObjectTypeLine& out, ErrorCode& failedField) {
    out = ObjectTypeLine{};
    failedField = kOk;
    LineReader reader(line);
    ObjectType& t = out.type;

    int32_t slot = 0;
    if (!reader.Read(1, 'I', slot, kFieldSlot)) {
        failedField = reader.FailedField();
        return reader.Code();
    }
    if (!ObjectTypeTable::ValidSlot(slot)) {
        failedField = kFieldSlot;
        return kObjectTypeSlotRange;
    }
    out.slot = slot;

    std::string text;
    if (reader.Read(2, 'S', text, kFieldClass)) {
        t.dataClass = text.empty()     ? kClassEmpty
                      : text[0] == '9' ? kClassSystem
                      : text[0] == '0' ? kClassUser
                                       : kClassEmpty;
    }
    if (reader.Read(3, 'S', text, kFieldNames)) {
        const std::size_t hash = text.find('#');
        if (hash == std::string::npos) {
            t.nameEnglish = CutTo(text, ObjectType::kMaxName);
            t.nameGerman = t.nameEnglish;
        } else {
            t.nameEnglish = CutTo(std::string_view(text).substr(0, hash), ObjectType::kMaxName);
            const std::string german =
                CutTo(std::string_view(text).substr(hash + 1), kMaxGermanField);
            t.nameGerman = CutTo(german, ObjectType::kMaxName);
        }
    }
    if (reader.Read(4, 'S', text, kFieldDataType)) t.dataType = DataTypeFromName(text);

    int32_t colour = 0;
    int32_t showLabel = 0;
    reader.Read(5, 'X', t.show, kFieldShow);
    reader.Read(6, 'H', colour, kFieldColour);
    reader.Read(7, 'I', t.attribute, kFieldAttribute);
    if (reader.Read(8, 'S', text, kFieldTextFont)) t.textFont = CutTo(text, ObjectType::kMaxFont);
    reader.Read(9, 'I', t.size, kFieldSize);
    reader.Read(10, 'I', t.symbolNumber, kFieldSymbolNumber);
    if (reader.Read(11, 'S', text, kFieldSymbolFont)) {
        t.symbolFont = CutTo(text, ObjectType::kMaxFont);
    }
    reader.Read(12, 'I', t.symbolSize, kFieldSymbolSize);
    reader.Read(13, 'I', t.style, kFieldStyle);
    reader.Read(14, 'H', t.textColour, kFieldTextColour);
    reader.Read(15, 'I', showLabel, kFieldShowLabel);
    if (reader.Code() != kOk) {
        failedField = reader.FailedField();
        return reader.Code();
    }
    t.showLabel = showLabel != 0;

    // The usage counter came later than the other fields; files without it
    // (or with a bad one) simply start counting from zero.
    int32_t frequency = 0;
    if (GetField(line, kSeparator, 'I', true, frequency, 16) == kOk) t.frequency = frequency;
    out.highFrequency = t.frequency > kHalvingThreshold;
    t.colour = colour;
    return kOk;
}

std::string FormatObjectTypeLine(int slot, const ObjectType& type, int language) {
    std::string classText;
    if (type.dataClass == kClassSystem) {
        classText = "9(System)";
    } else {
        classText = language == 0 ? "0(Anwender)" : "0(User)";
    }
    const auto part = [](std::string& line, std::string_view text) {
        line += text;
        line += kSeparator;
    };
    // A separator or a line break inside a name or a font would shift every
    // later field and make the line unreadable at the next start.
    const auto field = [](std::string_view text) {
        std::string clean(text);
        for (char& c : clean) {
            if (c == kSeparator) c = ',';
            if (c == '\r' || c == '\n') c = ' ';
        }
        return clean;
    };
    // The names go last into the budget: the reader keeps 255 characters of
    // a line, and a longer line would lose its final fields and fail to load.
    // The German name is usually a copy of the English one, so it gives way
    // first.
    std::string english = field(type.nameEnglish);
    std::string german = field(type.nameGerman);
    const auto build = [&](std::string_view en, std::string_view de) {
        std::string line;
        line.reserve(kMaxPath + 64);
        part(line, IntToStr(slot));
        part(line, classText);
        std::string names(en);
        names += '#';
        names += de;
        part(line, names);
        part(line, DataTypeName(type.dataType, 1));
        part(line, type.show ? "1" : "0");
        part(line, IntToHex(type.colour));
        part(line, IntToStr(type.attribute));
        part(line, field(type.textFont));
        part(line, IntToStr(type.size));
        part(line, IntToStr(type.symbolNumber));
        part(line, field(type.symbolFont));
        part(line, IntToStr(type.symbolSize));
        part(line, IntToStr(type.style));
        part(line, IntToHex(type.textColour));
        part(line, type.showLabel ? "1" : "0");
        part(line, IntToStr(type.frequency));
        return line;
    };
    std::string line = build(english, german);
    if (line.size() > TextFile::kMaxLine) {
        const std::size_t excess = line.size() - TextFile::kMaxLine;
        const std::size_t fromGerman = std::min(excess, german.size());
        german.resize(german.size() - fromGerman);
        english.resize(english.size() - std::min(excess - fromGerman, english.size()));
        line = build(english, german);
    }
    return line;
}

ErrorCode LocateDataFile(Program& program, std::string& fileName, std::size_t maxLength) {
    const std::string firstGiven = fileName;
    const std::string bareName = ExtractFileName(firstGiven);
    std::string candidate;
    bool found = false;
    // A name without a folder means the program's own data folder; the
    // folder a terminal happened to be in is only looked at after it, so a
    // stray file of that name there never replaces the shipped one.
    if (!IsAbsolutePath(firstGiven)) {
        for (const std::string& beside :
             {JoinPath(program.programDir, firstGiven), JoinPath(program.programDir, bareName)}) {
            candidate = beside;
            if (!bareName.empty() && FileExists(candidate, kMaxPath, false, {})) {
                found = true;
                break;
            }
        }
    }
    if (!found) {
        candidate = firstGiven;
        found = FileExists(candidate, kMaxPath, true, program.startDir);
    }
    if (!found && !bareName.empty()) {
        candidate = JoinPath(program.programDir, bareName);
        found = FileExists(candidate, kMaxPath, false, {});
    }
    if (!found) {
        // A file that is there but cannot be opened (no permission, no file
        // handle left) is not missing: opening it tells the system's reason,
        // where looking elsewhere would only say it cannot be found.
        const std::string inProgramDir =
            IsAbsolutePath(firstGiven) ? std::string() : JoinPath(program.programDir, firstGiven);
        for (const std::string& there : {inProgramDir, firstGiven}) {
            struct stat info {};
            if (!there.empty() && ::stat(there.c_str(), &info) == 0) {
                candidate = there;
                found = true;
                break;
            }
        }
    }
    if (!found) candidate = firstGiven;
    while (!found) {
        const std::string text =
            "Cannot find data (" + candidate + "). Please indicate drive/directory !";
        if (program.ui.MessageBox("Warning !", text, MessageButtons::OkCancel) != kAnswerOk) {
            return kLocateCancelled;
        }
        std::string directory = program.ui.PickDirectory(true, HomeDirectory());
        // Cancelling the picker means giving up as well; asking again would
        // leave the person no way out but the warning's Cancel.
        if (directory.empty()) return kLocateCancelled;
        if (!IsPathSeparator(directory.back())) directory += kPathSeparator;
        program.settings.DataPath = CutTo(directory, kMaxPath);
        candidate = CutTo(program.settings.DataPath + bareName, kMaxLocatedName);
        found = FileExists(candidate, kMaxPath, true, program.startDir);
    }
    fileName = CutTo(candidate, maxLength);
    return kOk;
}

namespace {

// What reading one type file gave: failed on a bad line or a read error
// (what was read before it stays), and whether it held anything but blanks
// (a file of comments alone is a table with no types, as Save writes it).
struct TypeFileRead {
    bool failed = false;
    bool anyLine = false;
};

TypeFileRead ReadTypeFile(Program& program, TextFile& file, const std::string& path) {
    ObjectTypeTable& table = program.objectTypes;
    TypeFileRead result;
    bool halve = false;
    std::string raw;
    ObjectTypeLine parsed;
    for (;;) {
        const TextFile::ReadStatus status = file.ReadLine(raw);
        if (status == TextFile::ReadStatus::End) break;
        if (status == TextFile::ReadStatus::Error) {
            // A read error ends the file like a bad line: what was read stays.
            program.ReportError(kObjectTypeBadLine, 0, path);
            result.failed = true;
            break;
        }
        const std::string line = Trim(raw);
        if (!line.empty()) result.anyLine = true;
        if (line.empty() || line[0] == ';') continue;
        ErrorCode failedField = kOk;
        if (const ErrorCode code = ParseObjectTypeLine(line, parsed, failedField); code != kOk) {
            program.ReportError(code, failedField, line);
            program.ReportError(kObjectTypeBadLine, 0, line);
            result.failed = true;
            break;
        }
        *table.Find(parsed.slot) = parsed.type;
        halve = halve || parsed.highFrequency;
    }
    file.Close();
    if (!result.failed && halve) {
        for (int slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
            table.Find(slot)->frequency /= 2;
        }
    }
    return result;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace

bool LoadObjectTypes(Program& program, std::string_view fileName) {
    ObjectTypeTable& table = program.objectTypes;
    table.Clear();

    bool failed = false;
    const auto finish = [&]() {
        program.objectTypesAsRead = table;
        if (!program.errors.Empty()) ShowError(program);
        return !failed;
    };

    program.objectTypeSource.clear();
    program.objectTypeRequest.clear();
    program.damagedObjectTypeFile.clear();
    std::string path(fileName);
    bool inConfigDir = false;
    if (!program.configDir.empty() && !path.empty() && !IsAbsolutePath(path)) {
        // A per-user copy that is there but cannot be read is damaged, not
        // absent: the shipped file must not silently take its place.
        std::string own = PerUserCopy(program, path);
        if (Exists(own)) {
            path = std::move(own);
            inConfigDir = true;
        }
    }
    if (!inConfigDir) {
        if (const ErrorCode code = LocateDataFile(program, path, kMaxPath); code != kOk) {
            program.ReportError(code, kObjectTypeLocate, fileName);
            failed = true;
            return finish();
        }
    }

    TextFile file;
    const ErrorCode opened = OpenTextFileAt(path, file);
    TypeFileRead read;
    if (opened == kOk) {
        program.objectTypeSource = FullPath(program, path);
        program.objectTypeRequest = std::string(fileName);
        read = ReadTypeFile(program, file, path);
        failed = read.failed;
    } else {
        program.ReportError(opened, kObjectTypeOpen, path);
    }
    if (opened == kOk && (read.failed || read.anyLine)) return finish();

    // An empty file, or one that cannot be read, holds no types worth
    // keeping and no table worth writing back: the shipped types are used
    // instead, and the file is written over only when the person agrees.
    program.ReportError(kObjectTypeDamaged, 0, path);
    program.damagedObjectTypeFile = FullPath(program, path);
    table.Clear();
    const std::string shipped = JoinPath(program.programDir, kShippedObjectTypeFile);
    TextFile shippedFile;
    if (FullPath(program, shipped) == program.damagedObjectTypeFile ||
        OpenTextFileAt(shipped, shippedFile) != kOk) {
        failed = true;
        return finish();
    }
    program.objectTypeSource = FullPath(program, shipped);
    program.objectTypeRequest = std::string(fileName);
    failed = ReadTypeFile(program, shippedFile, shipped).failed;
    return finish();
}

namespace {

// The file that could not be read at the start is replaced only when the
// person says so: it may be a colleague's, or readable again tomorrow.
bool MayReplaceDamaged(Program& program, const std::string& target) {
    if (program.damagedObjectTypeFile.empty() ||
        FullPath(program, target) != program.damagedObjectTypeFile) {
        return true;
    }
    return program.ui.MessageBox(program.GetMessage(kMessageCaption),
                                 program.GetMessage(kMessageReplaceDamaged) + "\r\n" + target,
                                 MessageButtons::YesNo) == kAnswerYes;
}

}  // namespace

ErrorCode SaveObjectTypes(Program& program, std::string_view fileName) {
    const std::string name(fileName);
    const std::string perUser = PerUserCopy(program, name);
    // Without a file name the backup step would act on the folder itself.
    if (ExtractFileName(name).empty()) {
        program.ReportError(kObjectTypeCreate, 0, name);
        return kObjectTypeCreate;
    }

    // Only a file the person named with its folder, and read from exactly
    // there, is written back in place. The shipped file belongs to the
    // installation, and a name without a folder was found by searching
    // (possibly in whatever folder the program was started from): those go
    // to the person's own copy, which the next start reads first.
    const bool readFromThere = program.objectTypeSource.empty() ||
                               name != program.objectTypeRequest ||
                               program.objectTypeSource == name;
    if (name.front() != kPathSeparator || !readFromThere || InFolder(name, program.programDir)) {
        if (perUser.empty()) {
            program.ReportError(kObjectTypeCreate, 0, name);
            return kObjectTypeCreate;
        }
        if (!MayReplaceDamaged(program, perUser)) return kOk;
        const WriteResult result = WriteObjectTypeFile(program, perUser);
        if (result.code != kOk) program.ReportError(result.code, result.passCode, perUser);
        return result.passCode;
    }

    if (!MayReplaceDamaged(program, name)) return kOk;
    const WriteResult result = WriteObjectTypeFile(program, name);
    if (result.code == kOk) return kOk;
    // A file the person chose (a lab-wide one, say) that cannot be written
    // any more: the edits and usage counts go to their own copy instead, and
    // the configuration names that copy from now on.
    if (!perUser.empty() && perUser != name && WriteObjectTypeFile(program, perUser).code == kOk) {
        program.settings.ObjectTypeFile = CutTo(ExtractFileName(name), kShortStringMax);
        program.objectTypeSource = perUser;
        program.objectTypeRequest = program.settings.ObjectTypeFile;
        (void)program.ui.MessageBox(program.GetMessage(kMessageCaption),
                                    program.GetMessage(kMessageNotWritten) + "\r\n" + name +
                                        "\r\n" + program.GetMessage(kMessageWrittenToCopy) +
                                        "\r\n" + perUser,
                                    MessageButtons::Ok);
        return kOk;
    }
    program.ReportError(result.code, result.passCode, name);
    return result.passCode;
}

}  // namespace kvx
