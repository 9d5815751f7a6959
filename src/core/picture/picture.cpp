#include "core/picture/picture.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "core/picture/picture_tiles.hpp"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace kvx {

namespace {

/// Images from this size on are mapped directly, in huge pages where the
/// system offers them: a photograph of many megapixels otherwise spends a
/// good part of its decoding time in page faults on fresh memory.
constexpr std::size_t kMappedFrom = std::size_t{8} << 20;

// GCC vectorises these loops only at its higher optimisation level; clang
// does so at any.
#if defined(__GNUC__) && !defined(__clang__)
#define KVX_VECTORISE __attribute__((optimize("O3")))
#else
#define KVX_VECTORISE
#endif

KVX_VECTORISE void AddRows(const uint8_t* __restrict a, const uint8_t* __restrict b,
                           uint16_t* __restrict sum, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) sum[i] = static_cast<uint16_t>(a[i] + b[i]);
}

/// Each pixel of out the rounded mean of two neighbouring pixels of row sums.
KVX_VECTORISE void HalveRowSums(const uint16_t* __restrict s, uint8_t* __restrict out,
                                int32_t pairs) {
    for (int32_t x = 0; x < pairs; ++x, s += 6, out += 3) {
        out[0] = static_cast<uint8_t>((s[0] + s[3] + 2) >> 2);
        out[1] = static_cast<uint8_t>((s[1] + s[4] + 2) >> 2);
        out[2] = static_cast<uint8_t>((s[2] + s[5] + 2) >> 2);
    }
}

/// True when every byte is 0; a row of a photograph fails at its first byte.
bool Black(const uint8_t* row, std::size_t n) {
    return n == 0 || (row[0] == 0 && std::memcmp(row, row + 1, n - 1) == 0);
}

}  // namespace

void PixelImage::Release::operator()(uint8_t* p) const {
    if (p == nullptr) return;
#if defined(__linux__)
    if (mappedBytes != 0) {
        munmap(p, mappedBytes);
        return;
    }
#endif
    delete[] p;
}

bool PixelImage::Allocate(int32_t width, int32_t height) {
    Clear();
    if (width <= 0 || height <= 0) return false;
    const auto bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
#if defined(__linux__)
    if (bytes >= kMappedFrom) {
        void* mapped =
            mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) return false;
        madvise(mapped, bytes, MADV_HUGEPAGE);  // only a hint; failure costs nothing
        pixels_ =
            std::unique_ptr<uint8_t[], Release>(static_cast<uint8_t*>(mapped), Release{bytes});
        width_ = width;
        height_ = height;
        return true;
    }
#endif
    pixels_ = std::unique_ptr<uint8_t[], Release>(new (std::nothrow) uint8_t[bytes], Release());
    if (!pixels_) return false;
    width_ = width;
    height_ = height;
    return true;
}

bool PixelImage::AllocateBlack(int32_t width, int32_t height) {
    if (!Allocate(width, height)) return false;
    if (pixels_.get_deleter().mappedBytes == 0) {
        std::memset(pixels_.get(), 0, Stride() * static_cast<std::size_t>(height_));
    }
    return true;
}

void PixelImage::Clear() {
    pixels_.reset();
    width_ = 0;
    height_ = 0;
}

bool ReduceByHalf(const PixelImage& source, PixelImage& target) {
    if (source.Empty()) return false;
    const int32_t w = source.Width();
    const int32_t h = source.Height();
    const int32_t tw = (w + 1) / 2;
    const int32_t th = (h + 1) / 2;
    // Black rows are left as the allocation hands them over, so that a
    // mostly black picture does not fill its reduced copies with zeros.
    if (!target.AllocateBlack(tw, th)) return false;
    const std::size_t rowBytes = source.Stride();
    const int32_t pairs = w / 2;  // full 2 x 2 blocks in a row
    // Rows are added first, then neighbouring pixels of the sum: two loops
    // the compiler turns into vector code.
    std::vector<uint16_t> sums(rowBytes);
    for (int32_t y = 0; y < th; ++y) {
        const uint8_t* a = source.Row(2 * y);
        const uint8_t* b = source.Row(std::min(2 * y + 1, h - 1));
        if (Black(a, rowBytes) && Black(b, rowBytes)) continue;
        AddRows(a, b, sums.data(), rowBytes);
        HalveRowSums(sums.data(), target.Row(y), pairs);
        if (tw > pairs) {  // odd width: the last column stands alone
            const uint16_t* s = sums.data() + static_cast<std::size_t>(pairs) * 6;
            uint8_t* out = target.Row(y) + static_cast<std::size_t>(pairs) * 3;
            for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((s[c] + 1) >> 1);
        }
    }
    return true;
}

