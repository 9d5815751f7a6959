#include "core/options/type_editor.hpp"

#include <algorithm>

#include "core/support/strings.hpp"

namespace kvx {

namespace {

constexpr int32_t kSymbolKinds = 9;
constexpr int32_t kLineStyles = 6;
constexpr int32_t kDataTypes = 7;

bool ShowsLine(int dataType) {
    return dataType == kLine || dataType == kPolygon || dataType == kTwoPointLine;
}
bool ShowsSymbol(int dataType) {
    return dataType == kPoint || dataType == kCount;
}
bool ShowsLabelFont(int dataType) {
    return dataType == kPoint || dataType == kText || dataType == kCount;
}

}  // namespace

TypeEditorModel::TypeEditorModel(ObjectType* table, int32_t slotCount, int32_t preselect,
                                 bool dataTypeChangeable, int language)
    : table_(table),
      slotCount_(table ? std::clamp(slotCount, 0, ObjectTypeTable::kSlots) : 0),
      dataTypeChangeable_(dataTypeChangeable),
      language_(language) {
    for (int32_t slot = 1; slot <= slotCount_; ++slot) {
        const ObjectType& type = *Record(slot);
        if (!type.InUse()) continue;
        const std::string_view className = DataClassName(type.dataClass, language_);
        std::string text(className.empty() ? className : className.substr(1));
        text += ": " + type.Name(language_) + " (" + IntToStr(slot) + ")";
        items_.push_back({slot, std::move(text)});
    }
    if (items_.empty()) return;
    int32_t first = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].slot == preselect) first = static_cast<int32_t>(i);
    }
    Select(first);
}

TypeEditorModel::TypeEditorModel(ObjectTypeTable& table, int32_t preselect, bool dataTypeChangeable,
                                 int language)
    : TypeEditorModel(table.Find(1), ObjectTypeTable::kSlots, preselect, dataTypeChangeable,
                      language) {}

ObjectType* TypeEditorModel::Record(int32_t slot) {
    if (slot < 1 || slot > slotCount_) return nullptr;
    return table_ + (slot - 1);
}

void TypeEditorModel::Select(int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return;
    if (ObjectType* shown = Record(shownSlot_)) *shown = working_;
    const int32_t slot = SlotOfItem(items_[static_cast<std::size_t>(index)].text);
    ObjectType* record = Record(slot);
    if (!record) return;
    selectedIndex_ = index;
    shownSlot_ = slot;
    working_ = *record;
}

int32_t TypeEditorModel::IdentityNumber() const {
    return slotCount_ == 1 ? working_.identity : shownSlot_;
}

TypeEditorControls TypeEditorModel::Controls() const {
    const int dataType = working_.dataType;
    TypeEditorControls c;
    c.lineColour = ShowsLine(dataType);
    c.lineWidth = ShowsLine(dataType);
    c.lineStyle = ShowsLine(dataType);
    c.symbolColour = ShowsSymbol(dataType);
    c.symbol = ShowsSymbol(dataType);
    c.showLabel = ShowsSymbol(dataType);
    c.symbolFont = c.symbol && SymbolKind() == 0;
    c.symbolSize = c.symbol && SymbolKind() > 1;
    c.labelFont = ShowsLabelFont(dataType);
    c.textColour = ShowsLabelFont(dataType);
    c.fill = dataType == kPolygon;
    return c;
}

int32_t TypeEditorModel::SymbolKind() const {
    return (working_.symbolNumber >> 8) & 0xFF;
}

int32_t TypeEditorModel::SymbolCharacter() const {
    return working_.symbolNumber & 0xFF;
}

std::string TypeEditorModel::LabelFontCaption() const {
    return working_.textFont + "; " + IntToStr(working_.size) + " pt";
}

std::string TypeEditorModel::SymbolFontCaption() const {
    return working_.symbolFont + "; " + IntToStr(working_.symbolSize) + " pt";
}

bool TypeEditorModel::SetName(std::string_view text) {
    if (text.empty()) return false;
    // Leaving the edit as it was shown is no edit: it must not copy this
    // language's name over the other one.
    if (CutTo(text, ObjectType::kMaxName) == working_.Name(language_)) return true;
    working_.nameEnglish = CutTo(text, ObjectType::kMaxName);
    working_.nameGerman = working_.nameEnglish;
    return true;
}

