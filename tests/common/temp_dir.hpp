#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kvx::test {

/// A fresh directory for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    /// path/name as a string.
    std::string File(std::string_view name) const;
    /// Writes bytes exactly as given and returns the file's path.
    std::string Write(std::string_view name, std::string_view bytes) const;
    /// Reads a whole file as bytes.
    static std::string Read(const std::string& path);

private:
    std::filesystem::path path_;
};

/// The repository's data folder (message, error-text and object-type files).
std::string DataDir();

}  // namespace kvx::test
