// The two charts of the main window under the mouse: zooming, undoing and panning the upper
// chart moves the lower chart's time axis with it; the lower chart leads nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/common/MainWindowFixture.h"
#include "toolkit/TestSupport.h"
#include "viewer/Unit1.h"

namespace {

struct Range
{
    double Minimum = 0;
    double Maximum = 0;
    bool Automatic = false;
    bool operator==(const Range&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Range& r)
{
    return out << r.Minimum << ".." << r.Maximum << (r.Automatic ? " auto" : " manual");
}

Range RangeOf(const TCustomChartAxis* axis)
{
    return Range{axis->Minimum(), axis->Maximum(), axis->Automatic()};
}

const Range kFixedValues{-0.2, 1.2, false};

class CoupledCharts : public ShownMainWindow
{
public:
    void SetUp() override
    {
        ShownMainWindow::SetUp();
        std::string text;
        for (int i = 1; i <= 20; ++i)
            text += std::to_string(i * 100) + ":" + std::to_string(i % 4) + "\r\n";
        Form1->Memo1->SetText(text);
        Form1->Button2->Click();
        Settle();
        C1 = Form1->Chart1;
        C2 = Form1->Chart2;
        Plot = C1->ChartRect();
        ASSERT_GT(Plot.Width(), 300);
        ASSERT_GT(Plot.Height(), 100);
    }

    // Paints until the layout no longer changes: the first drawing of a chart sizes its
    // value labels before it has a scale.
    static void Settle()
    {
        ProcessEvents();
        FlushPaints(Form1);
        Form1->Chart1->Invalidate();
        Form1->Chart2->Invalidate();
        FlushPaints(Form1);
    }

    // A point of Chart1's plot by fractions of its width and height.
    TPoint At(double fx, double fy) const
    {
        return TPoint{Plot.Left + static_cast<int>(fx * Plot.Width()),
                      Plot.Top + static_cast<int>(fy * Plot.Height())};
    }

    static void Drag(TChart* chart, TMouseButton button, TPoint from, TPoint to)
    {
        SimMouseDown(chart, button, 0, from.X, from.Y);
        SimMouseMove(chart, 0, (from.X + to.X) / 2, (from.Y + to.Y) / 2);
        SimMouseMove(chart, 0, to.X, to.Y);
        SimMouseUp(chart, button, 0, to.X, to.Y);
        FlushPaints(Form1);
    }

    // Chart2 shows what Chart1 shows on the time axis, and Chart1's values are fixed.
    void ExpectInStep() const
    {
        EXPECT_EQ(RangeOf(C2->BottomAxis()), RangeOf(C1->BottomAxis()));
        EXPECT_EQ(RangeOf(C1->LeftAxis()), kFixedValues);
        EXPECT_EQ(C2->Left(), 1);
    }

    int Errors() const { return Dialogs.Count(TRecordingDialogProvider::TShown::Error); }

