// One right-drag step of the upper chart with 1,000,000 samples: the pan, the coupling
// and both charts redrawn, per step of the pointer.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "toolkit/TestSupport.h"
#include "viewer/Unit1.h"

int main(int argc, char** argv)
{
    InitTestApplication(argc, argv);
    constexpr int Samples = 1000000;
    constexpr int Steps = 60;
    std::string text;
    text.reserve(static_cast<size_t>(Samples) * 12);
    for (int i = 0; i < Samples; ++i)
        text += std::to_string(10 * i) + ":" + (i % 2 ? "1" : "0") + "\r\n";
    ProgramArguments.clear();
    Form1 = new TForm1(nullptr);
    Form1->AfterConstruction();
    Form1->ShowForm();
    ProcessEvents();
    Form1->Memo1->SetText(text);
    Form1->Button2->Click();
    ProcessEvents();
    FlushPaints(Form1);
    const TRect plot = Form1->Chart1->ChartRect();
    const int y = (plot.Top + plot.Bottom) / 2;
    int x = plot.Left + plot.Width() / 2;
    // A zoom first, so that a pan moves a window over data on both sides.
    const int zoomFrom = plot.Left + plot.Width() * 2 / 5;
    const int zoomTo = plot.Left + plot.Width() * 3 / 5;
    SimMouseDown(Form1->Chart1, mbLeft, 0, zoomFrom, plot.Top + 2);
    SimMouseMove(Form1->Chart1, 0, zoomTo, plot.Bottom - 2);
    SimMouseUp(Form1->Chart1, mbLeft, 0, zoomTo, plot.Bottom - 2);
    FlushPaints(Form1);
    std::vector<double> steps;
    SimMouseDown(Form1->Chart1, mbRight, 0, x, y);
    for (int i = 0; i < Steps; ++i) {
        x += (i / 10) % 2 ? -3 : 3;
        const auto start = std::chrono::steady_clock::now();
        SimMouseMove(Form1->Chart1, 0, x, y);
        FlushPaints(Form1);
        steps.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    SimMouseUp(Form1->Chart1, mbRight, 0, x, y);
    const bool coupled =
        Form1->Chart2->BottomAxis()->Minimum() == Form1->Chart1->BottomAxis()->Minimum() &&
        Form1->Chart2->BottomAxis()->Maximum() == Form1->Chart1->BottomAxis()->Maximum();
    std::sort(steps.begin(), steps.end());
    std::printf("pan steps: %d, median %.2f ms, worst %.2f ms, charts coupled after: %s\n", Steps,
                steps[steps.size() / 2], steps.back(), coupled ? "yes" : "NO");
    // Run with QT_SCALE_FACTOR=2 as well: a denser screen draws four times the pixels.
    const int ratio = Form1->Chart1->Canvas()->PixelRatio();
    const std::string what = ratio == 1
                                 ? "Pan step, 1M samples, both charts redrawn (median)"
                                 : "Pan step, 1M samples, both charts redrawn, pixel ratio " +
                                       std::to_string(ratio) + " (median)";
    PrintTableRow(what.c_str(), steps[steps.size() / 2], 0, 16, "ms");
    delete Form1;
    Form1 = nullptr;
    return coupled ? 0 : 1;
}
