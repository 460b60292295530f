// The text view and the charts joined: the marker at the caret line's time in both charts,
// the pointer's readout that touches only the title line, and the double-click jump.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/common/MainWindowFixture.h"
#include "toolkit/TestSupport.h"
#include "viewer/Unit1.h"

namespace {

// Bit 0 rises at 100, falls at 200 (the second line at 200 does it), rises at 500 and
// falls at 800; the last line ends in a break, so the caret can stand after it.
const char* const Text = "100:1\r\n200:1\r\n200:0\r\n500:1\r\n800:0\r\n";
constexpr int LineLength = 7;

class LinkedViews : public ShownMainWindow
{
public:
    void SetUp() override
    {
        ShownMainWindow::SetUp();
        Form1->Memo1->SetText(Text);
        Form1->Button2->Click();
        Settle();
    }

    static void Settle()
    {
        ProcessEvents();
        FlushPaints(Form1);
        Form1->Chart1->Invalidate();
        Form1->Chart2->Invalidate();
        FlushPaints(Form1);
    }

    static std::vector<uint32_t> Pixels(const TChart* chart, int top, int bottom)
    {
        std::vector<uint32_t> pixels;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < chart->Width(); ++x)
                pixels.push_back(ControlPixel(chart, x, y));
        return pixels;
    }

    static int X(const TChart* chart, double time)
    {
        return chart->BottomAxis()->ValueToPixel(time);
    }
    static int MidY(const TChart* chart) { return chart->LeftAxis()->ValueToPixel(0.5); }
};

} // namespace

TEST_F(LinkedViews, MarkerAtTheCaretLinesTimeInBothCharts)
{
    TChart* charts[] = {Form1->Chart1, Form1->Chart2};
    const int renders = Form1->Chart1->RenderCount();
    Form1->Memo1->SetSelStart(3 * LineLength + 2);
    FlushPaints(Form1);
    EXPECT_EQ(Form1->Chart1->RenderCount(), renders) << "a marker needs no drawing of the series";
    for (const TChart* chart : charts) {
        const int x = X(chart, 500);
        EXPECT_EQ(chart->MarkerPixel(), x);
        EXPECT_EQ(ControlPixel(chart, x, MidY(chart)), chart->MarkerColor);
        EXPECT_NE(ControlPixel(chart, x - 1, MidY(chart)), chart->MarkerColor);
        // Clipped to the plot: nothing above it.
        EXPECT_NE(ControlPixel(chart, x, chart->ChartRect().Top - 2), chart->MarkerColor);
    }

    // It follows a zoom of Chart1, which Chart2 follows.
    Form1->Chart1->ZoomToValues(0, 1, 400, 700, -0.2, 1.2, 0, 1);
    Settle();
    for (const TChart* chart : charts) {
        EXPECT_EQ(chart->MarkerPixel(), X(chart, 500));
        EXPECT_EQ(ControlPixel(chart, X(chart, 500), MidY(chart)), chart->MarkerColor);
    }

    // The empty place after the last break is no sample line.
    Form1->Memo1->SetSelStart(5 * LineLength);
    FlushPaints(Form1);
    for (const TChart* chart : charts)
        EXPECT_EQ(chart->MarkerPixel(), -1);

    // "Repaint" clears it until the caret moves again.
    Form1->Memo1->SetSelStart(LineLength);
    EXPECT_EQ(Form1->Chart1->MarkerValue(), 200);
    Form1->Button2->Click();
    EXPECT_FALSE(Form1->Chart1->MarkerVisible());
    EXPECT_FALSE(Form1->Chart2->MarkerVisible());
}

TEST_F(LinkedViews, ReadoutChangesOnlyTheTitleLine)
{
    TChart* chart = Form1->Chart1;
    const TRect plot = chart->ChartRect();
    const TRect title = chart->Title()->TextBlockRect;
    ASSERT_LT(title.Bottom, plot.Top);
    const std::vector<uint32_t> before = Pixels(chart, 0, chart->Height());
    const int renders = chart->RenderCount();

    SimMouseMove(chart, 0, X(chart, 350), MidY(chart));
    FlushPaints(Form1);
    EXPECT_FALSE(chart->OverlayText().empty());
    EXPECT_EQ(chart->RenderCount(), renders) << "a pointer move must not draw the series";
    EXPECT_EQ(Pixels(chart, title.Bottom, chart->Height()),
              std::vector<uint32_t>(before.begin() + title.Bottom * chart->Width(), before.end()));
    EXPECT_NE(
        Pixels(chart, 0, title.Bottom),
        std::vector<uint32_t>(before.begin(), before.begin() + title.Bottom * chart->Width()));

    SimMouseLeave(chart);
    FlushPaints(Form1);
    EXPECT_TRUE(chart->OverlayText().empty());
    EXPECT_EQ(Pixels(chart, 0, chart->Height()), before);
}

