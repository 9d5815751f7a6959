#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "core/detect/shape_table.hpp"
#include "core/workspace/workspace.hpp"

class QLabel;
class QPushButton;
class QTableView;

namespace kvx {

class Program;
class ResultsModel;
class ResultsSort;
struct Picture;

/// The table of every object of every type of the open project, one row
/// each with its value and descriptors, sortable by any column. It stays
/// open beside the window and follows the project as it changes; the rows
/// selected are the objects picked out on the picture, either way round.
class ResultsWindow : public QDialog, public WorkspaceObserver {
    Q_OBJECT

public:
    ResultsWindow(Program& program, Workspace& workspace, QWidget* parent = nullptr);
    ~ResultsWindow() override;

    /// Reads the open project's objects again.
    void Refresh();
    /// The selected rows in the order shown (every row when none is
    /// selected) as tab-separated text, a line of column names first.
    QString SelectionText() const;
    void CopySelection();
    /// Writes the table the batch tool's `shapes` writes for the project to
    /// path; false when it could not be written, which is shown.
    bool SaveAs(const std::string& path);

    void WorkspaceChanged(ChangeFlags changes) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SaveClick();
    void RefreshSoon();
    /// Selects the rows of the objects picked out on the picture.
    void ShowPicked();
    void RowsSelected();
    /// The picture the values inside the outlines are taken from: the one
    /// shown when it holds them, else a full decode of it in its own values.
    std::shared_ptr<const Picture> MeasuredPicture();

    Program& program_;
    Workspace& workspace_;
    QTableView* table_;
    ResultsModel* model_;
    ResultsSort* sort_;
    QLabel* note_;
    QPushButton* copy_;
    QPushButton* save_;
    QPushButton* close_;
    std::vector<ObjectDescription> objects_;
    std::shared_ptr<const Picture> measured_;  ///< the values of measuredFor_
    std::shared_ptr<const Picture> measuredFor_;
    bool stale_ = true;
    bool refreshQueued_ = false;
    bool selecting_ = false;  ///< the rows are being set from the picks
};

}  // namespace kvx
