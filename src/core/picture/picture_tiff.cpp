#include "core/picture/picture_tiff.hpp"

#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "core/picture/picture_orientation.hpp"
#include "core/picture/picture_pixels.hpp"
#include "core/picture/picture_rows.hpp"
#include "core/picture/picture_tiles.hpp"

namespace kvx {
namespace {

/// The largest single allocation the codec library may make for one page
/// (a strip, a tile, its tables), beyond what the picture needs.
constexpr uint64_t kCodecAllowance = uint64_t{64} << 20;
/// Rows converted at a time through the codec library's own conversion.
constexpr uint64_t kRgbaBandBytes = uint64_t{16} << 20;

/// The file as the codec library reads it: memory, or an open file.
struct Stream {
    PictureSource source;
    long fileStart = 0;
    uint64_t position = 0;
    bool ranOut = false;
    /// What the codec library complained of, errors and warnings apart.
    int errors = 0;
    int warnings = 0;
};

Stream* StreamOf(thandle_t handle) {
    return static_cast<Stream*>(handle);
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    Stream* s = StreamOf(handle);
    if (size <= 0) return 0;
    const auto wanted = static_cast<uint64_t>(size);
    uint64_t got = 0;
    if (s->position >= s->source.size) {
        // Nothing there: an offset beyond the end, however large.
    } else if (s->source.file != nullptr) {
        const off_t at = static_cast<off_t>(s->fileStart) + static_cast<off_t>(s->position);
        if (fseeko(s->source.file, at, SEEK_SET) == 0) {
            got = std::fread(buffer, 1, static_cast<std::size_t>(wanted), s->source.file);
        }
    } else if (s->position < s->source.size) {
        got = std::min<uint64_t>(wanted, s->source.size - s->position);
        std::memcpy(buffer, s->source.data + s->position, static_cast<std::size_t>(got));
    }
    if (got < wanted) s->ranOut = true;
    s->position += got;
    return static_cast<tmsize_t>(got);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    Stream* s = StreamOf(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = s->position;
    if (whence == SEEK_END) base = s->source.size;
    const uint64_t target = base + offset;
    if (target < base) return static_cast<toff_t>(-1);
    s->position = target;
    return target;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return StreamOf(handle)->source.size;
}

int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) {}

int OnError(TIFF*, void* user, const char*, const char*, va_list) {
    ++static_cast<Stream*>(user)->errors;
    return 1;
}

int OnWarning(TIFF*, void* user, const char*, const char*, va_list) {
    ++static_cast<Stream*>(user)->warnings;
    return 1;
}

struct Closer {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

/// What the first page says about its pixels.
struct Layout {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bits = 1;
    uint16_t samples = 1;
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t format = SAMPLEFORMAT_UINT;
    uint16_t orientation = 1;
    bool tiled = false;
    uint32_t tileWidth = 0;
    uint32_t tileHeight = 0;
    uint32_t rowsPerStrip = 0;
    int colours = 1;          ///< 1 grey or palette, 3 RGB
    int alpha = -1;           ///< sample (or plane) index of the alpha, -1 none
    bool associated = false;  ///< alpha already multiplied into the colours
};

/// Part of a page as stored: columns [x, x + width), rows [y, y + height).
struct Window {
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;

    static Window Whole(const Layout& layout) { return {0, 0, layout.width, layout.height}; }
};

/// Reads rows of one plane (all samples of a pixel together when the samples
/// are interleaved) in any order, through the codec library's scanlines or,
/// for tiles, a band of one row of tiles at a time, of the tiles that hold
/// the columns asked for.
class RowReader {
public:
    RowReader(TIFF* tif, const Layout& layout)
        : tif_(tif), layout_(layout), columnsTo_(layout.width) {}

