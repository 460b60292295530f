// Value Change Dump export of a log: every sample line's 32-bit word as one vector and its
// bits 0 to 7 as one-bit wires, for waveform viewers that read the IEEE 1364 text format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TVcdSample
{
    int64_t Time = 0;
    uint32_t Word = 0;
};

struct TVcdSamples
{
    // In file order.
    std::vector<TVcdSample> Samples;
    // 0-based indexes of the lines that are no sample line, in file order.
    std::vector<int> BadLines;
};

// Reads every line of a normalised text (CR LF between lines, as a load leaves it) the way
// the waveform build does, the last line left out when it is empty, but goes on past a bad
// line instead of stopping there.
TVcdSamples ReadVcdSamples(std::string_view text);

// "1 ns", "10us", "100 ps" ...: 1, 10 or 100 and one of s, ms, us, ns, ps, fs. Gives the
// text as the dump writes it ("10 us"), or an empty text when it is no time scale.
std::string NormaliseTimescale(std::string_view text);

// The whole dump. Samples are placed by a stable sort on their times (the order the charts
// give them); at a time shared by several samples the last of them holds. Every signal
// starts at 0, as the charts' waveforms do, and a change is written only where a value
// changes. Negative times are shifted so that the first one is 0, and a $comment says by
// how much. Timescale must be a normalised one.
std::string WriteVcd(const std::vector<TVcdSample>& samples, const std::string& timescale);
