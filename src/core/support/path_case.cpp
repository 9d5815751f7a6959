#include "core/support/path_case.hpp"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <memory>

#include "core/support/file_names.hpp"

namespace kvx {

namespace {

bool SameIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

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
        if (SameIgnoringCase(name, entry->d_name)) return dir + entry->d_name;
    }
    return path;
}

}  // namespace kvx
