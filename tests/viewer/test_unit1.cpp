// The main window's layout and settings, the split of the chart area between the two
// charts, and the coupling of Chart2's time axis to Chart1's.
#include <gtest/gtest.h>

#include "tests/common/MainWindowFixture.h"
#include "toolkit/CodePage.h"
#include "toolkit/TestSupport.h"
#include "toolkit/Types.h"
#include "viewer/Unit1.h"

namespace {

class MainWindow : public ShownMainWindow
{
protected:
    void SetUp() override
    {
        ShownMainWindow::SetUp();
        TextHeight = Form1->TextHeight();
    }

    // A designed length as the window shows it with the font it really has.
    int S(int designed) const { return MulDiv(designed, TextHeight, 13); }

    static TRect Bounds(const TControl* c) { return c->BoundsRect(); }

    // Gives Panel3 the wanted height through the window, as a user's resize would.
    void SetPanel3Height(int height)
    {
        Form1->SetClientHeight(Form1->Panel1->Height() + height);
        ProcessEvents();
        ASSERT_EQ(Form1->Panel3->Height(), height);
    }

    void ExpectDesignedLayout();

    int TextHeight = 13;
    TRecordingDialogProvider Dialogs;
    TDialogProviderScope Scope{&Dialogs};
};

TRect R(int left, int top, int width, int height)
{
    return TRect{left, top, left + width, top + height};
}

} // namespace

void MainWindow::ExpectDesignedLayout()
{
    const int w = S(1009);
    const int h = S(490);
    EXPECT_EQ(Form1->ClientWidth(), w);
    EXPECT_EQ(Form1->ClientHeight(), h);
    const int top = S(41);
    const int left = S(113);
    struct Row
    {
        const char* name;
        const TControl* control;
        TRect bounds;
    } rows[] = {
        {"Panel1", Form1->Panel1, R(0, 0, w, top)},
        {"Button1", Form1->Button1, R(S(8), S(8), S(75), S(25))},
        {"Button2", Form1->Button2, R(S(94), S(8), S(75), S(25))},
        {"Panel2", Form1->Panel2, R(0, top, left, h - top)},
        {"Memo1", Form1->Memo1, R(1, 1, left - 2, h - top - 2)},
        {"Panel3", Form1->Panel3, R(left, top, w - left, h - top)},
        {"Chart1", Form1->Chart1, R(1, 1, w - left - 2, (h - top) / 2)},
        {"Chart2", Form1->Chart2, R(1, h - top - 1 - (h - top) / 2, w - left - 2, (h - top) / 2)},
        {"Edit1", Form1->Edit1, R(S(8), S(20), S(25), S(21))},
        {"Edit2", Form1->Edit2, R(S(8), S(20), S(25), S(21))},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TRect b = Bounds(row.control);
        EXPECT_EQ(b.Left, row.bounds.Left);
        EXPECT_EQ(b.Top, row.bounds.Top);
        EXPECT_EQ(b.Right, row.bounds.Right);
        EXPECT_EQ(b.Bottom, row.bounds.Bottom);
    }
    EXPECT_EQ(Form1->Label1->Left(), S(8));
    EXPECT_EQ(Form1->Label1->Top(), S(4));
    EXPECT_EQ(Form1->Label1->Parent(), Form1->Chart1);
    EXPECT_EQ(Form1->Edit2->Parent(), Form1->Chart2);
    EXPECT_EQ(Form1->Memo1->Parent(), Form1->Panel2);
}

TEST_F(MainWindow, LayoutFollowsTheDesignAtTheFontsTextHeight)
{
    ExpectDesignedLayout();
}

TEST_F(MainWindow, LayoutScalesWithADifferentTextHeight)
{
    if (TextHeight != 13) GTEST_SKIP() << "the window font is scaled already on this machine";
    // A font twice as high doubles every designed length; the bevels stay one pixel.
    delete Form1;
    Form1 = new TForm1(nullptr);
    Form1->ScaleToTextHeight(26);
    Form1->AfterConstruction();
    Form1->ShowForm();
    ProcessEvents();
    TextHeight = 26;
    ExpectDesignedLayout();
}

