// Finding and measuring in the window, with real events: markers by click, Shift+click and
// Escape with their measurement, the find bar, Ctrl+G and the edge keys; and the span
// statistics against a plain model.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "samples/Find.h"
#include "tests/common/MainWindowFixture.h"
#include "tests/common/SampleLines.h"
#include "toolkit/CodePage.h"
#include "toolkit/FormatFloat.h"
#include "toolkit/TestSupport.h"
#include "viewer/SpanStats.h"
#include "viewer/Unit1.h"

namespace {

// Bit 0 falls at 200 (the second line at 200), rises at 500, falls at 700, rises at 900.
const char* const Text = "100:1\r\n200:1\r\n200:0\r\n500:1\r\n700:0\r\n900:1\r\n";

class FindMeasure : public ShownMainWindow
{
public:
    void SetUp() override
    {
        ShownMainWindow::SetUp();
        Load(Text);
    }

    static void Load(const std::string& text)
    {
        Form1->Memo1->SetText(text);
        Form1->Button2->Click();
        ProcessEvents();
        FlushPaints(Form1);
    }

    static int X(const TChart* chart, double time)
    {
        return chart->BottomAxis()->ValueToPixel(time);
    }
    static int MidY(const TChart* chart) { return chart->LeftAxis()->ValueToPixel(0.5); }
    static void Click(TChart* chart, TShiftState shift, int x)
    {
        SimMouseDown(chart, mbLeft, shift, x, MidY(chart));
        SimMouseUp(chart, mbLeft, shift, x, MidY(chart));
        FlushPaints(Form1);
    }
    static size_t CaretLine() { return Form1->Memo1->CaretPos().Line; }
};

// A random log with times that go back and repeat, so that the drawing order is not the
// line order.
std::string RandomLog(std::mt19937& random, int lines)
{
    std::string text;
    int time = 0;
    for (int i = 0; i < lines; ++i) {
        const int step = static_cast<int>(random() % 7) - 1;
        time = std::max(0, time + step * 10);
        text += std::to_string(time) + ":" + std::to_string(random() % 4) + "\r\n";
    }
    return text;
}

} // namespace

TEST_F(FindMeasure, ClickAndShiftClickPlaceSnappedMarkersAndTheReadoutMeasuresBetweenThem)
{
    TChart* chart = Form1->Chart1;
    TFindMeasure* fm = Form1->FindMeasure();
    Form1->Chart1->Invalidate();
    Form1->Chart2->Invalidate();
    FlushPaints(Form1);
    const int renders = chart->RenderCount();
    auto picture = [](const TChart* c) {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < c->Height(); ++y)
            for (int x = 0; x < c->Width(); ++x)
                pixels.push_back(ControlPixel(c, x, y));
        return pixels;
    };
    const std::vector<uint32_t> before = picture(chart);
    // Within the snap of the edges at 200 and 700.
    Click(chart, 0, X(chart, 200) + 3);
    Click(chart, ssShift, X(chart, 700) - 2);
    ASSERT_TRUE(fm->MarkerSet(TFindMeasure::MarkerA) && fm->MarkerSet(TFindMeasure::MarkerB));
    EXPECT_EQ(fm->MarkerTime(TFindMeasure::MarkerA), 200);
    EXPECT_EQ(fm->MarkerTime(TFindMeasure::MarkerB), 700);
    EXPECT_FALSE(chart->Zoomed()) << "a click zooms nothing";
    EXPECT_EQ(chart->RenderCount(), renders) << "markers are drawn over the cached picture";
    for (const TChart* c : {Form1->Chart1, Form1->Chart2}) {
        const int x = X(c, 700);
        EXPECT_EQ(c->MeasureMarkerPixel(TFindMeasure::MarkerB), x);
        EXPECT_EQ(ControlPixel(c, x, MidY(c) - 10), c->MeasureMarkerColors[1]);
    }

    // Bit 0 from 200 to 700: edges at 200, 500 and 700; low 200..500, high 500..700.
    const std::string format = chart->BottomAxis()->AxisValuesFormat();
    auto n = [&](double v) { return FormatFloat(format, v); };
    const std::string expected =
        "A = " + n(200) + "  B = " + n(700) + "  B-A = " + n(500) + "  1/(B-A) = " + n(0.002) +
        Utf8ToCp1251("  фронтов 3  импульсов: выс. 1, низк. 1  высокий ") + n(200) + " (" + n(40) +
        " %)" + Utf8ToCp1251("  мин. ") + n(200) + Utf8ToCp1251(", макс. ") + n(300);
    EXPECT_EQ(chart->OverlayText(), expected);
    // The pointer's readout gives way to the measurement while both markers stand.
    SimMouseMove(chart, 0, X(chart, 350), MidY(chart));
    EXPECT_EQ(chart->OverlayText(), expected);
    // Chart2 draws bit 1, always 0 here: the same times, its own bit.
    EXPECT_NE(Form1->Chart2->OverlayText().find(Utf8ToCp1251("фронтов 0")), std::string::npos);

    // Away from any edge the marker stays where the pointer was.
    Click(chart, 0, X(chart, 600));
    EXPECT_NEAR(fm->MarkerTime(TFindMeasure::MarkerA), 600, 2);
    EXPECT_NE(fm->MarkerTime(TFindMeasure::MarkerA), 500);

    // Escape clears them only while a chart has the pointer.
    Form1->Memo1->SetFocus();
    SimMouseLeave(chart);
    SimKeyPress(nullptr, vkEscape);
    EXPECT_TRUE(fm->MarkerSet(TFindMeasure::MarkerA));
    SimMouseMove(Form1->Chart2, 0, X(chart, 350), MidY(chart));
    SimKeyPress(nullptr, vkEscape);
    EXPECT_FALSE(fm->MarkerSet(TFindMeasure::MarkerA) || fm->MarkerSet(TFindMeasure::MarkerB));
    FlushPaints(Form1);
    EXPECT_EQ(chart->MeasureMarkerPixel(0), -1);
    EXPECT_TRUE(picture(chart) == before) << "cleared markers leave the picture as it was";
    SimMouseMove(chart, 0, X(chart, 350), MidY(chart));
    EXPECT_NE(chart->OverlayText(), expected) << "the pointer's readout is back";
}

