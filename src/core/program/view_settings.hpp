#pragma once

namespace kvx {

class Program;

/// The view settings that the configuration file has no item for (the
/// wheel's zoom step), kept in "Korvanix.view" beside it, so that older
/// versions read the configuration unchanged.
void ReadViewSettings(Program& program);
/// Writes them over the file on disk; false when it could not be written.
[[nodiscard]] bool WriteViewSettings(const Program& program);

}  // namespace kvx
