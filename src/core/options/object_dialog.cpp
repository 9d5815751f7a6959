#include "core/options/object_dialog.hpp"

#include "core/measure/type_choice.hpp"
#include "core/options/type_editor.hpp"
#include "core/program/object_type.hpp"
#include "core/program/program.hpp"

namespace kvx {

int32_t FirstFreeTypeSlot(const ObjectTypeTable& types) {
    for (int32_t slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        if (types.At(slot).dataType == kUndefined) return slot;
    }
    return 0;
}

void PrepareNewType(ObjectTypeTable& types, int32_t slot, int32_t templateSlot,
                    std::string_view name) {
    ObjectType* record = types.Find(slot);
    if (record == nullptr) return;
    const ObjectType* pattern = types.Find(templateSlot);
    ObjectType fresh;
    if (pattern != nullptr && pattern->InUse()) {
        fresh = *pattern;
    } else {
        // A blank slot would not even be listed by the editor; it has to be
        // a user type to be chosen afterwards.
        fresh.dataClass = kClassUser;
    }
    std::string cut(name.substr(0, ObjectType::kMaxName));
    fresh.nameEnglish = cut;
    fresh.nameGerman = cut;
    fresh.identity = slot;
    // The template's uses are not the new type's: a copied counter would
    // rank it among the most used types on the function buttons.
    fresh.frequency = 0;
    *record = fresh;
}

CaptureOverrides OverridesOf(const ObjectType& type) {
    return {type.colour, type.size, type.textColour};
}

bool EditSingleType(Program& program, ObjectType& record, bool dataTypeChangeable) {
    TypeEditorModel model(&record, 1, 1, dataTypeChangeable, program.settings.Language);
    return program.ui.TypeEditor(model);
}

ObjectDialogModel::ObjectDialogModel(Program& program, const ObjectDialogRequest& request)
    : program_(program), items_(request.items) {
    if (request.preselected == 0) return;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].type == request.preselected) {
            chosen_ = static_cast<int32_t>(i);
            break;
        }
    }
}

int32_t ObjectDialogModel::ChosenType() const {
    return chosen_ >= 0 ? items_[static_cast<std::size_t>(chosen_)].type : 0;
}

void ObjectDialogModel::Choose(int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) return;
    chosen_ = index;
}

bool ObjectDialogModel::LabelShown() const {
    if (chosen_ < 0) return false;
    const uint8_t dataType = items_[static_cast<std::size_t>(chosen_)].dataType;
    return dataType == kPoint || dataType == kText;
}

bool ObjectDialogModel::Properties() {
    const int32_t type = ChosenType();
    if (type == 0) return false;
    ObjectType copy = program_.objectTypes.At(type);
    if (!EditSingleType(program_, copy, false)) return false;
    overrides_ = OverridesOf(copy);
    overridesType_ = type;
    return true;
}

bool ObjectDialogModel::NewType() {
    ObjectTypeTable& types = program_.objectTypes;
    const int32_t slot = FirstFreeTypeSlot(types);
    if (slot == 0) return false;
    PrepareNewType(types, slot, ChosenType(), program_.GetMessage(kMsgNewTypeName));
    ObjectType& record = *types.Find(slot);
    if (!EditSingleType(program_, record, true)) {
        record = ObjectType{};
        return false;
    }
    items_.push_back(
        {slot, record.dataType, FormatTypeItem(types, slot, program_.settings.Language)});
    chosen_ = static_cast<int32_t>(items_.size()) - 1;
    overrides_ = OverridesOf(record);
    overridesType_ = slot;
    return true;
}

ObjectDialogAnswer ObjectDialogModel::Ok(std::string_view label, bool checkBox2) const {
    const int32_t type = ChosenType();
    if (type == 0) return Cancel();
    ObjectDialogAnswer answer;
    answer.ok = true;
    answer.type = type;
    answer.label = std::string(label);
    answer.checkBox2 = checkBox2;
    if (overridesType_ == type) {
        answer.colourOverride = overrides_.colour;
        answer.sizeOverride = overrides_.size;
        answer.textColourOverride = overrides_.textColour;
    }
    return answer;
}

}  // namespace kvx
