#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvx::samplegen {

/// Writes 8-bit RGB rows as a JPEG with the given quality and the resolution
/// in dots per inch in its JFIF header. False when the file cannot be written.
bool WriteJpeg(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height,
               int quality, int dpi);

}  // namespace kvx::samplegen
