#pragma once

#include <string>

namespace kvx {

/// Finds an existing file whose name differs from path's only in letter case.
/// File names written for case-blind file systems ("korvanix.ERR" for
/// "korvanix.err") still resolve. Returns path itself when it exists, the
/// matching path when one name in its directory matches ignoring ASCII case,
/// and path unchanged otherwise.
std::string ResolvePathCase(const std::string& path);

}  // namespace kvx