TEST_F(LinkedViews, DoubleClickPutsTheCaretOnTheNearestEdgesFirstLine)
{
    TChart* chart = Form1->Chart1;
    const double minimum = chart->BottomAxis()->Minimum();
    const double maximum = chart->BottomAxis()->Maximum();
    struct Row
    {
        double time;
        int line;
    } rows[] = {{260, 1}, {700, 4}, {40, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.time);
        const int x = X(chart, row.time);
        SimMouseDown(chart, mbLeft, 0, x, MidY(chart));
        SimMouseUp(chart, mbLeft, 0, x, MidY(chart));
        SimDoubleClick(chart, mbLeft, 0, x, MidY(chart));
        SimMouseUp(chart, mbLeft, 0, x, MidY(chart));
        FlushPaints(Form1);
        EXPECT_EQ(Form1->Memo1->SelStart(), row.line * LineLength);
        EXPECT_FALSE(chart->ZoomRecord().Active);
        EXPECT_EQ(chart->BottomAxis()->Minimum(), minimum);
        EXPECT_EQ(chart->BottomAxis()->Maximum(), maximum);
        EXPECT_TRUE(chart->MarkerVisible());
    }
}

TEST_F(LinkedViews, OverlayChangesAroundAZoomDragLeaveTheSamePictures)
{
    TChart* chart = Form1->Chart1;
    const TRect plot = chart->ChartRect();
    const int y0 = plot.Top + 5;
    const int y1 = plot.Bottom - 5;
    enum TWhen { nothing, hoverBefore, markerBefore, markerMidDrag };
    // The pictures mid-drag (where a stale copy of the cached picture would lose the
    // not-xor rectangle) and after the zoom; then the zoom is undone.
    auto zoom = [&](TWhen when) {
        const int from = X(chart, 150);
        const int to = X(chart, 650);
        // The caret must move for the marker to come back after "Repaint".
        Form1->Memo1->SetSelStart(0);
        Form1->Button2->Click();
        Settle();
        if (when == hoverBefore) {
            SimMouseMove(chart, 0, from, y0);
            FlushPaints(Form1);
            EXPECT_FALSE(chart->OverlayText().empty());
        }
        if (when == markerBefore) Form1->Memo1->SetSelStart(3 * LineLength);
        SimMouseDown(chart, mbLeft, 0, from, y0);
        SimMouseMove(chart, 0, (from + to) / 2, (y0 + y1) / 2);
        FlushPaints(Form1);
        if (when == markerMidDrag) Form1->Memo1->SetSelStart(3 * LineLength);
        SimMouseMove(chart, 0, to, y1);
        FlushPaints(Form1);
        std::vector<uint32_t> pixels = Pixels(chart, 0, chart->Height());
        SimMouseUp(chart, mbLeft, 0, to, y1);
        Settle();
        EXPECT_GT(chart->BottomAxis()->Minimum(), 100);
        EXPECT_EQ(chart->MarkerVisible(), when == markerBefore || when == markerMidDrag);
        const std::vector<uint32_t> zoomed = Pixels(chart, 0, chart->Height());
        pixels.insert(pixels.end(), zoomed.begin(), zoomed.end());
        SimMouseDown(chart, mbLeft, 0, to, y1);
        SimMouseMove(chart, 0, from, y0);
        SimMouseUp(chart, mbLeft, 0, from, y0);
        Settle();
        EXPECT_TRUE(chart->BottomAxis()->Automatic());
        return pixels;
    };
    EXPECT_TRUE(zoom(hoverBefore) == zoom(nothing));
    EXPECT_TRUE(zoom(markerMidDrag) == zoom(markerBefore));
}

namespace {

class LinkedBigText : public ShownMainWindow
{
};

std::string TimeField(std::string_view line)
{
    return std::string(line.substr(0, line.find(':')));
}

} // namespace

