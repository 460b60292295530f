// Drawing a long square wave: one complete chart drawing of 894 x 184 pixels, full range
// and zoomed, against QCustomPlot drawing the same points as a line graph into an image of
// the same size. Prints the median time of a frame and our time / its time per view.
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

#include "chart/Chart.h"
#include "chart/Series.h"
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

// Median milliseconds of one frame: a warm-up frame, then frames until a second has
// passed (at least five).
double MedianMilliseconds(const std::function<void()>& frame)
{
    using Clock = std::chrono::steady_clock;
    frame();
    std::vector<double> times;
    const Clock::time_point start = Clock::now();
    while (times.size() < 5 ||
           (Clock::now() - start < std::chrono::seconds(1) && times.size() < 500)) {
        const Clock::time_point a = Clock::now();
        frame();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double OurChart(int samples, bool zoomed, double windowSamples)
{
    std::unique_ptr<TChart> chart = MakeChart(samples);
    if (zoomed) {
        const double middle = samples * 0.5;
        chart->BottomAxis()->SetAxisRange(middle - windowSamples / 2, middle + windowSamples / 2);
    }
    TBitmap target;
    target.SetSize(kWidth, kHeight);
    return MedianMilliseconds([&] {
        chart->RenderTo(target.Canvas(), TRect{0, 0, kWidth, kHeight});
    });
}

double TheirChart(int samples, bool zoomed, double windowSamples)
{
    const TWave& wave = Wave(samples);
    QCustomPlot plot;
    plot.resize(kWidth, kHeight);
    // Aliased one-pixel lines, as the chart draws them.
    plot.setNotAntialiasedElements(QCP::aeAll);
    QCPGraph* graph = plot.addGraph();
    graph->setPen(QPen(Qt::red));
    graph->setData(QVector<double>(wave.x.begin(), wave.x.end()),
                   QVector<double>(wave.y.begin(), wave.y.end()), true);
    double low = 0;
    double high = samples;
    if (zoomed) {
        low = samples * 0.5 - windowSamples / 2;
        high = samples * 0.5 + windowSamples / 2;
    }
    plot.xAxis->setRange(low, high);
    plot.yAxis->setRange(-0.2, 1.2);
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    return MedianMilliseconds([&] {
        QCPPainter painter(&image);
        plot.toPainter(&painter, kWidth, kHeight);
        painter.end();
    });
}

} // namespace

int main(int argc, char** argv)
{
    InitTestApplication(argc, argv);
    const double window = kSamples * 0.01;
    // "ours" and "ours-zoomed" draw only our frames, for profiling.
    const std::string only = argc > 1 ? argv[1] : "";
    if (only == "ours" || only == "ours-zoomed") {
        const bool zoomed = only == "ours-zoomed";
        std::printf("ours %8.3f ms\n", OurChart(kSamples, zoomed, zoomed ? window : 0));
        return 0;
    }
    std::printf("%d x %d pixels, square wave of %d samples (%d points)\n", kWidth, kHeight,
                kSamples, 2 * kSamples + 1);
    const double ourFull = OurChart(kSamples, false, 0);
    const double theirFull = TheirChart(kSamples, false, 0);
    std::printf("full range   ours %8.3f ms   QCustomPlot %8.3f ms   ours / QCustomPlot %.3f\n",
                ourFull, theirFull, ourFull / theirFull);
    const double ourZoomed = OurChart(kSamples, true, window);
    const double theirZoomed = TheirChart(kSamples, true, window);
    std::printf("zoomed to 1%% ours %8.3f ms   QCustomPlot %8.3f ms   ours / QCustomPlot %.3f\n",
                ourZoomed, theirZoomed, ourZoomed / theirZoomed);
    // The same visible stretch inside a wave four times as long.
    const double ourZoomedLonger = OurChart(4 * kSamples, true, window);
    std::printf("zoomed, same stretch of a %d-sample wave: ours %8.3f ms\n", 4 * kSamples,
                ourZoomedLonger);
    return 0;
}
