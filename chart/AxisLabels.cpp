// The axis labels: step search, label values and texts, and the tick layout, all as numbers;
// the measuring and drawing that use them live in AxisDraw.cpp.
#include "chart/AxisLabels.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "chart/ChartEngine.h"
#include "toolkit/FormatFloat.h"

namespace AxisLabels {

int64_t RoundEven(long double value)
{
    return std::llrint(value);
}

double NextStep(double step)
{
    // Neither recursion below ends for these; the search stops on an infinite step.
    if (!(step > 0)) return MinLabelStep;
    if (std::isinf(step)) return step;
    if (step >= 10) return static_cast<double>(NextStep(static_cast<double>(step * 0.1L)) * 10.0L);
    if (step < 1) return static_cast<double>(NextStep(static_cast<double>(step * 10.0L)) * 0.1L);
    if (step < 2) return 2;
    if (step < 5) return 5;
    return 10;
}

int FittingLabelCount(int labelSize, int labelsSeparation, int pixelLength)
{
    if (labelSize <= 0) return 1;
    int64_t room = labelSize;
    if (labelsSeparation > 0) room += RoundEven(0.01L * labelsSeparation * labelSize);
    return static_cast<int>(RoundEven(static_cast<long double>(pixelLength) / room));
}

double StepForCount(int maxLabels, double span, double increment, int labelsSeparation)
{
    if (maxLabels < 1) return MinLabelStep;
    double step = increment > 0 ? increment : (std::fabs(span) >= 1 ? 1 : MinLabelStep);
    if (labelsSeparation > 0) {
        int64_t count = static_cast<int64_t>(maxLabels) + 1;
        do {
            const long double quotient = span / static_cast<long double>(step);
            const bool withinCount = std::fabs(quotient) < 2147483647.0L;
            if (withinCount) count = RoundEven(quotient);
            if (!withinCount || count > maxLabels) {
                const double next = NextStep(step);
                // A step that stops growing (overflow) ends the search.
                if (!(next > step) || std::isinf(next)) break;
                step = next;
            }
        } while (count > maxLabels);
    }
    return std::max(step, MinLabelStep);
}

std::vector<double> LabelValues(double minimum, double maximum, double step, bool roundFirstLabel)
{
    std::vector<double> values;
    if (!(step > 0) || !(maximum >= minimum) || !std::isfinite(minimum) ||
        !std::isfinite(maximum) || !std::isfinite(step))
        return values;
    const double span = maximum - minimum;
    if (std::fabs(span / static_cast<long double>(step)) >= MaxLabelCount) return values;
    // Stepping down from a single value by the smallest step would repeat it
    // (or, for large values, never move at all).
    if (minimum == maximum) {
        values.push_back(maximum);
        return values;
    }

    double value = maximum;
    if (roundFirstLabel) {
        const long double quotient = maximum / static_cast<long double>(step);
        const long double whole = std::fabs(quotient) < 9.2E18L
                                      ? static_cast<long double>(static_cast<int64_t>(quotient))
                                      : std::trunc(quotient);
        value = static_cast<double>(whole * step);
    }
    while (value > maximum) {
        const double next = value - step;
        if (!(next < value)) return values;
        value = next;
    }
    // The margin lets a label a hair below the minimum through rounding still
    // count; it is mirrored for a negative minimum, where dividing would pull
    // the limit above the minimum and drop a label standing exactly on it.
    const long double below = minimum - 1E-12L;
    const long double limit = minimum >= 0 ? below / 1.000000000001L : below * 1.000000000001L;
    while (value >= limit && static_cast<int>(values.size()) < MaxLabelCount) {
        values.push_back(value);
        const double next = value - step;
        if (!(next < value)) break;
        value = next;
    }
    return values;
}

std::vector<int> CenteredGridPositions(const std::vector<int>& ticks)
{
    std::vector<int> positions;
    for (size_t i = 1; i < ticks.size(); ++i)
        positions.push_back(static_cast<int>(
            RoundEven((static_cast<long double>(ticks[i]) + ticks[i - 1]) * 0.5L)));
    return positions;
}

std::vector<int> MinorTickPositions(const std::vector<int>& ticks, int minorCount, bool extendEnds,
                                    int startPixel, int endPixel)
{
    std::vector<int> positions;
    if (ticks.empty() || minorCount < 1) return positions;
    const auto add = [&](int64_t position) {
        if (startPixel < position && position < endPixel)
            positions.push_back(static_cast<int>(position));
    };
    const long double parts = static_cast<long double>(minorCount) + 1;
    if (ticks.size() > 1 && extendEnds) {
        const long double spacing = (static_cast<long double>(ticks[1]) - ticks[0]) / parts;
        for (int j = 1; j <= minorCount; ++j) {
            add(ticks.front() - RoundEven(spacing * j));
            add(ticks.back() + RoundEven(spacing * j));
        }
    }
    for (size_t i = 1; i < ticks.size(); ++i) {
        const long double interval = static_cast<long double>(ticks[i]) - ticks[i - 1];
        for (int j = 1; j <= minorCount; ++j)
            add(ticks[i] - RoundEven(j * interval / parts));
    }
    return positions;
}

std::vector<std::string> LabelLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\r', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

int CenteredLabelTop(int p, int lineHeight, int lineCount)
{
    return static_cast<int>(p - lineHeight / 2 -
                            RoundEven(static_cast<long double>(lineHeight) * (lineCount + 1) / 2) +
                            lineHeight);
}

int OffsetByPositionPercent(int x, double percent, int chartExtent, bool horizontal, bool farSide)
{
    if (percent == 0) return x;
    int64_t offset = RoundEven(percent * 0.01L * chartExtent);
    if (farSide) offset = -offset;
    return static_cast<int>(horizontal ? x - offset : x + offset);
}

} // namespace AxisLabels

