#pragma once

#include <string>
#include <string_view>

#include "core/project/measured_object.hpp"
#include "core/project/project.hpp"
#include "core/support/error_code.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

class Program;

/// Codes of the project file. The info of each is the line or the file name.
inline constexpr ErrorCode kProjectOpen = 60070100;           ///< passes the opener's code
inline constexpr ErrorCode kProjectBadResolution = 60070301;  ///< "R" line not an integer
inline constexpr ErrorCode kProjectFieldType = 60070400;      ///< point field 1
inline constexpr ErrorCode kProjectTypeRange = 60070401;      ///< type number above 256
inline constexpr ErrorCode kProjectFieldY = 60070500;         ///< point field 2
inline constexpr ErrorCode kProjectFieldX = 60070600;         ///< point field 3
inline constexpr ErrorCode kProjectFieldKind = 60070700;      ///< point field 4
inline constexpr ErrorCode kProjectNoResolution = 60070801;
inline constexpr ErrorCode kProjectNoImage = 60070901;
inline constexpr ErrorCode kProjectConvert = 60071000;  ///< passes ConvertLineEnds' code
inline constexpr ErrorCode kProjectReopen = 60071100;   ///< passes the opener's code
inline constexpr ErrorCode kProjectCreate = 63010100;   ///< passes the creator's code
inline constexpr ErrorCode kProjectWrite = 63010103;    ///< a write or the close failed

/// Extension of project files and of their backups.
inline constexpr std::string_view kProjectExtension = "KXP";
inline constexpr std::string_view kBackupExtension = "BAK";
/// The copy with carriage returns added that a file with bare line feeds is
/// read through, made in the project's folder. Each reader adds a part of its
/// own before the extension (see ConvertedCopyName).
inline constexpr std::string_view kConvertedProjectName = "~KXPTEMP.$$$";
/// The name of the converted copy for the reader running on this thread:
/// kConvertedProjectName with the process and thread before its extension,
/// so that readers running side by side, in one process or several, never
/// read each other's copy.
std::string ConvertedCopyName();
/// The title a project gets when it has none at save.
inline constexpr std::string_view kDefaultProjectTitle = "Strativa/Korvanix Project";

/// The files in which the file-selection dialog keeps its recent folders:
/// for projects and for images.
inline constexpr std::string_view kProjectRememberFile = "KXPDir.pck";
inline constexpr std::string_view kImageRememberFile = "KXP2Dir.pck";
/// Full path of such a file in the configuration folder; empty (nothing is
/// remembered) when there is no configuration folder.
std::string RecentDirectoriesFile(const Program& program, std::string_view name);

/// fileName with the extension KXP. An extension that already reads KXP in
/// any letter case is kept as it is. No other file is looked for: on a file
/// system that tells case apart "a.KXP" and "a.kxp" are two projects, and
/// saving must never write into the one that was not named.
std::string ProjectFileName(std::string_view fileName);

/// The picture paths as a project file at projectPath holds them. The
/// picture is named from the project's folder when it lies in it or below,
/// so that a project and its pictures can move together; the first path is
/// kept whole while its line has room. fits is false when a path would be
/// longer than its line is read back, and such a file must not be written.
struct StoredPicturePaths {
    std::string image;
    std::string original;
    bool fits = true;
};
StoredPicturePaths PicturePathsToStore(const Project& project, std::string_view projectPath);

/// Writes the header lines and one line per point whose type number is above
/// 0 (a "; i .. i+9" comment before every tenth index). The picture paths
/// are those of PicturePathsToStore for projectPath. Coordinates are
/// those on the stored picture (points on a picture shown turned are turned
/// back, see PictureFrame), rounded to integers, halves to even. A name never holds the field
/// separator: in a name that reads as a number with a decimal comma the
/// comma is written as a point, in any other name as the Windows-1252 low
/// quotation mark 0x82. False when a write failed.
[[nodiscard]] bool WriteProjectLines(TextFile& file, const Project& project, const History& history,
                                     std::string_view projectPath);

/// How reading a project file ended.
struct ProjectReadResult {
    ErrorCode error = kOk;    ///< the first failure (recorded on the error stack)
    bool abandoned = false;   ///< the person gave up looking for the image
    bool imageMoved = false;  ///< the image was found elsewhere than written
};

/// Reads the project file at path into project and history (both cleared by
/// the caller), resolving a moved image and asking the person when it cannot
/// be found, with imagePatterns (";"-separated) in the file-selection dialog
/// that looks for it. The points are those on the stored picture (pictureOrientation
/// becomes 1). Failures are recorded on the program's error stack.
[[nodiscard]] ProjectReadResult ReadProjectFile(Program& program, Project& project,
                                                History& history, const std::string& path,
                                                std::string_view imagePatterns);

/// Parses the text of a point line after its "D " tag. formatVersion decides
/// whether the sixth field (excluded) is read; a 0x82 in the name is read as
/// the comma it was written for. On failure returns the field
/// reader's code with failedField set to the pass-on code of the field.
[[nodiscard]] ErrorCode ParsePointLine(std::string_view text, int32_t formatVersion,
                                       MeasuredObject& point, ErrorCode& failedField);

/// The title the first line gives: its text from the fifth character on (at
/// most 200), of which the part after the first blank (at most 100), or all
/// of it when it has no blank.
std::string TitleFromFirstLine(std::string_view line);

}  // namespace kvx
