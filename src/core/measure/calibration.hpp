#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kvx {

struct Project;
struct Settings;
class MessageCatalog;
class History;

/// Message numbers of the properties dialog.
inline constexpr int kMsgPropertiesCaption = 2009;
inline constexpr int kMsgResolution = 2011;
inline constexpr int kMsgTitle = 2014;
inline constexpr int kMsgKnownLength = 2038;
inline constexpr int kMsgMeasuredAs = 2039;
inline constexpr int kMsgProjectFile = 2113;
inline constexpr int kMsgPointerCalibration = 2220;
inline constexpr int kMsgRealDistance = 2221;
inline constexpr int kMsgAuthor = 2222;

/// The project properties dialog (`TPEProperties`) without its window: the
/// field texts and the rules that run when the focus enters or leaves a
/// numeric field. The Qt dialog shows the fields and reports focus moves;
/// tests drive it directly.
class PropertiesDialogModel {
public:
    /// The edit fields by their designed names.
    enum Field : int {
        Edit1 = 1,  ///< title
        Edit2,      ///< resolution in dpi
        Edit3,      ///< image path
        Edit4,      ///< known length of a scale
        Edit5,      ///< the scale's length measured on the image
        Edit6,      ///< pointer calibration: real distance
        Edit7,      ///< pointer calibration: distance the pointer reports
        Edit8,      ///< user name, shown only
    };

    /// The dialog as it opens on project with the pointer calibration of
    /// settings: texts of the fields and captions.
    static PropertiesDialogModel Open(const Project& project, const Settings& settings,
                                      const MessageCatalog& messages);

    std::string& Text(Field field) { return texts_[static_cast<std::size_t>(field)]; }
    const std::string& Text(Field field) const { return texts_[static_cast<std::size_t>(field)]; }

    /// The focus enters a field: a numeric field remembers its number.
    void Enter(Field field);
    /// The focus leaves a field: unreadable text in a numeric field is
    /// replaced by the remembered number (the resolution by its integer
    /// part); a number other than 0 clears the other way of giving the
    /// scale (a resolution clears the scale pair and the other way round).
    void Leave(Field field);

    /// The window caption and the read-only project file text (`Label7`).
    std::string caption;
    std::string Label7;

private:
    std::array<std::string, 9> texts_{};
    std::array<double, 9> remembered_{};
};

/// Writes a number in the general format: up to 12 decimals without
/// trailing zeros or point, "." as the decimal point.
std::string GeneralNumber(double value);

/// The resolution the OK of the dialog gives: the resolution field when it
/// holds an integer above 0, else old × measured / known of a scale pair
/// whose product is above 0, truncated as the decimal numbers typed give it
/// (2400 × 0,82 / 1 is 1968); old when neither applies or the result would
/// be below 1 dpi or beyond int32.
int32_t ResolutionFromDialog(const PropertiesDialogModel& model, int32_t old);

/// The pointer calibration the OK gives: a / b × 100 for two readable
/// numbers a, b with a × b ≠ 0 and a ≠ b, else 0 (off).
double PointerCalibrationFromDialog(const PropertiesDialogModel& model);

/// Multiplies every point of history by oldDpi / newDpi, so that objects
/// keep their image pixels under a new resolution.
void RescalePoints(History& history, int32_t oldDpi, int32_t newDpi);

}  // namespace kvx
