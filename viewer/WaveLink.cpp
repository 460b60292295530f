#include "viewer/WaveLink.h"

#include <algorithm>
#include <climits>

#include "chart/Chart.h"
#include "toolkit/StdCtrls.h"
#include "viewer/TextSamples.h"

TWaveLink::TWaveLink(TMemo* memo, const TTextSamples* samples, std::vector<TWaveChart> charts)
    : FMemo(memo), FSamples(samples), FSides(charts.size())
{
    for (size_t i = 0; i < charts.size(); ++i)
        FSides[i].Chart = charts[i].Chart;
    memo->OnCaretMove = [this](TObject*) { CaretMoved(); };
    for (int i = 0; i < static_cast<int>(FSides.size()); ++i) {
        TChart* chart = FSides[i].Chart;
        chart->OnMouseMove = [this, i](TObject*, TShiftState, int x, int y) {
            FPointerChart = i;
            FPointerX = x;
            FPointerY = y;
            PointerMoved(i, x, y);
        };
        chart->OnMouseLeave = [this, i](TObject*) {
            if (FPointerChart == i) FPointerChart = -1;
            PointerLeft(i);
        };
        // Before the chart starts a drag: the readout goes while the picture is still
        // the cached one, so the zoom rectangle is drawn over the right pixels.
        chart->OnMouseDown = [this, i](TObject*, TMouseButton, TShiftState, int, int) {
            PointerLeft(i);
        };
        // A double-click in the plot jumps and is taken, so no drag follows; every other
        // press is left to the chart as before.
        auto press = [this, i, chart](TShiftState shift, int x, int y) {
            const bool jump = (shift & ssDouble) != 0 && chart->ChartRect().Contains(x, y);
            if (jump && !(DoubleClickFirst && DoubleClickFirst(i, x, y))) JumpToNearestEdge(i, x);
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
    ShowMarker(false, 0);
    const TSampleModel& model = FSamples->Last();
    FTimeOrder = model.TimeOrder(build.BuiltSamples);
    for (size_t i = 0; i < FSides.size(); ++i) {
        TSide& side = FSides[i];
        // A field that names no bit drew the origin only: no sample is read for it.
        const int bit = i < build.Bits.size() ? build.Bits[i] : -1;
        side.Points =
            TBitPoints(model, std::max(bit, 0), bit >= 0 ? build.BuiltSamples : 0, FTimeOrder);
        side.Last = TPulseReadout();
        side.Chart->SetOverlayText(side.Standing);
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
    // Unedited since the build, the text is the one the samples were read from.
    const TSampleModel& model = FSamples->Last();
    const int sample = model.SampleOfLine(line);
    ShowMarker(sample >= 0, sample >= 0 ? model.Time(sample) : 0);
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
    if (!side.Standing.empty()) return c->SetOverlayText(side.Standing);
    if (c->ZoomRecord().Active || c->PanningRecord().Active || !c->ChartRect().Contains(x, y)) {
        PointerLeft(chart);
        return;
    }
    const TCustomChartAxis* axis = c->BottomAxis();
    const double time = axis->PixelToValue(x);
    side.Last = side.Last.Covers(time) ? MovedWithinStretch(side.Last, time)
                                       : MeasurePulse(side.Points, time);
    std::string text = FormatReadout(side.Last, axis->AxisValuesFormat(), FTimeUnit);
    if (ExtraReadout) {
        if (const std::string extra = ExtraReadout(chart, x, y); !extra.empty())
            text += "   " + extra;
    }
    c->SetOverlayText(text);
}

void TWaveLink::PointerLeft(int chart)
{
    FSides[chart].Chart->SetOverlayText(FSides[chart].Standing);
}

void TWaveLink::SetStandingText(int chart, const std::string& text)
{
    TSide& side = FSides[chart];
    const bool cleared = !side.Standing.empty() && text.empty();
    side.Standing = text;
    side.Last = TPulseReadout();
    side.Chart->SetOverlayText(text);
    // The measurement cleared with the pointer resting on the chart (Escape): its readout
    // comes back at once, not only on the next move.
    if (cleared && FPointerChart == chart) PointerMoved(chart, FPointerX, FPointerY);
}

bool TWaveLink::JumpToNearestEdge(int chart, int x)
{
    const TSide& side = FSides[chart];
    double edge = 0;
    if (!NearestEdge(side.Points, side.Chart->BottomAxis()->PixelToValue(x), edge)) return false;
    const int line = FSamples->Last().FirstLineAtTime(edge, FBuiltLines);
    if (line < 0) return false;
    // Scrolls the line into view; the caret's event moves the marker there.
    FMemo->SetCaretPos(TTextPos{static_cast<size_t>(line), 0});
    return true;
}
