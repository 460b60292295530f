// The line series' fast drawing (binary-searched drawn range, one span per pixel column)
// against the plain one (a linear scan and every point through PaintPoint): seeded random
// and square-wave series must give the very same pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "toolkit/Graphics.h"

namespace {

// The straightforward drawing, kept as the reference.
class TReferenceLineSeries : public TLineSeries
{
public:
    using TLineSeries::TLineSeries;
    void ComputeDrawnRange() override { TChartSeries::ComputeDrawnRange(); }
    void PaintAllPoints() override
    {
        if (FirstDrawnIndex() < 0) return;
        for (int i = FirstDrawnIndex(); i <= LastDrawnIndex(); ++i)
            PaintPoint(i);
    }
};

struct TPointData
{
    double x = 0;
    double y = 0;
    TColor color = clSeriesDefault;
};

struct TCase
{
    std::string name;
    int width = 894;
    int height = 184;
    std::vector<TPointData> points;
    bool fixedValueAxis = true;
    double valueLow = -0.2;
    double valueHigh = 1.2;
    bool zoomTime = false;
    double timeLow = 0;
    double timeHigh = 0;
    bool invertTime = false;
    bool colorEachPoint = false;
    int penWidth = 1;
    double valueMultiplier = 1;
};

std::string OutputDir()
{
    const char* dir = std::getenv("LOGVIEW_BINARY_DIR");
    return dir != nullptr ? dir : ".";
}

template <class TSeries> void Configure(TChart& chart, TSeries*& series, const TCase& c)
{
    chart.SetBounds(0, 0, c.width, c.height);
    chart.SetView3D(false);
    chart.BackWall()->Brush()->SetColor(clWhite);
    chart.BackWall()->Brush()->SetStyle(bsClear);
    chart.Title()->Text()->SetLines({""});
    chart.Legend()->SetVisible(false);
    if (c.fixedValueAxis) {
        chart.LeftAxis()->SetAxisRange(c.valueLow, c.valueHigh);
    }
    if (c.zoomTime) chart.BottomAxis()->SetAxisRange(c.timeLow, c.timeHigh);
    chart.BottomAxis()->SetInverted(c.invertTime);
    series = new TSeries();
    series->SetSeriesColor(clRed);
    series->SetColorEachPoint(c.colorEachPoint);
    series->LinePen()->SetWidth(c.penWidth);
    series->YValues()->SetMultiplier(c.valueMultiplier);
    series->SetParentChart(&chart);
    for (const TPointData& p : c.points)
        series->AddPoint(p.x, p.y, std::string(), p.color);
}

void ExpectSamePixels(const TCase& c)
{
    SCOPED_TRACE(c.name);
    TChart fastChart;
    TChart referenceChart;
    TLineSeries* fast = nullptr;
    TReferenceLineSeries* reference = nullptr;
    Configure(fastChart, fast, c);
    Configure(referenceChart, reference, c);
    TBitmap actual;
    TBitmap expected;
    actual.SetSize(c.width, c.height);
    expected.SetSize(c.width, c.height);
    fastChart.RenderTo(actual.Canvas(), TRect{0, 0, c.width, c.height});
    referenceChart.RenderTo(expected.Canvas(), TRect{0, 0, c.width, c.height});

    EXPECT_EQ(fast->FirstDrawnIndex(), reference->FirstDrawnIndex());
    EXPECT_EQ(fast->LastDrawnIndex(), reference->LastDrawnIndex());
    EXPECT_EQ(fast->PrevPixelX(), reference->PrevPixelX());
    EXPECT_EQ(fast->PrevPixelY(), reference->PrevPixelY());
    EXPECT_EQ(fast->PrevColor(), reference->PrevColor());
    int differing = 0;
    int firstX = -1;
    int firstY = -1;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            if (actual.PixelColor(x, y) != expected.PixelColor(x, y)) {
                if (differing++ == 0) {
                    firstX = x;
                    firstY = y;
                }
            }
    if (differing > 0) {
        const std::string stem = OutputDir() + "/drawsameness_" + c.name;
        actual.SaveToFile(stem + "_actual.png");
        expected.SaveToFile(stem + "_expected.png");
        ADD_FAILURE() << differing << " pixels differ, first at (" << firstX << ", " << firstY
                      << "); pictures: " << stem << "_{actual,expected}.png";
    }
}

// Two points per time stamp, as the viewer builds its waveform.
std::vector<TPointData> SquareWave(std::mt19937& rng, int samples, int maxGap)
{
    std::uniform_int_distribution<int> gap(1, maxGap);
    std::bernoulli_distribution flip(0.5);
    std::vector<TPointData> points{{0, 0}};
    int bit = 0;
    double time = 0;
    for (int i = 0; i < samples; ++i) {
        time += gap(rng);
        const int next = flip(rng) ? 1 - bit : bit;
        points.push_back({time, static_cast<double>(bit)});
        points.push_back({time, static_cast<double>(next)});
        bit = next;
    }
    return points;
}

std::vector<TPointData> RandomPoints(std::mt19937& rng, int count, double yLow, double yHigh,
                                     bool colours, bool duplicates)
{
    std::uniform_real_distribution<double> step(0, 3);
    std::uniform_real_distribution<double> value(yLow, yHigh);
    std::uniform_int_distribution<int> pick(0, 9);
    const TColor palette[] = {clSeriesDefault, clSeriesDefault, clSeriesDefault, clBlue, clNone};
    std::vector<TPointData> points;
    double x = 0;
    for (int i = 0; i < count; ++i) {
        // Equal X values in a row, as in a square wave.
        if (!duplicates || pick(rng) > 2) x += std::floor(step(rng) * 4) / 4;
        TPointData p{x, value(rng)};
        if (colours) p.color = palette[pick(rng) % 5];
        points.push_back(p);
    }
    return points;
}

TEST(DrawSameness, SquareWavesInFullAndZoomedViews)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 24; ++round) {
        TCase c;
        c.name = "square" + std::to_string(round);
        const int samples = std::uniform_int_distribution<int>(1, 60000)(rng);
        c.points = SquareWave(rng, samples, round % 3 == 0 ? 1 : 50);
        const double end = c.points.back().x;
        if (round % 2 == 1) {
            std::uniform_real_distribution<double> where(-0.1 * end, end);
            const double a = where(rng);
            const double span = std::uniform_real_distribution<double>(0.0005, 0.3)(rng) * end;
            c.zoomTime = true;
            c.timeLow = a;
            c.timeHigh = a + span;
        }
        c.invertTime = round % 7 == 3;
        c.width = round % 4 == 0 ? 300 : 894;
        ExpectSamePixels(c);
    }
}

