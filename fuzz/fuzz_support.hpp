#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/picture/picture_loader.hpp"

namespace kvx::fuzz {

/// A folder of this process's own under the system's temporary folder,
/// removed when the process ends.
const std::string& WorkDir();

/// Writes the bytes to WorkDir()/name, replacing what was there, and returns
/// the file's path.
std::string WriteInput(std::string_view name, const uint8_t* data, std::size_t size);

/// One decoder on arbitrary bytes held in memory: the first byte picks the
/// background under transparent parts, the rest is the file. The decoder's
/// errors must come back as a refusal (and no picture) or a picture of a
/// size the limits allow, never end the process.
int FuzzDecoder(PictureFormat format, const uint8_t* data, std::size_t size);

}  // namespace kvx::fuzz
