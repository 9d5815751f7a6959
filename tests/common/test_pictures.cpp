#include "common/test_pictures.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/draw/picture.hpp"
#include "core/export/jpeg_writer.hpp"

namespace kvx::test {

std::string TinyJpeg() {
    PixelImage image;
    EXPECT_TRUE(image.Allocate(8, 6));
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 8 * 3; ++x) image.Row(y)[x] = 200;
    }
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(EncodeJpeg(image.View(), 90, bytes));
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace kvx::test
