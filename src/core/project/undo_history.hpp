#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/project/measured_object.hpp"
#include "core/project/project.hpp"

namespace kvx {

/// The parts of the run's state a change to the project may alter, and that
/// undo and redo put back.
struct UndoableState {
    Project& project;
    History& history;
    int32_t& fileState;
    /// The pointer calibration, which the properties dialog sets together
    /// with the resolution.
    double& calibration;
};

/// Undo and redo of changes to the open project, many levels deep.
///
/// A change is recorded by taking a snapshot before it (Begin) and comparing
/// after it (Commit): only the records that differ are kept, as the run of
/// records between the unchanged start and the unchanged end of `history`,
/// once as it was and once as it became. A moved point therefore costs two
/// records, a committed object its own records, a rescaled project all of
/// them. The entries together stay below a memory bound; the oldest are
/// dropped first, the newest is always kept.
///
/// Nothing here is written to the project file. Loading or closing a project
/// clears it; saving only remembers which entry matches the file, so that
/// undoing back to it (or redoing forward to it) reads as unchanged again.
class UndoHistory {
public:
    /// The default bound on the bytes the entries hold.
    static constexpr std::size_t kDefaultMemoryBound = std::size_t{64} << 20;

    explicit UndoHistory(std::size_t memoryBound = kDefaultMemoryBound)
        : memoryBound_(memoryBound) {}

    /// Forgets every entry. The state as it is now matches the file when
    /// fileState says unchanged.
    void Clear(int32_t fileState);

    /// Takes the snapshot a change is compared against. A second Begin
    /// before Commit replaces it.
    void Begin(const UndoableState& state);
    /// Ends a change begun with Begin: when anything differs, it becomes the
    /// newest entry under name and every entry that could be redone is
    /// dropped. False when nothing changed (no entry).
    bool Commit(const UndoableState& state, std::string name);
    /// Drops the snapshot of a change that is not to be recorded.
    void Cancel();
    /// True between Begin and Commit or Cancel.
    bool Recording() const { return recording_; }

    bool CanUndo() const { return position_ > 0; }
    bool CanRedo() const { return position_ < entries_.size(); }
    /// Names of the change Undo and Redo would take back or do again;
    /// empty when there is none.
    const std::string& UndoName() const;
    const std::string& RedoName() const;

    /// Puts the state back as it was before the newest remaining change.
    bool Undo(const UndoableState& state);
    /// Does the change taken back last once more.
    bool Redo(const UndoableState& state);

    /// The state as it is now has been saved.
    void MarkSaved() { savedPosition_ = static_cast<std::ptrdiff_t>(position_); }

    /// Bytes the entries hold now, and the bound they are kept under.
    std::size_t MemoryUsed() const { return memoryUsed_; }
    std::size_t MemoryBound() const { return memoryBound_; }
    /// Number of entries (undoable and redoable).
    std::size_t Size() const { return entries_.size(); }

private:
    struct Fields {
        int32_t resolutionDpi = 0;
        std::string title;
        std::string imagePath;
        double calibration = 0.0;
        bool operator==(const Fields&) const = default;
    };
    struct Entry {
        std::string name;
        int32_t start = 1;  ///< first record of the run that differs
        std::vector<uint8_t> before;
        std::vector<uint8_t> after;
        Fields fieldsBefore;
        Fields fieldsAfter;
        std::size_t Bytes() const {
            return before.capacity() + after.capacity() + name.capacity() +
                   fieldsBefore.title.capacity() + fieldsAfter.title.capacity() +
                   fieldsBefore.imagePath.capacity() + fieldsAfter.imagePath.capacity() +
                   sizeof(Entry);
        }
    };

    static Fields FieldsOf(const UndoableState& state);
    static std::vector<uint8_t> Records(const History& history);
    void Apply(const UndoableState& state, const Entry& entry, bool forward) const;
    void FileStateAfterMove(const UndoableState& state) const;
    void DropOldest();

    std::size_t memoryBound_;
    std::deque<Entry> entries_;
    std::size_t position_ = 0;  ///< entries below it are done, from it on undone
    std::size_t memoryUsed_ = 0;
    /// Position whose state matches the file; -1 when none does any more.
    std::ptrdiff_t savedPosition_ = -1;

    bool recording_ = false;
    std::vector<uint8_t> snapshot_;
    Fields snapshotFields_;
};

}  // namespace kvx
