#include "chart/LineSeries.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "chart/StoreChanged.h"
#include "toolkit/Raster.h"

namespace {

// Positions this far out are not drawn: they stand for points far beyond the plot.
bool OutsideDrawableRange(int pixel)
{
    return pixel <= -32767 || pixel >= 32767;
}

// Cuts the segment (x0, y0)-(x1, y1) to the square of drawable positions; false when no part
// of it lies inside.
bool ClipToDrawableRange(long double& x0, long double& y0, long double& x1, long double& y1)
{
    constexpr long double limit = 32766;
    long double t0 = 0;
    long double t1 = 1;
    const long double dx = x1 - x0;
    const long double dy = y1 - y0;
    const long double p[4] = {-dx, dx, -dy, dy};
    const long double q[4] = {x0 + limit, limit - x0, y0 + limit, limit - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const long double r = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (t0 > t1) return false;
    }
    const long double sx = x0;
    const long double sy = y0;
    x0 = sx + t0 * dx;
    y0 = sy + t0 * dy;
    x1 = sx + t1 * dx;
    y1 = sy + t1 * dy;
    return std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1);
}

// The least and the greatest of V[From..To] times Multiplier, and their sum, which is not
// finite when one of them is NaN or infinite (or when they are too large to add up: callers
// take that as the same). V is a column in any of its stored forms. Four lanes, two pairs in
// flight: this loop sees every point of a dense series. Compilers do not pack the plain lanes
// on their own, so where SSE2 exists (every x86-64) the pairs are its registers; the plain
// lanes compute the same bits. Scaled is false for a multiplier of 1, which changes no value.
template <bool Scaled, class V>
void ScanValues(const V& v, int from, int to, double multiplier, double& low, double& high,
                double& sum)
{
    if constexpr (!Scaled && std::is_same_v<V, TValueBuffer::TBitView>) {
        // Values 0 and 1 only: the same extremes and (exact, integer) sum from a count.
        const auto ones = static_cast<double>(
            v.CountOnes(static_cast<std::size_t>(from), static_cast<std::size_t>(to)));
        low = ones == to - from + 1 ? 1 : 0;
        high = ones > 0 ? 1 : 0;
        sum = ones;
        return;
    }
    const auto at = [&v](int i) { return static_cast<double>(v[i]); };
    const double first = Scaled ? at(from) * multiplier : at(from);
    double lows[4] = {first, first, first, first};
    double highs[4] = {first, first, first, first};
    double sums[4] = {0, 0, 0, 0};
    int k = from;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128d scale = _mm_set1_pd(multiplier);
    __m128d lowA = _mm_set1_pd(first);
    __m128d lowB = lowA;
    __m128d highA = lowA;
    __m128d highB = lowA;
    __m128d sumA = _mm_setzero_pd();
    __m128d sumB = sumA;
    for (; k + 3 <= to; k += 4) {
        __m128d a;
        __m128d b;
        if constexpr (std::is_same_v<V, const double*>) {
            a = _mm_loadu_pd(v + k);
            b = _mm_loadu_pd(v + k + 2);
        } else {
            a = _mm_set_pd(at(k + 1), at(k));
            b = _mm_set_pd(at(k + 3), at(k + 2));
        }
        if constexpr (Scaled) {
            a = _mm_mul_pd(a, scale);
            b = _mm_mul_pd(b, scale);
        }
        // Min and max answer their second operand unless the first is below (above) it: the
        // accumulator goes first, as in the plain lanes.
        lowA = _mm_min_pd(lowA, a);
        lowB = _mm_min_pd(lowB, b);
        highA = _mm_max_pd(highA, a);
        highB = _mm_max_pd(highB, b);
        sumA = _mm_add_pd(sumA, a);
        sumB = _mm_add_pd(sumB, b);
    }
    _mm_storeu_pd(lows, lowA);
    _mm_storeu_pd(lows + 2, lowB);
    _mm_storeu_pd(highs, highA);
    _mm_storeu_pd(highs + 2, highB);
    _mm_storeu_pd(sums, sumA);
    _mm_storeu_pd(sums + 2, sumB);
#else
    for (; k + 3 <= to; k += 4) {
        for (int j = 0; j < 4; ++j) {
            const double x = Scaled ? at(k + j) * multiplier : at(k + j);
            lows[j] = lows[j] < x ? lows[j] : x;
            highs[j] = highs[j] > x ? highs[j] : x;
            sums[j] += x;
        }
    }
#endif
    low = std::min({lows[0], lows[1], lows[2], lows[3]});
    high = std::max({highs[0], highs[1], highs[2], highs[3]});
    sum = (sums[0] + sums[1]) + (sums[2] + sums[3]);
    for (; k <= to; ++k) {
        const double x = Scaled ? at(k) * multiplier : at(k);
        low = low < x ? low : x;
        high = high > x ? high : x;
        sum += x;
    }
}