namespace {

using namespace AxisLabels;

// A label hook supplies at most this many values plus one.
constexpr int MaxCustomLabelIndex = 2000;

// The major tick positions of one drawing, in label order; full at MaxTickCount.
class TTickList
{
public:
    TTickList() { FPositions.reserve(MaxTickCount); }
    // Positions beyond the capacity are dropped: their labels are still written,
    // but they get no tick and no grid line.
    void Add(int position)
    {
        if (static_cast<int>(FPositions.size()) < MaxTickCount) FPositions.push_back(position);
    }
    const std::vector<int>& Positions() const { return FPositions; }

private:
    std::vector<int> FPositions;
};

} // namespace

TAxisLabelStyle TCustomChartAxis::EffectiveLabelStyle() const
{
    if (LabelStyle() != talAuto) return LabelStyle();
    TAxisLabelStyle result = talNone;
    for (const TChartSeries* series : ParentChart()->SeriesList()) {
        if (!series->Active() || !series->AssociatedToAxis(this)) continue;
        if (series->XValuesHorizontal() == IsHorizontal && series->PointCount() > 0 &&
            !series->PointLabel(0).empty())
            return talText;
        result = talValue;
    }
    return result;
}

std::string TCustomChartAxis::LabelText(double value) const
{
    std::string text = FormatFloat(AxisValuesFormat(), value);
    TCustomAxisPanel* chart = ParentChart();
    if (chart->OnGetAxisLabel)
        chart->OnGetAxisLabel(const_cast<TCustomChartAxis*>(this), nullptr, -1, text);
    if (LabelsMultiLine()) std::replace(text.begin(), text.end(), ' ', '\r');
    return text;
}

double TCustomChartAxis::NextLabelStep(double step)
{
    return NextStep(step);
}

double TCustomChartAxis::StepForLabelCount(int maxLabels) const
{
    return StepForCount(maxLabels, EffectiveSpan, Increment(), LabelsSeparation());
}

TTickLayout TCustomChartAxis::LayoutTicks(double step)
{
    TCustomAxisPanel* chart = ParentChart();
    TTickLayout layout;
    TTickList ticks;
    // The texts are asked for even when hidden: label handlers see every label. With ticks on
    // labels only, an axis without labels has no ticks.
    const auto placeLabel = [&](int p, std::string text) {
        if (!LabelsOnAxis() && !(StartPixel < p && p < EndPixel)) return;
        if (Labels() || !TickOnLabelsOnly()) ticks.Add(p);
        if (Labels()) layout.Labels.push_back(TTickLayout::TLabel{p, std::move(text)});
    };
    if (step > 0 && EffectiveMaximum >= EffectiveMinimum) {
        switch (EffectiveLabelStyle()) {
        case talValue:
            if (chart->OnGetNextAxisLabel) {
                // The handler supplies the values; it clears Stop for each one it gives.
                for (int index = 0; index <= MaxCustomLabelIndex; ++index) {
                    double value = 0;
                    bool stop = true;
                    chart->OnGetNextAxisLabel(this, index, value, stop);
                    if (stop) break;
                    if (value >= EffectiveMinimum - 1E-7 && value <= EffectiveMaximum + 1E-7)
                        placeLabel(ValueToPixel(value), LabelText(value));
                }
                break;
            }
            for (double value :
                 LabelValues(EffectiveMinimum, EffectiveMaximum, step, RoundFirstLabel()))
                placeLabel(ValueToPixel(value), LabelText(value));
            break;
        case talMark:
        case talText:
            for (const TChartSeries* series : chart->SeriesList()) {
                if (!series->Active() || !series->AssociatedToAxis(this)) continue;
                const bool alongX = series->XValuesHorizontal() == IsHorizontal;
                for (int i = 0; i < series->PointCount(); ++i) {
                    const double value = alongX ? series->PointX(i) : series->PointY(i);
                    if (value < EffectiveMinimum || value > EffectiveMaximum) continue;
                    placeLabel(ValueToPixel(value), series->PointLabel(i));
                }
            }
            break;
        default:
            break;
        }
    }

    layout.Ticks = ticks.Positions();
    layout.MinorTicks =
        MinorTickPositions(layout.Ticks, MinorTickCount(), !Logarithmic(), StartPixel, EndPixel);
    return layout;
}
