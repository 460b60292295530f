// The chart's overlay: a title-line text, the caret marker and the measuring markers A and B
// drawn over the cached picture, so that changing them costs a copy of the picture rather
// than a drawing of the series.
#include "chart/Chart.h"

#include <algorithm>

void TCustomChart::SetOverlayText(const std::string& value)
{
    if (FOverlayText == value) return;
    FOverlayText = value;
    RefreshOverlay();
}

void TCustomChart::SetMarker(double value)
{
    if (FMarkerVisible && FMarkerValue == value) return;
    FMarkerVisible = true;
    FMarkerValue = value;
    RefreshOverlay();
}

void TCustomChart::ClearMarker()
{
    if (!FMarkerVisible) return;
    FMarkerVisible = false;
    RefreshOverlay();
}

void TCustomChart::SetMeasureMarker(int index, double value)
{
    if (FMeasureVisible[index] && FMeasureValue[index] == value) return;
    FMeasureVisible[index] = true;
    FMeasureValue[index] = value;
    RefreshOverlay();
}

void TCustomChart::ClearMeasureMarker(int index)
{
    if (!FMeasureVisible[index]) return;
    FMeasureVisible[index] = false;
    RefreshOverlay();
}

int TCustomChart::PlotColumn(double value) const
{
    // Far outside the range the mapping would give no pixel at all.
    const TCustomChartAxis* axis = BottomAxis();
    if (value < axis->EffectiveMinimum || value > axis->EffectiveMaximum) return -1;
    const int x = axis->ValueToPixel(value);
    // The columns the series are clipped to.
    const TRect& plot = ChartRect();
    return x > plot.Left && x < plot.Right ? x : -1;
}

int TCustomChart::MarkerPixel() const
{
    return FMarkerVisible ? PlotColumn(FMarkerValue) : -1;
}

int TCustomChart::MeasureMarkerPixel(int index) const
{
    return FMeasureVisible[index] ? PlotColumn(FMeasureValue[index]) : -1;
}

void TCustomChart::PaintOverlay()
{
    const int markerX = MarkerPixel();
    int measureX[MeasureMarkerCount];
    bool anyMeasure = false;
    for (int i = 0; i < MeasureMarkerCount; ++i) {
        measureX[i] = MeasureMarkerPixel(i);
        anyMeasure = anyMeasure || measureX[i] >= 0;
    }
    if (markerX < 0 && !anyMeasure && FOverlayText.empty()) return;
    TChartCanvas3D* canvas = Canvas3D();
    if (canvas->ReferenceCanvas() == nullptr) return;
    // Drawn under a zoom rectangle: taken away first, put back last.
    const bool zoomRectangle = ZoomRecord().Active;
    if (zoomRectangle) PaintZoomRectangle();

    if (markerX >= 0) {
        TPen* pen = canvas->Pen();
        pen->SetColor(MarkerColor);
        pen->SetMode(pmCopy);
        pen->SetStyle(psSolid);
        pen->SetWidth(1);
        canvas->ClipToPlot(ChartRect(), 0, 0);
        canvas->DrawVertLine(markerX, ChartRect().Top, ChartRect().Bottom);
        canvas->RemoveClip();
    }
    if (anyMeasure) {
        static const char* const letters[MeasureMarkerCount] = {"A", "B"};
        const TRect& plot = ChartRect();
        canvas->Font()->Assign(Title()->Font());
        canvas->SetBackgroundMode(TRANSPARENT);
        canvas->SetTextAlignment(TA_LEFT | TA_TOP);
        canvas->ClipToPlot(plot, 0, 0);
        for (int i = 0; i < MeasureMarkerCount; ++i) {
            if (measureX[i] < 0) continue;
            TPen* pen = canvas->Pen();
            pen->SetColor(MeasureMarkerColors[i]);
            pen->SetMode(pmCopy);
            pen->SetStyle(psSolid);
            pen->SetWidth(1);
            canvas->DrawVertLine(measureX[i], plot.Top, plot.Bottom);
            canvas->Font()->SetColor(MeasureMarkerColors[i]);
            canvas->WriteText(measureX[i] + 2, plot.Top + 1, letters[i]);
        }
        canvas->RemoveClip();
    }
    if (!FOverlayText.empty()) {
        canvas->Font()->Assign(Title()->Font());
        const TRect& block = Title()->TextBlockRect;
        const TRect line{block.Left, block.Top, block.Right, block.Top + canvas->FontLineHeight()};
        canvas->ClipToRect(line);
        canvas->SetBackgroundMode(TRANSPARENT);
        canvas->SetTextAlignment(TA_LEFT | TA_TOP);
        // Centred, unless that would cut off its start: what a long line says first matters most.
        const int x = std::max(line.Left, (line.Left + line.Right) / 2 -
                                              canvas->MeasureTextWidth(FOverlayText) / 2);
        canvas->WriteText(x, line.Top, FOverlayText);
        canvas->RemoveClip();
    }

    if (zoomRectangle) PaintZoomRectangle();
    canvas->ResetDrawingState();
}
