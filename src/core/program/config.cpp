#include "core/program/config.hpp"

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <tuple>

#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

// How an item's value text maps onto its setting.
enum class Kind {
    Integer,   // any 32-bit number
    Positive,  // a number above 0; others keep the setting
    Scale,     // a number, at least 100
    Flag,      // a byte that is 1 for every number other than 0
    Byte,      // a byte 0..255; others keep the setting
    Text,      // text cut to the short-string length
    PoolPath,  // text kept only when it names a folder
    Drive,     // the first letter, in capitals
    Real,      // a floating-point number
    Layer,     // one entry of DisplayLayers
    Fixed,     // written as a constant, never read into a setting
};

// One configuration item: its number and name in the file, how its value
// is read and written, the text that "default" stands for, and the setting
// it belongs to (one of the member pointers, or the layer index).
struct ItemDef {
    int32_t number;
    const char* name;
    Kind kind;
    const char* defaultText;
    int32_t Settings::*integer = nullptr;
    uint8_t Settings::*byte = nullptr;
    std::string Settings::*text = nullptr;
    std::size_t layer = 0;
    const char* fixed = nullptr;
    // The values a number item accepts; others are refused, so that a value
    // no program could have written cannot overflow the drawing's arithmetic.
    int32_t minimum = std::numeric_limits<int32_t>::min();
    int32_t maximum = std::numeric_limits<int32_t>::max();
};

constexpr int32_t kUnitId = 62;
constexpr int kMessageItem = 2361;
// The statistics box and its font are drawn on a surface of 2000 pixels; no
// larger value means anything there.
constexpr int32_t kMaxBoxSize = 2000;
constexpr int32_t kMaxStatisticsFont = 2000;
constexpr int32_t kMaxRecordCapacity = 100 * 1024;