// A person clicks B and presses Escape without moving the mouse: the title line must not
// stay blank until the next move.
TEST_F(FindMeasure, EscapeWithThePointerRestingBringsItsReadoutBackAtOnce)
{
    TChart* chart = Form1->Chart1;
    for (TChart* pointed : {Form1->Chart1, Form1->Chart2}) {
        SimMouseMove(pointed, 0, X(pointed, 350), MidY(pointed));
        const std::string readout = pointed->OverlayText();
        const std::string other = (pointed == chart ? Form1->Chart2 : chart)->OverlayText();
        ASSERT_FALSE(readout.empty());
        SimMouseMove(pointed, 0, X(pointed, 600), MidY(pointed));
        Click(pointed, 0, X(pointed, 600));
        SimMouseMove(pointed, 0, X(pointed, 350), MidY(pointed));
        Click(pointed, ssShift, X(pointed, 350));
        ASSERT_NE(pointed->OverlayText(), readout);
        SimKeyPress(nullptr, vkEscape);
        EXPECT_EQ(pointed->OverlayText(), readout);
        EXPECT_EQ((pointed == chart ? Form1->Chart2 : chart)->OverlayText(), other)
            << "the chart without the pointer shows what it showed before the markers";
        SimMouseLeave(pointed);
    }
}

TEST_F(FindMeasure, DoubleClickJumpsWithoutLeavingAStrayMarkerAndDragsStillZoom)
{
    TChart* chart = Form1->Chart1;
    TFindMeasure* fm = Form1->FindMeasure();
    const int x = X(chart, 500);
    SimDoubleClick(chart, mbLeft, 0, x, MidY(chart));
    FlushPaints(Form1);
    EXPECT_EQ(CaretLine(), 3u);
    EXPECT_FALSE(fm->MarkerSet(TFindMeasure::MarkerA));

    const TRect plot = chart->ChartRect();
    SimMouseDown(chart, mbLeft, 0, X(chart, 150), plot.Top + 5);
    SimMouseMove(chart, 0, X(chart, 650), plot.Bottom - 5);
    SimMouseUp(chart, mbLeft, 0, X(chart, 650), plot.Bottom - 5);
    EXPECT_TRUE(chart->Zoomed());
    EXPECT_FALSE(fm->MarkerSet(TFindMeasure::MarkerA));
    // The markers follow the zoom, in both charts.
    fm->MarkerAHere(0, X(chart, 500));
    ProcessEvents();
    FlushPaints(Form1);
    EXPECT_EQ(fm->MarkerTime(TFindMeasure::MarkerA), 500);
    EXPECT_EQ(Form1->Chart2->MeasureMarkerPixel(0), X(Form1->Chart2, 500));
}