    [[nodiscard]] bool Prepare() {
        rowBytes_ = static_cast<std::size_t>(TIFFScanlineSize64(tif_));
        if (rowBytes_ == 0) return false;
        try {
            if (layout_.tiled) {
                tileBytes_ = static_cast<std::size_t>(TIFFTileSize64(tif_));
                tileRowBytes_ = static_cast<std::size_t>(TIFFTileRowSize64(tif_));
                if (tileBytes_ == 0 || tileRowBytes_ == 0) return false;
                tile_.resize(tileBytes_);
                band_.resize(rowBytes_ * layout_.tileHeight);
            } else {
                row_.resize(rowBytes_);
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    /// Only columns [from, to) are wanted from now on: tiles that hold none
    /// of them are not decoded.
    void SetColumns(uint32_t from, uint32_t to) {
        if (from == columnsFrom_ && to == columnsTo_) return;
        columnsFrom_ = from;
        columnsTo_ = to;
        bandValid_ = false;
    }

    /// Row y of plane; null when it could not be read (the caller counts it
    /// as damage).
    const uint8_t* Row(uint32_t y, uint16_t plane) {
        if (!layout_.tiled) {
            return TIFFReadScanline(tif_, row_.data(), y, plane) == 1 ? row_.data() : nullptr;
        }
        const uint32_t top = y - y % layout_.tileHeight;
        if (!bandValid_ || top != bandTop_ || plane != bandPlane_) LoadBand(top, plane);
        if (bandFailed_) return nullptr;
        return band_.data() + std::size_t{y - top} * rowBytes_;
    }

    std::size_t RowBytes() const { return rowBytes_; }

private:
    void LoadBand(uint32_t top, uint16_t plane) {
        bandValid_ = true;
        bandTop_ = top;
        bandPlane_ = plane;
        bandFailed_ = false;
        const uint32_t rows = std::min(layout_.tileHeight, layout_.height - top);
        const uint64_t pixelBits = uint64_t{layout_.bits} *
                                   (layout_.planar == PLANARCONFIG_SEPARATE ? 1 : layout_.samples);
        const uint32_t first = columnsFrom_ - columnsFrom_ % layout_.tileWidth;
        const uint32_t end = std::min(layout_.width, columnsTo_);
        for (uint32_t x = first; x < end; x += layout_.tileWidth) {
            if (TIFFReadTile(tif_, tile_.data(), x, top, 0, plane) < 0) {
                bandFailed_ = true;
                return;
            }
            const uint32_t columns = std::min(layout_.tileWidth, layout_.width - x);
            const auto offset = static_cast<std::size_t>(uint64_t{x} * pixelBits / 8);
            const auto bytes = static_cast<std::size_t>((uint64_t{columns} * pixelBits + 7) / 8);
            for (uint32_t r = 0; r < rows; ++r) {
                std::memcpy(band_.data() + std::size_t{r} * rowBytes_ + offset,
                            tile_.data() + std::size_t{r} * tileRowBytes_,
                            std::min(bytes, rowBytes_ - offset));
            }
        }
    }

    TIFF* tif_;
    const Layout& layout_;
    std::size_t rowBytes_ = 0;
    std::size_t tileBytes_ = 0;
    std::size_t tileRowBytes_ = 0;
    std::vector<uint8_t> row_;
    std::vector<uint8_t> tile_;
    std::vector<uint8_t> band_;
    bool bandValid_ = false;
    bool bandFailed_ = false;
    uint32_t bandTop_ = 0;
    uint16_t bandPlane_ = 0;
    uint32_t columnsFrom_ = 0;
    uint32_t columnsTo_;
};

/// Sample i of a row of samples of the given bits (1, 2, 4 packed from the
/// high bit; 8; 16 in the machine's order, as the codec library hands them).
uint32_t SampleAt(const uint8_t* row, std::size_t i, int bits) {
    switch (bits) {
        case 16: {
            uint16_t v = 0;
            std::memcpy(&v, row + 2 * i, 2);
            return v;
        }
        case 8:
            return row[i];
        default: {
            const std::size_t bit = i * static_cast<std::size_t>(bits);
            const unsigned shift = 8 - static_cast<unsigned>(bits) - static_cast<unsigned>(bit % 8);
            return (row[bit / 8] >> shift) & ((1u << bits) - 1);
        }
    }
}

/// Turns the samples of the page into 8-bit colours laid on the background.
/// Rows are converted from pixel `first` on, `width` pixels.
class Converter {
public:
    Converter(const Layout& layout, uint32_t background)
        : layout_(layout), background_(BackgroundRgb(background)) {
        // Only the kinds converted here use it; others may claim any depth.
        full_ = layout.bits <= 16 ? (1u << layout.bits) - 1 : 0xFFFF;
    }

    void SetPalette(const uint16_t* r, const uint16_t* g, const uint16_t* b) {
        const std::size_t entries = std::size_t{1} << layout_.bits;
        // Old writers put 8-bit values into the 16-bit table.
        bool eightBit = true;
        for (std::size_t i = 0; i < entries; ++i) {
            if (r[i] > 255 || g[i] > 255 || b[i] > 255) eightBit = false;
        }
        palette_.resize(entries * 3);
        for (std::size_t i = 0; i < entries; ++i) {
            const uint16_t* channels[3] = {r, g, b};
            for (int c = 0; c < 3; ++c) {
                const uint32_t v = channels[c][i];
                palette_[i * 3 + static_cast<std::size_t>(c)] =
                    static_cast<uint8_t>(eightBit ? v : RoundedQuotient(uint64_t{v} * 255, 65535));
            }
        }
    }

    bool Sixteen() const {
        return layout_.bits == 16 && layout_.photometric != PHOTOMETRIC_PALETTE;
    }
    SixteenBitRange& Range() { return range_; }
    const SixteenBitRange& Range() const { return range_; }
    void FinishRange() {
        table_.resize(65536);
        range_.Fill(table_.data());
    }
    void UseRange(const SixteenBitRange& range) {
        range_ = range;
        FinishRange();
    }

    /// The colour sample as stored, white at the top for either grey kind.
    uint32_t Raw(uint32_t v) const {
        return layout_.photometric == PHOTOMETRIC_MINISWHITE ? full_ - v : v;
    }
    /// A colour sample as an 8-bit value (not for palettes).
    uint8_t Value(uint32_t v) const {
        const uint32_t raw = Raw(v);
        if (layout_.bits == 16) return table_[raw];
        if (layout_.bits == 8) return static_cast<uint8_t>(raw);
        return static_cast<uint8_t>(RoundedQuotient(uint64_t{raw} * 255, full_));
    }
    /// A raw 16-bit colour value as an 8-bit value.
    uint8_t SixteenValue(uint32_t raw) const { return table_[raw]; }

    /// One channel c of a colour with alpha a laid on the background.
    uint8_t Over(uint8_t value, uint32_t a, int c) const {
        if (a >= full_) return value;
        const uint8_t b = background_[static_cast<std::size_t>(c)];
        if (layout_.associated) {
            const uint32_t under = RoundedQuotient(uint64_t{b} * (full_ - a), full_);
            return static_cast<uint8_t>(std::min<uint32_t>(255, value + under));
        }
        return OverBackground(value, a, full_, b);
    }

    /// Adds the colour samples of a row of interleaved samples (pixels with
    /// no alpha left out) to the range.
    void RangeOfRow(const uint8_t* row, uint32_t width) {
        const std::size_t n = layout_.samples;
        for (uint32_t x = 0; x < width; ++x) {
            const std::size_t at = std::size_t{x} * n;
            if (layout_.alpha >= 0 &&
                SampleAt(row, at + static_cast<std::size_t>(layout_.alpha), 16) == 0) {
                continue;
            }
            for (int c = 0; c < layout_.colours; ++c) {
                range_.Add(static_cast<uint16_t>(
                    Raw(SampleAt(row, at + static_cast<std::size_t>(c), 16))));
            }
        }
    }

    /// The colour samples of a row of interleaved 16-bit samples as they are
    /// (white at the top), split into high and low bytes of RGB.
    void SixteenOfRow(const uint8_t* row, uint32_t first, uint32_t width, uint8_t* high,
                      uint8_t* low) const {
        const std::size_t n = layout_.samples;
        for (uint32_t x = 0; x < width; ++x, high += 3, low += 3) {
            const std::size_t at = std::size_t{first + x} * n;
            for (int c = 0; c < 3; ++c) {
                const std::size_t from = layout_.colours == 3 ? static_cast<std::size_t>(c) : 0;
                const uint32_t v = Raw(SampleAt(row, at + from, 16));
                high[c] = static_cast<uint8_t>(v >> 8);
                low[c] = static_cast<uint8_t>(v & 0xFF);
            }
        }
    }

    /// True when a row of interleaved samples is RGB as it stands.
    bool RowIsRgb() const {
        return layout_.bits == 8 && layout_.samples == 3 && layout_.colours == 3 &&
               layout_.photometric == PHOTOMETRIC_RGB && layout_.alpha < 0;
    }

    /// A row of interleaved samples as RGB.
    void RgbOfRow(const uint8_t* row, uint32_t first, uint32_t width, uint8_t* rgb) const {
        const std::size_t n = layout_.samples;
        const int bits = layout_.bits;
        for (uint32_t x = 0; x < width; ++x, rgb += 3) {
            const std::size_t at = std::size_t{first + x} * n;
            uint8_t colour[3];
            if (layout_.photometric == PHOTOMETRIC_PALETTE) {
                const std::size_t index = SampleAt(row, at, bits);
                std::memcpy(colour, &palette_[index * 3], 3);
            } else if (layout_.colours == 3) {
                for (int c = 0; c < 3; ++c)
                    colour[c] = Value(SampleAt(row, at + static_cast<std::size_t>(c), bits));
            } else {
                colour[0] = colour[1] = colour[2] = Value(SampleAt(row, at, bits));
            }
            const uint32_t a =
                layout_.alpha >= 0
                    ? SampleAt(row, at + static_cast<std::size_t>(layout_.alpha), bits)
                    : full_;
            for (int c = 0; c < 3; ++c) rgb[c] = Over(colour[c], a, c);
        }
    }

    uint32_t Full() const { return full_; }

private:
    const Layout& layout_;
    std::array<uint8_t, 3> background_;
    uint32_t full_ = 255;
    std::vector<uint8_t> palette_;
    std::vector<uint8_t> table_;
    SixteenBitRange range_;
};

/// How reading the rows went.
struct RowCount {
    uint64_t good = 0;
    uint64_t bad = 0;
};

/// One page of a file read by windows: its converter and row reader kept
/// from one window to the next.
class PageReader {
public:
    PageReader(TIFF* tif, const Layout& layout, uint32_t background)
        : tif_(tif),
          layout_(layout),
          convert_(layout_, background),
          reader_(tif, layout_),
          own_(OwnKind(layout)) {}
    PageReader(const PageReader&) = delete;
    PageReader& operator=(const PageReader&) = delete;

    static bool OwnKind(const Layout& layout);

    const Layout& Page() const { return layout_; }
    bool Own() const { return own_; }
    /// Samples of 16 bits that are shown by their range.
    bool Sixteen() const { return own_ && convert_.Sixteen(); }
    bool Separate() const { return layout_.planar == PLANARCONFIG_SEPARATE && layout_.samples > 1; }
    const SixteenBitRange& Range() const { return convert_.Range(); }
    void UseRange(const SixteenBitRange& range) { convert_.UseRange(range); }

    [[nodiscard]] DecodeStatus Prepare() {
        if (!own_) return DecodeStatus::Ok;
        if (layout_.photometric == PHOTOMETRIC_PALETTE) {
            uint16_t* r = nullptr;
            uint16_t* g = nullptr;
            uint16_t* b = nullptr;
            if (TIFFGetField(tif_, TIFFTAG_COLORMAP, &r, &g, &b) != 1 || r == nullptr ||
                g == nullptr || b == nullptr) {
                return DecodeStatus::Corrupt;
            }
            convert_.SetPalette(r, g, b);
        }
        if (!reader_.Prepare()) return DecodeStatus::Corrupt;
        // A pixel's samples must fit the row the codec library hands out.
        const uint64_t pixelSamples = Separate() ? 1 : layout_.samples;
        if (uint64_t{layout_.width} * pixelSamples * layout_.bits >
            uint64_t{reader_.RowBytes()} * 8) {
            return DecodeStatus::Corrupt;
        }
        return DecodeStatus::Ok;
    }

    /// The range of a page of 16-bit samples, read through once.
    [[nodiscard]] DecodeStatus FindRange(const DecodeOptions& options);
    /// The rows of window into sink; with high and low, the 16-bit samples
    /// as well (interleaved pages).
    [[nodiscard]] DecodeStatus Read(const Window& window, RowSink& sink, TurnedRows* high,
                                    TurnedRows* low, const DecodeOptions& options, RowCount& rows);
    /// The samples of a whole page of 16-bit interleaved samples without
    /// alpha into high and low, and their range, in one reading.
    [[nodiscard]] DecodeStatus ReadSamplesOnce(TurnedRows& high, TurnedRows& low,
                                               const DecodeOptions& options, RowCount& rows);
    /// The shown values of samples read by ReadSamplesOnce, laid out alike.
    void ShowSamples(const PixelImage& high, const PixelImage& low, PixelImage& shown) const {
        const std::size_t bytes = shown.Stride() * static_cast<std::size_t>(shown.Height());
        const uint8_t* h = high.Row(0);
        const uint8_t* l = low.Row(0);
        uint8_t* out = shown.Row(0);
        for (std::size_t i = 0; i < bytes; ++i) {
            out[i] = convert_.SixteenValue((uint32_t{h[i]} << 8) | l[i]);
        }
    }
    /// The whole page of 16-bit interleaved samples without alpha reduced
    /// by factor into image, read once: the means of the samples are kept
    /// until their range is known.
    [[nodiscard]] DecodeStatus ReduceSixteen(uint32_t factor, PixelImage& image,
                                             const DecodeOptions& options, RowCount& rows);

private:
    DecodeStatus ReadOwn(const Window& window, RowSink& sink, TurnedRows* high, TurnedRows* low,
                         const DecodeOptions& options, RowCount& rows);
    DecodeStatus ReadThroughRgba(const Window& window, RowSink& sink, const DecodeOptions& options,
                                 RowCount& rows);

    TIFF* tif_;
    Layout layout_;
    Converter convert_;
    RowReader reader_;
    bool own_;
};

/// True for the kinds converted here rather than by the codec library.
bool PageReader::OwnKind(const Layout& layout) {
    const uint16_t bits = layout.bits;
    if (layout.samples < layout.colours) return false;
    switch (layout.photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE:
            return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16;
        case PHOTOMETRIC_RGB:
            return bits == 8 || bits == 16;
        case PHOTOMETRIC_PALETTE:
            return (bits == 1 || bits == 2 || bits == 4 || bits == 8) && layout.alpha < 0;
        default:
            return false;
    }
}

DecodeStatus PageReader::FindRange(const DecodeOptions& options) {
    const Layout& layout = layout_;
    reader_.SetColumns(0, layout.width);
    if (Separate()) {
        // Planes are read one after the other; which pixels are wholly
        // transparent is kept as one bit each meanwhile.
        std::vector<uint8_t> seen;
        const uint64_t pixels = uint64_t{layout.width} * layout.height;
        if (layout.alpha >= 0) {
            try {
                seen.assign(static_cast<std::size_t>((pixels + 7) / 8), 0);
            } catch (const std::bad_alloc&) {
                return DecodeStatus::OutOfMemory;
            }
            for (uint32_t y = 0; y < layout.height; ++y) {
                if (options.Cancelled()) return DecodeStatus::Cancelled;
                const uint8_t* row = reader_.Row(y, static_cast<uint16_t>(layout.alpha));
                if (row == nullptr) continue;
                for (uint32_t x = 0; x < layout.width; ++x) {
                    if (SampleAt(row, x, 16) == 0) continue;
                    const uint64_t i = uint64_t{y} * layout.width + x;
                    seen[static_cast<std::size_t>(i / 8)] |= static_cast<uint8_t>(1u << (i % 8));
                }
            }
        }
        for (int plane = 0; plane < layout.colours; ++plane) {
            for (uint32_t y = 0; y < layout.height; ++y) {
                if (options.Cancelled()) return DecodeStatus::Cancelled;
                const uint8_t* row = reader_.Row(y, static_cast<uint16_t>(plane));
                if (row == nullptr) continue;
                for (uint32_t x = 0; x < layout.width; ++x) {
                    const uint64_t i = uint64_t{y} * layout.width + x;
                    if (!seen.empty() &&
                        (seen[static_cast<std::size_t>(i / 8)] & (1u << (i % 8))) == 0) {
                        continue;
                    }
                    convert_.Range().Add(static_cast<uint16_t>(convert_.Raw(SampleAt(row, x, 16))));
                }
            }
        }
    } else {
        for (uint32_t y = 0; y < layout.height; ++y) {
            if (options.Cancelled()) return DecodeStatus::Cancelled;
            if (const uint8_t* row = reader_.Row(y, 0)) convert_.RangeOfRow(row, layout.width);
        }
    }
    convert_.FinishRange();
    return DecodeStatus::Ok;
}

DecodeStatus PageReader::Read(const Window& window, RowSink& sink, TurnedRows* high,
                              TurnedRows* low, const DecodeOptions& options, RowCount& rows) {
    return own_ ? ReadOwn(window, sink, high, low, options, rows)
                : ReadThroughRgba(window, sink, options, rows);
}

DecodeStatus PageReader::ReadOwn(const Window& window, RowSink& sink, TurnedRows* high,
                                 TurnedRows* low, const DecodeOptions& options, RowCount& rows) {
    const Layout& layout = layout_;
    reader_.SetColumns(window.x, window.x + window.width);
    const bool keep = high != nullptr && low != nullptr && convert_.Sixteen();
    if (!Separate()) {
        std::vector<uint8_t> rgb(std::size_t{window.width} * 3);
        std::vector<uint8_t> highRow(keep ? rgb.size() : 0);
        std::vector<uint8_t> lowRow(keep ? rgb.size() : 0);
        const bool asItStands = convert_.RowIsRgb();
        for (uint32_t y = window.y; y < window.y + window.height; ++y) {
            if (options.Cancelled()) return DecodeStatus::Cancelled;
            const uint8_t* row = reader_.Row(y, 0);
            if (row == nullptr) {
                ++rows.bad;
                continue;
            }
            ++rows.good;
            if (asItStands) {
                sink.Put(y - window.y, row + std::size_t{window.x} * 3);
            } else {
                convert_.RgbOfRow(row, window.x, window.width, rgb.data());
                sink.Put(y - window.y, rgb.data());
            }
            if (keep) {
                convert_.SixteenOfRow(row, window.x, window.width, highRow.data(), lowRow.data());
                high->Put(static_cast<int32_t>(y - window.y), highRow.data());
                low->Put(static_cast<int32_t>(y - window.y), lowRow.data());
            }
        }
        return DecodeStatus::Ok;
    }
    // Planes: each colour plane into its channel, then the alpha laid over.
    TurnedRows* turned = sink.Turned();
    if (turned == nullptr) return DecodeStatus::Unsupported;
    const auto at = [&](uint32_t x, uint32_t y) {
        return turned->Pixel(static_cast<int32_t>(x), static_cast<int32_t>(y - window.y));
    };
    for (int plane = 0; plane < layout.colours; ++plane) {
        for (uint32_t y = window.y; y < window.y + window.height; ++y) {
            if (options.Cancelled()) return DecodeStatus::Cancelled;
            const uint8_t* row = reader_.Row(y, static_cast<uint16_t>(plane));
            if (row == nullptr) {
                ++rows.bad;
                continue;
            }
            ++rows.good;
            for (uint32_t x = 0; x < window.width; ++x) {
                uint8_t* p = at(x, y);
                const uint32_t sample = SampleAt(row, window.x + x, layout.bits);
                const uint8_t v = convert_.Value(sample);
                if (layout.colours == 1) {
                    p[0] = p[1] = p[2] = v;
                } else {
                    p[plane] = v;
                }
                if (keep) {
                    const uint32_t raw = convert_.Raw(sample);
                    uint8_t* h =
                        high->Pixel(static_cast<int32_t>(x), static_cast<int32_t>(y - window.y));
                    uint8_t* l =
                        low->Pixel(static_cast<int32_t>(x), static_cast<int32_t>(y - window.y));
                    for (int c = 0; c < 3; ++c) {
                        if (layout.colours != 1 && c != plane) continue;
                        h[c] = static_cast<uint8_t>(raw >> 8);
                        l[c] = static_cast<uint8_t>(raw & 0xFF);
                    }
                }
            }
        }
    }
    if (layout.alpha >= 0) {
        for (uint32_t y = window.y; y < window.y + window.height; ++y) {
            if (options.Cancelled()) return DecodeStatus::Cancelled;
            const uint8_t* row = reader_.Row(y, static_cast<uint16_t>(layout.alpha));
            if (row == nullptr) {
                ++rows.bad;
                continue;
            }
            for (uint32_t x = 0; x < window.width; ++x) {
                uint8_t* p = at(x, y);
                const uint32_t a = SampleAt(row, window.x + x, layout.bits);
                for (int c = 0; c < 3; ++c) p[c] = convert_.Over(p[c], a, c);
            }
        }
    }
    return DecodeStatus::Ok;
}

DecodeStatus PageReader::ReadSamplesOnce(TurnedRows& high, TurnedRows& low,
                                         const DecodeOptions& options, RowCount& rows) {
    const Layout& layout = layout_;
    reader_.SetColumns(0, layout.width);
    std::vector<uint8_t> highRow(std::size_t{layout.width} * 3);
    std::vector<uint8_t> lowRow(highRow.size());
    for (uint32_t y = 0; y < layout.height; ++y) {
        if (options.Cancelled()) return DecodeStatus::Cancelled;
        const uint8_t* row = reader_.Row(y, 0);
        if (row == nullptr) {
            ++rows.bad;
            continue;
        }
        ++rows.good;
        convert_.RangeOfRow(row, layout.width);
        convert_.SixteenOfRow(row, 0, layout.width, highRow.data(), lowRow.data());
        high.Put(static_cast<int32_t>(y), highRow.data());
        low.Put(static_cast<int32_t>(y), lowRow.data());
    }
    convert_.FinishRange();
    return DecodeStatus::Ok;
}

DecodeStatus PageReader::ReduceSixteen(uint32_t factor, PixelImage& image,
                                       const DecodeOptions& options, RowCount& rows) {
    const Layout& layout = layout_;
    reader_.SetColumns(0, layout.width);
    const uint32_t across = ReducedSide(layout.width, factor);
    const uint32_t down = ReducedSide(layout.height, factor);
    const auto colours = static_cast<std::size_t>(layout.colours);
    const std::size_t n = layout.samples;
    std::vector<uint64_t> sums;
    std::vector<uint16_t> means;
    try {
        sums.assign(std::size_t{across} * colours, 0);
        means.assign(std::size_t{across} * down * colours, 0);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::OutOfMemory;
    }
    const auto flush = [&](uint32_t block) {
        const uint32_t blockRows = std::min(factor, layout.height - block * factor);
        for (uint32_t bx = 0; bx < across; ++bx) {
            const uint64_t count =
                uint64_t{blockRows} * std::min(factor, layout.width - bx * factor);
            for (std::size_t c = 0; c < colours; ++c) {
                const std::size_t i = std::size_t{bx} * colours + c;
                means[std::size_t{block} * across * colours + i] =
                    static_cast<uint16_t>((sums[i] + count / 2) / count);
            }
        }
        std::fill(sums.begin(), sums.end(), uint64_t{0});
    };
    uint32_t block = 0;
    bool any = false;
    for (uint32_t y = 0; y < layout.height; ++y) {
        if (options.Cancelled()) return DecodeStatus::Cancelled;
        if (y / factor != block) {
            if (any) flush(block);
            block = y / factor;
            any = false;
        }
        const uint8_t* row = reader_.Row(y, 0);
        if (row == nullptr) {
            ++rows.bad;
            continue;
        }
        ++rows.good;
        any = true;
        uint64_t* sum = sums.data();
        for (uint32_t x = 0; x < layout.width; ++x) {
            if (x > 0 && x % factor == 0) sum += colours;
            for (std::size_t c = 0; c < colours; ++c) {
                const auto v = static_cast<uint16_t>(convert_.Raw(SampleAt(row, x * n + c, 16)));
                convert_.Range().Add(v);
                sum[c] += v;
            }
        }
    }
    if (any) flush(block);
    convert_.FinishRange();
    TurnedRows turned(image, static_cast<int32_t>(across), static_cast<int32_t>(down),
                      layout.orientation);
    std::vector<uint8_t> rgb(std::size_t{across} * 3);
    for (uint32_t by = 0; by < down; ++by) {
        const uint16_t* mean = means.data() + std::size_t{by} * across * colours;
        for (uint32_t bx = 0; bx < across; ++bx, mean += colours) {
            for (std::size_t c = 0; c < 3; ++c) {
                rgb[std::size_t{bx} * 3 + c] = convert_.SixteenValue(mean[colours == 3 ? c : 0]);
            }
        }
        turned.Put(static_cast<int32_t>(by), rgb.data());
    }
    return DecodeStatus::Ok;
}

/// Kinds the program does not convert itself, through the codec library's
/// RGBA conversion (which hands out colours already multiplied by alpha).
DecodeStatus PageReader::ReadThroughRgba(const Window& window, RowSink& sink,
                                         const DecodeOptions& options, RowCount& rows) {
    const Layout& layout = layout_;
    char message[1024] = {};
    if (TIFFRGBAImageOK(tif_, message) != 1) return DecodeStatus::Unsupported;
    TIFFRGBAImage rgba{};
    if (TIFFRGBAImageBegin(&rgba, tif_, 1, message) != 1) return DecodeStatus::Unsupported;
    struct End {
        TIFFRGBAImage* image;
        ~End() { TIFFRGBAImageEnd(image); }
    } end{&rgba};
    // Rows as stored, top down; the picture is turned where it is put, as
    // every kind is.
    rgba.req_orientation = ORIENTATION_TOPLEFT;
    rgba.orientation = ORIENTATION_TOPLEFT;
    uint64_t band = layout.tiled ? layout.tileHeight : layout.rowsPerStrip;
    band = std::clamp<uint64_t>(band, 1, window.height);
    band = std::max<uint64_t>(1, std::min(band, kRgbaBandBytes / (uint64_t{window.width} * 4)));
    std::vector<uint32_t> raster;
    std::vector<uint8_t> rgb;
    try {
        raster.resize(static_cast<std::size_t>(band * window.width));
        rgb.resize(std::size_t{window.width} * 3);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::OutOfMemory;
    }
    const std::array<uint8_t, 3> background = BackgroundRgb(options.background);
    for (uint32_t top = 0; top < window.height; top += static_cast<uint32_t>(band)) {
        if (options.Cancelled()) return DecodeStatus::Cancelled;
        const auto count = static_cast<uint32_t>(std::min<uint64_t>(band, window.height - top));
        rgba.row_offset = static_cast<int>(window.y + top);
        rgba.col_offset = static_cast<int>(window.x);
        if (TIFFRGBAImageGet(&rgba, raster.data(), window.width, count) != 1) {
            rows.bad += count;
            continue;
        }
        rows.good += count;
        for (uint32_t r = 0; r < count; ++r) {
            const uint32_t* in = raster.data() + std::size_t{r} * window.width;
            uint8_t* out = rgb.data();
            for (uint32_t x = 0; x < window.width; ++x, out += 3) {
                const uint32_t abgr = in[x];
                const uint32_t a = TIFFGetA(abgr);
                const uint32_t colour[3] = {TIFFGetR(abgr), TIFFGetG(abgr), TIFFGetB(abgr)};
                for (int c = 0; c < 3; ++c) {
                    const uint32_t under = RoundedQuotient(
                        uint64_t{background[static_cast<std::size_t>(c)]} * (255 - a), 255);
                    out[c] = static_cast<uint8_t>(std::min<uint32_t>(255, colour[c] + under));
                }
            }
            sink.Put(top + r, rgb.data());
        }
    }
    return DecodeStatus::Ok;
}

/// The layout of the page, or the reason it cannot be read.
DecodeStatus ReadLayout(TIFF* tif, Layout& layout) {
    if (TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &layout.width) != 1 ||
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &layout.height) != 1) {
        return DecodeStatus::Corrupt;
    }
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &layout.format);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &layout.orientation);
    if (layout.orientation < 1 || layout.orientation > 8) layout.orientation = 1;
    if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &layout.photometric) != 1) {
        // Without the tag a single sample is grey, three are RGB.
        layout.photometric = layout.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    }
    layout.tiled = TIFFIsTiled(tif) != 0;
    if (layout.tiled) {
        if (TIFFGetField(tif, TIFFTAG_TILEWIDTH, &layout.tileWidth) != 1 ||
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &layout.tileHeight) != 1 ||
            layout.tileWidth == 0 || layout.tileHeight == 0) {
            return DecodeStatus::Corrupt;
        }
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &layout.rowsPerStrip);
    }
    if (layout.format != SAMPLEFORMAT_UINT && layout.format != SAMPLEFORMAT_VOID) {
        return DecodeStatus::Unsupported;
    }
    if (layout.samples == 0 || layout.bits == 0) return DecodeStatus::Corrupt;
    layout.colours = layout.photometric == PHOTOMETRIC_RGB ? 3 : 1;
    uint16_t extraCount = 0;
    uint16_t* extraKinds = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds) == 1 &&
        extraKinds != nullptr) {
        for (uint16_t i = 0; i < extraCount; ++i) {
            if (extraKinds[i] == EXTRASAMPLE_ASSOCALPHA ||
                extraKinds[i] == EXTRASAMPLE_UNASSALPHA) {
                const int index = layout.samples - extraCount + i;
                if (index >= layout.colours) {
                    layout.alpha = index;
                    layout.associated = extraKinds[i] == EXTRASAMPLE_ASSOCALPHA;
                }
                break;
            }
        }
    }
    return DecodeStatus::Ok;
}

