// Axis drawing on a real surface: grid lines, ticks, minor ticks and the axis
// line must stand at the pixels the value mapping predicts. Glyph pixels are
// never asserted; labels are kept away from the bands under test.
#include "chart/AxisLabels.h"
#include "chart/ChartEngine.h"
#include "toolkit/FormatFloat.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

constexpr TColor kGrey = 0x808080;

class AxisDrawTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FormatSettings().ThousandSeparator = ',';
        FormatSettings().DecimalSeparator = '.';
        FChart.SetView3D(false);
        FImage.SetSize(640, 480);
        FImage.Canvas()->Brush()->SetColor(clWhite);
        FImage.Canvas()->Brush()->SetStyle(bsSolid);
        FImage.Canvas()->FillRect(Rect(0, 0, 640, 480));
        FChart.Canvas3D()->SetReferenceCanvas(FImage.Canvas());
        FSeries = new TChartSeries();
        FChart.AddSeries(FSeries);
    }
    void TearDown() override { FormatSettings() = FSaved; }

    // The viewer's value axis: fixed from -0.2 to 1.2.
    void FixLeftAxis(double minimum, double maximum)
    {
        TChartAxis* left = FChart.LeftAxis();
        left->SetAutomatic(false);
        left->SetAutomaticMinimum(false);
        left->SetAutomaticMaximum(false);
        left->SetMinimum(minimum);
        left->SetMaximum(maximum);
    }

    // Lays the axes out as a chart drawing does (ranges, room, placement),
    // twice, so that the room is measured with a placement as from the second
    // drawing on.
    void LayOut(const TRect& panel)
    {
        for (int pass = 0; pass < 2; ++pass) {
            for (TCustomChartAxis* axis : FChart.AxesList())
                axis->ComputeAutoRange();
            TRect work = panel;
            FChart.SetChartRect(work);
            for (TCustomChartAxis* axis : FChart.AxesList()) {
                if (!FChart.IsAxisShown(axis)) continue;
                TRect reduced = work;
                axis->ReserveAxisSpace(reduced);
                TRect both;
                if (IntersectRect(both, reduced, work)) work = both;
            }
            FChart.SetChartRect(work);
            for (TCustomChartAxis* axis : FChart.AxesList())
                axis->PlaceOnChartRect();
        }
    }

    // Sets the chart rectangle and places the axes on it without reserving room.
    void Place(const TRect& chartRect)
    {
        for (TCustomChartAxis* axis : FChart.AxesList())
            axis->ComputeAutoRange();
        FChart.SetChartRect(chartRect);
        for (TCustomChartAxis* axis : FChart.AxesList())
            axis->PlaceOnChartRect();
    }

    TColor Pixel(int x, int y) const { return FImage.PixelColor(x, y); }

    // Rows y0..y1-1 of column x in Color.
    std::vector<int> RowsInColumn(int x, int y0, int y1, TColor color) const
    {
        std::vector<int> rows;
        for (int y = y0; y < y1; ++y)
            if (Pixel(x, y) == color) rows.push_back(y);
        return rows;
    }
    std::vector<int> ColumnsInRow(int y, int x0, int x1, TColor color) const
    {
        std::vector<int> columns;
        for (int x = x0; x < x1; ++x)
            if (Pixel(x, y) == color) columns.push_back(x);
        return columns;
    }
    // Rows of x0..x1-1 that are at least a quarter grey: horizontal grid lines.
    std::set<int> GridRows(int x0, int x1, int y0, int y1) const
    {
        std::set<int> rows;
        for (int y = y0; y < y1; ++y)
            if (static_cast<int>(ColumnsInRow(y, x0, x1, kGrey).size()) * 4 >= x1 - x0)
                rows.insert(y);
        return rows;
    }
    std::set<int> GridColumns(int x0, int x1, int y0, int y1) const
    {
        std::set<int> columns;
        for (int x = x0; x < x1; ++x)
            if (static_cast<int>(RowsInColumn(x, y0, y1, kGrey).size()) * 4 >= y1 - y0)
                columns.insert(x);
        return columns;
    }

    std::set<int> PixelsOf(const TCustomChartAxis* axis, const std::vector<double>& values) const
    {
        std::set<int> pixels;
        for (double value : values)
            pixels.insert(axis->ValueToPixel(value));
        return pixels;
    }

    TFormatSettings FSaved = FormatSettings();
    TCustomAxisPanel FChart;
    TBitmap FImage;
    TChartSeries* FSeries = nullptr;
};