TEST_F(FindMeasure, FindBarSearchesAsTypedWrapsWithANoteAndEscapeReturnsTheFocus)
{
    Load("100:1f\r\n200:0\r\n300:1F\r\n400:2\r\n500:a1f\r\n");
    TMemo* memo = Form1->Memo1;
    memo->SetCaretPos(TTextPos{1, 0});
    SimShortCut(memo, ShortCut('F', ssCtrl));
    ASSERT_TRUE(memo->FindBarVisible());
    EXPECT_TRUE(memo->FindBarFocused());
    SimTypeText(nullptr, "1f");
    for (int i = 0; i < 100 && memo->FindMatchCount() < 0; ++i)
        ProcessEvents();
    EXPECT_EQ(memo->FindMatchCount(), 3) << "either case";
    // From where the caret was: line 2's "1F" selected.
    EXPECT_EQ(memo->AnchorPos(), (TTextPos{2, 4}));
    EXPECT_EQ(memo->CaretPos(), (TTextPos{2, 6}));
    EXPECT_TRUE(Form1->Chart1->MarkerVisible()) << "the charts follow the caret's line";

    SimShortCut(nullptr, ShortCut(VK_F3, 0));
    EXPECT_EQ(memo->AnchorPos(), (TTextPos{4, 5}));
    EXPECT_EQ(memo->FindNote().find(Utf8ToCp1251("с начала")), std::string::npos);
    SimShortCut(nullptr, ShortCut(VK_F3, 0));
    EXPECT_EQ(memo->AnchorPos(), (TTextPos{0, 4}));
    EXPECT_NE(memo->FindNote().find(Utf8ToCp1251("с начала")), std::string::npos);
    SimShortCut(nullptr, ShortCut(VK_F3, ssShift));
    EXPECT_EQ(memo->AnchorPos(), (TTextPos{4, 5}));
    EXPECT_NE(memo->FindNote().find(Utf8ToCp1251("с конца")), std::string::npos);

    SimKeyPress(nullptr, vkEscape);
    EXPECT_FALSE(memo->FindBarVisible());
    EXPECT_TRUE(memo->Focused());
    // F3 goes on with the last text while the bar is closed.
    SimShortCut(memo, ShortCut(VK_F3, 0));
    EXPECT_EQ(memo->AnchorPos(), (TTextPos{0, 4}));

    // A new text counts again with the bar open.
    SimShortCut(memo, ShortCut('F', ssCtrl));
    Load("100:1f\r\n110:1F\r\n120:a1f\r\n");
    for (int i = 0; i < 100 && memo->FindMatchCount() < 0; ++i)
        ProcessEvents();
    EXPECT_EQ(memo->FindMatchCount(), 3);
    memo->SetFindText("zz");
    EXPECT_EQ(memo->AnchorPos(), memo->CaretPos()) << "no match selects nothing";
    EXPECT_NE(memo->FindNote().find(Utf8ToCp1251("не найдено")), std::string::npos);
}

TEST_F(FindMeasure, EventQueriesInTheFindBarStepThroughTheirMatches)
{
    TMemo* memo = Form1->Memo1;
    memo->SetCaretPos(TTextPos{0, 0});
    SimShortCut(memo, ShortCut('F', ssCtrl));
    // High pulses on bit 0 shorter than 250: 500..700 only (100..200 opens the log).
    memo->SetFindText("pulse:bit=0,level=high,shorter=250");
    EXPECT_NE(memo->FindNote().find("1"), std::string::npos);
    EXPECT_TRUE(memo->FindNext());
    EXPECT_EQ(CaretLine(), 3u);
    memo->SetFindText("edge:bit=0,dir=fall");
    EXPECT_TRUE(memo->FindNext());
    EXPECT_EQ(CaretLine(), 4u);
    EXPECT_TRUE(memo->FindNext());
    EXPECT_EQ(CaretLine(), 2u) << "round to the first fall";
    EXPECT_NE(memo->FindNote().find(Utf8ToCp1251("с начала")), std::string::npos);
    memo->SetFindText("pulse:bit=0,level=sideways");
    EXPECT_FALSE(memo->FindNext());
    EXPECT_NE(memo->FindNote().find("level"), std::string::npos) << memo->FindNote();
}

