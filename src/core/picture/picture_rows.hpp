#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/picture/picture.hpp"
#include "core/picture/picture_orientation.hpp"
#include "core/picture/picture_tiles.hpp"

namespace kvx {

/// Where the converted rows of a window go, each as RGB of the window's width.
class RowSink {
public:
    virtual ~RowSink() = default;
    /// Row y of the window (0 at its top).
    virtual void Put(uint32_t y, const uint8_t* rgb) = 0;
    /// The picture the rows are turned into, for pages in planes, which are
    /// put together pixel by pixel; null for a sink that takes whole rows.
    virtual TurnedRows* Turned() { return nullptr; }
};

/// Rows into a picture of the window's size, turned as the page says.
class TurnedSink final : public RowSink {
public:
    TurnedSink(PixelImage& image, uint32_t width, uint32_t height, int32_t orientation)
        : turned_(image, static_cast<int32_t>(width), static_cast<int32_t>(height), orientation) {}
    void Put(uint32_t y, const uint8_t* rgb) override { turned_.Put(static_cast<int32_t>(y), rgb); }
    TurnedRows* Turned() override { return &turned_; }

private:
    TurnedRows turned_;
};

/// The sizes of a page reduced by factor, rounded up.
inline uint32_t ReducedSide(uint32_t side, uint32_t factor) {
    return static_cast<uint32_t>((uint64_t{side} + factor - 1) / factor);
}

/// The reduction, a power of two from 2 on, of the first view kept beside
/// the tiles of a picture decoded in full that is too large to be held
/// whole: it serves every scale up to where the tiles take over, within
/// some 16 million pixels.
inline uint32_t KeptFirstViewReduction(uint32_t width, uint32_t height) {
    constexpr uint64_t kMostPixels = uint64_t{16} << 20;
    uint32_t factor = 2;
    while (uint64_t{ReducedSide(width, factor)} * ReducedSide(height, factor) > kMostPixels) {
        factor *= 2;
    }
    return factor;
}

/// Rows into a picture factor times smaller each way, every pixel the
/// rounded mean of the block of factor x factor pixels it stands for (of
/// those there are at the right and bottom edges; a row that could not be
/// read counts as black), turned as the page says. The full page is never
/// held: only the sums of one row of blocks.
class ReducingSink final : public RowSink {
public:
    ReducingSink(PixelImage& image, uint32_t width, uint32_t height, uint32_t factor,
                 int32_t orientation)
        : width_(width),
          height_(height),
          factor_(factor),
          across_(ReducedSide(width, factor)),
          turned_(image, static_cast<int32_t>(across_),
                  static_cast<int32_t>(ReducedSide(height, factor)), orientation),
          sums_(std::size_t{across_} * 3, 0),
          out_(std::size_t{across_} * 3, 0) {}

    void Put(uint32_t y, const uint8_t* rgb) override {
        const uint32_t block = y / factor_;
        if (block != block_) {
            Flush();
            block_ = block;
        }
        any_ = true;
        uint32_t* sum = sums_.data();
        for (uint32_t bx = 0; bx < across_; ++bx, sum += 3) {
            const uint32_t count = std::min(factor_, width_ - bx * factor_);
            uint32_t r = 0;
            uint32_t g = 0;
            uint32_t b = 0;
            for (uint32_t k = 0; k < count; ++k, rgb += 3) {
                r += rgb[0];
                g += rgb[1];
                b += rgb[2];
            }
            sum[0] += r;
            sum[1] += g;
            sum[2] += b;
        }
    }

    /// Puts out the last row of blocks.
    void Finish() { Flush(); }

private:
    void Flush() {
        if (!any_) return;
        const uint32_t rows = std::min(factor_, height_ - block_ * factor_);
        for (uint32_t bx = 0; bx < across_; ++bx) {
            const uint64_t n = uint64_t{rows} * std::min(factor_, width_ - bx * factor_);
            for (std::size_t c = 0; c < 3; ++c) {
                const std::size_t i = std::size_t{bx} * 3 + c;
                out_[i] = static_cast<uint8_t>((sums_[i] + n / 2) / n);
            }
        }
        turned_.Put(static_cast<int32_t>(block_), out_.data());
        std::fill(sums_.begin(), sums_.end(), 0u);
        any_ = false;
    }

    uint32_t width_;
    uint32_t height_;
    uint32_t factor_;
    uint32_t across_;
    TurnedRows turned_;
    std::vector<uint32_t> sums_;
    std::vector<uint8_t> out_;
    uint32_t block_ = 0;
    bool any_ = false;
};

/// The rows of a picture as stored, written into a temporary file in tiles
/// as they come (top down, every row once) and read back from it by the
/// rectangle as shown: the full resolution of a picture whose decoder can
/// only read it from the start, kept on the disk rather than in memory.
class TileFileWriter final : public RowSink {
public:
    /// A writer for a picture of width x height stored pixels in a new
    /// temporary file in folder, which is gone as soon as nothing uses it.
    /// Null with status set when the folder's free space cannot hold it
    /// (DiskFull) or the file cannot be made (Unreadable).
    static std::unique_ptr<TileFileWriter> Create(const std::string& folder, uint32_t width,
                                                  uint32_t height, int32_t orientation,
                                                  DecodeStatus& status);
    ~TileFileWriter() override;

    void Put(uint32_t y, const uint8_t* rgb) override;
    /// Writes what is left; false when a write failed (the disk filled).
    [[nodiscard]] bool Finish();
    /// The file as a source of the picture's tiles, once finished.
    std::unique_ptr<PictureRegionSource> Source();

    /// The bytes the file of a picture of that size takes.
    static uint64_t FileBytes(uint32_t width, uint32_t height);

private:
    TileFileWriter(int handle, uint32_t width, uint32_t height, int32_t orientation);
    void WriteBand();

    int handle_;
    uint32_t width_;
    uint32_t height_;
    int32_t orientation_;
    uint32_t across_;
    std::vector<uint8_t> band_;  ///< a row of tiles, as the file keeps them
    uint32_t bandTop_ = 0;
    bool failed_ = false;
};

}  // namespace kvx
