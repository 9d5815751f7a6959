#include "core/support/strings.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kvx {

namespace {

constexpr ErrorCode kIntNotNumber = 1010101;
constexpr ErrorCode kIntOutOfRange = 1010201;
constexpr ErrorCode kRealNotNumber = 1020101;
constexpr ErrorCode kFieldLineEmpty = 1030101;
constexpr ErrorCode kFieldNotNumber = 1030201;
constexpr ErrorCode kFieldBadHex = 1030301;
constexpr ErrorCode kFieldMissing = 1030401;
constexpr ErrorCode kFieldOutOfRange = 1030501;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

enum class ParseResult { Ok, NotNumber, OutOfRange };

// Reads [sign] (digits [. digits] | . digits) [(e|E) [sign] digits] and
// nothing else: no blanks, no "inf" or "nan", no hexadecimal. The conversion
// itself is left to from_chars, which ignores the process locale.
ParseResult ParseDecimal(std::string_view text, double& value) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // from_chars takes a "-" but no "+".
    const std::size_t convertFrom = (i == 1 && !negative) ? 1 : 0;

    // Decimal exponent of the first non-zero digit, to tell an underflow
    // (harmless, reads as zero) from an overflow.
    bool nonZero = false;
    int64_t leadExponent = 0;
    const std::size_t intStart = i;
    while (i < n && IsDigit(text[i])) ++i;
    const std::size_t intEnd = i;
    for (std::size_t k = intStart; k < intEnd; ++k) {
        if (text[k] != '0') {
            nonZero = true;
            leadExponent = static_cast<int64_t>(intEnd - 1 - k);
            break;
        }
    }
    std::size_t fracDigits = 0;
    if (i < n && text[i] == '.') {
        ++i;
        const std::size_t fracStart = i;
        while (i < n && IsDigit(text[i])) ++i;
        fracDigits = i - fracStart;
        for (std::size_t k = fracStart; k < i && !nonZero; ++k) {
            if (text[k] != '0') {
                nonZero = true;
                leadExponent = -static_cast<int64_t>(k - fracStart + 1);
            }
        }
    }
    if (intEnd - intStart + fracDigits == 0) return ParseResult::NotNumber;

    int64_t exponent = 0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool exponentNegative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            exponentNegative = text[i] == '-';
            ++i;
        }
        const std::size_t expStart = i;
        while (i < n && IsDigit(text[i])) {
            exponent = std::min<int64_t>(exponent * 10 + (text[i] - '0'), 1'000'000);
            ++i;
        }
        if (i == expStart) return ParseResult::NotNumber;
        if (exponentNegative) exponent = -exponent;
    }
    if (i != n) return ParseResult::NotNumber;

    double parsed = 0.0;
    const char* first = text.data() + convertFrom;
    const char* last = text.data() + n;
    const auto [ptr, ec] = std::from_chars(first, last, parsed, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (nonZero && leadExponent + exponent < 0) {
            value = negative ? -0.0 : 0.0;
            return ParseResult::Ok;
        }
        return ParseResult::OutOfRange;
    }
    if (ec != std::errc() || ptr != last) return ParseResult::NotNumber;
    value = parsed;
    return ParseResult::Ok;
}

// to_chars rather than printf: the decimal point must not follow the process
// locale (the front end sets the user's), and it rounds the exact binary value
// half to even just as printf does.
std::string FormatFixed(int decimals, double value) {
    char buffer[1024];  // 309 integer digits, a sign, a point and 255 places fit
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return {};
    return std::string(buffer, end);
}

// The shortest fixed-point text that reads back to value; empty when it
// does not fit (never for a finite double).
std::string FormatShortestFixed(double value) {
    char buffer[1024];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc()) return {};
    return std::string(buffer, end);
}

// A tiny negative value shows as "-0.00"; nobody wants to read a signed zero.
void DropSignOfZero(std::string& text) {
    if (!text.empty() && text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos) {
        text.erase(0, 1);
    }
}

std::string AlignRight(std::string text, int width) {
    if (width > 0 && text.size() < static_cast<std::size_t>(width)) {
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    }
    return text;
}

