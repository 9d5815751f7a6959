#include "core/options/object_dialog.hpp"

#include <gtest/gtest.h>

#include "common/fake_ui.hpp"
#include "core/options/type_editor.hpp"
#include "core/program/program.hpp"

namespace kvx::test {
namespace {

constexpr int kLineSlot = 3;
constexpr int kTextSlot = 5;

class ObjectDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ASSERT_EQ(program.LoadMessages(), kOk);
        Define(kLineSlot, kLine, 0x0000FF, 2, 0x00FF00);
        Define(kTextSlot, kText, 0x112233, 12, 0x445566);
        request.items = {{kLineSlot, kLine, "  3 Length (Line )"},
                         {kTextSlot, kText, "  5 Note (Text )"}};
        request.preselected = kTextSlot;
    }

    void Define(int slot, uint8_t dataType, int32_t colour, int32_t size, int32_t textColour) {
        ObjectType& type = *program.objectTypes.Find(slot);
        type = ObjectType{};
        type.nameEnglish = type.nameGerman = "Type";
        type.dataClass = kClassUser;
        type.dataType = dataType;
        type.colour = colour;
        type.size = size;
        type.textColour = textColour;
        type.frequency = 40;
    }

    FakeUserInterface ui;
    Program program{ui, KVX_DATA_DIR};
    ObjectDialogRequest request;
};

TEST_F(ObjectDialogTest, FreeSlotsAndBlankNewTypes) {
    ObjectTypeTable types;
    for (int slot = 1; slot < ObjectTypeTable::kSlots; ++slot) types.Find(slot)->dataType = kCount;
    EXPECT_EQ(FirstFreeTypeSlot(types), 256);
    types.Find(256)->dataType = kCount;
    EXPECT_EQ(FirstFreeTypeSlot(types), 0);

    // Without a type to copy the new slot must still be a user type, or
    // neither the editor nor the type lists would show it.
    PrepareNewType(types, 9, 0, "New object type");
    EXPECT_EQ(types.At(9).dataClass, kClassUser);
    EXPECT_EQ(types.At(9).identity, 9);
    EXPECT_EQ(types.At(9).colour, 0);
}

TEST_F(ObjectDialogTest, PropertiesGiveOverridesForTheirTypeOnly) {
    ObjectDialogModel model(program, request);
    const ObjectTypeTable before = program.objectTypes;
    ui.typeEditorEdits.push_back([](TypeEditorModel& editor) {
        EXPECT_EQ(editor.SlotCount(), 1);
        EXPECT_FALSE(editor.DataTypeChangeable());
        editor.SetColour(3, 0x00FFFF);
        editor.SetLabelFont("Arial", 14, 0);
        editor.Ok();
        return true;
    });
    ASSERT_TRUE(model.Properties());
    EXPECT_EQ(program.objectTypes, before);
    ObjectDialogAnswer answer = model.Ok("A1", true);
    EXPECT_EQ(answer.colourOverride, 0x112233);
    EXPECT_EQ(answer.sizeOverride, 14);
    EXPECT_EQ(answer.textColourOverride, 0x00FFFF);

    // Display values taken for one type are not handed to another.
    model.Choose(0);
    answer = model.Ok("", false);
    EXPECT_EQ(answer.type, kLineSlot);
    EXPECT_EQ(answer.colourOverride, -1);
    EXPECT_EQ(answer.sizeOverride, -1);
}

TEST_F(ObjectDialogTest, NewTypeTakesTheFirstFreeSlotAndIsChosen) {
    ObjectDialogModel model(program, request);
    ui.typeEditorEdits.push_back([](TypeEditorModel& editor) {
        EXPECT_TRUE(editor.DataTypeChangeable());
        EXPECT_EQ(editor.IdentityNumber(), 1);
        editor.SetDataTypeIndex(kPoint - 1);
        editor.SetColour(2, 0x00AA00);
        editor.Ok();
        return true;
    });
    ASSERT_TRUE(model.NewType());

    const ObjectType& created = program.objectTypes.At(1);
    EXPECT_EQ(created.nameEnglish, "New object type");
    EXPECT_EQ(created.nameGerman, "New object type");
    EXPECT_EQ(created.dataType, kPoint);
    EXPECT_EQ(created.textColour, 0x445566);  // copied from the chosen type
    EXPECT_EQ(created.frequency, 0);
    ASSERT_EQ(model.Items().size(), 3u);
    EXPECT_EQ(model.Items().back().text, "  1 New object type (Point )");
    EXPECT_TRUE(model.LabelShown());

    const ObjectDialogAnswer answer = model.Ok("", false);
    EXPECT_EQ(answer.type, 1);
    EXPECT_EQ(answer.colourOverride, 0x00AA00);
    EXPECT_EQ(answer.sizeOverride, 12);
}

TEST_F(ObjectDialogTest, NewTypeCancelledOrWithoutFreeSlotLeavesTheTable) {
    ObjectDialogModel model(program, request);
    const ObjectTypeTable before = program.objectTypes;
    ui.typeEditorEdits.push_back([](TypeEditorModel& editor) {
        editor.SetName("Keep me");
        return false;
    });
    EXPECT_FALSE(model.NewType());
    EXPECT_EQ(program.objectTypes, before);
    EXPECT_EQ(model.Items().size(), 2u);
    EXPECT_EQ(model.ChosenType(), kTextSlot);

    for (int slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        if (!program.objectTypes.At(slot).InUse()) Define(slot, kCount, 0, 1, 0);
    }
    EXPECT_FALSE(model.NewType());
    EXPECT_EQ(ui.typeEditors, 1);
}

}  // namespace
}  // namespace kvx::test