/// Reduced-resolution pages (a pyramid) looked at for a first view at most.
constexpr int kMostPages = 64;

/// The smallest reduced-resolution page of the file whose larger side still
/// has wantedSide pixels, as slide scanners and pyramid writers put them
/// after the full page; the directory is left at that page, or at the first
/// when no page serves. False when the first page is to be decoded.
bool ChooseReducedPage(TIFF* tif, const Layout& full, int64_t wantedSide, Layout& chosen) {
    tdir_t best = 0;
    uint64_t bestPixels = uint64_t{full.width} * full.height;
    for (int page = 1; page < kMostPages && TIFFReadDirectory(tif) == 1; ++page) {
        uint32_t kind = 0;
        TIFFGetFieldDefaulted(tif, TIFFTAG_SUBFILETYPE, &kind);
        if ((kind & FILETYPE_REDUCEDIMAGE) == 0) continue;
        Layout layout;
        if (ReadLayout(tif, layout) != DecodeStatus::Ok || layout.bits != full.bits ||
            layout.width >= full.width || layout.height >= full.height) {
            continue;
        }
        const uint64_t pixels = uint64_t{layout.width} * layout.height;
        if (std::max(layout.width, layout.height) < wantedSide || pixels >= bestPixels) continue;
        best = TIFFCurrentDirectory(tif);
        bestPixels = pixels;
        chosen = layout;
    }
    if (TIFFSetDirectory(tif, best) != 1) return false;
    if (best == 0) return false;
    // A reduced page is shown the way the full one is turned.
    chosen.orientation = full.orientation;
    return true;
}

