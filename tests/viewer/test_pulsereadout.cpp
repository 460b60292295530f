// The pointer's readout over hand-made square waves, built as the waveform build builds
// them, and its text in the time axis' number format.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "toolkit/CodePage.h"
#include "toolkit/FormatFloat.h"
#include "viewer/PulseReadout.h"

namespace {

struct TWave
{
    std::vector<double> X;
    std::vector<double> Y;
};

// (0, 0), then per sample the previous bit and the new one at its time, placed by time
// with equal times in the order added.
TWave Build(const std::vector<std::pair<int, int>>& samples)
{
    std::vector<std::pair<double, double>> points{{0, 0}};
    int previous = 0;
    for (const auto& [time, bit] : samples) {
        points.emplace_back(time, previous);
        points.emplace_back(time, bit);
        previous = bit;
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    TWave wave;
    for (const auto& [x, y] : points) {
        wave.X.push_back(x);
        wave.Y.push_back(y);
    }
    return wave;
}

} // namespace

TEST(PulseReadout, LevelStretchPeriodAndDuty)
{
    // Levels: 0 to 10, 1 to 20, 0 to 30, 1 to 45, 0 to the end at 60 (60 repeats the 0).
    const TWave uneven = Build({{10, 1}, {20, 0}, {30, 1}, {45, 0}, {60, 0}});
    // A dip of no width at 20 is no edge.
    const TWave spike = Build({{10, 1}, {20, 0}, {20, 1}, {30, 0}, {40, 1}, {50, 0}});
    // The first sample at time 0 sets the level there at once.
    const TWave atZero = Build({{0, 1}, {10, 0}});
    struct Row
    {
        const char* name;
        const TWave& wave;
        double time;
        bool valid;
        double level, start, end;
        bool startEdge, endEdge, hasPeriod;
        double period, duty;
    } rows[] = {
        {"before the first pulse", uneven, 5, true, 0, 0, 10, false, true, false, 0, 0},
        {"first pulse: next cycle", uneven, 15, true, 1, 10, 20, true, true, true, 20, 0.5},
        {"on an edge: the new level", uneven, 20, true, 0, 20, 30, true, true, true, 25, 0.6},
        {"last pulse: previous cycle", uneven, 35, true, 1, 30, 45, true, true, true, 25, 0.6},
        {"level with one edge", uneven, 50, true, 0, 45, 60, true, false, false, 0, 0},
        {"last point's time", uneven, 60, true, 0, 45, 60, true, false, false, 0, 0},
        {"after the last point", uneven, 60.5, false, 0, 0, 0, false, false, false, 0, 0},
        {"before the first point", uneven, -1, false, 0, 0, 0, false, false, false, 0, 0},
        {"spike of no width", spike, 25, true, 1, 10, 30, true, true, true, 30, 2.0 / 3},
        {"equal times at the start", atZero, 0, true, 1, 0, 10, false, true, false, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TPulseReadout r = MeasurePulse(row.wave.X, row.wave.Y, row.time);
        ASSERT_EQ(r.Valid, row.valid);
        if (!r.Valid) continue;
        EXPECT_EQ(r.Level, row.level);
        EXPECT_EQ(r.Start, row.start);
        EXPECT_EQ(r.End, row.end);
        EXPECT_EQ(r.StartIsEdge, row.startEdge);
        EXPECT_EQ(r.EndIsEdge, row.endEdge);
        EXPECT_EQ(r.HasPeriod, row.hasPeriod);
        EXPECT_DOUBLE_EQ(r.Period, row.period);
        EXPECT_DOUBLE_EQ(r.Duty, row.duty);
        // The cached stretch serves exactly the times a fresh measurement puts in it.
        for (double t = row.start - 0.5; t <= row.end + 0.5; t += 0.5) {
            const TPulseReadout fresh = MeasurePulse(row.wave.X, row.wave.Y, t);
            if (r.Covers(t)) {
                EXPECT_TRUE(fresh.Start == r.Start && fresh.End == r.End) << t;
            }
        }
    }
}

TEST(PulseReadout, NearestEdge)
{
    const TWave uneven = Build({{10, 1}, {20, 0}, {30, 1}, {45, 0}, {60, 0}});
    const std::pair<double, double> rows[] = {
        {24, 20}, {25, 20}, {26, 30}, {-5, 10}, {0, 10}, {100, 45}, {45, 45}, {52, 45},
    };
    for (const auto& [time, edge] : rows) {
        double found = -1;
        EXPECT_TRUE(NearestEdge(uneven.X, uneven.Y, time, found)) << time;
        EXPECT_EQ(found, edge) << time;
    }
    const TWave flat = Build({{10, 0}, {20, 0}});
    double found = -1;
    EXPECT_FALSE(NearestEdge(flat.X, flat.Y, 15, found));
}

TEST(PulseReadout, TextInTheAxisFormatWithRegionalSeparators)
{
    const TWave wave = Build({{1000, 1}, {2500, 0}, {4000, 1}});
    const TPulseReadout r = MeasurePulse(wave.X, wave.Y, 1234.5);
    const TFormatSettings saved = FormatSettings();
    FormatSettings() = TFormatSettings{' ', ','};
    EXPECT_EQ(Cp1251ToUtf8(FormatReadout(r, "#,##0.###")),
              "t = 1 234,5   уровень 1   от 1 000 до 2 500   ширина 1 500   период 3 000   "
              "заполнение 50 %");
    FormatSettings() = TFormatSettings{',', '.'};
    EXPECT_EQ(Cp1251ToUtf8(FormatReadout(MeasurePulse(wave.X, wave.Y, 100), "#,##0.###")),
              "t = 100   уровень 0   от 0 до 1,000   ширина 1,000");
    FormatSettings() = saved;
    EXPECT_EQ(FormatReadout(MeasurePulse(wave.X, wave.Y, -1), "#,##0.###"), "");
}
