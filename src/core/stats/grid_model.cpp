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
    // A number beyond what a cell can sensibly hold shows as "-", without unit.
    const auto withUnit = [&](int places, double value) {
        return Representable(value) ? WithUnit(number(places, value), unit) : std::string("-");
    };

    // Every listed row stays, also when fewer than two values are counted, so
    // that excluded values can still be double-clicked back in; an empty list
    // keeps one blank row.
    DGrid.resize(static_cast<std::size_t>(std::max(entries, 1)));
    for (int32_t k = 1; k <= entries; ++k) {
        const ValueEntry& e = list.Entry(k);
        GridRow& row = DGrid[static_cast<std::size_t>(k - 1)];
        row.value = withUnit(decimals, shown(e.value));
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
        cell(kRowMin) = withUnit(decimals, shown(list.min()));
        cell(kRowMax) = withUnit(decimals, shown(list.max()));
    }
    if (n >= 2) {
        const double mean = shown(list.mean());
        const double s = shown(list.s());
        cell(kRowMean) = withUnit(3, mean);
        // A variance is in the square of its values' unit: mm² for lengths in mm.
        const double variance = shown(shown(list.variance()));
        cell(kRowVariance) = Representable(variance) ? number(3, variance) : "-";
        cell(kRowS) = withUnit(3, s);
        // With a mean of 0 the coefficient is undefined: the cell stays blank.
        if (mean != 0.0) {
            const double variation = s * 100.0 / mean;
            cell(kRowVariation) =
                Representable(variation) ? FormatReal(2, 1, decimalComma, variation) + " %" : "-";
        }
        const double lower = shown(list.lowerBound());
        const double upper = shown(list.upperBound());
        cell(kRowInterval) = Representable(lower) && Representable(upper)
                                 ? WithUnit(number(2, lower) + " - " + number(2, upper), unit)
                                 : "-";
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
