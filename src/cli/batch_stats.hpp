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

/// The table rows (with their line ends) of the project open in session:
/// one per exported object type, holding what the statistics pass computes
/// for it, in the unit of the settings. projectName is the first cell.
/// Leaves the workspace's current type as it was.
std::string StatsRows(Session& session, std::string_view projectName);

}  // namespace kvx::batch
