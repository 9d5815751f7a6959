#pragma once

// What the window and dialog tests share: finding controls by their designed
// names and answering the modal dialogs a command opens.
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>

#include "gui/main/main_window.hpp"

namespace kvx::test {

template <class W>
W* Find(QWidget& parent, const char* name) {
    return parent.findChild<W*>(QLatin1String(name));
}

// Runs action on the modal dialog as soon as it is shown. A dialog the
// action left open (a failed check returns early) is closed, so that a
// failure cannot hang the test.
inline void WhenModal(std::function<void(QWidget&)> action) {
    QTimer::singleShot(0, [action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        action(*modal);
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            if (dialog == modal) dialog->reject();
        }
    });
}

// Answers the modal dialogs that come up, one action per dialog, in order.
// A dialog an action leaves open is rejected so that no test can hang.
class ModalScript : public QObject {
public:
    explicit ModalScript(std::deque<std::function<void(QWidget&)>> actions)
        : actions_(std::move(actions)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_.start();
    }
    bool Done() const { return actions_.empty(); }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == last_ || actions_.empty()) return;
        last_ = modal;
        auto action = std::move(actions_.front());
        actions_.pop_front();
        action(*modal);
        if (QApplication::activeModalWidget() == modal) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
        }
    }

    std::deque<std::function<void(QWidget&)>> actions_;
    QPointer<QWidget> last_;
    QTimer timer_;
};

// A click where a person clicks a check box: on its box, not in the middle
// of its (wide) label.
inline void ClickCheckBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// Replaces the text of a dialog's line edit as typed, then presses Enter.
inline void TypeInto(QWidget& dialog, const char* edit, const QString& text) {
    auto* line = Find<QLineEdit>(dialog, edit);
    QVERIFY(line != nullptr);
    line->selectAll();
    QTest::keyClicks(line, text);
    QTest::keyClick(line, Qt::Key_Return);
}

// The save dialog confirmed with a file name.
inline void SaveAs(QWidget& dialog, const QString& path) {
    auto* files = qobject_cast<QFileDialog*>(&dialog);
    QVERIFY(files != nullptr);
    // Typed into the name field as a person would: selectFile() races with
    // the dialog's own file-system model, which may still be filling in the
    // suggested name when the script runs.
    auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name != nullptr);
    name->setText(path);
    static_cast<QDialog*>(files)->accept();
}

// A message box answered with one of its buttons.
inline void Answer(QWidget& box, QMessageBox::StandardButton button) {
    auto* message = qobject_cast<QMessageBox*>(&box);
    QVERIFY(message != nullptr);
    QTest::mouseClick(message->button(button), Qt::LeftButton);
}

// Points the program's configuration and documents folders into base, as
// a first start on a fresh account would find them.
struct UserFolders {
    QString config;
    QString documents;
};
inline UserFolders FreshUserFolders(const QString& base) {
    UserFolders folders{base + QStringLiteral("/config"), base + QStringLiteral("/documents")};
    QDir().mkpath(folders.config);
    QDir().mkpath(folders.documents);
    QFile dirs(folders.config + QStringLiteral("/user-dirs.dirs"));
    if (dirs.open(QIODevice::WriteOnly)) {
        dirs.write("XDG_DOCUMENTS_DIR=\"" + folders.documents.toUtf8() + "\"\n");
    }
    qputenv("XDG_CONFIG_HOME", folders.config.toUtf8());
    return folders;
}

// A 400 × 300 JPEG of one colour at path; empty when it could not be saved.
inline QString SaveTestJpeg(const QString& path) {
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(QColor(200, 180, 160));
    return image.save(path, "JPG") ? path : QString();
}

// The real window on the shipped data, shown and active. An image named as
// the file starts a project on it: its resolution is answered with 1200 dpi.
inline std::unique_ptr<MainWindow> StartWindow(const QString& file) {
    ModalScript resolution({[](QWidget& dialog) {
        QCOMPARE(dialog.objectName(), QStringLiteral("TPrgDlg"));
        TypeInto(dialog, "Edit", QStringLiteral("1200"));
    }});
    auto window = std::make_unique<MainWindow>(file, QStringLiteral(KVX_DATA_DIR));
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get())) window->setFocus();
    return window;
}

}  // namespace kvx::test
