#include "gui/dialogs/results_window.hpp"

#include <QAbstractTableModel>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "core/detect/measured_picture.hpp"
#include "core/export/object_table_text.hpp"
#include "core/picture/picture.hpp"
#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "gui/dialogs/dialog_util.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kMsgResults = 2281;
constexpr int kMsgCopy = 2282;
constexpr int kMsgSaveAsCsv = 2283;
constexpr int kMsgYes = 2284;
constexpr int kMsgNo = 2285;
constexpr int kMsgNotFullResolution = 2286;
constexpr int kMsgNotWritten = 2288;
constexpr int kMsgCsvTable = 2289;
constexpr int kMsgClose = 170;

}  // namespace

/// The rows of the table: the cells of each object as the batch tool's
/// table has them, shown in the language's way.
class ResultsModel : public QAbstractTableModel {
public:
    /// The number a cell is sorted by; none for text cells.
    static constexpr int kSortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    void Reset(const std::vector<ObjectDescription>& objects, const ObjectTypeTable& types,
               const Settings& settings, std::string yes, std::string no) {
        beginResetModel();
        rows_.clear();
        rows_.reserve(objects.size());
        for (const ObjectDescription& d : objects) {
            rows_.push_back({ObjectTableRow(d, types, settings.Language, settings.TableUnit),
                             d.dataType, d.firstPoint});
        }
        decimalComma_ = settings.Language == 0;
        yes_ = std::move(yes);
        no_ = std::move(no);
        endResetModel();
    }

    int32_t FirstPoint(int row) const {
        return row >= 0 && row < static_cast<int>(rows_.size())
                   ? rows_[static_cast<std::size_t>(row)].firstPoint
                   : 0;
    }
    int RowOf(int32_t firstPoint) const {
        for (std::size_t r = 0; r < rows_.size(); ++r) {
            if (rows_[r].firstPoint == firstPoint) return static_cast<int>(r);
        }
        return -1;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(ObjectTableColumns().size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const Row& row = rows_[static_cast<std::size_t>(index.row())];
        const auto column = static_cast<std::size_t>(index.column());
        if (column >= row.cells.size()) return {};
        const ObjectTableCell& cell = row.cells[column];
        switch (role) {
            case Qt::DisplayRole:
                return FromCore(
                    ObjectTableShown(cell, column, row.dataType, decimalComma_, yes_, no_));
            case Qt::TextAlignmentRole:
                if (cell.kind == ObjectTableCell::kNumber) {
                    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
                }
                return {};
            case kSortRole:
                if (cell.kind == ObjectTableCell::kNumber) return cell.number;
                return {};
            default:
                return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        const auto columns = ObjectTableColumns();
        if (section < 0 || section >= static_cast<int>(columns.size())) return {};
        return FromCore(columns[static_cast<std::size_t>(section)]);
    }

private:
    struct Row {
        std::vector<ObjectTableCell> cells;
        int dataType = 0;
        int32_t firstPoint = 0;
    };
    std::vector<Row> rows_;
    bool decimalComma_ = false;
    std::string yes_;
    std::string no_;
};

/// Sorts numbers by their value, not their text; cells without a number go
/// last whichever way the column is sorted, so that the measured rows stay
/// together.
class ResultsSort : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
        const QVariant mine = left.data(ResultsModel::kSortRole);
        const QVariant theirs = right.data(ResultsModel::kSortRole);
        if (!mine.isValid() || !theirs.isValid()) {
            return QString::localeAwareCompare(left.data().toString(), right.data().toString()) < 0;
        }
        const double a = mine.toDouble();
        const double b = theirs.toDouble();
        // Qt sorts descending by asking the other way round.
        const bool descending = sortOrder() == Qt::DescendingOrder;
        if (std::isnan(a) || std::isnan(b)) {
            if (std::isnan(a) && std::isnan(b)) return left.row() < right.row();
            return std::isnan(a) ? descending : !descending;
        }
        if (a == b) return left.row() < right.row();
        return a < b;
    }
};

