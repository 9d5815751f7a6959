#include "gui/support/core_text.hpp"

#include <QFile>

#include "core/support/charset.hpp"

namespace kvx {

QString FromCore(std::string_view text) {
    const std::string utf8 = Cp1252ToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToCore(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToCp1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString CharactersCoreCannotKeep(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const std::string missing =
        Utf8NotInCp1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    return QString::fromUtf8(missing.data(), static_cast<qsizetype>(missing.size()));
}

QString PathFromCore(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string PathToCore(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QColor ToQColor(Colour colour) {
    const auto value = static_cast<uint32_t>(colour);
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}

Colour FromQColor(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return static_cast<Colour>(static_cast<uint32_t>(rgb.red()) |
                               (static_cast<uint32_t>(rgb.green()) << 8) |
                               (static_cast<uint32_t>(rgb.blue()) << 16));
}

}  // namespace kvx
