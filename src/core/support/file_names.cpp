#include "core/support/file_names.hpp"

#include <algorithm>

#include "core/support/strings.hpp"

namespace kvx {

bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

int LastSeparatorPos(std::string_view path) {
    const std::size_t pos = path.find_last_of("/\\");
    return pos == std::string_view::npos ? 0 : static_cast<int>(pos + 1);
}

std::string ExtractFileName(std::string_view path) {
    return std::string(path.substr(static_cast<std::size_t>(LastSeparatorPos(path))));
}

std::string ExtractFileDir(std::string_view path) {
    return std::string(path.substr(0, static_cast<std::size_t>(LastSeparatorPos(path))));
}

std::string RemoveExtension(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || static_cast<int>(dot) < LastSeparatorPos(path)) {
        return std::string(path);
    }
    return std::string(path.substr(0, dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
    std::string result = RemoveExtension(path);
    result += '.';
    result += extension;
    return result;
}

std::string ForceExtension(std::string_view path, std::string_view extension) {
    const std::size_t dot = path.rfind('.');
    if (dot != std::string_view::npos && static_cast<int>(dot) >= LastSeparatorPos(path) &&
        EqualsIgnoringCase(path.substr(dot + 1), extension)) {
        return std::string(path);
    }
    return ChangeFileExt(path, extension);
}

std::string JoinPath(std::string_view directory, std::string_view name) {
    if (directory.empty()) return std::string(name);
    while (!name.empty() && IsPathSeparator(name.front())) name.remove_prefix(1);
    while (!directory.empty() && IsPathSeparator(directory.back())) directory.remove_suffix(1);
    std::string result(directory);
    result += kPathSeparator;
    result += name;
    return result;
}

bool PathFitsFileSystem(std::string_view path) {
    if (path.size() > kMaxPathBytes) return false;
    std::size_t partStart = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == kPathSeparator) {
            if (i - partStart > kMaxNameBytes) return false;
            partStart = i + 1;
        }
    }
    return true;
}

std::string PathFromFolder(std::string_view path, std::string_view folder) {
    if (folder.empty() || !IsPathSeparator(folder.back()) || path.size() <= folder.size() ||
        path.substr(0, folder.size()) != folder) {
        return std::string(path);
    }
    const std::string_view rest = path.substr(folder.size());
    // A name that climbs out again is no shorter way to the same file.
    for (std::size_t start = 0; start <= rest.size();) {
        const std::size_t end = std::min(rest.find(kPathSeparator, start), rest.size());
        if (rest.substr(start, end - start) == "..") return std::string(path);
        start = end + 1;
    }
    return std::string(rest);
}

}  // namespace kvx