/// The largest power of two the page can be reduced by for a first view
/// whose larger side still has wantedSide pixels; 1 for none.
uint32_t FirstViewReduction(const Layout& layout, int64_t wantedSide) {
    const uint32_t side = std::max(layout.width, layout.height);
    uint32_t factor = 1;
    while (factor < (uint32_t{1} << 16) && ReducedSide(side, factor * 2) >= wantedSide) factor *= 2;
    return factor;
}

using TiffPtr = std::unique_ptr<TIFF, Closer>;

/// Opens the file of stream for the codec library, its single allocations
/// bounded by what a page within limits may need.
TiffPtr OpenTiff(Stream& stream, const PictureLimits& limits) {
    std::unique_ptr<TIFFOpenOptions, OptionsFree> openOptions(TIFFOpenOptionsAlloc());
    if (!openOptions) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(openOptions.get(), OnError, &stream);
    TIFFOpenOptionsSetWarningHandlerExtR(openOptions.get(), OnWarning, &stream);
    const uint64_t ceiling = static_cast<uint64_t>(limits.maxPixels) * 8 + kCodecAllowance;
    TIFFOpenOptionsSetMaxSingleMemAlloc(openOptions.get(), static_cast<tmsize_t>(ceiling));
    // "m": no memory mapping; the procedures above read every byte.
    return TiffPtr(TIFFClientOpenExt("picture", "rm", &stream, ReadProc, WriteProc, SeekProc,
                                     CloseProc, SizeProc, MapProc, UnmapProc, openOptions.get()));
}

