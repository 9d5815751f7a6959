#include "core/support/path_case.hpp"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"

namespace kvx {

std::string ResolvePathCase(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) == 0) return path;
    std::string dir = ExtractFileDir(path);
    const std::string name = ExtractFileName(path);
    if (name.empty()) return path;
    const std::string openDir = dir.empty() ? "." : dir;
    std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(openDir.c_str()), ::closedir);
    if (!handle) return path;
    while (const dirent* entry = ::readdir(handle.get())) {
        if (EqualsIgnoringCase(name, entry->d_name)) return dir + entry->d_name;
    }
    return path;
}

}  // namespace kvx
