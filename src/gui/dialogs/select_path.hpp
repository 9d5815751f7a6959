#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QPushButton;

namespace kvx {

class DirectoryList;

/// The directory picker: a volume list and a directory list; the caption
/// follows the selected directory.
class TSelectPath : public QDialog {
    Q_OBJECT

public:
    /// The list opens at directory, which must exist.
    TSelectPath(const QString& directory, bool showDrives, const QString& cancelCaption,
                QWidget* parent = nullptr);

    /// The selected directory ending in "/"; empty unless confirmed.
    QString Result() const;
    DirectoryList& List() { return *dirList_; }

private:
    QComboBox* driveList_;
    DirectoryList* dirList_;
    QPushButton* okBut_;
    QPushButton* cancelBut_;
};

}  // namespace kvx
