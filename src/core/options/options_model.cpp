#include "core/options/options_model.hpp"

#include <cctype>

#include "core/program/error_report.hpp"
#include "core/program/program.hpp"
#include "core/project/object_type_file.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

constexpr int32_t kCapacityUnit = 1024;
constexpr int32_t kColourMask = 16777215;
constexpr int32_t kPaletteRelative = 33554432;
constexpr ErrorCode kFatalObjectTypes = 601;
constexpr ErrorCode kFatalMessages = 602;
constexpr std::size_t kMaxPathText = 255;

/// The integer in text, when it reads as one.
bool ReadInt(std::string_view text, int32_t& value) {
    int32_t parsed = 0;
    if (IntVal(text, parsed) != kOk) return false;
    value = parsed;
    return true;
}

/// Stores the integer in text into setting when it lies in minimum..maximum.
void StoreBounded(std::string_view text, int32_t minimum, int32_t maximum, int32_t& setting) {
    int32_t value = 0;
    if (ReadInt(text, value) && value >= minimum && value <= maximum) setting = value;
}

int32_t* TaggedSetting(Settings& s, int32_t tag) {
    switch (tag) {
        case kTagFineScaling:
            return &s.FineScalingPercent;
        case kTagEnlarge:
            return &s.EnlargePercent;
        case kTagReduce:
            return &s.ReducePercent;
        case kTagRasterDivision:
            return &s.RasterDivision;
        case kTagClassSize:
            return &s.ClassSize;
        case kTagRasterLabelSpacing:
            return &s.RasterLabelSpacing;
        case kTagMinSelection:
            return &s.MinSelectionSize;
        default:
            return nullptr;
    }
}

}  // namespace

bool TagBounds(int32_t tag, int32_t& minimum, int32_t& maximum) {
    switch (tag) {
        case kTagFineScaling:
            minimum = 1;
            maximum = 25;
            return true;
        case kTagEnlarge:
            minimum = 10;
            maximum = 90;
            return true;
        case kTagReduce:
            minimum = 120;
            maximum = 1000;
            return true;
        case kTagRasterDivision:
            minimum = 1;
            maximum = 10;
            return true;
        case kTagClassSize:
            minimum = 10;
            maximum = 1000;
            return true;
        case kTagRasterLabelSpacing:
            minimum = 0;
            maximum = 50;
            return true;
        case kTagMinSelection:
            minimum = 1;
            maximum = 50;
            return true;
        default:
            return false;
    }
}

std::string_view LanguageName(int32_t index) {
    switch (index) {
        case 0:
            return "Deutsch";
        case 1:
            return "English";
        case 2:
            return "Espa\xF1ol";
        default:
            return {};
    }
}

OptionsModel::OptionsModel(Program& program) : program_(program) {
    Load();
}

