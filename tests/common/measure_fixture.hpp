#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/fake_ui.hpp"
#include "common/measured_project.hpp"
#include "common/temp_dir.hpp"
#include "core/draw/view.hpp"
#include "core/program/program.hpp"
#include "core/workspace/workspace.hpp"

namespace kvx::test {

// Slots of the types the measuring tests use.
inline constexpr int kTplType = 10;     // Two Point Line
inline constexpr int kPolyType = 11;    // Polygon
inline constexpr int kCountType = 12;   // Count
inline constexpr int kTextType = 13;    // Text
inline constexpr int kLineType = 14;    // Line
inline constexpr int kPointType = 15;   // Point
inline constexpr int kObjectType = 16;  // Object

/// An open project on a 1000 × 1000 pixel paint box that shows the world
/// square 0..100,000 µm: one paint-box pixel is 100 µm.
class MeasureTest : public ::testing::Test {
protected:
    static constexpr int32_t kBox = 1000;

    void SetUp() override {
        ASSERT_TRUE(program.InitErrorStack());
        ASSERT_EQ(program.LoadMessages(), kOk);
        program.settings.RecordCapacity = capacity;
        // Only frame and objects: the image is never decoded here.
        program.settings.DisplayLayers = {1, -2, -3, 4, 5, 6, 7, -8, -9, -10};
        ASSERT_EQ(ws.CreateHistory(), kOk);
        build.DefineType(kTplType, kTwoPointLine, "Distance (mm)");
        build.DefineType(kPolyType, kPolygon, "Area");
        build.DefineType(kCountType, kCount, "Cells");
        build.DefineType(kTextType, kText, "Label");
        build.DefineType(kLineType, kLine, "Outline");
        build.DefineType(kPointType, kPoint, "Spot");
        build.DefineType(kObjectType, kObject, "Thing");
        build.DefineType(kSlotLabelPoint, kPoint, "Labels", {}, kClassSystem);
        build.DefineType(kSlotTemplate, kLine, "Template");
        ErrorCode viewSet = kOk;
        ChangeProject(ws, [&](Project& p) {
            p.imagePath = dir.File("slide.jpg");
            p.resolutionDpi = 1200;
            viewSet = SetWindow(program, p.view, {0, 0, 100000, 100000}, true, true);
        });
        ASSERT_EQ(viewSet, kOk);
        ws.SetFileState(kUnchanged);
        ws.SetDrawnView(DrawnViewOf(ws.project().view));
        ws.FillTypeSelector();
        ws.SetRedrawCount(2);  // past the start-up guard
    }

    /// Shows the world rectangle rect as a zoom would leave the view.
    void Show(const WorldRect& rect) {
        ErrorCode code = kOk;
        ChangeProject(ws,
                      [&](Project& p) { code = SetWindow(program, p.view, rect, false, true); });
        ASSERT_EQ(code, kOk);
    }

    MouseEvent Event(int32_t x, int32_t y, MouseButton button = MouseButton::Left) const {
        MouseEvent e;
        e.button = button;
        e.x = x;
        e.y = y;
        e.boxWidth = kBox;
        e.boxHeight = kBox;
        return e;
    }
    void Click(int32_t x, int32_t y, MouseButton button = MouseButton::Left) {
        ws.MainPBMouseDown(Event(x, y, button));
        ws.MainPBMouseUp(Event(x, y, button));
    }
    void AltClick(int32_t x, int32_t y) {
        MouseEvent e = Event(x, y);
        e.alt = true;
        ws.MainPBMouseDown(e);
        ws.MainPBMouseUp(e);
    }
    void Drag(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        ws.MainPBMouseDown(Event(x1, y1));
        ws.MainPBMouseMove(x2, y2);
        ws.MainPBMouseUp(Event(x2, y2));
    }

    /// Chooses a type through `cbo`.
    void Choose(int32_t type) {
        for (std::size_t i = 0; i < ws.cboItems().size(); ++i) {
            if (ws.cboItems()[i].type == type) {
                ws.CboChange(static_cast<int32_t>(i));
                return;
            }
        }
        FAIL() << "type " << type << " not in cbo";
    }

    /// Measures one object of type: Measure, the clicks, Measure.
    void MeasureObject(int32_t type, std::initializer_list<ScreenPoint> clicks) {
        Choose(type);
        ws.MeasureCommand();
        for (const ScreenPoint& p : clicks) Click(p.x, p.y);
        ws.MeasureCommand();
    }

    MeasuredObject At(int32_t index) const { return ws.history().Peek(index); }

    int32_t capacity = 2048;
    FakeUserInterface ui;
    TempDir dir;
    Program program{ui, DataDir()};
    Workspace ws{program};
    MeasuredProject build{ws};
};

}  // namespace kvx::test