    TChart* C1 = nullptr;
    TChart* C2 = nullptr;
    TRect Plot;
    TRecordingDialogProvider Dialogs;
    TDialogProviderScope Scope{&Dialogs};
};

TEST_F(CoupledCharts, LeftDragZoomsBothChartsToTheSameTimeStretch)
{
    const TPoint from = At(0.2, 0.1);
    const TPoint to = At(0.6, 0.9);
    const double t0 = C1->BottomAxis()->PixelToValue(from.X);
    const double t1 = C1->BottomAxis()->PixelToValue(to.X);
    const int renders2 = C2->RenderCount();

    Drag(C1, mbLeft, from, to);

    EXPECT_EQ(RangeOf(C1->BottomAxis()), (Range{t0, t1, false}));
    ExpectInStep();
    EXPECT_EQ(RangeOf(C2->LeftAxis()), kFixedValues);
    // The nudge made Chart2 draw with the copied axis, and both map time alike.
    EXPECT_GT(C2->RenderCount(), renders2);
    for (const double t : {t0, (t0 + t1) / 2, t1})
        EXPECT_EQ(C2->BottomAxis()->ValueToPixel(t), C1->BottomAxis()->ValueToPixel(t)) << t;
}

TEST_F(CoupledCharts, SixteenPixelsDoNothingSeventeenZoom)
{
    struct Row
    {
        const char* name;
        int dx, dy;
        bool zooms;
    };
    const Row rows[] = {
        {"16 wide", 16, 80, false},
        {"16 high", 200, 16, false},
        {"17 by 17", 17, 17, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TPoint from = At(0.3, 0.2);
        Drag(C1, mbLeft, from, {from.X + row.dx, from.Y + row.dy});
        EXPECT_EQ(!C1->BottomAxis()->Automatic(), row.zooms);
        ExpectInStep();
    }
}

TEST_F(CoupledCharts, DragTheOtherWayUndoesAllZoomsAndPans)
{
    struct Step
    {
        TMouseButton button;
        double fx0, fy0, fx1, fy1;
    };
    struct Row
    {
        const char* name;
        std::vector<Step> steps;
    };
    const Row rows[] = {
        {"twice zoomed", {{mbLeft, 0.2, 0.1, 0.8, 0.9}, {mbLeft, 0.1, 0.2, 0.5, 0.8}}},
        {"zoom then pan", {{mbLeft, 0.2, 0.1, 0.8, 0.9}, {mbRight, 0.5, 0.5, 0.3, 0.5}}},
        {"pan only", {{mbRight, 0.5, 0.5, 0.7, 0.4}}},
    };
    const Range full = RangeOf(C1->BottomAxis());
    ASSERT_TRUE(full.Automatic);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const Step& s : row.steps)
            Drag(C1, s.button, At(s.fx0, s.fy0), At(s.fx1, s.fy1));
        EXPECT_NE(RangeOf(C1->BottomAxis()), full);
        ExpectInStep();
        Drag(C1, mbLeft, At(0.8, 0.8), At(0.2, 0.2));
        Settle();
        EXPECT_EQ(RangeOf(C1->BottomAxis()), full);
        ExpectInStep();
    }
}

TEST_F(CoupledCharts, RightDragPansBothTimeAxesByThePointersMovement)
{
    const Range values2 = RangeOf(C2->LeftAxis());
    TPoint at = At(0.5, 0.5);
    SimMouseDown(C1, mbRight, 0, at.X, at.Y);
    for (const TPoint& to : {At(0.6, 0.5), At(0.55, 0.3), At(0.2, 0.7), At(0.9, 0.7)}) {
        SCOPED_TRACE(to.X);
        const TCustomChartAxis* time = C1->BottomAxis();
        const double delta = time->PixelToValue(at.X) - time->PixelToValue(to.X);
        const Range before = RangeOf(time);
        SimMouseMove(C1, 0, to.X, to.Y);
        FlushPaints(Form1);
        EXPECT_DOUBLE_EQ(time->Minimum(), before.Minimum + delta);
        EXPECT_DOUBLE_EQ(time->Maximum(), before.Maximum + delta);
        ExpectInStep();
        EXPECT_EQ(RangeOf(C2->LeftAxis()), values2);
        at = to;
    }
    SimMouseUp(C1, mbRight, 0, at.X, at.Y);
}

TEST_F(CoupledCharts, VerticalRightDragChangesNothing)
{
    const Range time = RangeOf(C1->BottomAxis());
    const int renders1 = C1->RenderCount();
    const int renders2 = C2->RenderCount();
    Drag(C1, mbRight, At(0.5, 0.1), At(0.5, 0.9));
    EXPECT_EQ(RangeOf(C1->BottomAxis()), time);
    EXPECT_EQ(RangeOf(C2->BottomAxis()), time);
    EXPECT_EQ(C1->RenderCount(), renders1);
    EXPECT_EQ(C2->RenderCount(), renders2);
}

TEST_F(CoupledCharts, LeavingTheChartRectangleEndsThePanForGood)
{
    SimMouseDown(C1, mbRight, 0, At(0.5, 0.5).X, At(0.5, 0.5).Y);
    SimMouseMove(C1, 0, At(0.6, 0.5).X, At(0.6, 0.5).Y);
    FlushPaints(Form1);
    const Range panned = RangeOf(C1->BottomAxis());
    EXPECT_FALSE(panned.Automatic);
    SimMouseMove(C1, 0, Plot.Right + 2, At(0.6, 0.5).Y);
    for (const double fx : {0.7, 0.4, 0.9}) {
        SimMouseMove(C1, 0, At(fx, 0.5).X, At(fx, 0.5).Y);
        FlushPaints(Form1);
    }
    SimMouseUp(C1, mbRight, 0, At(0.9, 0.5).X, At(0.9, 0.5).Y);
    EXPECT_EQ(RangeOf(C1->BottomAxis()), panned);
    ExpectInStep();
}

TEST_F(CoupledCharts, APressDuringADragIsIgnored)
{
    // Left press while panning: no zoom at the left release, the pan went on until it.
    SimMouseDown(C1, mbRight, 0, At(0.5, 0.5).X, At(0.5, 0.5).Y);
    SimMouseDown(C1, mbLeft, 0, At(0.5, 0.5).X, At(0.5, 0.5).Y);
    SimMouseMove(C1, 0, At(0.7, 0.8).X, At(0.7, 0.8).Y);
    const Range panned = RangeOf(C1->BottomAxis());
    SimMouseUp(C1, mbLeft, 0, At(0.7, 0.8).X, At(0.7, 0.8).Y);
    SimMouseUp(C1, mbRight, 0, At(0.7, 0.8).X, At(0.7, 0.8).Y);
    FlushPaints(Form1);
    EXPECT_EQ(RangeOf(C1->BottomAxis()), panned);
    ExpectInStep();

    // Right press while dragging the zoom rectangle: no pan; the left release zooms.
    const TPoint from = At(0.2, 0.2);
    const TPoint to = At(0.6, 0.8);
    const double t0 = C1->BottomAxis()->PixelToValue(from.X);
    const double t1 = C1->BottomAxis()->PixelToValue(to.X);
    SimMouseDown(C1, mbLeft, 0, from.X, from.Y);
    SimMouseDown(C1, mbRight, 0, At(0.3, 0.3).X, At(0.3, 0.3).Y);
    SimMouseMove(C1, 0, to.X, to.Y);
    SimMouseUp(C1, mbRight, 0, to.X, to.Y);
    SimMouseUp(C1, mbLeft, 0, to.X, to.Y);
    FlushPaints(Form1);
    EXPECT_EQ(RangeOf(C1->BottomAxis()), (Range{t0, t1, false}));
    ExpectInStep();
}

TEST_F(CoupledCharts, OneWheelStepDownScrollsOnlyTheUpperValueAxis)
{
    const Range time = RangeOf(C2->BottomAxis());
    SimMouseWheel(C1, -1, 0, At(0.5, 0.5).X, At(0.5, 0.5).Y);
    EXPECT_NEAR(C1->LeftAxis()->Minimum(), -0.158, 1e-12);
    EXPECT_NEAR(C1->LeftAxis()->Maximum(), 1.242, 1e-12);
    EXPECT_EQ(RangeOf(C2->LeftAxis()), kFixedValues);
    EXPECT_EQ(RangeOf(C2->BottomAxis()), time);
}

TEST_F(CoupledCharts, ZoomingChart2LeavesChart1AloneUntilChart1LeadsAgain)
{
    const Range time1 = RangeOf(C1->BottomAxis());
    Drag(C2, mbLeft, At(0.2, 0.1), At(0.5, 0.9));
    EXPECT_FALSE(C2->BottomAxis()->Automatic());
    EXPECT_NE(RangeOf(C2->LeftAxis()), kFixedValues);
    EXPECT_EQ(RangeOf(C1->BottomAxis()), time1);
    EXPECT_EQ(RangeOf(C1->LeftAxis()), kFixedValues);

    Drag(C1, mbLeft, At(0.4, 0.1), At(0.9, 0.9));
    ExpectInStep();
}

TEST_F(CoupledCharts, ResizingTheWindowNeverMovesChart2OffItsPlace)
{
    Drag(C1, mbLeft, At(0.2, 0.1), At(0.6, 0.9));
    const Range zoomed = RangeOf(C1->BottomAxis());
    for (const auto& [w, h] : {std::pair{1200, 600}, {800, 400}, {801, 401}, {1009, 490}}) {
        SCOPED_TRACE(w);
        Form1->SetClientWidth(w);
        Form1->SetClientHeight(h);
        ProcessEvents();
        EXPECT_EQ(C2->Left(), 1);
        EXPECT_EQ(C2->Top() + C2->Height(), Form1->Panel3->Height() - 1);
        EXPECT_EQ(RangeOf(C1->BottomAxis()), zoomed);
        ExpectInStep();
    }
    EXPECT_EQ(Errors(), 0);
}

// The wheel can carry the upper value axis wholly below -0.2; writing the minimum first then
// failed on every zoom, pan or resize, and Chart2 stayed uncoupled.
TEST_F(CoupledCharts, WheelScrolledValueAxisNoLongerBreaksTheCoupling)
{
    struct Row
    {
        const char* name;
        std::function<void(CoupledCharts&)> act;
    };
    const Row rows[] = {
        {"zoom", [](CoupledCharts& t) { Drag(t.C1, mbLeft, t.At(0.2, 0.1), t.At(0.6, 0.9)); }},
        {"pan", [](CoupledCharts& t) { Drag(t.C1, mbRight, t.At(0.5, 0.5), t.At(0.3, 0.5)); }},
        {"undo", [](CoupledCharts& t) { Drag(t.C1, mbLeft, t.At(0.8, 0.8), t.At(0.2, 0.2)); }},
        {"resize",
         [](CoupledCharts&) {
             Form1->SetClientWidth(Form1->ClientWidth() + 30);
             ProcessEvents();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SimMouseWheel(C1, 34, 0, At(0.5, 0.5).X, At(0.5, 0.5).Y);
        ASSERT_LT(C1->LeftAxis()->Maximum(), -0.2);
        row.act(*this);
        EXPECT_EQ(Errors(), 0) << Dialogs.LastMessage(TRecordingDialogProvider::TShown::Error);
        ExpectInStep();
    }
}

} // namespace
