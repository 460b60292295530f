// Annotations in a chart against a plain model of what they cover: seeded random items at
// random zooms must touch exactly the band's columns their spans map to, leave every pixel
// outside the band as the chart without them draws it, and show an error red even when many
// items share its pixel column.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "toolkit/Graphics.h"

namespace {

class TVectorSource : public TChartAnnotationSource
{
public:
    std::vector<TAnnotationSpan> Items;
    double Longest = 0;

    size_t AnnotationCount() const override { return Items.size(); }
    size_t FirstReaching(double time) const override
    {
        return static_cast<size_t>(
            std::lower_bound(Items.begin(), Items.end(), time - Longest,
                             [](const TAnnotationSpan& s, double t) { return s.Start < t; }) -
            Items.begin());
    }
    size_t FirstAfter(double time) const override
    {
        return static_cast<size_t>(
            std::upper_bound(Items.begin(), Items.end(), time,
                             [](double t, const TAnnotationSpan& s) { return t < s.Start; }) -
            Items.begin());
    }
    void Spans(size_t first, size_t count, TAnnotationSpan* spans) const override
    {
        std::copy_n(Items.begin() + static_cast<std::ptrdiff_t>(first), count, spans);
    }
    std::string Label(size_t item) const override { return std::to_string(item % 256); }
};

constexpr int Width = 600;
constexpr int Height = 160;

void Configure(TChart& chart, double low, double high, bool inverted)
{
    chart.SetBounds(0, 0, Width, Height);
    chart.SetView3D(false);
    chart.BackWall()->Brush()->SetColor(clWhite);
    chart.BackWall()->Brush()->SetStyle(bsClear);
    chart.Title()->Text()->SetLines({""});
    chart.Legend()->SetVisible(false);
    chart.LeftAxis()->SetAxisRange(-0.2, 1.2);
    chart.BottomAxis()->SetAxisRange(low, high);
    chart.BottomAxis()->SetInverted(inverted);
    auto* series = new TLineSeries();
    series->SetSeriesColor(clRed);
    series->SetParentChart(&chart);
    for (int i = 0; i <= 200; ++i)
        series->AddPoint(i * 50.0, (i / 3) % 2, std::string(), clSeriesDefault);
}

struct TCase
{
    const char* Name;
    int Items;
    // Longest item, in time units (the whole range is 10000).
    double MaxSpan;
    double Low;
    double High;
    bool Inverted;
};

TEST(Annotations, CoverExactlyTheirColumnsAndNothingOutsideTheBand)
{
    const TCase cases[] = {
        {"sparse full range", 300, 60, 0, 10000, false},
        {"dense full range", 200000, 3, 0, 10000, false},
        {"dense at 1% zoom", 200000, 3, 4000, 4100, false},
        {"wide boxes zoomed", 400, 200, 2000, 3000, false},
        {"inverted axis", 3000, 20, 0, 10000, true},
        {"long item from before the range", 50, 9000, 5000, 5200, false},
    };
    std::mt19937 rng(20261208);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TVectorSource source;
        std::uniform_real_distribution<double> at(0, 10000);
        std::uniform_real_distribution<double> span(0, c.MaxSpan);
        std::bernoulli_distribution error(0.05);
        for (int i = 0; i < c.Items; ++i) {
            const double start = at(rng);
            source.Items.push_back({start, start + span(rng), error(rng)});
        }
        std::sort(
            source.Items.begin(), source.Items.end(),
            [](const TAnnotationSpan& a, const TAnnotationSpan& b) { return a.Start < b.Start; });
        for (const TAnnotationSpan& s : source.Items)
            source.Longest = std::max(source.Longest, s.End - s.Start);

        TChart plain;
        TChart annotated;
        Configure(plain, c.Low, c.High, c.Inverted);
        Configure(annotated, c.Low, c.High, c.Inverted);
        annotated.SetAnnotations(&source);
        TBitmap expected;
        TBitmap actual;
        expected.SetSize(Width, Height);
        actual.SetSize(Width, Height);
        plain.RenderTo(expected.Canvas(), TRect{0, 0, Width, Height});
        annotated.RenderTo(actual.Canvas(), TRect{0, 0, Width, Height});
        const TRect band = annotated.AnnotationBand();
        ASSERT_GT(band.Bottom - band.Top, 8);

        int outside = 0;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (!band.Contains(x, y) && actual.PixelColor(x, y) != expected.PixelColor(x, y))
                    ++outside;
        EXPECT_EQ(outside, 0);

        // The model: an item touches the columns from its start's pixel to its end's.
        const TCustomChartAxis* axis = annotated.BottomAxis();
        std::vector<int> covered(Width, 0);
        std::vector<int> errorOnly(Width, 0);
        for (const TAnnotationSpan& s : source.Items) {
            if (s.End < c.Low || s.Start > c.High) continue;
            int x0 = axis->ValueToPixel(std::clamp(s.Start, c.Low, c.High));
            int x1 = axis->ValueToPixel(std::clamp(s.End, c.Low, c.High));
            if (x1 < x0) std::swap(x0, x1);
            // Narrower than a box, an item is a mark at its start.
            if (x1 - x0 < 4) x1 = x0;
            for (int x = std::max(x0, 0); x <= std::min(x1, Width - 1); ++x)
                covered[static_cast<size_t>(x)] = 1;
            if (s.Error) errorOnly[static_cast<size_t>(x0)] += 1;
        }
        // Where every item is a mark, none can paint over an error's column.
        const bool allMarks = c.MaxSpan * Width / (c.High - c.Low) < 1;
        int wrong = 0;
        int redMissing = 0;
        const int row = band.Bottom - 2;
        for (int x = band.Left; x < band.Right; ++x) {
            const bool drawn = actual.PixelColor(x, row) != expected.PixelColor(x, row);
            const bool model = covered[static_cast<size_t>(x)] != 0;
            if (drawn != model) ++wrong;
            if (allMarks && errorOnly[static_cast<size_t>(x)] > 0) {
                bool red = false;
                for (int y = band.Top; y < band.Bottom && !red; ++y)
                    red = actual.PixelColor(x, y) == clRed;
                if (!red) ++redMissing;
            }
        }
        // Rounding of the two mappings may differ at a tie: a column at most per edge.
        EXPECT_LE(wrong, 2) << "columns drawn against the model";
        EXPECT_EQ(redMissing, 0);
    }
}

} // namespace
