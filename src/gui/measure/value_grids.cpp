#include "gui/measure/value_grids.hpp"

#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QHeaderView>
#include <QPalette>
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

ValueGrid::ValueGrid(QWidget* parent) : QTableWidget(parent) {
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
    setUpdatesEnabled(true);
}

StatisticsGrid::StatisticsGrid(QWidget* parent) : QTableWidget(parent) {
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
