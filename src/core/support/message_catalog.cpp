#include "core/support/message_catalog.hpp"

#include "core/support/file_names.hpp"
#include "core/support/path_case.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

constexpr ErrorCode kReadError = 5020103;
constexpr ErrorCode kNumberTooLarge = 5020201;
constexpr const char* kSharedFile = "ZNB2WIN2";

}  // namespace

char LanguageLetter(int language) {
    switch (language) {
        case 1:
            return 'E';
        case 2:
            return 'S';
        case 3:
            return 'F';
        default:
            return 'D';
    }
}

char BaseLetter(int language) {
    static constexpr char kBase[] = "DDEE";
    return language >= 0 && language < 4 ? kBase[language] : 'D';
}

std::string MessageCatalog::Placeholder(int number) {
    return "[" + std::to_string(number) + " = nil]";
}

ErrorCode MessageCatalog::LoadMessageFile(std::string_view fileName, bool keepExisting,
                                          char baseLetter, int language,
                                          std::string_view programDir) {
    if (!keepExisting) {
        for (int n = 1; n <= kCount; ++n) texts_[static_cast<std::size_t>(n)] = Placeholder(n);
    }

    std::string path;
    if (fileName.empty()) {
        path = JoinPath(programDir, kSharedFile);
    } else if (LastSeparatorPos(fileName) == 0) {
        path = JoinPath(programDir, fileName);
    } else {
        path = std::string(fileName);
    }
    path = ResolvePathCase(ChangeFileExt(path, "MSG"));

    TextFile file;
    if (const ErrorCode code = OpenTextFileAt(path, file); code != kOk) return code;

    const char languageLetter = LanguageLetter(language);
    ErrorCode result = kOk;
    std::string line;
    while (result == kOk) {
        const auto status = file.ReadLine(line);
        if (status == TextFile::ReadStatus::End) break;
        if (status == TextFile::ReadStatus::Error) {
            result = kReadError;
            break;
        }
        if (line.empty()) continue;
        if (line[0] != baseLetter && line[0] != languageLetter) continue;
        if (line.size() < 3) continue;
        int32_t number = 0;
        if (IntVal(std::string_view(line).substr(2, 4), number) != kOk || number == 0) continue;
        if (number > kCount) {
            result = kNumberTooLarge;
            break;
        }
        // A negative number names no entry; such a line is as unusable as a non-number.
        if (number < 0) continue;
        texts_[static_cast<std::size_t>(number)] =
            line.size() > 9 ? CutTo(std::string_view(line).substr(9), kMaxText) : std::string();
    }
    file.Close();
    return result;
}

std::string MessageCatalog::GetMessage(int number) const {
    if (number <= 0 || number > kCount) return {};
    std::string text = TrimRight(texts_[static_cast<std::size_t>(number)]);
    // Texts that must keep trailing blanks end with "~" in the files.
    if (text.find('~') != std::string::npos) text.pop_back();
    return text;
}

const std::string& MessageCatalog::RawText(int number) const {
    static const std::string kEmpty;
    if (number <= 0 || number > kCount) return kEmpty;
    return texts_[static_cast<std::size_t>(number)];
}

}  // namespace kvx
