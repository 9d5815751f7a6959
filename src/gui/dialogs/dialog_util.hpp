#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

namespace kvx {

// Small helpers shared by the dialogs.

/// A child widget with its designed object name.
template <class W>
W* MakeChild(QWidget* parent, const char* objectName) {
    W* widget = new W(parent);
    widget->setObjectName(QLatin1String(objectName));
    return widget;
}

/// The available screen the dialog opens on (the primary screen when it has
/// no window yet).
QRect ScreenGeometry(const QWidget* widget);

/// A border with the close box only: no minimise, maximise or help button.
void SetSystemMenuOnly(QWidget& widget);

/// widget centred on the screen.
void CentreOnScreen(QWidget& widget);

/// Text typed for a file that cannot hold all its characters would be kept
/// with "?" in their place. When text has such characters, tells the person
/// which (message, then the characters) and returns true: the typing is to
/// be refused. An empty message refuses nothing.
bool RefuseTextTheFileCannotKeep(QWidget& parent, const QString& text, const QString& caption,
                                 const QString& message);

}  // namespace kvx