TEST_F(FindMeasure, CtrlGAndTheEdgeKeysMoveTheZoomedChartsWithTheCaret)
{
    TRecordingDialogProvider dialogs;
    TDialogProviderScope scope(&dialogs);
    TChart* chart = Form1->Chart1;
    chart->ZoomToValues(0, 1, 0, 200, -0.2, 1.2, 0, 1);
    ProcessEvents();
    FlushPaints(Form1);
    dialogs.FieldsAnswers.push_back({"abc"});
    dialogs.FieldsAnswers.push_back({"650"});
    SimShortCut(Form1->Memo1, ShortCut('G', ssCtrl));
    EXPECT_EQ(dialogs.Count(TRecordingDialogProvider::TShown::Error), 1);
    // 650 lies after 500 (line 3) and before 700.
    EXPECT_EQ(CaretLine(), 3u);
    for (const TChart* c : {Form1->Chart1, Form1->Chart2}) {
        EXPECT_DOUBLE_EQ(c->BottomAxis()->Minimum(), 550);
        EXPECT_DOUBLE_EQ(c->BottomAxis()->Maximum(), 750);
    }
    // The edge keys scroll only for an edge out of view: 700 is in it, 900 is not.
    Form1->Memo1->SetFocus();
    SimKeyPress(nullptr, vkDown, ssAlt);
    EXPECT_EQ(CaretLine(), 4u);
    EXPECT_DOUBLE_EQ(chart->BottomAxis()->Minimum(), 550);
    SimKeyPress(nullptr, vkDown, ssAlt);
    EXPECT_EQ(CaretLine(), 5u);
    for (const TChart* c : {Form1->Chart1, Form1->Chart2}) {
        EXPECT_DOUBLE_EQ(c->BottomAxis()->Minimum(), 800);
        EXPECT_DOUBLE_EQ(c->BottomAxis()->Maximum(), 1000);
    }
    // Equal times: the first line of the time; before every sample: the first sample.
    for (auto [time, line] : {std::pair{200.0, 1u}, {50.0, 0u}, {5000.0, 5u}}) {
        dialogs.FieldsAnswers.push_back({std::to_string(time)});
        SimShortCut(Form1->Memo1, ShortCut('G', ssCtrl));
        EXPECT_EQ(CaretLine(), line) << time;
    }
}

TEST_F(FindMeasure, EdgeKeysStepThroughTheEdgesTheFindQueryLists)
{
    std::mt19937 random(2207);
    Load(RandomLog(random, 300));
    const TSampleModel& model = Form1->TextSamples().Last();
    for (int chart = 0; chart < 2; ++chart) {
        SCOPED_TRACE(chart);
        TFindQuery query;
        query.Bit = chart;
        const std::vector<TFindMatch> edges = FindMatches(model, model.SampleCount(), query);
        ASSERT_GT(edges.size(), 20u);
        const TShiftState shift = chart == 0 ? ssAlt : ssAlt | ssShift;
        // From the first sample line in the drawing order forward, then back.
        Form1->FindMeasure()->GoToTime(-1);
        Form1->Memo1->SetFocus();
        std::vector<int> down;
        for (size_t i = 0; i <= edges.size(); ++i) {
            SimKeyPress(nullptr, vkDown, shift);
            down.push_back(static_cast<int>(CaretLine()));
        }
        for (size_t i = 0; i < edges.size(); ++i)
            EXPECT_EQ(down[i], edges[i].Line) << i;
        EXPECT_EQ(down.back(), edges.back().Line) << "no edge after the last";
        for (size_t i = edges.size() - 1; i-- > 0;) {
            SimKeyPress(nullptr, vkUp, shift);
            EXPECT_EQ(CaretLine(), static_cast<size_t>(edges[i].Line)) << i;
        }
    }
}

// 1/(B-A) of markers thousands of units apart read "0" in the time format's three decimals.
TEST(SpanStats, TheRateKeepsFourSignificantDigits)
{
    const struct
    {
        double Delta;
        const char* Format;
        double Rate;
    } rows[] = {{6209.697, "0.000000", 0.000161},
                {3, "0.0000", 0.3333},
                {0.5, "0", 2},
                {1e-6, "#,##0", 1e6},
                {-40, "0.000", -0.025}};
    for (const auto& row : rows) {
        const std::string text =
            FormatSpanReadout(100, 100 + row.Delta, TSpanStats{}, "#,##0.###", "");
        EXPECT_NE(text.find("1/(B-A) = " + FormatFloat(row.Format, row.Rate) + " "),
                  std::string::npos)
            << text;
    }
}

