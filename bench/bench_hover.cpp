// A pointer move over a chart of 2M points: the readout text changed and shown over the
// cached picture, against one full drawing of the same chart. Prints medians and the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "toolkit/TestSupport.h"
#include "viewer/PulseReadout.h"

namespace {

constexpr int kSamples = 1000000;

template <class F> double MedianMs(int runs, F&& f)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f(i);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    InitTestApplication(argc, argv);
    TChart chart;
    chart.SetBounds(0, 0, 894, 184);
    chart.SetView3D(false);
    chart.Title()->Text()->SetLines({""});
    chart.Legend()->SetVisible(false);
    chart.LeftAxis()->SetAxisRange(-0.2, 1.2);
    auto* series = new TLineSeries();
    series->SetSeriesColor(clRed);
    series->SetParentChart(&chart);
    std::mt19937 rng(1234);
    int bit = 0;
    series->AddPoint(0, 0);
    for (int t = 1; t <= kSamples; ++t) {
        const int next = static_cast<int>(rng() & 1u);
        series->AddPoint(t, bit);
        series->AddPoint(t, next);
        bit = next;
    }
    chart.SetMarker(kSamples / 3.0);
    FlushPaints(&chart);

    const double full = MedianMs(9, [&](int) {
        chart.RequestRepaint();
        FlushPaints(&chart);
    });
    const int renders = chart.RenderCount();
    const double hover = MedianMs(201, [&](int i) {
        chart.SetOverlayText("t = " + std::to_string(i) + "   level 1   from 10 to 20   width 10");
        FlushPaints(&chart);
    });
    // The readout's own numbers, measured afresh at each time (no stretch reused).
    // The columns are stored compactly; the readout reads doubles (WaveLink copies them out,
    // timed below).
    std::vector<double> xs;
    std::vector<double> ys;
    const double copy = MedianMs(21, [&](int) {
        xs = series->XValues()->StoredValues().ToVector();
        ys = series->YValues()->StoredValues().ToVector();
    });
    std::printf("both columns copied out as doubles: %.4f ms\n", copy);
    double sink = 0;
    const double measure = MedianMs(201, [&](int i) {
        const double time = (i * 7919) % kSamples + 0.5;
        const TPulseReadout r = MeasurePulse({xs.data(), xs.size()}, {ys.data(), ys.size()}, time);
        sink += FormatReadout(r, "#,##0.###").size();
    });
    std::printf("readout numbers and text at a new time: %.4f ms (%g)\n", measure, sink);
    std::printf("chart of %d points: full drawing %.3f ms, pointer move (readout) %.3f ms, "
                "ratio %.4f; drawings during the moves: %d (target: 0 and < 2 ms)\n",
                series->PointCount(), full, hover, hover / full, chart.RenderCount() - renders);
    PrintTableRow("Pointer move over a 2M-point chart, readout redrawn (median)", hover, 0, 2,
                  "ms");
    if (chart.RenderCount() != renders) std::printf("the series were drawn during the moves\n");
    return 0;
}
