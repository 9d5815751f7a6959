#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/support/error_code.hpp"

namespace kvx {

/// Letter of a language index in the message files: 0 D, 1 E, 2 S, 3 F, else D.
char LanguageLetter(int language);
/// Fallback letter for a language index ("DDEE"; D beyond the table).
char BaseLetter(int language);

/// The 2400 numbered user-visible texts of the current language.
class MessageCatalog {
public:
    static constexpr int kCount = 2400;
    static constexpr std::size_t kMaxText = 147;

    /// Reads one message file. An empty fileName means the shared file
    /// "ZNB2WIN2"; a name without a separator is looked up in programDir.
    /// The extension is forced to "MSG". With keepExisting false every
    /// entry is first reset to its placeholder. Codes: the opener's 2070203,
    /// 5020103 (read error), 5020201 (number above 2400).
    [[nodiscard]] ErrorCode LoadMessageFile(std::string_view fileName, bool keepExisting,
                                            char baseLetter, int language,
                                            std::string_view programDir);

    /// Text of message number (0 gives an empty text), trailing blanks removed
    /// and a final character dropped when the text holds a "~".
    std::string GetMessage(int number) const;

    /// The stored text, untouched (for tests and tools).
    const std::string& RawText(int number) const;

    /// The placeholder a reset leaves in entry number.
    static std::string Placeholder(int number);

private:
    std::array<std::string, kCount + 1> texts_{};
};

}  // namespace kvx