TEST_F(AxisDrawTest, ViewerLeftAxisGridTicksAndMinorTicksAtMappedRows)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(1000, 1);
    FixLeftAxis(-0.2, 1.2);
    Place(Rect(80, 30, 580, 330));
    TChartAxis* left = FChart.LeftAxis();
    ASSERT_EQ(left->LabelStep(), 1);
    left->DrawAxis(true);

    // The axis spans rows 30..330 (length 300): 1 maps to 330 - Round(1.2 * 300 / 1.4),
    // 0 to 330 - Round(0.2 * 300 / 1.4).
    const int one = left->ValueToPixel(1);
    const int zero = left->ValueToPixel(0);
    ASSERT_EQ(one, 73);
    ASSERT_EQ(zero, 287);
    EXPECT_EQ(left->AxisLinePos, 80);
    EXPECT_EQ(GridRows(84, 578, 30, 330), (std::set<int>{one, zero}));

    // Outer ticks run from one pixel off the axis line for four pixels: columns 79..76.
    for (int x = 76; x <= 79; ++x) {
        const std::vector<int> rows = RowsInColumn(x, 30, 330, kGrey);
        if (x >= 78) {
            // Minor ticks (length 2) divide 73..287 in four: 287 - Round(53.5 j),
            // the halves going to even.
            EXPECT_EQ(rows, (std::vector<int>{one, 127, 180, 233, zero})) << "column " << x;
        } else {
            EXPECT_EQ(rows, (std::vector<int>{one, zero})) << "column " << x;
        }
    }
    EXPECT_TRUE(RowsInColumn(75, 30, 330, kGrey).empty());
    // The axis line (black, two columns wide) runs the whole axis; only the
    // grid's first dots may cover it.
    const std::vector<int> line = RowsInColumn(80, 0, 480, clBlack);
    EXPECT_GE(line.size(), 298u);
    EXPECT_EQ(line.front(), 30);
    EXPECT_EQ(line.back(), 329);
    EXPECT_EQ(RowsInColumn(79, 30, 330, clBlack).size(), 300u - 5u);
}

TEST_F(AxisDrawTest, BottomAxisTicksAndGridAtEveryThousand)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10000, 1);
    Place(Rect(20, 40, 620, 400));
    TChartAxis* bottom = FChart.BottomAxis();
    ASSERT_EQ(bottom->PixelLength, 600);
    // "10,000" is wider than 600 / 20 / 1.1 pixels in the 8-point chart font, so
    // 500 (20 labels) is too fine and 1000 (10 labels) is the step.
    ASSERT_EQ(bottom->LabelStep(), 1000);
    bottom->DrawAxis(true);

    std::vector<double> thousands;
    for (int v = 10000; v >= 0; v -= 1000)
        thousands.push_back(v);
    const std::set<int> expected = PixelsOf(bottom, thousands);
    ASSERT_EQ(expected.size(), 11u);
    EXPECT_EQ(bottom->AxisLinePos, 400);
    // Grid columns inside the chart (the two at the ends lie on the chart's
    // edges, which the test leaves out with the axis line region).
    std::set<int> inner(std::next(expected.begin()), std::prev(expected.end()));
    EXPECT_EQ(GridColumns(22, 618, 40, 396), inner);
    // Outer ticks: rows 401..404 at the label columns; minor ticks reach 402.
    for (int y = 401; y <= 404; ++y) {
        const std::vector<int> columns = ColumnsInRow(y, 0, 640, kGrey);
        std::set<int> majors;
        for (int x : columns)
            if (expected.count(x) != 0) majors.insert(x);
        EXPECT_EQ(majors, expected) << "row " << y;
        if (y >= 403)
            EXPECT_EQ(columns.size(), expected.size()) << "row " << y;
        else
            EXPECT_EQ(columns.size(), expected.size() + 30) << "row " << y;
    }
}

TEST_F(AxisDrawTest, MinorTicksContinueBeyondTheLastLabelInsideTheAxis)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(950, 1);
    Place(Rect(20, 40, 620, 400));
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->SetIncrement(100);
    bottom->SetLabelsSeparation(0);
    bottom->Grid()->SetVisible(false);
    bottom->DrawAxis(true);
    // Labels 900..0 every 100; the first interval's quarters continue to 925
    // (inside) and 950 (the end pixel, left out).
    const std::vector<int> minorRow = ColumnsInRow(402, 0, 640, kGrey);
    const std::set<int> columns(minorRow.begin(), minorRow.end());
    EXPECT_EQ(columns.count(bottom->ValueToPixel(925)), 1u);
    EXPECT_EQ(columns.count(bottom->ValueToPixel(950)), 0u);
    EXPECT_EQ(columns.count(bottom->ValueToPixel(-25)), 0u);
    EXPECT_EQ(columns.count(bottom->ValueToPixel(25)), 1u);
    EXPECT_EQ(columns.size(), 10u + 9u * 3u + 1u);
}

