#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kvx {

class PictureTiles;

/// RGB rows owned elsewhere: 3 bytes per pixel (red, green, blue), rows top
/// down, `stride` bytes from one row to the next.
struct RgbView {
    const uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    std::size_t stride = 0;

    const uint8_t* Row(int32_t y) const { return data + static_cast<std::size_t>(y) * stride; }
    bool Empty() const { return data == nullptr || width <= 0 || height <= 0; }
};

/// A rectangle of picture pixels: columns left .. left + width - 1, rows
/// top .. top + height - 1.
struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;

    int32_t Right() const { return left + width; }
    int32_t Bottom() const { return top + height; }
    bool Empty() const { return width <= 0 || height <= 0; }
    bool operator==(const PixelRect&) const = default;
};

/// An owned RGB image, 3 bytes per pixel, rows top down without padding.
class PixelImage {
public:
    PixelImage() = default;
    PixelImage(PixelImage&&) noexcept = default;
    PixelImage& operator=(PixelImage&&) noexcept = default;
    PixelImage(const PixelImage&) = delete;
    PixelImage& operator=(const PixelImage&) = delete;

    /// Makes room for width x height pixels, leaving them uninitialised (a
    /// large image is written row by row by its decoder anyway). False, and
    /// empty, when a size is not positive or memory is short.
    [[nodiscard]] bool Allocate(int32_t width, int32_t height);
    /// Like Allocate, with every pixel black. A large image gets memory the
    /// system hands over zeroed, which costs nothing until a row is written:
    /// a picture whose file describes only a few rows stays cheap.
    [[nodiscard]] bool AllocateBlack(int32_t width, int32_t height);
    void Clear();

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    std::size_t Stride() const { return static_cast<std::size_t>(width_) * 3; }
    bool Empty() const { return pixels_ == nullptr; }

    uint8_t* Row(int32_t y) { return pixels_.get() + static_cast<std::size_t>(y) * Stride(); }
    const uint8_t* Row(int32_t y) const {
        return pixels_.get() + static_cast<std::size_t>(y) * Stride();
    }
    RgbView View() const { return {pixels_.get(), width_, height_, Stride()}; }

private:
    /// Frees memory the way Allocate got it.
    struct Release {
        Release() noexcept : mappedBytes(0) {}
        explicit Release(std::size_t bytes) noexcept : mappedBytes(bytes) {}
        void operator()(uint8_t* p) const;
        std::size_t mappedBytes;  ///< 0: from new[]
    };
    std::unique_ptr<uint8_t[], Release> pixels_;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

/// Half the size in each direction (odd sizes round up), every pixel the
/// mean of the 2 x 2 block it stands for. False when memory is short.
[[nodiscard]] bool ReduceByHalf(const PixelImage& source, PixelImage& target);

/// A quarter of the size in each direction (sizes round up), every pixel the
/// mean of the 4 x 4 block it stands for (of the pixels there are at the
/// right and bottom edges). False when memory is short.
[[nodiscard]] bool ReduceByQuarter(const PixelImage& source, PixelImage& target);

/// Outcome of decoding one image file.
enum class DecodeStatus {
    Ok,
    Damaged,      ///< decoded, but parts of the image are missing or wrong
    Unsupported,  ///< a kind or variant of file this program does not read
    Corrupt,      ///< the data contradict themselves
    Truncated,    ///< the data end before the image does, or hold far less than it claims
    TooLarge,     ///< the dimensions exceed the limits
    OutOfMemory,
    NotFound,    ///< no file of that name
    Unreadable,  ///< the file exists but cannot be opened or read
    Cancelled,   ///< given up on request before it was done
    DiskFull,    ///< the free disk cannot hold what the picture needs kept there
};

/// True when the status leaves a picture to show: whole, or damaged.
constexpr bool PictureDecoded(DecodeStatus status) {
    return status == DecodeStatus::Ok || status == DecodeStatus::Damaged;
}

/// Sizes a decoder accepts before it allocates anything. The limit is the
/// memory the pixels take (about 1.5 GB at the default), not the length of a
/// side: a long narrow strip is as welcome as a square. A picture read from
/// its file part by part (see Picture::tiles) is bounded by maxSide alone,
/// since only its first view is held whole. Whether the image fits the world
/// at its resolution is judged where it is shown. Fuzzing uses far smaller
/// limits.
struct PictureLimits {
    int32_t maxSide = 2147483647;
    int64_t maxPixels = 500'000'000;

    bool Accepts(int64_t width, int64_t height) const {
        return width >= 1 && height >= 1 && width <= maxSide && height <= maxSide &&
               width * height <= maxPixels;
    }
};

/// Where a decoder reads a file's bytes from: memory, or an open file that is
/// read as decoding goes on, so that a large file never has to be held whole
/// beside its picture. `size` is the number of bytes in either case.
struct PictureSource {
    const uint8_t* data = nullptr;
    std::FILE* file = nullptr;
    std::size_t size = 0;

