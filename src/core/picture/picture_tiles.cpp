#include "core/picture/picture_tiles.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kvx {
namespace {

/// Where the stored pixel (x, y) shows, as TurnedRows puts it.
void Shown(int32_t x, int32_t y, int32_t w, int32_t h, int32_t orientation, int32_t& sx,
           int32_t& sy) {
    switch (orientation) {
        case 2:
            sx = w - 1 - x, sy = y;
            return;
        case 3:
            sx = w - 1 - x, sy = h - 1 - y;
            return;
        case 4:
            sx = x, sy = h - 1 - y;
            return;
        case 5:
            sx = y, sy = x;
            return;
        case 6:
            sx = h - 1 - y, sy = x;
            return;
        case 7:
            sx = h - 1 - y, sy = w - 1 - x;
            return;
        case 8:
            sx = y, sy = w - 1 - x;
            return;
        default:
            sx = x, sy = y;
            return;
    }
}

/// The rectangle between two corner pixels, both inside it.
PixelRect Spanning(int32_t ax, int32_t ay, int32_t bx, int32_t by) {
    const int32_t x0 = std::min(ax, bx);
    const int32_t y0 = std::min(ay, by);
    return {x0, y0, std::max(ax, bx) - x0 + 1, std::max(ay, by) - y0 + 1};
}

void CopyRect(const PixelImage& from, int32_t fromX, int32_t fromY, PixelImage& to, int32_t toX,
              int32_t toY, int32_t width, int32_t height) {
    const auto bytes = static_cast<std::size_t>(width) * 3;
    for (int32_t r = 0; r < height; ++r) {
        std::memcpy(to.Row(toY + r) + static_cast<std::size_t>(toX) * 3,
                    from.Row(fromY + r) + static_cast<std::size_t>(fromX) * 3, bytes);
    }
}

}  // namespace

PixelRect ShownRectOf(const PixelRect& stored, int32_t storedWidth, int32_t storedHeight,
                      int32_t orientation) {
    int32_t ax = 0, ay = 0, bx = 0, by = 0;
    Shown(stored.left, stored.top, storedWidth, storedHeight, orientation, ax, ay);
    Shown(stored.Right() - 1, stored.Bottom() - 1, storedWidth, storedHeight, orientation, bx, by);
    return Spanning(ax, ay, bx, by);
}

PixelRect StoredRectOf(const PixelRect& shown, int32_t storedWidth, int32_t storedHeight,
                       int32_t orientation) {
    // Turning back is turning the shown picture by the inverse orientation:
    // each is its own inverse but the quarter turns 6 and 8.
    const int32_t inverse = orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
    const bool swap = OrientationSwapsSides(orientation);
    return ShownRectOf(shown, swap ? storedHeight : storedWidth, swap ? storedWidth : storedHeight,
                       inverse);
}

PictureTiles::PictureTiles(std::unique_ptr<PictureRegionSource> source, int32_t width,
                           int32_t height, std::size_t budgetBytes)
    : source_(std::move(source)), width_(width), height_(height), budget_(budgetBytes) {
    while (Width(levels_ - 1) > kTileSide || Height(levels_ - 1) > kTileSide) ++levels_;
}

int PictureTiles::LevelFor(int64_t width, int64_t height) const {
    int best = 0;
    for (int level = 1; level < levels_; ++level) {
        if (Width(level) < width || Height(level) < height) break;
        best = level;
    }
    return best;
}

std::size_t PictureTiles::HeldBytes() const {
    std::lock_guard lock(mutex_);
    return held_;
}

PixelRect PictureTiles::TileRect(int level, int32_t tx, int32_t ty) const {
    const int32_t x = tx * kTileSide;
    const int32_t y = ty * kTileSide;
    return {x, y, std::min(kTileSide, Width(level) - x), std::min(kTileSide, Height(level) - y)};
}

PictureTiles::Tile PictureTiles::Find(uint64_t key) const {
    const auto found = index_.find(key);
    if (found == index_.end()) return nullptr;
    order_.splice(order_.begin(), order_, found->second);
    return found->second->tile;
}

void PictureTiles::Keep(uint64_t key, Tile tile) const {
    if (index_.contains(key)) return;
    held_ += static_cast<std::size_t>(tile->Width()) * static_cast<std::size_t>(tile->Height()) * 3;
    order_.push_front({key, std::move(tile)});
    index_[key] = order_.begin();
    // The newest tile stays even when it alone is over the budget: the read
    // that asked for it is still to use it.
    while (held_ > budget_ && order_.size() > 1) {
        const Entry& oldest = order_.back();
        held_ -= static_cast<std::size_t>(oldest.tile->Width()) *
                 static_cast<std::size_t>(oldest.tile->Height()) * 3;
        index_.erase(oldest.key);
        order_.pop_back();
    }
}