ResultsWindow::ResultsWindow(Program& program, Workspace& workspace, QWidget* parent)
    : QDialog(parent), program_(program), workspace_(workspace) {
    setObjectName(QStringLiteral("ResultsWindow"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(FromCore(program_.GetMessage(kMsgResults)));
    setSizeGripEnabled(true);

    model_ = new ResultsModel(this);
    sort_ = new ResultsSort(this);
    sort_->setSourceModel(model_);
    table_ = MakeChild<QTableView>(this, "ResultsTable");
    table_->setModel(sort_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->verticalHeader()->setVisible(false);
    table_->setWordWrap(false);
    // Many objects: rows as close as the text allows, all of one height so
    // that the view need not measure each.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->setSortingEnabled(true);
    // Unsorted until a column is clicked: the rows in the project's order.
    table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    sort_->sort(-1);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ResultsWindow::RowsSelected);

    note_ = MakeChild<QLabel>(this, "ResultsNote");
    note_->setWordWrap(true);
    note_->setVisible(false);

    copy_ = MakeChild<QPushButton>(this, "ResultsCopy");
    copy_->setText(FromCore(program_.GetMessage(kMsgCopy)));
    save_ = MakeChild<QPushButton>(this, "ResultsSave");
    save_->setText(FromCore(program_.GetMessage(kMsgSaveAsCsv)));
    close_ = MakeChild<QPushButton>(this, "ResultsClose");
    close_->setText(FromCore(program_.GetMessage(kMsgClose)));
    connect(copy_, &QPushButton::clicked, this, &ResultsWindow::CopySelection);
    connect(save_, &QPushButton::clicked, this, &ResultsWindow::SaveClick);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(copy_);
    buttons->addWidget(save_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_, 1);
    layout->addWidget(note_);
    layout->addLayout(buttons);

    const QRect screen = ScreenGeometry(parent != nullptr ? parent : this);
    resize(std::min(1100, screen.width() * 3 / 4), std::min(520, screen.height() * 2 / 3));
    workspace_.AddObserver(this);
}

ResultsWindow::~ResultsWindow() {
    workspace_.RemoveObserver(this);
}

std::shared_ptr<const Picture> ResultsWindow::MeasuredPicture() {
    const std::shared_ptr<const Picture> shown = workspace_.project().picture;
    if (!shown) return nullptr;
    if (measuredFor_ != shown) {
        // The first view of a large picture is reduced, and a 16-bit one
        // shows its range: the values are read once as the file holds them.
        measuredFor_ = shown;
        program_.ui.BusyCursor(true);
        measured_ = PictureInOwnValues(program_, workspace_.project().imagePath, shown);
        program_.ui.BusyCursor(false);
    }
    return measured_;
}

void ResultsWindow::Refresh() {
    stale_ = false;
    const Project& project = workspace_.project();
    ShapeSamples samples;
    note_->setVisible(false);
    if (project.picture) {
        if (const std::shared_ptr<const Picture> picture = MeasuredPicture()) {
            samples.samples = SamplesOf(*picture);
            samples.pixelsPerMicrometre = project.resolutionDpi / 25400.0;
        }
        if (!samples.samples.Valid()) {
            note_->setText(FromCore(program_.GetMessage(kMsgNotFullResolution)));
            note_->setVisible(true);
        }
    }
    objects_ = DescribeObjects(workspace_.history(), program_.objectTypes, samples);
    {
        const bool firstFill = model_->rowCount() == 0;
        const QSignalBlocker block(table_->selectionModel());
        model_->Reset(objects_, program_.objectTypes, program_.settings,
                      program_.GetMessage(kMsgYes), program_.GetMessage(kMsgNo));
        if (firstFill) table_->resizeColumnsToContents();
    }
    ShowPicked();
    save_->setEnabled(!project.imagePath.empty());
}

void ResultsWindow::RefreshSoon() {
    stale_ = true;
    // A command tells of several changes at once, and hidden the table
    // waits until it is shown.
    if (!isVisible() || refreshQueued_) return;
    refreshQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshQueued_ = false;
        if (stale_ && isVisible()) Refresh();
    });
}

