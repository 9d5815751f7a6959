#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kvx {

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
};

/// True when the status leaves a picture to show: whole, or damaged.
constexpr bool PictureDecoded(DecodeStatus status) {
    return status == DecodeStatus::Ok || status == DecodeStatus::Damaged;
}

/// Sizes a decoder accepts before it allocates anything. The limit is the
/// memory the pixels take (about 1.5 GB at the default), not the length of a
/// side: a long narrow strip is as welcome as a square. Whether the image
/// fits the world at its resolution is judged where it is shown. Fuzzing
/// uses far smaller limits.
struct PictureLimits {
    int32_t maxSide = 2147483647;
    int64_t maxPixels = 500'000'000;

    bool Accepts(int64_t width, int64_t height) const {
        return width >= 1 && height >= 1 && width <= maxSide && height <= maxSide &&
               width * height <= maxPixels;
    }
};

/// A decoded project image. Positions and sizes always come from the full
/// resolution; the reduced copies only make drawing a large image at a small
/// size cheap.
struct Picture {
    /// Reduced copies are made while the larger side exceeds this.
    static constexpr int32_t kSmallestReducedSide = 256;

    PixelImage pixels;                ///< full resolution
    std::vector<PixelImage> reduced;  ///< each half the size of the one before

    int32_t Width() const { return pixels.Width(); }
    int32_t Height() const { return pixels.Height(); }

    /// Fills `reduced` from `pixels`. False when memory is short (the copies
    /// made so far stay; drawing then uses a larger one).
    bool BuildReducedCopies();

    /// The smallest copy that still has at least drawnWidth x drawnHeight
    /// pixels, so that drawing never enlarges a reduced copy; the full
    /// resolution when the picture is drawn at its size or larger.
    const PixelImage& LevelFor(int64_t drawnWidth, int64_t drawnHeight) const;
};

/// Part of a picture as it shows when the whole picture is stretched to
/// targetWidth x targetHeight pixels: the width x height pixels starting at
/// (fromX, fromY) of that stretched image. Each pixel is the mean of the
/// picture pixels it covers, taken from the smallest reduced copy that is
/// still large enough, or the picture pixel under its centre when the picture
/// is enlarged. False when an argument is out of range or memory is short.
[[nodiscard]] bool ResamplePicture(const Picture& picture, int64_t targetWidth,
                                   int64_t targetHeight, int64_t fromX, int64_t fromY,
                                   int32_t width, int32_t height, PixelImage& out);

}  // namespace kvx