TEST(SpanStats, MatchesAPlainModelOverRandomLogs)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const std::string text = RandomLog(random, 60);
        const TSplitLines lines(text);
        const TSampleModel model(lines);
        const std::vector<int> order = model.TimeOrder(model.SampleCount());
        const int n = model.SampleCount();
        auto at = [&](int p) { return order.empty() ? p : order[static_cast<size_t>(p)]; };
        const int lo = static_cast<int>(random() % 200);
        const int hi = lo + static_cast<int>(random() % 300);
        // The model: edges listed one by one, the level looked up for every time unit.
        TSpanStats want;
        std::vector<std::pair<int, int>> edges; // time, level before
        for (int p = 1; p < n; ++p)
            if (model.Bit(at(p), 0) != model.Bit(at(p - 1), 0))
                edges.push_back({model.Time(at(p)), model.Bit(at(p - 1), 0)});
        std::vector<std::pair<int, int>> inside;
        for (auto e : edges)
            if (e.first >= lo && e.first <= hi) inside.push_back(e);
        want.Edges = static_cast<int>(inside.size());
        std::vector<double> widths;
        for (size_t k = 1; k < inside.size(); ++k) {
            (inside[k].second == 1 ? want.HighPulses : want.LowPulses)++;
            widths.push_back(inside[k].first - inside[k - 1].first);
        }
        for (int t = lo; t < hi; ++t) {
            // The level over [t, t+1): that of the last sample at or before t, known only
            // up to the last sample's time.
            int level = -1;
            for (int p = 0; p < n && model.Time(at(p)) <= t; ++p)
                level = model.Bit(at(p), 0);
            if (level == 1 && t < model.Time(at(n - 1))) want.HighTime += 1;
        }
        const TSpanStats got = MeasureSpan(model, n, order, 0, hi, lo);
        EXPECT_EQ(got.Edges, want.Edges);
        EXPECT_EQ(got.HighPulses, want.HighPulses);
        EXPECT_EQ(got.LowPulses, want.LowPulses);
        EXPECT_EQ(got.HighTime, want.HighTime);
        if (!widths.empty()) {
            EXPECT_EQ(got.Shortest, *std::min_element(widths.begin(), widths.end()));
            EXPECT_EQ(got.Longest, *std::max_element(widths.begin(), widths.end()));
        }
    }
}

TEST_F(FindMeasure, ChartMenuPlacesAndClearsMarkersWhereItWasAskedFor)
{
    TRecordingDialogProvider dialogs;
    TDialogProviderScope scope(&dialogs);
    TChart* chart = Form1->Chart1;
    TFindMeasure* fm = Form1->FindMeasure();
    auto rightClick = [&](int x) {
        SimMouseDown(chart, mbRight, 0, x, MidY(chart));
        SimMouseUp(chart, mbRight, 0, x, MidY(chart));
    };
    dialogs.MenuAnswers = {"Marker B here", "Clear markers"};
    rightClick(X(chart, 500) + 2);
    EXPECT_EQ(fm->MarkerTime(TFindMeasure::MarkerB), 500) << "on the edge, as a click puts it";
    EXPECT_TRUE(fm->MarkerSet(TFindMeasure::MarkerB));
    rightClick(X(chart, 300));
    EXPECT_FALSE(fm->MarkerSet(TFindMeasure::MarkerB));
}

