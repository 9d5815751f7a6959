#include "core/program/config.hpp"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

// I integer, B byte flag, S text, R real.
struct ItemDef {
    int32_t number;
    const char* name;
    char type;
    const char* defaultText;
};

constexpr std::array<ItemDef, 65> kItems{{
    {0, "ID.Unit-ID", 'I', "62"},
    {1, "Output.Format", 'I', "1"},
    {2, "Data.PoolPath", 'S', ""},
    {3, "Calculate.AutoDefineClasses", 'I', "0"},
    {4, "Display.MeasureFieldWide", 'I', "0"},
    {5, "Main.Language", 'I', "1"},
    {6, "Output.AdaptToCdr", 'B', "1"},
    {7, "Data.SourcePath", 'S', ""},
    {8, "Data.MapConfigFile", 'S', "Korvanix.kxo"},
    {9, "Display.PlusEnlarge", 'I', "25"},
    {10, "Display.MinusReduce", 'I', "400"},
    {11, "Frame.MinLatGrid", 'I', "6"},
    {12, "Display.TableUnit", 'I', "1"},
    {13, "Export.ClassSize", 'I', "100"},
    {14, "Display.FineScale", 'I', "1"},
    {15, "Display.MinFrameSelect", 'I', "5"},
    {16, "Frame.RasterMargin", 'I', "10"},
    {17, "Display.SnapToGrid", 'I', "1"},
    {18, "Calculate.AutoClassPercentage", 'I', "3"},
    {19, "Export.OutPutToScreenList", 'I', "0"},
    {20, "Data.LastImportDir", 'S', ""},
    {21, "Data.MaxDrawHistory", 'I', "10240"},
    {22, "Output.Decimals", 'I', "3"},
    {23, "Display.MarkPointSize", 'I', "15"},
    {24, "Display.EditPointSize", 'I', "15"},
    {25, "Data.LastResolution", 'I', "1200"},
    {26, "Data.CopyImage", 'I', "0"},
    {27, "Display.BackGroundColour", 'I', "16777215"},
    {28, "Display.ShowTPLValues", 'I', "0"},
    {29, "Display.FKeyStartRec", 'I', "0"},
    {30, "Display.X", 'I', "0"},
    {31, "Display.Y", 'I', "0"},
    {32, "Display.Width", 'I', "800"},
    {33, "Display.Height", 'I', "580"},
    {35, "Output.AskForVectorNames", 'B', "0"},
    {36, "Output.LastExportDir", 'S', ""},
    {37, "Output.RecVecType", 'I', "151"},
    {38, "Display.EditModeNbr", 'B', "0"},
    {39, "Output.AppendExportFile", 'B', "1"},
    {40, "Display.StatFontPitch", 'I', "0"},
    {41, "Data.LastImageDirectory", 'S', ""},
    {42, "obsolete.ShowFinestTopoData", 'I', "1"},
    {43, "Display.TransparentColor", 'I', "50331647"},
    {44, "Display.BitMapsTransparent", 'I', "1"},
    {45, "System.ShowWarningErrors", 'I', "1"},
    {48, "Display.Layer1", 'I', "1"},
    {49, "Display.Layer2", 'I', "-2"},
    {50, "Display.Layer3", 'I', "3"},
    {51, "Display.Layer4", 'I', "4"},
    {52, "Display.Layer5", 'I', "5"},
    {53, "Display.Layer6", 'I', "6"},
    {54, "Display.Layer7", 'I', "7"},
    {55, "Display.Layer8", 'I', "8"},
    {56, "Display.Layer9", 'I', "-9"},
    {57, "Display.BlendOut", 'I', "0"},
    {58, "System.ShowFileNamesOnly", 'I', "0"},
    {59, "System.ImageDrive", 'S', " "},
    {60, "Display.Layer10", 'I', "-10"},
    {61, "Display.WinXPMode", 'I', "2"},
    {62, "Display.DelColor", 'I', "8421504"},
    {63, "Display.ScaleMeasure", 'I', "100"},
    {64, "Display.Calibration", 'R', "0"},
    {65, "Output.JPGCompression", 'I', "100"},
    {66, "Main.User", 'S', ""},
    {67, "Display.BoxHeight", 'I', "252"},
}};