void OptionsModel::Load() {
    const Settings& s = program_.settings;
    OptionsEntries& e = entries;
    e.DataPath = s.DataPath;
    e.ObjectTypeFile = s.ObjectTypeFile;
    e.ImportPath = s.ImportPath;
    e.ImagePoolPath = s.ImagePoolPath;
    e.BitmapDrive = s.BitmapDrive == ' ' ? std::string() : std::string(1, s.BitmapDrive);
    e.Language = s.Language;
    e.RecordCapacity = IntToStr(s.RecordCapacity / kCapacityUnit);
    e.ShowWarningErrors = s.ShowWarningErrors != 0;

    e.EnlargePercent = IntToStr(s.EnlargePercent);
    e.ReducePercent = IntToStr(s.ReducePercent);
    e.RasterDivision = IntToStr(s.RasterDivision);
    e.FineScalingPercent = IntToStr(s.FineScalingPercent);
    e.WheelZoomPercent = IntToStr(s.WheelZoomPercent);
    e.RasterLabelSpacing = IntToStr(s.RasterLabelSpacing);
    e.MinSelectionSize = IntToStr(s.MinSelectionSize);
    e.SnapToRaster = s.SnapToRaster != 0;
    e.MeasureFieldWidth = IntToStr(s.MeasureFieldWidth);
    e.TableUnit = s.TableUnit;
    e.ClassSize = IntToStr(s.ClassSize);
    e.AdaptClassSize = s.AdaptClassSize > 0;
    e.ClassSizePercent = IntToStr(s.ClassSizePercent);
    e.HideNonCurrent = s.HideNonCurrent != 0;
    e.PerformanceMode = s.PerformanceMode == 1;
    e.ShowTplValues = s.ShowTplValues == 1;
    e.QuickSelectCaptures = s.QuickSelectCaptures == 1;
    e.AskObjectName = s.AskObjectName != 0;
    e.PointSizeCapture = IntToStr(s.PointSizeCapture);
    e.PointSizeModify = IntToStr(s.PointSizeModify);
    e.MaxStatisticsFontSize = IntToStr(s.MaxStatisticsFontSize);
    e.MeasureFieldEnlarge = IntToStr(s.MeasureFieldEnlarge);
    e.BoxSize = IntToStr(s.BoxSize);
    e.Colour1 = s.Colour1;
    e.Colour2 = s.Colour2;
    e.Colour3 = s.Colour3 & kColourMask;
    e.DisplayLayers = s.DisplayLayers;

    e.AdaptToCdr = s.AdaptToCdr != 0;
    for (std::size_t i = 0; i < e.OutputItems.size(); ++i) {
        e.OutputItems[i] = (s.OutputItemMask & (1 << i)) != 0;
    }
    e.DecimalPlaces = IntToStr(s.DecimalPlaces);
    e.JpegQuality = IntToStr(s.JpegQuality);
}

std::string OptionsModel::SettingText(int32_t tag) const {
    Settings& s = program_.settings;
    const int32_t* setting = TaggedSetting(s, tag);
    return setting ? IntToStr(*setting) : std::string();
}

std::string OptionsModel::LeaveTaggedEdit(int32_t tag, std::string_view text) const {
    int32_t minimum = 0;
    int32_t maximum = 0;
    int32_t value = 0;
    if (!TagBounds(tag, minimum, maximum)) return std::string(text);
    if (ReadInt(text, value) && value >= minimum && value <= maximum) return std::string(text);
    return SettingText(tag);
}

std::string OptionsModel::LeaveRecordCapacity(std::string_view text) const {
    int32_t value = 0;
    if (ReadInt(text, value)) return std::string(text);
    return IntToStr(program_.settings.RecordCapacity / kCapacityUnit);
}

std::string OptionsModel::LeaveJpegQuality(std::string_view text) const {
    int32_t value = 0;
    if (ReadInt(text, value) && value >= 1 && value <= 100) return std::string(text);
    return IntToStr(program_.settings.JpegQuality);
}

void OptionsModel::ReloadLayers() {
    entries.DisplayLayers = program_.settings.DisplayLayers;
}

void OptionsModel::ApplyObjectTypeFile() {
    Settings& s = program_.settings;
    const std::string wanted = CutTo(entries.ObjectTypeFile, kMaxPathText);
    if (wanted == s.ObjectTypeFile) return;
    typesReloaded_ = true;
    // The table in memory may hold edits not yet written (they are written at
    // shutdown); loading another file would drop them without a word.
    if (SaveObjectTypes(program_, s.ObjectTypeFile) != kOk) ShowError(program_);
    if (LoadObjectTypes(program_, wanted)) {
        s.ObjectTypeFile = wanted;
        return;
    }
    entries.ObjectTypeFile = s.ObjectTypeFile;
    if (!LoadObjectTypes(program_, s.ObjectTypeFile)) FatalStop(program_, kFatalObjectTypes);
}

void OptionsModel::ApplyLanguage() {
    Settings& s = program_.settings;
    if (entries.Language < 0 || entries.Language > 2 || entries.Language == s.Language) return;
    s.Language = static_cast<uint8_t>(entries.Language);
    if (const ErrorCode code = program_.LoadMessages(); code != kOk) {
        program_.ReportError(code);
        ShowError(program_);
        FatalStop(program_, kFatalMessages);
    }
}

