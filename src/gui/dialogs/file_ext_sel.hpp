#pragma once

#include <QDialog>
#include <QString>

#include "core/program/user_interface.hpp"
#include "core/support/recent_dirs.hpp"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace kvx {

class DirectoryList;
class Program;

/// The file-selection dialog: drives, directories, the matching files (for
/// projects listed by their descriptions), a pattern field, the recently
/// used directories and the show-file-names box. The process's current
/// directory is never changed: the dialog keeps its own.
class TFileExtSel : public QDialog {
    Q_OBJECT

public:
    /// Uses program's messages, language and show-file-names flag.
    TFileExtSel(Program& program, const SelectFileRequest& request, QWidget* parent = nullptr);

    /// The chosen file; empty unless the dialog was closed by choosing.
    const SelectFileResult& Result() const { return result_; }
    /// The directory the lists show.
    QString Directory() const;
    /// Opens the directory lists at path; false (nothing changes) when it
    /// cannot be entered.
    bool ChangeDirectory(const QString& path);
    /// Takes the selected entry and closes; nothing happens without one.
    void Choose();

    void done(int result) override;

private:
    void FillFiles();
    void FillRecent();
    void PatternEntered();
    void ShowSelection(QListWidgetItem* item);

    Program& program_;
    SelectFileRequest request_;
    RecentDirectories recent_;
    SelectFileResult result_;

    QComboBox* driveList_;
    DirectoryList* dirList_;
    QListWidget* fileList_;
    QLabel* fileLabel_;
    QLineEdit* patternEdit_;
    QListWidget* recentList_;
    QCheckBox* showNamesBox_;
    QPushButton* chooseBut_;
    QPushButton* cancelBut_;
};

}  // namespace kvx
