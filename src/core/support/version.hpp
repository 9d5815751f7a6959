#pragma once

#include <cstdint>
#include <string>

namespace kvx {

/// The program's version as four numbers of 0..255, compiled in.
struct ProgramVersion {
    uint8_t major = 0;
    uint8_t minor = 0;
    uint8_t release = 0;
    uint8_t build = 0;
};

/// The version this program was built as.
ProgramVersion ReadVersion();
/// major.minor.release, and ".build" when withBuild.
std::string VersionText(const ProgramVersion& version, bool withBuild);

}  // namespace kvx
