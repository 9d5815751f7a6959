#include "core/options/type_editor.hpp"

#include <gtest/gtest.h>

#include "common/fake_ui.hpp"
#include "common/temp_dir.hpp"
#include "core/program/program.hpp"
#include "core/project/object_type_file.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

class TypeEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ASSERT_EQ(program.LoadMessages(), kOk);
        ASSERT_TRUE(LoadObjectTypes(program, test::DataDir() + "/Korvanix.kxo"));
        original = program.objectTypes;
    }

    test::FakeUserInterface ui;
    Program program{ui, test::DataDir()};
    ObjectTypeTable original;
};

TEST_F(TypeEditorTest, ListsSlotsInUseAndPreselects) {
    TypeEditorModel model(program.objectTypes, 2, false, 1);
    ASSERT_TRUE(model.HasItems());
    // 12 user types, 6 system types, the template.
    EXPECT_EQ(model.Items().size(), 19u);
    EXPECT_EQ(model.Items()[0].text, "(User): Length (1)");
    EXPECT_EQ(model.Items()[12].text, "(System): Frame (121)");
    EXPECT_EQ(model.ShownSlot(), 2);
    EXPECT_EQ(model.Working().nameEnglish, "Area");

    TypeEditorModel german(program.objectTypes, 999, false, 0);
    EXPECT_EQ(german.Items()[1].text,
              "(Anwender): Fl\xE4"
              "che (2)");
    EXPECT_EQ(german.ShownSlot(), 1);  // an unlisted preselection shows the first

    ObjectType empty{};
    TypeEditorModel none(&empty, 1, 0, true, 1);
    EXPECT_FALSE(none.HasItems());
    EXPECT_EQ(none.ShownSlot(), 0);
}

TEST_F(TypeEditorTest, SwitchingKeepsEditsInTheHandedTableAndOkWritesTheLast) {
    ObjectTypeTable copy = program.objectTypes;
    TypeEditorModel model(copy, 1, false, 1);
    ASSERT_TRUE(model.SetName("Span"));
    model.Select(1);  // slot 2
    EXPECT_EQ(copy.At(1).nameEnglish, "Span");
    EXPECT_EQ(copy.At(1).nameGerman, "Span");
    model.SetColour(1, 0x123456);
    model.Select(0);
    EXPECT_EQ(copy.At(2).colour, 0x123456);
    EXPECT_EQ(model.Working().nameEnglish, "Span");
    model.SetShow(false);
    EXPECT_TRUE(copy.At(1).show);  // not yet handed back
    model.Ok();
    EXPECT_FALSE(copy.At(1).show);
    // The program-wide table was never touched.
    EXPECT_EQ(program.objectTypes, original);
}

TEST_F(TypeEditorTest, NameAndDataTypeRules) {
    ObjectTypeTable copy = program.objectTypes;
    TypeEditorModel model(copy, 1, false, 0);
    EXPECT_FALSE(model.SetName(""));
    EXPECT_EQ(model.DisplayName(), "L\xE4nge");
    ASSERT_TRUE(model.SetName(std::string(100, 'x')));
    EXPECT_EQ(model.Working().nameGerman.size(), 80u);
    model.SetDataTypeIndex(4);  // not changeable here
    EXPECT_EQ(model.Working().dataType, kTwoPointLine);

    ObjectType single = copy.At(155);
    single.identity = 40;
    TypeEditorModel one(&single, 1, 0, true, 1);
    EXPECT_EQ(one.IdentityNumber(), 40);
    one.SetDataTypeIndex(4);
    EXPECT_EQ(one.Working().dataType, kPolygon);
    one.SetDataTypeIndex(7);  // past the list
    EXPECT_EQ(one.Working().dataType, kPolygon);
}

TEST_F(TypeEditorTest, LineWidthStyleSymbolAndFill) {
    ObjectTypeTable copy = program.objectTypes;
    TypeEditorModel model(copy, 5, false, 1);  // Outline, a line
    EXPECT_TRUE(model.Controls().lineWidth);
    EXPECT_FALSE(model.Controls().symbol);
    ASSERT_TRUE(model.SetLineWidth("1"));
    model.SetLineStyle(2);
    EXPECT_EQ(model.Working().attribute, 2);
    ASSERT_TRUE(model.SetLineWidth("3"));
    EXPECT_EQ(model.Working().size, 3);
    EXPECT_EQ(model.Working().attribute, 0);
    EXPECT_FALSE(model.LineStyleEnabled());
    EXPECT_FALSE(model.SetLineWidth("wide"));
    EXPECT_EQ(model.Working().size, 3);

    model.Select(5);  // slot 6, a point with symbol kind 7
    EXPECT_EQ(model.SymbolKind(), 7);
    EXPECT_TRUE(model.Controls().symbolSize);
    EXPECT_FALSE(model.Controls().symbolFont);
    EXPECT_FALSE(model.SetSymbolSize("big"));
    EXPECT_EQ(model.Working().symbolSize, 6);
    model.SetSymbolKind(0);
    EXPECT_TRUE(model.Controls().symbolFont);
    model.SetSymbolCharacter(65);
    EXPECT_EQ(model.Working().symbolNumber, 65);
    model.SetSymbolCharacter(-1);  // picker cancelled
    EXPECT_EQ(model.Working().symbolNumber, 65);
    model.SetSymbolKind(3);
    EXPECT_EQ(model.Working().symbolNumber, 3 * 256 + 65);

    model.Select(1);  // slot 2, a polygon, not filled
    EXPECT_TRUE(model.Controls().fill);
    EXPECT_FALSE(model.Filled());
    model.SetFill(true);
    model.SetColour(3, 0x20);
    model.SetFill(true);
    EXPECT_EQ(model.Working().textColour, 0x20);  // ticking keeps a chosen colour
    model.SetFill(false);
    EXPECT_EQ(model.Working().textColour, -100);
    model.SetFill(true);
    EXPECT_EQ(model.Working().textColour, 0);
    model.SetFill(false);
    model.SetColour(3, 0xFF);
    EXPECT_TRUE(model.Filled());

    model.SetLabelFont("A font name longer than thirty characters", 12, 1 | 2);
    EXPECT_EQ(model.Working().textFont.size(), 30u);
    EXPECT_EQ(model.Working().attribute, 3);
    EXPECT_EQ(model.LabelFontCaption(), "A font name longer than thirty; 12 pt");
}