TEST(DrawSameness, RandomSeriesWithColoursNullsAndFarPoints)
{
    std::mt19937 rng(4711);
    for (int round = 0; round < 40; ++round) {
        TCase c;
        c.name = "random" + std::to_string(round);
        const int count = std::uniform_int_distribution<int>(0, 20000)(rng);
        const bool colours = round % 3 == 1;
        // Values far beyond the fixed value axis map past 32767 pixels, or beyond 2^31.
        const double spread = round % 5 == 2 ? 1e7 : (round % 5 == 4 ? 1e14 : 1.5);
        c.points = RandomPoints(rng, count, -spread, spread, colours, round % 2 == 0);
        // Values no pixel can stand for are drawn at the axis centre.
        if (round % 8 == 3)
            for (size_t i = 7; i < c.points.size(); i += 97)
                c.points[i].y = i % 3 == 0 ? NAN : (i % 3 == 1 ? INFINITY : -INFINITY);
        c.fixedValueAxis = round % 6 != 5;
        c.colorEachPoint = round % 9 == 8;
        c.penWidth = round % 10 == 7 ? 2 : 1;
        // Stored values read through a multiplier, negative ones turning the wave over.
        if (round % 4 == 3) c.valueMultiplier = round % 8 == 3 ? -0.5 : 0.75;
        if (round % 2 == 1 && count > 0) {
            const double end = c.points.back().x;
            const double a = std::uniform_real_distribution<double>(-5, end)(rng);
            c.zoomTime = true;
            c.timeLow = a;
            c.timeHigh = a + std::uniform_real_distribution<double>(0.01, end / 4 + 1)(rng);
        }
        c.invertTime = round % 11 == 6;
        ExpectSamePixels(c);
    }
}