constexpr ItemDef kItems[] = {
    {.number = 0, .name = "ID.Unit-ID", .kind = Kind::Fixed, .defaultText = "62", .fixed = "62"},
    {.number = 1, .name = "Output.Format", .kind = Kind::Fixed, .defaultText = "1", .fixed = "10"},
    {.number = 2,
     .name = "Data.PoolPath",
     .kind = Kind::PoolPath,
     .defaultText = "",
     .text = &Settings::ImagePoolPath},
    {.number = 3,
     .name = "Calculate.AutoDefineClasses",
     .kind = Kind::Integer,
     .defaultText = "0",
     .integer = &Settings::AdaptClassSize},
    {.number = 4,
     .name = "Display.MeasureFieldWide",
     .kind = Kind::Integer,
     .defaultText = "0",
     .integer = &Settings::MeasureFieldWidth},
    {.number = 5,
     .name = "Main.Language",
     .kind = Kind::Byte,
     .defaultText = "1",
     .byte = &Settings::Language},
    {.number = 6,
     .name = "Output.AdaptToCdr",
     .kind = Kind::Flag,
     .defaultText = "1",
     .byte = &Settings::AdaptToCdr},
    {.number = 7,
     .name = "Data.SourcePath",
     .kind = Kind::Text,
     .defaultText = "",
     .text = &Settings::DataPath},
    {.number = 8,
     .name = "Data.MapConfigFile",
     .kind = Kind::Text,
     .defaultText = "Korvanix.kxo",
     .text = &Settings::ObjectTypeFile},
    {.number = 9,
     .name = "Display.PlusEnlarge",
     .kind = Kind::Integer,
     .defaultText = "25",
     .integer = &Settings::EnlargePercent},
    {.number = 10,
     .name = "Display.MinusReduce",
     .kind = Kind::Integer,
     .defaultText = "400",
     .integer = &Settings::ReducePercent},
    {.number = 11,
     .name = "Frame.MinLatGrid",
     .kind = Kind::Integer,
     .defaultText = "6",
     .integer = &Settings::RasterDivision},
    {.number = 12,
     .name = "Display.TableUnit",
     .kind = Kind::Integer,
     .defaultText = "1",
     .integer = &Settings::TableUnit},
    {.number = 13,
     .name = "Export.ClassSize",
     .kind = Kind::Integer,
     .defaultText = "100",
     .integer = &Settings::ClassSize},
    {.number = 14,
     .name = "Display.FineScale",
     .kind = Kind::Integer,
     .defaultText = "1",
     .integer = &Settings::FineScalingPercent},
    {.number = 15,
     .name = "Display.MinFrameSelect",
     .kind = Kind::Integer,
     .defaultText = "5",
     .integer = &Settings::MinSelectionSize},
    {.number = 16,
     .name = "Frame.RasterMargin",
     .kind = Kind::Integer,
     .defaultText = "10",
     .integer = &Settings::RasterLabelSpacing},
    {.number = 17,
     .name = "Display.SnapToGrid",
     .kind = Kind::Integer,
     .defaultText = "1",
     .integer = &Settings::SnapToRaster},
    {.number = 18,
     .name = "Calculate.AutoClassPercentage",
     .kind = Kind::Integer,
     .defaultText = "3",
     .integer = &Settings::ClassSizePercent},
    {.number = 19,
     .name = "Export.OutPutToScreenList",
     .kind = Kind::Integer,
     .defaultText = "0",
     .integer = &Settings::OutputItemMask},
    {.number = 20,
     .name = "Data.LastImportDir",
     .kind = Kind::Text,
     .defaultText = "",
     .text = &Settings::LastImportDir},
    {.number = 21,
     .name = "Data.MaxDrawHistory",
     .kind = Kind::Integer,
     .defaultText = "10240",
     .integer = &Settings::RecordCapacity,
     // The options dialog offers 1 to 100 times 1024; a table of no record
     // or of billions cannot be created, and the program would not start.
     .minimum = 1,
     .maximum = kMaxRecordCapacity},
    {.number = 22,
     .name = "Output.Decimals",
     .kind = Kind::Integer,
     .defaultText = "3",
     .integer = &Settings::DecimalPlaces},
    {.number = 23,
     .name = "Display.MarkPointSize",
     .kind = Kind::Positive,
     .defaultText = "15",
     .integer = &Settings::PointSizeCapture},
    {.number = 24,
     .name = "Display.EditPointSize",
     .kind = Kind::Positive,
     .defaultText = "15",
     .integer = &Settings::PointSizeModify},
    {.number = 25,
     .name = "Data.LastResolution",
     .kind = Kind::Integer,
     .defaultText = "1200",
     .integer = &Settings::LastResolution},
    {.number = 26,
     .name = "Data.CopyImage",
     .kind = Kind::Integer,
     .defaultText = "0",
     .integer = &Settings::CopyImage},
    {.number = 27,
     .name = "Display.BackGroundColour",
     .kind = Kind::Integer,
     .defaultText = "16777215",
     .integer = &Settings::Colour1},
    {.number = 28,
     .name = "Display.ShowTPLValues",
     .kind = Kind::Integer,
     .defaultText = "0",
     .integer = &Settings::ShowTplValues},
    {.number = 29,
     .name = "Display.FKeyStartRec",
     .kind = Kind::Integer,
     .defaultText = "0",
     .integer = &Settings::QuickSelectCaptures},
    {.number = 30,
     .name = "Display.X",
     .kind = Kind::Integer,
     .defaultText = "0",
     .integer = &Settings::WindowLeft},
    {.number = 31,
     .name = "Display.Y",
     .kind = Kind::Integer,
     .defaultText = "0",
     .integer = &Settings::WindowTop},
    {.number = 32,
     .name = "Display.Width",
     .kind = Kind::Integer,
     .defaultText = "800",
     .integer = &Settings::WindowWidth},
    {.number = 33,
     .name = "Display.Height",
     .kind = Kind::Integer,
     .defaultText = "580",
     .integer = &Settings::WindowHeight},
    {.number = 35,
     .name = "Output.AskForVectorNames",
     .kind = Kind::Flag,
     .defaultText = "0",
     .byte = &Settings::AskObjectName},
    {.number = 36,
     .name = "Output.LastExportDir",
     .kind = Kind::Text,
     .defaultText = "",
     .text = &Settings::LastExportDir},
    {.number = 37,
     .name = "Output.RecVecType",
     .kind = Kind::Integer,
     .defaultText = "151",
     .integer = &Settings::RecVecType},
    {.number = 38,
     .name = "Display.EditModeNbr",
     .kind = Kind::Byte,
     .defaultText = "0",
     .byte = &Settings::EditModeNbr},
    {.number = 39,
     .name = "Output.AppendExportFile",
     .kind = Kind::Flag,
     .defaultText = "1",
     .byte = &Settings::AppendExportFile},
    {.number = 40,
     .name = "Display.StatFontPitch",
     .kind = Kind::Integer,
     .defaultText = "0",
     .integer = &Settings::MaxStatisticsFontSize,
     .minimum = 0,
     .maximum = kMaxStatisticsFont},
    {.number = 41,
     .name = "Data.LastImageDirectory",
     .kind = Kind::Text,
     .defaultText = "",
     .text = &Settings::ImportPath},
    {.number = 42,
     .name = "obsolete.ShowFinestTopoData",
     .kind = Kind::Fixed,
     .defaultText = "1",
     .fixed = "0"},
    {.number = 43,
     .name = "Display.TransparentColor",
     .kind = Kind::Integer,
     .defaultText = "50331647",
     .integer = &Settings::Colour3},
    {.number = 44,
     .name = "Display.BitMapsTransparent",
     .kind = Kind::Flag,
     .defaultText = "1",
     .byte = &Settings::BitMapsTransparent},
    {.number = 45,
     .name = "System.ShowWarningErrors",
     .kind = Kind::Byte,
     .defaultText = "1",
     .byte = &Settings::ShowWarningErrors},
    {.number = 48, .name = "Display.Layer1", .kind = Kind::Layer, .defaultText = "1", .layer = 0},
    {.number = 49, .name = "Display.Layer2", .kind = Kind::Layer, .defaultText = "-2", .layer = 1},
    {.number = 50, .name = "Display.Layer3", .kind = Kind::Layer, .defaultText = "3", .layer = 2},
    {.number = 51, .name = "Display.Layer4", .kind = Kind::Layer, .defaultText = "4", .layer = 3},
    {.number = 52, .name = "Display.Layer5", .kind = Kind::Layer, .defaultText = "5", .layer = 4},
    {.number = 53, .name = "Display.Layer6", .kind = Kind::Layer, .defaultText = "6", .layer = 5},
    {.number = 54, .name = "Display.Layer7", .kind = Kind::Layer, .defaultText = "7", .layer = 6},
    {.number = 55, .name = "Display.Layer8", .kind = Kind::Layer, .defaultText = "8", .layer = 7},
    {.number = 56, .name = "Display.Layer9", .kind = Kind::Layer, .defaultText = "-9", .layer = 8},
    {.number = 57,
     .name = "Display.BlendOut",
     .kind = Kind::Integer,
     .defaultText = "0",
     .integer = &Settings::HideNonCurrent},
    {.number = 58,
     .name = "System.ShowFileNamesOnly",
     .kind = Kind::Integer,
     .defaultText = "0",
     .integer = &Settings::ShowFileNamesOnly},
    {.number = 59, .name = "System.ImageDrive", .kind = Kind::Drive, .defaultText = " "},
    {.number = 60,
     .name = "Display.Layer10",
     .kind = Kind::Layer,
     .defaultText = "-10",
     .layer = 9},
    {.number = 61,
     .name = "Display.WinXPMode",
     .kind = Kind::Integer,
     .defaultText = "2",
     .integer = &Settings::PerformanceMode},
    {.number = 62,
     .name = "Display.DelColor",
     .kind = Kind::Integer,
     .defaultText = "8421504",
     .integer = &Settings::Colour2},
    {.number = 63,
     .name = "Display.ScaleMeasure",
     .kind = Kind::Scale,
     .defaultText = "100",
     .integer = &Settings::ScaleMeasure},
    {.number = 64, .name = "Display.Calibration", .kind = Kind::Real, .defaultText = "0"},
    {.number = 65,
     .name = "Output.JPGCompression",
     .kind = Kind::Integer,
     .defaultText = "100",
     .integer = &Settings::JpegQuality},
    {.number = 66,
     .name = "Main.User",
     .kind = Kind::Text,
     .defaultText = "",
     .text = &Settings::User},
    {.number = 67,
     .name = "Display.BoxHeight",
     .kind = Kind::Integer,
     .defaultText = "252",
     .integer = &Settings::BoxSize,
     .minimum = 0,
     .maximum = kMaxBoxSize},
};

