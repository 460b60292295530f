#include "viewer/FindMeasure.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "chart/Chart.h"
#include "toolkit/CodePage.h"
#include "toolkit/Dialogs.h"
#include "toolkit/StdCtrls.h"
#include "viewer/PulseReadout.h"
#include "viewer/SpanStats.h"
#include "viewer/TextSamples.h"
#include "viewer/WaveLink.h"

namespace {

// Up to this many samples a query is run at every keystroke (some 10 ms at most).
constexpr int kQueryWhileTyping = 500000;

const char* const QueryPrefixes[] = {"pulse:", "edge:", "word:", "gap:"};

bool IsQuery(const std::string& text)
{
    return std::any_of(std::begin(QueryPrefixes), std::end(QueryPrefixes),
                       [&](const char* prefix) { return text.rfind(prefix, 0) == 0; });
}

// A time as typed: digits with an optional sign and fraction, a point or a comma before it.
bool ReadTime(std::string text, double& time)
{
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t");
    if (first == std::string::npos) return false;
    text = text.substr(first, last - first + 1);
    std::replace(text.begin(), text.end(), ',', '.');
    if (text.find_first_not_of("+-0123456789.") != std::string::npos) return false;
    char* end = nullptr;
    time = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(time);
}

} // namespace

TFindMeasure::TFindMeasure(TMemo* memo, const TTextSamples* samples, TWaveLink* link,
                           std::vector<TChart*> charts)
    : FMemo(memo), FSamples(samples), FLink(link), FCharts(std::move(charts))
{
    memo->OnFindQuery = [this](const std::string& text, int direction, std::string& note) {
        return FindQuery(text, direction, note);
    };
    for (int i = 0; i < static_cast<int>(FCharts.size()); ++i) {
        TChart* chart = FCharts[i];
        TMouseEvent linked = chart->OnMouseDown;
        FLinkedDown.push_back(linked);
        chart->OnMouseDown = [this, i, linked](TObject* sender, TMouseButton button,
                                               TShiftState shift, int x, int y) {
            // The first click of this double-click placed a marker: it goes again.
            if (button == mbLeft && (shift & ssDouble) != 0 && FClickChart == i &&
                std::abs(x - FClickX) <= SnapPixels) {
                std::copy(std::begin(FBeforeSet), std::end(FBeforeSet), FMarkerSet);
                std::copy(std::begin(FBeforeTime), std::end(FBeforeTime), FMarkerTime);
                UpdateMarkers();
            }
            if (button == mbLeft) {
                // The platform repeats a double-click's press as a plain one, which must
                // place nothing when it is released.
                const bool repeat =
                    (shift & ssDouble) == 0 && FDoubleChart == i && x == FDoubleX && y == FDoubleY;
                FSwallowClick = repeat;
                FDoubleChart = (shift & ssDouble) != 0 ? i : -1;
                FDoubleX = x;
                FDoubleY = y;
                FClickChart = -1;
            }
            if (linked) linked(sender, button, shift, x, y);
        };
        chart->OnZoomButtonClick = [this, i, chart](TCustomChart*, TMouseButton, TShiftState shift,
                                                    int x, int y) {
            const bool swallow = FSwallowClick;
            FSwallowClick = false;
            if (swallow || !chart->ChartRect().Contains(x, y)) return;
            std::copy(std::begin(FMarkerSet), std::end(FMarkerSet), FBeforeSet);
            std::copy(std::begin(FMarkerTime), std::end(FMarkerTime), FBeforeTime);
            PlaceMarker((shift & ssShift) != 0 ? MarkerB : MarkerA, i, x);
            FClickChart = i;
            FClickX = x;
        };
    }
}

TFindMeasure::~TFindMeasure()
{
    FMemo->OnFindQuery = nullptr;
    for (size_t i = 0; i < FCharts.size(); ++i) {
        FCharts[i]->OnZoomButtonClick = nullptr;
        FCharts[i]->OnMouseDown = FLinkedDown[i];
    }
}

void TFindMeasure::WaveformsRebuilt(const TWaveformBuildResult& build)
{
    FBuild = build;
    FEdges.clear();
    FQueryText.clear();
    FQueryMatches.clear();
    UpdateMarkers();
}

void TFindMeasure::PlaceMarker(int marker, int chart, int x)
{
    const TCustomChartAxis* axis = FCharts[chart]->BottomAxis();
    double time = axis->PixelToValue(x);
    double edge = 0;
    if (NearestEdge(FLink->Points(chart), time, edge) &&
        std::abs(axis->ValueToPixel(edge) - x) <= SnapPixels)
        time = edge;
    SetMarker(marker, time);
}

void TFindMeasure::SetMarker(int marker, double time)
{
    FMarkerSet[marker] = true;
    FMarkerTime[marker] = time;
    UpdateMarkers();
}

void TFindMeasure::ClearMarkers()
{
    FMarkerSet[MarkerA] = FMarkerSet[MarkerB] = false;
    UpdateMarkers();
}

