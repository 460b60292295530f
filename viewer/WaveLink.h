// Joins the text view and the two charts: the pointer's readout in a chart's title line,
// a marker in both charts at the time of the caret's sample line, and a double-click in a
// chart that puts the caret on the sample line of the nearest edge.
#pragma once

#include <cstddef>

#include "viewer/PulseReadout.h"
#include "viewer/Waveform.h"

class TChart;
class TChartSeries;
class TMemo;

class TWaveLink
{
public:
    // Takes over the memo's OnCaretMove and the charts' OnMouseMove, OnMouseLeave,
    // OnMouseDown, OnClickBackground and OnClickSeries.
    TWaveLink(TMemo* memo, TChart* chart1, TChartSeries* series1, TChart* chart2,
              TChartSeries* series2);
    // Hands the events back: the controls outlive the link while their window is freed.
    ~TWaveLink();
    TWaveLink(const TWaveLink&) = delete;
    TWaveLink& operator=(const TWaveLink&) = delete;

    // After every waveform build: marker and readouts go until the caret or the pointer
    // moves again.
    void WaveformsRebuilt(const TWaveformBuildResult& build);
    // After an edit the lines no longer match the drawn waves: no marker until a build.
    void TextEdited();

    // The caret's line is read from the memo's caret position.
    void CaretMoved();
    // The pointer over chart 0 or 1 at (X, Y) with no button held.
    void PointerMoved(int chart, int x, int y);
    void PointerLeft(int chart);
    // Puts the caret on the first built sample line at the time of the edge nearest to
    // pixel column X; false when there is no edge or no such line.
    bool JumpToNearestEdge(int chart, int x);

private:
    struct TSide
    {
        TChart* Chart = nullptr;
        TChartSeries* Series = nullptr;
        // The stretch last measured, reused while the pointer stays in it.
        TPulseReadout Last;
    };

    // The first built line whose sample time is Time, or -1.
    int FirstLineAtTime(double time) const;
    void ShowMarker(bool visible, double time);

    TMemo* FMemo = nullptr;
    TSide FSides[2];
    int FBuiltLines = 0;
    bool FTextEdited = false;
    bool FMarkerShown = false;
    int FMarkerLine = -1;
    bool FTimesAscending = true;
};
