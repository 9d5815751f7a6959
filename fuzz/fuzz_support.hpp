#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvx::fuzz {

/// A folder of this process's own under the system's temporary folder,
/// removed when the process ends.
const std::string& WorkDir();

/// Writes the bytes to WorkDir()/name, replacing what was there, and returns
/// the file's path.
std::string WriteInput(std::string_view name, const uint8_t* data, std::size_t size);

}  // namespace kvx::fuzz