const ItemDef* FindItem(int32_t item) {
    for (const ItemDef& def : kItems) {
        if (def.number == item) return &def;
    }
    return nullptr;
}

constexpr int32_t kUnitId = 62;

void SetFlag(uint8_t& setting, int32_t value) {
    setting = value != 0 ? 1 : 0;
}

// Byte settings take 0..255; anything else keeps the previous value rather
// than wrapping around.
void SetByte(uint8_t& setting, int32_t value) {
    if (value >= 0 && value <= 255) setting = static_cast<uint8_t>(value);
}

void SetText(std::string& setting, std::string_view value) {
    setting = CutTo(value, kShortStringMax);
}

void AssignInteger(Settings& s, int32_t item, int32_t v) {
    switch (item) {
        case 3:
            s.AdaptClassSize = v;
            break;
        case 4:
            s.MeasureFieldWidth = v;
            break;
        case 5:
            SetByte(s.Language, v);
            break;
        case 6:
            SetFlag(s.AdaptToCdr, v);
            break;
        case 9:
            s.EnlargePercent = v;
            break;
        case 10:
            s.ReducePercent = v;
            break;
        case 11:
            s.RasterDivision = v;
            break;
        case 12:
            s.TableUnit = v;
            break;
        case 13:
            s.ClassSize = v;
            break;
        case 14:
            s.FineScalingPercent = v;
            break;
        case 15:
            s.MinSelectionSize = v;
            break;
        case 16:
            s.RasterLabelSpacing = v;
            break;
        case 17:
            s.SnapToRaster = v;
            break;
        case 18:
            s.ClassSizePercent = v;
            break;
        case 19:
            s.OutputItemMask = v;
            break;
        case 21:
            s.RecordCapacity = v;
            break;
        case 22:
            s.DecimalPlaces = v;
            break;
        case 23:
            if (v > 0) s.PointSizeCapture = v;
            break;
        case 24:
            if (v > 0) s.PointSizeModify = v;
            break;
        case 25:
            s.LastResolution = v;
            break;
        case 26:
            s.CopyImage = v;
            break;
        case 27:
            s.Colour1 = v;
            break;
        case 28:
            s.ShowTplValues = v;
            break;
        case 29:
            s.QuickSelectCaptures = v;
            break;
        case 30:
            s.WindowLeft = v;
            break;
        case 31:
            s.WindowTop = v;
            break;
        case 32:
            s.WindowWidth = v;
            break;
        case 33:
            s.WindowHeight = v;
            break;
        case 35:
            SetFlag(s.AskObjectName, v);
            break;
        case 37:
            s.RecVecType = v;
            break;
        case 38:
            SetByte(s.EditModeNbr, v);
            break;
        case 39:
            SetFlag(s.AppendExportFile, v);
            break;
        case 40:
            s.MaxStatisticsFontSize = v;
            break;
        case 43:
            s.Colour3 = v;
            break;
        case 44:
            SetFlag(s.BitMapsTransparent, v);
            break;
        case 45:
            SetByte(s.ShowWarningErrors, v);
            break;
        case 57:
            s.HideNonCurrent = v;
            break;
        case 58:
            s.ShowFileNamesOnly = v;
            break;
        case 60:
            s.DisplayLayers[9] = v;
            break;
        case 61:
            s.PerformanceMode = v;
            break;
        case 62:
            s.Colour2 = v;
            break;
        case 63:
            s.ScaleMeasure = v < 100 ? 100 : v;
            break;
        case 65:
            s.JpegQuality = v;
            break;
        case 67:
            s.BoxSize = v;
            break;
        default:
            if (item >= 48 && item <= 56) s.DisplayLayers[static_cast<std::size_t>(item - 48)] = v;
            // Items 1 and 42 are only written.
            break;
    }
}

