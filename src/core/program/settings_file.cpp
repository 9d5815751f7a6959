#include "core/program/settings_file.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

bool ValidKey(std::string_view key) {
    return !key.empty() && std::none_of(key.begin(), key.end(), [](char c) {
        return c == '=' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
    });
}

bool ValidValue(std::string_view value) {
    return value.find_first_of("\r\n") == std::string_view::npos;
}

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
    const std::string trimmed = Trim(text);
    Number value{};
    const char* last = trimmed.data() + trimmed.size();
    const auto [end, ec] = std::from_chars(trimmed.data(), last, value);
    if (trimmed.empty() || ec != std::errc() || end != last) return std::nullopt;
    return value;
}

}  // namespace

SettingsFile SettingsFile::Read(const std::string& path) {
    SettingsFile settings;
    TextFile file;
    if (path.empty() || OpenTextFileAt(path, file) != kOk) return settings;
    std::string line;
    while (file.ReadLine(line) == TextFile::ReadStatus::Line) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = Trim(std::string_view(line).substr(0, equals));
        if (!ValidKey(key)) continue;
        settings.Put(key, Trim(std::string_view(line).substr(equals + 1)));
    }
    file.Close();
    return settings;
}

bool SettingsFile::Write(const std::string& path) const {
    if (path.empty()) return false;
    SettingsFile merged = Read(path);
    for (const std::string& key : changed_) {
        if (const std::optional<std::string> value = Text(key)) merged.Put(key, *value);
    }
    FileReplacement file;
    if (file.Begin(path) != kOk) return false;
    bool written = true;
    for (const auto& [key, value] : merged.entries_) {
        written = written && file.File().WriteLine(key + " = " + value);
    }
    return written && file.Commit() == kOk;
}

std::optional<std::string> SettingsFile::Text(std::string_view key) const {
    for (const auto& [k, value] : entries_) {
        if (k == key) return value;
    }
    return std::nullopt;
}

int32_t SettingsFile::Integer(std::string_view key, int32_t fallback, int32_t min,
                              int32_t max) const {
    const std::optional<std::string> text = Text(key);
    const std::optional<int32_t> value = text ? ParseNumber<int32_t>(*text) : std::nullopt;
    return value && *value >= min && *value <= max ? *value : fallback;
}

double SettingsFile::Real(std::string_view key, double fallback, double min, double max) const {
    const std::optional<std::string> text = Text(key);
    const std::optional<double> value = text ? ParseNumber<double>(*text) : std::nullopt;
    return value && std::isfinite(*value) && *value >= min && *value <= max ? *value : fallback;
}

bool SettingsFile::Flag(std::string_view key, bool fallback) const {
    return Integer(key, fallback ? 1 : 0, 0, 1) == 1;
}

bool SettingsFile::Set(std::string_view rawKey, std::string_view rawValue) {
    const std::string key = Trim(rawKey);
    const std::string value = Trim(rawValue);
    if (!ValidKey(key) || !ValidValue(rawValue)) return false;
    Put(key, value);
    if (std::find(changed_.begin(), changed_.end(), key) == changed_.end()) {
        changed_.push_back(key);
    }
    return true;
}

bool SettingsFile::SetInteger(std::string_view key, int32_t value) {
    return Set(key, std::to_string(value));
}

bool SettingsFile::SetReal(std::string_view key, double value) {
    if (!std::isfinite(value)) return false;
    std::array<char, 32> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (ec != std::errc()) return false;
    return Set(key, std::string_view(buffer.data(), static_cast<std::size_t>(end - buffer.data())));
}

void SettingsFile::Put(std::string_view key, std::string_view value) {
    for (auto& [k, v] : entries_) {
        if (k == key) {
            v = std::string(value);
            return;
        }
    }
    entries_.emplace_back(std::string(key), std::string(value));
}

std::string SettingsFilePath(const Program& program, std::string_view fileName) {
    return program.configDir.empty() ? std::string()
                                     : JoinPath(program.configDir, std::string(fileName));
}

}  // namespace kvx
