#include "core/support/charset.hpp"

#include <array>
#include <cstdint>

namespace kvx {

namespace {

using Table = std::array<unsigned char, 256>;

// DOS code page bytes 80..FF as Windows-1252 bytes; characters without a
// Windows equivalent fill the Windows codes left over, so that the mapping
// stays reversible.
constexpr unsigned char kDosUpperHalf[128] = {
    /* 80 */ 0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7,
    0xEA,          0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5,
    /* 90 */ 0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9,
    0xFF,          0xD6, 0xDC, 0xA2, 0xA3, 0xA5, 0x91, 0x83,
    /* A0 */ 0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA,
    0xBF,          0xD7, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB,
    /* B0 */ 0xA8, 0xA9, 0xAE, 0x7C, 0xB4, 0xB8, 0xC0, 0xC1,
    0x15,          0xB9, 0xBE, 0xC2, 0xC3, 0xC8, 0xCA, 0xCB,
    /* C0 */ 0xCC, 0xCD, 0xCE, 0xCF, 0xD0, 0x86, 0xD3, 0xD4,
    0xD5,          0xD8, 0xD9, 0xDA, 0xDB, 0xDD, 0x87, 0xE3,
    /* D0 */ 0xF0, 0xF5, 0xFD, 0xFE, 0x81, 0x82, 0x92, 0x84,
    0x99,          0xD2, 0xDE, 0x88, 0x89, 0x8A, 0x8B, 0x8C,
    /* E0 */ 0x8D, 0xDF, 0x8E, 0xB6, 0x8F, 0x90, 0xB5, 0x93,
    0xA4,          0x94, 0xAD, 0x96, 0x97, 0xF8, 0x80, 0x98,
    /* F0 */ 0x85, 0xB1, 0x9A, 0x9B, 0x9C, 0x9D, 0xF7, 0xAF,
    0xB0,          0xB7, 0x95, 0x9E, 0xB3, 0xB2, 0x9F, 0xA0,
};

// Windows-1252 bytes 80..FF as plain ASCII look-alikes ("?" where none fits).
constexpr unsigned char kAsciiUpperHalf[128] = {
    /* 80 */ 0x45, 0x3F, 0x3F, 0x66, 0x22, 0x2E, 0x7C, 0x7C,
    0x5E,          0x25, 0x53, 0x3C, 0x4F, 0x3F, 0x3F, 0x3F,
    /* 90 */ 0x3F, 0x27, 0x60, 0x22, 0x22, 0x2E, 0x2D, 0x2D,
    0x7E,          0x54, 0x73, 0x3E, 0x6F, 0x3F, 0x3F, 0x59,
    /* A0 */ 0x3F, 0x21, 0x63, 0x4C, 0x6F, 0x59, 0x7C, 0x15,
    0x7E,          0x63, 0x61, 0x3C, 0x2C, 0x2D, 0x72, 0x7E,
    /* B0 */ 0x6F, 0x2B, 0x32, 0x33, 0x27, 0x6D, 0x70, 0x2E,
    0x2C,          0x31, 0x6F, 0x3E, 0x31, 0x32, 0x33, 0x3F,
    /* C0 */ 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x43,
    0x45,          0x45, 0x45, 0x45, 0x49, 0x49, 0x49, 0x49,
    /* D0 */ 0x44, 0x4E, 0x4F, 0x4F, 0x4F, 0x4F, 0x4F, 0x78,
    0x4F,          0x55, 0x55, 0x55, 0x55, 0x59, 0x7C, 0x73,
    /* E0 */ 0x61, 0x61, 0x61, 0x61, 0x61, 0x61, 0x61, 0x63,
    0x65,          0x65, 0x65, 0x65, 0x69, 0x69, 0x69, 0x69,
    /* F0 */ 0x64, 0x6E, 0x6F, 0x6F, 0x6F, 0x6F, 0x6F, 0x2D,
    0x6F,          0x75, 0x75, 0x75, 0x75, 0x79, 0x7C, 0x79,
};

constexpr Table MakeDosToWindows() {
    Table t{};
    for (int i = 0; i < 128; ++i) t[i] = static_cast<unsigned char>(i);
    // Two DOS positions hold characters that Windows keeps in its upper half.
    t[0x15] = 0xA7;  // section sign
    t[0x7C] = 0xA6;  // broken bar
    for (int i = 0; i < 128; ++i) t[128 + i] = kDosUpperHalf[i];
    return t;
}

constexpr bool IsPermutation(const Table& t) {
    std::array<bool, 256> seen{};
    for (const unsigned char c : t) {
        if (seen[c]) return false;
        seen[c] = true;
    }
    return true;
}

constexpr Table Invert(const Table& t) {
    Table inverse{};
    for (int i = 0; i < 256; ++i) inverse[t[i]] = static_cast<unsigned char>(i);
    return inverse;
}

constexpr Table MakeWindowsToAscii() {
    Table t{};
    for (int i = 0; i < 128; ++i) t[i] = static_cast<unsigned char>(i);
    for (int i = 0; i < 128; ++i) t[128 + i] = kAsciiUpperHalf[i];
    return t;
}

constexpr Table kDosToWindows = MakeDosToWindows();
static_assert(IsPermutation(kDosToWindows), "the DOS table must be reversible");
constexpr Table kWindowsToDos = Invert(kDosToWindows);
constexpr Table kWindowsToAscii = MakeWindowsToAscii();

// Upper case within Windows-1252.
constexpr unsigned char WindowsUpper(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
    if (c == 0x9A) return 0x8A;  // s caron
    if (c == 0xFF) return 0x9F;  // y diaeresis
    return c;
}

// Unicode code points of Windows-1252 bytes 80..9F. The five bytes the code
// page leaves undefined keep the C1 control of the same value, so that any
// byte survives a trip through Qt.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t Cp1252ToCodePoint(unsigned char c) {
    return (c >= 0x80 && c <= 0x9F) ? kCp1252High[c - 0x80] : static_cast<char32_t>(c);
}

// The Windows-1252 byte of a code point, or "?" when it has none.
char CodePointToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == cp) return static_cast<char>(0x80 + i);
    }
    return '?';
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        // Every code point of the code page lies in the basic plane.
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

