// A million decoded items: their store's bytes per item, and a frame of a chart showing them
// as annotations over the waveform of their data line, at full range and at 1% zoom, beside
// the same frame without annotations.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "samples/SampleModel.h"
#include "toolkit/Graphics.h"
#include "toolkit/TestSupport.h"
#include "viewer/Decoding.h"

namespace {

class TTextLines : public TSampleLines
{
public:
    std::vector<std::string> Lines;
    int Count() const override { return static_cast<int>(Lines.size()); }
    std::string_view Line(int index) const override { return Lines[static_cast<size_t>(index)]; }
};

constexpr int Width = 894;
constexpr int Height = 184;

double FrameMs(TChart& chart, double low, double high)
{
    chart.BottomAxis()->SetAxisRange(low, high);
    TBitmap image;
    image.SetSize(Width, Height);
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        const auto start = std::chrono::steady_clock::now();
        chart.RenderTo(image.Canvas(), TRect{0, 0, Width, Height});
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
    // SPI one-bit words: a clock rising every second line, each rise one MOSI item.
    constexpr int Items = 1000000;
    std::mt19937 rng(20261208);
    TTextLines lines;
    lines.Lines.reserve(2 * Items + 1);
    for (int i = 0; i <= 2 * Items; ++i) {
        const unsigned mosi = rng() & 2u;
        lines.Lines.push_back(std::to_string(10 * i) + ":" + std::to_string((i & 1) | mosi));
    }
    const TSampleModel model(lines);
    TChartDecoder decoder;
    std::string error;
    if (!ParseDecoderSetup("spi:clk=0,mosi=1,word=1", 1e-9, decoder.Setup, error)) return 1;
    const auto decodeStart = std::chrono::steady_clock::now();
    decoder.Items = DecodeItems(model, model.SampleCount(), decoder.Setup);
    const double decodeMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - decodeStart)
            .count();
    const double perItem = static_cast<double>(decoder.Items.MemoryBytes()) /
                           static_cast<double>(decoder.Items.Size());
    std::printf("%zu items decoded in %.1f ms, %zu bytes held\n", decoder.Items.Size(), decodeMs,
                decoder.Items.MemoryBytes());

    const auto makeChart = [&](TChart& chart) {
        chart.SetBounds(0, 0, Width, Height);
        chart.SetView3D(false);
        chart.Title()->Text()->SetLines({""});
        chart.Legend()->SetVisible(false);
        chart.LeftAxis()->SetAxisRange(-0.2, 1.2);
        auto* series = new TLineSeries();
        series->SetSeriesColor(clRed);
        series->SetParentChart(&chart);
        int level = 0;
        for (int i = 0; i < model.SampleCount(); ++i) {
            const int next = model.Bit(i, 1);
            series->AddPoint(model.Time(i), level, std::string(), clSeriesDefault);
            series->AddPoint(model.Time(i), next, std::string(), clSeriesDefault);
            level = next;
        }
    };
    TChart plain;
    TChart annotated;
    makeChart(plain);
    makeChart(annotated);
    annotated.SetAnnotations(&decoder);
    const double end = model.Time(model.SampleCount() - 1);
    const double from = end * 0.4;
    const double to = from + end * 0.01;
    const double fullPlain = FrameMs(plain, 0, end);
    const double full = FrameMs(annotated, 0, end);
    const double zoomPlain = FrameMs(plain, from, to);
    const double zoom = FrameMs(annotated, from, to);
    std::printf("frame without annotations: full range %.3f ms, 1%% zoom %.3f ms\n", fullPlain,
                zoomPlain);
    bool met = PrintTableRow("Decoded items, bytes per item (1M SPI items)", perItem, 0, 32, "B");
    met = PrintTableRow("Chart frame with 1M decoded items, 894 x 184, full range (median)", full,
                        0, 16, "ms") &&
          met;
    met = PrintTableRow("Chart frame with 1M decoded items, 894 x 184, 1% zoom (median)", zoom, 0,
                        16, "ms") &&
          met;
    return met ? 0 : 1;
}
