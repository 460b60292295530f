// The samples of a log's text, parsed once: per line a sample (time, 32-bit word) or a bad
// line, with look-ups between lines, samples and times. Every reader of samples reads this.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "samples/SampleLine.h"

// Whatever holds the text's lines: the model sees only their number and each line.
class TSampleLines
{
public:
    virtual ~TSampleLines() = default;
    virtual int Count() const = 0;
    // Valid until the next call or a change of the lines.
    virtual std::string_view Line(int index) const = 0;
};

class TSampleModel
{
public:
    TSampleModel() = default;
    explicit TSampleModel(const TSampleLines& lines);

    int LineCount() const { return FLineCount; }
    int SampleCount() const { return static_cast<int>(FTimes.size()); }
    // 0-based lines that are no sample line, ascending.
    const std::vector<int>& BadLines() const { return FBadLines; }
    // -1 when every line is a sample.
    int FirstBadLine() const { return FBadLines.empty() ? -1 : FBadLines.front(); }

    int32_t Time(int sample) const { return FTimes[static_cast<size_t>(sample)]; }
    uint32_t Word(int sample) const { return FWords[static_cast<size_t>(sample)]; }
    int Bit(int sample, int bit) const { return static_cast<int>((Word(sample) >> bit) & 1u); }

    // The sample a line holds, or -1 for a bad line or one out of range.
    int SampleOfLine(int line) const;
    // The line a sample came from, or -1 out of range.
    int LineOfSample(int sample) const;
    // How many of the first samples have times that never go back.
    int AscendingSamples() const { return FAscendingSamples; }
    // The first of samples 0 .. Limit-1 at Time, or -1; bisects while the times ascend.
    int FirstSampleAtTime(double time, int limit) const;
    // The same over lines 0 .. Limit-1: the first sample line at Time, or -1.
    int FirstLineAtTime(double time, int limit) const;
    // Samples 0 .. Limit-1 ordered by time, equal times in line order; empty when they
    // ascend already, so that the common case costs nothing.
    std::vector<int> TimeOrder(int limit) const;

private:
    // Bad lines are rare, so the samples are stored packed and bad lines apart.
    std::vector<int32_t> FTimes;
    std::vector<uint32_t> FWords;
    std::vector<int> FBadLines;
    int FLineCount = 0;
    int FAscendingSamples = 0;
};

// One bit of samples 0 .. Samples-1 as the waveform build draws it: the point (0, 0), then
// per sample the previous and the new bit at its time, ordered by time with equal times in
// the order built. Borrows the model and the order, which must outlive it.
class TBitPoints
{
public:
    TBitPoints() = default;
    // Order is Model.TimeOrder(Samples).
    TBitPoints(const TSampleModel& model, int bit, int samples, const std::vector<int>& order);

    std::ptrdiff_t Count() const
    {
        return FModel == nullptr ? 0 : 1 + 2 * std::ptrdiff_t{FSamples};
    }
    double X(std::ptrdiff_t i) const;
    double Y(std::ptrdiff_t i) const;
    // The number of points at or before Time.
    std::ptrdiff_t UpperBound(double time) const;

private:
    // The sample of a point other than the origin, and whether it is the new bit.
    int SampleAt(std::ptrdiff_t i, bool& second) const;

    const TSampleModel* FModel = nullptr;
    const std::vector<int>* FOrder = nullptr;
    int FBit = 0;
    int FSamples = 0;
    // The origin's place: after every sample earlier than time 0.
    std::ptrdiff_t FOrigin = 0;
};
