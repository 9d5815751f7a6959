#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "core/picture/picture.hpp"

namespace kvx {

/// Where the full resolution of a picture held in tiles comes from: its
/// file, read again part by part. Parts that cannot be decoded come back
/// black, as a damaged picture shows them when it is decoded whole.
class PictureRegionSource {
public:
    virtual ~PictureRegionSource() = default;

    /// The pixels of rect of the full-resolution picture as shown (turned
    /// as its file says) into out, which gets rect's size. False only when
    /// memory is short or the file can no longer be read at all.
    [[nodiscard]] virtual bool Read(const PixelRect& rect, PixelImage& out) = 0;
    /// The part of the picture one read decodes anyway (a tile of the file,
    /// or a strip's rows across the whole width): reads that cover as much
    /// cost no more than a smaller one.
    virtual PixelRect NaturalBlock() const = 0;
};

/// The full resolution of a picture, and every reduction of it by a power
/// of two, held as square tiles that are read from their source when a view
/// needs them and kept, the least recently used given up first, while they
/// take no more than a set number of bytes. A picture of any size is thus
/// shown at any scale in bounded memory: what falls out is decoded again.
/// Level 0 is the full resolution; each level after it is half the size of
/// the one before (rounded up), every pixel the rounded mean of the 2 x 2
/// pixels of the level before it stands for, as ReduceByHalf makes it.
/// Safe to use from several threads; one read at a time.
class PictureTiles {
public:
    static constexpr int32_t kTileSide = 256;
    static constexpr std::size_t kDefaultBudget = std::size_t{512} << 20;

    PictureTiles(std::unique_ptr<PictureRegionSource> source, int32_t width, int32_t height,
                 std::size_t budgetBytes = kDefaultBudget);
    PictureTiles(const PictureTiles&) = delete;
    PictureTiles& operator=(const PictureTiles&) = delete;

    int32_t Width(int level = 0) const { return Reduced(width_, level); }
    int32_t Height(int level = 0) const { return Reduced(height_, level); }
    /// The number of levels, down to the first whose tiles fit in one.
    int Levels() const { return levels_; }
    /// The level (0 .. Levels() - 1) with the fewest pixels that still has
    /// at least width x height of them; 0 when none has.
    int LevelFor(int64_t width, int64_t height) const;

    /// The pixels of rect at level into out (rect's size). False when rect
    /// is not wholly within the level or its tiles cannot be had.
    [[nodiscard]] bool Read(int level, const PixelRect& rect, PixelImage& out) const;
    /// One pixel of the full resolution.
    [[nodiscard]] bool PixelAt(int32_t x, int32_t y, uint8_t rgb[3]) const;

    std::size_t BudgetBytes() const { return budget_; }
    /// The bytes the tiles held now take; never more than the budget
    /// allows, except for the tiles of the read under way.
    std::size_t HeldBytes() const;
    /// How many tiles of the full resolution were read from the source.
    uint64_t SourceReads() const { return sourceReads_.load(); }

private:
    using Tile = std::shared_ptr<const PixelImage>;
    struct Entry {
        uint64_t key;
        Tile tile;
    };

    static int32_t Reduced(int32_t side, int level) {
        return static_cast<int32_t>((int64_t{side} + (int64_t{1} << level) - 1) >> level);
    }
    static uint64_t KeyOf(int level, int32_t tx, int32_t ty) {
        return (uint64_t(level) << 56) | (uint64_t(uint32_t(ty)) << 28) | uint32_t(tx);
    }
    PixelRect TileRect(int level, int32_t tx, int32_t ty) const;
    Tile Find(uint64_t key) const;
    void Keep(uint64_t key, Tile tile) const;
    Tile Get(int level, int32_t tx, int32_t ty) const;
    bool FetchFullResolution(int32_t tx, int32_t ty) const;

    std::unique_ptr<PictureRegionSource> source_;
    int32_t width_;
    int32_t height_;
    int levels_ = 1;
    std::size_t budget_;
    mutable std::recursive_mutex mutex_;
    mutable std::list<Entry> order_;  ///< most recently used first
    mutable std::unordered_map<uint64_t, std::list<Entry>::iterator> index_;
    mutable std::size_t held_ = 0;
    mutable std::atomic<uint64_t> sourceReads_{0};
};

/// Turning between a picture as stored and as shown (the orientations 1 .. 8
/// of TurnedRows): the shown rectangle a stored one becomes, and back.
/// storedWidth x storedHeight is the size of the picture as stored.
PixelRect ShownRectOf(const PixelRect& stored, int32_t storedWidth, int32_t storedHeight,
                      int32_t orientation);
PixelRect StoredRectOf(const PixelRect& shown, int32_t storedWidth, int32_t storedHeight,
                       int32_t orientation);

}  // namespace kvx