void TypeEditorModel::SetDataTypeIndex(int32_t index) {
    if (!dataTypeChangeable_ || index < 0 || index >= kDataTypes) return;
    working_.dataType = static_cast<uint8_t>(index + 1);
    // "Not filled" means something only to a polygon; any other data type
    // reads the field as its label colour.
    if (working_.dataType != kPolygon && working_.textColour == kNoFill) working_.textColour = 0;
}

bool TypeEditorModel::SetLineWidth(std::string_view text) {
    int32_t width = 0;
    if (text.empty() || IntVal(text, width) != kOk) return false;
    working_.size = width;
    if (width > 1) working_.attribute = 0;
    return true;
}

void TypeEditorModel::SetLineStyle(int32_t index) {
    // A wide line is drawn solid whatever the style says, so keep them in step.
    if (index < 0 || index >= kLineStyles || working_.size > 1) return;
    working_.attribute = index;
}

void TypeEditorModel::SetSymbolKind(int32_t kind) {
    if (kind < 0 || kind >= kSymbolKinds) return;
    working_.symbolNumber = (working_.symbolNumber & 0xFF) | (kind << 8);
}

bool TypeEditorModel::SetSymbolSize(std::string_view text) {
    int32_t size = 0;
    if (text.empty() || IntVal(text, size) != kOk) return false;
    working_.symbolSize = size;
    return true;
}

void TypeEditorModel::SetSymbolCharacter(int32_t code) {
    if (code < 32 || code > 255) return;
    working_.symbolNumber = code;
}

void TypeEditorModel::SetLabelFont(std::string_view name, int32_t pointSize, int32_t styleBits) {
    working_.textFont = CutTo(name, ObjectType::kMaxFont);
    working_.size = pointSize;
    working_.attribute = styleBits & 0x0F;
}

void TypeEditorModel::SetSymbolFont(std::string_view name, int32_t pointSize) {
    working_.symbolFont = CutTo(name, ObjectType::kMaxFont);
    working_.symbolSize = pointSize;
}

void TypeEditorModel::SetColour(int32_t tag, int32_t colour) {
    if (tag == 1 || tag == 2) {
        working_.colour = colour;
    } else if (tag == 3) {
        working_.textColour = colour;
    }
}

void TypeEditorModel::SetFill(bool on) {
    if (on) {
        if (working_.textColour == kNoFill) working_.textColour = 0;
    } else {
        working_.textColour = kNoFill;
    }
}

void TypeEditorModel::Ok() {
    if (ObjectType* shown = Record(shownSlot_)) *shown = working_;
}

int32_t CreateNewTypeSlot(ObjectTypeTable& types, std::string_view name) {
    int32_t slot = 0;
    for (int32_t i = 1; i < ObjectTypeTable::kSlots && slot == 0; ++i) {
        if (types.At(i).dataType == kUndefined) slot = i;
    }
    // The last slot is the fallback only while it is free: taking it when in
    // use would overwrite that type, and cancelling would erase it.
    if (slot == 0 && types.At(ObjectTypeTable::kSlots).dataType == kUndefined) {
        slot = ObjectTypeTable::kSlots;
    }
    if (slot == 0) return 0;
    ObjectType* record = types.Find(slot);
    *record = types.At(kSlotTemplate);
    record->nameEnglish = CutTo(name, ObjectType::kMaxName);
    record->nameGerman = record->nameEnglish;
    record->identity = slot;
    return slot;
}

std::string ColourPanelCaption(std::string_view label, int32_t colour) {
    const std::string hex = colour == 0 ? std::string("000000") : IntToHex(colour);
    return std::string(label) + " " + hex;
}

int32_t SlotOfItem(std::string_view text) {
    const std::size_t open = text.rfind('(');
    if (open == std::string_view::npos) return 0;
    const std::size_t close = text.find(')', open);
    const std::string_view digits = text.substr(
        open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return 0;
    }
    int32_t slot = 0;
    if (IntVal(digits, slot) != kOk) return 0;
    return slot;
}

}  // namespace kvx
