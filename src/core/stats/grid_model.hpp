#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/stats/statistics.hpp"
#include "core/stats/value_list.hpp"

namespace kvx {

/// One grid row: column 0 (caption or label) and column 1 (value).
struct GridRow {
    std::string caption;
    std::string value;
    bool operator==(const GridRow&) const = default;
};

/// What the value grid `DGrid` and the statistics grid `vGrid` show, rebuilt
/// by every statistics pass; the window only displays it.
class GridModel {
public:
    static constexpr int32_t kBlankValueRows = 1000;
    static constexpr int32_t kStatisticsRows = 9;
    /// The copy button needs a main window wider than this (pixels).
    static constexpr int32_t kCopyButtonMinWindowWidth = 840;

    /// Rows of `vGrid`.
    enum StatisticsRow : int32_t {
        kRowN = 0,
        kRowMin,
        kRowMax,
        kRowMean,
        kRowVariance,
        kRowS,
        kRowVariation,
        kRowInterval,
        kRowWithin,
    };

    /// One row per listed value; its row count is what the window shows.
    std::vector<GridRow> DGrid;
    std::array<GridRow, kStatisticsRows> vGrid;

    /// Start of a pass: 1000 blank value rows, the statistics labels with
    /// blank values, copy button hidden. labels: the nine row labels.
    void Reset(const std::array<std::string, kStatisticsRows>& labels);

    /// Fills both grids from a computed list. `tableUnit` and `decimalComma`
    /// come from the settings (`TableUnit`, `Language` 0).
    void Fill(const ValueList& list, const StatisticsMarks& marks, int dataType, int32_t tableUnit,
              bool decimalComma);

    /// Row count of `DGrid`.
    int32_t RowCount() const { return static_cast<int32_t>(DGrid.size()); }

    /// The copy button is shown after a pass with more than one value row
    /// when the main window is wider than 840 pixels.
    bool CopyButtonVisible(int32_t windowWidth) const {
        return copyAllowed_ && RowCount() > 1 && windowWidth > kCopyButtonMinWindowWidth;
    }

    /// The value column as clipboard lines: each cell with its unit (the
    /// blank and two letters after it) removed; excluded values keep their
    /// brackets.
    std::vector<std::string> CopyLines() const;
    /// CopyLines, each followed by a line feed.
    std::string CopyText() const;

    /// True when row (0-based) exists and its value cell is not blank.
    bool HasValue(int32_t row) const {
        return row >= 0 && row < RowCount() && !DGrid[static_cast<std::size_t>(row)].value.empty();
    }

private:
    bool copyAllowed_ = false;
};

/// A formatted number with its unit after a blank; the number alone when
/// the unit is empty.
std::string WithUnit(std::string number, std::string_view unit);

}  // namespace kvx