TEST(DrawSameness, DenseColumnsWithAndWithoutColoursOfTheirOwn)
{
    // Hundreds of points per pixel column: a whole column is one run only while no point has
    // a colour of its own and the palette is off. A stretch of coloured or null points a few
    // columns wide must still show, wherever it lies.
    struct TRow
    {
        const char* name;
        int from; // negative: counted from the end
        int count;
        TColor mark;
        bool colorEachPoint;
    };
    const TRow rows[] = {
        {"plain", 0, 0, clSeriesDefault, false},
        {"blueStretch", 123457, 3000, clBlue, false},
        {"nullStretch", 123457, 3000, clNone, false},
        {"blueFromStart", 1, 3000, clBlue, false},
        {"blueToEnd", -3000, 3000, clBlue, false},
        {"onePointBeforeTheLast", -2, 1, clBlue, false},
        {"palette", 0, 0, clSeriesDefault, true},
        {"paletteAndBlue", 98765, 3000, clBlue, true},
    };
    for (const TRow& row : rows) {
        std::mt19937 rng(777);
        TCase c;
        c.name = std::string("dense_") + row.name;
        c.points = SquareWave(rng, 200000, 1);
        const int size = static_cast<int>(c.points.size());
        const int from = row.from < 0 ? size + row.from : row.from;
        for (int i = from; i < from + row.count; ++i)
            c.points[static_cast<size_t>(i)].color = row.mark;
        c.colorEachPoint = row.colorEachPoint;
        ExpectSamePixels(c);
    }
}

TEST(DrawSameness, UnmappableValuesAmongDensePoints)
{
    // Values near the top edge with NaN and infinities among them: those map to the axis
    // centre, far from the span the others cover.
    std::mt19937 rng(31337);
    for (int round = 0; round < 6; ++round) {
        TCase c;
        c.name = "unmappable" + std::to_string(round);
        c.points = RandomPoints(rng, 30000, 1.0, 1.15, false, true);
        for (size_t i = static_cast<size_t>(round); i < c.points.size(); i += 50 + round)
            c.points[i].y = round % 3 == 0 ? NAN : (round % 3 == 1 ? INFINITY : -INFINITY);
        ExpectSamePixels(c);
    }
}

TEST(DrawSameness, DrawnRangeOfBinarySearchMatchesTheScan)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 300; ++round) {
        TCase c;
        c.name = "range" + std::to_string(round);
        c.width = 200;
        c.height = 100;
        c.points =
            RandomPoints(rng, std::uniform_int_distribution<int>(0, 40)(rng), 0, 1, false, true);
        const double end = c.points.empty() ? 1 : c.points.back().x;
        std::uniform_real_distribution<double> where(-5, end + 5);
        double a = where(rng);
        double b = where(rng);
        if (a > b) std::swap(a, b);
        c.zoomTime = true;
        c.timeLow = a;
        c.timeHigh = b;
        c.invertTime = round % 4 == 1;
        SCOPED_TRACE(c.name);
        TChart fastChart;
        TChart referenceChart;
        TLineSeries* fast = nullptr;
        TReferenceLineSeries* reference = nullptr;
        Configure(fastChart, fast, c);
        Configure(referenceChart, reference, c);
        for (bool includeNext : {true, false}) {
            fast->SetIncludeNextOutside(includeNext);
            reference->SetIncludeNextOutside(includeNext);
            TBitmap image;
            image.SetSize(c.width, c.height);
            fastChart.RenderTo(image.Canvas(), TRect{0, 0, c.width, c.height});
            referenceChart.RenderTo(image.Canvas(), TRect{0, 0, c.width, c.height});
            ASSERT_EQ(fast->FirstDrawnIndex(), reference->FirstDrawnIndex()) << includeNext;
            ASSERT_EQ(fast->LastDrawnIndex(), reference->LastDrawnIndex()) << includeNext;
        }
    }
}

} // namespace