// Logs in time order with repeated times, shuffled ones, and one stopped by a bad line: a
// double-click always lands on the first built line at its edge's time.
TEST_F(LinkedBigText, JumpLandsOnTheFirstBuiltLineOfTheEdgesTime)
{
    TRecordingDialogProvider dialogs;
    const TDialogProviderScope scope(&dialogs);
    for (unsigned seed = 0; seed < 6; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::vector<std::string> lines;
        long time = 0;
        for (int i = 0; i < 400; ++i) {
            time += static_cast<long>(random() % 3) * 5;
            lines.push_back(std::to_string(time) + ":" + std::to_string(random() % 4));
        }
        if (seed % 3 == 1) std::shuffle(lines.begin(), lines.end(), random);
        const size_t bad = seed % 3 == 2 ? 250 : lines.size();
        if (bad < lines.size()) lines[bad] = "bad line";
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        Form1->Memo1->SetText(text);
        Form1->Button2->Click();
        TChart* chart = Form1->Chart1;
        int jumps = 0;
        for (int i = 0; i < 40; ++i) {
            const int x =
                chart->ChartRect().Left +
                static_cast<int>(random() % static_cast<unsigned>(chart->ChartRect().Width()));
            if (!Form1->WaveLink()->JumpToNearestEdge(0, x)) continue;
            ++jumps;
            const size_t line = Form1->Memo1->CaretPos().Line;
            ASSERT_LT(line, bad);
            const std::string at = TimeField(lines[line]);
            for (size_t before = 0; before < line; ++before)
                ASSERT_NE(TimeField(lines[before]), at) << "line " << line << " is not the first";
        }
        EXPECT_GT(jumps, 0);
    }
}

// Select-all then an edit on a long log once brought the window down: the caret's report
// counted line breaks of the old text past the end of the new one.
TEST_F(LinkedBigText, SelectAllThenAnEditKeepsTheWindowAndTheText)
{
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += std::to_string(10 * i) + ":" + std::to_string(i % 16) + "\r\n";
    struct Row
    {
        const char* gesture;
        std::function<void(TMemo*)> act;
        std::string left;
    } rows[] = {
        {"a letter", [](TMemo* m) { SimTypeText(m, "x"); }, "x"},
        {"Delete", [](TMemo* m) { SimKeyPress(m, vkDelete); }, ""},
        {"Backspace", [](TMemo* m) { SimKeyPress(m, vkBack); }, ""},
        {"Return", [](TMemo* m) { SimKeyPress(m, vkReturn); }, "\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.gesture);
        TMemo* memo = Form1->Memo1;
        memo->SetText(text);
        Form1->Button2->Click();
        SimMouseDown(memo, mbLeft, 0, 20, memo->Height() / 2);
        SimMouseUp(memo, mbLeft, 0, 20, memo->Height() / 2);
        EXPECT_TRUE(Form1->Chart1->MarkerVisible());
        SimShortCut(memo, ShortCut('A', ssCtrl));
        row.act(memo);
        ProcessEvents();
        EXPECT_EQ(memo->Text(), row.left);
        EXPECT_FALSE(Form1->Chart1->MarkerVisible());
        SimShortCut(memo, ShortCut('Z', ssCtrl));
        EXPECT_EQ(memo->Text(), text);
    }
}

// After the data-error message the caret stands on the bad line; a bad bit number blames
// no line and leaves the caret where it was.
TEST_F(LinkedBigText, DataErrorPutsTheCaretOnTheBadLine)
{
    TRecordingDialogProvider dialogs;
    const TDialogProviderScope scope(&dialogs);
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += (i == 1500 ? std::string("15g0:1") : std::to_string(i) + ":1") + "\r\n";
    TMemo* memo = Form1->Memo1;
    memo->SetText(text);
    Form1->Button2->Click();
    EXPECT_EQ(dialogs.Count(TRecordingDialogProvider::TShown::Information), 1);
    EXPECT_EQ(memo->CaretPos(), (TTextPos{1500, 0}));
    memo->SetCaretPos(TTextPos{3, 2});
    Form1->Edit1->SetText("9");
    EXPECT_EQ(dialogs.Count(TRecordingDialogProvider::TShown::Information), 2);
    EXPECT_EQ(memo->CaretPos(), (TTextPos{3, 2}));
}