// The layout is numbers a test can read, and it is what the drawing paints.
TEST_F(AxisDrawTest, TickLayoutIsWhatTheDrawingPaints)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(950, 1);
    Place(Rect(20, 40, 620, 400));
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->SetIncrement(100);
    bottom->SetLabelsSeparation(0);
    bottom->Grid()->SetVisible(false);
    const AxisLabels::TTickLayout layout = bottom->LayoutTicks(bottom->LabelStep());
    std::vector<int> ticks;
    for (int value = 900; value >= 0; value -= 100) {
        ticks.push_back(bottom->ValueToPixel(value));
        const size_t i = ticks.size() - 1;
        ASSERT_LT(i, layout.Labels.size());
        EXPECT_EQ(layout.Labels[i].Pixel, ticks.back());
        EXPECT_EQ(layout.Labels[i].Text, bottom->LabelText(value));
    }
    EXPECT_EQ(layout.Labels.size(), ticks.size());
    EXPECT_EQ(layout.Ticks, ticks);
    const std::set<int> minor(layout.MinorTicks.begin(), layout.MinorTicks.end());
    EXPECT_EQ(minor.count(bottom->ValueToPixel(925)), 1u);
    EXPECT_EQ(minor.count(bottom->ValueToPixel(950)), 0u);
    EXPECT_EQ(layout.MinorTicks.size(), 9u * 3u + 1u);

    bottom->DrawAxis(true);
    const std::vector<int> row = ColumnsInRow(402, 0, 640, kGrey);
    std::set<int> painted(ticks.begin(), ticks.end());
    painted.insert(minor.begin(), minor.end());
    EXPECT_EQ(std::set<int>(row.begin(), row.end()), painted);

    // Ticks on labels only: an axis without labels has none.
    bottom->SetLabels(false);
    const AxisLabels::TTickLayout hidden = bottom->LayoutTicks(bottom->LabelStep());
    EXPECT_TRUE(hidden.Labels.empty());
    EXPECT_TRUE(hidden.Ticks.empty());
}

TEST_F(AxisDrawTest, CentredGridStandsBetweenTheTicks)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10000, 1);
    Place(Rect(20, 40, 620, 400));
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->SetGridCentered(true);
    bottom->DrawAxis(true);
    std::vector<double> midpoints;
    for (int v = 9500; v > 0; v -= 1000)
        midpoints.push_back(v);
    EXPECT_EQ(GridColumns(22, 618, 40, 396), PixelsOf(bottom, midpoints));
    // The ticks stay at the labels.
    const std::vector<int> tickRow = ColumnsInRow(404, 0, 640, kGrey);
    EXPECT_EQ(std::set<int>(tickRow.begin(), tickRow.end()),
              PixelsOf(bottom, {10000, 9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1000, 0}));
}

TEST_F(AxisDrawTest, LabelsOnTheAxisEndsAreLeftOutWhenAsked)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10, 1);
    Place(Rect(20, 40, 620, 400));
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->SetIncrement(2);
    bottom->SetLabelsOnAxis(false);
    bottom->MinorTicks()->SetVisible(false);
    bottom->DrawAxis(true);
    const std::vector<int> tickRow = ColumnsInRow(404, 0, 640, kGrey);
    EXPECT_EQ(std::set<int>(tickRow.begin(), tickRow.end()), PixelsOf(bottom, {8, 6, 4, 2}));
}

TEST_F(AxisDrawTest, WithoutLabelsThereAreNoTicksNoGridButTheAxisLine)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10, 1);
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->SetLabels(false);
    LayOut(Rect(0, 0, 640, 480));
    // No room for labels: only the tick band above the panel's bottom.
    EXPECT_EQ(FChart.ChartRect().Bottom, 480 - bottom->TickAxisSize());
    const int line = FChart.ChartRect().Bottom;
    bottom->DrawAxis(true);
    const TRect chart = FChart.ChartRect();
    EXPECT_TRUE(GridColumns(chart.Left + 2, chart.Right - 2, chart.Top, line - 4).empty());
    EXPECT_TRUE(ColumnsInRow(line + 3, 0, 640, kGrey).empty());
    EXPECT_EQ(ColumnsInRow(line, 0, 640, clBlack).size(), static_cast<size_t>(bottom->PixelLength));
}