void AssignText(Settings& s, int32_t item, std::string_view value) {
    switch (item) {
        case 2: {
            // A pool path is only worth keeping when it names a real folder.
            std::string path = CutTo(value, kShortStringMax);
            s.ImagePoolPath = path.size() >= 3 && DirectoryExists(path) ? path : std::string();
            break;
        }
        case 7:
            SetText(s.DataPath, value);
            break;
        case 8:
            SetText(s.ObjectTypeFile, value);
            break;
        case 20:
            SetText(s.LastImportDir, value);
            break;
        case 36:
            SetText(s.LastExportDir, value);
            break;
        case 41:
            SetText(s.ImportPath, value);
            break;
        case 59:
            s.BitmapDrive =
                value.empty()
                    ? ' '
                    : static_cast<char>(std::toupper(static_cast<unsigned char>(value[0])));
            break;
        case 66:
            SetText(s.User, value);
            break;
        default:
            break;
    }
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
    std::string line;
    while (file.ReadLine(line) == TextFile::ReadStatus::Line) {
        if (!line.empty() && line[0] == ';') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        int32_t item = 0;
        if (IntVal(std::string_view(line).substr(0, tab), item) != kOk) continue;
        if (SetConfigItem(program, item, std::string_view(line).substr(tab + 1)) != kOk) {
            file.Close();
            return kConfigItemRejected;
        }
    }
    file.Close();
    return kConfigOk;
}

int WriteConfig(Program& program, const std::string& path) {
    // Written beside the real file first, so that a full disk or a crash
    // never leaves a half-written configuration behind.
    const std::string temporary = path + ".new";
    TextFile file;
    if (const ErrorCode code = CreateTextFile(temporary, file); code != kOk) {
        program.ReportError(code, 0, temporary);
        return kConfigCannotCreate;
    }
    int result = kConfigOk;
    bool written = true;
    for (const ItemDef& def : kItems) {
        if (def.number == 0) continue;
        std::string name;
        if (const int nameResult = ConfigItemName(def.number, name); nameResult != 0) {
            result = kConfigCannotCreate + nameResult;
            break;
        }
        written = file.WriteLine("; " + name) &&
                  file.WriteLine(IntToStr(def.number) + "\t" +
                                 GetConfigItem(program.settings, def.number));
        if (!written) break;
    }
    const bool closed = file.Close() == 0;
    if (result == kConfigOk && (!written || !closed)) result = kConfigCannotCreate;
    if (result == kConfigOk && std::rename(temporary.c_str(), path.c_str()) != 0) {
        result = kConfigCannotCreate;
    }
    if (result != kConfigOk) std::remove(temporary.c_str());
    return result;
}

}  // namespace

bool IsConfigItem(int32_t item) {
    return FindItem(item) != nullptr;
}

int ConfigItemName(int32_t item, std::string& name) {
    name.clear();
    if (item < 1) return 1;
    if (item > kLastConfigItem) return 2;
    if (const ItemDef* def = FindItem(item)) name = def->name;
    return 0;
}

