#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "core/detect/shape_table.hpp"

class QLabel;
class QPushButton;
class QTableWidget;

namespace kvx {

class Program;
class Workspace;
struct Picture;

/// The table of every object of every type of the open project, one row
/// each with its value and descriptors, sortable by any column. It stays
/// open beside the window and reads the project again whenever it is
/// activated.
class ResultsWindow : public QDialog {
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

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SaveClick();
    /// The picture the values inside the outlines are taken from: the one
    /// shown, or a full decode of it when only a reduced copy is shown.
    std::shared_ptr<const Picture> FullPicture();

    Program& program_;
    Workspace& workspace_;
    QTableWidget* table_;
    QLabel* note_;
    QPushButton* copy_;
    QPushButton* save_;
    QPushButton* close_;
    std::vector<ObjectDescription> objects_;
    std::shared_ptr<const Picture> decoded_;  ///< full resolution of decodedFor_
    std::shared_ptr<const Picture> decodedFor_;
};

}  // namespace kvx