TEST_F(AxisDrawTest, InnerTicksPointIntoTheChart)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10, 1);
    Place(Rect(20, 40, 620, 400));
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->SetIncrement(2);
    bottom->SetTickInnerLength(3);
    bottom->Grid()->SetVisible(false);
    bottom->DrawAxis(true);
    const std::set<int> labels = PixelsOf(bottom, {10, 8, 6, 4, 2, 0});
    // From one pixel off the axis line (which covers 399 and 400) three rows up.
    for (int y : {397, 398, 399}) {
        const std::vector<int> row = ColumnsInRow(y, 0, 640, kGrey);
        EXPECT_EQ(std::set<int>(row.begin(), row.end()), labels) << "row " << y;
    }
    EXPECT_TRUE(ColumnsInRow(396, 0, 640, kGrey).empty());
}

TEST_F(AxisDrawTest, PositionPercentMovesTheAxisLineIntoTheChart)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10, 1);
    Place(Rect(20, 40, 620, 400));
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->SetPositionPercent(25);
    bottom->Grid()->SetVisible(false);
    bottom->DrawAxis(true);
    // 400 - Round(0.25 * 360).
    EXPECT_EQ(bottom->AxisLinePos, 310);
    EXPECT_EQ(ColumnsInRow(310, 0, 640, clBlack).size(), 600u);
    EXPECT_FALSE(ColumnsInRow(313, 0, 640, kGrey).empty());
}

TEST_F(AxisDrawTest, TickListNeverGrowsPastItsCapacity)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(5000, 1);
    Place(Rect(20, 40, 620, 400));
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->SetIncrement(1);
    bottom->SetLabelsSeparation(0);
    bottom->SetLabels(false);
    bottom->SetTickOnLabelsOnly(false);
    bottom->MinorTicks()->SetVisible(false);
    bottom->Grid()->SetVisible(false);
    bottom->DrawAxis(true);
    // 5001 label values from 5000 down; the first 2000 (5000..3001) get ticks.
    EXPECT_EQ(Pixel(bottom->ValueToPixel(4000), 404), kGrey);
    EXPECT_EQ(Pixel(bottom->ValueToPixel(3001), 404), kGrey);
    EXPECT_NE(Pixel(bottom->ValueToPixel(1000), 404), kGrey);
}

TEST_F(AxisDrawTest, TenThousandLabelsOrMoreDrawOnlyTheAxisLine)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10000, 1);
    Place(Rect(20, 40, 620, 400));
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->SetIncrement(1);
    bottom->SetLabelsSeparation(0);
    bottom->DrawAxis(true);
    for (int y = 401; y <= 404; ++y)
        EXPECT_TRUE(ColumnsInRow(y, 0, 640, kGrey).empty()) << "row " << y;
    EXPECT_TRUE(GridColumns(22, 618, 40, 396).empty());
    EXPECT_EQ(ColumnsInRow(400, 0, 640, clBlack).size(), 600u);
}

TEST_F(AxisDrawTest, AxisWithoutSeriesDrawsNoLabels)
{
    TChartAxis* top = FChart.TopAxis();
    Place(Rect(20, 40, 620, 400));
    EXPECT_EQ(top->EffectiveLabelStyle(), talNone);
    top->DrawAxis(true);
    EXPECT_EQ(top->AxisLinePos, 40);
    for (int y = 35; y <= 42; ++y)
        EXPECT_TRUE(ColumnsInRow(y, 0, 640, kGrey).empty()) << "row " << y;
    EXPECT_EQ(ColumnsInRow(40, 0, 640, clBlack).size(), 600u);
}

TEST_F(AxisDrawTest, RoomOfBottomAndLeftAxes)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(1000, 1);
    FixLeftAxis(-0.2, 1.2);
    TCanvas* canvas = FImage.Canvas();
    TChartAxis* left = FChart.LeftAxis();
    TChartAxis* bottom = FChart.BottomAxis();

    // First drawing: the left axis has no placement, so its room is measured
    // from the unrounded extremes.
    for (TCustomChartAxis* axis : FChart.AxesList())
        axis->ComputeAutoRange();
    FChart.SetChartRect(Rect(0, 0, 640, 480));
    canvas->Font()->Assign(left->LabelsFont());
    const int h = FChart.Canvas3D()->FontLineHeight();
    const int space = canvas->TextWidth(" ");
    TRect rect = Rect(0, 0, 640, 480);
    bottom->ReserveAxisSpace(rect);
    EXPECT_EQ(rect.Bottom, 480 - h - 6);
    EXPECT_EQ(bottom->LabelsPos, 480 - h);
    left->ReserveAxisSpace(rect);
    const int first = std::max(canvas->TextWidth("-0.2"), canvas->TextWidth("1.2")) + space;
    EXPECT_EQ(rect.Left, first + 6);
    EXPECT_EQ(left->LabelsPos, first);

    // Later drawings: step 1, so the rounded extremes 0 and 1.
    FChart.SetChartRect(rect);
    for (TCustomChartAxis* axis : FChart.AxesList())
        axis->PlaceOnChartRect();
    rect = Rect(0, 0, 640, 480);
    left->ReserveAxisSpace(rect);
    const int later = std::max(canvas->TextWidth("0"), canvas->TextWidth("1")) + space;
    EXPECT_EQ(rect.Left, later + 6);
}

