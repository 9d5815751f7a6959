#include "core/program/shell_folders.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        home = found->pw_dir;
    }
    return home;
}

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// The documents entry of user-dirs.dirs: a quoted path that is absolute or
// starts with $HOME. Empty when the file or the entry is missing.
std::string DocumentsFromUserDirs(const std::string& configBase, const std::string& home) {
    if (configBase.empty()) return {};
    std::ifstream in(JoinPath(configBase, "user-dirs.dirs"));
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
        std::string value = line.substr(start + key.size());
        while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (value.rfind("$HOME", 0) == 0) {
            if (home.empty()) return {};
            value = home + value.substr(5);
        }
        return value.empty() || value.front() != '/' ? std::string() : value;
    }
    return {};
}

}  // namespace

std::string UserConfigBase() {
    const std::string xdg = Environment("XDG_CONFIG_HOME");
    if (!xdg.empty() && xdg.front() == '/') return WithoutTrailingSeparator(xdg);
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : JoinPath(WithoutTrailingSeparator(home), ".config");
}

std::string UserDocumentsFolder() {
    const std::string home = WithoutTrailingSeparator(HomeFolder());
    std::string documents = Environment("XDG_DOCUMENTS_DIR");
    if (documents.empty() || documents.front() != '/') {
        documents = DocumentsFromUserDirs(UserConfigBase(), home);
    }
    documents = WithoutTrailingSeparator(documents);
    if (!documents.empty() && DirectoryExists(documents)) return documents;
    return home;
}

void LocateShellFolders(Program& program, bool create, std::string_view subFolder) {
    const std::string base = UserConfigBase();
    if (!base.empty()) {
        const std::string candidate = JoinPath(base, subFolder);
        if (DirectoryExists(candidate)) {
            program.configDir = candidate;
        } else if (create) {
            std::error_code error;
            std::filesystem::create_directories(candidate, error);
            if (!error && DirectoryExists(candidate)) program.configDir = candidate;
        } else {
            program.configDir.clear();
        }
    } else if (!create) {
        program.configDir.clear();
    }
    program.documentsDir = UserDocumentsFolder();
}

}  // namespace kvx
