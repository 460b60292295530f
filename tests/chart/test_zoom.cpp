// Zoom, undo zoom, panning and the wheel of a chart, driven by real mouse events.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "toolkit/TestSupport.h"

namespace {

struct AxisState
{
    double Minimum = 0;
    double Maximum = 0;
    bool Automatic = false;
    bool AutomaticMinimum = false;
    bool AutomaticMaximum = false;
    bool operator==(const AxisState&) const = default;
};

AxisState StateOf(const TCustomChartAxis* axis)
{
    return AxisState{axis->Minimum(), axis->Maximum(), axis->Automatic(), axis->AutomaticMinimum(),
                     axis->AutomaticMaximum()};
}

std::ostream& operator<<(std::ostream& out, const AxisState& s)
{
    return out << s.Minimum << ".." << s.Maximum << (s.Automatic ? " auto" : " manual")
               << (s.AutomaticMinimum ? " automin" : "") << (s.AutomaticMaximum ? " automax" : "");
}

// A chart set up as the viewer sets up its charts, painted once, counting its events.
class ZoomChart : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Chart.SetBounds(0, 0, 500, 300);
        Chart.SetView3D(false);
        Chart.Title()->Text()->SetLines({""});
        Chart.Legend()->SetVisible(false);
        Chart.SetAllowPanning(pmHorizontal);
        TChartAxis* left = Chart.LeftAxis();
        left->SetAutomatic(false);
        left->SetMinimum(-0.2);
        left->SetMaximum(1.2);
        auto* series = new TLineSeries();
        series->SetParentChart(&Chart);
        series->AddPoint(0, 0);
        for (int t = 10; t <= 100; t += 10) {
            series->AddPoint(t, (t / 10) % 2 == 0 ? 1 : 0);
            series->AddPoint(t, (t / 10) % 2 == 0 ? 0 : 1);
        }
        Series = series;
        Chart.OnZoom = [this](TObject*) {
            ++Zooms;
            RendersAtEvent = Chart.RenderCount();
            BottomAtEvent = StateOf(Chart.BottomAxis());
        };
        Chart.OnUndoZoom = [this](TObject*) {
            ++Undos;
            BottomAtEvent = StateOf(Chart.BottomAxis());
        };
        Chart.OnScroll = [this](TObject*) { ++Scrolls; };
        // The first drawing sizes the value labels before any scale exists; the second one
        // gives the layout that stays.
        Paint();
        Chart.Invalidate();
        Paint();
        Plot = Chart.ChartRect();
        ASSERT_TRUE(Plot.Contains(100, 50) && Plot.Contains(300, 150))
            << Plot.Left << "," << Plot.Top;
    }

    void Paint() { FlushPaints(&Chart); }

    void Drag(TMouseButton button, TPoint from, TPoint to)
    {
        SimMouseDown(&Chart, button, 0, from.X, from.Y);
        SimMouseMove(&Chart, 0, (from.X + to.X) / 2, (from.Y + to.Y) / 2);
        SimMouseMove(&Chart, 0, to.X, to.Y);
        SimMouseUp(&Chart, button, 0, to.X, to.Y);
    }

    void ResetCounts() { Zooms = Undos = Scrolls = 0; }

    TChart Chart;
    TChartSeries* Series = nullptr;
    TRect Plot;
    int Zooms = 0;
    int Undos = 0;
    int Scrolls = 0;
    int RendersAtEvent = -1;
    AxisState BottomAtEvent;
};

TEST_F(ZoomChart, LeftDragRightAndDownZoomsEveryAxisToTheRectangle)
{
    const double b0 = Chart.BottomAxis()->PixelToValue(100);
    const double b1 = Chart.BottomAxis()->PixelToValue(300);
    const double l0 = Chart.LeftAxis()->PixelToValue(150);
    const double l1 = Chart.LeftAxis()->PixelToValue(50);
    const AxisState bottomBefore = StateOf(Chart.BottomAxis());
    const int renders = Chart.RenderCount();

    Drag(mbLeft, {100, 50}, {300, 150});

    EXPECT_EQ(Zooms, 1);
    EXPECT_EQ(Undos, 0);
    // The event sees the new ranges before any redraw.
    EXPECT_EQ(RendersAtEvent, renders);
    EXPECT_EQ(BottomAtEvent, (AxisState{b0, b1, false, false, false}));
    EXPECT_EQ(StateOf(Chart.LeftAxis()), (AxisState{l0, l1, false, false, false}));
    for (const TCustomChartAxis* axis : {Chart.TopAxis(), Chart.RightAxis()})
        EXPECT_FALSE(axis->Automatic() || axis->AutomaticMinimum() || axis->AutomaticMaximum());
    EXPECT_TRUE(Chart.Zoomed());
    ASSERT_TRUE(Chart.HasAxesSnapshot());
    EXPECT_EQ(Chart.AxesSnapshot().Bottom.Automatic, bottomBefore.Automatic);
    EXPECT_EQ(Chart.AxesSnapshot().Left.Minimum, -0.2);
    EXPECT_EQ(Chart.AxesSnapshot().Left.Maximum, 1.2);
    EXPECT_TRUE(Chart.NeedsPaint());
    Paint();
    EXPECT_EQ(Chart.RenderCount(), renders + 1);
}

