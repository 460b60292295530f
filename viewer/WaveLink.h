// Joins the text view and the charts: the pointer's readout in a chart's title line, a
// marker in every chart at the time of the caret's sample line, and a double-click in a
// chart that puts the caret on the sample line of the nearest edge. All of it reads the
// samples of the last build.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "samples/SampleModel.h"

#include "viewer/PulseReadout.h"
#include "viewer/Waveform.h"

class TChart;
class TChartSeries;
class TMemo;
class TTextSamples;

// A chart and the series the build fills for it.
struct TWaveChart
{
    TChart* Chart = nullptr;
    TChartSeries* Series = nullptr;
};

class TWaveLink
{
public:
    // Takes over the memo's OnCaretMove and the charts' OnMouseMove, OnMouseLeave,
    // OnMouseDown, OnClickBackground and OnClickSeries. Samples is what the builds read; the
    // charts are numbered in the order given, as the build's targets are.
    TWaveLink(TMemo* memo, const TTextSamples* samples, std::vector<TWaveChart> charts);
    // Hands the events back: the controls outlive the link while their window is freed.
    ~TWaveLink();
    TWaveLink(const TWaveLink&) = delete;
    TWaveLink& operator=(const TWaveLink&) = delete;

    // After every waveform build: marker and readouts go until the caret or the pointer
    // moves again.
    void WaveformsRebuilt(const TWaveformBuildResult& build);
    // After an edit the lines no longer match the drawn waves: no marker until a build.
    void TextEdited();
    // What one step of the times stands for, shown after every time of the readout; empty
    // for a log, whose times have no unit.
    void SetTimeUnit(std::string unit) { FTimeUnit = std::move(unit); }
    const std::string& TimeUnit() const { return FTimeUnit; }

    // The caret's line is read from the memo's caret position.
    void CaretMoved();
    // The pointer over chart Chart (0-based) at (X, Y) with no button held.
    void PointerMoved(int chart, int x, int y);
    void PointerLeft(int chart);
    // Puts the caret on the first built sample line at the time of the edge nearest to
    // pixel column X; false when there is no edge or no such line.
    bool JumpToNearestEdge(int chart, int x);

    // A text the chart's title line shows whenever the pointer's readout does not (the
    // markers' measurement); while it is set it also takes the pointer's place.
    void SetStandingText(int chart, const std::string& text);
    // The chart under the pointer, -1 when none.
    int PointerChart() const { return FPointerChart; }
    // What the last build drew: chart Chart's points, the samples' drawing order (empty
    // when their times ascend) and the lines built.
    const TBitPoints& Points(int chart) const { return FSides[chart].Points; }
    const std::vector<int>& TimeOrder() const { return FTimeOrder; }
    int BuiltLines() const { return FBuiltLines; }
    // More for the readout of chart Chart at (X, Y), appended to the pulse's text ("" for
    // nothing).
    std::function<std::string(int chart, int x, int y)> ExtraReadout;
    // Asked first on a double-click in a plot: true when it put the caret somewhere, and then
    // no edge is looked for.
    std::function<bool(int chart, int x, int y)> DoubleClickFirst;

private:
    struct TSide
    {
        TChart* Chart = nullptr;
        // The drawn points, read from the samples rather than the series' columns.
        TBitPoints Points;
        // The stretch last measured, reused while the pointer stays in it.
        TPulseReadout Last;
        std::string Standing;
    };

    void ShowMarker(bool visible, double time);

    TMemo* FMemo = nullptr;
    const TTextSamples* FSamples = nullptr;
    std::vector<TSide> FSides;
    // The built samples by time, when their times go back somewhere (else empty).
    std::vector<int> FTimeOrder;
    int FBuiltLines = 0;
    bool FTextEdited = false;
    bool FMarkerShown = false;
    int FMarkerLine = -1;
    int FPointerChart = -1;
    int FPointerX = 0;
    int FPointerY = 0;
    std::string FTimeUnit;
};
