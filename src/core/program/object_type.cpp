#include "core/program/object_type.hpp"

namespace kvx {

namespace {

const ObjectType kEmptyType{};

// At most 15 characters each.
constexpr std::array<std::string_view, 8> kDataTypeGerman{
    "Undefiniert", "Linie", "Punkt", "Objekt", "Text", "Polygon", "Strecke", "Z\xE4hlen"};
constexpr std::array<std::string_view, 8> kDataTypeEnglish{
    "Undefined", "Line", "Point", "Object", "Text", "Polygon", "Two Point Line", "Count"};
// As written in the object-type file; the type editor shows them without the
// leading class digit.
constexpr std::array<std::string_view, 3> kDataClassGerman{"", "9(System)", "0(Anwender)"};
constexpr std::array<std::string_view, 3> kDataClassEnglish{"", "9(System)", "0(User)"};

}  // namespace

const ObjectType& ObjectTypeTable::At(int slot) const {
    return ValidSlot(slot) ? slots_[static_cast<std::size_t>(slot)] : kEmptyType;
}

ObjectType* ObjectTypeTable::Find(int slot) {
    return ValidSlot(slot) ? &slots_[static_cast<std::size_t>(slot)] : nullptr;
}

const ObjectType* ObjectTypeTable::Find(int slot) const {
    return ValidSlot(slot) ? &slots_[static_cast<std::size_t>(slot)] : nullptr;
}

void ObjectTypeTable::Clear() {
    slots_.fill(ObjectType{});
}

std::string_view DataTypeName(int dataType, int language) {
    if (dataType < 0 || dataType > 7) return {};
    return language == 0 ? kDataTypeGerman[static_cast<std::size_t>(dataType)]
                         : kDataTypeEnglish[static_cast<std::size_t>(dataType)];
}

std::string_view DataClassName(int dataClass, int language) {
    if (dataClass < 0 || dataClass > 2) return {};
    return language == 0 ? kDataClassGerman[static_cast<std::size_t>(dataClass)]
                         : kDataClassEnglish[static_cast<std::size_t>(dataClass)];
}

}  // namespace kvx