// The last index in From..Last where Holds is true, for a Holds that is true at From and
// stays true up to some index, false after it. The search gallops out from Hint, so a good
// hint costs a few probes near it.
template <class Pred> int LastWhere(int from, int last, int hint, Pred holds)
{
    int inside = from;
    int outside = last + 1;
    hint = std::clamp(hint, from, last);
    if (hint > from) (holds(hint) ? inside : outside) = hint;
    int step = 1;
    if (outside == last + 1) {
        while (inside + step <= last && holds(inside + step)) {
            inside += step;
            step *= 2;
        }
        outside = std::min(inside + step, last + 1);
    } else {
        while (outside - step > inside && !holds(outside - step)) {
            outside -= step;
            step *= 2;
        }
        inside = std::max(inside, outside - step);
    }
    while (outside - inside > 1) {
        const int mid = inside + (outside - inside) / 2;
        (holds(mid) ? inside : outside) = mid;
    }
    return inside;
}

} // namespace

TSeriesPointer::TSeriesPointer(TChartSeries* series)
    : FBrush(std::make_unique<TChartBrush>([this](TObject*) { Repaint(); })),
      FPen(std::make_unique<TChartPen>([this](TObject*) { Repaint(); })), FSeries(series)
{
}

TSeriesPointer::~TSeriesPointer() = default;

void TSeriesPointer::Repaint()
{
    if (FSeries != nullptr) FSeries->RequestRepaint();
}

template <class T> void TSeriesPointer::Change(T& field, const T& value)
{
    if (StoreChanged(field, value)) Repaint();
}

void TSeriesPointer::SetBrush(const TBrush* value)
{
    FBrush->Assign(value);
}

void TSeriesPointer::SetDark3D(bool value)
{
    Change(FDark3D, value);
}

void TSeriesPointer::SetDraw3D(bool value)
{
    Change(FDraw3D, value);
}

void TSeriesPointer::SetHorizSize(int value)
{
    Change(FHorizSize, value);
}

void TSeriesPointer::SetInflateMargins(bool value)
{
    Change(FInflateMargins, value);
}

void TSeriesPointer::SetPen(const TChartPen* value)
{
    FPen->Assign(value);
}

void TSeriesPointer::SetStyle(TSeriesPointerStyle value)
{
    Change(FStyle, value);
}

void TSeriesPointer::SetVertSize(int value)
{
    Change(FVertSize, value);
}

void TSeriesPointer::SetVisible(bool value)
{
    Change(FVisible, value);
}

void TSeriesPointer::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TSeriesPointer*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    FBrush->Assign(other->FBrush.get());
    FPen->Assign(other->FPen.get());
    SetDark3D(other->FDark3D);
    SetDraw3D(other->FDraw3D);
    SetHorizSize(other->FHorizSize);
    SetInflateMargins(other->FInflateMargins);
    SetStyle(other->FStyle);
    SetVertSize(other->FVertSize);
    SetVisible(other->FVisible);
}

TCustomSeries::TCustomSeries(TComponent* owner)
    : TChartSeries(owner),
      FAreaLinesPen(std::make_unique<TChartPen>([this](TObject*) { RequestRepaint(); })),
      FLinePen(std::make_unique<TChartPen>([this](TObject*) { RequestRepaint(); })),
      FPointer(std::make_unique<TSeriesPointer>(this))
{
    SetIncludeNextOutside(true);
}

TCustomSeries::~TCustomSeries() = default;

template <class T> void TCustomSeries::Change(T& field, const T& value)
{
    if (StoreChanged(field, value)) RequestRepaint();
}

void TCustomSeries::SetAreaBrush(TBrushStyle value)
{
    Change(FAreaBrush, value);
}

