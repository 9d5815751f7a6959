#include "gui/dialogs/directory_list.hpp"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStorageInfo>

namespace kvx {

namespace {

constexpr int kPathRole = Qt::UserRole;

QString Indented(int depth, const QString& name) {
    return QString(depth * 2, QLatin1Char(' ')) + name;
}

}  // namespace

DirectoryList::DirectoryList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { SetDirectory(item->data(kPathRole).toString()); });
}

void DirectoryList::keyPressEvent(QKeyEvent* event) {
    QListWidget::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) event->accept();
}

bool DirectoryList::SetDirectory(const QString& path) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    if (!info.isDir() || !info.isExecutable() || !info.isReadable()) return false;
    directory_ = QDir::cleanPath(info.absoluteFilePath());

    {
        // Rebuilding the list is not a selection by the user.
        const QSignalBlocker quiet(this);
        Rebuild();
    }
    emit DirectoryChanged(directory_);
    return true;
}

void DirectoryList::Rebuild() {
    clear();
    QStringList chain;
    for (QDir dir(directory_);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp()) break;
    }
    int depth = 0;
    for (const QString& step : chain) {
        const QDir dir(step);
        auto* item =
            new QListWidgetItem(Indented(depth++, dir.isRoot() ? step : dir.dirName()), this);
        item->setData(kPathRole, step);
    }
    setCurrentRow(count() - 1);
    const QDir open(directory_);
    const QStringList children =
        open.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children) {
        auto* item = new QListWidgetItem(Indented(depth, child), this);
        item->setData(kPathRole, open.filePath(child));
    }
}

QString DirectoryList::SelectedDirectory() const {
    const QListWidgetItem* item = currentItem();
    return item != nullptr ? item->data(kPathRole).toString() : directory_;
}

void FillVolumeList(QComboBox& combo) {
    combo.clear();
    QStringList roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) continue;
        const QString root = volume.rootPath();
        if (roots.contains(root)) continue;
        roots.append(root);
        const QString name = volume.displayName();
        combo.addItem(name == root ? root : name + QStringLiteral("  (") + root + QLatin1Char(')'),
                      root);
    }
    combo.setVisible(combo.count() > 1);
}

void SelectVolumeOf(QComboBox& combo, const QString& directory) {
    const int index = combo.findData(QStorageInfo(directory).rootPath());
    if (index >= 0) combo.setCurrentIndex(index);
}

}  // namespace kvx
