// What lies between two markers on one bit: its edges, its pulses, how long it is high,
// read from the samples in the order the chart draws them, and the readout line for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "samples/SampleModel.h"

struct TSpanStats
{
    // Changes of the bit between consecutive samples at times From .. To, both included.
    int Edges = 0;
    // Stretches between two of those edges, by the level they hold.
    int HighPulses = 0;
    int LowPulses = 0;
    // Time the bit is high within From .. To, where the samples say what it is.
    double HighTime = 0;
    // The shortest and longest of those pulses; valid with at least one pulse.
    double Shortest = 0;
    double Longest = 0;
};

// Bit of samples 0 .. Samples-1 taken in Order (Model.TimeOrder(Samples), empty when the
// times ascend); From and To in either order.
TSpanStats MeasureSpan(const TSampleModel& model, int samples, const std::vector<int>& order,
                       int bit, double from, double to);

// "A = .. B = .. B-A = .. 1/(B-A) = .." and the statistics (cp1251), each number in Format
// as the time axis writes its labels; times followed by Unit when there is one.
std::string FormatSpanReadout(double a, double b, const TSpanStats& stats,
                              const std::string& format, const std::string& unit = std::string());
