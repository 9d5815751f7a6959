#include "gui/main/qt_user_interface.hpp"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QStyle>
#include <QTimer>

#include "core/program/program.hpp"
#include "gui/dialogs/error_mes.hpp"
#include "gui/dialogs/file_ext_sel.hpp"
#include "gui/dialogs/prg_dlg.hpp"
#include "gui/dialogs/screen_msg.hpp"
#include "gui/dialogs/select_path.hpp"
#include "gui/measure/properties_dialog.hpp"
#include "gui/measure/vec_name_dialog.hpp"
#include "gui/options/options_dialog.hpp"
#include "gui/options/type_editor_dialog.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kMsgClose = 170;
constexpr int kMsgCancel = 179;
constexpr int kMsgUnkeptCharacters = 2167;
constexpr int kMsgCopy = 746;

// "Projects |*.KXP" as a Qt name filter. File names written on Windows may
// come in either case, so both spellings of each pattern are offered.
QString NameFilter(std::string_view filter) {
    const QString text = FromCore(filter);
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    if (bar < 0) return text;
    const QString description = text.left(bar).trimmed();
    QStringList patterns;
    for (const QString& pattern : text.mid(bar + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = pattern.trimmed();
        for (const QString& spelling : {trimmed, trimmed.toLower(), trimmed.toUpper()}) {
            if (!patterns.contains(spelling)) patterns.append(spelling);
        }
    }
    return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

}  // namespace

QWidget* QtUserInterface::Owner() const {
    if (owner_) return owner_;
    return QApplication::activeWindow();
}

QString QtUserInterface::Message(int number) const {
    return program_ != nullptr ? FromCore(program_->GetMessage(number)) : QString();
}

int QtUserInterface::MessageBox(std::string_view title, std::string_view text,
                                MessageButtons buttons) {
    QMessageBox box(QMessageBox::NoIcon, FromCore(title), FromCore(text), QMessageBox::NoButton,
                    Owner());
    switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MessageButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    switch (clicked != nullptr ? box.standardButton(clicked) : QMessageBox::NoButton) {
        case QMessageBox::Ok:
            return kAnswerOk;
        case QMessageBox::Yes:
            return kAnswerYes;
        case QMessageBox::No:
            return kAnswerNo;
        case QMessageBox::Cancel:
            return kAnswerCancel;
        default:
            // Closed without a button: the answer a Windows box gives then.
            if (buttons == MessageButtons::Ok) return kAnswerOk;
            if (buttons == MessageButtons::YesNo) return kAnswerNo;
            return kAnswerCancel;
    }
}

void QtUserInterface::ShowErrorDialog(ErrorDialogRequest& request) {
    TErrorMes dialog(request, Owner());
    dialog.exec();
}

void QtUserInterface::BusyCursor(bool on) {
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++busyDepth_;
    } else if (busyDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --busyDepth_;
    }
}

bool QtUserInterface::InputText(const InputTextRequest& request, std::string& answer) {
    TPrgDlg dialog(request, Message(kMsgCancel), Owner());
    dialog.RefuseUnkeptCharacters(Message(kMsgUnkeptCharacters));
    dialog.exec();
    switch (dialog.Result()) {
        case TPrgDlg::Outcome::Confirmed:
            answer = dialog.Answer();
            return true;
        case TPrgDlg::Outcome::Cancelled:
            answer.clear();
            return false;
        case TPrgDlg::Outcome::Closed:
            break;
    }
    return false;
}

SelectFileResult QtUserInterface::SelectFile(const SelectFileRequest& request) {
    if (program_ == nullptr) return {};
    TFileExtSel dialog(*program_, request, Owner());
    dialog.exec();
    return dialog.Result();
}

namespace {

void WidenHeadings(QFileDialog& dialog) {
    for (QHeaderView* header : dialog.findChildren<QHeaderView*>()) {
        const QAbstractItemModel* model = header->model();
        if (model == nullptr || header->orientation() != Qt::Horizontal) continue;
        const QFontMetrics metrics(header->font());
        for (int i = 0; i < header->count(); ++i) {
            const QString heading = model->headerData(i, Qt::Horizontal).toString();
            // Room for the sort mark and the section's margins as well.
            const int needed = metrics.horizontalAdvance(heading) +
                               header->style()->pixelMetric(QStyle::PM_HeaderMargin) * 2 +
                               header->style()->pixelMetric(QStyle::PM_HeaderMarkSize) + 8;
            if (header->sectionSize(i) < needed) header->resizeSection(i, needed);
        }
    }
}

}  // namespace

std::string QtUserInterface::SaveFileName(const SaveFileRequest& request) {
    QFileDialog dialog(Owner());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontResolveSymlinks);
    if (!request.title.empty()) dialog.setWindowTitle(FromCore(request.title));
    if (!request.filter.empty()) dialog.setNameFilter(NameFilter(request.filter));
    if (!request.defaultExtension.empty()) {
        dialog.setDefaultSuffix(FromCore(request.defaultExtension));
    }
    const QString start = PathFromCore(request.startDirectory);
    dialog.setDirectory(!start.isEmpty() && QFileInfo(start).isDir() ? start : QDir::homePath());
    if (!request.fileName.empty()) dialog.selectFile(PathFromCore(request.fileName));
    // Qt sizes the columns of its own dialog for English headings; longer
    // ones (Spanish "Última modificación") are cut unless widened.
    QTimer::singleShot(0, &dialog, [&dialog] { WidenHeadings(dialog); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return PathToCore(dialog.selectedFiles().constFirst());
}

std::string QtUserInterface::PickDirectory(bool showDrives, std::string_view startDirectory) {
    // Where the start folder does not exist the list opens in the home folder.
    QString start = PathFromCore(startDirectory);
    if (start.isEmpty() || !QFileInfo(start).isDir()) start = QDir::homePath();
    if (!QFileInfo(start).isDir()) return {};
    TSelectPath dialog(start, showDrives, Message(kMsgCancel), Owner());
    dialog.exec();
    return PathToCore(dialog.Result());
}

void QtUserInterface::ShowScreenReport(std::string_view caption,
                                       const std::vector<std::string>& lines) {
    TScreenMsg dialog(FromCore(caption), lines, Message(kMsgClose), Message(kMsgCopy), Owner());
    dialog.exec();
}

ObjectDialogAnswer QtUserInterface::ObjectDialog(const ObjectDialogRequest& request) {
    if (program_ == nullptr) return {};
    TVecName dialog(*program_, request, Owner());
    dialog.exec();
    return dialog.Answer();
}

bool QtUserInterface::PropertiesDialog(PropertiesDialogModel& model) {
    if (program_ == nullptr) return false;
    TPEProperties dialog(*program_, model, Owner());
    return dialog.exec() == QDialog::Accepted;
}

bool QtUserInterface::TypeEditor(TypeEditorModel& model) {
    if (!program_) return false;
    TFMP_TYPE dialog(*program_, model, Owner());
    return dialog.exec() == QDialog::Accepted;
}

bool QtUserInterface::OptionsDialog(OptionsModel& model) {
    if (!program_) return false;
    TMesOptions dialog(*program_, model, Owner());
    dialog.exec();
    return dialog.Applied();
}

void QtUserInterface::SizingCursor(bool on) {
    if (on == sizing_) return;
    sizing_ = on;
    if (on) {
        QApplication::setOverrideCursor(Qt::SizeAllCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace kvx