void TCustomSeries::SetAreaColor(TColor value)
{
    Change(FAreaColor, value);
}

void TCustomSeries::SetAreaLinesPen(const TChartPen* value)
{
    FAreaLinesPen->Assign(value);
}

void TCustomSeries::SetDark3D(bool value)
{
    Change(FDark3D, value);
}

void TCustomSeries::SetDrawArea(bool value)
{
    Change(FDrawArea, value);
}

void TCustomSeries::SetConnectPoints(bool value)
{
    Change(FConnectPoints, value);
}

void TCustomSeries::SetInvertedStairs(bool value)
{
    Change(FInvertedStairs, value);
}

void TCustomSeries::SetLineBrush(TBrushStyle value)
{
    Change(FLineBrush, value);
}

void TCustomSeries::SetLineHeight(int value)
{
    Change(FLineHeight, value);
}

void TCustomSeries::SetLinePen(const TChartPen* value)
{
    FLinePen->Assign(value);
}

void TCustomSeries::SetPointer(const TSeriesPointer* value)
{
    FPointer->Assign(value);
}

void TCustomSeries::SetStairs(bool value)
{
    Change(FStairs, value);
}

void TCustomSeries::ComputeDrawnRange()
{
    const TChartValueList* xs = XValues();
    const TCustomChartAxis* axis = HorizAxisObject();
    // A negative multiplier turns an ascending list around; the plain scan copes with that.
    if (!LimitToVisible() || xs->Order() != loAscending || axis == nullptr ||
        !(xs->Multiplier() > 0)) {
        TChartSeries::ComputeDrawnRange();
        return;
    }
    FFirstDrawnIndex = -1;
    FLastDrawnIndex = -1;
    const auto& stored = xs->StoredValues();
    const int count = static_cast<int>(stored.size());
    if (count == 0) return;
    const double multiplier = xs->Multiplier();
    const TRect& rect = ParentChart()->ChartRect();
    const double low = axis->PixelToValue(axis->Inverted() ? rect.Right : rect.Left);
    const double high = axis->PixelToValue(axis->Inverted() ? rect.Left : rect.Right);
    // The scaled values compare exactly as PointX would give them.
    auto firstNotBelow = [&](int from, double limit) {
        const auto it = std::partition_point(stored.begin() + from, stored.end(),
                                             [&](double v) { return v * multiplier < limit; });
        return static_cast<int>(it - stored.begin());
    };
    const int first = firstNotBelow(0, low);
    if (first == count) return;
    FFirstDrawnIndex = first;
    const int last = count - 1;
    if (stored[static_cast<size_t>(last)] * multiplier <= high) {
        FLastDrawnIndex = last;
        return;
    }
    int lastDrawn = std::min(firstNotBelow(first, high), last);
    if (!IncludeNextOutside() && stored[static_cast<size_t>(lastDrawn)] * multiplier > high)
        --lastDrawn;
    FLastDrawnIndex = lastDrawn;
}

void TCustomSeries::DrawSegment(int x, int y, TColor color)
{
    if ((x == FPrevPixelX && y == FPrevPixelY) || color == clNone || !FConnectPoints || FDrawArea)
        return;
    TChartCanvas3D* canvas = ParentChart()->Canvas3D();
    canvas->ApplyChartPen(FLinePen.get());
    canvas->Brush()->SetStyle(bsClear);
    canvas->Pen()->SetColor(color);
    if (!FStairs) {
        canvas->DrawLine(FPrevPixelX, FPrevPixelY, x, y);
    } else if (FInvertedStairs) {
        canvas->DrawVertLine(FPrevPixelX, FPrevPixelY, y);
        canvas->DrawLineTo(x, y);
    } else {
        canvas->DrawHorizLine(FPrevPixelX, x, FPrevPixelY);
        canvas->DrawLineTo(x, y);
    }
}

