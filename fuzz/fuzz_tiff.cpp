// The TIFF decoder on arbitrary bytes held in memory (see FuzzDecoder).
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return kvx::fuzz::FuzzDecoder(kvx::PictureFormat::kTiff, data, size);
}
