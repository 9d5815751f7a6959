#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/support/error_code.hpp"

namespace kvx {

class Recording;

inline constexpr ErrorCode kErrWmfCreate = 61300103;  ///< file cannot be created
inline constexpr ErrorCode kErrWmfWrite = 61300203;   ///< writing or closing failed

/// Units per inch of the metafile's placeable header.
inline constexpr int32_t kMetafileUnitsPerInch = 1440;

/// A recording as a placeable Windows metafile (the plain 16-bit format, not
/// the enhanced one). The logical coordinates are the recording's surface
/// pixels; the header gives the picture a size of surfaceSize hundredths of
/// a millimetre in each direction at 1440 units per inch.
///
/// Every operation is written: lines, rectangles, ellipses, polygons and
/// polylines with their pens and brushes, pixels, text in its font with its
/// background box, the clip rectangle, and pictures as 24-bit bitmaps
/// stretched into their rectangles. A picture contributes only its part that
/// can be seen, at no more pixels than it covers on the surface. Geometry
/// reaching beyond the 16-bit coordinates of the format is cut well outside
/// the surface, so what can be seen does not change.
std::vector<uint8_t> EncodeMetafile(const Recording& recording, int64_t surfaceSize);

/// Saves the recording as a metafile; the extension is forced to "WMF"
/// (writtenPath, when given, receives the name written).
[[nodiscard]] ErrorCode SaveMetafile(std::string_view path, const Recording& recording,
                                     int64_t surfaceSize, std::string* writtenPath = nullptr);

}  // namespace kvx
