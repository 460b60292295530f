// Axes: the five axes of a chart, property validation, automatic flags, automatic
// range, value/pixel mapping, range operations and copying one axis onto another.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "chart/ChartEngine.h"
#include "tests/common/CountingChart.h"

namespace {

// Puts an axis on pixels start..end with the effective range min..max, as a paint would.
void Place(TCustomChartAxis& axis, double min, double max, int start, int end)
{
    axis.EffectiveMinimum = min;
    axis.EffectiveMaximum = max;
    axis.EffectiveSpan = max - min;
    axis.StartPixel = start;
    axis.EndPixel = end;
    axis.PixelLength = end - start;
    axis.CenterPixel = (start + end) / 2;
}

TChartSeries* AddSeries(TCustomAxisPanel& chart,
                        std::initializer_list<std::pair<double, double>> pts)
{
    auto* s = new TChartSeries;
    for (auto [x, y] : pts)
        s->AddPoint(x, y);
    s->SetParentChart(&chart);
    return s;
}

TEST(AxisRange, FiveAxesInListOrder)
{
    TCustomAxisPanel chart;
    const auto& axes = chart.AxesList();
    ASSERT_EQ(axes.size(), 5u);
    EXPECT_EQ(axes[0], chart.BottomAxis());
    EXPECT_EQ(axes[1], chart.TopAxis());
    EXPECT_EQ(axes[2], chart.LeftAxis());
    EXPECT_EQ(axes[3], chart.RightAxis());
    EXPECT_EQ(axes[4], chart.DepthAxis());
    struct Expect
    {
        bool horizontal;
        bool farSide;
        int titleAngle;
        bool visible;
        bool depth;
    };
    const Expect expected[] = {{true, false, 0, true, false},
                               {true, true, 0, true, false},
                               {false, false, 90, true, false},
                               {false, true, 270, true, false},
                               {false, true, 0, false, true}};
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(axes[i]->IsHorizontal, expected[i].horizontal);
        EXPECT_EQ(axes[i]->FarSide, expected[i].farSide);
        EXPECT_EQ(axes[i]->Title()->Angle(), expected[i].titleAngle);
        EXPECT_EQ(axes[i]->DefaultTitleAngle(), expected[i].titleAngle);
        EXPECT_EQ(axes[i]->Visible(), expected[i].visible);
        EXPECT_EQ(axes[i]->IsDepthAxis(), expected[i].depth);
        EXPECT_EQ(axes[i]->ParentChart(), &chart);
    }
}

TEST(AxisRange, PropertyDefaults)
{
    TCustomAxisPanel chart;
    const TChartAxis& a = *chart.BottomAxis();
    EXPECT_TRUE(a.Automatic());
    EXPECT_TRUE(a.AutomaticMaximum());
    EXPECT_TRUE(a.AutomaticMinimum());
    EXPECT_EQ(a.AxisValuesFormat(), "#,##0.###");
    EXPECT_EQ(a.Axis()->Width(), 2);
    EXPECT_EQ(a.Grid()->Style(), psDot);
    EXPECT_EQ(a.Grid()->Color(), clGray);
    EXPECT_FALSE(a.MinorGrid()->Visible());
    EXPECT_EQ(a.Ticks()->Color(), clGray);
    EXPECT_EQ(a.LabelsFont()->Name(), "Arial");
    EXPECT_EQ(a.LabelsFont()->Size(), 8);
    EXPECT_EQ(a.LabelsFont()->Color(), clBlack);
    EXPECT_TRUE(a.ExactDateTime());
    EXPECT_EQ(a.Increment(), 0);
    EXPECT_TRUE(a.Labels());
    EXPECT_TRUE(a.LabelsOnAxis());
    EXPECT_EQ(a.LabelsSeparation(), 10);
    EXPECT_EQ(a.LabelStyle(), talAuto);
    EXPECT_EQ(a.LogarithmicBase(), 10);
    EXPECT_EQ(a.Minimum(), 0);
    EXPECT_EQ(a.Maximum(), 0);
    EXPECT_EQ(a.MinorTickCount(), 3);
    EXPECT_EQ(a.MinorTickLength(), 2);
    EXPECT_EQ(a.StartPosition(), 0);
    EXPECT_EQ(a.EndPosition(), 100);
    EXPECT_TRUE(a.RoundFirstLabel());
    EXPECT_EQ(a.TickLength(), 4);
    EXPECT_TRUE(a.TickOnLabelsOnly());
    EXPECT_EQ(a.Title()->Caption(), "");
}

