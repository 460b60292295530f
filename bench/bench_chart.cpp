// Drawing a long square wave: one complete chart drawing of 894 x 184 pixels, full range
// and zoomed, against QCustomPlot drawing the same points as a line graph into an image of
// the same size, the two drawn in turn. Prints the median time of a frame and our time /
// its time per view.
#include <QImage>
#include <QPen>
#include <QVector>
#include <qcustomplot.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "toolkit/Graphics.h"
#include "toolkit/TestSupport.h"

namespace {

constexpr int kWidth = 894;
constexpr int kHeight = 184;
constexpr int kSamples = 1000000;

struct TWave
{
    std::vector<double> x;
    std::vector<double> y;
};

// The viewer's waveform: (0, 0), then two points per sample (the old bit, the new bit).
const TWave& Wave(int samples)
{
    static std::map<int, TWave> waves;
    TWave& wave = waves[samples];
    if (!wave.x.empty()) return wave;
    std::mt19937 rng(1234);
    std::bernoulli_distribution flip(0.5);
    wave.x.reserve(2 * static_cast<size_t>(samples) + 1);
    wave.y.reserve(2 * static_cast<size_t>(samples) + 1);
    wave.x.push_back(0);
    wave.y.push_back(0);
    int bit = 0;
    for (int t = 1; t <= samples; ++t) {
        const int next = flip(rng) ? 1 - bit : bit;
        wave.x.push_back(t);
        wave.y.push_back(bit);
        wave.x.push_back(t);
        wave.y.push_back(next);
        bit = next;
    }
    return wave;
}

std::unique_ptr<TChart> MakeChart(int samples)
{
    auto chart = std::make_unique<TChart>();
    chart->SetBounds(0, 0, kWidth, kHeight);
    chart->SetView3D(false);
    chart->BackWall()->Brush()->SetColor(clWhite);
    chart->BackWall()->Brush()->SetStyle(bsClear);
    chart->Title()->Text()->SetLines({""});
    chart->Legend()->SetVisible(false);
    chart->LeftAxis()->SetAxisRange(-0.2, 1.2);
    auto* series = new TLineSeries();
    series->SetSeriesColor(clRed);
    series->SetParentChart(chart.get());
    const TWave& wave = Wave(samples);
    for (size_t i = 0; i < wave.x.size(); ++i)
        series->AddPoint(wave.x[i], wave.y[i]);
    return chart;
}

struct TTimes
{
    double ours = 0;
    double theirs = 0;
};

double Median(std::vector<double>& times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Median milliseconds of a frame of each, the two drawn in turn so that both meet the same
// machine load: a warm-up frame each, then pairs until two seconds have passed (at least
// five pairs).
TTimes MedianMilliseconds(const std::function<void()>& ours, const std::function<void()>& theirs)
{
    using Clock = std::chrono::steady_clock;
    auto time = [](const std::function<void()>& frame) {
        const Clock::time_point start = Clock::now();
        frame();
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    ours();
    if (theirs) theirs();
    std::vector<double> ourTimes;
    std::vector<double> theirTimes;
    const Clock::time_point start = Clock::now();
    while (ourTimes.size() < 5 ||
           (Clock::now() - start < std::chrono::seconds(2) && ourTimes.size() < 1000)) {
        ourTimes.push_back(time(ours));
        if (theirs) theirTimes.push_back(time(theirs));
    }
    return TTimes{Median(ourTimes), theirs ? Median(theirTimes) : 0};
}

// Our chart and QCustomPlot (unless OursOnly) drawing the same wave; Window is the number
// of samples shown around the middle, 0 for all of them.
TTimes Compare(int samples, double window, bool oursOnly)
{
    double low = 0;
    double high = samples;
    if (window > 0) {
        low = samples * 0.5 - window / 2;
        high = samples * 0.5 + window / 2;
    }
    std::unique_ptr<TChart> chart = MakeChart(samples);
    if (window > 0) chart->BottomAxis()->SetAxisRange(low, high);
    TBitmap target;
    target.SetSize(kWidth, kHeight);
    auto ours = [&] { chart->RenderTo(target.Canvas(), TRect{0, 0, kWidth, kHeight}); };

    std::unique_ptr<QCustomPlot> plot;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    std::function<void()> theirs;
    if (!oursOnly) {
        const TWave& wave = Wave(samples);
        plot = std::make_unique<QCustomPlot>();
        plot->resize(kWidth, kHeight);
        // Aliased one-pixel lines, as the chart draws them.
        plot->setNotAntialiasedElements(QCP::aeAll);
        QCPGraph* graph = plot->addGraph();
        graph->setPen(QPen(Qt::red));
        graph->setData(QVector<double>(wave.x.begin(), wave.x.end()),
                       QVector<double>(wave.y.begin(), wave.y.end()), true);
        plot->xAxis->setRange(low, high);
        plot->yAxis->setRange(-0.2, 1.2);
        theirs = [&] {
            QCPPainter painter(&image);
            plot->toPainter(&painter, kWidth, kHeight);
            painter.end();
        };
    }
    return MedianMilliseconds(ours, theirs);
}

} // namespace

int main(int argc, char** argv)
{
    InitTestApplication(argc, argv);
    const double window = kSamples * 0.01;
    // "ours" and "ours-zoomed" draw only our frames, for profiling.
    const std::string only = argc > 1 ? argv[1] : "";
    if (only == "ours" || only == "ours-zoomed") {
        const TTimes t = Compare(kSamples, only == "ours" ? 0 : window, true);
        std::printf("ours %8.3f ms\n", t.ours);
        return 0;
    }
    std::printf("%d x %d pixels, square wave of %d samples (%d points)\n", kWidth, kHeight,
                kSamples, 2 * kSamples + 1);
    const TTimes full = Compare(kSamples, 0, false);
    std::printf("full range   ours %8.3f ms   QCustomPlot %8.3f ms   ours / QCustomPlot %.3f\n",
                full.ours, full.theirs, full.ours / full.theirs);
    const TTimes zoomed = Compare(kSamples, window, false);
    std::printf("zoomed to 1%% ours %8.3f ms   QCustomPlot %8.3f ms   ours / QCustomPlot %.3f\n",
                zoomed.ours, zoomed.theirs, zoomed.ours / zoomed.theirs);
    PrintTableRow("Chart frame, 1M-sample square wave, 894 x 184, full range vs QCustomPlot",
                  full.ours, full.theirs, 1.0, "ms");
    PrintTableRow("Chart frame, 1M-sample square wave, 894 x 184, 1% zoom vs QCustomPlot",
                  zoomed.ours, zoomed.theirs, 1.0, "ms");
    // The same visible stretch inside a wave four times as long.
    const TTimes longer = Compare(4 * kSamples, window, true);
    std::printf("zoomed, same stretch of a %d-sample wave: ours %8.3f ms\n", 4 * kSamples,
                longer.ours);
    return 0;
}
