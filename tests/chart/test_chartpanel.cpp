// Chart panel: defaults and validation, margins, the chart rectangle and its repair,
// the paint cycle through the off-screen cache, the drag record and text blocks.
#include <gtest/gtest.h>

#include <string>

#include "chart/ChartEngine.h"
#include "chart/ChartPanel.h"
#include "toolkit/TestSupport.h"

namespace {

// Records what the drawing sequence is handed and counts invalidations.
class ProbeChart : public TCustomAxisPanel
{
public:
    using TCustomAxisPanel::Paint;
    void Invalidate() override
    {
        ++Invalidations;
        TCustomAxisPanel::Invalidate();
    }
    int Invalidations = 0;
    int Parts = 0;
    TRect PanelSeen;
    TRect ChartSeen;

protected:
    void RenderParts(TRect& panelRect) override
    {
        ++Parts;
        PanelSeen = panelRect;
        ChartSeen = ChartRect();
    }
};

TEST(ChartPanel, Defaults)
{
    ProbeChart chart;
    EXPECT_EQ(chart.Width(), 400);
    EXPECT_EQ(chart.Height(), 250);
    EXPECT_EQ(chart.Chart3DPercent(), 15);
    EXPECT_EQ(chart.MarginLeft(), 3);
    EXPECT_EQ(chart.MarginTop(), 4);
    EXPECT_EQ(chart.MarginRight(), 3);
    EXPECT_EQ(chart.MarginBottom(), 4);
    EXPECT_TRUE(chart.View3D());
    EXPECT_NE(chart.View3DOptions(), nullptr);
    EXPECT_NE(chart.Canvas3D(), nullptr);
    EXPECT_TRUE(chart.IsReady());
    EXPECT_FALSE(chart.PrintMode());
    EXPECT_FALSE(chart.Monochrome());
    EXPECT_TRUE(chart.UseOffscreenImage());
    EXPECT_EQ(chart.Color(), clBtnFace);
    EXPECT_FALSE(chart.ZoomRecord().Active);
    EXPECT_FALSE(chart.PanningRecord().Active);
    EXPECT_FALSE(chart.ClickHandled());
    EXPECT_TRUE(chart.AllowZoom());
    EXPECT_EQ(chart.AllowPanning(), pmBoth);
    EXPECT_FALSE(chart.AnimatedZoom());
    EXPECT_EQ(chart.AnimatedZoomSteps(), 8);
    EXPECT_FALSE(chart.Zoomed());
    EXPECT_FALSE(chart.Gradient.Visible);
    EXPECT_EQ(chart.Gradient.StartColor, clWhite);
    EXPECT_EQ(chart.Gradient.EndColor, clYellow);
    EXPECT_TRUE(chart.View3DWalls());
    EXPECT_TRUE(chart.ClipPoints());
    EXPECT_TRUE(chart.AxisVisible());
    EXPECT_EQ(chart.Page(), 1);
    EXPECT_EQ(chart.MaxPointsPerPage(), 0);
    EXPECT_TRUE(chart.ScaleLastPage());
    EXPECT_TRUE(chart.SeriesList().empty());
}

TEST(ChartPanel, RangeChecksRaiseAndKeepTheOldValue)
{
    ProbeChart chart;
    for (int bad : {0, 101, -5}) {
        SCOPED_TRACE(bad);
        try {
            chart.SetChart3DPercent(bad);
            ADD_FAILURE() << "no exception";
        } catch (const ChartException& e) {
            EXPECT_EQ(e.Message(), "3D effect percent must be between 1 and 100");
        }
        EXPECT_EQ(chart.Chart3DPercent(), 15);
    }
    chart.SetChart3DPercent(1);
    chart.SetChart3DPercent(100);
    EXPECT_EQ(chart.Chart3DPercent(), 100);

    try {
        chart.SetMaxPointsPerPage(-1);
        ADD_FAILURE() << "no exception";
    } catch (const ChartException& e) {
        EXPECT_EQ(e.Message(), "MaxPointsPerPage must be >= 0");
    }
    EXPECT_EQ(chart.MaxPointsPerPage(), 0);
}

TEST(ChartPanel, MarginPercentByIndex)
{
    ProbeChart chart;
    EXPECT_EQ(chart.MarginPercent(0), 3);
    EXPECT_EQ(chart.MarginPercent(1), 4);
    EXPECT_EQ(chart.MarginPercent(2), 3);
    EXPECT_EQ(chart.MarginPercent(3), 4);
    int before = chart.Invalidations;
    chart.SetMarginPercent(2, 3);
    EXPECT_EQ(chart.Invalidations, before);
    chart.SetMarginPercent(2, 10);
    EXPECT_EQ(chart.MarginRight(), 10);
    EXPECT_EQ(chart.Invalidations, before + 1);
    chart.SetMarginBottom(0);
    EXPECT_EQ(chart.MarginPercent(3), 0);
    EXPECT_THROW(chart.SetMarginPercent(4, 1), EListError);
    EXPECT_THROW((void)chart.MarginPercent(-1), EListError);
}

TEST(ChartPanel, PropertyChangesRequestRepaints)
{
    struct Case
    {
        const char* name;
        void (*apply)(ProbeChart&);
        int requests;
    };
    const Case cases[] = {
        {"View3DSame", [](ProbeChart& c) { c.SetView3D(true); }, 0},
        {"View3DOff", [](ProbeChart& c) { c.SetView3D(false); }, 1},
        {"AnimatedZoom", [](ProbeChart& c) { c.SetAnimatedZoom(true); }, 1},
        {"AnimatedZoomSteps", [](ProbeChart& c) { c.SetAnimatedZoomSteps(4); }, 1},
        {"AllowZoomIsPlain", [](ProbeChart& c) { c.SetAllowZoom(false); }, 0},
        {"AllowPanningIsPlain", [](ProbeChart& c) { c.SetAllowPanning(pmHorizontal); }, 0},
        {"Monochrome", [](ProbeChart& c) { c.SetMonochrome(true); }, 1},
        {"ClipPoints", [](ProbeChart& c) { c.SetClipPoints(false); }, 1},
        {"AxisVisibleSame", [](ProbeChart& c) { c.SetAxisVisible(true); }, 0},
        {"Chart3DPercent", [](ProbeChart& c) { c.SetChart3DPercent(30); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProbeChart chart;
        const int before = chart.Invalidations;
        c.apply(chart);
        EXPECT_EQ(chart.Invalidations - before, c.requests);
    }
}

TEST(ChartPanel, UpdateChartSizeRepairsTheRectangle)
{
    struct Case
    {
        const char* name;
        TRect panel;
        TRect chart;
        TRect repaired;
    };
    // The control is 400 x 250.
    const Case cases[] = {
        {"Sound", {0, 0, 400, 250}, {10, 10, 100, 100}, {10, 10, 100, 100}},
        {"LeftTopOutside", {5, 6, 400, 250}, {0, 0, 50, 50}, {5, 6, 50, 50}},
        {"InvertedWidth", {0, 0, 400, 250}, {50, 10, 40, 100}, {50, 10, 51, 100}},
        {"EmptyWidth", {0, 0, 400, 250}, {50, 10, 50, 100}, {50, 10, 450, 100}},
        {"InvertedHeight", {0, 0, 400, 250}, {10, 60, 100, 20}, {10, 60, 100, 61}},
        {"EmptyHeight", {0, 0, 400, 250}, {10, 60, 100, 60}, {10, 60, 100, 310}},
        {"ClampedIntoInverted", {30, 0, 400, 250}, {0, 0, 20, 10}, {30, 0, 31, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProbeChart chart;
        chart.SetPanelRect(c.panel);
        chart.SetChartRect(c.chart);
        chart.UpdateChartSize();
        EXPECT_EQ(chart.ChartRect(), c.repaired);
        EXPECT_EQ(chart.ChartWidth(), c.repaired.Width());
        EXPECT_EQ(chart.ChartHeight(), c.repaired.Height());
        EXPECT_EQ(chart.ChartXCenter(), (c.repaired.Left + c.repaired.Right) / 2);
        EXPECT_EQ(chart.ChartYCenter(), (c.repaired.Top + c.repaired.Bottom) / 2);
    }
}

TEST(ChartPanel, ControlWithoutSizeStillGetsAPixel)
{
    ProbeChart chart;
    chart.SetBounds(0, 0, 0, 0);
    chart.SetPanelRect(TRect{0, 0, 0, 0});
    chart.SetChartRect(TRect{0, 0, 0, 0});
    chart.UpdateChartSize();
    EXPECT_EQ(chart.ChartWidth(), 1);
    EXPECT_EQ(chart.ChartHeight(), 1);
}

TEST(ChartPanel, RenderToPlacesTheChartRectangleInsideTheMargins)
{
    struct Case
    {
        const char* name;
        int width;
        int height;
        int border;
        TRect chartRect;
    };
    const Case cases[] = {
        {"ViewerSize", 894, 184, 0, {27, 7, 867, 177}},
        {"WithBorder", 894, 184, 5, {32, 12, 862, 172}},
        // 3 % of 50 is 1.5: MulDiv rounds the half away from zero.
        {"HalfPixelInsets", 50, 50, 0, {2, 2, 48, 48}},
        {"DoubleWidth", 1788, 184, 0, {54, 7, 1734, 177}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProbeChart chart;
        chart.SetBounds(0, 0, c.width, c.height);
        chart.SetBorderWidth(c.border);
        TBitmap target;
        target.SetSize(c.width, c.height);
        chart.RenderTo(target.Canvas(), TRect{0, 0, c.width, c.height});
        EXPECT_EQ(chart.Parts, 1);
        EXPECT_EQ(chart.PanelSeen, (TRect{0, 0, c.width, c.height}));
        EXPECT_EQ(chart.ChartSeen, c.chartRect);
        EXPECT_EQ(chart.ChartWidth(), c.chartRect.Width());
        EXPECT_FALSE(chart.Canvas3D()->IsDirty());
        EXPECT_EQ(chart.Canvas3D()->ReferenceCanvas(), chart.Canvas());
    }
}

TEST(ChartPanel, PaintDrawsOnlyWhenDirty)
{
    ProbeChart chart;
    chart.Paint();
    EXPECT_EQ(chart.Parts, 1);
    // Uncovered without a change: the cached picture is copied.
    chart.Paint();
    EXPECT_EQ(chart.Parts, 1);
    chart.RequestRepaint();
    chart.RequestRepaint();
    chart.Paint();
    EXPECT_EQ(chart.Parts, 2);
    chart.SetPrintMode(true);
    chart.RequestRepaint();
    chart.Paint();
    EXPECT_EQ(chart.Parts, 2);
}

TEST(ChartPanel, RequestsBeforeAPaintMakeOneDrawing)
{
    ProbeChart chart;
    FlushPaints(&chart);
    const int before = chart.Parts;
    chart.RequestRepaint();
    chart.RequestRepaint();
    chart.BottomAxis()->SetInverted(true);
    FlushPaints(&chart);
    EXPECT_EQ(chart.Parts, before + 1);
    FlushPaints(&chart);
    EXPECT_EQ(chart.Parts, before + 1);
}

TEST(ChartPanel, ResizeDrawsAgain)
{
    ProbeChart chart;
    chart.Paint();
    EXPECT_EQ(chart.Parts, 1);
    chart.SetBounds(0, 0, 300, 120);
    chart.Paint();
    EXPECT_EQ(chart.Parts, 2);
    EXPECT_EQ(chart.PanelSeen, (TRect{0, 0, 300, 120}));
}

TEST(ChartPanel, FailedDrawingLeavesTheSurfaceOnTheWindow)
{
    class Failing : public TCustomAxisPanel
    {
    protected:
        void RenderParts(TRect&) override { throw Exception("broken"); }
    };
    Failing chart;
    TBitmap target;
    target.SetSize(100, 100);
    EXPECT_THROW(chart.RenderTo(target.Canvas(), TRect{0, 0, 100, 100}), Exception);
    EXPECT_EQ(chart.Canvas3D()->ReferenceCanvas(), chart.Canvas());
    EXPECT_TRUE(chart.Canvas3D()->IsDirty());
}

TEST(ChartPanel, DragRecord)
{
    struct Case
    {
        const char* name;
        int x0, y0, x1, y1;
        int nx0, ny0, nx1, ny1;
    };
    const Case cases[] = {
        {"Ordered", 1, 2, 30, 40, 1, 2, 30, 40},
        {"XReversed", 30, 2, 1, 40, 1, 2, 30, 40},
        {"BothReversed", 30, 40, 1, 2, 1, 2, 30, 40},
        {"Equal", 5, 5, 5, 5, 5, 5, 5, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZoomPanningRecord r;
        r.BeginDrag(c.x0, c.y0);
        EXPECT_TRUE(r.Active);
        EXPECT_EQ(r.X1, c.x0);
        EXPECT_EQ(r.Y1, c.y0);
        r.X1 = c.x1;
        r.Y1 = c.y1;
        r.NormalizeCorners();
        EXPECT_EQ(r.X0, c.nx0);
        EXPECT_EQ(r.Y0, c.ny0);
        EXPECT_EQ(r.X1, c.nx1);
        EXPECT_EQ(r.Y1, c.ny1);
    }
}

TEST(ChartPanel, TextBlockWidth)
{
    ProbeChart chart;
    TChartCanvas3D& surface = *chart.Canvas3D();
    const int abc = surface.MeasureTextWidth("abc");
    const int wide = surface.MeasureTextWidth("wwwwww");
    ASSERT_GT(abc, 0);
    ASSERT_GT(wide, abc);
    struct Case
    {
        const char* name;
        std::string text;
        int lines;
        int width;
    };
    const Case cases[] = {
        {"Empty", "", 1, 0},
        {"OneLine", "abc", 1, abc},
        {"TrailingSeparator", "abc\r", 1, abc},
        {"OnlySeparator", "\r", 1, 0},
        {"TwoLines", "abc\rwwwwww", 2, wide},
        {"WidestFirst", "wwwwww\rabc", 2, wide},
        {"EmptyMiddle", "abc\r\rabc", 3, abc},
        {"LeadingSeparator", "\rabc", 2, abc},
        {"TwoTrailing", "abc\r\r", 2, abc},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int lines = -1;
        EXPECT_EQ(chart.TextBlockWidth(c.text, lines), c.width);
        EXPECT_EQ(lines, c.lines);
    }
}

} // namespace
