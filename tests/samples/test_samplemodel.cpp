// The sample model against a plain model (a vector of parsed lines) on seeded random logs
// with bad lines, times that go back and repeated times; then the build's points of a bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "samples/SampleModel.h"
#include "tests/common/SampleLines.h"

namespace {

struct TNaiveLine
{
    bool Sample = false;
    int32_t Time = 0;
    uint32_t Word = 0;
};

std::vector<TNaiveLine> NaiveModel(const std::vector<std::string>& lines)
{
    std::vector<TNaiveLine> model;
    for (const std::string& line : lines) {
        const TSampleLineRead read = ReadSampleLine(line);
        model.push_back({read.IsSample(), read.Time, read.Word});
    }
    return model;
}

// Times from a few values, so that repeats are common; ascending, descending or mixed.
std::vector<std::string> RandomLog(std::mt19937& random, int lines, int shape)
{
    std::vector<std::string> log;
    int time = static_cast<int>(random() % 20) - 10;
    const char* const bad[] = {"", "x", "10", ":1", "5:zz", "-:1", "7:1 2"};
    for (int i = 0; i < lines; ++i) {
        if (random() % 9 == 0) {
            log.emplace_back(bad[random() % 7]);
            continue;
        }
        const int step = static_cast<int>(random() % 4);
        time += shape == 0 ? step : shape == 1 ? -step : step - 2;
        log.push_back(std::to_string(time) + ":" + std::to_string(random() % 256));
    }
    return log;
}

TEST(SampleModel, LookUpsMatchAPlainVectorOfParsedLines)
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        const int shape = round % 3;
        const std::vector<std::string> lines =
            RandomLog(random, static_cast<int>(random() % 60), shape);
        SCOPED_TRACE("round " + std::to_string(round));
        const std::vector<TNaiveLine> naive = NaiveModel(lines);
        const TSampleModel model{TLineList(lines)};
        std::vector<int> sampleLines;
        std::vector<int> bad;
        for (int line = 0; line < static_cast<int>(naive.size()); ++line)
            (naive[static_cast<size_t>(line)].Sample ? sampleLines : bad).push_back(line);

        ASSERT_EQ(model.LineCount(), static_cast<int>(lines.size()));
        ASSERT_EQ(model.SampleCount(), static_cast<int>(sampleLines.size()));
        EXPECT_EQ(model.BadLines(), bad);
        EXPECT_EQ(model.FirstBadLine(), bad.empty() ? -1 : bad.front());
        for (int line = -1; line <= model.LineCount(); ++line) {
            const auto at = std::find(sampleLines.begin(), sampleLines.end(), line);
            const int sample =
                at == sampleLines.end() ? -1 : static_cast<int>(at - sampleLines.begin());
            ASSERT_EQ(model.SampleOfLine(line), sample) << "line " << line;
        }
        for (int sample = -1; sample <= model.SampleCount(); ++sample) {
            const bool inRange = sample >= 0 && sample < model.SampleCount();
            ASSERT_EQ(model.LineOfSample(sample),
                      inRange ? sampleLines[static_cast<size_t>(sample)] : -1);
            if (!inRange) continue;
            const TNaiveLine& line = naive[static_cast<size_t>(sampleLines[size_t(sample)])];
            ASSERT_EQ(model.Time(sample), line.Time);
            ASSERT_EQ(model.Word(sample), line.Word);
        }
        // Every time near the log's and every limit: the first line at that time.
        for (int limit = 0; limit <= model.LineCount(); ++limit) {
            for (double time = -40; time <= 40; time += 0.5) {
                int expected = -1;
                for (int line = 0; line < limit && expected < 0; ++line)
                    if (naive[size_t(line)].Sample && naive[size_t(line)].Time == time)
                        expected = line;
                ASSERT_EQ(model.FirstLineAtTime(time, limit), expected)
                    << "time " << time << ", limit " << limit;
            }
        }
        // The time order is a stable sort, and empty only when the times ascend already.
        std::vector<int> stable(static_cast<size_t>(model.SampleCount()));
        for (size_t i = 0; i < stable.size(); ++i)
            stable[i] = static_cast<int>(i);
        std::stable_sort(stable.begin(), stable.end(),
                         [&](int a, int b) { return model.Time(a) < model.Time(b); });
        const std::vector<int> order = model.TimeOrder(model.SampleCount());
        bool ascending = true;
        for (int i = 1; i < model.SampleCount(); ++i)
            ascending = ascending && model.Time(i - 1) <= model.Time(i);
        EXPECT_EQ(order.empty(), ascending);
        if (!order.empty()) {
            EXPECT_EQ(order, stable);
        }
    }
}

// The points of a bit equal the build's: (0, 0), then per sample the previous and the new
// bit at its time, placed by a stable sort on time.
TEST(SampleModel, BitPointsAreTheBuildsPointsInTimeOrder)
{
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> lines =
            RandomLog(random, static_cast<int>(random() % 40), round % 3);
        lines.erase(
            std::remove_if(lines.begin(), lines.end(),
                           [](const std::string& l) { return !ReadSampleLine(l).IsSample(); }),
            lines.end());
        const TSampleModel model{TLineList(lines)};
        const int bit = static_cast<int>(random() % 8);
        const int samples = static_cast<int>(random() % (lines.size() + 1));
        std::vector<std::pair<double, double>> points{{0, 0}};
        int previous = 0;
        for (int i = 0; i < samples; ++i) {
            points.emplace_back(model.Time(i), previous);
            previous = model.Bit(i, bit);
            points.emplace_back(model.Time(i), previous);
        }
        std::stable_sort(points.begin(), points.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        const std::vector<int> order = model.TimeOrder(samples);
        const TBitPoints bits(model, bit, samples, order);
        ASSERT_EQ(bits.Count(), static_cast<std::ptrdiff_t>(points.size()));
        for (std::ptrdiff_t i = 0; i < bits.Count(); ++i) {
            ASSERT_EQ(bits.X(i), points[size_t(i)].first) << "round " << round << " point " << i;
            ASSERT_EQ(bits.Y(i), points[size_t(i)].second) << "round " << round << " point " << i;
        }
        for (double time = -30; time <= 30; time += 0.5) {
            const auto bound =
                std::upper_bound(points.begin(), points.end(), time,
                                 [](double t, const auto& p) { return t < p.first; });
            ASSERT_EQ(bits.UpperBound(time), bound - points.begin());
        }
    }
}

} // namespace
