#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvx::batch {

class Session;

/// The header of the statistics table, without a line end.
std::string_view StatsHeader();

/// One cell of a CSV line: quoted when it holds a comma, a quote, a
/// carriage return or a line feed, with quotes doubled.
std::string CsvField(std::string_view text);

/// A number in the shortest form that reads back to the same double, with a
/// decimal point; empty for a value that is not finite.
std::string ShortestNumber(double value);

/// The header of the table of single values, without a line end.
std::string_view ValuesHeader();

/// The table rows (with their line ends) of the project open in session:
/// one per exported object type, holding what the statistics pass computes
/// for it, in the unit of the settings. projectName is the first cell.
/// Leaves the workspace's current type as it was.
std::string StatsRows(Session& session, std::string_view projectName);

/// The table rows (with their line ends) of the project open in session: one
/// per value of every exported object type, in the order the statistics
/// pass collects them, numbered 1..n within the type, in the unit of the
/// settings; excluded values are listed and marked TRUE. projectName is the
/// first cell.
std::string ValuesRows(Session& session, std::string_view projectName);

}  // namespace kvx::batch