    static PictureSource Memory(const uint8_t* bytes, std::size_t count) {
        return {bytes, nullptr, count};
    }
};

/// How a picture is to be decoded.
struct DecodeOptions {
    /// The number of pixels the larger side of the decoded picture must
    /// have at least; 0 asks for the full resolution. A decoder that can
    /// reduce while it decodes (JPEG, by 2, 4 or 8; TIFF from a reduced
    /// page it holds) decodes no more than that; the others always decode
    /// in full.
    int64_t wantedSide = 0;
    /// The colour transparent parts of a picture are laid on, a Windows
    /// colour value (0x00BBGGRR).
    uint32_t background = 0xFFFFFF;
    /// Checked now and then; once set the decode ends as Cancelled.
    const std::atomic<bool>* cancel = nullptr;
    /// A picture of 16 bits per channel also keeps its samples as they are
    /// (Picture::samplesHigh and samplesLow), for work on its own values.
    bool keepSixteenBits = false;
    /// The bytes the tiles of a picture read part by part may take (see
    /// Picture::tiles); 0: PictureTiles::kDefaultBudget.
    std::size_t tileBudget = 0;
    /// Where a picture too large to be held whole, whose file cannot be read
    /// in parts (a JPEG), may keep its full resolution in a temporary file
    /// of tiles when it is decoded in full; empty: such a picture is refused.
    /// A caller that sets it takes a picture decoded in full whose `pixels`
    /// hold only a first view and whose full resolution is in its tiles
    /// (a TIFF is then read from its file part by part).
    std::string tileFolder;

    bool Cancelled() const { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }
};

/// Whether the sides of a picture change places when it is turned as the
/// EXIF orientation (1 .. 8, as a camera or scanner records it) says.
constexpr bool OrientationSwapsSides(int32_t orientation) {
    return orientation >= 5 && orientation <= 8;
}

/// A decoded project image, turned as its file says it is to be shown.
/// Positions and sizes always come from the full resolution (fullWidth x
/// fullHeight); `pixels` may hold it reduced (the first view of a large
/// JPEG), and the reduced copies only make drawing a large image at a small
/// size cheap.
struct Picture {
    /// Reduced copies are made while the larger side exceeds this.
    static constexpr int32_t kSmallestReducedSide = 256;

    PixelImage pixels;  ///< as decoded: the full resolution, or 1/reduction of it
    /// A quarter of the size of `pixels`, then each half the size of the one
    /// before. There is no copy of half the size: together the copies cost a
    /// twelfth of `pixels`, not a third.
    std::vector<PixelImage> reduced;
    int32_t fullWidth = 0;  ///< the full resolution as shown; 0: that of `pixels`
    int32_t fullHeight = 0;
    /// `pixels` is this many times smaller than the full resolution: 1, or
    /// 2, 4 or 8 from a JPEG decoded at reduced size, or what a TIFF's
    /// reduced page holds (rounded up).
    int32_t reduction = 1;
    /// The orientation (1 .. 8) the stored picture was turned by to be shown.
    int32_t orientation = 1;
    /// The file holds 16 bits per sample: `pixels` show its range of values,
    /// not the values themselves.
    bool sixteenBit = false;
    /// The samples of a picture of 16 bits per channel when the decode was
    /// asked to keep them: the high and the low bytes of red, green and blue
    /// (a grey value in all three), laid out and turned as `pixels`, without
    /// alpha. Empty otherwise.
    PixelImage samplesHigh;
    PixelImage samplesLow;
    /// The full resolution read from the file part by part as views need
    /// it, for a picture whose `pixels` hold only a reduced first view and
    /// whose file can be read in parts (a TIFF in tiles or strips); such a
    /// picture never needs to be decoded whole to be shown at any scale.
    std::shared_ptr<const PictureTiles> tiles;

    int32_t Width() const { return fullWidth > 0 ? fullWidth : pixels.Width(); }
    int32_t Height() const { return fullHeight > 0 ? fullHeight : pixels.Height(); }
    /// True when `pixels` holds less than the full resolution.
    bool Reduced() const { return reduction > 1; }
    /// Back to no picture at all, as a decode starts.
    void Clear() {
        pixels.Clear();
        reduced.clear();
        fullWidth = 0;
        fullHeight = 0;
        reduction = 1;
        orientation = 1;
        sixteenBit = false;
        samplesHigh.Clear();
        samplesLow.Clear();
        tiles.reset();
    }

    /// Fills `reduced` from `pixels`. False when memory is short (the copies
    /// made so far stay; drawing then uses a larger one).
    bool BuildReducedCopies();

    /// The smallest copy that still has at least drawnWidth x drawnHeight
    /// pixels, so that drawing never enlarges a reduced copy; `pixels` when
    /// the picture is drawn at their size or larger.
    const PixelImage& LevelFor(int64_t drawnWidth, int64_t drawnHeight) const;
};

/// Part of a picture as it shows when the whole picture is stretched to
/// targetWidth x targetHeight pixels: the width x height pixels starting at
/// (fromX, fromY) of that stretched image. Each pixel is the mean of the
/// picture pixels it covers, taken from the smallest reduced copy that is
/// still large enough, or the picture pixel under its centre when the picture
/// is enlarged. A picture with tiles is read from the level of its tiles that
/// suits where its reduced copies do not reach. False when an argument is out
/// of range or memory is short.
[[nodiscard]] bool ResamplePicture(const Picture& picture, int64_t targetWidth,
                                   int64_t targetHeight, int64_t fromX, int64_t fromY,
                                   int32_t width, int32_t height, PixelImage& out);

}  // namespace kvx
