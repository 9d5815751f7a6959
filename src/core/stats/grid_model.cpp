#include "core/stats/grid_model.hpp"

#include <algorithm>

#include "core/measure/values.hpp"
#include "core/support/strings.hpp"

namespace kvx {

std::string WithUnit(std::string number, std::string_view unit) {
    if (!unit.empty()) {
        number += ' ';
        number += unit;
    }
    return number;
}

void GridModel::Reset(const std::array<std::string, kStatisticsRows>& labels) {
    DGrid.resize(kBlankValueRows);
    for (GridRow& row : DGrid) {
        row.caption.clear();
        row.value.clear();
    }
    for (int32_t r = 0; r < kStatisticsRows; ++r) {
        vGrid[static_cast<std::size_t>(r)] = {labels[static_cast<std::size_t>(r)], {}};
    }
    copyAllowed_ = false;
}

void GridModel::Fill(const ValueList& list, const StatisticsMarks& marks, int dataType,
                     int32_t tableUnit, bool decimalComma) {
    const int32_t entries = list.Count();
    const int decimals = DecimalsFor(dataType);
    const std::string_view unit = UnitName(dataType, tableUnit);
    const auto shown = [&](double value) { return UnitDivisor(value, dataType, tableUnit); };
    const auto number = [&](int places, double value) {
        return FormatReal(0, places, decimalComma, value);
    };

    // Every listed row stays, also when fewer than two values are counted, so
    // that excluded values can still be double-clicked back in; an empty list
    // keeps one blank row.
    DGrid.resize(static_cast<std::size_t>(std::max(entries, 1)));
    for (int32_t k = 1; k <= entries; ++k) {
        const ValueEntry& e = list.Entry(k);
        GridRow& row = DGrid[static_cast<std::size_t>(k - 1)];
        row.value = WithUnit(number(decimals, shown(e.value)), unit);
        if (e.excluded) row.value = "[" + row.value + "]";
        row.caption = IntToStr(k);
        if (entries > 2 && !e.excluded) {
            if (k - 1 == marks.minRow) {
                row.caption += " (min)";
            } else if (k - 1 == marks.maxRow) {
                row.caption += " (max)";
            }
        }
    }
    if (entries == 0) DGrid.front() = {};

    const double n = list.n();
    const auto cell = [&](StatisticsRow r) -> std::string& {
        return vGrid[static_cast<std::size_t>(r)].value;
    };
    cell(kRowN) = IntToStr(static_cast<int64_t>(n));
    if (n >= 1) {
        cell(kRowMin) = WithUnit(number(decimals, shown(list.min())), unit);
        cell(kRowMax) = WithUnit(number(decimals, shown(list.max())), unit);
    }
    if (n >= 2) {
        const double mean = shown(list.mean());
        const double s = shown(list.s());
        cell(kRowMean) = WithUnit(number(3, mean), unit);
        cell(kRowVariance) = number(3, shown(list.variance()));
        cell(kRowS) = WithUnit(number(3, s), unit);
        // With a mean of 0 the coefficient is undefined: the cell stays blank.
        if (mean != 0.0)
            cell(kRowVariation) = FormatReal(2, 1, decimalComma, s * 100.0 / mean) + " %";
        cell(kRowInterval) = WithUnit(
            number(2, shown(list.lowerBound())) + " - " + number(2, shown(list.upperBound())),
            unit);
        cell(kRowWithin) = IntToStr(marks.within * 100 / entries) + " %";
    }
    copyAllowed_ = true;
}

std::vector<std::string> GridModel::CopyLines() const {
    std::vector<std::string> lines;
    lines.reserve(DGrid.size());
    for (const GridRow& row : DGrid) {
        std::string text = row.value;
        if (const auto blank = text.find(' '); blank != std::string::npos) text.erase(blank, 3);
        lines.push_back(std::move(text));
    }
    return lines;
}

std::string GridModel::CopyText() const {
    std::string text;
    for (const std::string& line : CopyLines()) {
        text += line;
        text += '\n';
    }
    return text;
}

}  // namespace kvx
