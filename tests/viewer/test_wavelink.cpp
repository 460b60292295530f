// The text view and the charts joined: the marker at the caret line's time in both charts,
// the pointer's readout that touches only the title line, and the double-click jump.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/MainWindowFixture.h"
#include "toolkit/TestSupport.h"
#include "viewer/Unit1.h"

namespace {

// Bit 0 rises at 100, falls at 200 (the second line at 200 does it), rises at 500 and
// falls at 800; the last line ends in a break, so the caret can stand after it.
const char* const Text = "100:1\r\n200:1\r\n200:0\r\n500:1\r\n800:0\r\n";
constexpr int LineLength = 7;

class LinkedViews : public ShownMainWindow
{
public:
    void SetUp() override
    {
        ShownMainWindow::SetUp();
        Form1->Memo1->SetText(Text);
        Form1->Button2->Click();
        Settle();
    }

    static void Settle()
    {
        ProcessEvents();
        FlushPaints(Form1);
        Form1->Chart1->Invalidate();
        Form1->Chart2->Invalidate();
        FlushPaints(Form1);
    }

    static std::vector<uint32_t> Pixels(const TChart* chart, int top, int bottom)
    {
        std::vector<uint32_t> pixels;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < chart->Width(); ++x)
                pixels.push_back(ControlPixel(chart, x, y));
        return pixels;
    }

    static int X(const TChart* chart, double time)
    {
        return chart->BottomAxis()->ValueToPixel(time);
    }
    static int MidY(const TChart* chart) { return chart->LeftAxis()->ValueToPixel(0.5); }
};

} // namespace

TEST_F(LinkedViews, MarkerAtTheCaretLinesTimeInBothCharts)
{
    TChart* charts[] = {Form1->Chart1, Form1->Chart2};
    const int renders = Form1->Chart1->RenderCount();
    Form1->Memo1->SetSelStart(3 * LineLength + 2);
    FlushPaints(Form1);
    EXPECT_EQ(Form1->Chart1->RenderCount(), renders) << "a marker needs no drawing of the series";
    for (const TChart* chart : charts) {
        const int x = X(chart, 500);
        EXPECT_EQ(chart->MarkerPixel(), x);
        EXPECT_EQ(ControlPixel(chart, x, MidY(chart)), chart->MarkerColor);
        EXPECT_NE(ControlPixel(chart, x - 1, MidY(chart)), chart->MarkerColor);
        // Clipped to the plot: nothing above it.
        EXPECT_NE(ControlPixel(chart, x, chart->ChartRect().Top - 2), chart->MarkerColor);
    }

    // It follows a zoom of Chart1, which Chart2 follows.
    Form1->Chart1->ZoomToValues(0, 1, 400, 700, -0.2, 1.2, 0, 1);
    Settle();
    for (const TChart* chart : charts) {
        EXPECT_EQ(chart->MarkerPixel(), X(chart, 500));
        EXPECT_EQ(ControlPixel(chart, X(chart, 500), MidY(chart)), chart->MarkerColor);
    }

    // The empty place after the last break is no sample line.
    Form1->Memo1->SetSelStart(5 * LineLength);
    FlushPaints(Form1);
    for (const TChart* chart : charts)
        EXPECT_EQ(chart->MarkerPixel(), -1);

    // "Repaint" clears it until the caret moves again.
    Form1->Memo1->SetSelStart(LineLength);
    EXPECT_EQ(Form1->Chart1->MarkerValue(), 200);
    Form1->Button2->Click();
    EXPECT_FALSE(Form1->Chart1->MarkerVisible());
    EXPECT_FALSE(Form1->Chart2->MarkerVisible());
}

