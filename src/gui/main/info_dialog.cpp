#include "gui/main/info_dialog.hpp"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/program/program.hpp"
#include "core/program/startup.hpp"
#include "gui/main/toolbar_icons.hpp"
#include "gui/support/core_text.hpp"

namespace kvx {

namespace {

constexpr int kMsgDescription = 2299;
constexpr int kMsgClose = 170;

}  // namespace

InfoDialog::InfoDialog(const Program& program, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TKvxMesInfo"));
    setWindowTitle(FromCore(kApplicationTitle));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(MakeToolbarPixmap(ToolbarIcon::Measure, 64));

    const ProgramVersion& v = program.version;
    auto* name = new QLabel(this);
    name->setObjectName(QStringLiteral("LbName"));
    name->setText(QStringLiteral("<b>%1</b>").arg(FromCore(kApplicationTitle).toHtmlEscaped()));
    auto* version = new QLabel(this);
    version->setObjectName(QStringLiteral("LbVersion"));
    version->setText(
        QStringLiteral("%1.%2.%3.%4").arg(v.major).arg(v.minor).arg(v.release).arg(v.build));
    auto* description = new QLabel(FromCore(program.GetMessage(kMsgDescription)), this);
    description->setObjectName(QStringLiteral("LbDescription"));
    description->setWordWrap(true);
    description->setMinimumWidth(320);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(FromCore(program.GetMessage(kMsgClose)));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(version);
    text->addSpacing(8);
    text->addWidget(description);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

}  // namespace kvx
