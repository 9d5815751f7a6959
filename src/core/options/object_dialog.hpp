#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/measure/capture.hpp"
#include "core/program/user_interface.hpp"

namespace kvx {

class Program;
class ObjectTypeTable;
struct ObjectType;

/// The default name of a new object type, in both languages.
inline constexpr int kMsgNewTypeName = 2082;

/// The first slot 1..256 whose data type is 0; 0 when every slot is used.
int32_t FirstFreeTypeSlot(const ObjectTypeTable& types);

/// Readies slot for a new type: a copy of the type in templateSlot (a blank
/// user type when templateSlot names no type in use), both names := name,
/// identity := slot. The usage counter starts at 0.
void PrepareNewType(ObjectTypeTable& types, int32_t slot, int32_t templateSlot,
                    std::string_view name);

/// The display values of a type as an object's own overrides.
CaptureOverrides OverridesOf(const ObjectType& type);

/// Opens the object-type editor on one record (a single-slot table) and
/// answers true on OK, when record holds the edited values. The record is
/// the only way the dialog reaches the editor.
bool EditSingleType(Program& program, ObjectType& record, bool dataTypeChangeable);

/// The object dialog (`TVecName`) without its window: the type list, the
/// chosen type, the overrides that the properties and new-type buttons
/// supply, and the answer of OK or Cancel. The Qt dialog shows it; tests
/// drive it directly.
class ObjectDialogModel {
public:
    ObjectDialogModel(Program& program, const ObjectDialogRequest& request);

    const std::vector<ObjectDialogItem>& Items() const { return items_; }
    /// Index of the chosen item; -1 while none is chosen.
    int32_t ChosenIndex() const { return chosen_; }
    /// The chosen type's slot; 0 while none is chosen.
    int32_t ChosenType() const;
    /// Chooses item index; out-of-range indexes choose nothing.
    void Choose(int32_t index);

    /// OK and the new-type button work once a type is chosen.
    bool OkEnabled() const { return chosen_ >= 0; }
    bool NewTypeEnabled() const { return chosen_ >= 0; }
    /// The label edit and its check box are for points and texts only;
    /// for every other data type OK takes the focus.
    bool LabelShown() const;

    /// `BtProp`: edits a copy of the chosen type; on OK its colour, size and
    /// text colour become the object's overrides. The type table is not
    /// changed. True on OK.
    bool Properties();
    /// `btNeu`: a new type in the first free slot, edited with its data type
    /// changeable. On OK it joins the list and is chosen, its display values
    /// as overrides; on cancel its slot is emptied again. False when nothing
    /// was added (cancelled, or no slot free).
    bool NewType();

    /// The overrides OK would hand back now.
    const CaptureOverrides& Overrides() const { return overrides_; }

    /// OK (or Enter in the label edit).
    ObjectDialogAnswer Ok(std::string_view label, bool checkBox2) const;
    /// Cancel: no type, no label.
    static ObjectDialogAnswer Cancel() { return {}; }

private:
    Program& program_;
    std::vector<ObjectDialogItem> items_;
    int32_t chosen_ = -1;
    CaptureOverrides overrides_;
    /// The type the overrides were taken for; they only apply to it.
    int32_t overridesType_ = 0;
};

}  // namespace kvx
