#pragma once

#include <QListWidget>
#include <QString>

class QComboBox;

namespace kvx {

/// A directory list: the path from the root down to the open directory, then
/// its subdirectories, each level indented. Activating an entry (double
/// click or Enter) opens it.
class DirectoryList : public QListWidget {
    Q_OBJECT

public:
    explicit DirectoryList(QWidget* parent = nullptr);

    /// Opens path; false, and nothing changes, when it cannot be entered.
    bool SetDirectory(const QString& path);
    /// The open directory, absolute, without a trailing "/" (except the root).
    const QString& Directory() const { return directory_; }
    /// The directory of the selected entry (the open one when none is selected).
    QString SelectedDirectory() const;

signals:
    void DirectoryChanged(const QString& directory);

protected:
    /// Enter opens the entry and goes no further: it must not also press
    /// the dialog's default button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Rebuild();

    QString directory_;
};

/// Fills combo with the mounted volumes (item data: the root path) and hides
/// it when there is only one to choose from.
void FillVolumeList(QComboBox& combo);
/// Shows the volume that holds directory.
void SelectVolumeOf(QComboBox& combo, const QString& directory);

}  // namespace kvx
