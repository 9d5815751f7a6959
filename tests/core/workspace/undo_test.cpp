// Undo and redo of every change to the project, wheel zoom and drag pan, and
// the recent-projects list.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "common/measure_fixture.hpp"
#include "common/test_pictures.hpp"
#include "core/measure/calibration.hpp"
#include "core/program/recent_projects.hpp"
#include "core/project/project_file.hpp"
#include "core/stats/grid_model.hpp"
#include "core/workspace/tools/tool_list.hpp"

namespace kvx {
namespace {

using namespace test;

// Everything a change may touch and undo must put back.
struct State {
    std::vector<MeasuredObject> records;
    int32_t fileState = 0;
    int32_t resolution = 0;
    double calibration = 0.0;
    std::vector<GridRow> values;
    std::array<GridRow, GridModel::kStatisticsRows> statistics;
    bool operator==(const State&) const = default;
};

class UndoTest;

void PrintTo(const State& s, std::ostream* os) {
    *os << s.records.size() << " records, fileState " << s.fileState << ", " << s.resolution
        << " dpi, n " << s.statistics[0].value << ", mean " << s.statistics[3].value;
}

struct UndoCase {
    const char* name;
    std::function<void(Workspace&, UndoTest&)> change;
};

void PrintTo(const UndoCase& c, std::ostream* os) {
    *os << c.name;
}

class UndoTest : public MeasureTest, public ::testing::WithParamInterface<UndoCase> {
public:
    // The cases of the table drive the window's own commands.
    using MeasureTest::AltClick;
    using MeasureTest::Click;
    using MeasureTest::Event;
    using MeasureTest::MeasureObject;
    using MeasureTest::ui;

    void Modify(const std::function<void()>& action) {
        ws.ModifyCommand();
        action();
        ws.ModifyCommand();
    }

protected:
    void SetUp() override {
        MeasureTest::SetUp();
        if (HasFatalFailure()) return;
        // (100, 100) .. (200, 100) px, a square polygon and a count of three.
        build.Line(kTplType, 10000.0, false, 10000.0, 10000.0);
        build.Square(kPolyType, 20000.0, false, 30000.0, 30000.0);
        build.Closed(kCountType, {{60000.0, 60000.0}, {70000.0, 60000.0}, {80000.0, 60000.0}});
        build.Line(kTplType, 30000.0, false, 10000.0, 80000.0);
        ws.ClearUndo();
        Choose(kTplType);
        // Saved projects are read back with their picture.
        std::ofstream(dir.File("slide.jpg"), std::ios::binary) << TinyJpeg();
    }