TEST_F(MainWindow, TextsAndSettingsOfTheControls)
{
    EXPECT_EQ(Form1->Caption(), "Form1");
    EXPECT_EQ(Form1->Font()->Name(), "MS Sans Serif");
    EXPECT_EQ(Form1->Font()->Height(), -11);
    EXPECT_EQ(Form1->Color(), clBtnFace);
    EXPECT_EQ(Form1->Button1->Caption(), "Load");
    EXPECT_EQ(Form1->Button2->Caption(), "Repaint");
    EXPECT_FALSE(Form1->Button2->Visible());
    EXPECT_EQ(Form1->Panel1->Caption(), "");
    EXPECT_EQ(Form1->Panel2->Caption(), "Panel2");
    EXPECT_EQ(Form1->Panel3->Caption(), "");
    // "№ бита" in Windows-1251.
    EXPECT_EQ(Form1->Label1->Caption(), "\xB9 \xE1\xE8\xF2\xE0");
    EXPECT_EQ(Form1->Label2->Caption(), Form1->Label1->Caption());
    EXPECT_EQ(Form1->Edit1->Text(), "0");
    EXPECT_EQ(Form1->Edit2->Text(), "1");
    EXPECT_EQ(Form1->Memo1->Text(), "");
    EXPECT_EQ(Form1->Memo1->ScrollBars(), ssVertical);
    EXPECT_TRUE(Form1->Memo1->WordWrap());
    EXPECT_FALSE(Form1->Memo1->ReadOnly());
    EXPECT_EQ(Form1->OpenDialog1->Filter(),
              "log|*.log|stimuli|*.sti|VCD|*.vcd|sigrok session|*.sr|CSV|*.csv|All|*.*");
    EXPECT_EQ(Form1->OpenDialog1->InitialDir(), ".");
    // Only logs are saved; other formats are opened to be converted.
    EXPECT_EQ(Form1->SaveDialog1->Filter(), "log|*.log|stimuli|*.sti|All|*.*");
    EXPECT_EQ(Form1->SaveDialog1->InitialDir(), "");
    EXPECT_EQ(Form1->Panel1->TabOrder(), 0);
    EXPECT_EQ(Form1->Panel2->TabOrder(), 1);
    EXPECT_EQ(Form1->Panel3->TabOrder(), 2);
}

