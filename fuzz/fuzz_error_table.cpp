// The error-text reader on arbitrary bytes, with a fresh table each time so
// that a full table does not hide the parser.
#include "core/support/error_table.hpp"
#include "core/support/record_array.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = kvx::fuzz::WriteInput("input.ERR", data, size);
    kvx::RecordArrayRegistry registry;
    kvx::ErrorTable table(registry);
    (void)table.LoadErrorTable(path, kvx::fuzz::WorkDir());
    (void)table.LookupErrorText(61, 1, 2);
    return 0;
}
