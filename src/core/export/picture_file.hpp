#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/support/error_code.hpp"

namespace kvx {

/// path with the given extension ("WMF", "BMP", "JPG"). A name that already
/// carries that extension in any case keeps it as it is: on a file system
/// that tells case apart, "x.jpg" and "x.JPG" are different files, and the
/// name the person confirmed in the save dialog is the one to write.
std::string ForcePictureExtension(std::string_view path, std::string_view extension);

/// Writes bytes as the new content of path. The file is replaced only once
/// the new one is complete; until then the previous file stays as it was.
/// Returns 0, createCode when the file cannot be created or writeCode when
/// writing, syncing or putting it in place fails; LastIoResult holds the
/// system's reason.
[[nodiscard]] ErrorCode WritePictureFile(const std::string& path, const std::vector<uint8_t>& bytes,
                                         ErrorCode createCode, ErrorCode writeCode);

}  // namespace kvx
