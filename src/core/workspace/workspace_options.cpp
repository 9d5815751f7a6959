#include "core/options/options_model.hpp"
#include "core/options/type_editor.hpp"
#include "core/program/view_settings.hpp"
#include "core/support/strings.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {

namespace {

constexpr int kMsgNewTypeName = 2082;
constexpr int kMsgTableFull = 2227;
constexpr int kMsgObjectTypesCaption = 2059;

}  // namespace

void Workspace::MnDataClick() {
    NoticeScope notice(*this);
    Changed(Change::Types);
    ObjectTypeTable copy = program_.objectTypes;
    TypeEditorModel model(copy, currentType_, false, program_.settings.Language);
    if (!program_.ui.TypeEditor(model)) return;
    program_.objectTypes = copy;
    FillTypeSelector();
    StatisticsPass();
    Redraw();
}

void Workspace::MnAddobjectClick() {
    NoticeScope notice(*this);
    Changed(Change::Types);
    ObjectTypeTable& types = program_.objectTypes;
    const int32_t slot = CreateNewTypeSlot(types, program_.GetMessage(kMsgNewTypeName));
    if (slot == 0) {
        program_.ui.MessageBox(program_.GetMessage(kMsgObjectTypesCaption),
                               program_.GetMessage(kMsgTableFull), MessageButtons::Ok);
        return;
    }
    ObjectType* record = types.Find(slot);
    TypeEditorModel model(record, 1, 0, true, program_.settings.Language);
    if (!program_.ui.TypeEditor(model)) {
        *record = ObjectType{};
        return;
    }
    cboItems_.push_back({slot, FormatTypeItem(types, slot, program_.settings.Language)});
    cboIndex_ = static_cast<int32_t>(cboItems_.size()) - 1;
    // The selector shows the new type, so it becomes the current type too.
    currentType_ = slot;
    StatisticsPass();
    Redraw();
}

Workspace::OptionsOutcome Workspace::MnOptionsClick() {
    NoticeScope notice(*this);
    Changed(Change::Types);
    const Settings& settings = program_.settings;
    const uint8_t language = settings.Language;
    const int32_t enlarge = settings.MeasureFieldEnlarge;
    const int32_t wheel = settings.WheelZoomPercent;

    OptionsModel model(program_);
    OptionsOutcome outcome;
    outcome.applied = program_.ui.OptionsDialog(model) || model.Applied();
    outcome.languageChanged = settings.Language != language;
    outcome.layoutChanged = settings.MeasureFieldEnlarge != enlarge;
    outcome.typesReloaded = model.TypesReloaded();
    // Kept at once: another window of the program may write its own later.
    if (settings.WheelZoomPercent != wheel) (void)WriteViewSettings(program_);
    if (outcome.typesReloaded || outcome.languageChanged) {
        FillTypeSelector();
        // Another type file may not hold the current type any more.
        if (cboItems_.empty() ||
            cboItems_[static_cast<std::size_t>(cboIndex_)].type != currentType_) {
            currentType_ = 0;
        }
    }
    StatisticsPass();
    Redraw();
    return outcome;
}

}  // namespace kvx
