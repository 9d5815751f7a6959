#include "core/export/picture_file.hpp"

#include <cerrno>
#include <cstdio>

#include "core/support/file_names.hpp"
#include "core/support/strings.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

std::string ForcePictureExtension(std::string_view path, std::string_view extension) {
    const std::string name = ExtractFileName(path);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos &&
        EqualsIgnoringCase(std::string_view(name).substr(dot + 1), extension)) {
        return std::string(path);
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