namespace {

/// Each pixel of out the rounded mean of four neighbouring pixels of the
/// sums of four rows.
KVX_VECTORISE void QuarterRowSums(const uint16_t* __restrict s, uint8_t* __restrict out,
                                  int32_t blocks) {
    for (int32_t x = 0; x < blocks; ++x, s += 12, out += 3) {
        out[0] = static_cast<uint8_t>((s[0] + s[3] + s[6] + s[9] + 8) >> 4);
        out[1] = static_cast<uint8_t>((s[1] + s[4] + s[7] + s[10] + 8) >> 4);
        out[2] = static_cast<uint8_t>((s[2] + s[5] + s[8] + s[11] + 8) >> 4);
    }
}

KVX_VECTORISE void AccumulateRow(const uint8_t* __restrict row, uint16_t* __restrict sum,
                                 std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) sum[i] = static_cast<uint16_t>(sum[i] + row[i]);
}

}  // namespace

bool ReduceByQuarter(const PixelImage& source, PixelImage& target) {
    if (source.Empty()) return false;
    const int32_t w = source.Width();
    const int32_t h = source.Height();
    const int32_t tw = (w + 3) / 4;
    const int32_t th = (h + 3) / 4;
    if (!target.AllocateBlack(tw, th)) return false;
    const std::size_t rowBytes = source.Stride();
    const int32_t blocks = w / 4;  // full 4-pixel blocks in a row
    std::vector<uint16_t> sums(rowBytes);
    for (int32_t y = 0; y < th; ++y) {
        const int32_t first = 4 * y;
        const int32_t rows = std::min(4, h - first);
        bool black = true;
        for (int32_t k = 0; k < rows && black; ++k) black = Black(source.Row(first + k), rowBytes);
        if (black) continue;
        std::fill(sums.begin(), sums.end(), uint16_t{0});
        for (int32_t k = 0; k < rows; ++k)
            AccumulateRow(source.Row(first + k), sums.data(), rowBytes);
        uint8_t* out = target.Row(y);
        if (rows == 4) {
            QuarterRowSums(sums.data(), out, blocks);
        }
        // The bottom row of blocks may have fewer rows, the last column
        // fewer pixels: their means are taken over what there is.
        const int32_t from = rows == 4 ? blocks : 0;
        for (int32_t x = from; x < tw; ++x) {
            const int32_t columns = std::min(4, w - 4 * x);
            const auto n = static_cast<uint32_t>(rows * columns);
            for (int c = 0; c < 3; ++c) {
                uint32_t total = 0;
                for (int32_t k = 0; k < columns; ++k) {
                    total +=
                        sums[static_cast<std::size_t>(4 * x + k) * 3 + static_cast<std::size_t>(c)];
                }
                out[x * 3 + c] = static_cast<uint8_t>((total + n / 2) / n);
            }
        }
    }
    return true;
}

bool Picture::BuildReducedCopies() {
    reduced.clear();
    for (;;) {
        const PixelImage& last = reduced.empty() ? pixels : reduced.back();
        if (last.Empty() || std::max(last.Width(), last.Height()) <= kSmallestReducedSide) {
            return true;
        }
        // The first copy is a quarter of the size: a copy of half the size
        // would cost a quarter of the picture's memory again, and the
        // picture itself serves for every size down to a quarter.
        PixelImage smaller;
        if (!(reduced.empty() ? ReduceByQuarter(last, smaller) : ReduceByHalf(last, smaller))) {
            return false;
        }
        reduced.push_back(std::move(smaller));
    }
}

