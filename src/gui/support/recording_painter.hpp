#pragma once

#include <QHash>
#include <QRect>
#include <QStaticText>
#include <QString>
#include <cstddef>
#include <string>
#include <unordered_map>

#include "core/draw/recording.hpp"

class QPainter;

namespace kvx {

/// Replays a Recording onto a QPainter, stretching the recorded surface onto
/// a target rectangle, the way a recorded picture is played back into a
/// window of another size.
class RecordingPainter {
public:
    /// Texts laid out for one size of the target, by font and text.
    using TextLayouts = std::unordered_map<std::string, QStaticText>;

    /// layouts, when given, keeps the texts laid out from one painting to
    /// the next; it belongs to one size of target and must be emptied when
    /// that changes.
    explicit RecordingPainter(const Recording& recording, TextLayouts* layouts = nullptr)
        : recording_(recording), layouts_(layouts) {}

    /// Draws every operation into target (device pixels of painter). The
    /// painter's state is restored afterwards; nothing is drawn outside target.
    void Paint(QPainter& painter, const QRect& target);
    /// Draws the operations from index `first` up to (not including) `last`,
    /// as they show when every operation before them has been drawn: the
    /// clip the earlier ones set is kept, nothing else of them is drawn.
    void Paint(QPainter& painter, const QRect& target, std::size_t first, std::size_t last);

private:
    const Recording& recording_;
    TextLayouts* layouts_;
};

}  // namespace kvx
