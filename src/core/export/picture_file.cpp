#include "core/export/picture_file.hpp"

#include <cctype>
#include <cerrno>
#include <cstdio>

#include "core/support/file_names.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

std::string ForcePictureExtension(std::string_view path, std::string_view extension) {
    const std::string name = ExtractFileName(path);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos && name.size() - dot - 1 == extension.size()) {
        bool same = true;
        for (std::size_t i = 0; i < extension.size(); ++i) {
            same = same && std::toupper(static_cast<unsigned char>(name[dot + 1 + i])) ==
                               std::toupper(static_cast<unsigned char>(extension[i]));
        }
        if (same) return std::string(path);
    }
    return ChangeFileExt(path, extension);
}

ErrorCode WritePictureFile(const std::string& path, const std::vector<uint8_t>& bytes,
                           ErrorCode createCode, ErrorCode writeCode) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        SetLastIoResult(errno);
        return createCode;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int reason = ok ? 0 : errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        reason = errno;
    }
    if (!ok) {
        std::remove(path.c_str());
        SetLastIoResult(reason);
        return writeCode;
    }
    SetLastIoResult(0);
    return kOk;
}

}  // namespace kvx
