// The axis labels: step search, label values and the tick layout, all as numbers; the axis
// asks for them in AxisDraw.cpp.
#include "chart/AxisLabels.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "chart/AxisMapping.h"

namespace AxisLabels {

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

TTickLayout LayoutTicks(std::vector<TTickLayout::TLabel> candidates, const TTickRules& rules,
                        int startPixel, int endPixel)
{
    TTickLayout layout;
    layout.Ticks.reserve(std::min<size_t>(candidates.size(), MaxTickCount));
    for (TTickLayout::TLabel& label : candidates) {
        const int p = label.Pixel;
        if (!rules.LabelsOnAxis && !(startPixel < p && p < endPixel)) continue;
        // Ticks beyond the capacity are dropped: their labels are still written, but they get
        // no tick and no grid line.
        if ((rules.ShowLabels || !rules.TickOnLabelsOnly) &&
            static_cast<int>(layout.Ticks.size()) < MaxTickCount)
            layout.Ticks.push_back(p);
        if (rules.ShowLabels) layout.Labels.push_back(std::move(label));
    }
    layout.MinorTicks = MinorTickPositions(layout.Ticks, rules.MinorCount, rules.ExtendMinorEnds,
                                           startPixel, endPixel);
    return layout;
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