void TCustomSeries::EnteringStart(int index)
{
    // The segment entering the plot starts on the edge, at the height of the line between
    // the last point left of the plot and this one.
    const TCustomChartAxis* horiz = HorizAxisObject();
    const TRect& rect = ParentChart()->ChartRect();
    FPrevPixelX = horiz->Inverted() ? rect.Right : rect.Left;
    if (FStairs) {
        FPrevPixelY = YPixel(index - 1);
        return;
    }
    const long double edge = horiz->PixelToValue(FPrevPixelX);
    const long double x0 = PointX(index - 1);
    const long double x1 = PointX(index);
    const long double y0 = PointY(index - 1);
    const long double y1 = PointY(index);
    if (x1 - x0 != 0)
        FPrevPixelY = VertAxisObject()->ValueToPixel(
            static_cast<double>((y1 - y0) * (edge - x0) / (x1 - x0) + y0));
    else
        FPrevPixelY = YPixel(index - 1);
}

void TCustomSeries::DrawFarSegment(long double x0, long double y0, long double x1, long double y1,
                                   TColor color)
{
    if (color == clNone || !FConnectPoints || FDrawArea) return;
    TChartCanvas3D* canvas = ParentChart()->Canvas3D();
    canvas->ApplyChartPen(FLinePen.get());
    canvas->Brush()->SetStyle(bsClear);
    canvas->Pen()->SetColor(color);
    auto line = [canvas](long double ax, long double ay, long double bx, long double by) {
        if (!ClipToDrawableRange(ax, ay, bx, by)) return;
        canvas->DrawLine(static_cast<int>(std::llround(ax)), static_cast<int>(std::llround(ay)),
                         static_cast<int>(std::llround(bx)), static_cast<int>(std::llround(by)));
    };
    if (!FStairs) {
        line(x0, y0, x1, y1);
    } else if (FInvertedStairs) {
        line(x0, y0, x0, y1);
        line(x0, y1, x1, y1);
    } else {
        line(x0, y0, x1, y0);
        line(x1, y0, x1, y1);
    }
}

void TCustomSeries::PaintPoint(int index)
{
    const TColor color = PointColor(index);
    const int x = XPixel(index);
    const int y = YPixel(index);
    const long double farX = HorizAxisObject()->ValueToPixelF(PointX(index));
    const long double farY = VertAxisObject()->ValueToPixelF(PointY(index));
    // The axes map positions beyond 2^31 pixels to their centre; those are far points too.
    if (OutsideDrawableRange(x) || OutsideDrawableRange(y) || !(std::fabs(farX) < 32767) ||
        !(std::fabs(farY) < 32767)) {
        // Far beyond the plot (zoomed deep into the gap before a sample): the point itself
        // cannot be drawn, but the part of its segment that crosses the plot must be, or the
        // waveform would vanish or stop short of the edge.
        if (index == FFirstDrawnIndex) {
            if (index > 0 && !IsNullPoint(index - 1)) {
                EnteringStart(index);
                DrawFarSegment(FPrevPixelX, FPrevPixelY, farX, farY, color);
            }
        } else if (FPrevColor != clNone) {
            if (FPrevFar)
                DrawFarSegment(FPrevFarX, FPrevFarY, farX, farY, color);
            else
                DrawFarSegment(FPrevPixelX, FPrevPixelY, farX, farY, color);
        }
        FPrevFar = true;
        FPrevFarX = farX;
        FPrevFarY = farY;
        FPrevColor = color;
        return;
    }
    TChartCanvas3D* canvas = ParentChart()->Canvas3D();
    canvas->Pen()->SetColor(clBlack);
    canvas->Brush()->SetColor(color);
    if (FPrevColor == clNone) {
        FPrevPixelX = x;
        FPrevPixelY = y;
        FPrevFar = false;
    }
    if (FPrevFar && index != FFirstDrawnIndex) {
        DrawFarSegment(FPrevFarX, FPrevFarY, x, y, color);
        FPrevFar = false;
        FPrevPixelX = x;
        FPrevPixelY = y;
        FPrevColor = color;
        return;
    }
    FPrevFar = false;
    if (index == FFirstDrawnIndex) {
        if (index > 0) {
            EnteringStart(index);
            if (!IsNullPoint(index - 1)) DrawSegment(x, y, color);
        }
    } else {
        DrawSegment(x, y, color);
    }
    FPrevPixelX = x;
    FPrevPixelY = y;
    FPrevColor = color;
}