/// The full page of a file read again window by window for the tiles of a
/// picture. It keeps a file handle of its own, so that the file stays
/// readable whatever happens to its name (a temporary copy removed, a
/// picture saved over it).
class TiffRegionSource final : public PictureRegionSource {
public:
    /// Null when the file cannot be opened again the way it was read.
    static std::unique_ptr<TiffRegionSource> Open(const PictureSource& source, long fileStart,
                                                  const Layout& full, uint32_t background,
                                                  const SixteenBitRange* range,
                                                  const PictureLimits& limits) {
        if (source.file == nullptr) return nullptr;
        const int handle = dup(fileno(source.file));
        if (handle < 0) return nullptr;
        std::FILE* file = fdopen(handle, "rb");
        if (file == nullptr) {
            close(handle);
            return nullptr;
        }
        std::unique_ptr<TiffRegionSource> region(new TiffRegionSource(file));
        region->stream_.source = {nullptr, file, source.size};
        region->stream_.fileStart = fileStart;
        region->tif_ = OpenTiff(region->stream_, limits);
        Layout layout;
        if (!region->tif_ || ReadLayout(region->tif_.get(), layout) != DecodeStatus::Ok ||
            layout.width != full.width || layout.height != full.height ||
            layout.bits != full.bits) {
            return nullptr;
        }
        region->page_ = std::make_unique<PageReader>(region->tif_.get(), layout, background);
        if (region->page_->Prepare() != DecodeStatus::Ok) return nullptr;
        if (region->page_->Sixteen()) {
            if (range == nullptr) return nullptr;
            region->page_->UseRange(*range);
        }
        return region;
    }

