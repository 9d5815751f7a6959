#include "cli/batch_options.hpp"

#include <charconv>
#include <limits>
#include <string_view>

#include "core/export/text_export.hpp"

namespace kvx::batch {

namespace {

constexpr int32_t kMaxJobs = 256;
constexpr int32_t kMaxPictureSide = 20000;

bool ParseInt(std::string_view text, int32_t& value) {
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool ParseTypeList(std::string_view text, std::vector<int32_t>& types) {
    types.clear();
    if (text == "all") return true;
    while (true) {
        const std::size_t comma = text.find(',');
        int32_t slot = 0;
        if (!ParseInt(text.substr(0, comma), slot) || slot < 1 || slot > 256) return false;
        types.push_back(slot);
        if (comma == std::string_view::npos) return true;
        text.remove_prefix(comma + 1);
    }
}

Command CommandNamed(std::string_view name) {
    if (name == "check") return Command::Check;
    if (name == "export") return Command::Export;
    if (name == "stats") return Command::Stats;
    if (name == "values") return Command::Values;
    if (name == "shapes") return Command::Shapes;
    if (name == "render") return Command::Render;
    if (name == "detect") return Command::Detect;
    if (name == "help" || name == "--help" || name == "-h") return Command::Help;
    if (name == "--version") return Command::Version;
    return Command::None;
}

}  // namespace

ParseResult ParseArguments(const std::vector<std::string>& arguments) {
    ParseResult result;
    Options& o = result.options;
    const auto fail = [&](std::string text) {
        result.error = std::move(text);
        return result;
    };
    if (arguments.empty()) return fail("no command given");
    o.command = CommandNamed(arguments[0]);
    if (o.command == Command::None) return fail("unknown command '" + arguments[0] + "'");
    if (o.command == Command::Help || o.command == Command::Version) return result;

    bool optionsEnded = false;
    bool typesGiven = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            o.projects.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            o.command = Command::Help;
            return result;
        }
        if (arg == "--version") {
            o.command = Command::Version;
            return result;
        }
        std::string name = arg;
        std::string value;
        bool haveValue = false;
        if (!arg.starts_with("--")) {
            // Short options as GNU programs take them: the value joined
            // ("-j4", "-ofile") or as the next argument.
            name = arg.substr(0, 2);
            if (name != "-o" && name != "-j") return fail("unknown option " + arg);
            if (arg.size() > 2) {
                value = arg.substr(2);
                haveValue = true;
            }
        } else if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            haveValue = true;
        }
        const auto take = [&]() -> bool {
            if (haveValue) return true;
            if (i + 1 >= arguments.size()) return false;
            value = arguments[++i];
            return true;
        };
        if (o.command == Command::Detect && TakeDetectSwitch(name, o.detect)) continue;
        if (!take()) return fail("option " + name + " needs a value");
        if (o.command == Command::Detect) {
            std::string wrong;
            if (TakeDetectOption(name, value, o.detect, wrong)) continue;
            if (!wrong.empty()) return fail(wrong);
        }