bool TCustomSeries::CanMergeColumns() const
{
    // Merged segments must give the very pixels the one-by-one drawing gives: a solid
    // one-pixel copy pen, nothing drawn per point, and a horizontal order that keeps every
    // pixel column of the drawn range in one piece.
    const TChartValueList* xs = XValues();
    return FConnectPoints && !FDrawArea && !FStairs && !FPointer->Visible() &&
           FLinePen->Visible() && FLinePen->Width() == 1 && FLinePen->Style() == psSolid &&
           FLinePen->Mode() == pmCopy && !FLinePen->SmallDots() && LimitToVisible() &&
           xs->Order() == loAscending && xs->Multiplier() > 0 && HorizAxisObject() != nullptr &&
           VertAxisObject() != nullptr;
}

int TCustomSeries::PaintColumnRun(int index, int last)
{
    // After a far point PaintPoint draws the way back in.
    if (FPrevColor == clNone || FPrevFar) return index;
    const int column = FPrevPixelX;
    if (XPixel(index) != column) return index;

    const int inside = ColumnEnd(index, last, column, FColumnRunLength);
    // Neighbouring columns hold about as many points: the next search starts from this one.
    FColumnRunLength = inside - index + 1;
    // Without colours of their own all points share the series colour: the run is the column.
    const bool oneColor = !HasOwnPointColors() && !ColorEachPoint();
    const TColor color = oneColor ? SeriesColor() : PointColor(index);
    if (color == clNone) return index;
    int runEnd = oneColor ? inside : index;
    while (runEnd < inside && PointColor(runEnd + 1) == color)
        ++runEnd;

    int spanLow = 0;
    int spanHigh = -1;
    int end = 0;
    if (!ColumnSpan(index, runEnd, spanLow, spanHigh, end)) return index;

    TChartCanvas3D* canvas = ParentChart()->Canvas3D();
    if (spanLow <= spanHigh) {
        canvas->ApplyChartPen(FLinePen.get());
        canvas->Brush()->SetStyle(bsClear);
        canvas->Pen()->SetColor(color);
        canvas->DrawVertLine(column, spanLow, spanHigh + 1);
    }
    canvas->Brush()->SetColor(color);
    FPrevPixelY = end;
    FPrevColor = color;
    return runEnd + 1;
}

int TCustomSeries::ColumnEnd(int index, int last, int column, int lengthHint) const
{
    // The value where the next column begins, by the axis' own mapping, and the raw X values
    // give a close guess cheaply; rounding decides the points right at that value, so the
    // mapping of the points has the last word. The X values are sorted and the mapping is
    // monotone, so the points of one column are consecutive.
    int guess = index;
    double boundary = 0;
    if (HorizAxisObject()->ColumnBoundary(column, boundary)) {
        const auto& xs = XValues()->StoredValues();
        const double multiplier = XValues()->Multiplier();
        guess = LastWhere(index, last, index + lengthHint - 1, [&](int k) {
            return xs[static_cast<size_t>(k)] * multiplier < boundary;
        });
    }
    return LastWhere(index, last, guess, [&](int k) { return XPixel(k) == column; });
}

bool TCustomSeries::ColumnSpan(int index, int runEnd, int& spanLow, int& spanHigh, int& end) const
{
    // The segments from the previous position through points Index..RunEnd all lie in one
    // column and chain end to start; the rasteriser tells the span they cover from the
    // extremes of the positions visited on the way.
    const TAxisMapping& vert = VertAxisObject()->Mapping();
    const auto& ys = YValues()->StoredValues();
    const double multiplier = YValues()->Multiplier();
    auto value = [&](int k) { return ys[static_cast<size_t>(k)] * multiplier; };

    end = vert.ValueToPixel(value(runEnd));
    if (OutsideDrawableRange(end) || !(std::fabs(vert.ValueToPixelF(value(runEnd))) < 32767))
        return false;
    // The trailing points that land on the final position.
    const double endValue = value(runEnd);
    int before = runEnd;
    while (before >= index &&
           (value(before) == endValue || vert.ValueToPixel(value(before)) == end))
        --before;

    // No position between the previous one and the final one until one is found.
    int low = 1;
    int high = 0;
    if (before >= index) {
        double lowValue = 0;
        double highValue = 0;
        double sum = 0;
        ys.Visit([&](const auto& v) {
            if (multiplier == 1)
                ScanValues<false>(v, index, before, multiplier, lowValue, highValue, sum);
            else
                ScanValues<true>(v, index, before, multiplier, lowValue, highValue, sum);
        });
        // NaN and infinities map to the axis centre and are no extremes: PaintPoint judges
        // those points.
        if (!std::isfinite(sum)) return false;
        // The extremes stand for every point between them only where the mapping is
        // monotone: values so far off that they map to the axis centre do not qualify.
        if (!vert.MapsMonotonically(lowValue, highValue)) return false;
        const int a = vert.ValueToPixel(lowValue);
        const int b = vert.ValueToPixel(highValue);
        if (OutsideDrawableRange(a) || OutsideDrawableRange(b)) return false;
        low = std::min(a, b);
        high = std::max(a, b);
    }
    TStroker::ColumnSpan(FPrevPixelY, low, high, end, spanLow, spanHigh);
    return true;
}

