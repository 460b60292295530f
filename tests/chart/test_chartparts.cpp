// Axes and series reach the chart that holds them only through its parts interface: the axis
// objects a series maps through, repaints of value list changes, and what an axis asks about
// the chart's series.
#include <gtest/gtest.h>

#include <vector>

#include "chart/ChartEngine.h"
#include "tests/common/CountingChart.h"

namespace {

TEST(ChartParts, SeriesMapsThroughTheSideAxesItsSettingsName)
{
    struct Row
    {
        THorizAxis horiz;
        TVertAxis vert;
        bool top;
        bool right;
    };
    // The both and custom choices map through the default axes, bottom and left.
    const Row rows[] = {
        {aTopAxis, aRightAxis, true, true},
        {aBottomAxis, aLeftAxis, false, false},
        {aBothHorizAxis, aBothVertAxis, false, false},
        {aCustomHorizAxis, aCustomVertAxis, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.horiz << "/" << row.vert);
        TCustomAxisPanel chart;
        TCustomAxisPanel other;
        auto* s = new TChartSeries;
        s->SetHorizAxis(row.horiz);
        s->SetVertAxis(row.vert);
        EXPECT_EQ(s->HorizAxisObject(), nullptr);
        s->SetParentChart(&chart);
        EXPECT_EQ(s->HorizAxisObject(), row.top ? chart.TopAxis() : chart.BottomAxis());
        EXPECT_EQ(s->VertAxisObject(), row.right ? chart.RightAxis() : chart.LeftAxis());
        s->SetParentChart(&other);
        EXPECT_EQ(s->HorizAxisObject(), row.top ? other.TopAxis() : other.BottomAxis());
        EXPECT_EQ(s->VertAxisObject(), row.right ? other.RightAxis() : other.LeftAxis());
        s->SetParentChart(nullptr);
        EXPECT_EQ(s->VertAxisObject(), nullptr);
        delete s;
    }
}

TEST(ChartParts, ValueListChangesRepaintTheChartOfTheSeries)
{
    struct Case
    {
        const char* name;
        bool active;
        void (*apply)(TChartSeries&);
        int requests;
    };
    // A stored value shows only on an active series; a drawing property always repaints.
    const Case cases[] = {
        {"ValueActive", true, [](TChartSeries& s) { s.YValues()->SetValueAt(0, 5); }, 1},
        {"ValueInactive", false, [](TChartSeries& s) { s.YValues()->SetValueAt(0, 5); }, 0},
        {"MultiplierInactive", false, [](TChartSeries& s) { s.YValues()->SetMultiplier(3); }, 1},
        {"DateTimeInactive", false, [](TChartSeries& s) { s.XValues()->SetDateTime(true); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountingChart chart;
        auto* s = new TChartSeries;
        s->AddPoint(1, 1);
        s->SetActive(c.active);
        s->SetParentChart(&chart);
        const int before = chart.Invalidations;
        c.apply(*s);
        EXPECT_EQ(chart.Invalidations - before, c.requests);
    }
    // A detached series' columns change without a chart to tell.
    TChartSeries loose;
    loose.AddPoint(1, 1);
    loose.YValues()->SetValueAt(0, 2);
    loose.YValues()->SetMultiplier(2);
    EXPECT_EQ(loose.PointY(0), 4);
}

TEST(ChartParts, AxisAsksItsChartAboutTheSeries)
{
    CountingChart chart;
    auto* axis = new TChartAxis(&chart, true, false);
    ASSERT_EQ(chart.AxesList().back(), axis);
    EXPECT_EQ(axis->ParentChart(), &chart);
    auto* first = new TChartSeries;
    auto* second = new TChartSeries;
    first->AddPoint(-4, 0);
    second->AddPoint(9, 0);
    first->XValues()->SetDateTime(true);
    first->SetActive(false);
    chart.AddSeries(first);
    chart.AddSeries(second);
    // The extra axis is no side axis: no series names it.
    axis->ComputeAutoRange();
    EXPECT_EQ(axis->Minimum(), 0);
    EXPECT_EQ(axis->Maximum(), 0);
    // The first active series on the bottom axis decides whether it shows date-times.
    EXPECT_FALSE(chart.BottomAxis()->ComputeIsDateTimeScale());
    first->SetActive(true);
    EXPECT_TRUE(chart.BottomAxis()->ComputeIsDateTimeScale());
    chart.BottomAxis()->ComputeAutoRange();
    EXPECT_EQ(chart.BottomAxis()->Minimum(), -4);
    EXPECT_EQ(chart.BottomAxis()->Maximum(), 9);
    const int before = chart.Invalidations;
    axis->SetTickLength(7);
    EXPECT_EQ(chart.Invalidations - before, 1);

    // Without a chart an axis has nothing to ask and no one to repaint.
    TChartAxis loose(nullptr, false, false);
    loose.ComputeAutoRange();
    EXPECT_EQ(loose.Maximum(), 0);
    EXPECT_FALSE(loose.ComputeIsDateTimeScale());
    loose.SetTickLength(7);
    EXPECT_EQ(loose.ParentChart(), nullptr);
}

} // namespace
