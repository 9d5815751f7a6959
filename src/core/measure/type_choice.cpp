#include "core/measure/type_choice.hpp"

#include <algorithm>

#include "core/program/object_type.hpp"
#include "core/support/record_array.hpp"
#include "core/support/strings.hpp"

namespace kvx {

namespace {

constexpr const char* kNoneItem = "  0 none";
constexpr int kRankedButtons = 10;
// Usage counts above this share the key with their slot number; nobody
// chooses a type eight million times.
constexpr int32_t kMaxRankedFrequency = (1 << 23) - 1;

}  // namespace

std::string FormatTypeItem(const ObjectTypeTable& types, int32_t slot, int language) {
    const ObjectType& type = types.At(slot);
    return IntToStr(slot, 3) + " " + type.Name(language) + " (" +
           std::string(DataTypeName(type.dataType, language)) + " )";
}

std::vector<TypeItem> TypeSelectorItems(const ObjectTypeTable& types, int language) {
    std::vector<TypeItem> items{{0, kNoneItem}};
    for (int32_t slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        const ObjectType& type = types.At(slot);
        if (type.dataClass == kClassUser && type.dataType != kUndefined) {
            items.push_back({slot, FormatTypeItem(types, slot, language)});
        }
    }
    return items;
}

int32_t TypeOfItem(const std::string& text) {
    int32_t type = 0;
    if (IntVal(Trim(text.substr(0, 3)), type) != kOk) return 0;
    return ObjectTypeTable::ValidSlot(type) ? type : 0;
}

std::string DefaultButtonCaption(int index) {
    return index == 9 ? "(A)" : "(" + IntToStr(index + 1) + ")";
}

std::string ButtonCaption(const ObjectTypeTable& types, int32_t slot, int language) {
    const std::string& name = types.At(slot).Name(language);
    return name.substr(0, name.find('('));
}

ErrorCode RankTypesByUse(const ObjectTypeTable& types, RecordArrayRegistry& registry,
                         std::vector<int32_t>& ranked) {
    ranked.clear();
    RecordArray table;
    if (const ErrorCode code = table.Create(registry, "FKeyRank", ObjectTypeTable::kSlots, 4);
        code != kOk) {
        return code;
    }
    // One key per type: the usage count above the inverted slot number, so
    // that an ascending sort read backwards gives the most used first and,
    // among equal counts, the lower slot first.
    for (int32_t slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        const ObjectType& type = types.At(slot);
        if (type.dataType == kUndefined) continue;
        const int32_t frequency = std::clamp(type.frequency, 0, kMaxRankedFrequency);
        const int32_t key = frequency * 256 + (ObjectTypeTable::kSlots - slot);
        table.Put(table.Count() + 1, &key);
    }
    if (table.Count() > 1) {
        if (const ErrorCode code =
                table.Sort(1, RecordArray::kToCount, RecordArray::KeyKind::Int32, 1);
            code != kOk) {
            table.Release();
            return code;
        }
    }
    for (int32_t i = table.Count(); i >= 1 && static_cast<int>(ranked.size()) < kRankedButtons;
         --i) {
        int32_t key = 0;
        table.Get(i, &key);
        ranked.push_back(ObjectTypeTable::kSlots - key % 256);
    }
    table.Release();
    return kOk;
}

}  // namespace kvx
