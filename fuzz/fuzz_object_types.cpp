// The object-type reader on arbitrary bytes, and the writer on whatever it
// read: neither may crash, and every line written must stay readable.
#include <cstdlib>

#include "core/program/program.hpp"
#include "core/project/object_type_file.hpp"
#include "core/support/text_file.hpp"
#include "fuzz_support.hpp"

namespace {

struct Setup {
    Setup() : program(ui, kvx::fuzz::WorkDir()) { program.InitErrorStack(); }
    kvx::SilentUserInterface ui;
    kvx::Program program;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Setup setup;
    kvx::Program& program = setup.program;
    const std::string path = kvx::fuzz::WriteInput("input.kxo", data, size);
    (void)kvx::LoadObjectTypes(program, path);
    for (int slot = 1; slot <= kvx::ObjectTypeTable::kSlots; ++slot) {
        const kvx::ObjectType& type = program.objectTypes.At(slot);
        if (!type.InUse()) continue;
        if (type.nameEnglish.size() > kvx::ObjectType::kMaxName ||
            type.nameGerman.size() > kvx::ObjectType::kMaxName ||
            type.textFont.size() > kvx::ObjectType::kMaxFont ||
            type.symbolFont.size() > kvx::ObjectType::kMaxFont || type.dataType > 7) {
            std::abort();
        }
        if (kvx::FormatObjectTypeLine(slot, type, 1).size() > kvx::TextFile::kMaxLine) {
            std::abort();
        }
    }
    (void)kvx::SaveObjectTypes(program, kvx::fuzz::WorkDir() + "/output.kxo");
    program.errors.Clear();
    return 0;
}
