// What the pointer shows over a waveform: the level at a time, the stretch it holds, and the
// period and duty cycle of its pulse, worked out from a series' points as the build makes
// them (ascending times, two points per sample), and the text the chart's title line shows.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "samples/SampleModel.h"

// The level at a time is that of the last point at or before it, so a step at time T gives
// the new level from T on, and a spike of no width (a level left and taken back at one time)
// is no edge. Edges are the times where the level changes.
struct TPulseReadout
{
    // False outside the points' time span (or without points): nothing to show.
    bool Valid = false;
    double Time = 0;
    double Level = 0;
    // The stretch of Level around Time; an end that is no edge is the first or last point's.
    double Start = 0;
    double End = 0;
    bool StartIsEdge = false;
    bool EndIsEdge = false;
    // With edges at both ends: the stretch and its neighbour of the other level, the next
    // one (ending at an edge) if there is one, else the previous one (starting at an edge).
    bool HasPeriod = false;
    double Period = 0;
    // The period's share at a level above 0.5, 0 .. 1.
    double Duty = 0;

    double Width() const { return End - Start; }
    // Whether the stretch found for one time also serves Other, so the scan need not
    // run again.
    bool Covers(double other) const
    {
        return Valid && other >= Start && (other < End || (!EndIsEdge && other == End));
    }
};

// Xs ascending, Ys of the same length.
TPulseReadout MeasurePulse(std::span<const double> xs, std::span<const double> ys, double time);
TPulseReadout MeasurePulse(const TBitPoints& points, double time);

// Readout at another time within the same stretch: only the time changes.
TPulseReadout MovedWithinStretch(const TPulseReadout& readout, double time);

// The time of the edge nearest to Time (the earlier one on a tie); false without an edge.
bool NearestEdge(std::span<const double> xs, std::span<const double> ys, double time,
                 double& edgeTime);
bool NearestEdge(const TBitPoints& points, double time, double& edgeTime);

// The title line's text (Windows-1251), every number in Format as an axis label is, each
// time followed by Unit when one is given; empty when the readout is not valid.
std::string FormatReadout(const TPulseReadout& readout, const std::string& format,
                          const std::string& unit = std::string());
