// The axis setters and the value-pixel mapping with any doubles (NaN, infinities, huge
// values), then a paint of the chart.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/SysUtils.h"
#include "toolkit/TestSupport.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    InitTestApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TChart chart;
    chart.SetBounds(0, 0, 300, 160);
    chart.SetView3D(false);
    auto* series = new TLineSeries(&chart);
    series->SetParentChart(&chart);
    size_t at = 0;
    auto number = [&]() {
        double v = 0;
        if (at + sizeof v <= size) std::memcpy(&v, data + at, sizeof v);
        at += sizeof v;
        return v;
    };
    int ops = 0;
    while (at < size && ops++ < 40) {
        const uint8_t op = data[at++];
        TChartAxis* axis = (op & 0x80) != 0 ? chart.LeftAxis() : chart.BottomAxis();
        try {
            switch (op & 0x0F) {
            case 0:
                axis->SetMinimum(number());
                break;
            case 1:
                axis->SetMaximum(number());
                break;
            case 2: {
                const double low = number();
                axis->SetAxisRange(low, number());
                break;
            }
            case 3:
                axis->SetAutomatic((op & 0x10) != 0);
                break;
            case 4:
                axis->SetInverted((op & 0x10) != 0);
                break;
            case 5:
                axis->SetLogarithmic((op & 0x10) != 0);
                break;
            case 6:
                axis->ScrollAxis(number(), (op & 0x10) != 0);
                break;
            case 7: {
                const double v = number();
                (void)axis->ValueToPixel(v);
                break;
            }
            case 8: {
                const double v = number();
                const int pixel = std::isfinite(v) ? static_cast<int>(std::fmod(v, 1e6)) : 0;
                (void)axis->PixelToValue(pixel);
                break;
            }
            case 9: {
                const double x = number();
                series->AddPoint(x, number());
                break;
            }
            case 10: {
                const double v = number();
                (void)axis->LabelText(v);
                break;
            }
            case 11:
                axis->SetIncrement(number());
                break;
            case 12: {
                const double a = number();
                const double b = number();
                chart.ZoomToValues(a, b, number(), number(), a, b, a, b);
                break;
            }
            default:
                FlushPaints(&chart);
                break;
            }
        } catch (const Exception&) {
        }
    }
    FlushPaints(&chart);
    return 0;
}
