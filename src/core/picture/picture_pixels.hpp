#pragma once

#include <array>
#include <cstdint>

namespace kvx {

/// num / den rounded to the nearest integer, halves to the even one.
constexpr uint32_t RoundedQuotient(uint64_t num, uint64_t den) {
    const uint64_t q = num / den;
    const uint64_t r = num % den;
    return static_cast<uint32_t>(2 * r > den || (2 * r == den && (q & 1) != 0) ? q + 1 : q);
}

/// How the samples of a picture of 16 bits per channel become 8-bit values:
/// the range the picture holds, lowest to highest, spread over 0 .. 255.
/// A picture of one value throughout keeps its brightness.
class SixteenBitRange {
public:
    void Add(uint16_t value) {
        if (value < low_) low_ = value;
        if (value > high_) high_ = value;
    }
    bool Empty() const { return low_ > high_; }
    uint16_t Low() const { return low_; }
    uint16_t High() const { return high_; }

    /// Fills table (65536 entries) with the 8-bit value of every sample.
    void Fill(uint8_t* table) const {
        for (uint32_t v = 0; v < 65536; ++v) {
            if (Empty() || low_ == high_) {
                table[v] = static_cast<uint8_t>(RoundedQuotient(uint64_t{v} * 255, 65535));
            } else if (v <= low_) {
                table[v] = 0;
            } else if (v >= high_) {
                table[v] = 255;
            } else {
                table[v] = static_cast<uint8_t>(
                    RoundedQuotient(uint64_t{v - low_} * 255, uint64_t{high_} - low_));
            }
        }
    }

private:
    uint16_t low_ = 65535;
    uint16_t high_ = 0;
};

/// The background's red, green and blue from a Windows colour value.
constexpr std::array<uint8_t, 3> BackgroundRgb(uint32_t colour) {
    return {static_cast<uint8_t>(colour & 0xFF), static_cast<uint8_t>((colour >> 8) & 0xFF),
            static_cast<uint8_t>((colour >> 16) & 0xFF)};
}

/// A colour value c with alpha a of full (straight alpha) laid on the
/// background value b.
constexpr uint8_t OverBackground(uint32_t c, uint32_t a, uint32_t full, uint32_t b) {
    return static_cast<uint8_t>(RoundedQuotient(uint64_t{c} * a + uint64_t{b} * (full - a), full));
}

}  // namespace kvx
