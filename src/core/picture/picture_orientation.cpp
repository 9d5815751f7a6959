#include "core/picture/picture_orientation.hpp"

#include <algorithm>
#include <cstring>

namespace kvx {
namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr std::size_t kEntryBytes = 12;

class Reader {
public:
    Reader(const uint8_t* data, std::size_t size, bool bigEndian)
        : data_(data), size_(size), bigEndian_(bigEndian) {}

    bool U16(std::size_t at, uint16_t& value) const {
        if (at > size_ || size_ - at < 2) return false;
        const uint8_t* p = data_ + at;
        value = bigEndian_ ? static_cast<uint16_t>(p[0] << 8 | p[1])
                           : static_cast<uint16_t>(p[1] << 8 | p[0]);
        return true;
    }
    bool U32(std::size_t at, uint32_t& value) const {
        if (at > size_ || size_ - at < 4) return false;
        const uint8_t* p = data_ + at;
        value = bigEndian_
                    ? (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3])
                    : (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
        return true;
    }

private:
    const uint8_t* data_;
    std::size_t size_;
    bool bigEndian_;
};

}  // namespace

int32_t ExifOrientation(const uint8_t* data, std::size_t size) {
    if (data == nullptr || size < 8) return 1;
    bool bigEndian = false;
    if (data[0] == 'M' && data[1] == 'M') {
        bigEndian = true;
    } else if (!(data[0] == 'I' && data[1] == 'I')) {
        return 1;
    }
    const Reader in(data, size, bigEndian);
    uint16_t magic = 0;
    uint32_t directory = 0;
    uint16_t entries = 0;
    if (!in.U16(2, magic) || magic != 42 || !in.U32(4, directory) || directory < 8 ||
        !in.U16(directory, entries)) {
        return 1;
    }
    for (uint32_t i = 0; i < entries; ++i) {
        const std::size_t at = std::size_t{directory} + 2 + std::size_t{i} * kEntryBytes;
        uint16_t tag = 0;
        uint16_t type = 0;
        uint32_t count = 0;
        uint16_t value = 0;
        if (!in.U16(at, tag) || !in.U16(at + 2, type) || !in.U32(at + 4, count) ||
            !in.U16(at + 8, value)) {
            return 1;  // the directory runs past the data
        }
        if (tag != kOrientationTag) continue;
        // A short value sits in the first two bytes of the value field.
        if (type != kTypeShort || count != 1 || value < 1 || value > 8) return 1;
        return value;
    }
    return 1;
}

int32_t ExifSegmentOrientation(const uint8_t* data, std::size_t size) {
    static constexpr uint8_t kTag[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (data == nullptr || size < sizeof kTag || std::memcmp(data, kTag, sizeof kTag) != 0) {
        return 1;
    }
    return ExifOrientation(data + sizeof kTag, size - sizeof kTag);
}

TurnedRows::TurnedRows(PixelImage& target, int32_t sourceWidth, int32_t sourceHeight,
                       int32_t orientation)
    : target_(target),
      width_(sourceWidth),
      height_(sourceHeight),
      orientation_(orientation >= 1 && orientation <= 8 ? orientation : 1) {}

uint8_t* TurnedRows::Pixel(int32_t x, int32_t y) {
    int32_t tx = x;
    int32_t ty = y;
    switch (orientation_) {
        case 2:
            tx = width_ - 1 - x;
            break;
        case 3:
            tx = width_ - 1 - x;
            ty = height_ - 1 - y;
            break;
        case 4:
            ty = height_ - 1 - y;
            break;
        case 5:
            tx = y;
            ty = x;
            break;
        case 6:
            tx = height_ - 1 - y;
            ty = x;
            break;
        case 7:
            tx = height_ - 1 - y;
            ty = width_ - 1 - x;
            break;
        case 8:
            tx = y;
            ty = width_ - 1 - x;
            break;
        default:
            break;
    }
    return target_.Row(ty) + static_cast<std::size_t>(tx) * 3;
}

uint8_t* TurnedRows::DirectRow(int32_t y) {
    if (orientation_ == 1) return target_.Row(y);
    if (orientation_ == 4) return target_.Row(height_ - 1 - y);
    return nullptr;
}

void TurnedRows::Put(int32_t y, const uint8_t* rgb) {
    const std::size_t bytes = static_cast<std::size_t>(width_) * 3;
    if (uint8_t* direct = DirectRow(y)) {
        if (direct != rgb) std::memcpy(direct, rgb, bytes);
        return;
    }
    if (orientation_ == 2 || orientation_ == 3) {
        uint8_t* out = target_.Row(orientation_ == 2 ? y : height_ - 1 - y) + bytes;
        for (int32_t x = 0; x < width_; ++x, rgb += 3) {
            out -= 3;
            out[0] = rgb[0];
            out[1] = rgb[1];
            out[2] = rgb[2];
        }
        return;
    }
    // Turned by a quarter: the row becomes a column, read down or up.
    const int32_t column = orientation_ == 5 || orientation_ == 8 ? y : height_ - 1 - y;
    const bool downwards = orientation_ == 5 || orientation_ == 6;
    const std::size_t stride = target_.Stride();
    uint8_t* base = target_.Row(0) + static_cast<std::size_t>(column) * 3;
    for (int32_t x = 0; x < width_; ++x, rgb += 3) {
        const auto row = static_cast<std::size_t>(downwards ? x : width_ - 1 - x);
        uint8_t* out = base + row * stride;
        out[0] = rgb[0];
        out[1] = rgb[1];
        out[2] = rgb[2];
    }
}

}  // namespace kvx
