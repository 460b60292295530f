#include "viewer/WaveLink.h"

#include <algorithm>
#include <climits>
#include <span>
#include <vector>

#include "chart/Chart.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/SysUtils.h"
#include "viewer/SampleLine.h"

namespace {

std::vector<double> Column(const TChartValueList* list)
{
    return list->StoredValues().ToVector();
}

// The time of a line that is a whole sample line, or false.
bool SampleTime(std::string_view line, double& time)
{
    const TSampleFields fields = SplitSampleLine(line.substr(0, MaxSampleLineLength));
    try {
        const int32_t t = TextToInt(fields.Time);
        HexStrToInt(fields.Value);
        time = t;
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

} // namespace

TWaveLink::TWaveLink(TMemo* memo, TChart* chart1, TChartSeries* series1, TChart* chart2,
                     TChartSeries* series2)
    : FMemo(memo)
{
    FSides[0].Chart = chart1;
    FSides[0].Series = series1;
    FSides[1].Chart = chart2;
    FSides[1].Series = series2;
    memo->OnCaretMove = [this](TObject*) { CaretMoved(); };
    for (int i = 0; i < 2; ++i) {
        TChart* chart = FSides[i].Chart;
        chart->OnMouseMove = [this, i](TObject*, TShiftState, int x, int y) {
            PointerMoved(i, x, y);
        };
        chart->OnMouseLeave = [this, i](TObject*) { PointerLeft(i); };
        // Before the chart starts a drag: the readout goes while the picture is still
        // the cached one, so the zoom rectangle is drawn over the right pixels.
        chart->OnMouseDown = [this, i](TObject*, TMouseButton, TShiftState, int, int) {
            PointerLeft(i);
        };
        // A double-click in the plot jumps and is taken, so no drag follows; every other
        // press is left to the chart as before.
        auto press = [this, i, chart](TShiftState shift, int x, int y) {
            const bool jump = (shift & ssDouble) != 0 && chart->ChartRect().Contains(x, y);
            if (jump) JumpToNearestEdge(i, x);
            chart->SetClickHandled(jump);
        };
        chart->OnClickBackground = [press](TCustomChart*, TMouseButton, TShiftState shift, int x,
                                           int y) { press(shift, x, y); };
        chart->OnClickSeries = [press](TCustomChart*, TChartSeries*, int, TMouseButton,
                                       TShiftState shift, int x, int y) { press(shift, x, y); };
    }
}

TWaveLink::~TWaveLink()
{
    FMemo->OnCaretMove = nullptr;
    for (TSide& side : FSides) {
        side.Chart->OnMouseMove = nullptr;
        side.Chart->OnMouseLeave = nullptr;
        side.Chart->OnMouseDown = nullptr;
        side.Chart->OnClickBackground = nullptr;
        side.Chart->OnClickSeries = nullptr;
    }
}

void TWaveLink::WaveformsRebuilt(const TWaveformBuildResult& build)
{
    FBuiltLines =
        build.Succeeded || build.FailedLine < 0 ? FMemo->Lines()->Count() : build.FailedLine;
    FTextEdited = false;
    FTimesAscending = build.TimesAscending;
    ShowMarker(false, 0);
    for (TSide& side : FSides) {
        side.Last = TPulseReadout();
        side.Chart->SetOverlayText(std::string());
    }
}

void TWaveLink::TextEdited()
{
    FTextEdited = true;
    ShowMarker(false, 0);
}

void TWaveLink::CaretMoved()
{
    if (FTextEdited) return;
    const TTextPos caret = FMemo->CaretPos();
    const int line = static_cast<int>(std::min<size_t>(caret.Line, INT_MAX));
    if (FMarkerShown && line == FMarkerLine) return;
    double time = 0;
    const bool valid =
        line < FMemo->Lines()->Count() && SampleTime(FMemo->Lines()->Line(line), time);
    ShowMarker(valid, time);
    FMarkerShown = true;
    FMarkerLine = line;
}

void TWaveLink::ShowMarker(bool visible, double time)
{
    FMarkerShown = false;
    FMarkerLine = -1;
    for (TSide& side : FSides) {
        if (visible)
            side.Chart->SetMarker(time);
        else
            side.Chart->ClearMarker();
    }
}

void TWaveLink::PointerMoved(int chart, int x, int y)
{
    TSide& side = FSides[chart];
    TChart* c = side.Chart;
    if (c->ZoomRecord().Active || c->PanningRecord().Active || !c->ChartRect().Contains(x, y)) {
        PointerLeft(chart);
        return;
    }
    const TCustomChartAxis* axis = c->BottomAxis();
    const double time = axis->PixelToValue(x);
    side.Last = side.Last.Covers(time) ? MovedWithinStretch(side.Last, time)
                                       : MeasurePulse(Column(side.Series->XValues()),
                                                      Column(side.Series->YValues()), time);
    c->SetOverlayText(FormatReadout(side.Last, axis->AxisValuesFormat()));
}

void TWaveLink::PointerLeft(int chart)
{
    FSides[chart].Chart->SetOverlayText(std::string());
}

bool TWaveLink::JumpToNearestEdge(int chart, int x)
{
    const TSide& side = FSides[chart];
    double edge = 0;
    if (!NearestEdge(Column(side.Series->XValues()), Column(side.Series->YValues()),
                     side.Chart->BottomAxis()->PixelToValue(x), edge))
        return false;
    const int line = FirstLineAtTime(edge);
    if (line < 0) return false;
    // Scrolls the line into view; the caret's event moves the marker there.
    FMemo->SetCaretPos(TTextPos{static_cast<size_t>(line), 0});
    return true;
}

int TWaveLink::FirstLineAtTime(double time) const
{
    const TMemoStrings* lines = FMemo->Lines();
    const int count = std::min(FBuiltLines, lines->Count());
    // Every built line is a sample line; one that no longer is (an edit since the build
    // is the only way) counts as before every time, so the search still ends.
    const auto timeOf = [lines](int line) {
        double t = 0;
        return SampleTime(lines->Line(line), t) ? t : -1e300;
    };
    if (FTimesAscending) {
        int lo = 0;
        int hi = count;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (timeOf(mid) < time)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo < count && timeOf(lo) == time ? lo : -1;
    }
    for (int line = 0; line < count; ++line)
        if (timeOf(line) == time) return line;
    return -1;
}