std::string GetConfigItem(const Settings& s, int32_t item) {
    switch (item) {
        case 0:
            return IntToStr(kUnitId);
        case 1:
            return "10";
        case 2:
            return s.ImagePoolPath;
        case 7:
            return s.DataPath;
        case 8:
            return s.ObjectTypeFile;
        case 20:
            return s.LastImportDir;
        case 36:
            return s.LastExportDir;
        case 41:
            return s.ImportPath;
        case 42:
            return "0";
        case 59:
            return std::string(1, s.BitmapDrive);
        case 64:
            return FormatReal(0, -1, false, s.Calibration);
        case 66:
            return s.User;
        default:
            break;
    }
    int64_t v = 0;
    switch (item) {
        case 3:
            v = s.AdaptClassSize;
            break;
        case 4:
            v = s.MeasureFieldWidth;
            break;
        case 5:
            v = s.Language;
            break;
        case 6:
            v = s.AdaptToCdr;
            break;
        case 9:
            v = s.EnlargePercent;
            break;
        case 10:
            v = s.ReducePercent;
            break;
        case 11:
            v = s.RasterDivision;
            break;
        case 12:
            v = s.TableUnit;
            break;
        case 13:
            v = s.ClassSize;
            break;
        case 14:
            v = s.FineScalingPercent;
            break;
        case 15:
            v = s.MinSelectionSize;
            break;
        case 16:
            v = s.RasterLabelSpacing;
            break;
        case 17:
            v = s.SnapToRaster;
            break;
        case 18:
            v = s.ClassSizePercent;
            break;
        case 19:
            v = s.OutputItemMask;
            break;
        case 21:
            v = s.RecordCapacity;
            break;
        case 22:
            v = s.DecimalPlaces;
            break;
        case 23:
            v = s.PointSizeCapture;
            break;
        case 24:
            v = s.PointSizeModify;
            break;
        case 25:
            v = s.LastResolution;
            break;
        case 26:
            v = s.CopyImage;
            break;
        case 27:
            v = s.Colour1;
            break;
        case 28:
            v = s.ShowTplValues;
            break;
        case 29:
            v = s.QuickSelectCaptures;
            break;
        case 30:
            v = s.WindowLeft;
            break;
        case 31:
            v = s.WindowTop;
            break;
        case 32:
            v = s.WindowWidth;
            break;
        case 33:
            v = s.WindowHeight;
            break;
        case 35:
            v = s.AskObjectName;
            break;
        case 37:
            v = s.RecVecType;
            break;
        case 38:
            v = s.EditModeNbr;
            break;
        case 39:
            v = s.AppendExportFile;
            break;
        case 40:
            v = s.MaxStatisticsFontSize;
            break;
        case 43:
            v = s.Colour3;
            break;
        case 44:
            v = s.BitMapsTransparent;
            break;
        case 45:
            v = s.ShowWarningErrors;
            break;
        case 57:
            v = s.HideNonCurrent;
            break;
        case 58:
            v = s.ShowFileNamesOnly;
            break;
        case 60:
            v = s.DisplayLayers[9];
            break;
        case 61:
            v = s.PerformanceMode;
            break;
        case 62:
            v = s.Colour2;
            break;
        case 63:
            v = s.ScaleMeasure;
            break;
        case 65:
            v = s.JpegQuality;
            break;
        case 67:
            v = s.BoxSize;
            break;
        default:
            if (item >= 48 && item <= 56) {
                v = s.DisplayLayers[static_cast<std::size_t>(item - 48)];
                break;
            }
            return {};
    }
    return IntToStr(v);
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
    if (def->type == 'S') {
        AssignText(s, item, value);
        return kOk;
    }
    double real = 0.0;
    const bool parsed = RealVal(value, real) == kOk && std::isfinite(real);
    if (def->type == 'R') {
        if (!parsed) {
            program.ReportError(kConfigBadNumber, 0, value);
            return kConfigBadNumber;
        }
        s.Calibration = real;
        return kOk;
    }
    const std::optional<int32_t> integer = parsed ? TruncateToInt32(real) : std::nullopt;
    if (!integer) {
        program.ReportError(kConfigBadNumber, 0, value);
        return kConfigBadNumber;
    }
    if (item == 0 && *integer != kUnitId) {
        program.ReportError(kConfigWrongUnit, 0, IntToStr(*integer));
        return kConfigWrongUnit;
    }
    AssignInteger(s, item, *integer);
    return kOk;
}

int ReadWriteConfig(Program& program, bool write) {
    if (program.configDir.empty() || !DirectoryExists(program.configDir)) return kConfigOk;
    const std::string path = ConfigPath(program);
    return write ? WriteConfig(program, path) : ReadConfig(program, path);
}

}  // namespace kvx
