#include "chart/AxisLabels.h"
#include "chart/ChartEngine.h"
#include "toolkit/FormatFloat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace AxisLabels;

namespace {

TEST(AxisNextStep, FollowsTheOneTwoFiveSequence)
{
    struct Row
    {
        double step;
        double next;
    };
    const Row rows[] = {{1, 2},         {1.5, 2},   {2, 5},     {4.99, 5},   {5, 10},
                        {7, 10},        {10, 20},   {20, 50},   {50, 100},   {500, 1000},
                        {0.5, 1},       {0.2, 0.5}, {0.1, 0.2}, {0.05, 0.1}, {0.01, 0.02},
                        {3E-12, 5E-12}, {2E6, 5E6}};
    for (const Row& row : rows)
        EXPECT_NEAR(NextStep(row.step), row.next, row.next * 1E-12) << row.step;
}

TEST(AxisNextStep, AlwaysGrows)
{
    // Scaling 1E-12 by ten twelve times lands a hair below 1, so its successor
    // is barely larger; the search must still move on.
    double step = MinLabelStep;
    for (int i = 0; i < 60; ++i) {
        const double next = NextStep(step);
        ASSERT_GT(next, step) << step;
        step = next;
    }
    EXPECT_GT(step, 1E6);
}

TEST(AxisNextStep, NonPositiveOrInfiniteStepsDoNotRecurseForever)
{
    EXPECT_EQ(NextStep(0), MinLabelStep);
    EXPECT_EQ(NextStep(-3), MinLabelStep);
    EXPECT_TRUE(std::isinf(NextStep(HUGE_VAL)));
}

TEST(AxisLabelCount, RoomIsSizePlusSeparationRounded)
{
    struct Row
    {
        int size, separation, length, expected;
    };
    const Row rows[] = {
        {13, 10, 150, 11}, // room 13 + Round(1.3) = 14
        {40, 10, 600, 14}, // room 44
        {13, 0, 150, 12},  // no separation: Round(11.54)
        {20, 25, 55, 2},   // room 20 + Round(5.0) = 25; Round(2.2)
        {10, 25, 30, 2},   // room 10 + Round(2.5) = 12 (half to even); Round(2.5) = 2
        {0, 10, 600, 1},   // nothing measured: one label
        {13, 10, 0, 0},    // no placement yet
        {13, 10, -50, -4},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FittingLabelCount(row.size, row.separation, row.length), row.expected)
            << row.size << " " << row.separation << " " << row.length;
}

struct StepRow
{
    const char* name;
    int maxLabels;
    double span;
    double increment;
    int separation;
    double expected;
};

const StepRow kStepRows[] = {
    {"ViewerLeftAxis", 11, 1.4, 0, 10, 1},
    {"TenThousandOnSixHundredPixels", 14, 10000, 0, 10, 1000},
    {"SmallSpanSearchesFromTheSmallestStep", 10, 0.48, 0, 10, 0.05},
    {"SpanOfOneNeverGoesBelowOne", 100, 1.4, 0, 10, 1},
    {"IncrementWhenRoomAllows", 20, 10, 2, 10, 2},
    {"IncrementEnlargedWhenCrowded", 3, 10, 2, 10, 5},
    {"IncrementIsALowerBound", 50, 10, 3, 10, 3},
    {"IncrementOffTheSequence", 2, 10, 3, 10, 5},
    {"NoRoomGivesTheSmallestStep", 0, 10000, 0, 10, MinLabelStep},
    {"NegativeRoomGivesTheSmallestStep", -3, 10000, 5, 10, MinLabelStep},
    {"NoSeparationMeansNoSearch", 3, 1234, 0, 0, 1},
    {"NoSeparationKeepsTheIncrement", 3, 1234, 7, 0, 7},
    {"ZeroSpan", 5, 0, 0, 10, MinLabelStep},
    {"HugeQuotientStillSearches", 10, 1E15, 0, 10, 1E14},
};

class AxisStepSearch : public ::testing::TestWithParam<StepRow>
{
};

TEST_P(AxisStepSearch, FindsTheStep)
{
    const StepRow& row = GetParam();
    EXPECT_NEAR(StepForCount(row.maxLabels, row.span, row.increment, row.separation), row.expected,
                row.expected * 1E-9);
}

INSTANTIATE_TEST_SUITE_P(Table, AxisStepSearch, ::testing::ValuesIn(kStepRows),
                         [](const auto& info) { return std::string(info.param.name); });

void ExpectValues(const std::vector<double>& actual, const std::vector<double>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1E-9) << "label " << i;
}

