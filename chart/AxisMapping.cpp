#include "chart/AxisMapping.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

int ClampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace

int64_t RoundEven(long double value)
{
    return std::llrint(value);
}

void TAxisMapping::Place(int origin, long double extent, double startPercent, double endPercent)
{
    const long double onePercent = 0.01L;
    StartPixel = ClampToInt(origin + RoundEven(extent * onePercent * startPercent));
    EndPixel = ClampToInt(origin + RoundEven(extent * onePercent * endPercent));
    PixelLength = EndPixel - StartPixel;
    CenterPixel = static_cast<int>((static_cast<long long>(StartPixel) + EndPixel) / 2);
}

int TAxisMapping::ValueToPixel(double value) const
{
    if (EffectiveSpan == 0) return CenterPixel;
    const double t = static_cast<double>((static_cast<long double>(value) - EffectiveMinimum) *
                                         PixelLength / EffectiveSpan);
    // Also catches NaN, which no pixel can stand for.
    if (!(std::fabs(t) < 2147483647.0)) return CenterPixel;
    const long long offset = RoundEven(t);
    const bool fromEnd = IsHorizontal ? InvertedScale : !InvertedScale;
    return ClampToInt(fromEnd ? EndPixel - offset : StartPixel + offset);
}

long double TAxisMapping::ValueToPixelF(double value) const
{
    if (EffectiveSpan == 0 || std::isnan(value)) return CenterPixel;
    const long double t =
        (static_cast<long double>(value) - EffectiveMinimum) * PixelLength / EffectiveSpan;
    const bool fromEnd = IsHorizontal ? InvertedScale : !InvertedScale;
    return fromEnd ? EndPixel - t : StartPixel + t;
}

double TAxisMapping::PixelToValue(int pixel) const
{
    if (PixelLength < 1) return 0;
    long double d = InvertedScale ? static_cast<long double>(EndPixel) - pixel
                                  : static_cast<long double>(pixel) - StartPixel;
    d = d * EffectiveSpan / PixelLength;
    return static_cast<double>(IsHorizontal ? EffectiveMinimum + d : EffectiveMaximum - d);
}

bool TAxisMapping::ColumnBoundary(int column, double& boundary) const
{
    if (!(EffectiveSpan > 0 && PixelLength > 0)) return false;
    const double t = (InvertedScale ? EndPixel - column : column - StartPixel) + 0.5;
    boundary = EffectiveMinimum + t * EffectiveSpan / PixelLength;
    return true;
}

bool TAxisMapping::MapsMonotonically(double low, double high) const
{
    if (EffectiveSpan == 0) return true;
    const double scale = PixelLength / EffectiveSpan;
    const double farthest = std::max(std::fabs((low - EffectiveMinimum) * scale),
                                     std::fabs((high - EffectiveMinimum) * scale));
    return farthest < 1e9;
}

bool TAxisMapping::Covers(int along) const
{
    return along >= std::min(StartPixel, EndPixel) && along <= std::max(StartPixel, EndPixel);
}
