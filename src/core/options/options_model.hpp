#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

class Program;

/// What the options dialog's controls hold: edits as text, check boxes and
/// lists as their state. Filled from the settings; apply reads it back.
struct OptionsEntries {
    // Page 1
    std::string DataPath;
    std::string ObjectTypeFile;
    std::string ImportPath;
    std::string ImagePoolPath;
    std::string BitmapDrive;     ///< empty for a blank drive
    int32_t Language = 1;        ///< list index
    std::string RecordCapacity;  ///< in units of 1024 records
    bool ShowWarningErrors = false;

    // Page 2
    std::string EnlargePercent;      ///< tag 7
    std::string ReducePercent;       ///< tag 8
    std::string RasterDivision;      ///< tag 9
    std::string FineScalingPercent;  ///< tag 6
    std::string WheelZoomPercent;
    std::string RasterLabelSpacing;  ///< tag 11
    std::string MinSelectionSize;    ///< tag 12
    bool SnapToRaster = false;
    std::string MeasureFieldWidth;
    int32_t TableUnit = 1;  ///< list index
    std::string ClassSize;  ///< tag 10
    bool AdaptClassSize = false;
    std::string ClassSizePercent;
    bool HideNonCurrent = false;
    bool PerformanceMode = false;
    bool ShowTplValues = false;
    bool QuickSelectCaptures = false;
    bool AskObjectName = false;
    std::string PointSizeCapture;
    std::string PointSizeModify;
    std::string MaxStatisticsFontSize;
    std::string MeasureFieldEnlarge;
    std::string BoxSize;
    int32_t Colour1 = 0;
    int32_t Colour2 = 0;
    int32_t Colour3 = 0;  ///< without the palette-relative flag
    /// The private copy of the layer codes the layer button edits.
    std::array<int32_t, 10> DisplayLayers{};

    // Page 3
    bool AdaptToCdr = false;
    std::array<bool, 9> OutputItems{};  ///< item i checked = bit i
    std::string DecimalPlaces;
    std::string JpegQuality;
};

/// Tags of the bounded edits that share one leave check.
enum OptionsTag : int32_t {
    kTagFineScaling = 6,
    kTagEnlarge = 7,
    kTagReduce = 8,
    kTagRasterDivision = 9,
    kTagClassSize = 10,
    kTagRasterLabelSpacing = 11,
    kTagMinSelection = 12,
};

/// Bounds of the edit with tag 6..12; false for other tags.
bool TagBounds(int32_t tag, int32_t& minimum, int32_t& maximum);

/// The language names of the language list (fixed, not translated).
std::string_view LanguageName(int32_t index);

/// The options dialog `TMesOptions` without its window: the entries it
/// shows, the checks on leaving an edit and apply, which stores the entries
/// into the program's settings in a fixed order.
class OptionsModel {
public:
    /// Fills the entries from program's settings.
    explicit OptionsModel(Program& program);

    Program& program() { return program_; }
    OptionsEntries entries;

    /// Refills every entry from the settings.
    void Load();

    // ---- checks on leaving an edit; each returns the text the edit shows ----
    /// Edits with tags 6..12: the text when it is an integer inside the tag's
    /// bounds, else the current setting.
    std::string LeaveTaggedEdit(int32_t tag, std::string_view text) const;
    /// Record capacity: the text when it is a number, else the stored
    /// capacity in units of 1024.
    std::string LeaveRecordCapacity(std::string_view text) const;
    /// JPEG quality: the text when it is a number 1..100, else the setting.
    std::string LeaveJpegQuality(std::string_view text) const;

    /// The class-size edit is enabled only while adapting is off, the
    /// percentage edit only while it is on.
    bool ClassSizeEnabled() const { return !entries.AdaptClassSize; }
    bool ClassSizePercentEnabled() const { return entries.AdaptClassSize; }

    /// The layer dialog was cancelled: the private copy is taken from the
    /// settings again.
    void ReloadLayers();

    /// Stores the entries into the settings: data path; another object-type
    /// file (kept only when it loads, else the previous file is loaded again;
    /// when that fails too the run ends with 601); import and image-pool paths
    /// and drive; another language (the catalogue is reloaded; a failure is
    /// shown and ends the run with 602); record capacity; check boxes and
    /// colours; every number inside its accepted range; the layers and the
    /// output items. Entries that are refused keep their setting.
    void Apply();

    /// Apply ran at least once.
    bool Applied() const { return applied_; }
    /// Apply loaded another object-type table (successfully or not).
    bool TypesReloaded() const { return typesReloaded_; }

private:
    std::string SettingText(int32_t tag) const;
    void ApplyObjectTypeFile();
    void ApplyLanguage();

    Program& program_;
    bool applied_ = false;
    bool typesReloaded_ = false;
};

}  // namespace kvx
