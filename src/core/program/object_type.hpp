#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

/// Data types of object types.
enum DataType : uint8_t {
    kUndefined = 0,
    kLine = 1,
    kPoint = 2,
    kObject = 3,
    kText = 4,
    kPolygon = 5,
    kTwoPointLine = 6,
    kCount = 7,
};

/// Data classes: 0 empty slot, 1 system type, 2 user type.
enum DataClass : uint8_t { kClassEmpty = 0, kClassSystem = 1, kClassUser = 2 };

/// Slots with fixed roles.
inline constexpr int kSlotFrame = 121;
inline constexpr int kSlotLabelPoint = 154;
inline constexpr int kSlotTemplate = 155;

/// One program-wide object type: what it measures and how it looks.
struct ObjectType {
    static constexpr std::size_t kMaxName = 80;
    static constexpr std::size_t kMaxFont = 30;

    std::string nameEnglish;
    std::string nameGerman;
    uint8_t dataClass = kClassEmpty;
    uint8_t dataType = kUndefined;
    bool show = false;
    bool showLabel = false;
    int32_t colour = 0;
    int32_t attribute = 0;
    std::string textFont;
    int32_t size = 0;
    int32_t symbolNumber = 0;
    std::string symbolFont;
    int32_t symbolSize = 0;
    int32_t style = 0;
    int32_t textColour = 0;
    int32_t identity = 0;
    int32_t frequency = 0;

    bool InUse() const { return dataClass != kClassEmpty; }
    /// German name when language is 0, else English.
    const std::string& Name(int language) const { return language == 0 ? nameGerman : nameEnglish; }
    bool operator==(const ObjectType&) const = default;
};

/// The 256 slots, numbered 1..256.
class ObjectTypeTable {
public:
    static constexpr int kSlots = 256;

    /// Slot 1..256; out-of-range slots give a shared empty type (reads) so a
    /// stale index in a project never reads outside the table.
    const ObjectType& At(int slot) const;
    /// Slot 1..256; nullptr when out of range.
    ObjectType* Find(int slot);
    const ObjectType* Find(int slot) const;
    static bool ValidSlot(int slot) { return slot >= 1 && slot <= kSlots; }

    /// Empties every slot.
    void Clear();
    bool operator==(const ObjectTypeTable&) const = default;

private:
    std::array<ObjectType, kSlots + 1> slots_{};  // slot 0 unused
};

/// Name of a data type (0..7), German when language is 0, else English;
/// empty for values outside the table.
std::string_view DataTypeName(int dataType, int language);
/// Name of a data class (0..2), German when language is 0, else English.
std::string_view DataClassName(int dataClass, int language);

}  // namespace kvx
