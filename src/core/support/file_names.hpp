#pragma once

#include <string>
#include <string_view>

namespace kvx {

/// Both "/" and "\" separate path parts when reading stored names, so that
/// names written on Windows still split right; "/" is what we write.
inline constexpr char kPathSeparator = '/';
bool IsPathSeparator(char c);
/// 1-based position of the last separator of either kind, 0 when none.
int LastSeparatorPos(std::string_view path);

/// The text after the last separator (the whole text when there is none).
std::string ExtractFileName(std::string_view path);
/// The text up to and including the last separator (empty when none).
std::string ExtractFileDir(std::string_view path);
/// Cuts the text before the last "." when that "." lies after the last separator.
std::string RemoveExtension(std::string_view path);
/// RemoveExtension, then "." + extension.
std::string ChangeFileExt(std::string_view path, std::string_view extension);
/// path with the given extension: kept exactly as it is when its extension
/// already reads extension in any letter case, otherwise ChangeFileExt. On a
/// file system that tells case apart "x.txt" and "x.TXT" are two files, and
/// the name a person chose is the one to write.
std::string ForceExtension(std::string_view path, std::string_view extension);
/// Joins a directory and a name with exactly one separator between them.
std::string JoinPath(std::string_view directory, std::string_view name);

/// The most bytes one part of a path and a whole path may have on Linux.
inline constexpr std::size_t kMaxNameBytes = 255;
inline constexpr std::size_t kMaxPathBytes = 4095;
/// True when no part of path is longer than kMaxNameBytes and the whole is
/// no longer than kMaxPathBytes: a name the file system takes as it is.
bool PathFitsFileSystem(std::string_view path);
/// path as seen from folder (which ends with a separator or is empty):
/// the part after folder when path lies in it or below it, else path.
std::string PathFromFolder(std::string_view path, std::string_view folder);

}  // namespace kvx