// Steps shared by every GetField overload: finds field n and applies the
// number test. missing is set when the field does not exist and allowMissing
// holds (the caller then stores its zero value).
ErrorCode LocateField(std::string_view line, char separator, char kind, bool allowMissing,
                      int fieldNumber, std::string_view& field, bool& missing) {
    missing = false;
    if (line.empty()) return kFieldLineEmpty;

    // The separator that a line without a final one gets is kept virtual, so
    // that no copy of the line is needed.
    bool virtualSeparator = line.back() != separator;
    std::string_view rest = line;
    auto nothingLeft = [&] { return rest.empty() && !virtualSeparator; };
    auto singleTab = [&] { return rest == "\t" && !virtualSeparator; };

    int removed = 0;
    if (fieldNumber >= 1) {
        while (removed < fieldNumber - 1 && !nothingLeft() && !singleTab()) {
            const std::size_t pos = rest.find(separator);
            if (pos == std::string_view::npos) {
                rest = {};
                virtualSeparator = false;
            } else {
                rest.remove_prefix(pos + 1);
            }
            ++removed;
        }
    }
    if (fieldNumber < 1 || removed < fieldNumber - 1 || nothingLeft()) {
        if (!allowMissing) return kFieldMissing;
        missing = true;
        return kOk;
    }

    field = rest.substr(0, rest.find(separator));
    if (kind != 'S' && kind != 'H' && kind != 'C' && !field.empty() && !IsNumber(field)) {
        return kFieldNotNumber;
    }
    return kOk;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(LowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string CutTo(std::string_view text, std::size_t maxLength) {
    return std::string(text.substr(0, maxLength));
}

std::string Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\0'; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

std::string TrimRight(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    return std::string(text.substr(0, end));
}

int LastPos(char c, std::string_view text) {
    const std::size_t pos = text.rfind(c);
    return pos == std::string_view::npos ? 0 : static_cast<int>(pos + 1);
}

int PosChar(char c, std::string_view text) {
    const std::size_t pos = text.find(c);
    return pos == std::string_view::npos ? 0 : static_cast<int>(pos + 1);
}

std::string IntToStr(int64_t value, int width) {
    return AlignRight(std::to_string(value), width);
}

std::string IntToHex(int64_t value) {
    uint64_t magnitude =
        value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char digits[16];
    std::size_t count = 0;
    do {
        digits[count++] = "0123456789ABCDEF"[magnitude & 15];
        magnitude >>= 4;
    } while (magnitude != 0);
    std::string text = value < 0 ? "-" : "";
    while (count > 0) text += digits[--count];
    return text;
}

bool RoundToInt32(double value, int32_t& result) {
    if (!std::isfinite(value)) return false;
    const double rounded = std::nearbyint(value);
    if (rounded < -2147483648.0 || rounded > 2147483647.0) return false;
    result = static_cast<int32_t>(rounded);
    return true;
}

ErrorCode IntVal(std::string_view text, int32_t& value) {
    std::string s = Trim(text);
    if (const std::size_t comma = s.find(','); comma != std::string::npos) s[comma] = '.';
    if (s.empty()) {
        value = 0;
        return kOk;
    }
    double real = 0.0;
    switch (ParseDecimal(s, real)) {
        case ParseResult::NotNumber:
            return kIntNotNumber;
        case ParseResult::OutOfRange:
            return kIntOutOfRange;
        case ParseResult::Ok:
            break;
    }
    // The range is judged after rounding, so that every int32 that IntToStr
    // writes reads back, -2147483648 included.
    int32_t rounded = 0;
    if (!RoundToInt32(real, rounded)) return kIntOutOfRange;
    value = rounded;
    return kOk;
}

ErrorCode RealVal(std::string_view text, double& value) {
    std::string s = Trim(text);
    std::replace(s.begin(), s.end(), ',', '.');
    if (s.empty()) {
        value = 0.0;
        return kOk;
    }
    double real = 0.0;
    if (ParseDecimal(s, real) != ParseResult::Ok) return kRealNotNumber;
    value = real;
    return kOk;
}

bool DecimalVal(std::string_view text, ExactDecimal& value) {
    value = {};
    std::string s = Trim(text);
    std::replace(s.begin(), s.end(), ',', '.');
    if (s.empty()) return true;
    double checked = 0.0;
    if (ParseDecimal(s, checked) != ParseResult::Ok) return false;

    const std::size_t n = s.size();
    std::size_t i = 0;
    const bool negative = s[0] == '-';
    if (s[0] == '+' || s[0] == '-') ++i;
    std::string digits;
    int64_t exponent = 0;
    bool afterPoint = false;
    for (; i < n && (IsDigit(s[i]) || s[i] == '.'); ++i) {
        if (s[i] == '.') {
            afterPoint = true;
            continue;
        }
        if (afterPoint) --exponent;
        if (digits.empty() && s[i] == '0') continue;
        digits += s[i];
    }
    if (i < n) {  // the exponent; ParseDecimal has checked its form and range
        ++i;
        bool exponentNegative = false;
        if (s[i] == '+' || s[i] == '-') exponentNegative = s[i++] == '-';
        int64_t e = 0;
        for (; i < n; ++i) e = std::min<int64_t>(e * 10 + (s[i] - '0'), 1'000'000);
        exponent += exponentNegative ? -e : e;
    }
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    if (digits.empty()) return true;
    if (digits.size() > 18 || exponent < -100000 || exponent > 100000) return false;
    int64_t mantissa = 0;
    for (const char c : digits) mantissa = mantissa * 10 + (c - '0');
    value.mantissa = negative ? -mantissa : mantissa;
    value.exponent = static_cast<int32_t>(exponent);
    return true;
}

bool HexVal(std::string_view text, int32_t& value) {
    value = 0;
    if (text.empty()) return true;
    const bool negative = text.front() == '-';
    uint64_t accumulated = 0;
    for (const char raw : text) {
        const char c = (raw >= 'a' && raw <= 'z') ? static_cast<char>(raw - 'a' + 'A') : raw;
        if (c >= '0' && c <= '9') {
            accumulated = accumulated * 16 + static_cast<uint64_t>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            accumulated = accumulated * 16 + static_cast<uint64_t>(c - 'A' + 10);
        } else if (c == '#' || c == '$' || c == '-') {
            continue;
        } else {
            return false;
        }
        // More than eight significant digits do not fit: refuse rather than
        // keep the low bits.
        if (accumulated > 0xFFFFFFFFu) return false;
    }
    if (negative) {
        if (accumulated > 0x80000000u) return false;
        value = static_cast<int32_t>(-static_cast<int64_t>(accumulated));
    } else {
        // Eight digits are a 32-bit pattern: FFFFFFFF reads as -1.
        value = static_cast<int32_t>(static_cast<uint32_t>(accumulated));
    }
    return true;
}

bool IsNumber(std::string_view text) {
    double ignored = 0.0;
    const std::string trimmed = Trim(text);
    return !trimmed.empty() && ParseDecimal(trimmed, ignored) != ParseResult::NotNumber;
}

bool Representable(double value) {
    return std::isfinite(value) && std::fabs(value) <= kLargestShownNumber;
}

std::string FormatReal(int width, int decimals, bool decimalComma, double value) {
    decimals = std::min(decimals, static_cast<int>(kShortStringMax));
    std::string text;
    if (width >= 1) {
        text = FormatFixed(decimals < 0 ? 0 : decimals, value);
        DropSignOfZero(text);
        text = AlignRight(std::move(text), width);
    } else if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) <= 9.22e18) {
        text = std::to_string(static_cast<int64_t>(value));
        if (decimals >= 1) text += ".0";
    } else if (decimals < 0) {
        // The shortest text that reads back to the same double, so that
        // 123456.789 does not show the binary noise of its twelfth place;
        // only a value that needs more places than twelve is rounded there.
        text = FormatShortestFixed(value);
        const std::size_t point = text.find('.');
        if (text.empty() || (point != std::string::npos && text.size() - point - 1 > 12)) {
            text = FormatFixed(12, value);
        }
        if (text.find('.') != std::string::npos) {
            while (!text.empty() && text.back() == '0') text.pop_back();
            if (!text.empty() && text.back() == '.') text.pop_back();
        }
        DropSignOfZero(text);
    } else {
        text = FormatFixed(decimals, value);
        DropSignOfZero(text);
    }
    if (decimalComma) std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

ErrorCode GetField(std::string_view line, char separator, char kind, bool allowMissing,
                   std::string& destination, int fieldNumber) {
    std::string_view field;
    bool missing = false;
    if (const ErrorCode code =
            LocateField(line, separator, kind, allowMissing, fieldNumber, field, missing)) {
        return code;
    }
    if (kind == 'S') destination = missing ? std::string() : std::string(field);
    return kOk;
}

ErrorCode GetField(std::string_view line, char separator, char kind, bool allowMissing,
                   char& destination, int fieldNumber) {
    std::string_view field;
    bool missing = false;
    if (const ErrorCode code =
            LocateField(line, separator, kind, allowMissing, fieldNumber, field, missing)) {
        return code;
    }
    if (kind == 'C') destination = (missing || field.empty()) ? '\0' : field.front();
    return kOk;
}

ErrorCode GetField(std::string_view line, char separator, char kind, bool allowMissing,
                   int32_t& destination, int fieldNumber) {
    std::string_view field;
    bool missing = false;
    if (const ErrorCode code =
            LocateField(line, separator, kind, allowMissing, fieldNumber, field, missing)) {
        return code;
    }
    if (kind != 'I' && kind != 'L' && kind != 'H') return kOk;
    int32_t value = 0;
    if (!missing) {
        if (kind == 'H') {
            if (!HexVal(field, value)) return kFieldBadHex;
        } else if (const ErrorCode code = IntVal(field, value)) {
            return code;
        }
    }
    destination = value;
    return kOk;
}

ErrorCode GetField(std::string_view line, char separator, char kind, bool allowMissing,
                   uint8_t& destination, int fieldNumber) {
    std::string_view field;
    bool missing = false;
    if (const ErrorCode code =
            LocateField(line, separator, kind, allowMissing, fieldNumber, field, missing)) {
        return code;
    }
    if (kind != 'B') return kOk;
    int32_t value = 0;
    if (!missing) {
        if (const ErrorCode code = IntVal(field, value)) return code;
        if (value < 0 || value > 255) return kFieldOutOfRange;
    }
    destination = static_cast<uint8_t>(value);
    return kOk;
}

ErrorCode GetField(std::string_view line, char separator, char kind, bool allowMissing,
                   uint16_t& destination, int fieldNumber) {
    std::string_view field;
    bool missing = false;
    if (const ErrorCode code =
            LocateField(line, separator, kind, allowMissing, fieldNumber, field, missing)) {
        return code;
    }
    if (kind != 'W') return kOk;
    int32_t value = 0;
    if (!missing) {
        if (const ErrorCode code = IntVal(field, value)) return code;
        if (value < 0 || value > 65535) return kFieldOutOfRange;
    }
    destination = static_cast<uint16_t>(value);
    return kOk;
}

ErrorCode GetField(std::string_view line, char separator, char kind, bool allowMissing,
                   bool& destination, int fieldNumber) {
    std::string_view field;
    bool missing = false;
    if (const ErrorCode code =
            LocateField(line, separator, kind, allowMissing, fieldNumber, field, missing)) {
        return code;
    }
    if (kind != 'X') return kOk;
    int32_t value = 0;
    if (!missing) {
        if (const ErrorCode code = IntVal(field, value)) return code;
    }
    destination = value != 0;
    return kOk;
}

ErrorCode GetField(std::string_view line, char separator, char kind, bool allowMissing,
                   double& destination, int fieldNumber) {
    std::string_view field;
    bool missing = false;
    if (const ErrorCode code =
            LocateField(line, separator, kind, allowMissing, fieldNumber, field, missing)) {
        return code;
    }
    if (kind != 'R') return kOk;
    double value = 0.0;
    if (!missing) {
        if (const ErrorCode code = RealVal(field, value)) return code;
    }
    destination = value;
    return kOk;
}

void SwapBytes(void* a, void* b, std::size_t count) {
    if (count == 0 || a == b) return;
    auto* first = static_cast<unsigned char*>(a);
    std::swap_ranges(first, first + count, static_cast<unsigned char*>(b));
}

}  // namespace kvx
