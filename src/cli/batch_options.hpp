#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch_detect.hpp"

namespace kvx::batch {

/// The sub-commands of the batch tool.
enum class Command { None, Help, Version, Check, Export, Stats, Values, Shapes, Render, Detect };

/// Everything the command line says.
struct Options {
    Command command = Command::None;
    std::vector<std::string> projects;
    /// -o: a file, or for several projects a folder; empty = the default;
    /// "-" = standard output (a file named so is given as "./-").
    std::string output;
    /// export: the export kind (3 report, 4 screen, 5 Tessaplot, 6 R).
    int32_t exportKind = 0;
    /// export: empty = every qualifying type, else the slots to answer Yes for.
    std::vector<int32_t> types;
    /// render: the picture kind (1 metafile, 2 bitmap, 7 JPEG).
    int32_t renderKind = 0;
    /// render: side of the square raster picture in pixels; 0 = the surface's.
    int32_t size = 0;
    /// render: JPEG quality 1..100; unset = the configured one.
    std::optional<int32_t> quality;
    /// Object-type file; empty = the configured one.
    std::string objectTypes;
    /// 0 German, 1 English, 2 Spanish; unset = the configured language.
    std::optional<uint8_t> language;
    /// 0 micrometres, 1 millimetres, 2 centimetres; unset = the configured unit.
    std::optional<int32_t> unit;
    /// Projects worked on at the same time; 0 = one per processor core.
    int32_t jobs = 0;

    bool ToStandardOutput() const { return output == "-"; }
    /// detect: its own options.
    DetectOptions detect;
};

/// The outcome of reading the command line: options, or the reason why not.
struct ParseResult {
    Options options;
    std::string error;
    bool Ok() const { return error.empty(); }
};

/// Reads the arguments after the program name. Options may stand before or
/// after the project files, as "--name value" or "--name=value", the short
/// ones as "-j 4" or "-j4"; "--" ends the options, and "-" alone is a name.
ParseResult ParseArguments(const std::vector<std::string>& arguments);

/// The text of --help.
std::string UsageText();

/// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitProjectFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitStartup = 3;

}  // namespace kvx::batch
