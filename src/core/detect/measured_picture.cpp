#include "core/detect/measured_picture.hpp"

#include "core/picture/picture.hpp"
#include "core/picture/picture_loader.hpp"
#include "core/program/program.hpp"
#include "core/support/text_file.hpp"

namespace kvx {

std::shared_ptr<const Picture> PictureInOwnValues(const Program& program, const std::string& path,
                                                  const std::shared_ptr<const Picture>& shown) {
    if (!shown) return nullptr;
    if (!shown->Reduced() && (!shown->sixteenBit || !shown->samplesHigh.Empty())) return shown;
    const int64_t bytes = FileSize(path);
    PictureRequest request =
        MakePictureRequest(program, path, bytes < 0 ? 0 : bytes >> 20, /*wantedSide=*/0);
    request.options.keepSixteenBits = true;
    auto full = std::make_shared<Picture>();
    if (ReadPicture(request, *full) != DecodeStatus::Ok) return nullptr;
    if (full->Reduced() || full->Width() != shown->Width() || full->Height() != shown->Height() ||
        full->orientation != shown->orientation) {
        return nullptr;
    }
    return full;
}

}  // namespace kvx