    bool Read(const PixelRect& shown, PixelImage& out) override {
        const Layout& layout = page_->Page();
        const PixelRect stored =
            StoredRectOf(shown, static_cast<int32_t>(layout.width),
                         static_cast<int32_t>(layout.height), layout.orientation);
        if (!out.AllocateBlack(shown.width, shown.height)) return false;
        const Window window{static_cast<uint32_t>(stored.left), static_cast<uint32_t>(stored.top),
                            static_cast<uint32_t>(stored.width),
                            static_cast<uint32_t>(stored.height)};
        TurnedSink sink(out, window.width, window.height, layout.orientation);
        RowCount rows;
        const DecodeStatus status = page_->Read(window, sink, nullptr, nullptr, {}, rows);
        // Rows that cannot be read stay black, as in a picture decoded whole.
        return status == DecodeStatus::Ok;
    }

    PixelRect NaturalBlock() const override {
        const Layout& layout = page_->Page();
        const int32_t width = static_cast<int32_t>(layout.tiled ? layout.tileWidth : layout.width);
        const int32_t height = static_cast<int32_t>(
            layout.tiled ? layout.tileHeight : std::min(layout.rowsPerStrip, layout.height));
        const bool swap = OrientationSwapsSides(layout.orientation);
        return {0, 0, swap ? height : width, swap ? width : height};
    }

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    explicit TiffRegionSource(std::FILE* file) : file_(file) {}

