#include "viewer/PulseReadout.h"

#include <algorithm>
#include <cmath>

#include "toolkit/CodePage.h"
#include "toolkit/FormatFloat.h"

namespace {

// The points of a span pair, read as TBitPoints reads a model's.
class TSpanPoints
{
public:
    TSpanPoints(std::span<const double> xs, std::span<const double> ys)
        : FXs(xs), FYs(ys), FCount(static_cast<std::ptrdiff_t>(std::min(xs.size(), ys.size())))
    {
    }
    std::ptrdiff_t Count() const { return FCount; }
    double X(std::ptrdiff_t i) const { return FXs[static_cast<size_t>(i)]; }
    double Y(std::ptrdiff_t i) const { return FYs[static_cast<size_t>(i)]; }
    std::ptrdiff_t UpperBound(double time) const
    {
        const auto begin = FXs.begin();
        return std::upper_bound(begin, begin + FCount, time) - begin;
    }

private:
    std::span<const double> FXs;
    std::span<const double> FYs;
    std::ptrdiff_t FCount;
};

// Points at one time count with the last of them only: it holds from that time on.
template <class TPoints> class TSteps
{
public:
    explicit TSteps(const TPoints& points) : FPoints(points), FCount(points.Count()) {}

    std::ptrdiff_t Count() const { return FCount; }
    double X(std::ptrdiff_t i) const { return FPoints.X(i); }
    double Y(std::ptrdiff_t i) const { return FPoints.Y(i); }
    bool LastAtItsTime(std::ptrdiff_t i) const { return i + 1 == FCount || X(i + 1) != X(i); }

    // The last point at or before Time, or -1.
    std::ptrdiff_t At(double time) const { return FPoints.UpperBound(time) - 1; }

    // From point I (last at its time, of level Y(I)) back to the edge that began its level:
    // the index of the first point after it, or -1 when the level holds from the start.
    std::ptrdiff_t EdgeBefore(std::ptrdiff_t i) const
    {
        const double level = Y(i);
        for (std::ptrdiff_t j = i - 1; j >= 0; --j)
            if (LastAtItsTime(j) && Y(j) != level) return j + 1;
        return -1;
    }

    // From point I (last at its time) on to the next change of level: the index of the
    // last point at the edge's time, or -1 when the level holds to the end.
    std::ptrdiff_t EdgeAfter(std::ptrdiff_t i) const
    {
        const double level = Y(i);
        for (std::ptrdiff_t j = i + 1; j < FCount; ++j)
            if (LastAtItsTime(j) && Y(j) != level) return j;
        return -1;
    }

private:
    const TPoints& FPoints;
    std::ptrdiff_t FCount;
};

double HighPart(double level, double from, double to)
{
    return level > 0.5 ? to - from : 0;
}

template <class TPoints> TPulseReadout Measure(const TPoints& points, double time)
{
    TPulseReadout r;
    const TSteps<TPoints> steps(points);
    if (steps.Count() == 0 || !(time >= steps.X(0)) || !(time <= steps.X(steps.Count() - 1)))
        return r;
    const std::ptrdiff_t at = steps.At(time);
    r.Valid = true;
    r.Time = time;
    r.Level = steps.Y(at);

    const std::ptrdiff_t before = steps.EdgeBefore(at);
    r.StartIsEdge = before >= 0;
    r.Start = r.StartIsEdge ? steps.X(before) : steps.X(0);
    const std::ptrdiff_t after = steps.EdgeAfter(at);
    r.EndIsEdge = after >= 0;
    r.End = r.EndIsEdge ? steps.X(after) : steps.X(steps.Count() - 1);
    if (!r.StartIsEdge || !r.EndIsEdge) return r;

    const double high = HighPart(r.Level, r.Start, r.End);
    if (const std::ptrdiff_t next = steps.EdgeAfter(after); next >= 0) {
        r.HasPeriod = true;
        r.Period = steps.X(next) - r.Start;
        r.Duty = high + HighPart(steps.Y(after), r.End, steps.X(next));
    } else if (const std::ptrdiff_t previous = steps.EdgeBefore(before - 1); previous >= 0) {
        r.HasPeriod = true;
        r.Period = r.End - steps.X(previous);
        r.Duty = high + HighPart(steps.Y(before - 1), steps.X(previous), r.Start);
    }
    if (r.HasPeriod) r.Duty = r.Period > 0 ? r.Duty / r.Period : 0;
    return r;
}

} // namespace

TPulseReadout MovedWithinStretch(const TPulseReadout& readout, double time)
{
    TPulseReadout r = readout;
    r.Time = time;
    return r;
}

namespace {

template <class TPoints> bool Nearest(const TPoints& points, double time, double& edgeTime)
{
    const TSteps<TPoints> steps(points);
    if (steps.Count() == 0) return false;
    std::ptrdiff_t at = steps.At(time);
    bool found = false;
    double best = 0;
    auto consider = [&](double candidate) {
        if (!found || std::abs(candidate - time) < std::abs(best - time) ||
            (std::abs(candidate - time) == std::abs(best - time) && candidate < best))
            best = candidate;
        found = true;
    };
    if (at >= 0) {
        if (const std::ptrdiff_t before = steps.EdgeBefore(at); before >= 0)
            consider(steps.X(before));
    } else {
        at = 0;
        while (!steps.LastAtItsTime(at))
            ++at;
    }
    if (const std::ptrdiff_t after = steps.EdgeAfter(at); after >= 0) consider(steps.X(after));
    if (found) edgeTime = best;
    return found;
}

} // namespace

TPulseReadout MeasurePulse(std::span<const double> xs, std::span<const double> ys, double time)
{
    return Measure(TSpanPoints(xs, ys), time);
}

TPulseReadout MeasurePulse(const TBitPoints& points, double time)
{
    return Measure(points, time);
}

bool NearestEdge(std::span<const double> xs, std::span<const double> ys, double time,
                 double& edgeTime)
{
    return Nearest(TSpanPoints(xs, ys), time, edgeTime);
}

bool NearestEdge(const TBitPoints& points, double time, double& edgeTime)
{
    return Nearest(points, time, edgeTime);
}

std::string FormatReadout(const TPulseReadout& readout, const std::string& format,
                          const std::string& unit)
{
    if (!readout.Valid) return {};
    static const std::string level = Utf8ToCp1251("   уровень ");
    static const std::string from = Utf8ToCp1251("   от ");
    static const std::string to = Utf8ToCp1251(" до ");
    static const std::string width = Utf8ToCp1251("   ширина ");
    static const std::string period = Utf8ToCp1251("   период ");
    static const std::string duty = Utf8ToCp1251("   заполнение ");
    auto number = [&](double value) { return FormatFloat(format, value); };
    const std::string suffix = unit.empty() ? unit : " " + unit;
    auto time = [&](double value) { return number(value) + suffix; };
    std::string text = "t = " + time(readout.Time) + level + number(readout.Level) + from +
                       time(readout.Start) + to + time(readout.End) + width + time(readout.Width());
    if (readout.HasPeriod)
        text += period + time(readout.Period) + duty + number(readout.Duty * 100) + " %";
    return text;
}