TEST_F(ZoomChart, DragSizeAndDirectionChooseZoomUndoOrNothing)
{
    struct Row
    {
        const char* name;
        TPoint from, to;
        int zooms, undos;
    };
    const Row rows[] = {
        {"16 wide", {100, 50}, {116, 150}, 0, 0},
        {"17 wide", {100, 50}, {117, 150}, 1, 0},
        {"16 high", {100, 50}, {300, 66}, 0, 0},
        {"17 high", {100, 50}, {300, 67}, 1, 0},
        {"left and up", {300, 150}, {100, 50}, 0, 1},
        {"right and up", {100, 150}, {300, 50}, 0, 1},
        {"left and down", {300, 50}, {100, 150}, 0, 1},
        {"16 back to the left", {300, 50}, {284, 150}, 0, 0},
        {"no movement", {200, 100}, {200, 100}, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Chart.ResetZoom();
        Paint();
        ResetCounts();
        const AxisState bottom = StateOf(Chart.BottomAxis());
        const int renders = Chart.RenderCount();
        Drag(mbLeft, row.from, row.to);
        EXPECT_EQ(Zooms, row.zooms);
        EXPECT_EQ(Undos, row.undos);
        EXPECT_FALSE(Chart.ZoomRecord().Active);
        if (row.zooms + row.undos == 0) {
            // Only the rectangle was drawn and taken away again.
            EXPECT_EQ(StateOf(Chart.BottomAxis()), bottom);
            EXPECT_FALSE(Chart.NeedsPaint());
            Paint();
            EXPECT_EQ(Chart.RenderCount(), renders);
        }
    }
}

TEST_F(ZoomChart, UndoDragRestoresTheAxesOfBeforeTheFirstZoomOrPan)
{
    struct Row
    {
        const char* name;
        std::vector<std::pair<TMouseButton, std::pair<TPoint, TPoint>>> drags;
    };
    const Row rows[] = {
        {"zoomed twice", {{mbLeft, {{100, 50}, {300, 150}}}, {mbLeft, {{150, 60}, {250, 200}}}}},
        {"zoom then pan", {{mbLeft, {{100, 50}, {300, 150}}}, {mbRight, {{200, 100}, {260, 90}}}}},
        {"pan only", {{mbRight, {{200, 100}, {150, 100}}}}},
        {"nothing to undo", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const AxisState bottom = StateOf(Chart.BottomAxis());
        const AxisState left = StateOf(Chart.LeftAxis());
        for (const auto& [button, points] : row.drags) {
            Drag(button, points.first, points.second);
            Paint();
        }
        if (!row.drags.empty()) {
            EXPECT_NE(StateOf(Chart.BottomAxis()), bottom);
        }
        ResetCounts();
        Drag(mbLeft, {300, 150}, {100, 50});
        EXPECT_EQ(Undos, 1);
        EXPECT_FALSE(Chart.HasAxesSnapshot());
        EXPECT_FALSE(Chart.Zoomed());
        Paint();
        EXPECT_EQ(StateOf(Chart.BottomAxis()), bottom);
        EXPECT_EQ(StateOf(Chart.LeftAxis()), left);
    }
}

TEST_F(ZoomChart, RightDragMovesTheTimeAxisByExactlyThePointersMovement)
{
    const AxisState left = StateOf(Chart.LeftAxis());
    const TPoint path[] = {{210, 100}, {190, 120}, {250, 80}, {250, 80}, {250, 140}, {120, 60}};
    TPoint at{200, 100};
    SimMouseDown(&Chart, mbRight, 0, at.X, at.Y);
    int expectedScrolls = 0;
    for (const TPoint& to : path) {
        SCOPED_TRACE(std::to_string(to.X) + "," + std::to_string(to.Y));
        const TCustomChartAxis* bottom = Chart.BottomAxis();
        const double delta = bottom->PixelToValue(at.X) - bottom->PixelToValue(to.X);
        const double min = bottom->Minimum();
        const double max = bottom->Maximum();
        const double grabbed = bottom->PixelToValue(at.X);
        SimMouseMove(&Chart, 0, to.X, to.Y);
        if (to.X != at.X) ++expectedScrolls;
        EXPECT_EQ(Scrolls, expectedScrolls);
        EXPECT_DOUBLE_EQ(bottom->Minimum(), min + delta);
        EXPECT_DOUBLE_EQ(bottom->Maximum(), max + delta);
        EXPECT_EQ(StateOf(Chart.LeftAxis()), left);
        Paint();
        // The value under the pointer stays under it.
        EXPECT_EQ(bottom->ValueToPixel(grabbed), to.X);
        at = to;
    }
    SimMouseUp(&Chart, mbRight, 0, at.X, at.Y);
    EXPECT_FALSE(Chart.PanningRecord().Active);
}

TEST_F(ZoomChart, PanningModeChoosesTheAxesThatMove)
{
    struct Row
    {
        const char* name;
        TPanningMode mode;
        bool bottomMoves, leftMoves;
    };
    const Row rows[] = {
        {"none", pmNone, false, false},
        {"horizontal", pmHorizontal, true, false},
        {"vertical", pmVertical, false, true},
        {"both", pmBoth, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Chart.ResetZoom();
        Paint();
        ResetCounts();
        Chart.SetAllowPanning(row.mode);
        const AxisState bottom = StateOf(Chart.BottomAxis());
        const AxisState left = StateOf(Chart.LeftAxis());
        Drag(mbRight, {200, 100}, {230, 140});
        EXPECT_EQ(StateOf(Chart.BottomAxis()) != bottom, row.bottomMoves);
        EXPECT_EQ(StateOf(Chart.LeftAxis()) != left, row.leftMoves);
        // One event per move that moved something; the drag has two moves.
        EXPECT_EQ(Scrolls, row.bottomMoves || row.leftMoves ? 2 : 0);
    }
}

TEST_F(ZoomChart, VerticalRightDragInHorizontalModeChangesNothing)
{
    const AxisState bottom = StateOf(Chart.BottomAxis());
    const AxisState left = StateOf(Chart.LeftAxis());
    Drag(mbRight, {200, 60}, {200, 200});
    EXPECT_EQ(Scrolls, 0);
    EXPECT_EQ(StateOf(Chart.BottomAxis()), bottom);
    EXPECT_EQ(StateOf(Chart.LeftAxis()), left);
    EXPECT_FALSE(Chart.NeedsPaint());
}

TEST_F(ZoomChart, PanEndsForGoodWhenThePointerLeavesTheChartRectangle)
{
    struct Row
    {
        const char* name;
        TPoint outside;
    };
    const Row rows[] = {
        {"right edge", {Plot.Right, 100}},
        {"bottom edge", {200, Plot.Bottom}},
        {"left of it", {Plot.Left - 1, 100}},
        {"above it", {200, Plot.Top - 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SimMouseDown(&Chart, mbRight, 0, 200, 100);
        // The left and top edges still belong to the rectangle.
        SimMouseMove(&Chart, 0, Plot.Left, Plot.Top);
        EXPECT_TRUE(Chart.PanningRecord().Active);
        SimMouseMove(&Chart, 0, row.outside.X, row.outside.Y);
        EXPECT_FALSE(Chart.PanningRecord().Active);
        const AxisState bottom = StateOf(Chart.BottomAxis());
        ResetCounts();
        SimMouseMove(&Chart, 0, 250, 100);
        SimMouseMove(&Chart, 0, 150, 100);
        EXPECT_EQ(Scrolls, 0);
        EXPECT_EQ(StateOf(Chart.BottomAxis()), bottom);
        SimMouseUp(&Chart, mbRight, 0, 150, 100);
    }
}

TEST_F(ZoomChart, LeavingTheWindowEndsAPanButNotAZoomDrag)
{
    SimMouseDown(&Chart, mbRight, 0, 200, 100);
    SimMouseLeave(&Chart);
    EXPECT_FALSE(Chart.PanningRecord().Active);
    SimMouseUp(&Chart, mbRight, 0, 200, 100);

    SimMouseDown(&Chart, mbLeft, 0, 100, 50);
    SimMouseMove(&Chart, 0, 200, 120);
    SimMouseLeave(&Chart);
    EXPECT_TRUE(Chart.ZoomRecord().Active);
    SimMouseUp(&Chart, mbLeft, 0, 300, 150);
    EXPECT_EQ(Zooms, 1);
}

TEST_F(ZoomChart, PressesDuringADragAreIgnored)
{
    // A left press during a pan starts no zoom drag, and the pan goes on.
    SimMouseDown(&Chart, mbRight, 0, 200, 100);
    SimMouseDown(&Chart, mbLeft, 0, 200, 100);
    EXPECT_FALSE(Chart.ZoomRecord().Active);
    SimMouseMove(&Chart, 0, 220, 100);
    EXPECT_EQ(Scrolls, 1);
    SimMouseUp(&Chart, mbLeft, 0, 220, 100);
    EXPECT_FALSE(Chart.PanningRecord().Active);
    SimMouseUp(&Chart, mbRight, 0, 220, 100);
    Paint();

    // A right press or release during a zoom drag neither pans nor ends the drag.
    ResetCounts();
    SimMouseDown(&Chart, mbLeft, 0, 100, 50);
    SimMouseDown(&Chart, mbRight, 0, 150, 60);
    EXPECT_FALSE(Chart.PanningRecord().Active);
    SimMouseMove(&Chart, 0, 250, 100);
    SimMouseUp(&Chart, mbRight, 0, 250, 100);
    EXPECT_TRUE(Chart.ZoomRecord().Active);
    EXPECT_EQ(Scrolls, 0);
    SimMouseUp(&Chart, mbLeft, 0, 300, 150);
    EXPECT_EQ(Zooms, 1);
}

TEST_F(ZoomChart, PressHitTestsDecideTheClickEventAndTheDrag)
{
    std::vector<std::string> clicks;
    Chart.OnClickSeries = [&](TCustomChart*, TChartSeries* s, int index, TMouseButton, TShiftState,
                              int, int) {
        clicks.push_back("series " + std::to_string(index) + (s == Series ? "" : " other"));
        Chart.SetClickHandled(false);
    };
    Chart.OnClickAxis = [&](TCustomChart*, TCustomChartAxis* axis, TMouseButton, TShiftState, int,
                            int) {
        clicks.push_back(axis == Chart.BottomAxis() ? "bottom axis"
                         : axis == Chart.LeftAxis() ? "left axis"
                                                    : "other axis");
        Chart.SetClickHandled(false);
    };
    Chart.OnClickBackground = [&](TCustomChart*, TMouseButton, TShiftState, int, int) {
        clicks.push_back("background");
        Chart.SetClickHandled(false);
    };
    const TCustomChartAxis* bottom = Chart.BottomAxis();
    const TCustomChartAxis* left = Chart.LeftAxis();
    const TRect title = Chart.Title()->TextBlockRect;
    const int yHigh = left->ValueToPixel(1);
    struct Row
    {
        const char* name;
        TPoint at;
        const char* click;
        bool drags;
    };
    const Row rows[] = {
        {"on the line from 10 to 20", {bottom->ValueToPixel(15), yHigh}, "series 3", true},
        {"on the plot", {bottom->ValueToPixel(25), left->ValueToPixel(0.5)}, "background", true},
        {"on the time ticks", {200, bottom->LabelsPos - 1}, "bottom axis", true},
        {"just inside the time axis line", {200, bottom->AxisLinePos - 3}, "bottom axis", true},
        {"on the value ticks", {left->LabelsPos + 1, 100}, "left axis", true},
        {"on a time label", {200, bottom->LabelsPos + 3}, "background", false},
        {"on the title", {(title.Left + title.Right) / 2, title.Top + 1}, "background", false},
        {"in the corner", {1, 1}, "background", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        clicks.clear();
        SimMouseDown(&Chart, mbLeft, 0, row.at.X, row.at.Y);
        EXPECT_EQ(clicks, std::vector<std::string>{row.click});
        EXPECT_EQ(Chart.ZoomRecord().Active, row.drags);
        EXPECT_FALSE(Chart.ClickHandled());
        SimMouseUp(&Chart, mbLeft, 0, row.at.X, row.at.Y);
    }
}

TEST_F(ZoomChart, ASeriesCursorShowsOnlyOverItsLine)
{
    Series->SetCursor(crHandPoint);
    const int x = Chart.BottomAxis()->ValueToPixel(15);
    const int onLine = Chart.LeftAxis()->ValueToPixel(1);
    SimMouseMove(&Chart, 0, x, onLine);
    EXPECT_EQ(Chart.Cursor(), crHandPoint);
    SimMouseMove(&Chart, 0, x, onLine + 5);
    EXPECT_EQ(Chart.Cursor(), Chart.SavedCursor());
    SimMouseMove(&Chart, 0, x, onLine);
    SimMouseLeave(&Chart);
    EXPECT_EQ(Chart.Cursor(), Chart.SavedCursor());
}

TEST_F(ZoomChart, AClickHandlerThatKeepsThePressCancelsTheDrag)
{
    for (const bool keep : {true, false}) {
        SCOPED_TRACE(keep);
        int backgrounds = 0;
        Chart.OnClickBackground = [&](TCustomChart*, TMouseButton, TShiftState, int, int) {
            ++backgrounds;
            if (!keep) Chart.SetClickHandled(false);
        };
        const int x = Chart.BottomAxis()->ValueToPixel(25);
        const int y = Chart.LeftAxis()->ValueToPixel(0.5);
        SimMouseDown(&Chart, mbLeft, 0, x, y);
        EXPECT_EQ(Chart.ZoomRecord().Active, !keep);
        EXPECT_EQ(backgrounds, 1);
        SimMouseUp(&Chart, mbLeft, 0, x, y);
    }
}

TEST_F(ZoomChart, AllowScrollMayChangeOrForbidEachAxisMove)
{
    Chart.OnAllowScroll = [&](TCustomChartAxis* axis, double& min, double& max, bool& allow) {
        if (axis == Chart.TopAxis()) allow = false;
        if (axis == Chart.BottomAxis()) max = min + 7;
    };
    const AxisState top = StateOf(Chart.TopAxis());
    const double delta =
        Chart.BottomAxis()->PixelToValue(200) - Chart.BottomAxis()->PixelToValue(240);
    const double min = Chart.BottomAxis()->Minimum();
    Drag(mbRight, {200, 100}, {240, 100});
    EXPECT_EQ(StateOf(Chart.TopAxis()), top);
    EXPECT_DOUBLE_EQ(Chart.BottomAxis()->Minimum(), min + delta);
    EXPECT_DOUBLE_EQ(Chart.BottomAxis()->Maximum(), Chart.BottomAxis()->Minimum() + 7);
}

TEST_F(ZoomChart, WheelScrollsTheVerticalAxesByThreePercentWithoutAnEvent)
{
    struct Row
    {
        const char* name;
        int steps;
        double min, max;
    };
    const Row rows[] = {
        {"one step down", -1, -0.158, 1.242},
        {"one step up", 1, -0.242, 1.158},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Chart.LeftAxis()->SetAxisRange(-0.2, 1.2);
        Paint();
        ResetCounts();
        const AxisState bottom = StateOf(Chart.BottomAxis());
        const int renders = Chart.RenderCount();
        SimMouseWheel(&Chart, row.steps, 0, 200, 100);
        EXPECT_NEAR(Chart.LeftAxis()->Minimum(), row.min, 1e-12);
        EXPECT_NEAR(Chart.LeftAxis()->Maximum(), row.max, 1e-12);
        EXPECT_FALSE(Chart.LeftAxis()->Automatic());
        EXPECT_EQ(StateOf(Chart.BottomAxis()), bottom);
        // Drawn at once, not at the next paint.
        EXPECT_GT(Chart.RenderCount(), renders);
        EXPECT_EQ(Zooms + Undos + Scrolls, 0);
        EXPECT_FALSE(Chart.HasAxesSnapshot());
    }
    // An undo does not take the wheel's scrolling back.
    const AxisState left = StateOf(Chart.LeftAxis());
    Drag(mbLeft, {300, 150}, {100, 50});
    EXPECT_EQ(StateOf(Chart.LeftAxis()), left);
}

TEST_F(ZoomChart, ZoomRectangleDrawnTwiceLeavesTheImageAsItWas)
{
    auto image = [this] {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < Chart.Height(); ++y)
            for (int x = 0; x < Chart.Width(); ++x)
                pixels.push_back(ControlPixel(&Chart, x, y));
        return pixels;
    };
    const std::vector<uint32_t> before = image();
    ASSERT_NE(before.front(), 0xFFFFFFFFu);
    const int renders = Chart.RenderCount();

    SimMouseDown(&Chart, mbLeft, 0, 100, 50);
    SimMouseMove(&Chart, 0, 300, 150);
    // The outline shows; inside and outside it nothing changed.
    EXPECT_NE(ControlPixel(&Chart, 200, 50), before[50 * Chart.Width() + 200]);
    EXPECT_NE(ControlPixel(&Chart, 100, 100), before[100 * Chart.Width() + 100]);
    EXPECT_EQ(ControlPixel(&Chart, 200, 100), before[100 * Chart.Width() + 200]);
    EXPECT_EQ(ControlPixel(&Chart, 200, 160), before[160 * Chart.Width() + 200]);
    // Dragged back over the start and beyond it, up and to the left.
    SimMouseMove(&Chart, 0, 40, 20);
    SimMouseMove(&Chart, 0, 110, 60);
    SimMouseUp(&Chart, mbLeft, 0, 110, 60);

    EXPECT_EQ(Chart.RenderCount(), renders);
    EXPECT_FALSE(Chart.NeedsPaint());
    EXPECT_TRUE(image() == before);
}

TEST_F(ZoomChart, AnimatedZoomDrawsEachStepAndEndsOnTheRectangle)
{
    Chart.SetAnimatedZoom(true);
    Chart.SetAnimatedZoomSteps(4);
    Paint();
    const TCustomChartAxis* bottom = Chart.BottomAxis();
    const double min = bottom->Minimum();
    const double b0 = bottom->PixelToValue(100);
    const double b1 = bottom->PixelToValue(300);
    std::vector<double> frameMinimums;
    Chart.OnAfterDraw = [&](TObject*) { frameMinimums.push_back(bottom->Minimum()); };

    Drag(mbLeft, {100, 50}, {300, 150});

    ASSERT_EQ(frameMinimums.size(), 3u);
    EXPECT_DOUBLE_EQ(frameMinimums[0], min + (b0 - min) / 3);
    EXPECT_LT(frameMinimums[1], frameMinimums[2]);
    EXPECT_EQ(Zooms, 1);
    EXPECT_EQ(bottom->Minimum(), b0);
    EXPECT_EQ(bottom->Maximum(), b1);
}

TEST_F(ZoomChart, InvertedAxisZoomsToAnOrderedRange)
{
    Chart.LeftAxis()->SetInverted(true);
    Paint();
    const double atTop = Chart.LeftAxis()->PixelToValue(50);
    const double atBottom = Chart.LeftAxis()->PixelToValue(150);
    ASSERT_LT(atTop, atBottom);
    Drag(mbLeft, {100, 50}, {300, 150});
    EXPECT_EQ(Chart.LeftAxis()->Minimum(), atTop);
    EXPECT_EQ(Chart.LeftAxis()->Maximum(), atBottom);
}

} // namespace

TEST_F(ZoomChart, RightClickWithoutMovingAsksForTheMenuAndPansNothing)
{
    struct Popup
    {
        TMouseButton button;
        int x, y;
    };
    std::vector<Popup> popups;
    Chart.OnContextPopup = [&](TCustomChart* sender, TMouseButton button, TShiftState, int x,
                               int y) {
        EXPECT_EQ(sender, &Chart);
        // The pan is over when the menu shows.
        EXPECT_FALSE(Chart.PanningRecord().Active);
        popups.push_back({button, x, y});
    };
    struct Step
    {
        enum { Down, Move, Up, Leave } kind;
        TMouseButton button;
        int x, y;
    };
    struct Row
    {
        const char* name;
        TPanningMode mode;
        std::vector<Step> steps;
        bool popup;
        bool pans;
    };
    const Row rows[] = {
        {"click",
         pmHorizontal,
         {{Step::Down, mbRight, 200, 100}, {Step::Up, mbRight, 200, 100}},
         true,
         false},
        {"move to the same point",
         pmHorizontal,
         {{Step::Down, mbRight, 200, 100},
          {Step::Move, mbRight, 200, 100},
          {Step::Up, mbRight, 200, 100}},
         true,
         false},
        {"panning off",
         pmNone,
         {{Step::Down, mbRight, 200, 100}, {Step::Up, mbRight, 200, 100}},
         true,
         false},
        {"drag",
         pmHorizontal,
         {{Step::Down, mbRight, 200, 100},
          {Step::Move, mbRight, 240, 100},
          {Step::Up, mbRight, 240, 100}},
         false,
         true},
        {"drag and back to the press point",
         pmHorizontal,
         {{Step::Down, mbRight, 200, 100},
          {Step::Move, mbRight, 240, 100},
          {Step::Move, mbRight, 200, 100},
          {Step::Up, mbRight, 200, 100}},
         false,
         true},
        {"vertical slip in horizontal mode",
         pmHorizontal,
         {{Step::Down, mbRight, 200, 100},
          {Step::Move, mbRight, 200, 101},
          {Step::Up, mbRight, 200, 101}},
         false,
         false},
        {"released elsewhere without a move",
         pmHorizontal,
         {{Step::Down, mbRight, 200, 100}, {Step::Up, mbRight, 201, 100}},
         false,
         false},
        {"left click",
         pmHorizontal,
         {{Step::Down, mbLeft, 200, 100}, {Step::Up, mbLeft, 200, 100}},
         false,
         false},
        {"left the window",
         pmHorizontal,
         {{Step::Down, mbRight, 200, 100},
          {Step::Leave, mbLeft, 0, 0},
          {Step::Up, mbRight, 200, 100}},
         false,
         false},
        {"left released during the press",
         pmHorizontal,
         {{Step::Down, mbRight, 200, 100},
          {Step::Down, mbLeft, 200, 100},
          {Step::Up, mbLeft, 200, 100},
          {Step::Up, mbRight, 200, 100}},
         false,
         false},
        {"right click during a zoom drag",
         pmHorizontal,
         {{Step::Down, mbLeft, 100, 50},
          {Step::Down, mbRight, 110, 60},
          {Step::Up, mbRight, 110, 60},
          {Step::Up, mbLeft, 110, 60}},
         false,
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Chart.ResetZoom();
        Paint();
        ResetCounts();
        popups.clear();
        Chart.SetAllowPanning(row.mode);
        const AxisState bottom = StateOf(Chart.BottomAxis());
        const AxisState left = StateOf(Chart.LeftAxis());
        for (const Step& step : row.steps) {
            switch (step.kind) {
            case Step::Down:
                SimMouseDown(&Chart, step.button, 0, step.x, step.y);
                break;
            case Step::Move:
                SimMouseMove(&Chart, 0, step.x, step.y);
                break;
            case Step::Up:
                SimMouseUp(&Chart, step.button, 0, step.x, step.y);
                break;
            case Step::Leave:
                SimMouseLeave(&Chart);
                break;
            }
        }
        ASSERT_EQ(popups.size(), row.popup ? 1u : 0u);
        if (row.popup) {
            EXPECT_EQ(popups[0].button, mbRight);
            EXPECT_EQ(popups[0].x, row.steps.back().x);
            EXPECT_EQ(popups[0].y, row.steps.back().y);
        }
        EXPECT_EQ(StateOf(Chart.BottomAxis()) != bottom, row.pans);
        EXPECT_EQ(Scrolls > 0, row.pans);
        // A menu click leaves nothing to undo; a pan does.
        if (row.popup || row.pans) {
            EXPECT_EQ(Chart.HasAxesSnapshot(), row.pans);
        }
        EXPECT_EQ(StateOf(Chart.LeftAxis()), left);
        EXPECT_EQ(Zooms + Undos, 0);
    }
}

TEST_F(ZoomChart, AClickHandlerThatKeepsARightPressShowsNoMenu)
{
    int popups = 0;
    Chart.OnContextPopup = [&](TCustomChart*, TMouseButton, TShiftState, int, int) { ++popups; };
    Chart.OnClickBackground = [&](TCustomChart*, TMouseButton, TShiftState, int, int) {};
    const int x = Chart.BottomAxis()->ValueToPixel(25);
    const int y = Chart.LeftAxis()->ValueToPixel(0.5);
    SimMouseDown(&Chart, mbRight, 0, x, y);
    SimMouseUp(&Chart, mbRight, 0, x, y);
    EXPECT_EQ(popups, 0);
    Chart.OnClickBackground = nullptr;
    SimMouseDown(&Chart, mbRight, 0, x, y);
    SimMouseUp(&Chart, mbRight, 0, x, y);
    EXPECT_EQ(popups, 1);
}
