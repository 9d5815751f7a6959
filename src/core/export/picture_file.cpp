#include "core/export/picture_file.hpp"

#include "core/support/file_names.hpp"
#include "core/support/file_replacement.hpp"

namespace kvx {

std::string ForcePictureExtension(std::string_view path, std::string_view extension) {
    return ForceExtension(path, extension);
}

ErrorCode WritePictureFile(const std::string& path, const std::vector<uint8_t>& bytes,
                           ErrorCode createCode, ErrorCode writeCode) {
    FileReplacement file;
    if (file.Begin(path) != kOk) return createCode;
    const std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!file.File().Write(content)) {
        const int32_t reason = LastIoResult();
        file.Discard();
        SetLastIoResult(reason);
        return writeCode;
    }
    return file.Commit() == kOk ? kOk : writeCode;
}

}  // namespace kvx
