// Finding and measuring in the window: markers A and B shared by the charts with the
// measurement between them in the title lines, the text view's find bar also taking event
// queries, going to a time, and stepping the caret from edge to edge of a chart's bit.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "samples/Find.h"
#include "toolkit/Controls.h"
#include "toolkit/Forms.h"
#include "viewer/Waveform.h"

class TChart;
class TMemo;
class TTextSamples;
class TWaveLink;

class TFindMeasure
{
public:
    static constexpr int MarkerA = 0;
    static constexpr int MarkerB = 1;
    // A marker placed this close to an edge of the chart's bit goes onto the edge.
    static constexpr int SnapPixels = 4;

    // Takes the memo's OnFindQuery and the charts' OnZoomButtonClick, and wraps their OnMouseDown
    // (the link's), which it hands back when freed. Charts in the link's order.
    TFindMeasure(TMemo* memo, const TTextSamples* samples, TWaveLink* link,
                 std::vector<TChart*> charts);
    ~TFindMeasure();
    TFindMeasure(const TFindMeasure&) = delete;
    TFindMeasure& operator=(const TFindMeasure&) = delete;

    // After every build, once the link has taken it.
    void WaveformsRebuilt(const TWaveformBuildResult& build);

    // The chart menu's entries: a marker at pixel column X of chart Chart, on the nearest
    // edge of its bit within SnapPixels, else at the time there.
    void MarkerAHere(int chart, int x) { PlaceMarker(MarkerA, chart, x); }
    void MarkerBHere(int chart, int x) { PlaceMarker(MarkerB, chart, x); }
    void ClearMarkers();
    void PlaceMarker(int marker, int chart, int x);
    void SetMarker(int marker, double time);
    bool MarkerSet(int marker) const { return FMarkerSet[marker]; }
    double MarkerTime(int marker) const { return FMarkerTime[marker]; }

    // The window's keys: Ctrl+F, F3, Shift+F3, Ctrl+G, Alt+Down/Up (the upper chart's
    // edges), Alt+Shift+Down/Up (the lower chart's), and Escape with the pointer over a
    // chart. True when the key was one of them and did its work.
    bool ShortCut(TShortCut key);

    // Ctrl+G: asks for a time and goes to it.
    bool AskTime();
    // The caret to the sample line at or before Time (the first line of that time), the
    // charts centred on it with their zoom kept; false without samples.
    bool GoToTime(double time);
    // The caret to the next (or previous) line where chart Chart's bit changes; false when
    // there is none that way.
    bool StepEdge(int chart, bool forward);

    // The chart menu's searches go through the find bar as a typed query would: Query
    // replaces the bar's text (a text search included), the bar shows it and its note,
    // and the caret goes to the next (Backwards: previous) match.
    bool FindEvents(const std::string& query, bool backwards);
    bool HasSearch() const;
    bool FindNext(bool backwards);
    // Chart Chart's bit in the last build, -1 without one.
    int ChartBit(int chart) const;
    // The word of the sample on the caret's line; false when the line holds none.
    bool CaretWord(uint32_t& word) const;

private:
    // The find bar's query handler (see TMemo::OnFindQuery).
    int FindQuery(const std::string& text, int direction, std::string& note);
    // The caret's place in the drawing order: its sample's time and its line.
    bool CaretKey(int64_t& time, int& line) const;
    // Steps through Matches from the caret; Wrap goes round the ends.
    bool StepTo(const std::vector<TFindMatch>& matches, bool forward, bool wrap, bool& wrapped);
    void CaretToLine(int line, double time, bool centre);
    void ShowTime(double time, bool centre);
    void UpdateMarkers();
    const std::vector<TFindMatch>& Edges(int chart);

    TMemo* FMemo = nullptr;
    const TTextSamples* FSamples = nullptr;
    TWaveLink* FLink = nullptr;
    std::vector<TChart*> FCharts;
    // The charts' OnMouseDown as found, called after ours and handed back.
    std::vector<TMouseEvent> FLinkedDown;
    TWaveformBuildResult FBuild;
    bool FMarkerSet[2] = {};
    double FMarkerTime[2] = {};
    // The markers before the last click placed one: the first click of a double-click
    // leaves no marker behind.
    bool FBeforeSet[2] = {};
    double FBeforeTime[2] = {};
    int FClickChart = -1;
    int FClickX = 0;
    // Where the last double-click's press was, and that the press repeating it came.
    int FDoubleChart = -1;
    int FDoubleX = 0;
    int FDoubleY = 0;
    bool FSwallowClick = false;
    // Edges per chart and query matches per text, for the last build.
    std::map<int, std::vector<TFindMatch>> FEdges;
    std::string FQueryText;
    std::vector<TFindMatch> FQueryMatches;
};
