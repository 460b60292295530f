// The chart's overlay: a title-line text and a marker line drawn over the cached picture,
// so that changing them costs a copy of the picture rather than a drawing of the series.
#include "chart/Chart.h"

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

int TCustomChart::MarkerPixel() const
{
    if (!FMarkerVisible) return -1;
    // Far outside the range the mapping would give no pixel at all.
    const TCustomChartAxis* axis = BottomAxis();
    if (FMarkerValue < axis->EffectiveMinimum || FMarkerValue > axis->EffectiveMaximum) return -1;
    const int x = axis->ValueToPixel(FMarkerValue);
    // The columns the series are clipped to.
    const TRect& plot = ChartRect();
    return x > plot.Left && x < plot.Right ? x : -1;
}

void TCustomChart::PaintOverlay()
{
    const int markerX = MarkerPixel();
    if (markerX < 0 && FOverlayText.empty()) return;
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
    if (!FOverlayText.empty()) {
        canvas->Font()->Assign(Title()->Font());
        const TRect& block = Title()->TextBlockRect;
        const TRect line{block.Left, block.Top, block.Right, block.Top + canvas->FontLineHeight()};
        canvas->ClipToRect(line);
        canvas->SetBackgroundMode(TRANSPARENT);
        canvas->SetTextAlignment(TA_LEFT | TA_TOP);
        const int x = (line.Left + line.Right) / 2 - canvas->MeasureTextWidth(FOverlayText) / 2;
        canvas->WriteText(x, line.Top, FOverlayText);
        canvas->RemoveClip();
    }

    if (zoomRectangle) PaintZoomRectangle();
    canvas->ResetDrawingState();
}
