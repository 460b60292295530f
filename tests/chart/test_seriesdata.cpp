// Series data: points kept in step across columns, events, colours, repaint requests,
// attachment to a chart and the drawn range.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "chart/ChartEngine.h"
#include "tests/common/CountingChart.h"

namespace {

struct Point
{
    double x;
    double y;
    TColor color;
    std::string label;
    bool operator==(const Point&) const = default;
};

std::vector<Point> Points(const TChartSeries& s)
{
    std::vector<Point> out;
    for (int i = 0; i < s.PointCount(); ++i)
        out.push_back({s.PointX(i), s.PointY(i), s.StoredPointColor(i), s.PointLabel(i)});
    return out;
}

TEST(SeriesData, CreationDefaults)
{
    TChartSeries s;
    EXPECT_TRUE(s.Active());
    EXPECT_EQ(s.SeriesColor(), clSeriesDefault);
    EXPECT_FALSE(s.ColorEachPoint());
    EXPECT_EQ(s.HorizAxis(), aBottomAxis);
    EXPECT_EQ(s.VertAxis(), aLeftAxis);
    EXPECT_EQ(s.XValues()->Name(), "X");
    EXPECT_EQ(s.XValues()->Order(), loAscending);
    EXPECT_EQ(s.YValues()->Name(), "Y");
    EXPECT_EQ(s.YValues()->Order(), loNone);
    EXPECT_EQ(s.XValues()->Multiplier(), 1);
    EXPECT_EQ(s.FirstDrawnIndex(), -1);
    EXPECT_EQ(s.LastDrawnIndex(), -1);
    EXPECT_TRUE(s.LimitToVisible());
    EXPECT_FALSE(s.IncludeNextOutside());
    EXPECT_FALSE(s.Marks()->Visible());
    ASSERT_EQ(s.ValueLists().size(), 2u);
    EXPECT_EQ(s.ValueLists()[0], s.XValues());
    EXPECT_EQ(s.ValueLists()[1], s.YValues());
}

TEST(SeriesData, EmptySeriesExtentsAreZero)
{
    TChartSeries s;
    EXPECT_EQ(s.PointCount(), 0);
    EXPECT_EQ(s.LowestX(), 0);
    EXPECT_EQ(s.HighestX(), 0);
    EXPECT_EQ(s.LowestY(), 0);
    EXPECT_EQ(s.HighestY(), 0);
}

TEST(SeriesData, InsertedPointCarriesItsYColourAndLabel)
{
    TChartSeries s;
    s.SetSeriesColor(clRed);
    s.AddPoint(0, 1);
    s.AddPoint(10, 2);
    s.AddPoint(20, 3);
    EXPECT_EQ(s.AddPoint(-5, 9, "first", clBlue), 0);
    EXPECT_EQ(s.AddPoint(15, 7, "", clNone), 3);
    EXPECT_EQ(Points(s), (std::vector<Point>{{-5, 9, clBlue, "first"},
                                             {0, 1, clSeriesDefault, ""},
                                             {10, 2, clSeriesDefault, ""},
                                             {15, 7, clNone, ""},
                                             {20, 3, clSeriesDefault, ""}}));
    EXPECT_EQ(s.PointColor(0), clBlue);
    EXPECT_EQ(s.PointColor(1), clRed);
    EXPECT_TRUE(s.IsNullPoint(3));
    EXPECT_FALSE(s.IsNullPoint(4));
    EXPECT_EQ(s.LowestX(), -5);
    EXPECT_EQ(s.HighestY(), 9);
}

TEST(SeriesData, SquareWaveEdgeKeepsYOrder)
{
    TChartSeries s;
    s.AddPoint(0, 0);
    s.AddPoint(3, 0);
    EXPECT_EQ(s.AddPoint(5, 0), 2);
    EXPECT_EQ(s.AddPoint(5, 1), 3);
    EXPECT_EQ(s.PointY(2), 0);
    EXPECT_EQ(s.PointY(3), 1);
}

TEST(SeriesData, OnlyXDecidesThePosition)
{
    TChartSeries s;
    s.YValues()->SetOrder(loAscending);
    s.AddPoint(1, 50);
    EXPECT_EQ(s.AddPoint(2, 10), 1);
    EXPECT_EQ(s.PointY(1), 10);

    TChartSeries unordered;
    unordered.XValues()->SetOrder(loNone);
    unordered.AddPoint(5, 0);
    EXPECT_EQ(unordered.AddPoint(1, 1), 1);
}

TEST(SeriesData, LabelColumnFillsInWhenTheFirstLabelArrives)
{
    TChartSeries s;
    s.AddPoint(1, 1);
    s.AddPoint(2, 2);
    s.AddPoint(1.5, 3, "mid");
    EXPECT_EQ(s.PointLabel(0), "");
    EXPECT_EQ(s.PointLabel(1), "mid");
    EXPECT_EQ(s.PointLabel(2), "");
    s.AddPoint(0, 0);
    EXPECT_EQ(s.PointLabel(0), "");
    EXPECT_EQ(s.PointLabel(2), "mid");
}

TEST(SeriesData, PointColorResolution)
{
    TChartSeries s;
    s.SetSeriesColor(clGreen);
    s.AddPoint(0, 0);
    s.AddPoint(1, 0, "", clYellow);
    EXPECT_EQ(s.PointColor(0), clGreen);
    EXPECT_EQ(s.PointColor(1), clYellow);
    // Beyond the stored points the series colour answers.
    EXPECT_EQ(s.PointColor(2), clGreen);
    EXPECT_EQ(s.PointColor(-1), clGreen);
    s.SetColorEachPoint(true);
    EXPECT_NE(s.PointColor(0), clSeriesDefault);
    EXPECT_EQ(s.PointColor(1), clYellow);
    // A series whose points have no own colours at all still answers per index.
    TChartSeries plain;
    plain.AddPoint(0, 0);
    plain.AddPoint(1, 0);
    plain.SetColorEachPoint(true);
    EXPECT_NE(plain.PointColor(0), plain.PointColor(1));
}

TEST(SeriesData, BeforeAddCanRefuse)
{
    CountingChart chart;
    TChartSeries* s = new TChartSeries;
    s->SetParentChart(&chart);
    s->AddPoint(1, 1);
    int afterAdds = 0;
    double pendingX = 0;
    s->OnBeforeAdd = [&](TChartSeries* sender) {
        pendingX = sender->XValues()->PendingValue();
        return pendingX < 100;
    };
    s->OnAfterAdd = [&](TChartSeries*, int) { ++afterAdds; };
    const int before = chart.Invalidations;
    EXPECT_EQ(s->AddPoint(500, 2), -1);
    EXPECT_EQ(pendingX, 500);
    EXPECT_EQ(s->PointCount(), 1);
    EXPECT_EQ(afterAdds, 0);
    EXPECT_EQ(chart.Invalidations, before);
    EXPECT_EQ(s->AddPoint(0, 2), 0);
    EXPECT_EQ(afterAdds, 1);
    EXPECT_EQ(chart.Invalidations, before + 1);
}

TEST(SeriesData, AfterAddReportsTheIndex)
{
    TChartSeries s;
    std::vector<int> reported;
    s.OnAfterAdd = [&](TChartSeries* sender, int index) {
        EXPECT_EQ(sender, &s);
        reported.push_back(index);
    };
    s.AddPoint(5, 0);
    s.AddPoint(1, 0);
    s.AddPoint(9, 0);
    EXPECT_EQ(reported, (std::vector<int>{0, 0, 2}));
}

TEST(SeriesData, ClearPointsEmptiesEveryColumn)
{
    CountingChart chart;
    TChartSeries* s = new TChartSeries;
    chart.AddSeries(s);
    s->AddPoint(3, 4, "a", clBlue);
    s->AddPoint(1, -2);
    EXPECT_EQ(s->HighestX(), 3);
    int cleared = 0;
    s->OnClearValues = [&](TChartSeries*) { ++cleared; };
    const int before = chart.Invalidations;
    s->ClearPoints();
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(chart.Invalidations, before + 1);
    EXPECT_EQ(s->PointCount(), 0);
    EXPECT_EQ(s->YValues()->ValueCount(), 0);
    EXPECT_EQ(s->LowestX(), 0);
    EXPECT_EQ(s->HighestX(), 0);
    EXPECT_EQ(s->LowestY(), 0);
    EXPECT_EQ(s->HighestY(), 0);
    EXPECT_EQ(s->AddPoint(7, 7), 0);
    EXPECT_EQ(s->PointLabel(0), "");
    EXPECT_EQ(s->StoredPointColor(0), clSeriesDefault);
}

TEST(SeriesData, RepaintRequestsReachTheChartOnlyWhenSomethingChanged)
{
    struct Case
    {
        const char* name;
        bool active;
        void (*apply)(TChartSeries&);
        int requests;
    };
    const Case cases[] = {
        {"AddActive", true, [](TChartSeries& s) { s.AddPoint(1, 1); }, 1},
        {"AddInactive", false, [](TChartSeries& s) { s.AddPoint(1, 1); }, 0},
        {"ThreeAdds", true,
         [](TChartSeries& s) {
             for (int i = 0; i < 3; ++i)
                 s.AddPoint(i, i);
         },
         3},
        {"ClearInactive", false, [](TChartSeries& s) { s.ClearPoints(); }, 0},
        {"SameColour", true, [](TChartSeries& s) { s.SetSeriesColor(clSeriesDefault); }, 0},
        {"NewColour", true, [](TChartSeries& s) { s.SetSeriesColor(clRed); }, 1},
        {"ColourWhileInactive", false, [](TChartSeries& s) { s.SetSeriesColor(clRed); }, 1},
        {"SameActive", true, [](TChartSeries& s) { s.SetActive(true); }, 0},
        {"Deactivate", true, [](TChartSeries& s) { s.SetActive(false); }, 1},
        {"SameMultiplier", true, [](TChartSeries& s) { s.XValues()->SetMultiplier(1); }, 0},
        {"NewMultiplier", true, [](TChartSeries& s) { s.XValues()->SetMultiplier(2); }, 1},
        {"DateTime", true, [](TChartSeries& s) { s.XValues()->SetDateTime(true); }, 1},
        {"OrderAndName", true,
         [](TChartSeries& s) {
             s.XValues()->SetOrder(loNone);
             s.XValues()->SetName("T");
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountingChart chart;
        TChartSeries* s = new TChartSeries;
        s->SetActive(c.active);
        s->SetParentChart(&chart);
        const int before = chart.Invalidations;
        c.apply(*s);
        EXPECT_EQ(chart.Invalidations - before, c.requests);
    }
}

TEST(SeriesData, AttachingAndDetachingKeepTheSeriesList)
{
    TCustomAxisPanel chart;
    TCustomAxisPanel other;
    auto* a = new TChartSeries;
    auto* b = new TChartSeries;
    a->SetParentChart(&chart);
    chart.AddSeries(b);
    EXPECT_EQ(chart.SeriesList(), (std::vector<TChartSeries*>{a, b}));
    EXPECT_EQ(b->ParentChart(), &chart);
    b->SetParentChart(&other);
    EXPECT_EQ(chart.SeriesList(), (std::vector<TChartSeries*>{a}));
    EXPECT_EQ(other.SeriesList(), (std::vector<TChartSeries*>{b}));
    chart.RemoveSeries(a);
    EXPECT_EQ(a->ParentChart(), nullptr);
    EXPECT_TRUE(chart.SeriesList().empty());
    delete a;
    delete b;
    EXPECT_TRUE(other.SeriesList().empty());
}

TEST(SeriesData, ChartFreesItsSeries)
{
    bool cleared = false;
    {
        CountingChart chart;
        auto* s = new TChartSeries;
        s->SetParentChart(&chart);
        s->AddPoint(1, 1);
        s->OnClearValues = [&](TChartSeries*) { cleared = true; };
    }
    // The series' destructor empties it; leak checkers see the rest.
    EXPECT_TRUE(cleared);
}

TEST(SeriesData, OwnedSeriesLeavesItsOwnerWhenTheChartFreesIt)
{
    TComponent form;
    auto* chart = new TCustomAxisPanel(&form);
    auto* s = new TChartSeries(&form);
    s->SetParentChart(chart);
    EXPECT_EQ(form.ComponentCount(), 2);
    delete chart;
    EXPECT_EQ(form.ComponentCount(), 0);
}

TEST(SeriesData, BadPointIndexRaises)
{
    TChartSeries s;
    s.AddPoint(1, 1);
    try {
        (void)s.PointX(5);
        ADD_FAILURE() << "no exception";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (5)");
    }
    EXPECT_THROW((void)s.PointY(-1), EListError);
    EXPECT_THROW(s.DeletePoint(1), EListError);
    EXPECT_EQ(s.PointCount(), 1);
}

TEST(SeriesData, DeletePointKeepsColumnsInStep)
{
    TChartSeries s;
    s.AddPoint(1, 10, "a", clBlue);
    s.AddPoint(2, 20);
    s.AddPoint(3, 30, "c");
    s.DeletePoint(1);
    EXPECT_EQ(Points(s), (std::vector<Point>{{1, 10, clBlue, "a"}, {3, 30, clSeriesDefault, "c"}}));
}

// A chart whose bottom axis spans pixels 0..100 for the given value range.
struct RangeFixture
{
    explicit RangeFixture(double low, double high)
    {
        chart.SetChartRect(TRect{0, 0, 100, 100});
        chart.BottomAxis()->SetAxisRange(low, high);
        chart.BottomAxis()->ComputeAutoRange();
        chart.BottomAxis()->PlaceOnChartRect();
        series = new TChartSeries;
        series->SetParentChart(&chart);
    }
    TCustomAxisPanel chart;
    TChartSeries* series = nullptr;
};

TEST(SeriesData, DrawnRangeFollowsTheAxisRange)
{
    struct Case
    {
        const char* name;
        double low;
        double high;
        bool includeNextOutside;
        int first;
        int last;
    };
    // Points at X 0, 10, 20, 30, 40.
    const Case cases[] = {
        {"Everything", -5, 50, true, 0, 4},
        {"BetweenTwoPoints", 11, 19, true, 2, 2},
        {"BetweenTwoPointsNoNext", 11, 19, false, 2, 1},
        {"LeftOfFirst", -20, -10, true, 0, 0},
        {"RightOfLast", 41, 60, true, -1, -1},
        {"InnerWithNext", 5, 25, true, 1, 3},
        {"InnerWithoutNext", 5, 25, false, 1, 2},
        {"EdgesOnPoints", 10, 30, true, 1, 3},
        {"EdgesOnPointsNoNext", 10, 30, false, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RangeFixture f(c.low, c.high);
        for (int i = 0; i < 5; ++i)
            f.series->AddPoint(i * 10, i % 2);
        f.series->SetIncludeNextOutside(c.includeNextOutside);
        f.series->ComputeDrawnRange();
        EXPECT_EQ(f.series->FirstDrawnIndex(), c.first);
        EXPECT_EQ(f.series->LastDrawnIndex(), c.last);
    }
}

TEST(SeriesData, DrawnRangeCoversAllWhenNotLimited)
{
    RangeFixture f(100, 200);
    f.series->AddPoint(1, 1);
    f.series->AddPoint(2, 1);
    f.series->ComputeDrawnRange();
    EXPECT_EQ(f.series->FirstDrawnIndex(), -1);
    f.series->SetLimitToVisible(false);
    f.series->ComputeDrawnRange();
    EXPECT_EQ(f.series->FirstDrawnIndex(), 0);
    EXPECT_EQ(f.series->LastDrawnIndex(), 1);

    TChartSeries empty;
    empty.ComputeDrawnRange();
    EXPECT_EQ(empty.FirstDrawnIndex(), -1);
    EXPECT_EQ(empty.LastDrawnIndex(), -1);
}

// AddPoint's placement written plainly, as it has always been: after the last point, scanning
// from the end, that the new X does not precede.
void ReferenceAdd(std::vector<std::pair<double, double>>& points, TChartListOrder order, double x,
                  double y)
{
    std::size_t i = points.size();
    if (order == loAscending)
        while (i > 0 && points[i - 1].first > x)
            --i;
    if (order == loDescending)
        while (i > 0 && points[i - 1].first < x)
            --i;
    points.insert(points.begin() + static_cast<std::ptrdiff_t>(i), {x, y});
}

bool SameValue(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

::testing::AssertionResult HoldsPoints(const TChartSeries& s,
                                       const std::vector<std::pair<double, double>>& expected)
{
    if (static_cast<std::size_t>(s.PointCount()) != expected.size())
        return ::testing::AssertionFailure()
               << s.PointCount() << " points, not " << expected.size();
    for (int i = 0; i < s.PointCount(); ++i) {
        const auto& e = expected[static_cast<std::size_t>(i)];
        if (!SameValue(s.PointX(i), e.first) || !SameValue(s.PointY(i), e.second))
            return ::testing::AssertionFailure()
                   << "point " << i << " is (" << s.PointX(i) << ", " << s.PointY(i) << "), not ("
                   << e.first << ", " << e.second << ")";
    }
    return ::testing::AssertionSuccess();
}

// Seeded: a batch, fed point by point or in runs, gives what AddPoint one by one gives, for
// times that restart, run backwards, repeat, or carry NaN and infinities, under every order,
// on empty, filled and disordered series.
TEST(SeriesBatch, PlacesPointsAsAddPointDoesOneByOne)
{
    enum Shape { Restarts, Descending, FewDistinct, Wild };
    enum Prefill { Empty, InOrder, Disordered, WithHook };
    std::mt19937 rng(20261208);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    int rounds = 0;
    for (TChartListOrder order : {loAscending, loDescending, loNone})
        for (Shape shape : {Restarts, Descending, FewDistinct, Wild})
            for (Prefill prefill : {Empty, InOrder, Disordered, WithHook})
                for (int round = 0; round < 12; ++round, ++rounds) {
                    const int count = 1 + static_cast<int>(rng() % 600);
                    std::vector<double> xs;
                    for (int i = 0; i < count; ++i) {
                        double x = 0;
                        switch (shape) {
                        case Restarts:
                            x = i % (1 + count / 3);
                            break;
                        case Descending:
                            x = count - i - static_cast<int>(rng() % 3);
                            break;
                        case FewDistinct:
                            x = static_cast<double>(rng() % 5);
                            break;
                        case Wild: {
                            const unsigned r = rng() % 40;
                            x = r == 0   ? nan
                                : r == 1 ? inf
                                : r == 2 ? -inf
                                : r == 3 ? -0.0
                                         : (rng() % 200) * 0.5 - 50;
                            break;
                        }
                        }
                        xs.push_back(x);
                    }

                    TChartSeries plain;
                    TChartSeries batched;
                    std::vector<std::pair<double, double>> reference;
                    std::vector<int> plainIndices;
                    std::vector<int> batchedIndices;
                    for (TChartSeries* s : {&plain, &batched}) {
                        s->XValues()->SetOrder(order);
                        if (prefill != Empty)
                            for (double x : {1.0, 2.0, 2.0, 7.0})
                                s->AddPoint(order == loDescending ? -x : x, -1);
                        if (prefill == Disordered) {
                            s->XValues()->InsertValue(0, 3.0);
                            s->YValues()->InsertValue(0, -2);
                        }
                    }
                    for (int i = 0; i < plain.PointCount(); ++i)
                        reference.emplace_back(plain.PointX(i), plain.PointY(i));
                    if (prefill == WithHook) {
                        plain.OnAfterAdd = [&](TChartSeries*, int i) { plainIndices.push_back(i); };
                        batched.OnAfterAdd = [&](TChartSeries*, int i) {
                            batchedIndices.push_back(i);
                        };
                    }

                    {
                        // Every other round hands the batch runs of points of random length.
                        TSeriesBatch batch(batched);
                        const bool runs = round % 2 == 1;
                        std::vector<double> runX;
                        std::vector<double> runY;
                        std::size_t runLength = 1 + rng() % 40;
                        for (int i = 0; i < count; ++i) {
                            const double x = xs[static_cast<std::size_t>(i)];
                            plain.AddPoint(x, i);
                            ReferenceAdd(reference, order, x, i);
                            if (!runs) {
                                batch.Add(x, i);
                                continue;
                            }
                            runX.push_back(x);
                            runY.push_back(i);
                            if (runX.size() == runLength || i + 1 == count) {
                                batch.AddMany(runX.data(), runY.data(), runX.size());
                                runX.clear();
                                runY.clear();
                                runLength = 1 + rng() % 40;
                            }
                        }
                    }
                    const std::string where =
                        "order " + std::to_string(order) + ", shape " + std::to_string(shape) +
                        ", prefill " + std::to_string(prefill) + ", round " + std::to_string(round);
                    ASSERT_TRUE(HoldsPoints(plain, reference)) << where;
                    ASSERT_TRUE(HoldsPoints(batched, reference)) << where;
                    ASSERT_EQ(batchedIndices, plainIndices) << where;
                    // The extents follow the reordered columns.
                    ASSERT_TRUE(SameValue(batched.HighestX(), plain.HighestX())) << where;
                }
    EXPECT_EQ(rounds, 3 * 4 * 4 * 12);
}

} // namespace