void OptionsModel::Apply() {
    Settings& s = program_.settings;
    OptionsEntries& e = entries;
    applied_ = true;

    s.DataPath = CutTo(e.DataPath, kMaxPathText);
    ApplyObjectTypeFile();
    s.ImportPath = CutTo(e.ImportPath, kMaxPathText);
    s.ImagePoolPath = CutTo(e.ImagePoolPath, kMaxPathText);
    s.BitmapDrive = e.BitmapDrive.empty() ? ' ' : UpperAscii(e.BitmapDrive[0]);
    ApplyLanguage();

    int32_t capacity = 0;
    if (ReadInt(e.RecordCapacity, capacity) && capacity >= 1 && capacity <= 100) {
        s.RecordCapacity = capacity * kCapacityUnit;
    }

    s.ShowWarningErrors = e.ShowWarningErrors ? 1 : 0;
    s.SnapToRaster = e.SnapToRaster ? 1 : 0;
    s.AdaptClassSize = e.AdaptClassSize ? 1 : 0;
    s.HideNonCurrent = e.HideNonCurrent ? 1 : 0;
    s.PerformanceMode = e.PerformanceMode ? 1 : 2;
    s.ShowTplValues = e.ShowTplValues ? 1 : 0;
    s.QuickSelectCaptures = e.QuickSelectCaptures ? 1 : 0;
    s.AskObjectName = e.AskObjectName ? 1 : 0;
    s.AdaptToCdr = e.AdaptToCdr ? 1 : 0;
    s.Colour1 = e.Colour1 & kColourMask;
    s.Colour2 = e.Colour2 & kColourMask;
    s.Colour3 = (e.Colour3 & kColourMask) + kPaletteRelative;

    // The bounded edits have been checked on leaving them, but OK by the
    // Enter key never leaves the edit: a 0 raster division would divide by
    // zero in the redraw, so the bounds hold here as well.
    const std::pair<int32_t, const std::string*> tagged[] = {
        {kTagFineScaling, &e.FineScalingPercent},
        {kTagEnlarge, &e.EnlargePercent},
        {kTagReduce, &e.ReducePercent},
        {kTagRasterDivision, &e.RasterDivision},
        {kTagClassSize, &e.ClassSize},
        {kTagRasterLabelSpacing, &e.RasterLabelSpacing},
        {kTagMinSelection, &e.MinSelectionSize},
    };
    for (const auto& [tag, text] : tagged) {
        int32_t minimum = 0;
        int32_t maximum = 0;
        if (TagBounds(tag, minimum, maximum)) {
            StoreBounded(*text, minimum, maximum, *TaggedSetting(s, tag));
        }
    }

    if (!ReadInt(e.MeasureFieldWidth, s.MeasureFieldWidth)) e.MeasureFieldWidth.assign(1, '0');
    if (e.TableUnit >= 0 && e.TableUnit <= 2) s.TableUnit = e.TableUnit;
    ReadInt(e.ClassSizePercent, s.ClassSizePercent);
    StoreBounded(e.WheelZoomPercent, kMinWheelZoomPercent, kMaxWheelZoomPercent,
                 s.WheelZoomPercent);
    StoreBounded(e.PointSizeCapture, 1, 100, s.PointSizeCapture);
    StoreBounded(e.PointSizeModify, 1, 100, s.PointSizeModify);
    StoreBounded(e.MaxStatisticsFontSize, 0, 24, s.MaxStatisticsFontSize);
    StoreBounded(e.MeasureFieldEnlarge, 100, 199, s.MeasureFieldEnlarge);
    StoreBounded(e.BoxSize, 151, 400, s.BoxSize);

    const std::string places = Trim(e.DecimalPlaces);
    s.DecimalPlaces =
        places.size() == 1 && places[0] >= '0' && places[0] <= '9' ? places[0] - '0' : 3;
    StoreBounded(e.JpegQuality, 1, 100, s.JpegQuality);

    s.DisplayLayers = e.DisplayLayers;
    int32_t mask = 0;
    for (std::size_t i = 0; i < e.OutputItems.size(); ++i) {
        if (e.OutputItems[i]) mask |= 1 << i;
    }
    s.OutputItemMask = mask;
}

}  // namespace kvx
