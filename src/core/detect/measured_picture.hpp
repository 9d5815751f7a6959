#pragma once

#include <memory>
#include <string>

namespace kvx {

class Program;
struct Picture;

/// The picture to measure values on: at full resolution and in its own
/// values (16-bit samples kept). The one shown when it already is that,
/// else the file at path decoded again; null when that fails or when the
/// file no longer is the picture shown (another size or orientation), since
/// its values would be measured in the wrong places. A damaged decode is
/// refused too: the values where it broke off are not the picture's.
std::shared_ptr<const Picture> PictureInOwnValues(const Program& program, const std::string& path,
                                                  const std::shared_ptr<const Picture>& shown);

}  // namespace kvx
