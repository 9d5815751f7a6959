#include "core/project/undo_history.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kvx {

namespace {

constexpr auto kRecordSize = static_cast<std::size_t>(MeasuredObject::kRecordSize);

const std::string kNoName;

// Replaces records start .. start + oldCount - 1 of history by the records in
// run (a multiple of the record size); the records behind them follow.
void ReplaceRun(History& history, int32_t start, std::size_t oldCount,
                const std::vector<uint8_t>& run) {
    RecordArray& table = history.Table();
    const std::size_t newCount = run.size() / kRecordSize;
    const auto first = static_cast<std::size_t>(start);
    const auto count = static_cast<std::size_t>(history.Count());
    if (newCount == oldCount) {
        for (std::size_t k = 0; k < newCount; ++k) {
            table.Put(static_cast<int32_t>(first + k), run.data() + k * kRecordSize);
        }
        return;
    }
    // The records behind the run move; they are copied out before the table
    // is cut back to the unchanged start.
    std::vector<uint8_t> tail;
    const std::size_t tailFirst = first + oldCount;
    if (tailFirst <= count) {
        const uint8_t* from = table.RecordData(static_cast<int32_t>(tailFirst));
        tail.assign(from, from + (count - tailFirst + 1) * kRecordSize);
    }
    table.Clear(start);
    std::size_t at = first;
    for (std::size_t k = 0; k < newCount; ++k, ++at) {
        table.Put(static_cast<int32_t>(at), run.data() + k * kRecordSize);
    }
    for (std::size_t k = 0; k < tail.size() / kRecordSize; ++k, ++at) {
        table.Put(static_cast<int32_t>(at), tail.data() + k * kRecordSize);
    }
    table.Rewind();
}

}  // namespace

UndoHistory::Fields UndoHistory::FieldsOf(const UndoableState& state) {
    return {state.project.resolutionDpi, state.project.title, state.project.imagePath,
            state.calibration};
}

std::vector<uint8_t> UndoHistory::Records(const History& history) {
    const int32_t count = history.IsValid() ? history.Count() : 0;
    if (count < 1) return {};
    const uint8_t* first = history.Table().RecordData(1);
    return {first, first + static_cast<std::size_t>(count) * kRecordSize};
}

void UndoHistory::Clear(int32_t fileState) {
    entries_.clear();
    position_ = 0;
    memoryUsed_ = 0;
    savedPosition_ = fileState == kUnchanged ? 0 : -1;
    Cancel();
}

void UndoHistory::Begin(const UndoableState& state) {
    snapshot_ = Records(state.history);
    snapshotFields_ = FieldsOf(state);
    recording_ = true;
}

void UndoHistory::Cancel() {
    recording_ = false;
    snapshot_.clear();
    snapshot_.shrink_to_fit();
}

bool UndoHistory::Commit(const UndoableState& state, std::string name) {
    if (!recording_) return false;
    recording_ = false;
    std::vector<uint8_t> before = std::move(snapshot_);
    snapshot_ = {};
    const Fields fieldsAfter = FieldsOf(state);
    const std::size_t beforeCount = before.size() / kRecordSize;
    const auto afterCount =
        static_cast<std::size_t>(state.history.IsValid() ? std::max(state.history.Count(), 0) : 0);
    const uint8_t* after = afterCount > 0 ? state.history.Table().RecordData(1) : nullptr;

    // The unchanged start and end, in whole records.
    std::size_t head = 0;
    const std::size_t common = std::min(beforeCount, afterCount);
    while (head < common && std::memcmp(before.data() + head * kRecordSize,
                                        after + head * kRecordSize, kRecordSize) == 0) {
        ++head;
    }
    std::size_t tail = 0;
    while (tail < common - head &&
           std::memcmp(before.data() + (beforeCount - 1 - tail) * kRecordSize,
                       after + (afterCount - 1 - tail) * kRecordSize, kRecordSize) == 0) {
        ++tail;
    }
    const bool recordsChanged = head != beforeCount || head != afterCount;
    if (!recordsChanged && snapshotFields_ == fieldsAfter) return false;

    Entry entry;
    entry.name = std::move(name);
    entry.start = static_cast<int32_t>(head + 1);
    entry.before.assign(
        before.begin() + static_cast<std::ptrdiff_t>(head * kRecordSize),
        before.begin() + static_cast<std::ptrdiff_t>((beforeCount - tail) * kRecordSize));
    if (afterCount > 0) {
        entry.after.assign(after + head * kRecordSize, after + (afterCount - tail) * kRecordSize);
    }
    entry.fieldsBefore = std::move(snapshotFields_);
    entry.fieldsAfter = fieldsAfter;

    // A new change ends every redo.
    while (entries_.size() > position_) {
        memoryUsed_ -= entries_.back().Bytes();
        entries_.pop_back();
    }
    if (savedPosition_ > static_cast<std::ptrdiff_t>(position_)) savedPosition_ = -1;
    memoryUsed_ += entry.Bytes();
    entries_.push_back(std::move(entry));
    position_ = entries_.size();
    while (memoryUsed_ > memoryBound_ && entries_.size() > 1) DropOldest();
    return true;
}

void UndoHistory::DropOldest() {
    memoryUsed_ -= entries_.front().Bytes();
    entries_.pop_front();
    if (position_ > 0) --position_;
    savedPosition_ = savedPosition_ > 0 ? savedPosition_ - 1 : -1;
}

const std::string& UndoHistory::UndoName() const {
    return CanUndo() ? entries_[position_ - 1].name : kNoName;
}

const std::string& UndoHistory::RedoName() const {
    return CanRedo() ? entries_[position_].name : kNoName;
}

void UndoHistory::Apply(const UndoableState& state, const Entry& entry, bool forward) const {
    const std::vector<uint8_t>& from = forward ? entry.before : entry.after;
    const std::vector<uint8_t>& to = forward ? entry.after : entry.before;
    ReplaceRun(state.history, entry.start, from.size() / kRecordSize, to);
    const Fields& fields = forward ? entry.fieldsAfter : entry.fieldsBefore;
    state.project.resolutionDpi = fields.resolutionDpi;
    state.project.title = fields.title;
    state.project.imagePath = fields.imagePath;
    state.calibration = fields.calibration;
}

void UndoHistory::FileStateAfterMove(const UndoableState& state) const {
    // Back at the state that was saved (or loaded) the project is unchanged;
    // anywhere else it differs from its file, even where it did not when the
    // change was made.
    state.fileState =
        savedPosition_ == static_cast<std::ptrdiff_t>(position_) ? kUnchanged : kChanged;
}

bool UndoHistory::Undo(const UndoableState& state) {
    if (!CanUndo() || recording_) return false;
    const Entry& entry = entries_[position_ - 1];
    Apply(state, entry, false);
    --position_;
    FileStateAfterMove(state);
    return true;
}

bool UndoHistory::Redo(const UndoableState& state) {
    if (!CanRedo() || recording_) return false;
    const Entry& entry = entries_[position_];
    Apply(state, entry, true);
    ++position_;
    FileStateAfterMove(state);
    return true;
}

}  // namespace kvx
