// The message-file reader on arbitrary bytes.
#include "core/support/message_catalog.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static kvx::MessageCatalog catalog;
    const std::string path = kvx::fuzz::WriteInput("input.MSG", data, size);
    (void)catalog.LoadMessageFile(path, false, 'E', 1, kvx::fuzz::WorkDir());
    for (int number = 0; number <= kvx::MessageCatalog::kCount; number += 97) {
        (void)catalog.GetMessage(number);
    }
    return 0;
}
