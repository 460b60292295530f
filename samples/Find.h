// Queries over a log's samples: pulses of a width, edges of a bit, words matching a bit
// pattern and gaps in time. Each is a pure function of the sample model; the tool lists them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "samples/SampleModel.h"

enum class TFindKind { Pulse, Edge, Word, Gap };
enum class TEdgeDirection { Rise, Fall, Any };

struct TFindQuery
{
    TFindKind Kind = TFindKind::Edge;
    int Bit = 0;
    // Pulse: the level the pulse holds (1 high, 0 low).
    int Level = 1;
    // Pulse widths below Shorter or above Longer match; with neither, every pulse does.
    bool HasShorter = false;
    bool HasLonger = false;
    // Widths and gaps span the whole 32-bit time range, so they need more than 32 bits.
    int64_t Shorter = 0;
    int64_t Longer = 0;
    TEdgeDirection Direction = TEdgeDirection::Any;
    // Word: the bits given in the pattern and their values.
    uint32_t Mask = 0;
    uint32_t Value = 0;
};

struct TFindMatch
{
    int Line = 0; // 0-based line where the match starts
    int32_t Start = 0;
    int32_t End = 0;

    bool operator==(const TFindMatch&) const = default;
};

// Reads "pulse:bit=B,level=high|low[,shorter=T][,longer=T]", "edge:bit=B[,dir=rise|fall|any]",
// "word:PATTERN" or "gap:longer=T"; T are whole, non-negative times in the log's units. False
// with Error naming the reason.
bool ParseFindQuery(std::string_view text, TFindQuery& query, std::string& error);

// The matches among samples 0 .. Samples-1, taken in the order the chart draws them (by time,
// equal times in line order), so in order of their start.
std::vector<TFindMatch> FindMatches(const TSampleModel& model, int samples,
                                    const TFindQuery& query);