TEST_F(LinkedViews, ReadoutChangesOnlyTheTitleLine)
{
    TChart* chart = Form1->Chart1;
    const TRect plot = chart->ChartRect();
    const TRect title = chart->Title()->TextBlockRect;
    ASSERT_LT(title.Bottom, plot.Top);
    const std::vector<uint32_t> before = Pixels(chart, 0, chart->Height());
    const int renders = chart->RenderCount();

    SimMouseMove(chart, 0, X(chart, 350), MidY(chart));
    FlushPaints(Form1);
    EXPECT_FALSE(chart->OverlayText().empty());
    EXPECT_EQ(chart->RenderCount(), renders) << "a pointer move must not draw the series";
    EXPECT_EQ(Pixels(chart, title.Bottom, chart->Height()),
              std::vector<uint32_t>(before.begin() + title.Bottom * chart->Width(), before.end()));
    EXPECT_NE(
        Pixels(chart, 0, title.Bottom),
        std::vector<uint32_t>(before.begin(), before.begin() + title.Bottom * chart->Width()));

    SimMouseLeave(chart);
    FlushPaints(Form1);
    EXPECT_TRUE(chart->OverlayText().empty());
    EXPECT_EQ(Pixels(chart, 0, chart->Height()), before);
}

TEST_F(LinkedViews, DoubleClickPutsTheCaretOnTheNearestEdgesFirstLine)
{
    TChart* chart = Form1->Chart1;
    const double minimum = chart->BottomAxis()->Minimum();
    const double maximum = chart->BottomAxis()->Maximum();
    struct Row
    {
        double time;
        int line;
    } rows[] = {{260, 1}, {700, 4}, {40, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.time);
        const int x = X(chart, row.time);
        SimMouseDown(chart, mbLeft, 0, x, MidY(chart));
        SimMouseUp(chart, mbLeft, 0, x, MidY(chart));
        SimDoubleClick(chart, mbLeft, 0, x, MidY(chart));
        SimMouseUp(chart, mbLeft, 0, x, MidY(chart));
        FlushPaints(Form1);
        EXPECT_EQ(Form1->Memo1->SelStart(), row.line * LineLength);
        EXPECT_FALSE(chart->ZoomRecord().Active);
        EXPECT_EQ(chart->BottomAxis()->Minimum(), minimum);
        EXPECT_EQ(chart->BottomAxis()->Maximum(), maximum);
        EXPECT_TRUE(chart->MarkerVisible());
    }
}

TEST_F(LinkedViews, OverlayChangesAroundAZoomDragLeaveTheSamePictures)
{
    TChart* chart = Form1->Chart1;
    const TRect plot = chart->ChartRect();
    const int y0 = plot.Top + 5;
    const int y1 = plot.Bottom - 5;
    enum TWhen { nothing, hoverBefore, markerBefore, markerMidDrag };
    // The pictures mid-drag (where a stale copy of the cached picture would lose the
    // not-xor rectangle) and after the zoom; then the zoom is undone.
    auto zoom = [&](TWhen when) {
        const int from = X(chart, 150);
        const int to = X(chart, 650);
        // The caret must move for the marker to come back after "Repaint".
        Form1->Memo1->SetSelStart(0);
        Form1->Button2->Click();
        Settle();
        if (when == hoverBefore) {
            SimMouseMove(chart, 0, from, y0);
            FlushPaints(Form1);
            EXPECT_FALSE(chart->OverlayText().empty());
        }
        if (when == markerBefore) Form1->Memo1->SetSelStart(3 * LineLength);
        SimMouseDown(chart, mbLeft, 0, from, y0);
        SimMouseMove(chart, 0, (from + to) / 2, (y0 + y1) / 2);
        FlushPaints(Form1);
        if (when == markerMidDrag) Form1->Memo1->SetSelStart(3 * LineLength);
        SimMouseMove(chart, 0, to, y1);
        FlushPaints(Form1);
        std::vector<uint32_t> pixels = Pixels(chart, 0, chart->Height());
        SimMouseUp(chart, mbLeft, 0, to, y1);
        Settle();
        EXPECT_GT(chart->BottomAxis()->Minimum(), 100);
        EXPECT_EQ(chart->MarkerVisible(), when == markerBefore || when == markerMidDrag);
        const std::vector<uint32_t> zoomed = Pixels(chart, 0, chart->Height());
        pixels.insert(pixels.end(), zoomed.begin(), zoomed.end());
        SimMouseDown(chart, mbLeft, 0, to, y1);
        SimMouseMove(chart, 0, from, y0);
        SimMouseUp(chart, mbLeft, 0, from, y0);
        Settle();
        EXPECT_TRUE(chart->BottomAxis()->Automatic());
        return pixels;
    };
    EXPECT_TRUE(zoom(hoverBefore) == zoom(nothing));
    EXPECT_TRUE(zoom(markerMidDrag) == zoom(markerBefore));
}
