#pragma once

#include <string>
#include <string_view>

namespace kvx {

class Program;

/// Sub-folder of the per-user configuration folder that the program uses.
inline constexpr const char* kConfigSubFolder = "Znb2Win";

/// The user's application-data folder: $XDG_CONFIG_HOME when it is an
/// absolute path, else ~/.config. Empty when no home folder is known.
std::string UserConfigBase();
/// The user's documents folder: the XDG documents folder ($XDG_DOCUMENTS_DIR,
/// else the entry of user-dirs.dirs in the configuration base) when it exists,
/// else the home folder.
std::string UserDocumentsFolder();

/// Finds the configuration folder (application-data folder + "/" + subFolder)
/// and the documents folder and stores them in program.configDir and
/// program.documentsDir. A missing configuration folder is created when
/// create is true (its parents too); when that fails configDir keeps its
/// previous value. With create false a missing folder leaves configDir empty.
void LocateShellFolders(Program& program, bool create, std::string_view subFolder);

}  // namespace kvx