// Every item that reads or writes a setting names it, so that adding a row
// cannot silently leave an item unconnected.
constexpr bool EveryItemHasItsSetting() {
    for (const ItemDef& def : kItems) {
        switch (def.kind) {
            case Kind::Integer:
            case Kind::Positive:
            case Kind::Scale:
                if (def.integer == nullptr) return false;
                break;
            case Kind::Flag:
            case Kind::Byte:
                if (def.byte == nullptr) return false;
                break;
            case Kind::Text:
            case Kind::PoolPath:
                if (def.text == nullptr) return false;
                break;
            case Kind::Layer:
                if (def.layer >= std::tuple_size_v<decltype(Settings::DisplayLayers)>) return false;
                break;
            case Kind::Fixed:
                if (def.fixed == nullptr) return false;
                break;
            case Kind::Drive:
            case Kind::Real:
                break;
        }
    }
    return true;
}
static_assert(EveryItemHasItsSetting());

const ItemDef* FindItem(int32_t item) {
    for (const ItemDef& def : kItems) {
        if (def.number == item) return &def;
    }
    return nullptr;
}

void AssignNumber(Settings& s, const ItemDef& def, int32_t v) {
    switch (def.kind) {
        case Kind::Integer:
            s.*def.integer = v;
            break;
        case Kind::Positive:
            if (v > 0) s.*def.integer = v;
            break;
        case Kind::Scale:
            s.*def.integer = v < 100 ? 100 : v;
            break;
        case Kind::Flag:
            s.*def.byte = v != 0 ? 1 : 0;
            break;
        case Kind::Byte:
            // Anything outside 0..255 keeps the previous value rather than
            // wrapping around.
            if (v >= 0 && v <= 255) s.*def.byte = static_cast<uint8_t>(v);
            break;
        case Kind::Layer:
            s.DisplayLayers[def.layer] = v;
            break;
        default:
            break;  // Fixed items are only written.
    }
}