void TFindMeasure::UpdateMarkers()
{
    const TSampleModel& model = FSamples->Last();
    for (size_t i = 0; i < FCharts.size(); ++i) {
        TChart* chart = FCharts[i];
        for (int m = 0; m < TCustomChart::MeasureMarkerCount; ++m) {
            if (FMarkerSet[m])
                chart->SetMeasureMarker(m, FMarkerTime[m]);
            else
                chart->ClearMeasureMarker(m);
        }
        std::string text;
        if (FMarkerSet[MarkerA] && FMarkerSet[MarkerB]) {
            const int bit = i < FBuild.Bits.size() ? FBuild.Bits[i] : -1;
            const TSpanStats stats =
                bit < 0 ? TSpanStats()
                        : MeasureSpan(model, FBuild.BuiltSamples, FLink->TimeOrder(), bit,
                                      FMarkerTime[MarkerA], FMarkerTime[MarkerB]);
            text = FormatSpanReadout(FMarkerTime[MarkerA], FMarkerTime[MarkerB], stats,
                                     chart->BottomAxis()->AxisValuesFormat(), FLink->TimeUnit());
        }
        FLink->SetStandingText(static_cast<int>(i), text);
    }
}

bool TFindMeasure::ShortCut(TShortCut key)
{
    constexpr uint16_t up = 38;
    constexpr uint16_t down = 40;
    if (key == ::ShortCut('F', ssCtrl)) {
        FMemo->ShowFindBar();
        return true;
    }
    if (key == ::ShortCut(VK_F3, 0) || key == ::ShortCut(VK_F3, ssShift)) {
        FMemo->FindNext(key == ::ShortCut(VK_F3, ssShift));
        return true;
    }
    if (key == ::ShortCut('G', ssCtrl)) {
        AskTime();
        return true;
    }
    for (int chart = 0; chart < 2 && chart < static_cast<int>(FCharts.size()); ++chart) {
        const TShiftState shift = chart == 0 ? ssAlt : ssAlt | ssShift;
        if (key == ::ShortCut(down, shift) || key == ::ShortCut(up, shift)) {
            StepEdge(chart, key == ::ShortCut(down, shift));
            return true;
        }
    }
    // Escape belongs to the find bar while it has the focus.
    if (key == ::ShortCut(27, 0) && FLink->PointerChart() >= 0 && !FMemo->FindBarFocused() &&
        (FMarkerSet[MarkerA] || FMarkerSet[MarkerB])) {
        ClearMarkers();
        return true;
    }
    return false;
}

bool TFindMeasure::AskTime()
{
    TFieldsDialogRequest request;
    request.Title = Utf8ToCp1251("Перейти ко времени");
    request.Fields.push_back({Utf8ToCp1251("Время"), std::string(), {}, false});
    request.Check = [](const std::vector<std::string>& values) {
        double time = 0;
        if (values.empty() || !ReadTime(values.front(), time))
            return Utf8ToCp1251("Время должно быть числом, например 1500 или 12,5.");
        return std::string();
    };
    std::vector<std::string> values;
    if (!ExecuteFieldsDialog(request, values) || values.empty()) return false;
    double time = 0;
    return ReadTime(values.front(), time) && GoToTime(time);
}

