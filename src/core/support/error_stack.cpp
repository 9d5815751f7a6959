#include "core/support/error_stack.hpp"

#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

namespace {

int Advance(int cursor) {
    return (cursor >= ErrorStack::kSize ? 0 : cursor) + 1;
}

}  // namespace

bool ErrorStack::Init() {
    Clear();
    allocated_ = true;
    return true;
}

bool ErrorStack::ReportError(ErrorCode code, ErrorCode passCode, int32_t& result,
                             std::string_view info) {
    if (code == 0) return false;
    if (!allocated_) return true;
    cursor_ = Advance(cursor_);
    ErrorEntry& entry = entries_[static_cast<std::size_t>(cursor_)];
    entry.code = code;
    entry.passCode = passCode;
    entry.ioResult = (DecodeErrorCode(code).flags & kErrorFlagIo) != 0 ? LastIoResult() : 0;
    entry.info = CutTo(info, kMaxInfo);
    result = code;
    return true;
}

bool ErrorStack::ReportError(ErrorCode code, ErrorCode passCode, std::string_view info) {
    int32_t ignored = 0;
    return ReportError(code, passCode, ignored, info);
}

void ErrorStack::Clear() {
    entries_.fill(ErrorEntry{});
    cursor_ = 0;
}

bool ErrorStack::FindCurrent() {
    // A cursor of 0 and one of 32 both continue at slot 1.
    const int start = cursor_ == 0 ? kSize : cursor_;
    int cursor = start;
    do {
        cursor = Advance(cursor);
    } while (entries_[static_cast<std::size_t>(cursor)].code == 0 && cursor != start);
    cursor_ = cursor;
    return entries_[static_cast<std::size_t>(cursor_)].code != 0;
}

bool ErrorStack::Empty() const {
    for (int i = 1; i <= kSize; ++i) {
        if (entries_[static_cast<std::size_t>(i)].code != 0) return false;
    }
    return true;
}

}  // namespace kvx
