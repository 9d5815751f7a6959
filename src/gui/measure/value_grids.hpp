#pragma once

#include <QString>
#include <QTableWidget>

namespace kvx {

class GridModel;

/// A grid of two columns, each made as wide as the longest text in it
/// needs (never below a minimum): a cut number ("13728,461…") reads as
/// another number.
class StringGrid : public QTableWidget {
    Q_OBJECT

public:
    using QTableWidget::QTableWidget;

protected:
    void FitColumns(int captionMinimum, int valueMinimum);
    /// Both columns and the frame.
    int ColumnsWidth() const;
};

/// The value grid `DGrid`: column 0 (row caption, fixed) and column 1
/// (value), one row per listed value as the last statistics pass left them.
/// A double click on a row is reported with its 0-based index; whether it
/// changes anything is the workspace's decision.
class ValueGrid : public StringGrid {
    Q_OBJECT

public:
    static constexpr int kColumnWidth = 50;
    /// The columns' widths when their texts need no more.
    static constexpr int kCaptionWidth = 75;
    static constexpr int kValueWidth = 135;
    static constexpr int kRowHeight = 22;
    static constexpr int kFontPixels = 17;

    explicit ValueGrid(QWidget* parent = nullptr);

    /// Shows model.DGrid (row count, captions and values), each column at
    /// least as wide as its longest text.
    void Show(const GridModel& model);
    /// The width that shows every caption and value whole, with room for
    /// the scroll bar.
    int WholeWidth() const;

signals:
    /// A double click on a cell of row (0-based).
    void valueDoubleClicked(int row);
};

/// The statistics grid `vGrid`: nine rows of two columns, label and value,
/// no fixed cells and no scroll bars.
class StatisticsGrid : public StringGrid {
    Q_OBJECT

public:
    static constexpr int kColumnWidth = 108;
    static constexpr int kRowHeight = 20;
    static constexpr int kFontPixels = 17;

    explicit StatisticsGrid(QWidget* parent = nullptr);

    /// Shows model.vGrid, each column at least as wide as its longest text.
    void Show(const GridModel& model);
    /// The width that shows every label and value whole.
    int WholeWidth() const;
};

/// The text the copy button `BitBtn7` puts on the clipboard: the value
/// column without units, one line per row.
QString ValueColumnText(const GridModel& model);

/// Puts ValueColumnText on the system clipboard.
void CopyValueColumn(const GridModel& model);

/// Whether `BitBtn7` is shown (and enabled) after a pass for a main window
/// of the given width.
bool CopyButtonVisible(const GridModel& model, int windowWidth);

}  // namespace kvx
