#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/support/error_code.hpp"

namespace kvx {

/// Longest text a single-byte string holds.
inline constexpr std::size_t kShortStringMax = 255;

/// Letter case of ASCII letters only: other bytes (the accented letters of
/// Windows-1252 among them) stay as they are, whatever the process locale.
constexpr char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
/// True when a and b differ at most in the case of ASCII letters.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
/// Orders a and b as their lower-case forms would be ordered (bytes
/// unsigned): negative, 0 or positive.
int CompareIgnoringCase(std::string_view a, std::string_view b);

/// Cuts text to at most maxLength characters.
std::string CutTo(std::string_view text, std::size_t maxLength);

/// Removes leading and trailing blanks and NUL characters.
std::string Trim(std::string_view text);
/// Removes trailing blanks.
std::string TrimRight(std::string_view text);

/// 1-based position of the last occurrence of c, 0 when absent.
int LastPos(char c, std::string_view text);
/// 1-based position of the first occurrence of c, 0 when absent.
int PosChar(char c, std::string_view text);

/// Decimal text; width 0 = shortest, width > 0 = right-aligned, never cut.
std::string IntToStr(int64_t value, int width = 0);
/// Upper-case hexadecimal without prefix or leading zeros; negative as "-" + magnitude.
std::string IntToHex(int64_t value);

/// Reads a decimal number rounded to int32 (comma accepted as the point).
/// Empty text gives 0. Codes 1010101 (not a number), 1010201 (the rounded
/// value lies outside int32). Halves round to even: "2.5" gives 2.
[[nodiscard]] ErrorCode IntVal(std::string_view text, int32_t& value);
/// Reads a decimal real number, every comma read as a point. Empty gives 0.
/// Code 1020101 when it is not a number.
[[nodiscard]] ErrorCode RealVal(std::string_view text, double& value);
/// A decimal number held exactly: mantissa x 10^exponent.
struct ExactDecimal {
    int64_t mantissa = 0;
    int32_t exponent = 0;
};
/// Reads the texts RealVal reads (every comma a point, empty gives 0) without
/// rounding them to binary. False when the text is no number or needs more
/// than 18 significant digits.
[[nodiscard]] bool DecimalVal(std::string_view text, ExactDecimal& value);
/// Reads hexadecimal ("#", "$" and "-" passed over, leading "-" negates).
/// False on any other character. Empty text gives 0 and true. Eight digits
/// are a 32-bit pattern ("FFFFFFFF" gives -1); a ninth significant digit, or
/// a negative magnitude above 80000000, is a failure. value is 0 on failure.
[[nodiscard]] bool HexVal(std::string_view text, int32_t& value);
/// True when the trimmed text is a complete decimal number (point, optional exponent).
bool IsNumber(std::string_view text);

/// Formats a real number. width >= 1: right-aligned, decimals -1 rounds to an
/// integer. width < 1: free format: a whole number as its digits (".0" after
/// them when decimals >= 1); any other value in fixed point with decimals
/// places, or with decimals -1 as the shortest text that reads back to the
/// same double, rounded to 12 places when it needs more.
/// decimalComma turns every "." into ",".
std::string FormatReal(int width, int decimals, bool decimalComma, double value);

/// Largest magnitude a number is shown with. Beyond it, or not finite, a
/// number has no text a person could use (it would read "inf", "-nan" or
/// hundreds of digits), and tables and reports show "-" instead.
inline constexpr double kLargestShownNumber = 1e18;
/// True when value is finite and its magnitude at most kLargestShownNumber.
bool Representable(double value);

/// Field reading in separated lines; the kind letter selects the conversion:
/// S text, C first character, I/L int32, B byte, W word, X boolean, R real, H hex.
/// Each overload accepts the kinds that match its destination type; another
/// kind stores nothing and returns 0. Codes 1030101 (empty line), 1030201
/// (not a number), 1030301 (bad hex), 1030401 (missing field), and the codes
/// of IntVal/RealVal; B and W out of range give 1030501.
[[nodiscard]] ErrorCode GetField(std::string_view line, char separator, char kind,
                                 bool allowMissing, std::string& destination, int fieldNumber);
[[nodiscard]] ErrorCode GetField(std::string_view line, char separator, char kind,
                                 bool allowMissing, char& destination, int fieldNumber);
[[nodiscard]] ErrorCode GetField(std::string_view line, char separator, char kind,
                                 bool allowMissing, int32_t& destination, int fieldNumber);
[[nodiscard]] ErrorCode GetField(std::string_view line, char separator, char kind,
                                 bool allowMissing, uint8_t& destination, int fieldNumber);
[[nodiscard]] ErrorCode GetField(std::string_view line, char separator, char kind,
                                 bool allowMissing, uint16_t& destination, int fieldNumber);
[[nodiscard]] ErrorCode GetField(std::string_view line, char separator, char kind,
                                 bool allowMissing, bool& destination, int fieldNumber);
[[nodiscard]] ErrorCode GetField(std::string_view line, char separator, char kind,
                                 bool allowMissing, double& destination, int fieldNumber);

/// Rounds to the nearest integer, halves to even; false when outside int32.
[[nodiscard]] bool RoundToInt32(double value, int32_t& result);

/// Exchanges two memory blocks of count bytes (count 0 does nothing).
/// The blocks must not overlap unless they are the same block.
void SwapBytes(void* a, void* b, std::size_t count);

}  // namespace kvx
