#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

class Program;

/// The pattern the Load command offers the first time.
inline constexpr const char* kDefaultProjectPattern = "*.KXP";

/// An answer to the resolution question.
struct ResolutionAnswer {
    /// Dots per inch; 0 when the answer gives no usable resolution.
    int32_t dpi = 0;
    /// The answer was a plain number of dots per inch (not "n/m").
    bool plain = false;
    /// The millimetres have decimals beyond the five characters read.
    bool millimetresCut = false;
};

/// Reads the answer to the resolution question: a number of dots per inch,
/// or "n/m" for n pixels per m millimetres (m from at most five characters
/// after the slash, decimals with a point or a comma taken exactly), rounded
/// to whole dots per inch. A zero or negative n or m, text that is not a
/// number, millimetres with decimals longer than five characters, or a
/// result outside 1..2147483647 gives 0.
ResolutionAnswer ParseResolutionAnswer(std::string_view answer);

/// The folder a file dialog opens in: preferred, or the documents folder when
/// preferred is empty.
std::string StartFolder(const Program& program, std::string_view preferred);

}  // namespace kvx
