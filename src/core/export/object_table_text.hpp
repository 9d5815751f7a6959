#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/detect/shape_table.hpp"

namespace kvx {

/// One CSV cell: quoted when it holds a comma, a quote, a carriage return or
/// a line feed, with quotes doubled.
std::string CsvField(std::string_view text);

/// A number in the shortest form that reads back to the same double, with a
/// decimal point; empty for a value that is not finite.
std::string ShortestNumber(double value);

/// The header of the table of objects: project, image and the columns of
/// ObjectTableColumns, without a line end.
std::string ObjectTableCsvHeader();

/// The CSV rows (UTF-8, each ending in CR LF) of the objects of one project:
/// project and image (UTF-8) lead every row; numbers in the shortest form
/// with a decimal point, yes/no as TRUE and FALSE (what R's read.csv and
/// pandas read as logical), texts as UTF-8.
std::string ObjectTableCsvRows(std::string_view project, std::string_view image,
                               const std::vector<ObjectDescription>& objects,
                               const ObjectTypeTable& types, int language, int32_t tableUnit);

/// How many decimals a table shows in column (an index into
/// ObjectTableColumns) of a row of dataType: those of the value grid for
/// the value, lengths and areas; whole numbers for counts and extremes of
/// pixel values; more for ratios and means.
int ObjectTableDecimals(std::size_t column, int dataType);

/// A cell as a person reads it (core text): numbers with the decimals of
/// their column and "," as the decimal separator when decimalComma is set,
/// empty where nothing is defined, "-" beyond what a cell can show; yes/no
/// as the texts given.
std::string ObjectTableShown(const ObjectTableCell& cell, std::size_t column, int dataType,
                             bool decimalComma, std::string_view yes, std::string_view no);

}  // namespace kvx
