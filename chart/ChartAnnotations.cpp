// Drawing of the annotation band. The band sits at the top of the plot, one text line high:
// the viewer's value axis leaves room above the high level there, so boxes hide no edge of
// the waveform. Items narrower than a box become one-pixel marks, one per pixel column
// however many items fall in it, so a frame costs the visible columns, not the items.
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "chart/Chart.h"

namespace {

// Narrower than this an item is a mark, not a box.
constexpr int MinBoxWidth = 4;
constexpr TColor BoxPen = 0x804000;
constexpr TColor BoxFill = 0xFFF0E0;
constexpr TColor ErrorPen = clRed;
constexpr TColor ErrorFill = 0xE0E0FF;
// Spans are fetched from the source in chunks of this many.
constexpr size_t Chunk = 512;

} // namespace

void TCustomChart::SetAnnotations(TChartAnnotationSource* source)
{
    if (FAnnotations == source) return;
    FAnnotations = source;
    RequestRepaint();
}

TRect TCustomChart::AnnotationBand() const
{
    const TRect& plot = ChartRect();
    const int height = std::min(FAnnotationTextHeight + 4, std::max(0, plot.Bottom - plot.Top - 2));
    return TRect{plot.Left + 1, plot.Top + 1, plot.Right, plot.Top + 1 + height};
}

void TCustomChart::PaintAnnotations()
{
    TChartCanvas3D* canvas = Canvas3D();
    if (canvas->ReferenceCanvas() == nullptr) return;
    canvas->Font()->Assign(Title()->Font());
    FAnnotationTextHeight = canvas->FontLineHeight();
    const TRect band = AnnotationBand();
    const TAxisMapping& axis = BottomAxis()->Mapping();
    const size_t count = FAnnotations->AnnotationCount();
    if (count == 0 || band.Bottom <= band.Top || !(axis.EffectiveSpan > 0) || axis.PixelLength < 1)
        return;

    const double low = axis.EffectiveMinimum;
    const double high = axis.EffectiveMaximum;
    const double scale = axis.PixelLength / axis.EffectiveSpan;
    // Plain double arithmetic, rounded half to even as the axis rounds: a pixel's precision is
    // all a box needs, and a million items cost no extended-precision mapping.
    const auto column = [&](double value) {
        const int t = static_cast<int>(std::lrint((std::clamp(value, low, high) - low) * scale));
        return axis.InvertedScale ? axis.EndPixel - t : axis.StartPixel + t;
    };

    canvas->ClipToRect(band);
    TPen* pen = canvas->Pen();
    pen->SetMode(pmCopy);
    pen->SetStyle(psSolid);
    pen->SetWidth(1);
    canvas->SetBackgroundMode(TRANSPARENT);
    canvas->SetTextAlignment(TA_LEFT | TA_TOP);

    int markColumn = INT_MIN;
    bool markError = false;
    const auto drawMark = [&](int x, bool error) {
        pen->SetColor(error ? ErrorPen : BoxPen);
        canvas->DrawVertLine(x, band.Top, band.Bottom);
    };

    const size_t first = FAnnotations->FirstReaching(low);
    const size_t end = std::min(count, FAnnotations->FirstAfter(high));
    TAnnotationSpan spans[Chunk];
    for (size_t at = first; at < end; at += Chunk) {
        const size_t n = std::min(Chunk, end - at);
        FAnnotations->Spans(at, n, spans);
        for (size_t k = 0; k < n; ++k) {
            const TAnnotationSpan& span = spans[k];
            if (span.End < low) continue;
            int x0 = column(span.Start);
            int x1 = column(span.End);
            if (x1 < x0) std::swap(x0, x1);
            if (x1 - x0 < MinBoxWidth) {
                // Several items in one column draw once; an error among them shows red.
                if (x0 == markColumn && (markError || !span.Error)) continue;
                markError = x0 == markColumn ? true : span.Error;
                markColumn = x0;
                drawMark(x0, markError);
                continue;
            }
            markColumn = INT_MIN;
            const TRect box{x0, band.Top, x1 + 1, band.Bottom};
            pen->SetColor(span.Error ? ErrorPen : BoxPen);
            canvas->Brush()->SetStyle(bsSolid);
            canvas->Brush()->SetColor(span.Error ? ErrorFill : BoxFill);
            canvas->DrawRect(box);
            const std::string label = FAnnotations->Label(at + k);
            if (label.empty()) continue;
            // The part of the box on screen decides whether the text fits.
            const int left = std::max(x0, band.Left);
            const int right = std::min(x1, band.Right);
            const int width = canvas->MeasureTextWidth(label);
            if (width + 4 > right - left) continue;
            canvas->WriteText((left + right) / 2 - width / 2, band.Top + 2, label);
        }
    }
    canvas->RemoveClip();
    canvas->ResetDrawingState();
}
