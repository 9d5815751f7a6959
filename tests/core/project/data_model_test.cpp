#include <gtest/gtest.h>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "core/program/object_type.hpp"
#include "core/program/program.hpp"
#include "core/project/measured_object.hpp"
#include "core/project/picture_frame.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx {
namespace {

TEST(MeasuredObjectTest, RecordRoundTripAndNameCut) {
    MeasuredObject p;
    p.x = 1234.5;
    p.y = -0.25;
    p.colourOverride = 0x00FF00;
    p.typeIndex = 256;
    p.name = std::string(70, 'n');
    p.vertexKind = 2;
    p.sizeOverride = 7;
    p.textColourOverride = -1;
    p.excluded = true;
    const auto record = p.Pack();
    ASSERT_EQ(record.size(), 101u);
    const MeasuredObject back = MeasuredObject::Unpack(record.data());
    EXPECT_EQ(back.name.size(), 63u);
    p.name.resize(63);
    EXPECT_EQ(back, p);
}

class WorkspaceTest : public ::testing::Test {
protected:
    test::FakeUserInterface ui;
    test::TempDir dir;
    Program program{ui, dir.Path().string()};
    Workspace ws{program};
};

TEST_F(WorkspaceTest, HistoryHoldsExactlyItsCapacity) {
    ASSERT_TRUE(program.InitErrorStack());
    program.settings.RecordCapacity = 1024;
    ASSERT_EQ(ws.CreateHistory(), kOk);
    MeasuredObject p;
    p.typeIndex = 3;
    p.vertexKind = 1;
    for (int i = 1; i <= 1024; ++i) {
        p.x = i;
        ASSERT_TRUE(ws.AppendRecord(p));
    }
    EXPECT_FALSE(ws.AppendRecord(p));
    ws.PutRecord(1025, p);  // a direct write past the end is reported, not stored
    EXPECT_EQ(ws.history().Count(), 1024);
    ASSERT_TRUE(program.errors.FindCurrent());
    EXPECT_EQ(program.errors.Current().info, "1/history/1025");
    EXPECT_EQ(ws.history().Peek(1024).x, 1024.0);
}

TEST_F(WorkspaceTest, ClearProjectKeepsTitleAuthorAndVersion) {
    program.settings.RecordCapacity = 1024;
    ASSERT_EQ(ws.CreateHistory(), kOk);
    ChangeProject(ws, [&](Project& p) {
        p.title = "Leaf sections";
        p.userName = "Ada";
        p.formatVersion = 18;
        p.imagePath = "/img/a.jpg";
        p.originalImagePath = "/img/a.jpg";
        p.projectPath = "/img/a.KXP";
        p.resolutionDpi = 1200;
        p.view.imageWidth = 640;
    });
    ws.SetCurrentType(12);
    ws.SetFileState(kChanged);
    MeasuredObject p;
    p.typeIndex = 12;
    ASSERT_TRUE(ws.AppendRecord(p));

    ws.ClearProject();
    EXPECT_EQ(ws.history().Count(), 0);
    EXPECT_EQ(ws.history().Peek(1).typeIndex, 0);  // zeroed, not only truncated
    EXPECT_EQ(ws.fileState(), kNoProject);
    EXPECT_EQ(ws.currentType(), 0);
    EXPECT_TRUE(ws.project().imagePath.empty());
    EXPECT_TRUE(ws.project().originalImagePath.empty());
    EXPECT_TRUE(ws.project().projectPath.empty());
    EXPECT_EQ(ws.project().resolutionDpi, 0);
    EXPECT_EQ(ws.project().view.imageWidth, 0);
    EXPECT_EQ(ws.project().title, "Leaf sections");
    EXPECT_EQ(ws.project().userName, "Ada");
    EXPECT_EQ(ws.project().formatVersion, 18);
}

TEST(ObjectTypeTableTest, SlotsAreOneBasedAndBounded) {
    ObjectTypeTable table;
    ASSERT_NE(table.Find(1), nullptr);
    ASSERT_NE(table.Find(256), nullptr);
    EXPECT_EQ(table.Find(0), nullptr);
    EXPECT_EQ(table.Find(257), nullptr);
    table.Find(256)->dataClass = kClassUser;
    EXPECT_TRUE(table.At(256).InUse());
    EXPECT_FALSE(table.At(-5).InUse());
    table.Clear();
    EXPECT_FALSE(table.At(256).InUse());
}

TEST(ObjectTypeTableTest, FixedNameTables) {
    EXPECT_EQ(DataTypeName(6, 1), "Two Point Line");
    EXPECT_EQ(DataTypeName(7, 0), "Z\xE4hlen");
    EXPECT_EQ(DataTypeName(8, 1), "");
    EXPECT_EQ(DataClassName(2, 0), "0(Anwender)");
    EXPECT_EQ(DataClassName(2, 2), "0(User)");
    EXPECT_EQ(DataClassName(1, 0), "9(System)");
    EXPECT_EQ(DataTypeName(6, 0), "Strecke");
    for (int t = 0; t <= 7; ++t) {
        EXPECT_LE(DataTypeName(t, 0).size(), 15u);
        EXPECT_LE(DataTypeName(t, 1).size(), 15u);
    }
}

TEST(PictureFrameTest, EveryOrientationTurnsBackToTheStoredPoint) {
    // A 3000 × 2000 µm stored picture; the corner (0, 0) and a point inside
    // go where the picture turned as a camera records it puts them.
    struct Case {
        int32_t orientation;
        double cornerX, cornerY;  // where the stored (0, 0) is shown
    };
    for (const Case& c : {Case{1, 0, 0}, Case{2, 3000, 0}, Case{3, 3000, 2000}, Case{4, 0, 2000},
                          Case{5, 0, 0}, Case{6, 2000, 0}, Case{7, 2000, 3000}, Case{8, 0, 3000}}) {
        const PictureFrame frame{c.orientation, 3000.0, 2000.0};
        double x = 0.0, y = 0.0;
        ShownFromStored(frame, x, y);
        EXPECT_EQ(x, c.cornerX) << c.orientation;
        EXPECT_EQ(y, c.cornerY) << c.orientation;
        x = 700.0;
        y = 250.0;
        ShownFromStored(frame, x, y);
        StoredFromShown(frame, x, y);
        EXPECT_EQ(x, 700.0) << c.orientation;
        EXPECT_EQ(y, 250.0) << c.orientation;
    }
}

}  // namespace
}  // namespace kvx
