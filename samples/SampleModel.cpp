#include "samples/SampleModel.h"

#include <algorithm>
#include <numeric>

TSampleModel::TSampleModel(const TSampleLines& lines) : FLineCount(std::max(lines.Count(), 0))
{
    FTimes.reserve(static_cast<size_t>(FLineCount));
    FWords.reserve(static_cast<size_t>(FLineCount));
    bool ascending = true;
    for (int line = 0; line < FLineCount; ++line) {
        const TSampleLineRead read = ReadSampleLine(lines.Line(line));
        if (!read.IsSample()) {
            FBadLines.push_back(line);
            continue;
        }
        if (ascending && !FTimes.empty() && read.Time < FTimes.back()) ascending = false;
        FTimes.push_back(read.Time);
        FWords.push_back(read.Word);
        if (ascending) FAscendingSamples = SampleCount();
    }
    FBadLines.shrink_to_fit();
}

int TSampleModel::SampleOfLine(int line) const
{
    if (line < 0 || line >= FLineCount) return -1;
    const auto at = std::lower_bound(FBadLines.begin(), FBadLines.end(), line);
    if (at != FBadLines.end() && *at == line) return -1;
    return line - static_cast<int>(at - FBadLines.begin());
}

int TSampleModel::LineOfSample(int sample) const
{
    if (sample < 0 || sample >= SampleCount()) return -1;
    // Bad line j has BadLines[j] - j samples before it, a count that never decreases; the
    // sample's line is past exactly those bad lines with at most Sample samples before them.
    int lo = 0;
    int hi = static_cast<int>(FBadLines.size());
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (FBadLines[static_cast<size_t>(mid)] - mid <= sample)
            lo = mid + 1;
        else
            hi = mid;
    }
    return sample + lo;
}

int TSampleModel::FirstSampleAtTime(double time, int limit) const
{
    limit = std::clamp(limit, 0, SampleCount());
    const auto begin = FTimes.begin();
    const auto end = begin + limit;
    if (limit <= FAscendingSamples) {
        const auto at =
            std::lower_bound(begin, end, time, [](int32_t t, double value) { return t < value; });
        return at != end && *at == time ? static_cast<int>(at - begin) : -1;
    }
    const auto at = std::find_if(begin, end, [time](int32_t t) { return t == time; });
    return at != end ? static_cast<int>(at - begin) : -1;
}

int TSampleModel::FirstLineAtTime(double time, int limit) const
{
    limit = std::clamp(limit, 0, FLineCount);
    const auto badBefore = std::lower_bound(FBadLines.begin(), FBadLines.end(), limit);
    const int samples = limit - static_cast<int>(badBefore - FBadLines.begin());
    return LineOfSample(FirstSampleAtTime(time, samples));
}

std::vector<int> TSampleModel::TimeOrder(int limit) const
{
    limit = std::clamp(limit, 0, SampleCount());
    if (limit <= FAscendingSamples) return {};
    std::vector<int> order(static_cast<size_t>(limit));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return Time(a) < Time(b); });
    return order;
}

TBitPoints::TBitPoints(const TSampleModel& model, int bit, int samples,
                       const std::vector<int>& order)
    : FModel(&model), FOrder(order.empty() ? nullptr : &order), FBit(bit),
      FSamples(std::clamp(samples, 0, model.SampleCount()))
{
    // The origin is added first, so it stands before every sample at time 0 or later.
    int lo = 0;
    int hi = FSamples;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const int sample = FOrder != nullptr ? (*FOrder)[static_cast<size_t>(mid)] : mid;
        if (FModel->Time(sample) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    FOrigin = 2 * std::ptrdiff_t{lo};
}

int TBitPoints::SampleAt(std::ptrdiff_t i, bool& second) const
{
    const std::ptrdiff_t j = i < FOrigin ? i : i - 1;
    second = (j & 1) != 0;
    const std::ptrdiff_t rank = j / 2;
    return FOrder != nullptr ? (*FOrder)[static_cast<size_t>(rank)] : static_cast<int>(rank);
}

double TBitPoints::X(std::ptrdiff_t i) const
{
    if (i == FOrigin) return 0;
    bool second = false;
    return FModel->Time(SampleAt(i, second));
}

double TBitPoints::Y(std::ptrdiff_t i) const
{
    if (i == FOrigin) return 0;
    bool second = false;
    const int sample = SampleAt(i, second);
    if (second) return FModel->Bit(sample, FBit);
    // The level before a sample is the bit of the one built before it, whatever its time.
    return sample == 0 ? 0 : FModel->Bit(sample - 1, FBit);
}

std::ptrdiff_t TBitPoints::UpperBound(double time) const
{
    std::ptrdiff_t lo = 0;
    std::ptrdiff_t hi = Count();
    while (lo < hi) {
        const std::ptrdiff_t mid = lo + (hi - lo) / 2;
        if (!(time < X(mid)))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}