void AssignText(Settings& s, const ItemDef& def, std::string_view value) {
    switch (def.kind) {
        case Kind::Text:
            s.*def.text = CutTo(value, kShortStringMax);
            break;
        case Kind::PoolPath: {
            // A pool path is only worth keeping when it names a real folder.
            std::string path = CutTo(value, kShortStringMax);
            s.*def.text = path.size() >= 3 && DirectoryExists(path) ? path : std::string();
            break;
        }
        case Kind::Drive:
            s.BitmapDrive = value.empty() ? ' ' : UpperAscii(value[0]);
            break;
        default:
            break;
    }
}

bool IsTextKind(Kind kind) {
    return kind == Kind::Text || kind == Kind::PoolPath || kind == Kind::Drive;
}

// Truncates toward zero; nothing when the value does not fit 32 bits.
std::optional<int32_t> TruncateToInt32(double value) {
    const double t = std::trunc(value);
    if (t < static_cast<double>(std::numeric_limits<int32_t>::min()) ||
        t > static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<int32_t>(t);
}

std::string ConfigPath(const Program& program) {
    return JoinPath(program.configDir, kConfigFileName);
}

int ReadConfig(Program& program, const std::string& path) {
    TextFile file;
    if (const ErrorCode code = OpenTextFileAt(path, file); code != kOk) {
        program.ReportError(code, 0, path);
        return kConfigCannotOpen;
    }
    int result = kConfigOk;
    std::string line;
    while (file.ReadLine(line) == TextFile::ReadStatus::Line) {
        if (!line.empty() && line[0] == ';') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        int32_t item = 0;
        if (IntVal(std::string_view(line).substr(0, tab), item) != kOk) continue;
        const ErrorCode code = SetConfigItem(program, item, std::string_view(line).substr(tab + 1));
        if (code == kOk) continue;
        result = kConfigItemRejected;
        // One bad value costs only its own line: the lines after it would
        // otherwise be lost, since the file is written back at the end.
        if (code == kConfigBadNumber || code == kConfigOutOfRange) continue;
        break;
    }
    file.Close();
    return result;
}

int WriteConfig(Program& program, const std::string& path) {
    // A full disk or a crash never leaves a half-written configuration
    // behind, and two programs ending at once never write into one file.
    FileReplacement file;
    if (const ErrorCode code = file.Begin(path); code != kOk) {
        program.ReportError(code, 0, path);
        return kConfigCannotCreate;
    }
    for (const ItemDef& def : kItems) {
        if (def.number == 0) continue;
        std::string name;
        if (const int nameResult = ConfigItemName(def.number, name); nameResult != 0) {
            return kConfigCannotCreate + nameResult;
        }
        if (!file.File().WriteLine("; " + name) ||
            !file.File().WriteLine(IntToStr(def.number) + "\t" +
                                   GetConfigItem(program.settings, def.number))) {
            return kConfigCannotCreate;
        }
    }
    return file.Commit() == kOk ? kConfigOk : kConfigCannotCreate;
}

}  // namespace