    State Now() const {
        State s;
        for (int32_t i = 1; i <= ws.history().Count(); ++i)
            s.records.push_back(ws.history().Peek(i));
        s.fileState = ws.fileState();
        s.resolution = ws.project().resolutionDpi;
        s.calibration = program.settings.Calibration;
        s.values = ws.grids().DGrid;
        s.statistics = ws.grids().vGrid;
        return s;
    }
};

TEST_P(UndoTest, UndoAndRedoPutBackEveryRecordAndTheStatistics) {
    const State before = Now();
    GetParam().change(ws, *this);
    const State after = Now();
    ASSERT_NE(after.records, before.records);
    ASSERT_EQ(after.fileState, kChanged);
    EXPECT_TRUE(ws.CanUndo());
    EXPECT_NE(ws.UndoCaption(), program.GetMessage(2229));  // names the change

    ASSERT_TRUE(ws.UndoCommand());
    EXPECT_EQ(Now(), before);
    EXPECT_FALSE(ws.CanUndo());
    ASSERT_TRUE(ws.RedoCommand());
    EXPECT_EQ(Now(), after);
    EXPECT_FALSE(ws.CanRedo());
}

INSTANTIATE_TEST_SUITE_P(
    Changes, UndoTest,
    ::testing::Values(
        UndoCase{"CommittedObject",
                 [](Workspace&, UndoTest& u) {
                     u.MeasureObject(kTplType, {{400, 400}, {500, 450}});
                 }},
        UndoCase{"MovedPoint",
                 [](Workspace& ws, UndoTest& u) {
                     u.Modify([&] {
                         ws.MainPBMouseDown(u.Event(200, 100));
                         ws.MainPBMouseUp(u.Event(250, 150));
                     });
                 }},
        UndoCase{"DeletedLine",
                 [](Workspace&, UndoTest& u) {
                     u.Modify([&] { u.Click(100, 100, MouseButton::Right); });
                 }},
        UndoCase{"DuplicatedCountPoint",
                 [](Workspace&, UndoTest& u) { u.Modify([&] { u.AltClick(700, 600); }); }},
        UndoCase{"ExclusionToggled",
                 [](Workspace& ws, UndoTest&) { ASSERT_TRUE(ws.ToggleValueExclusion(1)); }},
        UndoCase{"ResolutionRescalesEveryPoint",
                 [](Workspace& ws, UndoTest& u) {
                     u.ui.propertiesEdits.push_back([](PropertiesDialogModel& m) {
                         m.Text(PropertiesDialogModel::Edit2) = "600";
                         return true;
                     });
                     ws.MnPropsClick();
                 }}),
    [](const ::testing::TestParamInfo<UndoCase>& param) { return std::string(param.param.name); });

TEST_F(UndoTest, ManyLevelsDeepAndANewChangeEndsTheRedo) {
    std::vector<State> states{Now()};
    for (int k = 0; k < 5; ++k) {
        MeasureObject(kTplType, {{300 + 10 * k, 300}, {350 + 10 * k, 320}});
        states.push_back(Now());
    }
    for (int k = 5; k > 0; --k) {
        ASSERT_TRUE(ws.UndoCommand());
        EXPECT_EQ(Now(), states[static_cast<std::size_t>(k - 1)]) << k;
    }
    EXPECT_FALSE(ws.UndoCommand());
    ASSERT_TRUE(ws.RedoCommand());
    EXPECT_EQ(Now(), states[1]);
    MeasureObject(kTplType, {{800, 800}, {900, 900}});
    EXPECT_FALSE(ws.CanRedo());
}

TEST_F(UndoTest, SavingKeepsTheHistoryAndTracksWhichStateIsOnDisk) {
    MeasureObject(kTplType, {{400, 400}, {500, 450}});
    ws.SetUserNameAsked(true);
    ASSERT_EQ(ws.Save(dir.File("slide.KXP")), kOk);
    ASSERT_EQ(ws.fileState(), kUnchanged);
    ASSERT_TRUE(ws.UndoCommand());
    EXPECT_EQ(ws.fileState(), kChanged);  // the file holds the object
    ASSERT_TRUE(ws.RedoCommand());
    EXPECT_EQ(ws.fileState(), kUnchanged);  // back to what was saved
}

TEST_F(UndoTest, LoadingAnotherProjectClearsTheHistory) {
    MeasureObject(kTplType, {{400, 400}, {500, 450}});
    ws.SetUserNameAsked(true);
    ASSERT_EQ(ws.Save(dir.File("a.KXP")), kOk);
    ASSERT_TRUE(ws.CanUndo());
    ASSERT_TRUE(ws.LoadProject("a.KXP", dir.Path().string()));
    EXPECT_FALSE(ws.CanUndo());
    EXPECT_EQ(ws.undo().Size(), 0u);
}

TEST_F(UndoTest, NothingToUndoWhileAnObjectIsBeingCaptured) {
    MeasureObject(kTplType, {{400, 400}, {500, 450}});
    ws.MeasureCommand();
    Click(600, 600);
    EXPECT_FALSE(ws.CanUndo());
    EXPECT_FALSE(ws.UndoCommand());
}

TEST(UndoHistoryTest, TheMemoryBoundDropsTheOldestEntriesButKeepsTheNewest) {
    FakeUserInterface ui;
    TempDir dir;
    Program program{ui, DataDir()};
    ASSERT_TRUE(program.InitErrorStack());
    Project project;
    History history;
    ASSERT_EQ(history.Create(program.registry, 4096), kOk);
    int32_t fileState = kUnchanged;
    double calibration = 0.0;
    const UndoableState state{project, history, fileState, calibration};
    // Each appended object of 100 records costs about 10 kB.
    UndoHistory undo(25000);
    undo.Clear(fileState);
    for (int k = 0; k < 5; ++k) {
        undo.Begin(state);
        MeasuredObject p;
        p.typeIndex = 1;
        for (int i = 0; i < 100; ++i) {
            p.x = k * 1000 + i;
            ASSERT_TRUE(history.Append(p));
        }
        ASSERT_TRUE(undo.Commit(state, "object"));
        EXPECT_LE(undo.MemoryUsed(), undo.MemoryBound());
    }
    EXPECT_EQ(undo.Size(), 2u);
    ASSERT_TRUE(undo.Undo(state));
    ASSERT_TRUE(undo.Undo(state));
    EXPECT_FALSE(undo.Undo(state));
    EXPECT_EQ(history.Count(), 300);

    // One change larger than the bound is still undoable.
    UndoHistory tiny(10);
    tiny.Clear(fileState);
    tiny.Begin(state);
    MeasuredObject p;
    p.typeIndex = 2;
    ASSERT_TRUE(history.Append(p));
    ASSERT_TRUE(tiny.Commit(state, "point"));
    ASSERT_TRUE(tiny.Undo(state));
    EXPECT_EQ(history.Count(), 300);
    // A change that changes nothing is no entry.
    tiny.Begin(state);
    EXPECT_FALSE(tiny.Commit(state, "nothing"));
}

// Wheel and drag on the 1000-pixel box showing 0..100,000 µm.
using ViewHabitsTest = MeasureTest;

TEST_F(ViewHabitsTest, WheelStepsAccumulateAndKeepThePointUnderTheCursor) {
    program.settings.WheelZoomPercent = 10;
    Show({200000, 200000, 300000, 300000});
    // Half a step (a high-resolution wheel) does nothing yet.
    EXPECT_FALSE(ws.WheelZoom(0.5, 250, 750, kBox, kBox));
    EXPECT_EQ(ws.project().view.viewSize, 100000);
    ASSERT_TRUE(ws.WheelZoom(0.5, 250, 750, kBox, kBox));
    EXPECT_EQ(ws.project().view.viewSize, 90000);
    // The pixel (250, 750) showed (225000, 275000) and still does.
    EXPECT_EQ(ws.project().view.viewLeft, 225000 - 22500);
    EXPECT_EQ(ws.project().view.viewTop, 275000 - 67500);
    ASSERT_TRUE(ws.WheelZoom(-2.0, 250, 750, kBox, kBox));
    EXPECT_EQ(ws.project().view.viewSize, 111111);
    EXPECT_EQ(ws.fileState(), kUnchanged);  // a view is no change to the project
}

TEST_F(ViewHabitsTest, DragPanFollowsTheMouseAndStopsAtTheWorldsEdge) {
    Show({200000, 200000, 300000, 300000});
    // Dragging 10 pixels right and 20 down shows what lay left of and above.
    ASSERT_TRUE(ws.DragPan(10, 20, kBox, kBox));
    EXPECT_EQ(ws.project().view.viewLeft, 199000);
    EXPECT_EQ(ws.project().view.viewTop, 198000);
    ASSERT_TRUE(ws.DragPan(5000, -20000, kBox, kBox));
    EXPECT_EQ(ws.project().view.viewLeft, 0);
    EXPECT_EQ(ws.project().view.viewTop, ViewBlock::kWorldSize - 100000);
    EXPECT_EQ(ws.project().view.viewSize, 100000);
    EXPECT_FALSE(ws.DragPan(10, -10, kBox, kBox));
}

TEST_F(ViewHabitsTest, AMiddleDragPansOverMeasuringAndHandsTheMouseBack) {
    Show({200000, 200000, 300000, 300000});
    EXPECT_EQ(ws.activeTool().Name(), "zoom");
    Choose(kPolyType);
    ws.MeasureCommand();
    Click(100, 100);
    Click(300, 100);
    ASSERT_EQ(ws.pending().size(), 2u);

    ws.MainPBMouseDown(Event(500, 500, MouseButton::Middle));
    EXPECT_EQ(ws.activeTool().Name(), "pan");
    EXPECT_EQ(ws.toolCursor(), ToolCursor::ClosedHand);
    // Measure mode stays on underneath: its controls and Undo stay as they were.
    EXPECT_EQ(ws.captureState(), 1);
    EXPECT_FALSE(ws.cboEnabled());
    EXPECT_FALSE(ws.CanUndo());
    ws.MainPBMouseMove(510, 520);
    EXPECT_EQ(ws.project().view.viewLeft, 199000);
    EXPECT_EQ(ws.project().view.viewTop, 198000);
    ws.MainPBMouseUp(Event(510, 520, MouseButton::Middle));

    EXPECT_EQ(ws.activeTool().Name(), "measure");
    EXPECT_EQ(ws.toolCursor(), ToolCursor::Arrow);
    EXPECT_EQ(ws.pending().size(), 2u);  // the release captured nothing
    EXPECT_EQ(ws.history().Count(), 0);

    // The pan key turns a left drag into the same.
    MouseEvent press = Event(400, 400);
    press.panKey = true;
    ws.MainPBMouseDown(press);
    ws.MainPBMouseMove(390, 400);
    ws.MainPBMouseUp(press);
    EXPECT_EQ(ws.project().view.viewLeft, 200000);
    EXPECT_EQ(ws.pending().size(), 2u);
    EXPECT_EQ(ws.activeTool().Name(), "measure");
}

TEST_F(ViewHabitsTest, ADraggedPointShowsTheSizingCursorUntilItIsDropped) {
    build.Line(kTplType, 10000, false, 20000, 20000);  // pixels (200, 200) to (300, 200)
    ws.ModifyCommand();
    ASSERT_EQ(ws.activeTool().Name(), "modify");
    ws.MainPBMouseDown(Event(200, 200));
    EXPECT_EQ(ws.dragIndex(), 1);
    EXPECT_EQ(ws.toolCursor(), ToolCursor::Sizing);
    EXPECT_FALSE(ws.ZoomOutline().has_value());  // no rectangle in modify mode
    ws.MainPBMouseMove(250, 260);
    ws.MainPBMouseUp(Event(250, 260));
    EXPECT_EQ(ws.dragIndex(), 0);
    EXPECT_EQ(ws.toolCursor(), ToolCursor::Arrow);
    EXPECT_EQ(At(1).x, 25000);
    EXPECT_EQ(At(1).y, 26000);
    // Leaving modify mode hands the mouse back to the zoom rectangle.
    ws.ModifyCommand();
    EXPECT_EQ(ws.activeTool().Name(), "zoom");
}

TEST(MouseToolsTest, EveryToolHasANameOfItsOwnAndTheZoomRectangleComesFirst) {
    FakeUserInterface ui;
    Program program{ui, DataDir()};
    Workspace ws{program};
    const auto tools = MakeMouseTools(ws);
    ASSERT_FALSE(tools.empty());
    EXPECT_EQ(tools.front()->Name(), "zoom");
    for (std::size_t i = 0; i < tools.size(); ++i) {
        for (std::size_t j = i + 1; j < tools.size(); ++j) {
            EXPECT_NE(tools[i]->Name(), tools[j]->Name());
        }
    }
}

TEST(RecentProjectsTest, MostRecentFirstTenAtMostExactNames) {
    TempDir dir;
    RecentProjects list;
    for (int k = 0; k < 12; ++k) list.Add("/data/p" + std::to_string(k) + ".KXP");
    list.Add("/data/p5.KXP");
    list.Add("/data/P5.KXP");
    ASSERT_EQ(list.Entries().size(), RecentProjects::kMaxEntries);
    EXPECT_EQ(list.Entries()[0], "/data/P5.KXP");
    EXPECT_EQ(list.Entries()[1], "/data/p5.KXP");
    EXPECT_EQ(list.Entries()[2], "/data/p11.KXP");
    EXPECT_TRUE(list.Remove("/data/p11.KXP"));
    EXPECT_FALSE(list.Remove("/data/p11.KXP"));
    const std::string file = dir.File("recent");
    ASSERT_TRUE(list.Write(file));
    EXPECT_EQ(RecentProjects::Read(file).Entries(), list.Entries());
    EXPECT_TRUE(RecentProjects::Read(dir.File("none")).Entries().empty());
}

TEST_F(UndoTest, RecentProjectsFollowLoadAndSaveAndLoseMissingFiles) {
    program.configDir = dir.Path().string();
    ws.SetRememberRecentProjects(true);
    ws.SetUserNameAsked(true);
    ASSERT_EQ(ws.Save(dir.File("a.KXP")), kOk);
    ASSERT_EQ(ws.Save(dir.File("b.KXP")), kOk);
    ASSERT_TRUE(ws.OpenRecentProject(dir.File("a.KXP")));
    const std::string file = RecentProjectsPath(program);
    EXPECT_EQ(RecentProjects::Read(file).Entries(),
              (std::vector<std::string>{dir.File("a.KXP"), dir.File("b.KXP")}));

    std::filesystem::remove(dir.File("b.KXP"));
    EXPECT_FALSE(ws.OpenRecentProject(dir.File("b.KXP")));
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_NE(ui.boxes.back().text.find("b.KXP"), std::string::npos);
    EXPECT_EQ(RecentProjects::Read(file).Entries(), std::vector<std::string>{dir.File("a.KXP")});
    EXPECT_EQ(ws.project().projectPath, dir.File("a.KXP"));  // still open
}

}  // namespace
}  // namespace kvx