TEST_F(MainWindow, BothChartsAndSeriesCarryTheViewerSettings)
{
    const struct
    {
        const char* name;
        TChart* chart;
        TLineSeries* series;
    } rows[] = {{"upper", Form1->Chart1, Form1->Series1},
                {"lower", Form1->Chart2, Form1->LineSeries1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TChart* c = row.chart;
        EXPECT_EQ(c->AllowPanning(), pmHorizontal);
        EXPECT_EQ(c->BackWall()->Brush()->Color(), clWhite);
        EXPECT_EQ(c->BackWall()->Brush()->Style(), bsClear);
        ASSERT_EQ(c->Title()->Text()->Count(), 1);
        EXPECT_EQ(c->Title()->Text()->Get(0), "");
        EXPECT_FALSE(c->LeftAxis()->Automatic());
        EXPECT_FALSE(c->LeftAxis()->AutomaticMinimum());
        EXPECT_FALSE(c->LeftAxis()->AutomaticMaximum());
        EXPECT_EQ(c->LeftAxis()->Minimum(), -0.2);
        EXPECT_EQ(c->LeftAxis()->Maximum(), 1.2);
        EXPECT_TRUE(c->BottomAxis()->Automatic());
        EXPECT_FALSE(c->Legend()->Visible());
        EXPECT_FALSE(c->View3D());

        TLineSeries* s = row.series;
        EXPECT_EQ(s->ParentChart(), c);
        ASSERT_EQ(c->SeriesList().size(), 1u);
        EXPECT_EQ(s->SeriesColor(), clRed);
        EXPECT_FALSE(s->Marks()->Visible());
        EXPECT_EQ(s->Marks()->ArrowLength(), 8);
        EXPECT_FALSE(s->Pointer()->Visible());
        EXPECT_EQ(s->Pointer()->Style(), psRectangle);
        EXPECT_TRUE(s->Pointer()->InflateMargins());
        EXPECT_EQ(s->XValues()->Name(), "X");
        EXPECT_EQ(s->XValues()->Order(), loAscending);
        EXPECT_EQ(s->XValues()->Multiplier(), 1);
        EXPECT_FALSE(s->XValues()->DateTime());
        EXPECT_EQ(s->YValues()->Name(), "Y");
        EXPECT_EQ(s->YValues()->Order(), loNone);
        EXPECT_EQ(s->YValues()->Multiplier(), 1);
        EXPECT_FALSE(s->YValues()->DateTime());
    }
    // Only the upper chart leads.
    EXPECT_TRUE(Form1->Chart1->OnZoom && Form1->Chart1->OnUndoZoom && Form1->Chart1->OnScroll &&
                Form1->Chart1->OnResize);
    EXPECT_FALSE(Form1->Chart2->OnZoom || Form1->Chart2->OnUndoZoom || Form1->Chart2->OnScroll ||
                 Form1->Chart2->OnResize);
}

TEST_F(MainWindow, ChartsSplitOddAndEvenHeights)
{
    struct Row
    {
        int panel, chart, chart2Top, overlap;
    } rows[] = {
        {301, 150, 150, 1},
        {300, 150, 149, 2},
        {3, 1, 1, 1},
        {800, 400, 399, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.panel);
        SetPanel3Height(row.panel);
        const TChart* c1 = Form1->Chart1;
        const TChart* c2 = Form1->Chart2;
        EXPECT_EQ(c1->Top(), 1);
        EXPECT_EQ(c1->Height(), row.chart);
        EXPECT_EQ(c2->Height(), row.chart);
        EXPECT_EQ(c2->Top(), row.chart2Top);
        EXPECT_EQ(c2->Top() + c2->Height(), row.panel - 1);
        EXPECT_EQ(c1->Top() + c1->Height() - c2->Top(), row.overlap);
    }
}

TEST_F(MainWindow, ResizingKeepsThePanelsAndGivesTheChartsTheWidth)
{
    for (const int width : {1300, 700, 1009}) {
        SCOPED_TRACE(width);
        Form1->SetClientWidth(width);
        ProcessEvents();
        EXPECT_EQ(Form1->Panel2->Width(), S(113));
        EXPECT_EQ(Form1->Panel1->Height(), S(41));
        EXPECT_EQ(Form1->Panel1->Width(), width);
        EXPECT_EQ(Form1->Chart1->Width(), width - S(113) - 2);
        EXPECT_EQ(Form1->Chart2->Width(), width - S(113) - 2);
        // The one-pixel nudge of the coupling never accumulates.
        EXPECT_EQ(Form1->Chart1->Left(), 1);
        EXPECT_EQ(Form1->Chart2->Left(), 1);
    }
}

TEST_F(MainWindow, Chart1EventsPutTheValueAxisBackAndCopyTheTimeAxis)
{
    struct Row
    {
        const char* name;
        double leftLow, leftHigh;
        TNotifyEvent TChart::*event;
    } rows[] = {
        {"zoom inside", 0.3, 0.5, &TChart::OnZoom},
        {"panned below the fixed minimum", -5, -3, &TChart::OnScroll},
        {"panned above the fixed maximum", 2, 3, &TChart::OnScroll},
        {"undo to a narrow range", 0.9, 1.0, &TChart::OnUndoZoom},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TChart* c1 = Form1->Chart1;
        c1->BottomAxis()->SetAxisRange(10, 20);
        c1->LeftAxis()->SetAxisRange(row.leftLow, row.leftHigh);
        const int left2 = Form1->Chart2->Left();
        EXPECT_NO_THROW((c1->*(row.event))(c1));
        EXPECT_EQ(c1->LeftAxis()->Minimum(), -0.2);
        EXPECT_EQ(c1->LeftAxis()->Maximum(), 1.2);
        const TChartAxis* b2 = Form1->Chart2->BottomAxis();
        EXPECT_NE(b2, c1->BottomAxis());
        EXPECT_EQ(b2->Minimum(), 10);
        EXPECT_EQ(b2->Maximum(), 20);
        EXPECT_FALSE(b2->Automatic());
        EXPECT_EQ(Form1->Chart2->Left(), left2);
        // The lower chart's value axis is its own.
        EXPECT_EQ(Form1->Chart2->LeftAxis()->Minimum(), -0.2);
        EXPECT_EQ(Form1->Chart2->LeftAxis()->Maximum(), 1.2);
    }
}

TEST_F(MainWindow, ResizingChart1BringsChart2BackInStep)
{
    // Chart2 zoomed by itself; Chart1 untouched and automatic.
    Form1->Chart2->BottomAxis()->SetAxisRange(5, 6);
    ASSERT_FALSE(Form1->Chart2->BottomAxis()->Automatic());
    SetPanel3Height(Form1->Panel3->Height() + 10);
    EXPECT_TRUE(Form1->Chart2->BottomAxis()->Automatic());
    EXPECT_EQ(Form1->Chart2->Left(), 1);
}

TEST_F(MainWindow, RepaintBuildsFromTheTextAndTheBitFields)
{
    Form1->Memo1->SetText("10:3\r\n20:1\r\n");
    Form1->Edit2->SetText("1");
    Form1->Button2->Click();
    ASSERT_EQ(Form1->Series1->PointCount(), 5);
    ASSERT_EQ(Form1->LineSeries1->PointCount(), 5);
    EXPECT_EQ(Form1->LineSeries1->PointY(2), 1);
    EXPECT_EQ(Form1->LineSeries1->PointY(4), 0);
    EXPECT_TRUE(Form1->LastBuild().Succeeded);
    EXPECT_EQ(DataModified, 1);
    EXPECT_EQ(Dialogs.Count(TRecordingDialogProvider::TShown::Information), 0);
}