int ConfigItemName(int32_t item, std::string& name) {
    name.clear();
    if (item < 1) return 1;
    if (item > kLastConfigItem) return 2;
    if (const ItemDef* def = FindItem(item)) name = def->name;
    return 0;
}

std::string GetConfigItem(const Settings& s, int32_t item) {
    const ItemDef* def = FindItem(item);
    if (def == nullptr) return {};
    switch (def->kind) {
        case Kind::Integer:
        case Kind::Positive:
        case Kind::Scale:
            return IntToStr(s.*def->integer);
        case Kind::Flag:
        case Kind::Byte:
            return IntToStr(s.*def->byte);
        case Kind::Text:
        case Kind::PoolPath:
            return s.*def->text;
        case Kind::Drive:
            return std::string(1, s.BitmapDrive);
        case Kind::Real:
            return FormatReal(0, -1, false, s.Calibration);
        case Kind::Layer:
            return IntToStr(s.DisplayLayers[def->layer]);
        case Kind::Fixed:
            return def->fixed;
    }
    return {};
}

ErrorCode SetConfigItem(Program& program, int32_t item, std::string_view value) {
    if (item < 0) {
        program.ReportError(kConfigNegativeItem, 0, IntToStr(item));
        return kConfigNegativeItem;
    }
    if (item > kLastConfigItem) {
        program.ReportError(kConfigItemTooLarge, 0, IntToStr(item));
        return kConfigItemTooLarge;
    }
    const ItemDef* def = FindItem(item);
    if (def == nullptr) return kOk;  // a gap in the numbering: nothing to set
    if (value == "default") value = def->defaultText;

    Settings& s = program.settings;
    if (IsTextKind(def->kind)) {
        AssignText(s, *def, value);
        return kOk;
    }
    // The message names the item and its text, so that the line can be
    // found in the file.
    const auto refuse = [&](ErrorCode code) {
        program.ReportError(
            code, 0,
            program.GetMessage(kMessageItem) + " " + IntToStr(item) + ": " + std::string(value));
        return code;
    };
    double real = 0.0;
    const bool parsed = RealVal(value, real) == kOk && std::isfinite(real);
    if (def->kind == Kind::Real) {
        if (!parsed) return refuse(kConfigBadNumber);
        s.Calibration = real;
        return kOk;
    }
    const std::optional<int32_t> integer = parsed ? TruncateToInt32(real) : std::nullopt;
    if (!integer) return refuse(kConfigBadNumber);
    if (*integer < def->minimum || *integer > def->maximum) return refuse(kConfigOutOfRange);
    if (item == 0 && *integer != kUnitId) {
        program.ReportError(kConfigWrongUnit, 0, IntToStr(*integer));
        return kConfigWrongUnit;
    }
    AssignNumber(s, *def, *integer);
    return kOk;
}

int ReadWriteConfig(Program& program, bool write) {
    if (program.configDir.empty() || !DirectoryExists(program.configDir)) return kConfigOk;
    const std::string path = ConfigPath(program);
    return write ? WriteConfig(program, path) : ReadConfig(program, path);
}

}  // namespace kvx
