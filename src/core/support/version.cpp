#include "core/support/version.hpp"

namespace kvx {

static_assert(KVX_VERSION_MAJOR >= 0 && KVX_VERSION_MAJOR <= 255 && KVX_VERSION_MINOR >= 0 &&
                  KVX_VERSION_MINOR <= 255 && KVX_VERSION_RELEASE >= 0 &&
                  KVX_VERSION_RELEASE <= 255 && KVX_VERSION_BUILD >= 0 && KVX_VERSION_BUILD <= 255,
              "each part of the program version must fit a byte");

ProgramVersion ReadVersion() {
    ProgramVersion version;
    version.major = KVX_VERSION_MAJOR;
    version.minor = KVX_VERSION_MINOR;
    version.release = KVX_VERSION_RELEASE;
    version.build = KVX_VERSION_BUILD;
    return version;
}

std::string VersionText(const ProgramVersion& version, bool withBuild) {
    std::string text = std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
                       std::to_string(version.release);
    if (withBuild) text += "." + std::to_string(version.build);
    return text;
}

}  // namespace kvx