void TCustomSeries::PaintAllPoints()
{
    if (FFirstDrawnIndex < 0) return;
    if (!DrawValuesForward() || !CanMergeColumns()) {
        TChartSeries::PaintAllPoints();
        return;
    }
    const int first = FFirstDrawnIndex;
    const int last = FLastDrawnIndex;
    PaintPoint(first);
    // The last point may lie anywhere right of the plot, so it is left to PaintPoint.
    const int runLimit = last - 1;
    int i = first + 1;
    while (i <= last) {
        const int next = i <= runLimit ? PaintColumnRun(i, runLimit) : i;
        if (next == i) {
            PaintPoint(i);
            ++i;
        } else {
            i = next;
        }
    }
}

void TCustomSeries::CalcHorizMargins(int& left, int& right) const
{
    TChartSeries::CalcHorizMargins(left, right);
    if (FPointer->Visible() && FPointer->InflateMargins()) {
        left = std::max(left, FPointer->HorizSize() + 1);
        right = std::max(right, FPointer->HorizSize() + 1);
    }
    if (FStairs && FConnectPoints) {
        left = std::max(left, FLinePen->Width());
        right = std::max(right, FLinePen->Width());
    }
}

void TCustomSeries::CalcVerticalMargins(int& top, int& bottom) const
{
    TChartSeries::CalcVerticalMargins(top, bottom);
    if (FPointer->Visible() && FPointer->InflateMargins()) {
        top = std::max(top, FPointer->VertSize() + 1);
        bottom = std::max(bottom, FPointer->VertSize() + 1);
    }
    if (FStairs && FConnectPoints) {
        top = std::max(top, FLinePen->Width());
        bottom = std::max(bottom, FLinePen->Width() + 1);
    }
    if (FLineHeight > 0 && !FDrawArea) bottom = std::max(bottom, FLineHeight);
}

int TCustomSeries::Clicked(int x, int y) const
{
    if (FFirstDrawnIndex < 0 || ParentChart() == nullptr) return -1;
    const int last = std::min(FLastDrawnIndex, PointCount() - 1);
    int prevX = 0;
    int prevY = 0;
    bool havePrev = false;
    for (int i = FFirstDrawnIndex; i <= last; ++i) {
        const int px = XPixel(i);
        const int py = YPixel(i);
        if (px == x && py == y) return i;
        if (FPointer->Visible() && ClickedPointer(i, px, py, x, y)) return i;
        if (FClickableLine && havePrev && !IsNullPoint(i)) {
            // Distance from (X, Y) to the segment, under one pixel.
            const double dx = px - prevX;
            const double dy = py - prevY;
            const double lengthSquared = dx * dx + dy * dy;
            double t =
                lengthSquared > 0 ? ((x - prevX) * dx + (y - prevY) * dy) / lengthSquared : 0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = prevX + t * dx - x;
            const double ey = prevY + t * dy - y;
            if (ex * ex + ey * ey < 1.0) return i;
        }
        havePrev = !IsNullPoint(i);
        prevX = px;
        prevY = py;
    }
    return -1;
}

bool TCustomSeries::ClickedPointer(int index, int px, int py, int x, int y) const
{
    (void)index;
    return std::abs(x - px) <= FPointer->HorizSize() && std::abs(y - py) <= FPointer->VertSize();
}

TLineSeries::TLineSeries(TComponent* owner) : TCustomSeries(owner)
{
    SetConnectPoints(true);
    Pointer()->SetVisible(false);
}
