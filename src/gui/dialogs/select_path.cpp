#include "gui/dialogs/select_path.hpp"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/dialogs/dialog_util.hpp"
#include "gui/dialogs/directory_list.hpp"

namespace kvx {

TSelectPath::TSelectPath(const QString& directory, bool showDrives, const QString& cancelCaption,
                         QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TSelectPath"));
    SetSystemMenuOnly(*this);
    driveList_ = MakeChild<QComboBox>(this, "DriveList");
    dirList_ = MakeChild<DirectoryList>(this, "DirList");
    okBut_ = MakeChild<QPushButton>(this, "OKBut");
    okBut_->setText(QStringLiteral("OK"));
    cancelBut_ = MakeChild<QPushButton>(this, "CancelBut");
    cancelBut_->setText(cancelCaption);
    okBut_->setAutoDefault(false);
    cancelBut_->setAutoDefault(false);
    okBut_->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okBut_);
    buttons->addWidget(cancelBut_);
    // Without the volume list the directory list moves up to the top.
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(driveList_);
    layout->addWidget(dirList_, 1);
    layout->addLayout(buttons);
    resize(420, 380);
    CentreOnScreen(*this);

    FillVolumeList(*driveList_);
    if (!showDrives) driveList_->hide();

    connect(okBut_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelBut_, &QPushButton::clicked, this, &QDialog::reject);
    connect(driveList_, &QComboBox::activated, this,
            [this](int index) { dirList_->SetDirectory(driveList_->itemData(index).toString()); });
    connect(dirList_, &DirectoryList::DirectoryChanged, this, [this](const QString& path) {
        SelectVolumeOf(*driveList_, path);
        setWindowTitle(path);
    });
    connect(dirList_, &QListWidget::currentItemChanged, this,
            [this] { setWindowTitle(dirList_->SelectedDirectory()); });
    dirList_->SetDirectory(directory);
    dirList_->setFocus();
}

QString TSelectPath::Result() const {
    if (result() != QDialog::Accepted) return {};
    QString chosen = dirList_->SelectedDirectory();
    if (!chosen.isEmpty() && !chosen.endsWith(QLatin1Char('/'))) chosen += QLatin1Char('/');
    return chosen;
}

}  // namespace kvx
