#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kvx {

/// The range a notch of the mouse wheel may zoom by, in percent.
inline constexpr int32_t kMinWheelZoomPercent = 1;
inline constexpr int32_t kMaxWheelZoomPercent = 90;

/// Every program-wide setting, with the value it holds before the
/// configuration file is read. Names follow the configuration items and the
/// options dialog.
struct Settings {
    // Data locations
    std::string DataPath;
    /// The object-type file; the shipped file's name, so that a first start
    /// without a configuration file finds it without asking.
    std::string ObjectTypeFile = "Korvanix.kxo";
    std::string ImportPath;
    std::string ImagePoolPath;
    std::string LastImportDir;
    std::string LastExportDir;
    char BitmapDrive = ' ';

    // Language and general behaviour
    uint8_t Language = 1;
    int32_t RecordCapacity = 10240;
    uint8_t ShowWarningErrors = 0;
    std::string User;

    // View and measuring
    int32_t EnlargePercent = 25;
    int32_t ReducePercent = 400;
    int32_t RasterDivision = 6;
    int32_t FineScalingPercent = 1;
    /// What a notch of the mouse wheel zooms by; kept in the view settings
    /// file beside the configuration, which has no item for it.
    int32_t WheelZoomPercent = 20;
    int32_t RasterLabelSpacing = 10;
    int32_t MinSelectionSize = 5;
    int32_t SnapToRaster = 1;
    int32_t MeasureFieldWidth = 0;
    int32_t MeasureFieldEnlarge = 100;  ///< not stored; starts each run at 100
    int32_t TableUnit = 1;
    int32_t ClassSize = 100;
    int32_t AdaptClassSize = 0;
    int32_t ClassSizePercent = 3;
    int32_t HideNonCurrent = 1;
    int32_t PerformanceMode = 2;
    int32_t ShowTplValues = 1;
    int32_t QuickSelectCaptures = 0;
    uint8_t AskObjectName = 0;
    int32_t PointSizeCapture = 10;
    int32_t PointSizeModify = 20;
    int32_t MaxStatisticsFontSize = 0;  ///< 0: sized to the statistics box
    int32_t BoxSize = 252;
    int32_t Colour1 = 16777215;  ///< background
    int32_t Colour2 = 8421504;   ///< excluded and dimmed objects
    int32_t Colour3 = 50331647;  ///< transparent colour, palette-relative flag included
    /// Drawing layers in drawing order; negative = switched off.
    std::array<int32_t, 10> DisplayLayers{1, -2, 3, 4, 5, 6, 7, 8, -9, -10};

    // Output
    uint8_t AdaptToCdr = 0;
    int32_t OutputItemMask = 511;
    int32_t DecimalPlaces = 3;
    int32_t JpegQuality = 100;

    // Used outside the options dialog
    int32_t WindowLeft = 0;
    int32_t WindowTop = 0;
    int32_t WindowWidth = 800;
    int32_t WindowHeight = 580;
    int32_t LastResolution = 1200;
    int32_t CopyImage = 0;
    int32_t RecVecType = 1;
    uint8_t EditModeNbr = 0;
    uint8_t AppendExportFile = 1;
    uint8_t BitMapsTransparent = 1;
    int32_t ShowFileNamesOnly = 0;
    int32_t ScaleMeasure = 100;
    double Calibration = 0.0;
};

}  // namespace kvx