bool PictureTiles::FetchFullResolution(int32_t tx, int32_t ty) const {
    const PixelRect wanted = TileRect(0, tx, ty);
    // As much as the source decodes anyway is read at once, in whole tiles,
    // unless that alone would take a good part of the budget.
    const PixelRect block = source_->NaturalBlock();
    PixelRect region = wanted;
    if (!block.Empty()) {
        const auto down = [](int32_t v, int32_t step) { return v / step * step; };
        const auto up = [](int32_t v, int32_t step) { return (v + step - 1) / step * step; };
        const int32_t x0 = down(down(wanted.left, block.width), kTileSide);
        const int32_t y0 = down(down(wanted.top, block.height), kTileSide);
        const int32_t x1 = std::min(width_, up(up(wanted.Right(), block.width), kTileSide));
        const int32_t y1 = std::min(height_, up(up(wanted.Bottom(), block.height), kTileSide));
        const PixelRect wide{x0, y0, x1 - x0, y1 - y0};
        const auto bytes = static_cast<std::size_t>(wide.width) * wide.height * 3;
        if (bytes <= budget_ / 8) region = wide;
    }
    PixelImage pixels;
    if (!source_->Read(region, pixels) || pixels.Width() != region.width ||
        pixels.Height() != region.height) {
        return false;
    }
    const uint64_t wantedKey = KeyOf(0, tx, ty);
    Tile wantedTile;
    for (int32_t y = region.top; y < region.Bottom(); y += kTileSide) {
        for (int32_t x = region.left; x < region.Right(); x += kTileSide) {
            const uint64_t key = KeyOf(0, x / kTileSide, y / kTileSide);
            if (key != wantedKey && index_.contains(key)) continue;
            const PixelRect rect = TileRect(0, x / kTileSide, y / kTileSide);
            auto tile = std::make_shared<PixelImage>();
            if (!tile->Allocate(rect.width, rect.height)) return false;
            CopyRect(pixels, x - region.left, y - region.top, *tile, 0, 0, rect.width, rect.height);
            sourceReads_.fetch_add(1);
            if (key == wantedKey) {
                wantedTile = std::move(tile);
            } else {
                Keep(key, std::move(tile));
            }
        }
    }
    // Kept last, so that the tiles read beside it leave first.
    if (wantedTile) Keep(wantedKey, std::move(wantedTile));
    return index_.contains(wantedKey);
}

PictureTiles::Tile PictureTiles::Get(int level, int32_t tx, int32_t ty) const {
    const uint64_t key = KeyOf(level, tx, ty);
    if (Tile tile = Find(key)) return tile;
    if (level == 0) {
        if (!FetchFullResolution(tx, ty)) return nullptr;
        return Find(key);
    }
    // Made from the four tiles of the level before that it stands for.
    const PixelRect rect = TileRect(level, tx, ty);
    const int32_t blockWidth = std::min(2 * kTileSide, Width(level - 1) - 2 * rect.left);
    const int32_t blockHeight = std::min(2 * kTileSide, Height(level - 1) - 2 * rect.top);
    PixelImage block;
    if (!block.Allocate(blockWidth, blockHeight)) return nullptr;
    for (int32_t dy = 0; dy < 2; ++dy) {
        for (int32_t dx = 0; dx < 2; ++dx) {
            const int32_t x = dx * kTileSide;
            const int32_t y = dy * kTileSide;
            if (x >= blockWidth || y >= blockHeight) continue;
            const Tile child = Get(level - 1, 2 * tx + dx, 2 * ty + dy);
            if (!child) return nullptr;
            CopyRect(*child, 0, 0, block, x, y, child->Width(), child->Height());
        }
    }
    auto tile = std::make_shared<PixelImage>();
    if (!ReduceByHalf(block, *tile)) return nullptr;
    Keep(key, tile);
    return tile;
}

bool PictureTiles::Read(int level, const PixelRect& rect, PixelImage& out) const {
    out.Clear();
    if (level < 0 || level >= levels_ || rect.Empty() || rect.left < 0 || rect.top < 0 ||
        rect.Right() > Width(level) || rect.Bottom() > Height(level)) {
        return false;
    }
    if (!out.Allocate(rect.width, rect.height)) return false;
    std::lock_guard lock(mutex_);
    for (int32_t ty = rect.top / kTileSide; ty * kTileSide < rect.Bottom(); ++ty) {
        for (int32_t tx = rect.left / kTileSide; tx * kTileSide < rect.Right(); ++tx) {
            const Tile tile = Get(level, tx, ty);
            if (!tile) {
                out.Clear();
                return false;
            }
            const PixelRect t = TileRect(level, tx, ty);
            const int32_t x0 = std::max(t.left, rect.left);
            const int32_t y0 = std::max(t.top, rect.top);
            const int32_t x1 = std::min(t.Right(), rect.Right());
            const int32_t y1 = std::min(t.Bottom(), rect.Bottom());
            CopyRect(*tile, x0 - t.left, y0 - t.top, out, x0 - rect.left, y0 - rect.top, x1 - x0,
                     y1 - y0);
        }
    }
    return true;
}

bool PictureTiles::PixelAt(int32_t x, int32_t y, uint8_t rgb[3]) const {
    PixelImage one;
    if (!Read(0, {x, y, 1, 1}, one)) return false;
    std::memcpy(rgb, one.Row(0), 3);
    return true;
}

}  // namespace kvx
