#include "gui/dialogs/dialog_util.hpp"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

#include "gui/support/core_text.hpp"

namespace kvx {

QRect ScreenGeometry(const QWidget* widget) {
    const QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
}

void SetSystemMenuOnly(QWidget& widget) {
    widget.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

void CentreOnScreen(QWidget& widget) {
    const QRect screen = ScreenGeometry(&widget);
    widget.move(screen.left() + (screen.width() - widget.width()) / 2,
                screen.top() + (screen.height() - widget.height()) / 2);
}

bool RefuseTextTheFileCannotKeep(QWidget& parent, const QString& text, const QString& caption,
                                 const QString& message) {
    if (message.isEmpty()) return false;
    const QString missing = CharactersCoreCannotKeep(text);
    if (missing.isEmpty()) return false;
    QMessageBox box(QMessageBox::Warning, caption, message + missing, QMessageBox::Ok, &parent);
    box.setObjectName(QStringLiteral("UnkeptCharacters"));
    box.exec();
    return true;
}

}  // namespace kvx
