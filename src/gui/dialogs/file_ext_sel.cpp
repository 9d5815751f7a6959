#include "gui/dialogs/file_ext_sel.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/program/program.hpp"
#include "core/support/file_list.hpp"
#include "core/support/strings.hpp"
#include "gui/dialogs/dialog_util.hpp"
#include "gui/dialogs/directory_list.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kMsgFile = 214;
constexpr int kMsgChoose = 226;
constexpr int kMsgCancel = 179;
constexpr int kMsgShowNames = 254;

constexpr int kPathRole = Qt::UserRole;
constexpr int kDescriptionRole = Qt::UserRole + 1;

QString WithSlash(const QString& directory) {
    return directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
}

}  // namespace

TFileExtSel::TFileExtSel(Program& program, const SelectFileRequest& request, QWidget* parent)
    : QDialog(parent), program_(program), request_(request) {
    setObjectName(QStringLiteral("TFileExtSel"));
    SetSystemMenuOnly(*this);
    const QRect screen = ScreenGeometry(this);
    const bool wide = screen.width() >= 1024;
    const bool tall = screen.height() > 700;

    driveList_ = MakeChild<QComboBox>(this, "DriveList");
    dirList_ = MakeChild<DirectoryList>(this, "DirList");
    fileList_ = MakeChild<QListWidget>(this, "FileList");
    fileLabel_ = MakeChild<QLabel>(this, "FileLabel");
    patternEdit_ = MakeChild<QLineEdit>(this, "PatternEdit");
    recentList_ = MakeChild<QListWidget>(this, "RecentList");
    showNamesBox_ = MakeChild<QCheckBox>(this, "ShowNamesBox");
    chooseBut_ = MakeChild<QPushButton>(this, "ChooseBut");
    cancelBut_ = MakeChild<QPushButton>(this, "CancelBut");

    chooseBut_->setText(FromCore(program_.GetMessage(kMsgChoose)));
    cancelBut_->setText(FromCore(program_.GetMessage(kMsgCancel)));
    showNamesBox_->setText(FromCore(program_.GetMessage(kMsgShowNames)));
    showNamesBox_->setChecked(program_.settings.ShowFileNamesOnly != 0);
    // Enter belongs to the list that has the focus, never to a default button.
    chooseBut_->setAutoDefault(false);
    cancelBut_->setAutoDefault(false);

    const int directoryWidth = wide ? 392 : 250;
    const int fileWidth = wide ? 570 : 330;
    if (wide) {
        QFont font = fileList_->font();
        font.setPointSize(10);
        fileList_->setFont(font);
    }
    dirList_->setFixedWidth(directoryWidth);
    driveList_->setFixedWidth(directoryWidth);
    recentList_->setFixedWidth(directoryWidth);
    fileList_->setFixedWidth(fileWidth);
    fileList_->setSelectionMode(QAbstractItemView::SingleSelection);

    auto* left = new QVBoxLayout;
    left->addWidget(driveList_);
    left->addWidget(dirList_, 3);
    left->addWidget(recentList_, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(fileList_, 1);
    right->addWidget(fileLabel_);
    right->addWidget(patternEdit_);
    right->addWidget(showNamesBox_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(chooseBut_);
    buttons->addWidget(cancelBut_);
    right->addLayout(buttons);
    auto* columns = new QHBoxLayout(this);
    columns->addLayout(left);
    columns->addLayout(right);

    resize(wide ? 1000 : 620, tall ? 700 : 460);
    CentreOnScreen(*this);

    connect(chooseBut_, &QPushButton::clicked, this, &TFileExtSel::Choose);
    connect(cancelBut_, &QPushButton::clicked, this, &QDialog::reject);
    connect(fileList_, &QListWidget::itemActivated, this, [this] {
        if (chooseBut_->isEnabled()) Choose();
    });
    connect(fileList_, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { ShowSelection(item); });
    connect(dirList_, &DirectoryList::DirectoryChanged, this, [this](const QString& directory) {
        SelectVolumeOf(*driveList_, directory);
        FillFiles();
    });
    connect(driveList_, &QComboBox::activated, this,
            [this](int index) { ChangeDirectory(driveList_->itemData(index).toString()); });
    connect(recentList_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { recentList_->setToolTip(item->text()); });
    connect(recentList_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ChangeDirectory(item->data(kPathRole).toString()); });
    connect(patternEdit_, &QLineEdit::editingFinished, this, &TFileExtSel::PatternEntered);
    connect(showNamesBox_, &QCheckBox::clicked, this, [this](bool checked) {
        program_.settings.ShowFileNamesOnly = checked ? 1 : 0;
        FillFiles();
    });

    if (!request_.rememberFile.empty()) recent_ = RecentDirectories::Read(request_.rememberFile);
    FillRecent();
    FillVolumeList(*driveList_);
    patternEdit_->setText(FromCore(request_.patterns));
    if (!ChangeDirectory(PathFromCore(request_.startDirectory))) {
        if (!ChangeDirectory(QDir::homePath())) ChangeDirectory(QDir::rootPath());
    }
}

QString TFileExtSel::Directory() const {
    return dirList_->Directory();
}

bool TFileExtSel::ChangeDirectory(const QString& path) {
    return dirList_->SetDirectory(path);
}

void TFileExtSel::FillFiles() {
    const QString extension = request_.descriptions ? QStringLiteral("KXP") : QStringLiteral("*");
    setWindowTitle(WithSlash(Directory()) + QStringLiteral("*.") + extension);
    fileLabel_->setText(FromCore(program_.GetMessage(kMsgFile)) + QLatin1Char(':'));

    std::vector<FileListEntry> entries =
        ListFiles(PathToCore(Directory()), ToCore(patternEdit_->text()), request_.descriptions,
                  program_.settings.Language);
    const bool namesOnly = program_.settings.ShowFileNamesOnly != 0 && request_.descriptions;
    if (namesOnly) {
        std::stable_sort(entries.begin(), entries.end(),
                         [](const FileListEntry& a, const FileListEntry& b) {
                             return PathFromCore(a.fileName)
                                        .compare(PathFromCore(b.fileName), Qt::CaseInsensitive) < 0;
                         });
    }

    const QSignalBlocker quiet(fileList_);
    fileList_->clear();
    for (const FileListEntry& entry : entries) {
        const QString name = PathFromCore(entry.fileName);
        auto* item = new QListWidgetItem(namesOnly ? name : FromCore(entry.description), fileList_);
        item->setData(kPathRole, name);
        item->setData(kDescriptionRole, FromCore(entry.description));
    }
    if (fileList_->count() > 0) {
        fileList_->setCurrentRow(0);
        chooseBut_->setEnabled(true);
        fileList_->setFocus();
    } else {
        chooseBut_->setEnabled(false);
        dirList_->setFocus();
    }
}

void TFileExtSel::FillRecent() {
    recentList_->clear();
    for (const std::string& entry : recent_.Entries()) {
        auto* item = new QListWidgetItem(PathFromCore(entry), recentList_);
        item->setData(kPathRole, PathFromCore(entry));
    }
}

void TFileExtSel::PatternEntered() {
    patternEdit_->setText(FromCore(NormalizePattern(ToCore(patternEdit_->text()))));
    FillFiles();
}

void TFileExtSel::ShowSelection(QListWidgetItem* item) {
    if (item == nullptr) return;
    setWindowTitle(item->data(kDescriptionRole).toString().trimmed());
    fileLabel_->setText(FromCore(program_.GetMessage(kMsgFile)) + QStringLiteral(": ") +
                        item->data(kPathRole).toString());
}

void TFileExtSel::Choose() {
    QListWidgetItem* item = fileList_->currentItem();
    if (item == nullptr || !chooseBut_->isEnabled()) return;
    result_.directory = PathToCore(WithSlash(Directory()));
    result_.fileName = PathToCore(item->data(kPathRole).toString());
    result_.description = Trim(ToCore(item->data(kDescriptionRole).toString()));
    recent_.Add(PathToCore(Directory()));
    accept();
}

void TFileExtSel::done(int result) {
    if (result != QDialog::Accepted) result_ = {};
    if (!request_.rememberFile.empty()) {
        // A remember file that cannot be written only costs the list.
        (void)recent_.Write(request_.rememberFile);
    }
    QDialog::done(result);
}

}  // namespace kvx