TEST(AxisLabelValues, ViewerLeftAxisShowsOneAndZero)
{
    ExpectValues(LabelValues(-0.2, 1.2, 1, true), {1, 0});
}

TEST(AxisLabelValues, ThousandsFromTheTopDown)
{
    std::vector<double> expected;
    for (int v = 10000; v >= 0; v -= 1000)
        expected.push_back(v);
    ExpectValues(LabelValues(0, 10000, 1000, true), expected);
}

TEST(AxisLabelValues, FractionalStepFromTheRoundedMaximum)
{
    ExpectValues(LabelValues(0.31, 0.79, StepForCount(10, 0.48, 0, 10), true),
                 {0.75, 0.7, 0.65, 0.6, 0.55, 0.5, 0.45, 0.4, 0.35});
}

TEST(AxisLabelValues, IncrementTwoOnZeroToTen)
{
    ExpectValues(LabelValues(0, 10, 2, true), {10, 8, 6, 4, 2, 0});
}

TEST(AxisLabelValues, UnroundedFirstLabelStartsAtTheMaximum)
{
    ExpectValues(LabelValues(0.3, 10.3, 1, false),
                 {10.3, 9.3, 8.3, 7.3, 6.3, 5.3, 4.3, 3.3, 2.3, 1.3, 0.3});
}

TEST(AxisLabelValues, RoundedFirstLabelOfANegativeMaximumIsBelowIt)
{
    // Trunc(-2.5 / 1) = -2 lies above the maximum and is stepped down first.
    ExpectValues(LabelValues(-5.5, -2.5, 1, true), {-3, -4, -5});
}

TEST(AxisLabelValues, SingleValueRangeHasOneLabel)
{
    ExpectValues(LabelValues(5, 5, MinLabelStep, true), {5});
    // Subtracting the smallest step from so large a value changes nothing.
    ExpectValues(LabelValues(1E20, 1E20, MinLabelStep, true), {1E20});
}

TEST(AxisLabelValues, LabelOnANegativeMinimumIsKept)
{
    ExpectValues(LabelValues(-10, 10, 5, true), {10, 5, 0, -5, -10});
    ExpectValues(LabelValues(-1E6, 0, 5E5, true), {0, -5E5, -1E6});
}

TEST(AxisLabelValues, LabelAHairBelowTheMinimumIsKept)
{
    const std::vector<double> values = LabelValues(0.1 + 0.2, 1, 0.1, true);
    ASSERT_FALSE(values.empty());
    EXPECT_NEAR(values.back(), 0.3, 1E-12);
}

TEST(AxisLabelValues, TenThousandLabelsOrMoreGiveNone)
{
    EXPECT_TRUE(LabelValues(0, 10000, 1, true).empty());
    EXPECT_EQ(LabelValues(0, 9999, 1, true).size(), 10000u);
    // The first drawing of a chart: no placement, smallest step.
    EXPECT_TRUE(LabelValues(-0.2, 1.2, MinLabelStep, true).empty());
}

TEST(AxisLabelValues, ReversedRangeOrUnusableStepGiveNone)
{
    EXPECT_TRUE(LabelValues(2, 1, 1, true).empty());
    EXPECT_TRUE(LabelValues(0, 10, 0, true).empty());
    EXPECT_TRUE(LabelValues(0, 10, -1, true).empty());
    EXPECT_TRUE(LabelValues(0, HUGE_VAL, 1, true).empty());
}

TEST(AxisLabelValues, StepLostInTheValuesPrecisionEnds)
{
    // 1E17 - 0.01 == 1E17: the values stop moving, so must the labels.
    const std::vector<double> values = LabelValues(1E17, 1E17 + 64, 0.01, true);
    EXPECT_LE(values.size(), 2u);
}

TEST(AxisGrid, CenteredGridLiesMidwayBetweenTicks)
{
    EXPECT_EQ(CenteredGridPositions({300, 200, 100}), (std::vector<int>{250, 150}));
    // Halves round to even.
    EXPECT_EQ(CenteredGridPositions({5, 2, 0}), (std::vector<int>{4, 1}));
    EXPECT_TRUE(CenteredGridPositions({100}).empty());
    EXPECT_TRUE(CenteredGridPositions({}).empty());
}