struct MapCase
{
    const char* name;
    bool horizontal;
    bool inverted;
    double min;
    double max;
    int start;
    int end;
    double value;
    int pixel;
};

class AxisMapping : public ::testing::TestWithParam<MapCase>
{
};

TEST_P(AxisMapping, ValueToPixel)
{
    const MapCase& c = GetParam();
    TChartAxis axis(nullptr, c.horizontal, false);
    axis.SetInverted(c.inverted);
    Place(axis, c.min, c.max, c.start, c.end);
    EXPECT_EQ(axis.ValueToPixel(c.value), c.pixel);
}

constexpr double kHuge = 1e300;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, AxisMapping,
    ::testing::Values(MapCase{"BottomMin", true, false, 100, 200, 50, 450, 100, 50},
                      MapCase{"BottomMax", true, false, 100, 200, 50, 450, 200, 450},
                      MapCase{"BottomMid", true, false, 100, 200, 50, 450, 150, 250},
                      MapCase{"BottomOutsideLeft", true, false, 100, 200, 50, 450, 50, -150},
                      MapCase{"LeftZero", false, false, -0.2, 1.2, 10, 150, 0, 130},
                      MapCase{"LeftOne", false, false, -0.2, 1.2, 10, 150, 1, 30},
                      MapCase{"LeftMin", false, false, -0.2, 1.2, 10, 150, -0.2, 150},
                      MapCase{"HalfRoundsDown", true, false, 0, 10, 0, 10, 2.5, 2},
                      MapCase{"HalfRoundsUp", true, false, 0, 10, 0, 10, 3.5, 4},
                      MapCase{"NegativeHalf", true, false, 0, 10, 0, 10, -2.5, -2},
                      MapCase{"VerticalHalf", false, false, 0, 10, 0, 10, 2.5, 8},
                      MapCase{"InvertedBottomMin", true, true, 100, 200, 50, 450, 100, 450},
                      MapCase{"InvertedBottomMax", true, true, 100, 200, 50, 450, 200, 50},
                      MapCase{"InvertedLeftMin", false, true, -0.2, 1.2, 10, 150, -0.2, 10},
                      MapCase{"ZeroSpan", true, false, 5, 5, 50, 451, 5, 250},
                      MapCase{"ZeroSpanOther", true, false, 5, 5, 50, 451, 1e9, 250},
                      MapCase{"HugeValue", true, false, 0, 1, 0, 100, kHuge, 50},
                      MapCase{"HugeNegative", false, false, 0, 1, 0, 100, -kHuge, 50},
                      MapCase{"JustBelowLimit", true, false, 0, 1, 0, 1, 2147483646, 2147483646},
                      MapCase{"AtLimit", true, false, 0, 1, 0, 1, 2147483647, 0},
                      MapCase{"NaN", true, false, 0, 1, 0, 100, kNaN, 50},
                      MapCase{"OverflowClamped", true, false, 0, 1, 1000, 1100, 21474830,
                              2147483647}),
    [](const ::testing::TestParamInfo<MapCase>& info) { return info.param.name; });

TEST(AxisRange, PixelToValue)
{
    TChartAxis bottom(nullptr, true, false);
    Place(bottom, 100, 200, 50, 450);
    EXPECT_DOUBLE_EQ(bottom.PixelToValue(250), 150);
    EXPECT_DOUBLE_EQ(bottom.PixelToValue(50), 100);
    bottom.SetInverted(true);
    EXPECT_DOUBLE_EQ(bottom.PixelToValue(450), 100);

    TChartAxis left(nullptr, false, false);
    Place(left, -0.2, 1.2, 10, 150);
    EXPECT_NEAR(left.PixelToValue(130), 0, 1e-12);
    EXPECT_NEAR(left.PixelToValue(10), 1.2, 1e-12);
    left.SetInverted(true);
    EXPECT_NEAR(left.PixelToValue(10), -0.2, 1e-12);

    // A single-valued range answers that value everywhere; an axis without length 0.
    Place(bottom, 5, 5, 0, 100);
    bottom.SetInverted(false);
    EXPECT_EQ(bottom.PixelToValue(77), 5);
    Place(bottom, 5, 9, 40, 40);
    EXPECT_EQ(bottom.PixelToValue(40), 0);
}

