// The line series: creation values, margin requests, the drawn range, and the segments it
// draws (entering from the left edge, far points cut at the drawable range, null points
// skipped), checked on pixels.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "toolkit/Graphics.h"
#include "toolkit/TestSupport.h"

namespace {

constexpr TColor kRed = 0x0000FF;
using TPixelSet = std::set<std::pair<int, int>>;

struct TPoint2
{
    double x;
    double y;
    TColor color = clSeriesDefault;
};

class TSeriesChart
{
public:
    explicit TSeriesChart(const std::vector<TPoint2>& points, int width = 894, int height = 184)
    {
        Chart.SetBounds(0, 0, width, height);
        Chart.SetView3D(false);
        Chart.SetAxisVisible(false);
        Chart.Legend()->SetVisible(false);
        Chart.LeftAxis()->SetAxisRange(-0.2, 1.2);
        Series = new TLineSeries();
        Series->SetSeriesColor(clRed);
        Series->SetParentChart(&Chart);
        for (const TPoint2& p : points)
            Series->AddPoint(p.x, p.y, std::string(), p.color);
    }

    void Render()
    {
        Image.SetSize(Chart.Width(), Chart.Height());
        Chart.RenderTo(Image.Canvas(), TRect{0, 0, Chart.Width(), Chart.Height()});
    }

    TPixelSet RedPixels() const
    {
        TPixelSet red;
        for (int y = 0; y < Image.Height(); ++y)
            for (int x = 0; x < Image.Width(); ++x)
                if (Image.PixelColor(x, y) == kRed) red.insert({x, y});
        return red;
    }

    // The pixels a horizontal or vertical segment covers inside the plot clip.
    TPixelSet Segment(int x0, int y0, int x1, int y1) const
    {
        const TRect r = Chart.ChartRect();
        const TRect clip{r.Left + 1, r.Top + 1, r.Right, r.Bottom - 1};
        TPixelSet pixels;
        const int dx = (x1 > x0) - (x1 < x0);
        const int dy = (y1 > y0) - (y1 < y0);
        for (int x = x0, y = y0; x != x1 || y != y1; x += dx, y += dy)
            if (clip.Contains(x, y)) pixels.insert({x, y});
        return pixels;
    }

    int X(double value) const { return Chart.BottomAxis()->ValueToPixel(value); }
    int Y(double value) const { return Chart.LeftAxis()->ValueToPixel(value); }

