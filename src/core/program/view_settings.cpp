#include "core/program/view_settings.hpp"

#include "core/program/program.hpp"
#include "core/program/settings_file.hpp"

namespace kvx {

namespace {

constexpr const char* kViewFileName = "Korvanix.view";
constexpr const char* kWheelZoomKey = "WheelZoomPercent";

}  // namespace

void ReadViewSettings(Program& program) {
    const std::string path = SettingsFilePath(program, kViewFileName);
    if (path.empty()) return;
    const SettingsFile file = SettingsFile::Read(path);
    Settings& settings = program.settings;
    settings.WheelZoomPercent = file.Integer(kWheelZoomKey, settings.WheelZoomPercent,
                                             kMinWheelZoomPercent, kMaxWheelZoomPercent);
}

bool WriteViewSettings(const Program& program) {
    const std::string path = SettingsFilePath(program, kViewFileName);
    if (path.empty()) return true;
    SettingsFile file;
    return file.SetInteger(kWheelZoomKey, program.settings.WheelZoomPercent) && file.Write(path);
}

}  // namespace kvx