TEST(AxisMinorTicks, DivideIntervalsAndContinueBeyondTheEnds)
{
    struct Row
    {
        const char* name;
        std::vector<int> ticks;
        int count;
        bool extend;
        int start, end;
        std::vector<int> expected;
    };
    const std::vector<Row> rows = {
        // A vertical axis: the label 1 at y 30, the label 0 at y 130.
        {"VerticalTwoLabels", {30, 130}, 3, true, 0, 200, {5, 155, 180, 105, 80, 55}},
        {"OutsideTheAxisDropped", {30, 130}, 3, true, 10, 150, {105, 80, 55}},
        {"EndPixelsExcluded", {30, 130}, 3, true, 5, 180, {155, 105, 80, 55}},
        // A horizontal axis lists its ticks right to left.
        {"HorizontalRounding", {10, 0}, 3, true, -100, 100, {12, -2, 15, -5, 18, -8, 2, 5, 8}},
        {"NotContinuedWhenAsked", {10, 0}, 3, false, -100, 100, {2, 5, 8}},
        {"OneTickHasNoInterval", {50}, 3, true, 0, 100, {}},
        {"NoMinorTicks", {30, 130}, 0, true, 0, 200, {}},
        {"NegativeCount", {30, 130}, -1, true, 0, 200, {}},
        {"NoTicks", {}, 3, true, 0, 200, {}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(MinorTickPositions(row.ticks, row.count, row.extend, row.start, row.end),
                  row.expected)
            << row.name;
}

TEST(AxisTickLayout, RulesChooseTheLabelsAndTicksKept)
{
    // Axis from pixel 10 to 100; 10 and 100 are on its ends, 0 and 130 beyond them.
    const std::vector<int> pixels = {0, 10, 40, 70, 100, 130};
    const std::vector<int> all = pixels;
    const std::vector<int> inside = {40, 70};
    const std::vector<int> none;
    struct Row
    {
        const char* name;
        TTickRules rules;
        std::vector<int> labels;
        std::vector<int> ticks;
        std::vector<int> minorTicks;
    };
    const Row rows[] = {
        {"Default", {true, true, true, 0, true}, all, all, none},
        {"LabelsOffAxisDropped", {true, false, true, 0, true}, inside, inside, none},
        {"NoLabelsNoTicksOnLabelsOnly", {false, true, true, 0, true}, none, none, none},
        {"NoLabelsTicksStay", {false, true, false, 0, true}, none, all, none},
        // Spacing 30 / 3 = 10 continued outward from 40 and 70, then the interval's own.
        {"MinorExtended", {true, false, true, 2, true}, inside, inside, {30, 80, 20, 90, 60, 50}},
        {"MinorNotExtended", {true, false, true, 2, false}, inside, inside, {60, 50}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<TTickLayout::TLabel> candidates;
        for (int p : pixels)
            candidates.push_back({p, "L" + std::to_string(p)});
        const TTickLayout layout = LayoutTicks(candidates, row.rules, 10, 100);
        std::vector<int> labelPixels;
        for (const TTickLayout::TLabel& label : layout.Labels) {
            EXPECT_EQ(label.Text, "L" + std::to_string(label.Pixel));
            labelPixels.push_back(label.Pixel);
        }
        EXPECT_EQ(labelPixels, row.labels);
        EXPECT_EQ(layout.Ticks, row.ticks);
        EXPECT_EQ(layout.MinorTicks, row.minorTicks);
    }
}

TEST(AxisTickLayout, TicksStopAtCapacityButLabelsGoOn)
{
    std::vector<TTickLayout::TLabel> candidates;
    for (int i = 0; i < MaxTickCount + 5; ++i)
        candidates.push_back({i, std::to_string(i)});
    const TTickLayout layout = LayoutTicks(candidates, TTickRules{}, -1, MaxTickCount + 5);
    ASSERT_EQ(layout.Labels.size(), static_cast<size_t>(MaxTickCount + 5));
    EXPECT_EQ(layout.Labels.back().Text, std::to_string(MaxTickCount + 4));
    ASSERT_EQ(layout.Ticks.size(), static_cast<size_t>(MaxTickCount));
    EXPECT_EQ(layout.Ticks.back(), MaxTickCount - 1);
}

TEST(AxisLabelLayout, LinesSplitAtCarriageReturns)
{
    EXPECT_TRUE(LabelLines("").empty());
    EXPECT_EQ(LabelLines("12"), (std::vector<std::string>{"12"}));
    EXPECT_EQ(LabelLines("12\r"), (std::vector<std::string>{"12"}));
    EXPECT_EQ(LabelLines("a\rb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(LabelLines("a\r\rb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(LabelLines("\r"), (std::vector<std::string>{""}));
}

TEST(AxisLabelLayout, VerticalLabelsAreCentredOnTheirTick)
{
    EXPECT_EQ(CenteredLabelTop(100, 13, 1), 94);
    EXPECT_EQ(CenteredLabelTop(100, 14, 1), 93);
    // 100 - 6 - Round(19.5) + 13, the half rounding to even.
    EXPECT_EQ(CenteredLabelTop(100, 13, 2), 87);
    EXPECT_EQ(CenteredLabelTop(100, 14, 2), 86);
    EXPECT_EQ(CenteredLabelTop(100, 13, 3), 81);
}

TEST(AxisLabelLayout, PositionPercentMovesIntoTheChart)
{
    struct Row
    {
        double percent;
        bool horizontal, farSide;
        int expected;
    };
    const Row rows[] = {
        {0, true, false, 200},   {50, true, false, 150}, {50, true, true, 250},
        {50, false, false, 250}, {50, false, true, 150}, {2.5, true, false, 198},
        {-10, true, false, 210},
    };
    for (const Row& row : rows)
        EXPECT_EQ(OffsetByPositionPercent(200, row.percent, 100, row.horizontal, row.farSide),
                  row.expected)
            << row.percent << " " << row.horizontal << " " << row.farSide;
}

// The label methods of an axis, on a chart that is laid out but not drawn.
class AxisLabelMethods : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FormatSettings().ThousandSeparator = ',';
        FormatSettings().DecimalSeparator = '.';
        FChart.SetView3D(false);
        FImage.SetSize(200, 200);
        FChart.Canvas3D()->SetReferenceCanvas(FImage.Canvas());
        FSeries = new TChartSeries();
        FChart.AddSeries(FSeries);
    }
    void TearDown() override { FormatSettings() = FSaved; }

    // Range and placement of every axis on a chart rectangle.
    void Place(const TRect& chartRect)
    {
        for (TCustomChartAxis* axis : FChart.AxesList())
            axis->ComputeAutoRange();
        FChart.SetChartRect(chartRect);
        for (TCustomChartAxis* axis : FChart.AxesList())
            axis->PlaceOnChartRect();
    }

    TFormatSettings FSaved = FormatSettings();
    TCustomAxisPanel FChart;
    TBitmap FImage;
    TChartSeries* FSeries = nullptr;
};

TEST_F(AxisLabelMethods, LabelTextUsesTheFormatAndTheRegionalSeparators)
{
    TChartAxis* axis = FChart.BottomAxis();
    EXPECT_EQ(axis->LabelText(1234.5678), "1,234.568");
    EXPECT_EQ(axis->LabelText(0.2), "0.2");
    EXPECT_EQ(axis->LabelText(-0.0), "0");
    FormatSettings().ThousandSeparator = '\xA0';
    FormatSettings().DecimalSeparator = ',';
    EXPECT_EQ(axis->LabelText(-1234.5), "-1\xA0"
                                        "234,5");
    axis->SetAxisValuesFormat("0.00");
    EXPECT_EQ(axis->LabelText(2), "2,00");
}

TEST_F(AxisLabelMethods, LabelTextPassesThroughTheHookThenSplitsLines)
{
    TChartAxis* axis = FChart.LeftAxis();
    TCustomChartAxis* seenAxis = nullptr;
    TChartSeries* seenSeries = FSeries;
    int seenIndex = 0;
    FChart.OnGetAxisLabel = [&](TCustomChartAxis* sender, TChartSeries* series, int index,
                                std::string& text) {
        seenAxis = sender;
        seenSeries = series;
        seenIndex = index;
        text += " V";
    };
    axis->SetLabelsMultiLine(true);
    EXPECT_EQ(axis->LabelText(1000), "1,000\rV");
    EXPECT_EQ(seenAxis, axis);
    EXPECT_EQ(seenSeries, nullptr);
    EXPECT_EQ(seenIndex, -1);
}

TEST_F(AxisLabelMethods, EffectiveLabelStyle)
{
    TChartAxis* bottom = FChart.BottomAxis();
    TChartAxis* left = FChart.LeftAxis();
    TChartAxis* top = FChart.TopAxis();
    FSeries->AddPoint(1, 2);
    EXPECT_EQ(bottom->EffectiveLabelStyle(), talValue);
    EXPECT_EQ(left->EffectiveLabelStyle(), talValue);
    EXPECT_EQ(top->EffectiveLabelStyle(), talNone);
    left->SetLabelStyle(talMark);
    EXPECT_EQ(left->EffectiveLabelStyle(), talMark);

    // Point texts label the axis the X values run along, not the other one.
    TChartSeries* named = new TChartSeries();
    FChart.AddSeries(named);
    named->AddPoint(0, 0, "start");
    EXPECT_EQ(bottom->EffectiveLabelStyle(), talText);
    left->SetLabelStyle(talAuto);
    EXPECT_EQ(left->EffectiveLabelStyle(), talValue);

    FSeries->SetActive(false);
    named->SetActive(false);
    EXPECT_EQ(bottom->EffectiveLabelStyle(), talNone);
}

TEST_F(AxisLabelMethods, TickAxisSize)
{
    struct Row
    {
        const char* name;
        bool axisVisible, ticksVisible, minorVisible;
        int axisWidth, tickLength, minorLength, expected;
    };
    const Row rows[] = {
        {"Defaults", true, true, true, 2, 4, 2, 6},
        {"NoAxisLine", false, true, true, 2, 4, 2, 4},
        {"NoTicks", true, false, true, 2, 4, 2, 2},
        {"LongMinorTicks", true, true, true, 2, 4, 9, 9},
        {"HiddenLongMinorTicks", true, true, false, 2, 4, 9, 6},
        {"WideAxisLine", true, true, true, 5, 4, 2, 9},
        {"Nothing", false, false, false, 2, 4, 2, 0},
    };
    for (const Row& row : rows) {
        TChartAxis* axis = FChart.BottomAxis();
        axis->Axis()->SetVisible(row.axisVisible);
        axis->Axis()->SetWidth(row.axisWidth);
        axis->Ticks()->SetVisible(row.ticksVisible);
        axis->SetTickLength(row.tickLength);
        axis->MinorTicks()->SetVisible(row.minorVisible);
        axis->SetMinorTickLength(row.minorLength);
        EXPECT_EQ(axis->TickAxisSize(), row.expected) << row.name;
    }
}

TEST_F(AxisLabelMethods, StepsOfThePlacedAxes)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10000, 1);
    TChartAxis* left = FChart.LeftAxis();
    left->SetAutomatic(false);
    left->SetMinimum(-0.2);
    left->SetMaximum(1.2);
    Place(Rect(20, 10, 620, 160));
    EXPECT_EQ(left->PixelLength, 150);
    EXPECT_EQ(left->LabelStep(), 1);
    EXPECT_EQ(FChart.BottomAxis()->LabelStep(), 1000);
    EXPECT_EQ(left->StepForLabelCount(11), 1);
    left->SetIncrement(0.5);
    EXPECT_EQ(left->StepForLabelCount(11), 0.5);
    EXPECT_EQ(left->StepForLabelCount(2), 1);
    EXPECT_EQ(TCustomChartAxis::NextLabelStep(20), 50);
}

TEST_F(AxisLabelMethods, StepBeforeTheFirstPlacementIsTheSmallest)
{
    FSeries->AddPoint(0, 0);
    FSeries->AddPoint(10000, 1);
    for (TCustomChartAxis* axis : FChart.AxesList())
        axis->ComputeAutoRange();
    EXPECT_EQ(FChart.BottomAxis()->LabelStep(), MinLabelStep);
}

TEST_F(AxisLabelMethods, WidestLabelMeasuresTheRoundedOrExactExtremes)
{
    FSeries->AddPoint(0.3, 0);
    FSeries->AddPoint(10.3, 1);
    Place(Rect(20, 10, 620, 160));
    TChartAxis* bottom = FChart.BottomAxis();
    bottom->SetIncrement(1);
    ASSERT_EQ(bottom->LabelStep(), 1);
    TCanvas* canvas = FImage.Canvas();
    canvas->Font()->Assign(bottom->LabelsFont());
    const int space = canvas->TextWidth(" ");
    // The hook must not take part, and must be back afterwards.
    FChart.OnGetAxisLabel = [](TCustomChartAxis*, TChartSeries*, int, std::string& text) {
        text = "a much longer label text";
    };
    EXPECT_EQ(bottom->WidestLabelSize(),
              std::max(canvas->TextWidth("10"), canvas->TextWidth("0")) + space);
    EXPECT_TRUE(static_cast<bool>(FChart.OnGetAxisLabel));
    bottom->SetRoundFirstLabel(false);
    EXPECT_EQ(bottom->WidestLabelSize(),
              std::max(canvas->TextWidth("10.3"), canvas->TextWidth("0.3")) + space);
    bottom->SetLabelStyle(talNone);
    EXPECT_EQ(bottom->WidestLabelSize(), 0);
}

} // namespace