TEST(AxisRange, PlaceOnChartRect)
{
    struct Case
    {
        const char* name;
        bool horizontal;
        double startPos;
        double endPos;
        TRect rect;
        int start;
        int end;
        int center;
    };
    const Case cases[] = {
        {"BottomDefault", true, 0, 100, {27, 7, 867, 177}, 27, 867, 447},
        {"LeftDefault", false, 0, 100, {27, 7, 867, 177}, 7, 177, 92},
        {"QuarterOfForty", true, 25, 75, {0, 0, 40, 10}, 10, 30, 20},
        // 0.01 is not exact in extended precision: 35 % of 10 comes out just below 3.5.
        {"ExtendedProductBelowHalf", true, 35, 100, {0, 0, 10, 10}, 3, 10, 6},
        {"QuarterOfTen", true, 25, 100, {0, 0, 10, 10}, 2, 10, 6},
        {"CentreTruncatesTowardZero", true, 0, 100, {-5, 0, 0, 10}, -5, 0, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TCustomAxisPanel chart;
        chart.SetChartRect(c.rect);
        TChartAxis* axis = c.horizontal ? chart.BottomAxis() : chart.LeftAxis();
        axis->SetStartPosition(c.startPos);
        axis->SetEndPosition(c.endPos);
        axis->PlaceOnChartRect();
        EXPECT_EQ(axis->StartPixel, c.start);
        EXPECT_EQ(axis->EndPixel, c.end);
        EXPECT_EQ(axis->PixelLength, c.end - c.start);
        EXPECT_EQ(axis->CenterPixel, c.center);
    }
}

TEST(AxisRange, RejectedValuesRaiseAndKeepTheOldValue)
{
    using Setter = std::function<void(TChartAxis&)>;
    using Getter = std::function<double(const TChartAxis&)>;
    struct Case
    {
        const char* name;
        Setter set;
        Getter get;
        std::string message;
        bool chartException;
    };
    const Case cases[] = {
        {"MinimumAboveMaximum", [](TChartAxis& a) { a.SetMinimum(5); },
         [](const TChartAxis& a) { return a.Minimum(); }, "Axis Minimum Value must be <= Maximum",
         false},
        {"MaximumBelowMinimum", [](TChartAxis& a) { a.SetMaximum(-0.5); },
         [](const TChartAxis& a) { return a.Maximum(); }, "Axis Maximum Value must be >= Minimum",
         false},
        {"NegativeIncrement", [](TChartAxis& a) { a.SetIncrement(-1); },
         [](const TChartAxis& a) { return a.Increment(); }, "Axis increment must be >= 0", false},
        {"NegativeSeparation", [](TChartAxis& a) { a.SetLabelsSeparation(-1); },
         [](const TChartAxis& a) { return a.LabelsSeparation(); },
         "Labels Separation % must be greater than 0", false},
        {"LogBaseOne", [](TChartAxis& a) { a.SetLogarithmicBase(1); },
         [](const TChartAxis& a) { return a.LogarithmicBase(); },
         "Axis Logarithmic Base should be >= 2", false},
        {"LabelsAngle360", [](TChartAxis& a) { a.SetLabelsAngle(360); },
         [](const TChartAxis& a) { return a.LabelsAngle(); },
         "Axis Labels Angle must be between 0 and 359 degrees", true},
        {"LabelsAngleNegative", [](TChartAxis& a) { a.SetLabelsAngle(-1); },
         [](const TChartAxis& a) { return a.LabelsAngle(); },
         "Axis Labels Angle must be between 0 and 359 degrees", true},
        {"TitleAngle400", [](TChartAxis& a) { a.Title()->SetAngle(400); },
         [](const TChartAxis& a) { return a.Title()->Angle(); },
         "Axis Title Angle must be between 0 and 359 degrees", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountingChart chart;
        TChartAxis& axis = *chart.LeftAxis();
        axis.SetMaximum(1);
        const double before = c.get(axis);
        const int requests = chart.Invalidations;
        try {
            c.set(axis);
            ADD_FAILURE() << "no exception";
        } catch (const ChartException& e) {
            EXPECT_TRUE(c.chartException);
            EXPECT_EQ(e.Message(), c.message);
        } catch (const AxisException& e) {
            EXPECT_FALSE(c.chartException);
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(c.get(axis), before);
        EXPECT_EQ(chart.Invalidations, requests);
    }
}

TEST(AxisRange, BoundaryValuesAreAccepted)
{
    CountingChart chart;
    TChartAxis& axis = *chart.LeftAxis();
    axis.SetMaximum(3);
    axis.SetMinimum(3);
    EXPECT_EQ(axis.Minimum(), 3);
    axis.SetIncrement(0);
    axis.SetLabelsSeparation(0);
    axis.SetLabelsAngle(359);
    axis.SetLogarithmicBase(2);
    EXPECT_EQ(axis.LabelsSeparation(), 0);
    EXPECT_EQ(axis.LabelsAngle(), 359);
    EXPECT_EQ(axis.LogarithmicBase(), 2);
}

TEST(AxisRange, OrderOfMinimumAndMaximumWritesMatters)
{
    TCustomAxisPanel chart;
    TChartAxis& axis = *chart.LeftAxis();
    axis.SetMaximum(1);
    // Moving the range up: the new minimum is above the current maximum.
    EXPECT_THROW(axis.SetMinimum(5), AxisException);
    axis.SetMaximum(10);
    axis.SetMinimum(5);
    EXPECT_EQ(axis.Minimum(), 5);
    EXPECT_EQ(axis.Maximum(), 10);
    // The flags stay as they were.
    EXPECT_TRUE(axis.Automatic());
}

TEST(AxisRange, ChecksAreSkippedWhileLoading)
{
    TCustomAxisPanel chart;
    TChartAxis& axis = *chart.LeftAxis();
    chart.BeginLoading();
    axis.SetMinimum(5);
    axis.SetMaximum(7);
    chart.EndLoading();
    EXPECT_EQ(axis.Minimum(), 5);
    EXPECT_EQ(axis.Maximum(), 7);
    EXPECT_THROW(axis.SetMaximum(1), AxisException);
}

TEST(AxisRange, RepaintOnlyWhenAValueChanges)
{
    struct Case
    {
        const char* name;
        void (*apply)(TChartAxis&);
        int requests;
    };
    const Case cases[] = {
        {"SameMinimum", [](TChartAxis& a) { a.SetMinimum(0); }, 0},
        {"NewMaximum", [](TChartAxis& a) { a.SetMaximum(4); }, 1},
        {"SameInverted", [](TChartAxis& a) { a.SetInverted(false); }, 0},
        {"NewInverted", [](TChartAxis& a) { a.SetInverted(true); }, 1},
        {"SameVisible", [](TChartAxis& a) { a.SetVisible(true); }, 0},
        {"NewTickLength", [](TChartAxis& a) { a.SetTickLength(7); }, 1},
        {"SameFormat", [](TChartAxis& a) { a.SetAxisValuesFormat("#,##0.###"); }, 0},
        {"NewTitle", [](TChartAxis& a) { a.Title()->SetCaption("t"); }, 1},
        {"GridPenColour", [](TChartAxis& a) { a.Grid()->SetColor(clRed); }, 1},
        {"LabelsFontSize", [](TChartAxis& a) { a.LabelsFont()->SetSize(12); }, 1},
        {"SameAutomatic", [](TChartAxis& a) { a.SetAutomatic(true); }, 0},
        {"AutomaticOff", [](TChartAxis& a) { a.SetAutomatic(false); }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountingChart chart;
        const int before = chart.Invalidations;
        c.apply(*chart.BottomAxis());
        EXPECT_EQ(chart.Invalidations - before, c.requests);
    }
}

TEST(AxisRange, AutomaticFlagRules)
{
    struct Flags
    {
        bool automatic;
        bool min;
        bool max;
        bool operator==(const Flags&) const = default;
    };
    auto flags = [](const TChartAxis& a) {
        return Flags{a.Automatic(), a.AutomaticMinimum(), a.AutomaticMaximum()};
    };
    TCustomAxisPanel chart;
    TChartAxis& a = *chart.BottomAxis();
    a.SetAutomaticMinimum(false);
    EXPECT_EQ(flags(a), (Flags{false, false, true}));
    a.SetAutomaticMinimum(true);
    EXPECT_EQ(flags(a), (Flags{true, true, true}));
    a.SetAutomaticMaximum(false);
    EXPECT_EQ(flags(a), (Flags{false, true, false}));
    // True while the other end is manual leaves Automatic as it is.
    a.SetAutomaticMinimum(false);
    a.SetAutomaticMinimum(true);
    EXPECT_EQ(flags(a), (Flags{false, true, false}));
    a.SetAutomatic(true);
    EXPECT_EQ(flags(a), (Flags{true, true, true}));
    a.SetAutomatic(false);
    EXPECT_EQ(flags(a), (Flags{false, false, false}));
    // While loading, Automatic is stored alone.
    chart.BeginLoading();
    a.SetAutomatic(true);
    chart.EndLoading();
    EXPECT_EQ(flags(a), (Flags{true, false, false}));
}

TEST(AxisRange, AutomaticRangeIsTheDataExtent)
{
    TCustomAxisPanel chart;
    TChartAxis& bottom = *chart.BottomAxis();
    TChartAxis& left = *chart.LeftAxis();
    bottom.ComputeAutoRange();
    EXPECT_EQ(bottom.Minimum(), 0);
    EXPECT_EQ(bottom.Maximum(), 0);
    EXPECT_EQ(bottom.EffectiveSpan, 0);

    AddSeries(chart, {{100, 1}, {150, -3}, {200, 2}});
    AddSeries(chart, {{120, 5}});
    left.SetAutomatic(false);
    left.SetMaximum(1.2);
    left.SetMinimum(-0.2);
    for (TCustomChartAxis* axis : chart.AxesList())
        axis->ComputeAutoRange();
    EXPECT_EQ(bottom.Minimum(), 100);
    EXPECT_EQ(bottom.Maximum(), 200);
    EXPECT_EQ(bottom.EffectiveMinimum, 100);
    EXPECT_EQ(bottom.EffectiveSpan, 100);
    EXPECT_EQ(left.EffectiveMinimum, -0.2);
    EXPECT_EQ(left.EffectiveMaximum, 1.2);
    // Nothing is attached to the top axis.
    EXPECT_EQ(chart.TopAxis()->Maximum(), 0);

    // One manual end: only the other one follows the data.
    bottom.SetAutomaticMaximum(false);
    bottom.SetMaximum(500);
    bottom.ComputeAutoRange();
    EXPECT_EQ(bottom.Minimum(), 100);
    EXPECT_EQ(bottom.Maximum(), 500);
}

TEST(AxisRange, SeriesValueExtent)
{
    TCustomAxisPanel chart;
    TChartSeries* a = AddSeries(chart, {{10, 1}, {20, 2}});
    TChartSeries* b = AddSeries(chart, {{5, 7}, {15, 0}});
    TChartSeries* top = AddSeries(chart, {{-100, -100}, {100, 100}});
    top->SetHorizAxis(aTopAxis);
    const TChartAxis* bottom = chart.BottomAxis();
    EXPECT_EQ(chart.SeriesValueExtent(bottom, false, true), 5);
    EXPECT_EQ(chart.SeriesValueExtent(bottom, true, true), 20);
    EXPECT_EQ(chart.SeriesValueExtent(chart.TopAxis(), true, true), 100);
    EXPECT_EQ(chart.MaxYValue(chart.LeftAxis()), 100);
    EXPECT_EQ(chart.MinYValue(chart.LeftAxis()), -100);

    top->SetHorizAxis(aBothHorizAxis);
    EXPECT_EQ(chart.MinXValue(bottom), -100);
    top->SetHorizAxis(aTopAxis);

    // Inactive series count only when no active series is on the axis.
    b->SetActive(false);
    EXPECT_EQ(chart.MinXValue(bottom), 10);
    a->SetActive(false);
    EXPECT_EQ(chart.MinXValue(bottom), 5);
    top->SetActive(false);
    b->SetActive(true);
    EXPECT_EQ(chart.MaxXValue(bottom), 15);

    // An active series without points still keeps the inactive ones out.
    b->SetActive(false);
    TChartSeries* empty = AddSeries(chart, {});
    empty->SetHorizAxis(aBothHorizAxis);
    EXPECT_EQ(chart.MaxXValue(bottom), 0);
}

TEST(AxisRange, IsAxisShown)
{
    TCustomAxisPanel chart;
    chart.SetView3D(false);
    for (TCustomChartAxis* axis : {static_cast<TCustomChartAxis*>(chart.BottomAxis()),
                                   static_cast<TCustomChartAxis*>(chart.RightAxis())})
        EXPECT_TRUE(chart.IsAxisShown(axis));
    EXPECT_FALSE(chart.IsAxisShown(chart.DepthAxis()));

    TChartSeries* s = AddSeries(chart, {{1, 1}});
    EXPECT_TRUE(chart.IsAxisShown(chart.BottomAxis()));
    EXPECT_TRUE(chart.IsAxisShown(chart.LeftAxis()));
    EXPECT_FALSE(chart.IsAxisShown(chart.TopAxis()));
    EXPECT_FALSE(chart.IsAxisShown(chart.RightAxis()));
    // Without an active series every side axis shows again.
    s->SetActive(false);
    EXPECT_TRUE(chart.IsAxisShown(chart.TopAxis()));
    s->SetActive(true);

    chart.BottomAxis()->SetVisible(false);
    EXPECT_FALSE(chart.IsAxisShown(chart.BottomAxis()));
    chart.SetAxisVisible(false);
    EXPECT_FALSE(chart.IsAxisShown(chart.LeftAxis()));
    chart.SetAxisVisible(true);

    chart.SetView3D(true);
    EXPECT_FALSE(chart.IsAxisShown(chart.DepthAxis()));
    chart.DepthAxis()->SetVisible(true);
    EXPECT_TRUE(chart.IsAxisShown(chart.DepthAxis()));
}

TEST(AxisRange, SetAxisRange)
{
    struct Case
    {
        const char* name;
        double low;
        double high;
        double min;
        double max;
    };
    const Case cases[] = {
        {"Ordered", 1, 4, 1, 4},
        {"Reversed", 5, 3, 3, 5},
        {"Empty", 2, 2, 2, 2 + 1E-10},
        {"Narrow", 2, 2 + 1E-12, 2, 2 + 1E-10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountingChart chart;
        TChartAxis& a = *chart.BottomAxis();
        const int before = chart.Invalidations;
        a.SetAxisRange(c.low, c.high);
        EXPECT_EQ(a.Minimum(), c.min);
        EXPECT_EQ(a.Maximum(), c.max);
        EXPECT_FALSE(a.Automatic());
        EXPECT_FALSE(a.AutomaticMinimum());
        EXPECT_FALSE(a.AutomaticMaximum());
        EXPECT_GT(chart.Invalidations, before);
    }
}

TEST(AxisRange, ScrollAxis)
{
    struct Case
    {
        const char* name;
        double offset;
        bool limitCheck;
        double dataMax;
        double min;
        double max;
    };
    // Axis 0..100; the data run from 0 to DataMax.
    const Case cases[] = {
        {"LimitAtDataEnd", 10, true, 100, 0, 100},   {"LimitDataBeyond", 10, true, 150, 10, 110},
        {"NoLimit", 10, false, 100, 10, 110},        {"ZeroOffset", 0, true, 150, 0, 100},
        {"BackAtDataStart", -10, true, 150, 0, 100}, {"BackWithoutLimit", -10, false, 150, -10, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TCustomAxisPanel chart;
        AddSeries(chart, {{0, 0}, {c.dataMax, 1}});
        TChartAxis& a = *chart.BottomAxis();
        a.SetMaximum(100);
        const bool moved = c.min != 0;
        a.ScrollAxis(c.offset, c.limitCheck);
        EXPECT_EQ(a.Minimum(), c.min);
        EXPECT_EQ(a.Maximum(), c.max);
        EXPECT_EQ(a.Automatic(), !moved);
        EXPECT_EQ(a.AutomaticMinimum(), !moved);
    }
    TCustomAxisPanel chart;
    AddSeries(chart, {{-50, 0}, {100, 1}});
    TChartAxis& a = *chart.BottomAxis();
    a.SetMaximum(100);
    a.ScrollAxis(-10, true);
    EXPECT_EQ(a.Minimum(), -10);
    EXPECT_EQ(a.Maximum(), 90);
}

TEST(AxisRange, ApplySeriesMargins)
{
    TCustomAxisPanel chart;
    chart.SetChartRect(TRect{0, 0, 120, 60});
    TChartAxis& a = *chart.BottomAxis();
    a.SetAxisRange(0, 100);
    a.ComputeAutoRange();
    a.PlaceOnChartRect();
    a.ApplySeriesMargins(0, 0);
    EXPECT_DOUBLE_EQ(a.EffectiveMinimum, 0);
    EXPECT_DOUBLE_EQ(a.EffectiveMaximum, 100);

    // 10 pixels free at both ends: 0..100 now covers pixels 10..110.
    a.ApplySeriesMargins(10, 10);
    EXPECT_EQ(a.StartPixel, 0);
    EXPECT_EQ(a.EndPixel, 120);
    EXPECT_DOUBLE_EQ(a.EffectiveMinimum, -10);
    EXPECT_DOUBLE_EQ(a.EffectiveMaximum, 110);
    EXPECT_EQ(a.ValueToPixel(0), 10);
    EXPECT_EQ(a.ValueToPixel(100), 110);
    EXPECT_EQ(a.Minimum(), 0);
    EXPECT_EQ(a.Maximum(), 100);

    // Margins that leave less than one pixel: the range collapses to 0..0.
    a.ComputeAutoRange();
    a.ApplySeriesMargins(60, 60);
    EXPECT_EQ(a.EffectiveMinimum, 0);
    EXPECT_EQ(a.EffectiveMaximum, 0);
    EXPECT_EQ(a.ValueToPixel(50), a.CenterPixel);

    // Vertical: top margin at the start pixel, bottom margin at the end.
    TChartAxis& left = *chart.LeftAxis();
    left.SetAxisRange(0, 40);
    left.ComputeAutoRange();
    left.PlaceOnChartRect();
    left.ApplySeriesMargins(10, 10);
    EXPECT_DOUBLE_EQ(left.EffectiveMinimum, -10);
    EXPECT_DOUBLE_EQ(left.EffectiveMaximum, 50);
}

TEST(AxisRange, LogarithmicSwitchChecks)
{
    TCustomAxisPanel chart;
    TChartSeries* s = AddSeries(chart, {{-5, 1}, {5, 2}});
    try {
        chart.BottomAxis()->SetLogarithmic(true);
        ADD_FAILURE() << "no exception";
    } catch (const AxisException& e) {
        EXPECT_EQ(e.Message(), "Logarithmic Axis Min and Max values should be >= 0");
    }
    EXPECT_FALSE(chart.BottomAxis()->Logarithmic());
    chart.LeftAxis()->SetLogarithmic(true);
    EXPECT_TRUE(chart.LeftAxis()->Logarithmic());

    s->XValues()->SetDateTime(true);
    try {
        chart.BottomAxis()->SetLogarithmic(true);
        ADD_FAILURE() << "no exception";
    } catch (const AxisException& e) {
        EXPECT_EQ(e.Message(), "DateTime Axis cannot be Logarithmic");
    }
}

TEST(AxisRange, CopyOfAnAutomaticAxisCarriesItsLastRange)
{
    CountingChart source;
    CountingChart target;
    AddSeries(source, {{0, 0}, {1000, 1}});
    source.BottomAxis()->ComputeAutoRange();
    ASSERT_EQ(source.BottomAxis()->Maximum(), 1000);
    const int before = target.Invalidations;
    target.SetBottomAxis(source.BottomAxis());
    const TChartAxis& b = *target.BottomAxis();
    EXPECT_EQ(b.Minimum(), 0);
    EXPECT_EQ(b.Maximum(), 1000);
    EXPECT_TRUE(b.Automatic());
    EXPECT_TRUE(b.AutomaticMinimum());
    EXPECT_TRUE(b.AutomaticMaximum());
    // Identical pens, fonts and title: no repaint request.
    EXPECT_EQ(target.Invalidations, before);
    // The target still recomputes from its own data.
    AddSeries(target, {{3, 0}, {7, 0}});
    target.BottomAxis()->ComputeAutoRange();
    EXPECT_EQ(b.Minimum(), 3);
    EXPECT_EQ(b.Maximum(), 7);
}

TEST(AxisRange, CopyOfAZoomedAxisGivesTheSameFixedRange)
{
    TCustomAxisPanel source;
    TCustomAxisPanel target;
    source.BottomAxis()->SetAxisRange(12.5, 40);
    target.SetBottomAxis(source.BottomAxis());
    EXPECT_FALSE(target.BottomAxis()->Automatic());
    EXPECT_EQ(target.BottomAxis()->Minimum(), 12.5);
    EXPECT_EQ(target.BottomAxis()->Maximum(), 40);
}

TEST(AxisRange, CopyTakesEveryPropertyWithoutValidation)
{
    TCustomAxisPanel source;
    TCustomAxisPanel target;
    TChartAxis& s = *source.BottomAxis();
    s.Axis()->SetColor(clRed);
    s.SetLabels(false);
    s.SetLabelsAngle(45);
    s.LabelsFont()->SetSize(14);
    s.SetLabelsMultiLine(true);
    s.SetLabelsSeparation(33);
    s.SetLabelsSize(21);
    s.SetLabelStyle(talText);
    s.SetLabelsOnAxis(false);
    s.Ticks()->SetWidth(3);
    s.TicksInner()->SetVisible(false);
    s.SetTitleSize(17);
    s.Grid()->SetStyle(psSolid);
    s.MinorTicks()->SetColor(clBlue);
    s.MinorGrid()->SetVisible(true);
    s.SetTickLength(9);
    s.SetMinorTickLength(5);
    s.SetMinorTickCount(6);
    s.SetTickInnerLength(2);
    s.SetAxisValuesFormat("0.00");
    s.SetIncrement(2.5);
    s.SetAxisRange(-3, 8);
    s.Title()->SetCaption("Time");
    s.Title()->SetAngle(30);
    s.SetDateTimeFormat("hh:nn");
    s.SetGridCentered(true);
    s.SetLogarithmicBase(3);
    s.SetInverted(true);
    s.SetExactDateTime(false);
    s.SetRoundFirstLabel(false);
    s.SetTickOnLabelsOnly(false);
    s.SetStartPosition(10);
    s.SetEndPosition(90);
    s.SetPositionPercent(5);
    s.SetVisible(false);
    // Per-paint state is not copied.
    s.EffectiveMinimum = 1234;
    s.StartPixel = 77;

    // The target's range would fail a Minimum check written in this order.
    target.BottomAxis()->SetMinimum(-20);
    target.BottomAxis()->SetMaximum(-10);
    target.BottomAxis()->CopyAxisFrom(&s);
    const TChartAxis& t = *target.BottomAxis();
    EXPECT_EQ(t.Axis()->Color(), clRed);
    EXPECT_FALSE(t.Labels());
    EXPECT_EQ(t.LabelsAngle(), 45);
    EXPECT_EQ(t.LabelsFont()->Size(), 14);
    EXPECT_TRUE(t.LabelsMultiLine());
    EXPECT_EQ(t.LabelsSeparation(), 33);
    EXPECT_EQ(t.LabelsSize(), 21);
    EXPECT_EQ(t.LabelStyle(), talText);
    EXPECT_FALSE(t.LabelsOnAxis());
    EXPECT_EQ(t.Ticks()->Width(), 3);
    EXPECT_FALSE(t.TicksInner()->Visible());
    EXPECT_EQ(t.TitleSize(), 17);
    EXPECT_EQ(t.Grid()->Style(), psSolid);
    EXPECT_EQ(t.MinorTicks()->Color(), clBlue);
    EXPECT_TRUE(t.MinorGrid()->Visible());
    EXPECT_EQ(t.TickLength(), 9);
    EXPECT_EQ(t.MinorTickLength(), 5);
    EXPECT_EQ(t.MinorTickCount(), 6);
    EXPECT_EQ(t.TickInnerLength(), 2);
    EXPECT_EQ(t.AxisValuesFormat(), "0.00");
    EXPECT_EQ(t.Increment(), 2.5);
    EXPECT_EQ(t.Minimum(), -3);
    EXPECT_EQ(t.Maximum(), 8);
    EXPECT_FALSE(t.Automatic());
    EXPECT_EQ(t.Title()->Caption(), "Time");
    EXPECT_EQ(t.Title()->Angle(), 30);
    EXPECT_EQ(t.Title()->Axis(), &t);
    EXPECT_EQ(t.DateTimeFormat(), "hh:nn");
    EXPECT_TRUE(t.GridCentered());
    EXPECT_EQ(t.LogarithmicBase(), 3);
    EXPECT_TRUE(t.Inverted());
    EXPECT_FALSE(t.ExactDateTime());
    EXPECT_FALSE(t.RoundFirstLabel());
    EXPECT_FALSE(t.TickOnLabelsOnly());
    EXPECT_EQ(t.StartPosition(), 10);
    EXPECT_EQ(t.EndPosition(), 90);
    EXPECT_EQ(t.PositionPercent(), 5);
    EXPECT_FALSE(t.Visible());
    EXPECT_TRUE(t.IsHorizontal);
    EXPECT_EQ(t.EffectiveMinimum, 0);
    EXPECT_EQ(t.StartPixel, 0);
    EXPECT_EQ(t.ParentChart(), &target);
}

TEST(AxisRange, CopyRepaintsOnlyThroughChangedPens)
{
    CountingChart source;
    CountingChart target;
    source.BottomAxis()->SetTickLength(12);
    int before = target.Invalidations;
    target.SetBottomAxis(source.BottomAxis());
    EXPECT_EQ(target.BottomAxis()->TickLength(), 12);
    EXPECT_EQ(target.Invalidations, before);
    source.BottomAxis()->Grid()->SetColor(clRed);
    before = target.Invalidations;
    target.SetBottomAxis(source.BottomAxis());
    EXPECT_GT(target.Invalidations, before);
}

TEST(AxisRange, CopyFromSomethingElseFails)
{
    TCustomAxisPanel chart;
    TChartValueList list(nullptr, "X");
    EXPECT_THROW(chart.BottomAxis()->CopyAxisFrom(&list), EConvertError);
    EXPECT_THROW(chart.BottomAxis()->Assign(nullptr), EConvertError);
    // The own axis object is kept; only its contents change.
    TChartAxis* own = chart.LeftAxis();
    chart.SetLeftAxis(chart.BottomAxis());
    EXPECT_EQ(chart.LeftAxis(), own);
}

} // namespace
