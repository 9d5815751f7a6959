#include "gui/dialogs/results_window.hpp"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "core/export/object_table_text.hpp"
#include "core/picture/picture.hpp"
#include "core/picture/picture_loader.hpp"
#include "core/program/program.hpp"
#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"
#include "core/support/text_file.hpp"
#include "core/workspace/workspace.hpp"
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
constexpr int kMsgSixteenBit = 2287;
constexpr int kMsgNotWritten = 2288;
constexpr int kMsgCsvTable = 2289;
constexpr int kMsgClose = 170;

constexpr int kSortRole = Qt::UserRole;

// Sorts numbers by their value, not their text; cells without a number go
// last whichever way the column is sorted, so that the measured rows stay
// together.
class ResultItem : public QTableWidgetItem {
public:
    using QTableWidgetItem::QTableWidgetItem;

    bool operator<(const QTableWidgetItem& other) const override {
        const QVariant mine = data(kSortRole);
        const QVariant theirs = other.data(kSortRole);
        if (!mine.isValid() || !theirs.isValid()) {
            return QString::localeAwareCompare(text(), other.text()) < 0;
        }
        const double a = mine.toDouble();
        const double b = theirs.toDouble();
        const QTableWidget* table = tableWidget();
        const bool descending =
            table != nullptr &&
            table->horizontalHeader()->sortIndicatorOrder() == Qt::DescendingOrder;
        // Qt sorts descending by asking the other way round.
        if (std::isnan(a) || std::isnan(b)) {
            if (std::isnan(a) && std::isnan(b)) return false;
            return std::isnan(a) ? descending : !descending;
        }
        return a < b;
    }
};

}  // namespace

ResultsWindow::ResultsWindow(Program& program, Workspace& workspace, QWidget* parent)
    : QDialog(parent), program_(program), workspace_(workspace) {
    setObjectName(QStringLiteral("ResultsWindow"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(FromCore(program_.GetMessage(kMsgResults)));
    setSizeGripEnabled(true);

    table_ = MakeChild<QTableWidget>(this, "ResultsTable");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->verticalHeader()->setVisible(false);
    table_->setWordWrap(false);
    // Many objects: rows as close as the text allows.
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
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
}

ResultsWindow::~ResultsWindow() = default;

std::shared_ptr<const Picture> ResultsWindow::FullPicture() {
    const std::shared_ptr<const Picture> shown = workspace_.project().picture;
    if (!shown || !shown->Reduced()) return shown;
    if (decodedFor_ != shown) {
        // The first view of a large picture is reduced; its values are read
        // once at the full resolution, as the window decodes it for a zoom.
        decodedFor_ = shown;
        decoded_.reset();
        const int64_t bytes = FileSize(workspace_.project().imagePath);
        const PictureRequest request = MakePictureRequest(program_, workspace_.project().imagePath,
                                                          bytes < 0 ? 0 : bytes >> 20, 0);
        auto full = std::make_shared<Picture>();
        program_.ui.BusyCursor(true);
        const DecodeStatus status = ReadPicture(request, *full);
        program_.ui.BusyCursor(false);
        // A file changed since it was shown is not measured in its place.
        if (PictureDecoded(status) && !full->Reduced() && full->Width() == shown->Width() &&
            full->Height() == shown->Height() && full->orientation == shown->orientation) {
            decoded_ = std::move(full);
        }
    }
    return decoded_ ? decoded_ : shown;
}

void ResultsWindow::Refresh() {
    const Project& project = workspace_.project();
    ShapeSamples samples;
    note_->setVisible(false);
    if (const std::shared_ptr<const Picture> picture = FullPicture()) {
        samples.samples = SamplesOf(*picture);
        samples.pixelsPerMicrometre = project.resolutionDpi / 25400.0;
        if (!samples.samples.Valid()) {
            const int reason = picture->sixteenBit ? kMsgSixteenBit : kMsgNotFullResolution;
            note_->setText(FromCore(program_.GetMessage(reason)));
            note_->setVisible(true);
        }
    }
    objects_ = DescribeObjects(workspace_.history(), program_.objectTypes, samples);

    const Settings& settings = program_.settings;
    const bool decimalComma = settings.Language == 0;
    const std::string yes = program_.GetMessage(kMsgYes);
    const std::string no = program_.GetMessage(kMsgNo);
    const auto columns = ObjectTableColumns();

    const int sortColumn = table_->horizontalHeader()->sortIndicatorSection();
    const Qt::SortOrder sortOrder = table_->horizontalHeader()->sortIndicatorOrder();
    const bool sorted = table_->isSortingEnabled() && sortColumn >= 0;
    table_->setSortingEnabled(false);
    table_->clearContents();
    table_->setColumnCount(static_cast<int>(columns.size()));
    table_->setRowCount(static_cast<int>(objects_.size()));
    QStringList headers;
    for (const std::string_view name : columns) headers << FromCore(name);
    table_->setHorizontalHeaderLabels(headers);
    for (std::size_t r = 0; r < objects_.size(); ++r) {
        const ObjectDescription& d = objects_[r];
        const std::vector<ObjectTableCell> cells =
            ObjectTableRow(d, program_.objectTypes, settings.Language, settings.TableUnit);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const ObjectTableCell& cell = cells[c];
            auto* item = new ResultItem(
                FromCore(ObjectTableShown(cell, c, d.dataType, decimalComma, yes, no)));
            if (cell.kind == ObjectTableCell::kNumber) {
                item->setData(kSortRole, cell.number);
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            table_->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    table_->resizeColumnsToContents();
    table_->setSortingEnabled(true);
    if (sorted) {
        table_->sortByColumn(sortColumn, sortOrder);
    } else {
        // Unsorted until a column is clicked: the rows in the project's order.
        table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    }
    save_->setEnabled(!project.imagePath.empty());
}

QString ResultsWindow::SelectionText() const {
    QStringList lines;
    QStringList header;
    for (int c = 0; c < table_->columnCount(); ++c) {
        header << table_->horizontalHeaderItem(c)->text();
    }
    lines << header.join(QLatin1Char('\t'));
    const bool any = !table_->selectionModel()->selectedRows().isEmpty();
    for (int r = 0; r < table_->rowCount(); ++r) {
        if (any && !table_->selectionModel()->isRowSelected(r, {})) continue;
        QStringList cells;
        for (int c = 0; c < table_->columnCount(); ++c) {
            const QTableWidgetItem* item = table_->item(r, c);
            cells << (item != nullptr ? item->text() : QString());
        }
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void ResultsWindow::CopySelection() {
    QGuiApplication::clipboard()->setText(SelectionText());
}

bool ResultsWindow::SaveAs(const std::string& path) {
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

bool ResultsWindow::event(QEvent* event) {
    // Coming back from measuring in the window, the person sees the objects
    // as they are now.
    if (event->type() == QEvent::WindowActivate) Refresh();
    return QDialog::event(event);
}

void ResultsWindow::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kvx