unsigned char ConvertChar(unsigned char c, CharsetMode mode) {
    switch (mode) {
        case CharsetMode::WindowsToDos:
            return kWindowsToDos[c];
        case CharsetMode::DosToWindows:
            return kDosToWindows[c];
        case CharsetMode::WindowsToAscii:
            return kWindowsToAscii[c];
    }
    return c;
}

void ConvertCharset(std::string& text, CharsetMode mode) {
    for (char& c : text) c = static_cast<char>(ConvertChar(static_cast<unsigned char>(c), mode));
}

char UpCaseChar(char c) {
    const unsigned char windows = kDosToWindows[static_cast<unsigned char>(c)];
    return static_cast<char>(kWindowsToDos[WindowsUpper(windows)]);
}

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = UpCaseChar(c);
    return result;
}

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (const char c : text) AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

namespace {

constexpr char32_t kBroken = 0xFFFFFFFF;

// Walks text as UTF-8 and calls each(code point, bytes) for every character;
// a broken sequence is passed as 0xFFFFFFFF with its longest valid beginning.
template <typename Each>
void ForEachUtf8(std::string_view text, Each each) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    while (i < n) {
        const unsigned char lead = byte(i);
        if (lead < 0x80) {
            each(char32_t{lead}, text.substr(i, 1));
            ++i;
            continue;
        }
        // Well-formed sequences as Unicode defines them: no overlong forms,
        // no surrogates, nothing above U+10FFFF. A broken sequence becomes one
        // "?" for its longest valid beginning.
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        char32_t cp = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            cp = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            cp = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            each(kBroken, text.substr(i, 1));
            ++i;
            continue;
        }
        std::size_t k = i + 1;
        bool complete = true;
        for (int part = 1; part < length; ++part, ++k) {
            const unsigned char lo = part == 1 ? low : 0x80;
            const unsigned char hi = part == 1 ? high : 0xBF;
            if (k >= n || byte(k) < lo || byte(k) > hi) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (byte(k) & 0x3F);
        }
        each(complete ? cp : kBroken, text.substr(i, k - i));
        i = k;
    }
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
    bool valid = true;
    ForEachUtf8(text, [&](char32_t cp, std::string_view) { valid = valid && cp != kBroken; });
    return valid;
}

std::string Utf8NotInCp1252(std::string_view text) {
    std::string missing;
    ForEachUtf8(text, [&](char32_t cp, std::string_view bytes) {
        if (cp != kBroken && (cp == '?' || CodePointToCp1252(cp) != '?')) return;
        const std::string shown = cp == kBroken ? std::string("\xEF\xBF\xBD") : std::string(bytes);
        if (missing.find(shown) == std::string::npos) missing += shown;
    });
    return missing;
}

std::string PathAsText(std::string_view path) {
    return IsValidUtf8(path) ? Utf8ToCp1252(path) : std::string(path);
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachUtf8(text, [&](char32_t cp, std::string_view) {
        out += cp == kBroken ? '?' : CodePointToCp1252(cp);
    });
    return out;
}

}  // namespace kvx
