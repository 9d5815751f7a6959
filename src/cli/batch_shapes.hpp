#pragma once

#include <string>

#include "cli/batch_runner.hpp"

namespace kvx::batch {

class Session;

/// The header of the table of objects, without a line end.
std::string ShapesHeader();

/// Reads the project at path and gives its rows of the table of objects
/// (with their line ends): one per object of every user type, in the unit of
/// the settings, the values inside polygons taken from the picture at its
/// full resolution. A project whose picture cannot be read still gives its
/// rows, with those values left empty, and fails.
ProjectResult ShapesProject(Session& session, const std::string& path);

}  // namespace kvx::batch