TEST(TypeEditorText, CaptionsAndItemNumbers) {
    EXPECT_EQ(ColourPanelCaption("Colour", 0), "Colour 000000");
    EXPECT_EQ(ColourPanelCaption("Colour", 0xA000), "Colour A000");
    EXPECT_EQ(SlotOfItem("(User): Size (mm) (12)"), 12);
    EXPECT_EQ(SlotOfItem("(User): Size (mm"), 0);
    EXPECT_EQ(SlotOfItem("no bracket"), 0);
}

// The editor as the main menu opens it.
class TypeEditorCommandTest : public TypeEditorTest {
protected:
    Workspace ws{program};
};

TEST_F(TypeEditorCommandTest, EditAllTypesCancelLeavesTableAndOkReplacesIt) {
    ui.typeEditorEdits.push_back([](TypeEditorModel& m) {
        EXPECT_FALSE(m.DataTypeChangeable());
        EXPECT_TRUE(m.SetName("One"));
        m.Select(2);
        EXPECT_TRUE(m.SetName("Three"));
        m.Select(4);
        return false;
    });
    ws.MnDataClick();
    EXPECT_EQ(program.objectTypes, original);

    ui.typeEditorEdits.push_back([](TypeEditorModel& m) {
        EXPECT_TRUE(m.SetName("One"));
        m.Select(1);
        m.SetColour(1, 0x10);
        m.Ok();
        return true;
    });
    ws.MnDataClick();
    EXPECT_EQ(program.objectTypes.At(1).nameEnglish, "One");
    EXPECT_EQ(program.objectTypes.At(2).colour, 0x10);
    ASSERT_GE(ws.cboItems().size(), 2u);
    EXPECT_EQ(ws.cboItems()[1].text, "  1 One (Two Point Line )");
}

TEST_F(TypeEditorCommandTest, NewTypeTakesFirstFreeSlotFromTemplate) {
    ws.FillTypeSelector();
    const std::size_t items = ws.cboItems().size();
    ui.typeEditorEdits.push_back([](TypeEditorModel& m) {
        EXPECT_TRUE(m.DataTypeChangeable());
        EXPECT_EQ(m.SlotCount(), 1);
        EXPECT_EQ(m.IdentityNumber(), 13);
        EXPECT_EQ(m.Working().nameEnglish, "New object type");
        EXPECT_EQ(m.Working().nameGerman, "New object type");
        EXPECT_EQ(m.Working().colour, 0x808000);  // the template's
        return false;
    });
    ws.MnAddobjectClick();
    EXPECT_EQ(program.objectTypes.At(13), ObjectType{});
    EXPECT_EQ(ws.cboItems().size(), items);

    ui.typeEditorEdits.push_back([](TypeEditorModel& m) {
        m.SetDataTypeIndex(4);
        EXPECT_TRUE(m.SetName("Vessel"));
        m.Ok();
        return true;
    });
    ws.MnAddobjectClick();
    EXPECT_EQ(program.objectTypes.At(13).dataType, kPolygon);
    EXPECT_EQ(program.objectTypes.At(13).identity, 13);
    ASSERT_EQ(ws.cboItems().size(), items + 1);
    EXPECT_EQ(ws.cboItems().back().text, " 13 Vessel (Polygon )");
    EXPECT_EQ(ws.cboIndex(), static_cast<int32_t>(items));
    EXPECT_EQ(ws.currentType(), 13);
}

TEST_F(TypeEditorCommandTest, NewTypeNeverOverwritesAFullTable) {
    for (int slot = 1; slot <= ObjectTypeTable::kSlots; ++slot) {
        ObjectType* type = program.objectTypes.Find(slot);
        if (type->dataType == kUndefined) *type = program.objectTypes.At(1);
    }
    const ObjectTypeTable full = program.objectTypes;
    ws.MnAddobjectClick();
    EXPECT_EQ(ui.typeEditors, 0);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(program.objectTypes, full);

    // With only the last slot free, it is the one used.
    *program.objectTypes.Find(256) = ObjectType{};
    ui.typeEditorEdits.push_back([](TypeEditorModel& m) { return m.IdentityNumber() == 256; });
    ws.MnAddobjectClick();
    EXPECT_EQ(program.objectTypes.At(256).identity, 256);
}

}  // namespace
}  // namespace kvx
