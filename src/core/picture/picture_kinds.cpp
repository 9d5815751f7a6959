#include "core/picture/picture_kinds.hpp"

#include <string>

#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"

namespace kvx {

const PictureKind* PictureKindOf(std::string_view path) {
    const std::string name = ExtractFileName(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) return nullptr;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension) c = LowerAscii(c);
    for (const PictureKind& kind : kPictureKinds) {
        for (const std::string_view known : kind.extensions) {
            if (extension == known) return &kind;
        }
    }
    return nullptr;
}

const PictureKind* PictureKindOf(PictureFormat format) {
    for (const PictureKind& kind : kPictureKinds) {
        if (kind.format == format) return &kind;
    }
    return nullptr;
}

PictureFormat PictureFormatOf(std::string_view path) {
    const PictureKind* kind = PictureKindOf(path);
    return kind != nullptr ? kind->format : PictureFormat::kUnknown;
}

}  // namespace kvx