    TChart Chart;
    TLineSeries* Series = nullptr;
    TBitmap Image;
};

TPixelSet Union(std::initializer_list<TPixelSet> sets)
{
    TPixelSet all;
    for (const TPixelSet& s : sets)
        all.insert(s.begin(), s.end());
    return all;
}

TEST(LineSeries, CreationValues)
{
    TLineSeries series;
    EXPECT_TRUE(series.ConnectPoints());
    EXPECT_TRUE(series.IncludeNextOutside());
    EXPECT_FALSE(series.Pointer()->Visible());
    EXPECT_TRUE(series.Pointer()->InflateMargins());
    EXPECT_EQ(series.Pointer()->Style(), psRectangle);
    EXPECT_EQ(series.Pointer()->HorizSize(), 4);
    EXPECT_EQ(series.Pointer()->VertSize(), 4);
    EXPECT_TRUE(series.LinePen()->Visible());
    EXPECT_EQ(series.LinePen()->Width(), 1);
    EXPECT_EQ(series.LinePen()->Style(), psSolid);
    EXPECT_FALSE(series.Stairs());
    EXPECT_FALSE(series.DrawArea());
    EXPECT_EQ(series.LineHeight(), 0);
    EXPECT_EQ(series.AreaColor(), clSeriesDefault);
    EXPECT_TRUE(series.Dark3D());
    EXPECT_TRUE(series.ClickableLine());
    // A plain custom series joins nothing.
    TCustomSeries custom;
    EXPECT_FALSE(custom.ConnectPoints());
    EXPECT_TRUE(custom.Pointer()->Visible());
}

TEST(LineSeries, MarginRequests)
{
    struct Row
    {
        const char* name;
        bool pointer;
        bool inflate;
        bool stairs;
        int penWidth;
        int lineHeight;
        int left, right, top, bottom;
    };
    const Row rows[] = {
        {"viewer series", false, true, false, 1, 0, 0, 0, 0, 0},
        {"visible marker", true, true, false, 1, 0, 5, 5, 5, 5},
        {"marker without inflating", true, false, false, 1, 0, 0, 0, 0, 0},
        {"stairs", false, true, true, 3, 0, 3, 3, 3, 4},
        {"stairs under a marker", true, true, true, 7, 0, 7, 7, 7, 8},
        {"ribbon height", false, true, false, 1, 9, 0, 0, 0, 9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TLineSeries series;
        series.Pointer()->SetVisible(row.pointer);
        series.Pointer()->SetInflateMargins(row.inflate);
        series.SetStairs(row.stairs);
        series.LinePen()->SetWidth(row.penWidth);
        series.SetLineHeight(row.lineHeight);
        int left = -1, right = -1, top = -1, bottom = -1;
        series.CalcHorizMargins(left, right);
        series.CalcVerticalMargins(top, bottom);
        EXPECT_EQ(left, row.left);
        EXPECT_EQ(right, row.right);
        EXPECT_EQ(top, row.top);
        EXPECT_EQ(bottom, row.bottom);
    }
}

TEST(LineSeries, MarginsKeepAutomaticAxisEndsFree)
{
    TSeriesChart chart({{100, 0}, {200, 1}});
    chart.Series->Pointer()->SetVisible(true);
    chart.Render();
    const TCustomChartAxis* bottom = chart.Chart.BottomAxis();
    const TCustomChartAxis* left = chart.Chart.LeftAxis();
    // The automatic time axis leaves HorizSize + 1 pixels at each end.
    EXPECT_EQ(bottom->ValueToPixel(100), bottom->StartPixel + 5);
    EXPECT_EQ(bottom->ValueToPixel(200), bottom->EndPixel - 5);
    // The fixed value axis keeps its range.
    EXPECT_DOUBLE_EQ(left->EffectiveMinimum, -0.2);
    EXPECT_DOUBLE_EQ(left->EffectiveMaximum, 1.2);
}

TEST(LineSeries, DrawnRange)
{
    const std::vector<TPoint2> wave = {{0, 0}, {10, 0}, {10, 1}, {20, 1}, {20, 0}, {30, 0}};
    struct Row
    {
        const char* name;
        std::vector<TPoint2> points;
        double low, high; // high < low: the automatic range
        int first, last;
    };
    const Row rows[] = {
        {"empty", {}, 1, 0, -1, -1},
        {"whole range", wave, 1, 0, 0, 5},
        {"between two time stamps", wave, 12, 18, 3, 3},
        {"left of the first point", wave, -20, -10, 0, 0},
        {"right of the last point", wave, 31, 40, -1, -1},
        {"ends on points", wave, 10, 20, 1, 3},
        {"next point outside is included", wave, 5, 15, 1, 3},
        {"one point", {{5, 1}}, 1, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TSeriesChart chart(row.points);
        if (row.high >= row.low) chart.Chart.BottomAxis()->SetAxisRange(row.low, row.high);
        chart.Render();
        EXPECT_EQ(chart.Series->FirstDrawnIndex(), row.first);
        EXPECT_EQ(chart.Series->LastDrawnIndex(), row.last);
    }
}

TEST(LineSeries, EmptySeriesRaisesNoDrawingEvents)
{
    TSeriesChart chart({});
    int events = 0;
    chart.Series->BeforeDrawValues = [&](TObject*) { ++events; };
    chart.Series->AfterDrawValues = [&](TObject*) { ++events; };
    chart.Render();
    EXPECT_EQ(events, 0);
    EXPECT_TRUE(chart.RedPixels().empty());
}

TEST(LineSeries, SquareWaveSegments)
{
    TSeriesChart chart({{0, 0}, {10, 0}, {10, 1}, {20, 1}});
    chart.Render();
    const int x0 = chart.X(0), x10 = chart.X(10), x20 = chart.X(20);
    const int y0 = chart.Y(0), y1 = chart.Y(1);
    const TPixelSet expected =
        Union({chart.Segment(x0, y0, x10, y0), chart.Segment(x10, y0, x10, y1),
               chart.Segment(x10, y1, x20, y1)});
    ASSERT_GT(expected.size(), 800u);
    EXPECT_EQ(chart.RedPixels(), expected);
}

TEST(LineSeries, SegmentEntersFromTheLeftEdge)
{
    struct Row
    {
        const char* name;
        std::vector<TPoint2> points;
        double low, high;
        double edgeValue; // the line's height at the left edge
    };
    const Row rows[] = {
        {"level line", {{0, 0}, {10, 0}, {10, 1}, {20, 1}, {30, 1}}, 15, 25, 1},
        {"slope", {{0, 0}, {10, 1}, {20, 1}}, 5, 15, 0.5},
        {"slope down", {{0, 1}, {40, 0}, {50, 0}}, 10, 45, 0.75},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TSeriesChart chart(row.points);
        chart.Chart.BottomAxis()->SetAxisRange(row.low, row.high);
        chart.Render();
        const TRect r = chart.Chart.ChartRect();
        // The first column inside the clip shows the line within a pixel of its height.
        const int expectedY = chart.Y(row.edgeValue);
        int found = 0;
        for (int y = r.Top; y <= r.Bottom; ++y)
            if (chart.Image.PixelColor(r.Left + 1, y) == kRed) {
                ++found;
                EXPECT_LE(std::abs(y - expectedY), 1) << y;
            }
        EXPECT_GE(found, 1);
    }
}

// Regression: a point too far out for pixel coordinates used to be dropped with the segment
// to it, so a deep zoom showed the waveform stopping short of the right edge, or nothing at
// all inside the gap before a sample.
TEST(LineSeries, SegmentsToFarPointsAreDrawnUpToThePlotEdge)
{
    struct Row
    {
        const char* name;
        std::vector<TPoint2> points;
        double low, high;
        double level; // the value the line holds across the right part of the plot
    } rows[] = {
        // Zoomed to 0..2, X 100 lands some 42000 pixels to the right.
        {"leaving to a far point", {{0, 0}, {1, 1}, {100, 1}}, 0, 2, 1},
        // The whole view lies in the gap before a sample far to the right.
        {"inside a wide gap", {{0, 0}, {10, 0}, {10, 1}, {1e6, 1}, {1e6, 0}}, 500, 600, 1},
        // Far enough that the axis' own mapping gives up (beyond 2^31 pixels).
        {"beyond 2^31 pixels", {{0, 0}, {10, 1}, {2e9, 1}}, 20, 21, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TSeriesChart chart(row.points);
        chart.Chart.BottomAxis()->SetAxisRange(row.low, row.high);
        chart.Render();
        const TRect r = chart.Chart.ChartRect();
        const int y = chart.Y(row.level);
        // The level is drawn to the last column inside the clip, and nothing strays off it.
        EXPECT_EQ(chart.Image.PixelColor(r.Right - 1, y), kRed);
        EXPECT_EQ(chart.Image.PixelColor((r.Left + r.Right) / 2, y), kRed);
        for (const auto& [px, py] : chart.RedPixels()) {
            if (px > chart.X(row.points[1].x)) {
                EXPECT_EQ(py, y) << px;
            }
        }
    }
}

TEST(LineSeries, SlopedSegmentToAFarPointKeepsItsSlope)
{
    // From (1, 0) towards (1001, 1.4): across a 0..2 view it climbs by 1.4/1000 per unit,
    // so it stays on the row of 0 to within a pixel.
    TSeriesChart chart({{0, 0}, {1, 0}, {1001, 1.4}});
    chart.Chart.BottomAxis()->SetAxisRange(0, 2);
    chart.Render();
    const TRect r = chart.Chart.ChartRect();
    int found = 0;
    for (const auto& [x, y] : chart.RedPixels())
        if (x > chart.X(1)) {
            ++found;
            EXPECT_LE(std::abs(y - chart.Y(0)), 1) << x;
        }
    EXPECT_GE(found, r.Right - 1 - chart.X(1) - 1);
}

TEST(LineSeries, NullPointsBreakTheLine)
{
    TSeriesChart chart({{0, 0}, {10, 1, clNone}, {20, 0}, {30, 1}});
    chart.Render();
    const TPixelSet red = chart.RedPixels();
    ASSERT_FALSE(red.empty());
    for (const auto& [x, y] : red)
        EXPECT_GE(x, chart.X(20)) << y;
}

TEST(LineSeries, OnePointDrawsNothing)
{
    TSeriesChart chart({{5, 1}});
    chart.Render();
    EXPECT_TRUE(chart.RedPixels().empty());
}

// Regression: a first point skipped for its height used to leave the next point joining
// whatever position the series held before (at creation, the panel's corner).
TEST(LineSeries, SkippedFirstPointDoesNotJoinAStalePosition)
{
    TSeriesChart chart({{0, 1e6}, {10, 0}, {20, 1}});
    chart.Render();
    const TPixelSet red = chart.RedPixels();
    ASSERT_FALSE(red.empty());
    for (const auto& [x, y] : red)
        EXPECT_GE(x, chart.X(10)) << y;
}

TEST(LineSeries, ChangesRequestOneDrawingOnlyWhenTheyChangeSomething)
{
    TSeriesChart chart({{0, 0}, {10, 1}});
    FlushPaints(&chart.Chart);
    TLineSeries* s = chart.Series;
    struct Row
    {
        const char* name;
        std::function<void()> change;
        bool paints;
    };
    const Row rows[] = {
        {"line pen width", [&] { s->LinePen()->SetWidth(2); }, true},
        {"same width", [&] { s->LinePen()->SetWidth(2); }, false},
        {"pointer", [&] { s->Pointer()->SetHorizSize(6); }, true},
        {"pointer pen", [&] { s->Pointer()->Pen()->SetColor(clBlue); }, true},
        {"stairs", [&] { s->SetStairs(true); }, true},
        {"inverted stairs", [&] { s->SetInvertedStairs(true); }, true},
        {"line height", [&] { s->SetLineHeight(3); }, true},
        {"line brush", [&] { s->SetLineBrush(bsClear); }, true},
        {"dark 3D", [&] { s->SetDark3D(false); }, true},
        {"same dark 3D", [&] { s->SetDark3D(false); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int before = chart.Chart.RenderCount();
        row.change();
        FlushPaints(&chart.Chart);
        EXPECT_EQ(chart.Chart.RenderCount(), before + (row.paints ? 1 : 0));
    }
}

TEST(LineSeries, HitTestFindsPointsAndSegments)
{
    TSeriesChart chart({{0, 0}, {10, 0}, {10, 1}, {20, 1}});
    chart.Render();
    const int x5 = chart.X(5), x10 = chart.X(10), x15 = chart.X(15);
    const int y0 = chart.Y(0), y1 = chart.Y(1), yMid = chart.Y(0.5);
    struct Row
    {
        const char* name;
        int x, y;
        int expected;
    };
    const Row rows[] = {
        {"on a point", x10, y1, 2},
        {"on the first segment", x5, y0, 1},
        {"on the vertical edge", x10, yMid, 2},
        {"on the last segment", x15, y1, 3},
        {"beside the line", x5, y0 - 3, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(chart.Series->Clicked(row.x, row.y), row.expected);
    }
}

} // namespace