void ResultsWindow::WorkspaceChanged(ChangeFlags changes) {
    if (changes.HasAny(Change::Project | Change::Records | Change::Types | Change::Statistics)) {
        RefreshSoon();
    } else if (changes.Has(Change::Picked) && !stale_) {
        ShowPicked();
    }
}

void ResultsWindow::ShowPicked() {
    const std::vector<int32_t>& picked = workspace_.pickedObjects();
    QItemSelection selection;
    for (const int32_t first : picked) {
        const int row = model_->RowOf(first);
        if (row < 0) continue;
        const QModelIndex at = sort_->mapFromSource(model_->index(row, 0));
        selection.select(at, at.siblingAtColumn(model_->columnCount() - 1));
    }
    selecting_ = true;
    table_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!selection.isEmpty()) table_->scrollTo(selection.indexes().front());
    selecting_ = false;
}

void ResultsWindow::RowsSelected() {
    if (selecting_) return;
    std::vector<int32_t> picked;
    for (const QModelIndex& row : table_->selectionModel()->selectedRows()) {
        picked.push_back(model_->FirstPoint(sort_->mapToSource(row).row()));
    }
    workspace_.PickObjects(std::move(picked));
}

QString ResultsWindow::SelectionText() const {
    QStringList lines;
    QStringList header;
    const int columns = sort_->columnCount();
    for (int c = 0; c < columns; ++c) header << sort_->headerData(c, Qt::Horizontal).toString();
    lines << header.join(QLatin1Char('\t'));
    const QItemSelectionModel* selection = table_->selectionModel();
    const bool any = selection->hasSelection();
    for (int r = 0; r < sort_->rowCount(); ++r) {
        if (any && !selection->isRowSelected(r, {})) continue;
        QStringList cells;
        for (int c = 0; c < columns; ++c) cells << sort_->index(r, c).data().toString();
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void ResultsWindow::CopySelection() {
    QGuiApplication::clipboard()->setText(SelectionText());
}

bool ResultsWindow::SaveAs(const std::string& path) {
    if (stale_) Refresh();
    const Project& project = workspace_.project();
    const std::string bytes =
        ObjectTableCsvHeader() + "\r\n" +
        ObjectTableCsvRows(PathFromCore(project.projectPath).toUtf8().toStdString(),
                           PathFromCore(project.imagePath).toUtf8().toStdString(), objects_,
                           program_.objectTypes, program_.settings.Language,
                           program_.settings.TableUnit);
    if (ReplaceFileContent(path, bytes) == kOk) return true;
    (void)program_.ui.MessageBox(program_.GetMessage(kMsgResults),
                                 program_.GetMessage(kMsgNotWritten) + "\r\n" + path,
                                 MessageButtons::Ok);
    return false;
}

void ResultsWindow::SaveClick() {
    const Project& project = workspace_.project();
    SaveFileRequest request;
    request.filter = program_.GetMessage(kMsgCsvTable) + " |*.csv";
    request.defaultExtension = "csv";
    request.title = program_.GetMessage(kMsgSaveAsCsv);
    const std::string& base = project.projectPath.empty() ? project.imagePath : project.projectPath;
    request.startDirectory = ExtractFileDir(base);
    request.fileName = ExtractFileName(ChangeFileExt(base, "csv"));
    const std::string path = program_.ui.SaveFileName(request);
    if (path.empty()) return;
    (void)SaveAs(ForceExtension(path, "csv"));
}

void ResultsWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (stale_) Refresh();
}

void ResultsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kvx