const PixelImage& Picture::LevelFor(int64_t drawnWidth, int64_t drawnHeight) const {
    const PixelImage* best = &pixels;
    for (const PixelImage& level : reduced) {
        if (level.Width() < drawnWidth || level.Height() < drawnHeight) break;
        best = &level;
    }
    return *best;
}

}  // namespace kvx

namespace kvx {
namespace {

/// Source span [first, last) of each target pixel along one axis.
struct Span {
    int32_t first;
    int32_t last;
};

std::vector<Span> Spans(int64_t sourceSize, int64_t targetSize, int64_t from, int32_t count) {
    std::vector<Span> spans(static_cast<std::size_t>(count));
    const bool enlarged = sourceSize <= targetSize;
    for (int32_t i = 0; i < count; ++i) {
        const int64_t p = from + i;
        int64_t first = 0;
        int64_t last = 0;
        if (enlarged) {
            first = (2 * p + 1) * sourceSize / (2 * targetSize);
            last = first + 1;
        } else {
            first = p * sourceSize / targetSize;
            last = std::max(first + 1, ((p + 1) * sourceSize + targetSize - 1) / targetSize);
        }
        first = std::clamp<int64_t>(first, 0, sourceSize - 1);
        last = std::clamp<int64_t>(last, first + 1, sourceSize);
        spans[static_cast<std::size_t>(i)] = {static_cast<int32_t>(first),
                                              static_cast<int32_t>(last)};
    }
    return spans;
}

/// Division by a constant n through a multiplication and a shift, exact for
/// every numerator below 2^24 (Granlund and Montgomery): with l the
/// smallest number such that 2^l >= n, the multiplier is 2^(24 + l) / n
/// rounded up. A mean of up to 2^16 samples of 8 bits, with its half
/// divisor added for rounding, stays below 2^24.
struct ExactDivider {
    static constexpr uint64_t kLargestDivisor = 0xFFFF;

    ExactDivider() = default;
    explicit ExactDivider(uint64_t n) {
        int l = 0;
        while ((uint64_t{1} << l) < n) ++l;
        shift = 24 + l;
        multiplier = ((uint64_t{1} << shift) + n - 1) / n;
    }
    uint64_t Divide(uint64_t x) const { return (x * multiplier) >> shift; }