        if (name == "-o" || name == "--output") {
            o.output = value;
        } else if (name == "--kind" && o.command == Command::Export) {
            if (value == "report") {
                o.exportKind = kExportReport;
            } else if (value == "screen") {
                o.exportKind = kExportScreen;
            } else if (value == "tessaplot") {
                o.exportKind = kExportTessaplot;
            } else if (value == "r") {
                o.exportKind = kExportR;
            } else {
                return fail("--kind must be report, screen, tessaplot or r");
            }
        } else if (name == "--types" && o.command == Command::Export) {
            if (!ParseTypeList(value, o.types)) {
                return fail("--types must be 'all' or type numbers 1..256 separated by commas");
            }
            typesGiven = !o.types.empty();
        } else if (name == "--format" && o.command == Command::Render) {
            if (value == "wmf") {
                o.renderKind = kExportMetafile;
            } else if (value == "bmp") {
                o.renderKind = kExportBitmap;
            } else if (value == "jpg") {
                o.renderKind = kExportJpeg;
            } else {
                return fail("--format must be wmf, bmp or jpg");
            }
        } else if (name == "--size" && o.command == Command::Render) {
            if (!ParseInt(value, o.size) || o.size < 1 || o.size > kMaxPictureSide) {
                return fail("--size must be a number of pixels from 1 to 20000");
            }
        } else if (name == "--quality" && o.command == Command::Render) {
            int32_t quality = 0;
            if (!ParseInt(value, quality) || quality < 1 || quality > 100) {
                return fail("--quality must be a number from 1 to 100");
            }
            o.quality = quality;
        } else if (name == "--object-types") {
            o.objectTypes = value;
        } else if (name == "--language") {
            if (value == "de") {
                o.language = 0;
            } else if (value == "en") {
                o.language = 1;
            } else if (value == "es") {
                o.language = 2;
            } else {
                return fail("--language must be de, en or es");
            }
        } else if (name == "--unit") {
            if (value == "um") {
                o.unit = 0;
            } else if (value == "mm") {
                o.unit = 1;
            } else if (value == "cm") {
                o.unit = 2;
            } else {
                return fail("--unit must be um, mm or cm");
            }
        } else if (name == "--jobs" || name == "-j") {
            if (!ParseInt(value, o.jobs) || o.jobs < 1 || o.jobs > kMaxJobs) {
                return fail("--jobs must be a number from 1 to 256");
            }
        } else {
            return fail("unknown option " + name + " for this command");
        }
    }

    if (o.projects.empty()) return fail("no project file given");
    switch (o.command) {
        case Command::Export:
            if (o.exportKind == 0) return fail("export needs --kind");
            if (o.ToStandardOutput() && o.exportKind != kExportScreen && o.projects.size() != 1) {
                return fail("-o - writes one project's file to standard output");
            }
            // Only these kinds ask which types to write.
            if (typesGiven && o.exportKind != kExportTessaplot && o.exportKind != kExportR) {
                return fail("--types applies to --kind tessaplot and r only");
            }
            break;
        case Command::Render:
            if (o.renderKind == 0) return fail("render needs --format");
            if (o.output.empty()) return fail("render needs -o FILE");
            if (o.projects.size() != 1) return fail("render takes one project file");
            break;
        case Command::Detect:
            if (std::string wrong = CheckDetectOptions(o.detect); !wrong.empty())
                return fail(wrong);
            break;
        default:
            break;
    }
    return result;
}

std::string UsageText() {
    return R"(Usage: korvanix-batch COMMAND [OPTIONS] PROJECT.KXP...

Works on Korvanix project files without a window, with the same code the
program uses, so every number equals what the window shows.

Commands:
  check PROJECT...          read each project; print OK or the errors found
  export --kind KIND [--types all|N,N...] [-o FILE|DIR] PROJECT...
                            write the files of the Export menu; KIND is
                            report, screen, tessaplot or r. --types answers
                            the per-type questions of tessaplot and r (Yes
                            for the listed type numbers, default: all)
  stats [-o FILE.csv] PROJECT...
                            one CSV table (UTF-8) of the statistics of every
                            exported object type of every project
  values [-o FILE.csv] PROJECT...
                            one CSV table (UTF-8) with a row for every value
                            of those types, excluded ones marked TRUE
  shapes [-o FILE.csv] PROJECT...
                            one CSV table (UTF-8) with a row for every object
                            of every type: its value and shape descriptors,
                            and the grey and colour values inside polygons
  render --format wmf|bmp|jpg [--size PX] [--quality Q] -o FILE PROJECT
                            the annotated view fitted to the image
  detect --type N [--threshold isodata|otsu|VALUE] [--objects dark|light]
         [--channel grey|red|green|blue] [--min-area A] [--max-area A]
         [--min-circularity C] [--exclude-edges] [--split] [--dry-run] PROJECT...
                            find the objects on each project's picture, add
                            them to type N (a Polygon type: an outline each;
                            a Count type: a point at each centre) and save
                            the project; --dry-run only prints how many were
                            found and their total area (areas in --unit)

Options for every command:
  --object-types FILE.kxo   object types (default: the configured file)
  --language de|en|es       language of texts and names (default: configured)
  --unit um|mm|cm           unit of lengths and areas (default: configured)
  --jobs N, -j N, -jN       projects worked on in parallel (default: cores)
  -o FILE|DIR, --output     where the output goes (see the commands); -o -
                            is standard output where the output is one
                            file (a table, the screen report, one project's
                            export, the picture)
  -h, --help                this text
  --version                 the program's name and version

Without -o, export writes each file beside its project (the R table as
NAME_R.TXT, apart from the report's NAME.TXT), and stats, values and shapes
write to standard output. Messages go to standard error.

Exit status: 0 success, 1 a project failed, 2 wrong usage, 3 the program's
data files could not be read.
)";
}

}  // namespace kvx::batch
