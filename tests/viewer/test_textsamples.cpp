// The window's samples read once per text: a new bit number refills the series without
// reading the text again, an edit is honoured, and the readout over the samples is the
// readout over the series' points.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/MainWindowFixture.h"
#include "tests/common/SeriesPoints.h"
#include "toolkit/TestSupport.h"
#include "viewer/PulseReadout.h"
#include "viewer/TextSamples.h"
#include "viewer/Unit1.h"

namespace {

// Times that repeat and go back, and now and then a bad line.
std::string RandomText(std::mt19937& random, int lines)
{
    std::string text;
    int time = 0;
    for (int i = 0; i < lines; ++i) {
        if (random() % 25 == 0) {
            text += "bad\r\n";
            continue;
        }
        time += static_cast<int>(random() % 5) - 1;
        text += std::to_string(time) + ":" + std::to_string(random() % 256) + "\r\n";
    }
    return text;
}

// What a build from scratch gives for the text and bits.
std::pair<Points, Points> FreshBuild(const TStrings& lines, const char* bit1, const char* bit2)
{
    TChartSeries s1, s2;
    const TSampleModel model{TStringsSampleLines(lines)};
    const TWaveTarget targets[] = {{bit1, &s1}, {bit2, &s2}};
    BuildWaveforms(model, targets, {});
    return {PointsOf(s1), PointsOf(s2)};
}

class TextSamples : public ShownMainWindow
{
};

} // namespace

TEST_F(TextSamples, ANewBitRefillsWithoutReadingTheTextAgainAndAnEditIsHonoured)
{
    TRecordingDialogProvider dialogs;
    const TDialogProviderScope scope(&dialogs);
    std::mt19937 random(31);
    Form1->Memo1->SetText(RandomText(random, 300));
    Form1->Button2->Click();
    const uint64_t parses = Form1->TextSamples().ParseCount();
    Form1->Edit1->SetText("3");
    Form1->Edit2->SetText("6");
    EXPECT_EQ(Form1->TextSamples().ParseCount(), parses);
    auto fresh = FreshBuild(*Form1->Memo1->Lines(), "3", "6");
    EXPECT_EQ(PointsOf(*Form1->Series1), fresh.first);
    EXPECT_EQ(PointsOf(*Form1->LineSeries1), fresh.second);

    // An edit since the build: the next bit change reads the new text.
    Form1->Memo1->SetText(RandomText(random, 200));
    Form1->Edit1->SetText("5");
    EXPECT_EQ(Form1->TextSamples().ParseCount(), parses + 1);
    fresh = FreshBuild(*Form1->Memo1->Lines(), "5", "6");
    EXPECT_EQ(PointsOf(*Form1->Series1), fresh.first);
    EXPECT_EQ(PointsOf(*Form1->LineSeries1), fresh.second);
}

// Bit fields changed one at a time, to bits and to texts that name none, on logs with bad
// lines and a zoomed chart: each series always holds what a build from scratch gives, and
// both charts look as they do after a full "Repaint".
TEST_F(TextSamples, AChangedBitRefillsOnlyItsSeriesAndMatchesAFullBuild)
{
    TRecordingDialogProvider dialogs;
    const TDialogProviderScope scope(&dialogs);
    const char* const texts[] = {"0", "1", "2", "5", "7", "8", "x", ""};
    for (unsigned seed = 0; seed < 4; ++seed) {
        std::mt19937 random(seed);
        Form1->Memo1->SetText(RandomText(random, 200));
        Form1->Edit1->SetText("0");
        Form1->Edit2->SetText("1");
        Form1->Button2->Click();
        TChart* chart = Form1->Chart1;
        const TRect plot = chart->ChartRect();
        SimMouseDown(chart, mbLeft, 0, plot.Left + 40, plot.Top + 5);
        SimMouseMove(chart, 0, plot.Left + 200, plot.Bottom - 5);
        SimMouseUp(chart, mbLeft, 0, plot.Left + 200, plot.Bottom - 5);
        for (int step = 0; step < 12; ++step) {
            TEdit* edit = random() % 2 == 0 ? Form1->Edit1 : Form1->Edit2;
            const char* text = texts[random() % std::size(texts)];
            SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step) + ": " +
                         (edit == Form1->Edit1 ? "Edit1 " : "Edit2 ") + text);
            edit->SetText(text);
            const std::string bit1 = Form1->Edit1->Text();
            const std::string bit2 = Form1->Edit2->Text();
            const auto fresh = FreshBuild(*Form1->Memo1->Lines(), bit1.c_str(), bit2.c_str());
            ASSERT_EQ(PointsOf(*Form1->Series1), fresh.first);
            ASSERT_EQ(PointsOf(*Form1->LineSeries1), fresh.second);
            FlushPaints(Form1);
            std::vector<uint32_t> before;
            for (TChart* c : {Form1->Chart1, Form1->Chart2})
                for (int y = 0; y < c->Height(); y += 3)
                    for (int x = 0; x < c->Width(); x += 3)
                        before.push_back(ControlPixel(c, x, y));
            Form1->Button2->Click();
            FlushPaints(Form1);
            std::vector<uint32_t> after;
            for (TChart* c : {Form1->Chart1, Form1->Chart2})
                for (int y = 0; y < c->Height(); y += 3)
                    for (int x = 0; x < c->Width(); x += 3)
                        after.push_back(ControlPixel(c, x, y));
            ASSERT_EQ(before, after);
        }
    }
}

// The readout and the nearest edge read the samples; on seeded logs with repeated and
// backward times they must equal the readout over the series' own points at every time.
TEST(TextSamplesReadout, SameAsOverTheSeriesPoints)
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 150; ++round) {
        TStringList lines;
        const std::string text = RandomText(random, static_cast<int>(random() % 80));
        for (size_t start = 0; start < text.size();) {
            const size_t end = text.find("\r\n", start);
            lines.Add(text.substr(start, end - start));
            start = end + 2;
        }
        const TSampleModel model{TStringsSampleLines(lines)};
        TChartSeries series;
        const char* bit = round % 2 == 0 ? "0" : "1";
        const TWaveTarget targets[] = {{bit, &series}};
        const TWaveformBuildResult build = BuildWaveforms(model, targets, {});
        std::vector<double> xs, ys;
        for (const auto& [x, y] : PointsOf(series)) {
            xs.push_back(x);
            ys.push_back(y);
        }
        const std::vector<int> order = model.TimeOrder(build.BuiltSamples);
        const TBitPoints points(model, build.Bits[0], build.BuiltSamples, order);
        for (double time = -25; time <= 60; time += 0.25) {
            SCOPED_TRACE("round " + std::to_string(round) + ", time " + std::to_string(time));
            const TPulseReadout want = MeasurePulse(xs, ys, time);
            const TPulseReadout got = MeasurePulse(points, time);
            ASSERT_EQ(got.Valid, want.Valid);
            ASSERT_EQ(got.Level, want.Level);
            ASSERT_EQ(got.Start, want.Start);
            ASSERT_EQ(got.End, want.End);
            ASSERT_EQ(got.StartIsEdge, want.StartIsEdge);
            ASSERT_EQ(got.EndIsEdge, want.EndIsEdge);
            ASSERT_EQ(got.HasPeriod, want.HasPeriod);
            ASSERT_EQ(got.Period, want.Period);
            ASSERT_EQ(got.Duty, want.Duty);
            double wantEdge = 0, gotEdge = 0;
            ASSERT_EQ(NearestEdge(points, time, gotEdge), NearestEdge(xs, ys, time, wantEdge));
            ASSERT_EQ(gotEdge, wantEdge);
        }
    }
}
