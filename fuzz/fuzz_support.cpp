#include "fuzz_support.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace kvx::fuzz {

namespace {

class Folder {
public:
    Folder() {
        path_ =
            (std::filesystem::temp_directory_path() / ("kvx-fuzz-" + std::to_string(::getpid())))
                .string();
        std::filesystem::create_directories(path_);
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

const std::string& WorkDir() {
    static const Folder folder;
    return folder.Path();
}

std::string WriteInput(std::string_view name, const uint8_t* data, std::size_t size) {
    std::string path = WorkDir() + "/" + std::string(name);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    return path;
}

int FuzzDecoder(PictureFormat format, const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    PictureLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = 1 << 22;
    DecodeOptions options;
    options.background = data[0] * 0x010203u & 0xFFFFFF;
    Picture picture;
    const DecodeStatus status = DecodePicture(data + 1, size - 1, format, options, limits, picture);
    if (!PictureDecoded(status)) {
        if (!picture.pixels.Empty() || !picture.reduced.empty()) std::abort();
        return 0;
    }
    if (!limits.Accepts(picture.Width(), picture.Height()) || picture.Reduced() ||
        picture.pixels.Width() != picture.Width() || picture.pixels.Height() != picture.Height()) {
        std::abort();
    }
    return 0;
}

}  // namespace kvx::fuzz
