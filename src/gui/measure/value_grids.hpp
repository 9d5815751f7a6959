#pragma once

#include <QString>
#include <QTableWidget>

namespace kvx {

class GridModel;

/// The value grid `DGrid`: column 0 (row caption, fixed) and column 1
/// (value), one row per listed value as the last statistics pass left them.
/// A double click on a row is reported with its 0-based index; whether it
/// changes anything is the workspace's decision.
class ValueGrid : public QTableWidget {
    Q_OBJECT

public:
    static constexpr int kColumnWidth = 50;
    static constexpr int kRowHeight = 22;
    static constexpr int kFontPixels = 17;

    explicit ValueGrid(QWidget* parent = nullptr);

    /// Shows model.DGrid (row count, captions and values).
    void Show(const GridModel& model);

signals:
    /// A double click on a cell of row (0-based).
    void valueDoubleClicked(int row);
};

/// The statistics grid `vGrid`: nine rows of two columns, label and value,
/// no fixed cells and no scroll bars.
class StatisticsGrid : public QTableWidget {
    Q_OBJECT

public:
    static constexpr int kColumnWidth = 108;
    static constexpr int kRowHeight = 20;
    static constexpr int kFontPixels = 17;

    explicit StatisticsGrid(QWidget* parent = nullptr);

    /// Shows model.vGrid.
    void Show(const GridModel& model);
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
