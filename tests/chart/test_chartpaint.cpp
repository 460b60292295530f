// Geometry and order of a chart drawing, checked on the pixels a user sees.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "chart/Chart.h"
#include "chart/LineSeries.h"
#include "toolkit/Canvas.h"
#include "toolkit/Graphics.h"
#include "toolkit/TestSupport.h"

namespace {

constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlack = 0x000000;
constexpr TColor kGrid = 0x808080;

// A chart that records its chart rectangle as RenderParts begins, and lets tests ask for a
// paint as the window system would.
class TProbeChart : public TChart
{
public:
    using TChart::TChart;
    TRect RectAtStart;
    void PaintNowFromWindow() { Paint(); }

protected:
    void RenderParts(TRect& panelRect) override
    {
        RectAtStart = ChartRect();
        TChart::RenderParts(panelRect);
    }
};

// The settings the viewer's layout gives both charts.
void ApplyViewerSettings(TCustomChart& chart, int width, int height)
{
    chart.SetBounds(0, 0, width, height);
    chart.SetView3D(false);
    chart.BackWall()->Brush()->SetColor(clWhite);
    chart.BackWall()->Brush()->SetStyle(bsClear);
    chart.Title()->Text()->SetLines({""});
    chart.LeftAxis()->SetAutomatic(false);
    chart.LeftAxis()->SetAutomaticMinimum(false);
    chart.LeftAxis()->SetAutomaticMaximum(false);
    chart.LeftAxis()->SetMinimum(-0.2);
    chart.LeftAxis()->SetMaximum(1.2);
    chart.Legend()->SetVisible(false);
}

TLineSeries* AddSquareWave(TCustomChart& chart, const std::vector<std::pair<double, int>>& steps)
{
    auto* series = new TLineSeries();
    series->SetSeriesColor(clRed);
    series->SetParentChart(&chart);
    series->AddPoint(0, 0);
    int previous = 0;
    for (const auto& [time, bit] : steps) {
        series->AddPoint(time, previous);
        series->AddPoint(time, bit);
        previous = bit;
    }
    return series;
}

void Render(TCustomChart& chart, TBitmap& image)
{
    image.SetSize(chart.Width(), chart.Height());
    chart.RenderTo(image.Canvas(), TRect{0, 0, chart.Width(), chart.Height()});
}

int FontLineHeight(const TFont* font)
{
    TBitmap probe;
    probe.SetSize(1, 1);
    probe.Canvas()->Font()->Assign(font);
    return probe.Canvas()->TextHeight("W");
}

TEST(ChartLayout, ChartRectangleComesFromTheMarginsWithRounding)
{
    struct Row
    {
        const char* name;
        int width, height, border;
        TRect expected;
    };
    const Row rows[] = {
        {"viewer size", 894, 184, 0, {27, 7, 867, 177}},
        // 3 % of 450 is 13.5: halves round away from zero.
        {"half pixel", 450, 250, 0, {14, 10, 436, 240}},
        {"doubled width doubles the insets", 1788, 184, 0, {54, 7, 1734, 177}},
        {"border width insets too", 894, 184, 2, {29, 9, 865, 175}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TProbeChart chart;
        ApplyViewerSettings(chart, row.width, row.height);
        chart.SetBorderWidth(row.border);
        TBitmap image;
        Render(chart, image);
        EXPECT_EQ(chart.RectAtStart, row.expected);
    }
}

TEST(ChartLayout, TitleLinesTakeTheirRoomAtTheTop)
{
    struct Row
    {
        const char* name;
        std::vector<std::string> lines;
        bool visible;
        int linesTaken; // -1: no room at all
    };
    const Row rows[] = {
        {"one empty line", {""}, true, 1},
        {"two lines", {"A", "B"}, true, 2},
        {"no lines", {}, true, -1},
        {"invisible", {"A"}, false, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TProbeChart chart;
        ApplyViewerSettings(chart, 894, 184);
        chart.SetAxisVisible(false);
        chart.Title()->Text()->SetLines(row.lines);
        chart.Title()->SetVisible(row.visible);
        TBitmap image;
        Render(chart, image);
        const int lineHeight = FontLineHeight(chart.Title()->Font());
        ASSERT_GT(lineHeight, 0);
        const int expectedTop = row.linesTaken < 0 ? 7 : 7 + row.linesTaken * lineHeight + 5;
        EXPECT_EQ(chart.ChartRect().Top, expectedTop);
        EXPECT_EQ(chart.ChartRect().Bottom, 177);
    }
}

TEST(ChartLayout, FootTakesItsRoomAtTheBottom)
{
    TProbeChart chart;
    ApplyViewerSettings(chart, 894, 184);
    chart.SetAxisVisible(false);
    chart.Title()->Text()->SetLines({});
    chart.Foot()->Text()->SetLines({"x", "y"});
    TBitmap image;
    Render(chart, image);
    const int lineHeight = FontLineHeight(chart.Foot()->Font());
    EXPECT_EQ(chart.ChartRect().Top, 7);
    EXPECT_EQ(chart.ChartRect().Bottom, 177 - 2 * lineHeight - 5);
}

TEST(ChartLayout, ShrunkChartKeepsAtLeastOnePixel)
{
    for (int size : {1, 5, 12, 30}) {
        SCOPED_TRACE(size);
        TChart chart;
        ApplyViewerSettings(chart, size, size);
        AddSquareWave(chart, {{10, 1}, {20, 0}});
        TBitmap image;
        Render(chart, image);
        EXPECT_GE(chart.ChartRect().Width(), 1);
        EXPECT_GE(chart.ChartRect().Height(), 1);
    }
}

TEST(ChartPaint, BackWallOutlinesExactlyTheChartRectangle)
{
    TChart chart;
    ApplyViewerSettings(chart, 894, 184);
    chart.SetAxisVisible(false);
    TBitmap image;
    Render(chart, image);
    const TRect r = chart.ChartRect();
    const TColor face = ColorToRGB(clBtnFace);
    for (int x = r.Left; x <= r.Right; ++x) {
        ASSERT_EQ(image.PixelColor(x, r.Top), kBlack) << x;
        ASSERT_EQ(image.PixelColor(x, r.Bottom), kBlack) << x;
        ASSERT_EQ(image.PixelColor(x, r.Top - 1), face) << x;
        ASSERT_EQ(image.PixelColor(x, r.Bottom + 1), face) << x;
    }
    for (int y = r.Top; y <= r.Bottom; ++y) {
        ASSERT_EQ(image.PixelColor(r.Left, y), kBlack) << y;
        ASSERT_EQ(image.PixelColor(r.Right, y), kBlack) << y;
        ASSERT_EQ(image.PixelColor(r.Left - 1, y), face) << y;
        ASSERT_EQ(image.PixelColor(r.Right + 1, y), face) << y;
    }
    // A clear back wall shows the panel colour, not its brush colour (white).
    EXPECT_EQ(image.PixelColor(r.Left + 1, r.Top + 1), face);
    EXPECT_EQ(image.PixelColor((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), face);
}

TEST(ChartPaint, RaisedBevelLightOnTopLeftShadowOnBottomRight)
{
    TChart chart;
    ApplyViewerSettings(chart, 200, 100);
    TBitmap image;
    Render(chart, image);
    const TColor light = ColorToRGB(clBtnHighlight);
    const TColor shadow = ColorToRGB(clBtnShadow);
    EXPECT_EQ(image.PixelColor(0, 50), light);
    EXPECT_EQ(image.PixelColor(100, 0), light);
    EXPECT_EQ(image.PixelColor(199, 50), shadow);
    EXPECT_EQ(image.PixelColor(100, 99), shadow);
    EXPECT_EQ(image.PixelColor(1, 50), ColorToRGB(clBtnFace));
}

TEST(ChartPaint, SolidBackColorFillsTheWall)
{
    TChart chart;
    ApplyViewerSettings(chart, 300, 150);
    chart.SetAxisVisible(false);
    chart.BackWall()->SetColor(clYellow);
    chart.BackWall()->Brush()->SetStyle(bsSolid);
    TBitmap image;
    Render(chart, image);
    const TRect r = chart.ChartRect();
    EXPECT_EQ(image.PixelColor(r.Left + 1, r.Top + 1), clYellow);
    EXPECT_EQ(image.PixelColor(r.Right - 1, r.Bottom - 1), clYellow);
    EXPECT_EQ(image.PixelColor(r.Left, r.Top), kBlack);
}

TEST(ChartPaint, SeriesLinesLieOnTopOfTheGrid)
{
    TChart chart;
    ApplyViewerSettings(chart, 894, 184);
    AddSquareWave(chart, {{100, 1}, {200, 0}, {300, 1}, {400, 0}});
    TBitmap image;
    Render(chart, image);
    const TCustomChartAxis* bottom = chart.BottomAxis();
    const TCustomChartAxis* left = chart.LeftAxis();
    const int y0 = left->ValueToPixel(0);
    const int y1 = left->ValueToPixel(1);
    // The labels of the value axis are 0 and 1, so its grid runs along both wave levels.
    int gridAtOne = 0;
    for (int x = bottom->ValueToPixel(100); x < bottom->ValueToPixel(200); ++x)
        ASSERT_EQ(image.PixelColor(x, y1), kRed) << x;
    for (int x = bottom->ValueToPixel(200) + 1; x < bottom->ValueToPixel(300); ++x) {
        ASSERT_EQ(image.PixelColor(x, y0), kRed) << x;
        gridAtOne += image.PixelColor(x, y1) == kGrid;
    }
    EXPECT_GT(gridAtOne, 10) << "the grid at value 1 shows where the wave is low";
}

// Every pixel a picture at a pixel ratio holds, as a plain picture of that many pixels.
void CopyDevicePixels(const TBitmap& picture, TBitmap& flat)
{
    const int s = picture.PixelRatio();
    flat.SetSize(picture.Width() * s, picture.Height() * s);
    flat.Canvas()->StretchDraw(TRect{0, 0, flat.Width(), flat.Height()}, &picture);
}

// On a screen of twice the density the chart keeps its layout: lines, fills and the wave are
// its plain picture enlarged, block for block, and only the text gains detail, because it is
// drawn at the screen's resolution rather than enlarged.
TEST(ChartPaint, AtPixelRatioTwoOnlyTheTextDiffersFromThePlainPictureEnlarged)
{
    for (const bool labels : {false, true}) {
        SCOPED_TRACE(labels ? "labels" : "no text");
        TChart chart;
        ApplyViewerSettings(chart, 420, 160);
        chart.BottomAxis()->SetLabels(labels);
        chart.LeftAxis()->SetLabels(labels);
        AddSquareWave(chart, {{100, 1}, {150, 0}, {300, 1}, {400, 0}});
        TBitmap plain;
        Render(chart, plain);
        TBitmap dense;
        dense.SetPixelRatio(2);
        Render(chart, dense);
        ASSERT_EQ(dense.Width(), plain.Width());
        TBitmap pixels;
        CopyDevicePixels(dense, pixels);
        ASSERT_EQ(pixels.Width(), 2 * plain.Width());
        int differing = 0;
        int detailed = 0;
        for (int y = 0; y < plain.Height(); ++y)
            for (int x = 0; x < plain.Width(); ++x) {
                const TColor want = plain.PixelColor(x, y);
                bool same = true;
                bool uniform = true;
                for (int j = 0; j < 2; ++j)
                    for (int i = 0; i < 2; ++i) {
                        const TColor got = pixels.PixelColor(2 * x + i, 2 * y + j);
                        same = same && got == want;
                        uniform = uniform && got == pixels.PixelColor(2 * x, 2 * y);
                    }
                differing += !same;
                detailed += !uniform;
            }
        if (!labels) {
            EXPECT_EQ(differing, 0);
        } else {
            EXPECT_GT(detailed, 20) << "text drawn at full resolution has detail inside blocks";
            EXPECT_LT(differing, plain.Width() * plain.Height() / 20) << "only the text differs";
        }
    }
}

// Regression: the labels' room was measured with the label step of the previous drawing, so
// the first drawing, and the first after a resize or a zoom, placed the plot a few pixels
// off and the next one moved it.
TEST(ChartLayout, PlotStaysPutFromTheFirstDrawingOn)
{
    struct Row
    {
        const char* name;
        double zoomLow, zoomHigh; // 0, 0: no zoom
        int width, height;
    } rows[] = {
        {"first drawing", 0, 0, 894, 184},
        {"after a zoom", 1000, 1003, 894, 184},
        {"after a resize", 0, 0, 300, 400},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TChart chart;
        ApplyViewerSettings(chart, 894, 184);
        AddSquareWave(chart, {{1000, 1}, {2000, 0}, {300000, 1}});
        TBitmap image;
        if (row.zoomHigh > row.zoomLow || row.width != 894) {
            Render(chart, image);
            Render(chart, image);
            if (row.zoomHigh > row.zoomLow) {
                chart.BottomAxis()->SetAxisRange(row.zoomLow, row.zoomHigh);
                chart.LeftAxis()->SetAxisRange(-0.2, 1.2);
            }
            chart.SetBounds(0, 0, row.width, row.height);
        }
        Render(chart, image);
        const TRect first = chart.ChartRect();
        Render(chart, image);
        EXPECT_EQ(chart.ChartRect(), first);
    }
}

TEST(ChartPaint, NothingIsDrawnOutsideThePlotClip)
{
    TChart chart;
    ApplyViewerSettings(chart, 400, 200);
    chart.SetAxisVisible(false);
    auto* series = new TLineSeries();
    series->SetSeriesColor(clRed);
    series->SetParentChart(&chart);
    // Wild values on both axes, zoomed into the middle.
    const double ys[] = {-5, 7, -3, 0.5, 9, -8, 1, 0, 30, -30};
    for (int i = 0; i < 200; ++i)
        series->AddPoint(i, ys[i % 10]);
    chart.BottomAxis()->SetAxisRange(50.5, 60.5);
    TBitmap image;
    Render(chart, image);
    const TRect r = chart.ChartRect();
    const TRect clip{r.Left + 1, r.Top + 1, r.Right, r.Bottom - 1};
    int redInside = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const bool red = image.PixelColor(x, y) == kRed;
            if (clip.Contains(x, y))
                redInside += red;
            else
                ASSERT_FALSE(red) << x << "," << y;
        }
    EXPECT_GT(redInside, 100);
}

TEST(ChartPaint, ZoomIntoAGapDrawsOneClippedHorizontalSegment)
{
    TChart chart;
    ApplyViewerSettings(chart, 894, 184);
    chart.SetAxisVisible(false);
    TLineSeries* series = AddSquareWave(chart, {{10, 1}, {20, 0}, {30, 1}});
    // Between the time stamps 10 and 20 the wave is high.
    chart.BottomAxis()->SetAxisRange(12, 18);
    TBitmap image;
    Render(chart, image);
    EXPECT_EQ(series->FirstDrawnIndex(), 3);
    EXPECT_EQ(series->LastDrawnIndex(), 3);
    const TRect r = chart.ChartRect();
    const int y1 = chart.LeftAxis()->ValueToPixel(1);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const bool onSegment = y == y1 && x >= r.Left + 1 && x < r.Right;
            ASSERT_EQ(image.PixelColor(x, y) == kRed, onSegment) << x << "," << y;
        }
}

TEST(ChartPaint, StepsRunInTheirFixedOrder)
{
    TChart chart;
    ApplyViewerSettings(chart, 300, 150);
    TLineSeries* drawn = AddSquareWave(chart, {{10, 1}});
    auto* empty = new TLineSeries();
    empty->SetParentChart(&chart);
    std::vector<std::string> events;
    chart.OnBeforeDrawAxes = [&](TObject*) { events.push_back("axes"); };
    chart.OnBeforeDrawSeries = [&](TObject*) { events.push_back("series"); };
    chart.OnAfterDraw = [&](TObject*) { events.push_back("after"); };
    drawn->BeforeDrawValues = [&](TObject*) { events.push_back("before values"); };
    drawn->AfterDrawValues = [&](TObject*) { events.push_back("after values"); };
    empty->BeforeDrawValues = [&](TObject*) { events.push_back("empty series"); };
    TBitmap image;
    Render(chart, image);
    const std::vector<std::string> expected = {"axes", "series", "before values", "after values",
                                               "after"};
    EXPECT_EQ(events, expected);
}

TEST(ChartPaint, ZoomRectangleShowsWhileADragIsOnAndUndoesItself)
{
    TChart chart;
    ApplyViewerSettings(chart, 300, 150);
    chart.SetAxisVisible(false);
    TBitmap plain;
    Render(chart, plain);
    chart.ZoomRecord().BeginDrag(100, 50);
    chart.ZoomRecord().X1 = 200;
    chart.ZoomRecord().Y1 = 120;
    TBitmap dragging;
    Render(chart, dragging);
    // Not-xor with the panel colour: ~(pen ^ screen) on the outline only.
    const TColor pen = ColorToRGB(clBtnFace);
    for (const auto& [x, y] : {std::pair{150, 50}, {100, 80}, {199, 80}, {150, 119}})
        EXPECT_EQ(dragging.PixelColor(x, y), ~(pen ^ plain.PixelColor(x, y)) & 0xFFFFFF) << x;
    EXPECT_NE(dragging.PixelColor(150, 50), plain.PixelColor(150, 50));
    EXPECT_EQ(dragging.PixelColor(150, 80), plain.PixelColor(150, 80));
    // A second drawing of the rectangle restores every pixel.
    chart.Canvas3D()->SetReferenceCanvas(dragging.Canvas());
    chart.PaintZoomRectangle();
    chart.Canvas3D()->SetReferenceCanvas(chart.Canvas());
    for (int y = 0; y < plain.Height(); ++y)
        for (int x = 0; x < plain.Width(); ++x)
            ASSERT_EQ(dragging.PixelColor(x, y), plain.PixelColor(x, y)) << x << "," << y;
}

TEST(ChartRepaint, RequestsCollapseIntoOneDrawingAndUncoveringCopies)
{
    TProbeChart chart;
    ApplyViewerSettings(chart, 300, 150);
    AddSquareWave(chart, {{10, 1}, {20, 0}});
    FlushPaints(&chart);
    const int first = chart.RenderCount();
    ASSERT_GE(first, 1);

    chart.RequestRepaint();
    chart.RequestRepaint();
    chart.LeftAxis()->SetMaximum(1.5);
    FlushPaints(&chart);
    EXPECT_EQ(chart.RenderCount(), first + 1);
    FlushPaints(&chart);
    EXPECT_EQ(chart.RenderCount(), first + 1);

    // The window asks again without any change: the picture is copied, not drawn.
    const TColor before = ControlPixel(&chart, 150, 75);
    chart.PaintNowFromWindow();
    EXPECT_EQ(chart.RenderCount(), first + 1);
    EXPECT_EQ(ControlPixel(&chart, 150, 75), before);

    // A resize draws in full at the new size.
    chart.SetBounds(0, 0, 320, 160);
    FlushPaints(&chart);
    EXPECT_EQ(chart.RenderCount(), first + 2);
    ASSERT_NE(chart.Canvas3D()->OffscreenImage(), nullptr);
    EXPECT_EQ(chart.Canvas3D()->OffscreenImage()->Width(), 320);
    EXPECT_EQ(chart.Canvas3D()->OffscreenImage()->Height(), 160);
    // So does a move.
    chart.SetBounds(7, 3, 320, 160);
    FlushPaints(&chart);
    EXPECT_EQ(chart.RenderCount(), first + 3);
}

TEST(ChartProperties, CreationValuesAndDerivedProperties)
{
    TChart chart;
    EXPECT_EQ(chart.BackWall()->Brush()->Style(), bsClear);
    EXPECT_EQ(chart.LeftWall()->Color(), 0x80FFFFu);
    EXPECT_EQ(chart.BottomWall()->Color(), 0xFFFFFFu);
    EXPECT_EQ(chart.BackWall()->Color(), clSeriesDefault);
    EXPECT_FALSE(chart.LeftWall()->IsColorStored());
    EXPECT_EQ(chart.Title()->Font()->Color(), 0xFF0000u);
    TFont expectedFont;
    ApplyChartDefaultFontRule(expectedFont, JapaneseUserInterface());
    EXPECT_EQ(chart.Title()->Font()->Name(), expectedFont.Name());
    EXPECT_EQ(chart.Title()->Font()->Size(), expectedFont.Size());
    EXPECT_EQ(chart.Title()->Alignment(), taCenter);
    EXPECT_FALSE(chart.Title()->Frame()->Visible());
    EXPECT_TRUE(chart.Legend()->Visible());
    EXPECT_EQ(chart.Frame(), chart.BackWall()->Pen());

    // Without a parent the back colour leaves the brush alone.
    chart.SetBackColor(clAqua);
    EXPECT_EQ(chart.BackWall()->Color(), clAqua);
    EXPECT_EQ(chart.BackWall()->Brush()->Style(), bsClear);
}

TEST(ChartProperties, DefaultFontRule)
{
    const TFont toolkitDefault;
    struct Row
    {
        bool japanese;
        std::string name;
        int size;
    };
    const Row rows[] = {{false, "Arial", 8}, {true, toolkitDefault.Name(), toolkitDefault.Size()}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.japanese);
        TFont font;
        font.SetColor(clRed);
        font.SetStyle(fsBold);
        ApplyChartDefaultFontRule(font, row.japanese);
        EXPECT_EQ(font.Name(), row.name);
        EXPECT_EQ(font.Size(), row.size);
        EXPECT_EQ(font.Color(), clBlack);
        EXPECT_EQ(font.Style(), 0);
    }
}

TEST(ChartProperties, EveryChangeIsOneRequestAndOnlyARealChange)
{
    TChart chart;
    chart.SetBounds(0, 0, 200, 100);
    FlushPaints(&chart);
    struct Row
    {
        const char* name;
        std::function<void()> change;
        bool paints;
    };
    const Row rows[] = {
        {"title text", [&] { chart.Title()->Text()->SetLines({"T"}); }, true},
        {"title alignment", [&] { chart.Title()->SetAlignment(taLeftJustify); }, true},
        {"same alignment", [&] { chart.Title()->SetAlignment(taLeftJustify); }, false},
        {"title font", [&] { chart.Title()->Font()->SetSize(12); }, true},
        {"wall pen", [&] { chart.BackWall()->Pen()->SetWidth(2); }, true},
        {"wall brush", [&] { chart.BackWall()->Brush()->SetColor(clRed); }, true},
        {"wall colour", [&] { chart.LeftWall()->SetColor(clBlue); }, true},
        {"same wall colour", [&] { chart.LeftWall()->SetColor(clBlue); }, false},
        {"legend", [&] { chart.Legend()->SetVisible(false); }, true},
        {"margin", [&] { chart.SetMarginPercent(0, 10); }, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const int before = chart.RenderCount();
        row.change();
        FlushPaints(&chart);
        EXPECT_EQ(chart.RenderCount(), before + (row.paints ? 1 : 0));
    }
}

} // namespace
