#include "viewer/SpanStats.h"

#include <algorithm>
#include <cmath>

#include "toolkit/CodePage.h"
#include "toolkit/FormatFloat.h"

TSpanStats MeasureSpan(const TSampleModel& model, int samples, const std::vector<int>& order,
                       int bit, double from, double to)
{
    TSpanStats stats;
    const double lo = std::min(from, to);
    const double hi = std::max(from, to);
    const int n = std::clamp(samples, 0, model.SampleCount());
    auto sample = [&](int p) { return order.empty() ? p : order[static_cast<size_t>(p)]; };
    auto time = [&](int p) { return static_cast<double>(model.Time(sample(p))); };
    auto level = [&](int p) { return model.Bit(sample(p), bit); };
    // The drawn order ascends in time: the first sample at or after Lo by bisection.
    int first = 0;
    for (int count = n; count > 0;) {
        const int half = count / 2;
        if (time(first + half) < lo) {
            first += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    // Before the first sample nothing is known, so no time counts there.
    int current = first > 0 ? level(first - 1) : -1;
    double at = lo;
    double lastEdge = 0;
    bool hasEdge = false;
    double shortest = 0;
    double longest = 0;
    int p = first;
    for (; p < n; ++p) {
        const double t = time(p);
        if (t > hi) break;
        if (current == 1) stats.HighTime += t - at;
        at = t;
        const int now = level(p);
        // The first sample makes no edge: nothing was before it.
        if (now != current && current >= 0) {
            ++stats.Edges;
            if (hasEdge) {
                const double width = t - lastEdge;
                ++(current == 1 ? stats.HighPulses : stats.LowPulses);
                shortest =
                    stats.HighPulses + stats.LowPulses == 1 ? width : std::min(shortest, width);
                longest = std::max(longest, width);
            }
            hasEdge = true;
            lastEdge = t;
        }
        current = now;
    }
    stats.Shortest = shortest;
    stats.Longest = longest;
    // The last level holds to Hi only when a later sample shows it still held there.
    if (current == 1 && p < n) stats.HighTime += hi - at;
    return stats;
}

std::string FormatSpanReadout(double a, double b, const TSpanStats& stats,
                              const std::string& format, const std::string& unit)
{
    static const std::string edges = Utf8ToCp1251("  фронтов ");
    static const std::string pulses = Utf8ToCp1251("  импульсов: выс. ");
    static const std::string low = Utf8ToCp1251(", низк. ");
    static const std::string high = Utf8ToCp1251("  высокий ");
    static const std::string shortest = Utf8ToCp1251("  мин. ");
    static const std::string longest = Utf8ToCp1251(", макс. ");
    const std::string suffix = unit.empty() ? unit : " " + unit;
    auto number = [&](double value) { return FormatFloat(format, value); };
    auto time = [&](double value) { return number(value) + suffix; };
    const double delta = b - a;
    // Two spaces between the groups and short words: the whole line must fit a chart's
    // title line at the window's first size.
    std::string text = "A = " + time(a) + "  B = " + time(b) + "  B-A = " + time(delta);
    if (delta != 0) {
        // A rate is no time: the time format's three decimals would show most of them as 0,
        // so it gets four significant digits.
        const double rate = 1 / delta;
        const int decimals =
            std::clamp(3 - static_cast<int>(std::floor(std::log10(std::abs(rate)))), 0, 15);
        text += "  1/(B-A) = " +
                FormatFloat(decimals > 0 ? "#,##0." + std::string(decimals, '#') : "#,##0", rate) +
                (unit.empty() ? "" : " 1/" + unit);
    }
    text += edges + std::to_string(stats.Edges) + pulses + std::to_string(stats.HighPulses) + low +
            std::to_string(stats.LowPulses);
    const double span = std::abs(delta);
    text += high + time(stats.HighTime);
    if (span > 0) text += " (" + number(stats.HighTime / span * 100) + " %)";
    if (stats.HighPulses + stats.LowPulses > 0)
        text += shortest + time(stats.Shortest) + longest + time(stats.Longest);
    return text;
}