TEST_F(FindMeasure, ChartMenuSearchesStepAsTheQueryListsAndF3GoesOnWithThem)
{
    TRecordingDialogProvider dialogs;
    TDialogProviderScope scope(&dialogs);
    std::mt19937 random(2231);
    Load(RandomLog(random, 300));
    const TSampleModel& model = Form1->TextSamples().Last();
    TMemo* memo = Form1->Memo1;
    TChart* chart = Form1->Chart1;
    chart->ZoomToValues(0, 1, 0, 200, -0.2, 1.2, 0, 1);
    Form1->FindMeasure()->GoToTime(-1);
    ProcessEvents();
    // A text search in the bar, which the menu's search takes the place of.
    memo->SetFindText("0:");
    auto rightClick = [&](TChart* c) {
        SimMouseDown(c, mbRight, 0, X(c, 100), MidY(c));
        SimMouseUp(c, mbRight, 0, X(c, 100), MidY(c));
        ProcessEvents();
        FlushPaints(Form1);
    };
    // The model: the first match after (or last before) the caret's sample in the drawing
    // order, round the ends.
    auto key = [](const TFindMatch& m) { return std::pair<int64_t, int>{m.Start, m.Line}; };
    auto caretKey = [&] {
        const int line = static_cast<int>(CaretLine());
        return std::pair<int64_t, int>{model.Time(model.SampleOfLine(line)), line};
    };
    auto expected = [&](const std::vector<TFindMatch>& matches, bool forward) {
        const std::pair<int64_t, int> caret = caretKey();
        if (forward) {
            for (const TFindMatch& m : matches)
                if (key(m) > caret) return m;
            return matches.front();
        }
        for (auto m = matches.rbegin(); m != matches.rend(); ++m)
            if (key(*m) < caret) return *m;
        return matches.back();
    };
    auto query = [&](const std::string& text) {
        TFindQuery q;
        std::string error;
        EXPECT_TRUE(ParseFindQuery(text, q, error)) << error;
        return FindMatches(model, model.SampleCount(), q);
    };
    // After each step the caret is on the model's match, the note tells when it went round,
    // and the charts show its time with their zoom kept.
    auto step = [&](const std::vector<TFindMatch>& matches, bool forward, auto press) {
        const TFindMatch want = expected(matches, forward);
        const bool wrapped = forward ? key(want) <= caretKey() : key(want) >= caretKey();
        press();
        FlushPaints(Form1);
        EXPECT_EQ(CaretLine(), static_cast<size_t>(want.Line));
        const std::string round = Utf8ToCp1251(forward ? "с начала" : "с конца");
        EXPECT_EQ(memo->FindNote().find(round) != std::string::npos, wrapped) << memo->FindNote();
        for (const TChart* c : {Form1->Chart1, Form1->Chart2}) {
            const TChartAxis* axis = c->BottomAxis();
            EXPECT_DOUBLE_EQ(axis->Maximum() - axis->Minimum(), 200);
            EXPECT_LE(axis->Minimum(), want.Start);
            EXPECT_GE(axis->Maximum(), want.Start);
        }
    };
    auto f3 = [] { SimShortCut(nullptr, ShortCut(VK_F3, 0)); };
    auto shiftF3 = [] { SimShortCut(nullptr, ShortCut(VK_F3, ssShift)); };

    // High pulses on bit 0 shorter than 30; a bad width first, refused as --find refuses it.
    const std::vector<TFindMatch> pulses = query("pulse:bit=0,level=high,shorter=30");
    ASSERT_GT(pulses.size(), 5u);
    dialogs.MenuAnswers = {"Find pulse..."};
    dialogs.FieldsAnswers = {{"0", "high", "3O", "", "next"}, {"0", "high", "30", "", "next"}};
    step(pulses, true, [&] { rightClick(chart); });
    TFindQuery bad;
    std::string badError;
    ASSERT_FALSE(ParseFindQuery("pulse:bit=0,level=high,shorter=3O", bad, badError));
    ASSERT_EQ(dialogs.Count(TRecordingDialogProvider::TShown::Error), 1);
    for (const auto& shown : dialogs.Shown) {
        if (shown.Kind == TRecordingDialogProvider::TShown::Error) {
            EXPECT_EQ(shown.Box.Message, badError);
        }
    }
    EXPECT_EQ(memo->FindText(), "pulse:bit=0,level=high,shorter=30");
    for (size_t i = 0; i <= pulses.size(); ++i)
        step(pulses, true, f3);
    for (int i = 0; i < 4; ++i)
        step(pulses, false, shiftF3);

    // A word pattern searched backwards, then forwards from the menu's "Next match".
    const std::vector<TFindMatch> words = query("word:10");
    ASSERT_GT(words.size(), 5u);
    dialogs.MenuAnswers = {"Find word...", "Next match\tF3"};
    dialogs.FieldsAnswers = {{"10", "previous"}};
    step(words, false, [&] { rightClick(Form1->Chart2); });
    step(words, true, [&] { rightClick(Form1->Chart2); });
    for (int i = 0; i < 3; ++i)
        step(words, false, shiftF3);

    // Nothing found: a note, and neither the caret nor the charts move. The lower chart
    // offers its own bit.
    const size_t line = CaretLine();
    const double min = chart->BottomAxis()->Minimum();
    dialogs.MenuAnswers = {"Find pulse..."};
    dialogs.FieldsAnswers = {{"1", "low", "", "100000", "next"}};
    rightClick(Form1->Chart2);
    EXPECT_EQ(dialogs.Shown.back().Fields.Fields.at(0).Value, "1");
    f3();
    EXPECT_EQ(CaretLine(), line);
    EXPECT_EQ(chart->BottomAxis()->Minimum(), min);
    EXPECT_NE(memo->FindNote().find(Utf8ToCp1251("не найдено")), std::string::npos)
        << memo->FindNote();
}
