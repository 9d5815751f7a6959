#pragma once

#include <string>
#include <string_view>

namespace kvx {

/// The three fixed character tables.
enum class CharsetMode : int {
    WindowsToDos = 0,    ///< exact inverse of DosToWindows
    DosToWindows = 1,    ///< DOS code page 437 to Windows-1252
    WindowsToAscii = 2,  ///< Windows-1252 to plain ASCII look-alikes
};

/// Converts every character of text in place through one of the tables.
void ConvertCharset(std::string& text, CharsetMode mode);
/// Converts one byte through one of the tables.
unsigned char ConvertChar(unsigned char c, CharsetMode mode);

/// Upper case of a character held in the DOS code page.
char UpCaseChar(char c);
/// UpCaseChar on every character.
std::string UpperCase(std::string_view text);

/// Windows-1252 bytes to UTF-8 (the undefined bytes 81, 8D, 8F, 90, 9D map to
/// the C1 control characters of the same value, so nothing is lost).
std::string Cp1252ToUtf8(std::string_view text);
/// True when text is well-formed UTF-8 (plain ASCII is).
bool IsValidUtf8(std::string_view text);
/// The characters of UTF-8 text that Windows-1252 cannot hold, each once,
/// in the order they first appear (a malformed sequence counts as U+FFFD).
std::string Utf8NotInCp1252(std::string_view text);
/// A name of the file system as core text, to show or to write into a
/// Windows-1252 file: the file system's names are UTF-8, so a well-formed
/// name is converted (what the code page cannot hold becomes "?"); bytes
/// that are no UTF-8 (a name copied from Windows) are taken as they are.
std::string PathAsText(std::string_view path);
/// UTF-8 to Windows-1252; characters it cannot hold become "?".
/// Malformed UTF-8 sequences also become "?".
std::string Utf8ToCp1252(std::string_view text);

}  // namespace kvx