    // Closed in this order: the codec library's handle before the file.
    std::unique_ptr<std::FILE, FileCloser> file_;
    Stream stream_;
    TiffPtr tif_;
    std::unique_ptr<PageReader> page_;
};

}  // namespace

DecodeStatus DecodeTiff(const PictureSource& source, const DecodeOptions& options,
                        const PictureLimits& limits, Picture& picture) {
    picture.Clear();
    if (source.size < 8 || (source.data == nullptr && source.file == nullptr)) {
        return DecodeStatus::Truncated;
    }
    Stream stream;
    stream.source = source;
    if (source.file != nullptr) stream.fileStart = std::ftell(source.file);
    TiffPtr tif = OpenTiff(stream, limits);
    if (!tif) return stream.ranOut ? DecodeStatus::Truncated : DecodeStatus::Corrupt;

    Layout layout;
    if (const DecodeStatus status = ReadLayout(tif.get(), layout); status != DecodeStatus::Ok) {
        return status;
    }
    if (layout.width > static_cast<uint32_t>(limits.maxSide) ||
        layout.height > static_cast<uint32_t>(limits.maxSide)) {
        return DecodeStatus::TooLarge;
    }
    // A first view read from a file needs no more than a reduced page or a
    // reduction of the full page made while it is read; the full resolution
    // is then read in parts as views need it, and the page may be larger
    // than a picture held whole could be. The samples of 16 bits are wanted
    // in full.
    const bool fits = limits.Accepts(layout.width, layout.height);
    const bool sixteen = layout.bits == 16 && layout.photometric != PHOTOMETRIC_PALETTE &&
                         PageReader::OwnKind(layout);
    const bool samplesWanted = options.keepSixteenBits && sixteen;
    // Decoded in full, a page too large to be held whole is read in parts
    // as well when the caller takes a picture whose full resolution lies in
    // its tiles.
    const bool inParts = source.file != nullptr && !samplesWanted &&
                         (options.wantedSide > 0 || (!fits && !options.tileFolder.empty()));
    if (!fits && !inParts) return DecodeStatus::TooLarge;
    const Layout full = layout;
    bool reducedPage = false;
    if (options.wantedSide > 0 && !samplesWanted) {
        // What is wrong with pages that are not shown does not damage the picture.
        const int errors = stream.errors;
        reducedPage = ChooseReducedPage(tif.get(), full, options.wantedSide, layout);
        stream.errors = errors;
        if (!reducedPage && TIFFCurrentDirectory(tif.get()) != 0) return DecodeStatus::Corrupt;
    }
    if (reducedPage && !limits.Accepts(layout.width, layout.height)) return DecodeStatus::TooLarge;
    const bool separate =
        full.planar == PLANARCONFIG_SEPARATE && full.samples > 1 && PageReader::OwnKind(full);
    const uint32_t factor = reducedPage || !inParts ? 1
                            : options.wantedSide > 0
                                ? FirstViewReduction(full, options.wantedSide)
                                : KeptFirstViewReduction(full.width, full.height);
    // The tiles of a page of 16 bits show its values by the range of the
    // whole page, which only a reduction made while reading it finds; pages
    // in planes are put together whole.
    const bool tiled = inParts && (reducedPage ? !sixteen : factor >= 2 && !separate);
    if (!tiled && !fits) return DecodeStatus::TooLarge;

    // Complaints about the tags are behind; from here on the codec library
    // speaks of the pixels, and what it repaired or skipped is damage (a
    // G4 code word that means nothing, JPEG data that end early).
    const int complaintsBefore = stream.errors + stream.warnings;
    PageReader page(tif.get(), layout, options.background);
    DecodeStatus status = page.Prepare();
    RowCount rows;
    const bool swap = OrientationSwapsSides(layout.orientation);
    if (status == DecodeStatus::Ok && (factor < 2 || !tiled)) {
        // The page decoded whole: the first page, or the reduced one chosen.
        const bool keep = options.keepSixteenBits && page.Sixteen();
        // Samples kept of a page without alpha are read once: the shown
        // values follow from them when the range is known.
        const bool once = keep && !page.Separate() && layout.alpha < 0;
        if (page.Sixteen() && !once) status = page.FindRange(options);
        const int32_t width = static_cast<int32_t>(swap ? layout.height : layout.width);
        const int32_t height = static_cast<int32_t>(swap ? layout.width : layout.height);
        if (status == DecodeStatus::Ok &&
            (!picture.pixels.AllocateBlack(width, height) ||
             (keep && (!picture.samplesHigh.AllocateBlack(width, height) ||
                       !picture.samplesLow.AllocateBlack(width, height))))) {
            status = DecodeStatus::OutOfMemory;
        }
        if (status == DecodeStatus::Ok) {
            TurnedSink sink(picture.pixels, layout.width, layout.height, layout.orientation);
            std::optional<TurnedRows> high;
            std::optional<TurnedRows> low;
            if (keep) {
                high.emplace(picture.samplesHigh, static_cast<int32_t>(layout.width),
                             static_cast<int32_t>(layout.height), layout.orientation);
                low.emplace(picture.samplesLow, static_cast<int32_t>(layout.width),
                            static_cast<int32_t>(layout.height), layout.orientation);
            }
            status = once ? page.ReadSamplesOnce(*high, *low, options, rows)
                          : page.Read(Window::Whole(layout), sink, keep ? &*high : nullptr,
                                      keep ? &*low : nullptr, options, rows);
            if (status == DecodeStatus::Ok && once) {
                page.ShowSamples(picture.samplesHigh, picture.samplesLow, picture.pixels);
            }
        }
    } else if (status == DecodeStatus::Ok) {
        // Reduced while it is read: the full page is never held.
        const uint32_t across = ReducedSide(layout.width, factor);
        const uint32_t down = ReducedSide(layout.height, factor);
        if (!picture.pixels.AllocateBlack(static_cast<int32_t>(swap ? down : across),
                                          static_cast<int32_t>(swap ? across : down))) {
            status = DecodeStatus::OutOfMemory;
        } else if (page.Sixteen() && !page.Separate() && layout.alpha < 0) {
            status = page.ReduceSixteen(factor, picture.pixels, options, rows);
        } else {
            if (page.Sixteen()) status = page.FindRange(options);
            ReducingSink sink(picture.pixels, layout.width, layout.height, factor,
                              layout.orientation);
            if (status == DecodeStatus::Ok) {
                status = page.Read(Window::Whole(layout), sink, nullptr, nullptr, options, rows);
            }
            sink.Finish();
        }
    }
    if (status != DecodeStatus::Ok || rows.good == 0) {
        picture.Clear();
        if (status != DecodeStatus::Ok) return status;
        return stream.ranOut ? DecodeStatus::Truncated : DecodeStatus::Corrupt;
    }
    const bool complained = stream.errors + stream.warnings > complaintsBefore;
    picture.fullWidth = static_cast<int32_t>(swap ? full.height : full.width);
    picture.fullHeight = static_cast<int32_t>(swap ? full.width : full.height);
    if (reducedPage) {
        const uint32_t across = (full.width + layout.width - 1) / layout.width;
        const uint32_t down = (full.height + layout.height - 1) / layout.height;
        picture.reduction = static_cast<int32_t>(std::max({across, down, uint32_t{2}}));
    } else {
        picture.reduction = static_cast<int32_t>(factor);
    }
    picture.orientation = layout.orientation;
    picture.sixteenBit = layout.bits == 16;
    if (tiled) {
        auto region = TiffRegionSource::Open(source, stream.fileStart, full, options.background,
                                             page.Sixteen() ? &page.Range() : nullptr, limits);
        if (region) {
            picture.tiles = std::make_shared<PictureTiles>(
                std::move(region), picture.fullWidth, picture.fullHeight,
                options.tileBudget > 0 ? options.tileBudget : PictureTiles::kDefaultBudget);
        } else if (!fits) {
            // Without its full resolution a picture this large cannot be
            // shown closer than its first view.
            picture.Clear();
            return DecodeStatus::TooLarge;
        }
    }
    return rows.bad > 0 || complained ? DecodeStatus::Damaged : DecodeStatus::Ok;
}

}  // namespace kvx
