#pragma once

#include <QColor>
#include <QString>
#include <string>
#include <string_view>

#include "core/draw/canvas.hpp"

namespace kvx {

// The core keeps text as Windows-1252 bytes and colours as 0x00BBGGRR. These
// are the only places where either crosses into Qt.

/// Core text (Windows-1252) as a QString.
QString FromCore(std::string_view text);
/// A QString as core text; characters Windows-1252 cannot hold become "?".
std::string ToCore(const QString& text);
/// The characters of text that core text cannot hold, each once (empty when
/// ToCore keeps all of it).
QString CharactersCoreCannotKeep(const QString& text);

/// A path the core hands to the file system as it is (the file system's own
/// bytes), shown in Qt.
QString PathFromCore(std::string_view path);
/// A path from Qt in the bytes the file system knows it by.
std::string PathToCore(const QString& path);

/// A Windows colour value as an opaque QColor.
QColor ToQColor(Colour colour);
/// The Windows colour value of a QColor (alpha dropped).
Colour FromQColor(const QColor& colour);

}  // namespace kvx
