#include "core/picture/picture_rows.hpp"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace kvx {
namespace {

constexpr uint32_t kSide = PictureTiles::kTileSide;
constexpr uint64_t kTileBytes = uint64_t{kSide} * kSide * 3;
/// Room left on the disk beside the tiles, for everything else.
constexpr uint64_t kDiskMargin = uint64_t{64} << 20;

/// All of bytes through a call of pread or pwrite, however many it takes.
template <class Data, class Call>
bool Whole(Call call, int handle, Data* data, std::size_t bytes, off_t at) {
    while (bytes > 0) {
        const ssize_t n = call(handle, data, bytes, at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        bytes -= static_cast<std::size_t>(n);
        at += n;
    }
    return true;
}

bool WriteAll(int handle, const uint8_t* data, std::size_t bytes, off_t at) {
    return Whole(pwrite, handle, data, bytes, at);
}

bool ReadAll(int handle, uint8_t* data, std::size_t bytes, off_t at) {
    return Whole(pread, handle, data, bytes, at);
}

/// The tiles a TileFileWriter wrote, read back as the picture is shown.
class TileFileSource final : public PictureRegionSource {
public:
    TileFileSource(int handle, uint32_t width, uint32_t height, int32_t orientation)
        : handle_(handle),
          width_(width),
          height_(height),
          orientation_(orientation),
          across_(ReducedSide(width, kSide)) {}
    ~TileFileSource() override { close(handle_); }
    TileFileSource(const TileFileSource&) = delete;
    TileFileSource& operator=(const TileFileSource&) = delete;

    bool Read(const PixelRect& shown, PixelImage& out) override {
        const PixelRect stored = StoredRectOf(shown, static_cast<int32_t>(width_),
                                              static_cast<int32_t>(height_), orientation_);
        PixelImage window;
        if (!window.Allocate(stored.width, stored.height) ||
            !out.Allocate(shown.width, shown.height)) {
            return false;
        }
        tile_.resize(static_cast<std::size_t>(kTileBytes));
        const auto first = static_cast<uint32_t>(stored.left) / kSide;
        const auto last = static_cast<uint32_t>(stored.Right() - 1) / kSide;
        for (auto ty = static_cast<uint32_t>(stored.top) / kSide;
             ty * kSide < static_cast<uint32_t>(stored.Bottom()); ++ty) {
            for (uint32_t tx = first; tx <= last; ++tx) {
                const off_t at = static_cast<off_t>((uint64_t{ty} * across_ + tx) * kTileBytes);
                if (!ReadAll(handle_, tile_.data(), tile_.size(), at)) return false;
                const int32_t x0 = std::max<int32_t>(stored.left, static_cast<int32_t>(tx * kSide));
                const int32_t x1 =
                    std::min<int32_t>(stored.Right(), static_cast<int32_t>((tx + 1) * kSide));
                const int32_t y0 = std::max<int32_t>(stored.top, static_cast<int32_t>(ty * kSide));
                const int32_t y1 =
                    std::min<int32_t>(stored.Bottom(), static_cast<int32_t>((ty + 1) * kSide));
                for (int32_t y = y0; y < y1; ++y) {
                    const std::size_t from =
                        (static_cast<std::size_t>(y - static_cast<int32_t>(ty * kSide)) * kSide +
                         static_cast<std::size_t>(x0 - static_cast<int32_t>(tx * kSide))) *
                        3;
                    std::memcpy(
                        window.Row(y - stored.top) + static_cast<std::size_t>(x0 - stored.left) * 3,
                        tile_.data() + from, static_cast<std::size_t>(x1 - x0) * 3);
                }
            }
        }
        TurnedSink sink(out, static_cast<uint32_t>(stored.width),
                        static_cast<uint32_t>(stored.height), orientation_);
        for (int32_t y = 0; y < stored.height; ++y)
            sink.Put(static_cast<uint32_t>(y), window.Row(y));
        return true;
    }

    PixelRect NaturalBlock() const override {
        return {0, 0, static_cast<int32_t>(kSide), static_cast<int32_t>(kSide)};
    }

private:
    int handle_;
    uint32_t width_;
    uint32_t height_;
    int32_t orientation_;
    uint32_t across_;
    std::vector<uint8_t> tile_;
};

}  // namespace

uint64_t TileFileWriter::FileBytes(uint32_t width, uint32_t height) {
    return uint64_t{ReducedSide(width, kSide)} * ReducedSide(height, kSide) * kTileBytes;
}

std::unique_ptr<TileFileWriter> TileFileWriter::Create(const std::string& folder, uint32_t width,
                                                       uint32_t height, int32_t orientation,
                                                       DecodeStatus& status) {
    status = DecodeStatus::Ok;
    struct statvfs disk {};
    if (statvfs(folder.c_str(), &disk) != 0) {
        status = DecodeStatus::Unreadable;
        return nullptr;
    }
    const uint64_t free = uint64_t{disk.f_bavail} * disk.f_frsize;
    if (free < FileBytes(width, height) + kDiskMargin) {
        status = DecodeStatus::DiskFull;
        return nullptr;
    }
    std::string name = folder + "/korvanix-tiles-XXXXXX";
    const int handle = mkostemp(name.data(), O_CLOEXEC);
    if (handle < 0) {
        status = DecodeStatus::Unreadable;
        return nullptr;
    }
    // Nameless from the start: nothing is left behind, however the program ends.
    unlink(name.c_str());
    std::unique_ptr<TileFileWriter> writer(new (std::nothrow)
                                               TileFileWriter(handle, width, height, orientation));
    if (!writer || writer->band_.empty()) {
        if (!writer) close(handle);
        status = DecodeStatus::OutOfMemory;
        return nullptr;
    }
    return writer;
}

TileFileWriter::TileFileWriter(int handle, uint32_t width, uint32_t height, int32_t orientation)
    : handle_(handle),
      width_(width),
      height_(height),
      orientation_(orientation),
      across_(ReducedSide(width, kSide)) {
    try {
        band_.assign(static_cast<std::size_t>(uint64_t{across_} * kTileBytes), 0);
    } catch (const std::bad_alloc&) {
        band_.clear();
    }
}

TileFileWriter::~TileFileWriter() {
    if (handle_ >= 0) close(handle_);
}

void TileFileWriter::Put(uint32_t y, const uint8_t* rgb) {
    while (y >= bandTop_ + kSide) WriteBand();
    const uint32_t r = y - bandTop_;
    for (uint32_t tx = 0; tx < across_; ++tx) {
        const uint32_t columns = std::min(kSide, width_ - tx * kSide);
        std::memcpy(
            band_.data() + static_cast<std::size_t>(tx * kTileBytes) + std::size_t{r} * kSide * 3,
            rgb + std::size_t{tx} * kSide * 3, std::size_t{columns} * 3);
    }
}

void TileFileWriter::WriteBand() {
    const off_t at = static_cast<off_t>(uint64_t{bandTop_ / kSide} * across_ * kTileBytes);
    if (!failed_ && !WriteAll(handle_, band_.data(), band_.size(), at)) failed_ = true;
    std::fill(band_.begin(), band_.end(), uint8_t{0});
    bandTop_ += kSide;
}

bool TileFileWriter::Finish() {
    while (bandTop_ < height_) WriteBand();
    return !failed_;
}

std::unique_ptr<PictureRegionSource> TileFileWriter::Source() {
    if (failed_ || handle_ < 0) return nullptr;
    auto source = std::make_unique<TileFileSource>(handle_, width_, height_, orientation_);
    handle_ = -1;
    return source;
}

}  // namespace kvx
