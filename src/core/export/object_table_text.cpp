#include "core/export/object_table_text.hpp"

#include <charconv>
#include <cmath>

#include "core/measure/values.hpp"
#include "core/support/charset.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

bool Named(std::size_t column, std::initializer_list<std::string_view> names) {
    const auto columns = ObjectTableColumns();
    if (column >= columns.size()) return false;
    for (const std::string_view name : names) {
        if (columns[column] == name) return true;
    }
    return false;
}

}  // namespace

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string ShortestNumber(double value) {
    if (!std::isfinite(value)) return {};
    if (value == 0.0) value = 0.0;  // no "-0"
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) return {};
    return std::string(buffer, end);
}

std::string ObjectTableCsvHeader() {
    std::string header = "project,image";
    for (const std::string_view name : ObjectTableColumns()) {
        header += ',';
        header += name;
    }
    return header;
}

std::string ObjectTableCsvRows(std::string_view project, std::string_view image,
                               const std::vector<ObjectDescription>& objects,
                               const ObjectTypeTable& types, int language, int32_t tableUnit) {
    const std::string lead = CsvField(project) + "," + CsvField(image);
    std::string rows;
    for (const ObjectDescription& d : objects) {
        rows += lead;
        for (const ObjectTableCell& cell : ObjectTableRow(d, types, language, tableUnit)) {
            rows += ',';
            switch (cell.kind) {
                case ObjectTableCell::kText:
                    rows += CsvField(Cp1252ToUtf8(cell.text));
                    break;
                case ObjectTableCell::kLogical:
                    rows += cell.flag ? "TRUE" : "FALSE";
                    break;
                case ObjectTableCell::kNumber:
                    rows += ShortestNumber(cell.number);
                    break;
            }
        }
        rows += "\r\n";
    }
    return rows;
}

int ObjectTableDecimals(std::size_t column, int dataType) {
    if (Named(column, {"value"})) return DecimalsFor(dataType);
    if (Named(column, {"type", "object", "points", "pixels", "grey_min", "grey_max", "red_min",
                       "red_max", "green_min", "green_max", "blue_min", "blue_max"})) {
        return 0;
    }
    if (Named(column, {"circularity", "aspect_ratio", "solidity"})) return 4;
    if (Named(column, {"feret_angle", "ellipse_angle", "angle", "grey_mean", "grey_sd", "red_mean",
                       "red_sd", "green_mean", "green_sd", "blue_mean", "blue_sd"})) {
        return 2;
    }
    return 3;
}

std::string ObjectTableShown(const ObjectTableCell& cell, std::size_t column, int dataType,
                             bool decimalComma, std::string_view yes, std::string_view no) {
    switch (cell.kind) {
        case ObjectTableCell::kText:
            return cell.text;
        case ObjectTableCell::kLogical:
            return std::string(cell.flag ? yes : no);
        case ObjectTableCell::kNumber:
            break;
    }
    if (std::isnan(cell.number)) return {};
    if (!Representable(cell.number)) return "-";
    return FormatReal(0, ObjectTableDecimals(column, dataType), decimalComma, cell.number);
}

}  // namespace kvx