TEST_F(AxisDrawTest, TitleTakesRoomOutsideTheLabels)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10, 1);
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->Title()->SetCaption("Time");
    for (TCustomChartAxis* axis : FChart.AxesList())
        axis->ComputeAutoRange();
    FChart.SetChartRect(Rect(0, 0, 640, 480));
    TCanvas* canvas = FImage.Canvas();
    canvas->Font()->Assign(bottom->Title()->Font());
    const int titleHeight = FChart.Canvas3D()->FontLineHeight();
    canvas->Font()->Assign(bottom->LabelsFont());
    const int labelsHeight = FChart.Canvas3D()->FontLineHeight();
    TRect rect = Rect(0, 0, 640, 480);
    bottom->ReserveAxisSpace(rect);
    EXPECT_EQ(bottom->TitlePos, 480 - titleHeight);
    EXPECT_EQ(bottom->LabelsPos, 480 - titleHeight - labelsHeight);
    EXPECT_EQ(rect.Bottom, 480 - titleHeight - labelsHeight - 6);
    bottom->SetTitleSize(30);
    bottom->SetLabelsSize(20);
    rect = Rect(0, 0, 640, 480);
    bottom->ReserveAxisSpace(rect);
    EXPECT_EQ(rect.Bottom, 480 - 30 - 20 - 6);
}

TEST_F(AxisDrawTest, FarSideAxesMirrorTheirTicks)
{
    FSeries->SetHorizAxis(aTopAxis);
    FSeries->SetVertAxis(aRightAxis);
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10, 10);
    Place(Rect(40, 40, 600, 440));
    TChartAxis* top = FChart.TopAxis();
    TChartAxis* right = FChart.RightAxis();
    top->SetIncrement(5);
    right->SetIncrement(5);
    for (TChartAxis* axis : {top, right}) {
        axis->Grid()->SetVisible(false);
        axis->MinorTicks()->SetVisible(false);
        axis->DrawAxis(true);
    }
    EXPECT_EQ(top->AxisLinePos, 40);
    EXPECT_EQ(right->AxisLinePos, 600);
    // Top: rows 39..36 above the line; right: columns 601..604. Along the axis only: the left
    // axis' labels reach these rows, and a glyph's edge may be any grey.
    for (int y : {36, 39}) {
        const std::vector<int> row = ColumnsInRow(y, 40, 601, kGrey);
        EXPECT_EQ(std::set<int>(row.begin(), row.end()), PixelsOf(top, {10, 5, 0})) << y;
    }
    EXPECT_TRUE(ColumnsInRow(35, 40, 601, kGrey).empty());
    for (int x : {601, 604}) {
        const std::vector<int> column = RowsInColumn(x, 0, 480, kGrey);
        EXPECT_EQ(std::set<int>(column.begin(), column.end()), PixelsOf(right, {10, 5, 0})) << x;
    }
    EXPECT_TRUE(RowsInColumn(605, 0, 480, kGrey).empty());
}

TEST_F(AxisDrawTest, LabelValuesFromTheHookReplaceTheSteps)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10, 1);
    Place(Rect(20, 40, 620, 400));
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->MinorTicks()->SetVisible(false);
    std::vector<int> indexes;
    // 3 and 7 stand inside the range, 10 within its tolerance, 12 outside.
    FChart.OnGetNextAxisLabel = [&](TCustomChartAxis* sender, int index, double& value,
                                    bool& stop) {
        EXPECT_EQ(sender, bottom);
        indexes.push_back(index);
        const double values[] = {3, 7, 12, 10 + 1E-8};
        if (index < 4) {
            value = values[index];
            stop = false;
        }
    };
    bottom->DrawAxis(true);
    EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2, 3, 4}));
    const std::vector<int> tickRow = ColumnsInRow(404, 0, 640, kGrey);
    EXPECT_EQ(std::set<int>(tickRow.begin(), tickRow.end()), PixelsOf(bottom, {3, 7, 10}));
}

} // namespace