    uint64_t multiplier = 0;
    int shift = 0;
};

/// The target rows of ResamplePicture. The rows a target row covers are
/// added up first, over the columns the target needs (a loop the compiler
/// turns into vector code); the sums of neighbouring columns follow.
template <class Sum>
KVX_VECTORISE void ResampleRows(const PixelImage& level, int32_t levelX, int32_t levelY,
                                const std::vector<Span>& columns, const std::vector<Span>& rows,
                                PixelImage& out) {
    const int32_t firstColumn = columns.front().first;
    const int32_t lastColumn = columns.back().last;
    const auto needed = static_cast<std::size_t>(lastColumn - firstColumn) * 3;
    std::vector<Sum> sums(needed);
    std::vector<ExactDivider> dividers(16);
    for (int32_t y = 0; y < out.Height(); ++y) {
        const Span& rowSpan = rows[static_cast<std::size_t>(y)];
        std::fill(sums.begin(), sums.end(), Sum{0});
        for (int32_t sy = rowSpan.first; sy < rowSpan.last; ++sy) {
            const uint8_t* __restrict row =
                level.Row(sy - levelY) + static_cast<std::size_t>(firstColumn - levelX) * 3;
            Sum* __restrict sum = sums.data();
            for (std::size_t i = 0; i < needed; ++i) sum[i] = static_cast<Sum>(sum[i] + row[i]);
        }
        uint8_t* target = out.Row(y);
        const auto rowCount = static_cast<uint64_t>(rowSpan.last - rowSpan.first);
        // One divider for each width of a column span: the spans of a row
        // have one or two widths, and a division per sample is what the
        // means cost most.
        dividers.assign(dividers.size(), ExactDivider{});
        for (int32_t x = 0; x < out.Width(); ++x) {
            const Span& c = columns[static_cast<std::size_t>(x)];
            const Sum* sum = sums.data() + static_cast<std::size_t>(c.first - firstColumn) * 3;
            uint64_t total[3] = {0, 0, 0};
            for (int32_t sx = c.first; sx < c.last; ++sx, sum += 3) {
                total[0] += sum[0];
                total[1] += sum[1];
                total[2] += sum[2];
            }
            const auto spanWidth = static_cast<std::size_t>(c.last - c.first);
            const uint64_t n = rowCount * spanWidth;
            if (spanWidth < dividers.size() && n <= ExactDivider::kLargestDivisor) {
                ExactDivider& divider = dividers[spanWidth];
                if (divider.multiplier == 0) divider = ExactDivider(n);
                for (int k = 0; k < 3; ++k) {
                    target[x * 3 + k] = static_cast<uint8_t>(divider.Divide(total[k] + n / 2));
                }
            } else {
                for (int k = 0; k < 3; ++k) {
                    target[x * 3 + k] = static_cast<uint8_t>((total[k] + n / 2) / n);
                }
            }
        }
    }
}

}  // namespace

bool ResamplePicture(const Picture& picture, int64_t targetWidth, int64_t targetHeight,
                     int64_t fromX, int64_t fromY, int32_t width, int32_t height, PixelImage& out) {
    out.Clear();
    constexpr int64_t kMaxTarget = int64_t{1} << 32;
    if (picture.pixels.Empty() || targetWidth <= 0 || targetHeight <= 0 ||
        targetWidth > kMaxTarget || targetHeight > kMaxTarget || width <= 0 || height <= 0 ||
        fromX < 0 || fromY < 0 || fromX + width > targetWidth || fromY + height > targetHeight) {
        return false;
    }
    const PixelImage* level = &picture.LevelFor(targetWidth, targetHeight);
    int64_t levelWidth = level->Width();
    int64_t levelHeight = level->Height();
    const bool fromTiles =
        picture.tiles != nullptr && (levelWidth < targetWidth || levelHeight < targetHeight);
    const int tileLevel = fromTiles ? picture.tiles->LevelFor(targetWidth, targetHeight) : 0;
    if (fromTiles) {
        levelWidth = picture.tiles->Width(tileLevel);
        levelHeight = picture.tiles->Height(tileLevel);
    }
    const std::vector<Span> columns = Spans(levelWidth, targetWidth, fromX, width);
    const std::vector<Span> rows = Spans(levelHeight, targetHeight, fromY, height);
    // Only the part of the level the target covers is read from the tiles.
    PixelImage region;
    int32_t levelX = 0;
    int32_t levelY = 0;
    if (fromTiles) {
        levelX = columns.front().first;
        levelY = rows.front().first;
        const PixelRect part{levelX, levelY, columns.back().last - levelX,
                             rows.back().last - levelY};
        if (!picture.tiles->Read(tileLevel, part, region)) {
            return false;
        }
        level = &region;
    }
    if (!out.Allocate(width, height)) return false;
    // The sums of a span of rows take the narrowest type that holds them:
    // the narrower, the more of them one vector instruction adds.
    int64_t tallest = 0;
    for (const Span& span : rows) tallest = std::max<int64_t>(tallest, span.last - span.first);
    if (tallest <= 0xFFFF / 255) {
        ResampleRows<uint16_t>(*level, levelX, levelY, columns, rows, out);
    } else if (tallest <= int64_t{0xFFFFFFFF} / 255) {
        ResampleRows<uint32_t>(*level, levelX, levelY, columns, rows, out);
    } else {
        ResampleRows<uint64_t>(*level, levelX, levelY, columns, rows, out);
    }
    return true;
}

}  // namespace kvx
