#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/project/measured_object.hpp"
#include "core/project/project.hpp"
#include "core/stats/value_list.hpp"
#include "core/support/file_replacement.hpp"

namespace kvx {

class Program;

/// Export kinds of the dispatcher `DoWriteFile`.
enum ExportKind : int32_t {
    kExportMetafile = 1,
    kExportBitmap = 2,
    kExportReport = 3,     ///< tab-separated report file (TXT)
    kExportScreen = 4,     ///< screen report lines, no file
    kExportTessaplot = 5,  ///< class-frequency file for Tessaplot (TSP)
    kExportR = 6,          ///< value table for R (TXT, line feeds only)
    kExportJpeg = 7,
};

/// File extension of an export kind, without the point; empty for the
/// screen report and for kinds outside 1..7.
std::string_view ExportExtension(int32_t kind);

/// True for the kinds the text writer produces (3 to 6).
constexpr bool IsTextExport(int32_t kind) {
    return kind >= kExportReport && kind <= kExportR;
}

/// The text writer: walks the qualifying object types in number order (user
/// types of data type 4 to 7 with at least one point) and writes per type the
/// statistics and values of a statistics pass, run on its own value list.
/// The list and class width it ends with are those of the last type written.
class TextExport {
public:
    /// The R table's limits: columns (types) and rows (values of all types).
    static constexpr int32_t kMaxColumns = 32;
    static constexpr int32_t kMaxRows = 10240;
    /// The Tessaplot class table holds classes 0..kLastClass, three counters each.
    static constexpr int32_t kLastClass = 10240;
    /// Highest class start (micrometres) that class lines are written for.
    static constexpr int64_t kClassRange = 1000000;

    /// kind 3 to 6. fileName is the output file of kinds 3, 5 and 6; memo
    /// receives the lines of kind 4 (appended). classWidth is that of the
    /// statistics shown when the export starts: the report and the
    /// class-frequency file are only written when it is above 0.
    TextExport(Program& program, const Project& project, const History& history, double classWidth,
               int32_t kind, std::string fileName, std::vector<std::string>* memo);

    /// `WriteTextExport`: the whole export. No file is created when no type
    /// is written.
    void WriteTextExport();

    /// Writes the block of type n; false only when the output file could not
    /// be created (the person has been told).
    bool WriteTypeBlock(int32_t n);

    /// True once a statistics pass has run; Values and ClassWidth are then
    /// those of the last one.
    bool StatisticsRan() const { return statisticsRan_; }
    const ValueList& Values() const { return values_; }
    double ClassWidth() const { return classWidth_; }

private:
    bool Line(std::string_view text);
    void ScreenLine(int32_t n, int32_t counted);
    void ReportBlock(int32_t n, int32_t counted);
    void StoreRValues();
    void CountClasses();
    void WriteTessaplotTrailer();
    void WriteRTable();
    void ReportWriteFailure();
    std::string Number(int decimals, double value) const;
    /// Number, or "-" for a value no reader could use (not finite, or huge).
    std::string Shown(int decimals, double value) const;
    void StatisticsPass(int32_t type);

    Program& program_;
    const Project& project_;
    const History& history_;
    ValueList values_;
    double classWidth_;
    bool statisticsRan_ = false;
    int32_t kind_;
    std::string fileName_;
    std::vector<std::string>* memo_;
    bool decimalComma_;

    FileReplacement file_;
    bool started_ = false;
    bool writeFailed_ = false;
    int32_t typesWritten_ = 0;

    // Tessaplot: class counters of the first three written types, and the head text.
    std::vector<std::array<int32_t, 3>> classes_;
    std::string head_;

    // R: the value matrix row by row, its header and the current type's column
    // (0 when the type got no column because all columns are taken).
    std::vector<std::array<double, kMaxColumns>> rows_;
    std::string header_;
    int32_t columns_ = 0;
    int32_t column_ = 0;
};

}  // namespace kvx
