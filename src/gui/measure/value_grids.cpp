#include "gui/measure/value_grids.hpp"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QHeaderView>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

#include "core/stats/grid_model.hpp"
#include "gui/support/core_text.hpp"
#include "gui/support/qt_text_metrics.hpp"

namespace kvx {

namespace {

// Both grids look like plain string grids: no header strips, cells that
// cannot be edited, Arial at a fixed pixel height.
void SetUpStringGrid(QTableWidget& grid, int columnWidth, int rowHeight, int fontPixels) {
    QFont font(FontFamily("Arial"));
    font.setPixelSize(fontPixels);
    grid.setFont(font);
    grid.setColumnCount(2);
    grid.horizontalHeader()->hide();
    grid.verticalHeader()->hide();
    grid.horizontalHeader()->setMinimumSectionSize(1);
    grid.verticalHeader()->setMinimumSectionSize(1);
    grid.horizontalHeader()->setDefaultSectionSize(columnWidth);
    grid.verticalHeader()->setDefaultSectionSize(rowHeight);
    grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid.setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid.setSelectionMode(QAbstractItemView::SingleSelection);
    grid.setSelectionBehavior(QAbstractItemView::SelectItems);
    grid.setWordWrap(false);
    grid.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

// Sets a cell's text, creating the item on first use so that a refill does
// not allocate a thousand items every time.
QTableWidgetItem* SetCell(QTableWidget& grid, int row, int column, const QString& text) {
    QTableWidgetItem* item = grid.item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grid.setItem(row, column, item);
    } else if (item->text() != text) {
        item->setText(text);
    }
    return item;
}

}  // namespace

void StringGrid::FitColumns(int captionMinimum, int valueMinimum) {
    // The width the cell's own delegate asks for, as it paints the text,
    // and the grid line beside it.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int line = showGrid() ? 1 : 0;
    for (int column = 0; column < 2; ++column) {
        int widest = column == 0 ? captionMinimum : valueMinimum;
        for (int row = 0; row < rowCount(); ++row) {
            const QTableWidgetItem* item = this->item(row, column);
            if (item == nullptr || item->text().isEmpty()) continue;
            const QModelIndex index = model()->index(row, column);
            widest = std::max(widest,
                              itemDelegateForIndex(index)->sizeHint(option, index).width() + line);
        }
        if (columnWidth(column) != widest) setColumnWidth(column, widest);
    }
}

int StringGrid::ColumnsWidth() const {
    return columnWidth(0) + columnWidth(1) + 2 * frameWidth();
}

ValueGrid::ValueGrid(QWidget* parent) : StringGrid(parent) {
    setObjectName(QStringLiteral("DGrid"));
    SetUpStringGrid(*this, kColumnWidth, kRowHeight, kFontPixels);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setRowCount(1);
    connect(this, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { emit valueDoubleClicked(row); });
}

void ValueGrid::Show(const GridModel& model) {
    // The grid always keeps at least one row, like the string grid it stands for.
    const int rows = std::max(1, static_cast<int>(model.RowCount()));
    setUpdatesEnabled(false);
    setRowCount(rows);
    const QBrush fixedBrush = palette().brush(QPalette::Button);
    for (int row = 0; row < rows; ++row) {
        const bool listed = row < model.RowCount();
        const GridRow* cells = listed ? &model.DGrid[static_cast<std::size_t>(row)] : nullptr;
        // Column 0 is the fixed caption column: shaded and never selected.
        QTableWidgetItem* caption =
            SetCell(*this, row, 0, cells != nullptr ? FromCore(cells->caption) : QString());
        caption->setFlags(Qt::ItemIsEnabled);
        caption->setBackground(fixedBrush);
        SetCell(*this, row, 1, cells != nullptr ? FromCore(cells->value) : QString());
    }
    FitColumns(kCaptionWidth, kValueWidth);
    setUpdatesEnabled(true);
}

int ValueGrid::WholeWidth() const {
    // Room for the scroll bar only when the rows need one.
    const bool scrolls = rowCount() * kRowHeight > height() - 2 * frameWidth();
    return ColumnsWidth() +
           (scrolls ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) : 0);
}

StatisticsGrid::StatisticsGrid(QWidget* parent) : StringGrid(parent) {
    setObjectName(QStringLiteral("vGrid"));
    SetUpStringGrid(*this, kColumnWidth, kRowHeight, kFontPixels);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setRowCount(GridModel::kStatisticsRows);
}

void StatisticsGrid::Show(const GridModel& model) {
    for (int row = 0; row < GridModel::kStatisticsRows; ++row) {
        const GridRow& cells = model.vGrid[static_cast<std::size_t>(row)];
        SetCell(*this, row, 0, FromCore(cells.caption));
        SetCell(*this, row, 1, FromCore(cells.value));
    }
    FitColumns(kColumnWidth, kColumnWidth);
}

int StatisticsGrid::WholeWidth() const {
    return ColumnsWidth();
}

QString ValueColumnText(const GridModel& model) {
    return FromCore(model.CopyText());
}

void CopyValueColumn(const GridModel& model) {
    if (QClipboard* clipboard = QApplication::clipboard()) {
        clipboard->setText(ValueColumnText(model));
    }
}

bool CopyButtonVisible(const GridModel& model, int windowWidth) {
    return model.CopyButtonVisible(windowWidth);
}

}  // namespace kvx