bool TFindMeasure::GoToTime(double time)
{
    const TSampleModel& model = FSamples->Last();
    const int n = std::min(FBuild.BuiltSamples, model.SampleCount());
    if (n <= 0) return false;
    const std::vector<int>& order = FLink->TimeOrder();
    auto sample = [&](int p) { return order.empty() ? p : order[static_cast<size_t>(p)]; };
    auto timeAt = [&](int p) { return static_cast<double>(model.Time(sample(p))); };
    // The last sample at or before Time, then the first one of its time; before every
    // sample, the first one.
    int lo = 0;
    for (int count = n; count > 0;) {
        const int half = count / 2;
        if (timeAt(lo + half) <= time) {
            lo += half + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    int p = std::max(lo - 1, 0);
    while (p > 0 && timeAt(p - 1) == timeAt(p))
        --p;
    CaretToLine(model.LineOfSample(sample(p)), time, true);
    return true;
}

bool TFindMeasure::CaretKey(int64_t& time, int& line) const
{
    const TSampleModel& model = FSamples->Last();
    const size_t caret = FMemo->CaretPos().Line;
    line = static_cast<int>(std::min<size_t>(caret, INT_MAX));
    // A line that holds no built sample counts at the time of the sample line above it.
    for (int l = std::min(line, FLink->BuiltLines() - 1); l >= 0; --l) {
        const int s = model.SampleOfLine(l);
        if (s >= 0 && s < FBuild.BuiltSamples) {
            time = model.Time(s);
            return true;
        }
    }
    time = INT64_MIN;
    return false;
}

bool TFindMeasure::StepTo(const std::vector<TFindMatch>& matches, bool forward, bool wrap,
                          bool& wrapped)
{
    wrapped = false;
    if (matches.empty()) return false;
    int64_t time = 0;
    int line = 0;
    CaretKey(time, line);
    auto before = [&](const TFindMatch& m) {
        return m.Start < time || (m.Start == time && m.Line < line);
    };
    auto after = [&](const TFindMatch& m) {
        return m.Start > time || (m.Start == time && m.Line > line);
    };
    const TFindMatch* to = nullptr;
    if (forward) {
        auto it = std::partition_point(matches.begin(), matches.end(),
                                       [&](const TFindMatch& m) { return !after(m); });
        if (it != matches.end())
            to = &*it;
        else if (wrap)
            to = &matches.front(), wrapped = true;
    } else {
        auto it = std::partition_point(matches.begin(), matches.end(), before);
        if (it != matches.begin())
            to = &*(it - 1);
        else if (wrap)
            to = &matches.back(), wrapped = true;
    }
    if (to == nullptr) return false;
    CaretToLine(to->Line, to->Start, false);
    return true;
}

const std::vector<TFindMatch>& TFindMeasure::Edges(int chart)
{
    auto it = FEdges.find(chart);
    if (it != FEdges.end()) return it->second;
    std::vector<TFindMatch> edges;
    const int bit = chart < static_cast<int>(FBuild.Bits.size()) ? FBuild.Bits[chart] : -1;
    if (bit >= 0) {
        TFindQuery query;
        query.Kind = TFindKind::Edge;
        query.Bit = bit;
        edges = FindMatches(FSamples->Last(), FBuild.BuiltSamples, query);
    }
    return FEdges.emplace(chart, std::move(edges)).first->second;
}

bool TFindMeasure::StepEdge(int chart, bool forward)
{
    bool wrapped = false;
    return StepTo(Edges(chart), forward, false, wrapped);
}

int TFindMeasure::FindQuery(const std::string& text, int direction, std::string& note)
{
    if (!IsQuery(text)) return -1;
    if (text != FQueryText) {
        TFindQuery query;
        std::string error;
        if (!ParseFindQuery(text, query, error)) {
            note = error;
            return 0;
        }
        // A long log is searched when asked to, so that typing a query never waits.
        if (direction == 0 && FBuild.BuiltSamples > kQueryWhileTyping) {
            note = Utf8ToCp1251("Enter или F3: искать");
            return 0;
        }
        FQueryMatches = FindMatches(FSamples->Last(), FBuild.BuiltSamples, query);
        FQueryText = text;
    }
    note = Utf8ToCp1251("событий: ") + std::to_string(FQueryMatches.size());
    if (direction == 0) return FQueryMatches.empty() ? 0 : 1;
    bool wrapped = false;
    const bool found = StepTo(FQueryMatches, direction > 0, true, wrapped);
    if (wrapped) note += Utf8ToCp1251(direction > 0 ? ", с начала" : ", с конца");
    if (!found) note += Utf8ToCp1251(", не найдено");
    return found ? 1 : 0;
}

bool TFindMeasure::FindEvents(const std::string& query, bool backwards)
{
    FMemo->SetFindText(query);
    FMemo->ShowFindBar();
    return FMemo->FindNext(backwards);
}

bool TFindMeasure::HasSearch() const
{
    return !FMemo->FindText().empty();
}

bool TFindMeasure::FindNext(bool backwards)
{
    return FMemo->FindNext(backwards);
}

int TFindMeasure::ChartBit(int chart) const
{
    return chart >= 0 && chart < static_cast<int>(FBuild.Bits.size()) ? FBuild.Bits[chart] : -1;
}

bool TFindMeasure::CaretWord(uint32_t& word) const
{
    const TSampleModel& model = FSamples->Last();
    const int line = static_cast<int>(std::min<size_t>(FMemo->CaretPos().Line, INT_MAX));
    const int sample = line < FLink->BuiltLines() ? model.SampleOfLine(line) : -1;
    if (sample < 0 || sample >= FBuild.BuiltSamples) return false;
    word = model.Word(sample);
    return true;
}

void TFindMeasure::CaretToLine(int line, double time, bool centre)
{
    if (line < 0) return;
    // The caret's report moves the link's marker there.
    FMemo->SetCaretPos(TTextPos{static_cast<size_t>(line), 0});
    ShowTime(time, centre);
}

void TFindMeasure::ShowTime(double time, bool centre)
{
    if (FCharts.empty()) return;
    TChart* chart = FCharts.front();
    TCustomChartAxis* axis = chart->BottomAxis();
    // An automatic axis shows every sample already; a zoomed one keeps its width.
    if (axis->Automatic()) return;
    const double min = axis->Minimum();
    const double max = axis->Maximum();
    if (!centre && time >= min && time <= max) return;
    const double half = (max - min) / 2;
    axis->SetAxisRange(time - half, time + half);
    // The lower chart takes the upper chart's axis, as after a pan.
    if (chart->OnScroll) chart->OnScroll(chart);
    chart->Invalidate();
}
