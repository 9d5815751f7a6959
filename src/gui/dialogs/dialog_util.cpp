#include "gui/dialogs/dialog_util.hpp"

#include <QGuiApplication>
#include <QScreen>

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

}  // namespace kvx
