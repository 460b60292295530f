// The chart's drawing surface: pixel conventions through its operations, frames and the
// off-screen image, pens and 3D options.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "chart/ChartCanvas.h"

namespace {

struct Surface
{
    TBitmap target;
    TChartCanvas3D canvas;
    TRect panel;

    explicit Surface(int w = 60, int h = 40)
    {
        target.SetSize(w, h);
        panel = canvas.BeginFrame(target.Canvas(), nullptr, TRect{0, 0, w, h}, false, clWhite);
    }
    const TBitmap& Image() const { return *canvas.OffscreenImage(); }
    int Count(TColor c) const
    {
        int n = 0;
        for (int y = 0; y < Image().Height(); ++y)
            for (int x = 0; x < Image().Width(); ++x)
                n += Image().PixelColor(x, y) == c;
        return n;
    }
    std::vector<std::vector<TColor>> Pixels() const
    {
        std::vector<std::vector<TColor>> rows(static_cast<size_t>(Image().Height()));
        for (int y = 0; y < Image().Height(); ++y)
            for (int x = 0; x < Image().Width(); ++x)
                rows[y].push_back(Image().PixelColor(x, y));
        return rows;
    }
};

TEST(ChartCanvas, LinesCoverStartButNotEnd)
{
    struct Case
    {
        const char* name;
        int x0, x1;
        int pixels;
    };
    for (const Case c : {Case{"x1 = x0", 10, 10, 0}, Case{"x1 = x0 + 1", 10, 11, 1},
                         Case{"leftwards", 20, 10, 10}, Case{"rightwards", 10, 20, 10}}) {
        SCOPED_TRACE(c.name);
        Surface s;
        s.canvas.DrawHorizLine(c.x0, c.x1, 5);
        EXPECT_EQ(s.Count(clBlack), c.pixels);
        if (c.pixels > 0) {
            EXPECT_EQ(s.Image().PixelColor(c.x0, 5), clBlack);
        }
        EXPECT_EQ(s.Image().PixelColor(c.x1, 5), clWhite);
    }
    Surface s;
    s.canvas.DrawVertLine(3, 30, 20);
    EXPECT_EQ(s.Count(clBlack), 10);
    EXPECT_EQ(s.Image().PixelColor(3, 21), clBlack);
    EXPECT_EQ(s.Image().PixelColor(3, 20), clWhite);
    s.canvas.DrawLine(0, 0, 7, 7);
    EXPECT_EQ(s.Image().PixelColor(6, 6), clBlack);
    EXPECT_EQ(s.Image().PixelColor(7, 7), clWhite);
    // With a one-pixel pen a depth line has no length in 2D.
    const int before = s.Count(clBlack);
    s.canvas.DrawDepthLine3D(40, 10, 0, 50);
    EXPECT_EQ(s.Count(clBlack), before);
}

TEST(ChartCanvas, RectanglesFillsAndHiddenPens)
{
    Surface s;
    s.canvas.Brush()->SetStyle(bsClear);
    s.canvas.DrawRect(10, 10, 20, 20);
    for (int i = 10; i < 20; ++i) {
        EXPECT_EQ(s.Image().PixelColor(10, i), clBlack);
        EXPECT_EQ(s.Image().PixelColor(19, i), clBlack);
        EXPECT_EQ(s.Image().PixelColor(i, 10), clBlack);
        EXPECT_EQ(s.Image().PixelColor(i, 19), clBlack);
    }
    EXPECT_EQ(s.Count(clBlack), 36);

    s.canvas.Brush()->SetStyle(bsSolid);
    s.canvas.Brush()->SetColor(clLime);
    s.canvas.FillRectangle(TRect{0, 0, 60, 40});
    EXPECT_EQ(s.Count(clLime), 60 * 40);

    TChartHiddenPen hidden;
    s.canvas.ApplyChartPen(hidden);
    s.canvas.Brush()->SetColor(clRed);
    s.canvas.DrawRect(TRect{5, 6, 15, 16});
    EXPECT_EQ(s.Count(clRed), 100);
    EXPECT_EQ(s.Count(clBlack), 0);
}

TEST(ChartCanvas, ClipToPlotPassesInsideTheChartRectangleOnly)
{
    Surface s(900, 160);
    s.canvas.ClipToPlot(TRect{27, 26, 867, 150}, 0, 0);
    s.canvas.Brush()->SetColor(clBlue);
    s.canvas.FillRectangle(TRect{-100, -100, 2000, 2000});
    s.canvas.DrawLine(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    s.canvas.DrawHorizLine(INT_MIN, INT_MAX, 100);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 900; ++x)
            ASSERT_EQ(s.Image().PixelColor(x, y) != clWhite,
                      x >= 28 && x <= 866 && y >= 27 && y <= 148)
                << x << "," << y;
    s.canvas.RemoveClip();
    s.canvas.SetPixel(0, 0, clRed);
    EXPECT_EQ(s.Image().PixelColor(0, 0), clRed);
}

TEST(ChartCanvas, NotXorDrawnTwiceRestoresTheImage)
{
    Surface s;
    s.canvas.Brush()->SetColor(clTeal);
    s.canvas.FillRectangle(TRect{0, 0, 30, 40});
    const auto before = s.Pixels();
    s.canvas.Pen()->SetMode(pmNotXor);
    s.canvas.Brush()->SetStyle(bsClear);
    for (int pass = 0; pass < 2; ++pass) {
        s.canvas.DrawRect(5, 5, 50, 30);
        s.canvas.DrawLine(0, 39, 59, 0);
        if (pass == 0) {
            EXPECT_NE(s.Pixels(), before);
        }
    }
    EXPECT_EQ(s.Pixels(), before);
}

TEST(ChartCanvas, SmallDotsOnlyForOnePixelPens)
{
    auto draw = [](bool smallDots, int width, TPenStyle style) {
        Surface s;
        TChartPen pen;
        pen.SetSmallDots(smallDots);
        pen.SetWidth(width);
        pen.SetStyle(style);
        pen.SetColor(clNavy);
        s.canvas.ApplyChartPen(pen);
        s.canvas.DrawHorizLine(0, 20, 10);
        s.canvas.DrawVertLine(30, 0, 20);
        return s.Pixels();
    };
    const auto dots = draw(true, 1, psSolid);
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(dots[10][x] == clNavy, x % 2 == 0) << x;
    for (int y = 0; y < 20; ++y)
        EXPECT_EQ(dots[y][30] == clNavy, y % 2 == 0) << y;
    EXPECT_EQ(draw(true, 2, psSolid), draw(false, 2, psSolid));
    EXPECT_EQ(draw(true, 2, psDot), draw(false, 2, psDot));
    EXPECT_NE(draw(true, 1, psSolid), draw(false, 1, psSolid));
}

TEST(ChartCanvas, RotatedTextReducesAnglesAboveAFullTurn)
{
    auto draw = [](double angle) {
        Surface s(80, 80);
        s.canvas.Font()->SetName("Arial");
        s.canvas.Font()->SetSize(10);
        s.canvas.Font()->SetColor(clBlack);
        s.canvas.WriteRotatedText(40, 60, angle, "Abc");
        EXPECT_EQ(s.canvas.Brush()->Style(), bsClear);
        return s.Pixels();
    };
    const auto at90 = draw(90);
    EXPECT_EQ(draw(450), at90);
    EXPECT_NE(draw(0), at90);
}

TEST(ChartCanvas, TextMeasuresInTheFontThatWritesIt)
{
    Surface s;
    s.canvas.Font()->SetName("Arial");
    s.canvas.Font()->SetSize(8);
    const int h = s.canvas.FontLineHeight();
    EXPECT_GT(h, 8);
    EXPECT_EQ(h, s.canvas.MeasureTextHeight("anything"));
    EXPECT_GT(s.canvas.MeasureTextWidth("WWW"), s.canvas.MeasureTextWidth("W"));
    s.canvas.Font()->SetSize(16);
    EXPECT_GT(s.canvas.FontLineHeight(), h);
    // Opaque text fills exactly its measured cell at the right/bottom reference point.
    s.canvas.SetBackgroundMode(OPAQUE);
    s.canvas.SetBackgroundColor(clRed);
    s.canvas.SetTextAlignment(TA_RIGHT | TA_BOTTOM);
    s.canvas.Font()->SetSize(8);
    const int w = s.canvas.MeasureTextWidth("Ab");
    s.canvas.WriteText3D(50, 30, "Ab", 99);
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x)
            if (s.Image().PixelColor(x, y) != clWhite) {
                left = std::min(left, x);
                top = std::min(top, y);
                right = std::max(right, x + 1);
                bottom = std::max(bottom, y + 1);
            }
    EXPECT_EQ(left, 50 - w);
    EXPECT_EQ(right, 50);
    EXPECT_EQ(top, 30 - h);
    EXPECT_EQ(bottom, 30);

    TChartCanvas3D unattached;
    EXPECT_EQ(unattached.MeasureTextWidth("W"), 0);
    EXPECT_EQ(unattached.FontLineHeight(), 0);
}

TEST(ChartCanvas, ProjectionIsTheIdentityIn2D)
{
    TChartCanvas3D c;
    TView3DOptions options;
    options.SetHorizOffset(17);
    c.SetView3DOptions(&options);
    c.SetProjection(100, TRect{0, 0, 400, 250}, TRect{30, 20, 380, 220});
    for (int z : {INT_MIN, -5, 0, 7, 1000, INT_MAX}) {
        EXPECT_EQ(c.ProjectPoint(12, -34, z), (TPoint{12, -34}));
        EXPECT_EQ(c.UnprojectPoint(12, -34, z), (TPoint{12, -34}));
    }
    c.BeginFlatDrawing();
    EXPECT_FALSE(c.View3D());
    c.EndFlatDrawing();
    EXPECT_FALSE(c.SupportsFullRotation());
    EXPECT_FALSE(c.SupportsID());
}

TEST(ChartCanvas, FramesReuseTheImageUntilTheSizeChanges)
{
    TBitmap window;
    window.SetSize(200, 100);
    TChartCanvas3D c;
    c.SetReferenceCanvas(window.Canvas());
    EXPECT_TRUE(c.IsDirty());
    EXPECT_FALSE(c.RepaintFromCache());

    TRect r = c.BeginFrame(window.Canvas(), nullptr, TRect{10, 20, 110, 70}, false, clWhite);
    EXPECT_EQ(r, (TRect{0, 0, 100, 50}));
    TBitmap* first = c.OffscreenImage();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(c.ReferenceCanvas(), first->Canvas());
    EXPECT_EQ(first->Width(), 100);
    EXPECT_EQ(first->Height(), 50);
    c.Brush()->SetColor(clRed);
    c.FillRectangle(r);
    c.PresentFrame(window.Canvas(), window.Canvas(), TRect{10, 20, 110, 70});
    EXPECT_FALSE(c.IsDirty());
    EXPECT_EQ(c.ReferenceCanvas(), window.Canvas());
    EXPECT_EQ(window.PixelColor(10, 20), clRed);
    EXPECT_EQ(window.PixelColor(109, 69), clRed);
    EXPECT_EQ(window.PixelColor(9, 20), clWhite);
    EXPECT_EQ(window.PixelColor(110, 69), clWhite);

    // Clean: the cached image goes to the reference canvas at (0, 0).
    EXPECT_TRUE(c.RepaintFromCache());
    EXPECT_EQ(window.PixelColor(0, 0), clRed);
    c.MarkDirty();
    EXPECT_FALSE(c.RepaintFromCache());

    c.BeginFrame(window.Canvas(), nullptr, TRect{10, 20, 110, 70}, false, clWhite);
    EXPECT_EQ(c.OffscreenImage(), first);
    r = c.BeginFrame(window.Canvas(), nullptr, TRect{0, 0, 120, 70}, false, clWhite);
    EXPECT_EQ(r, (TRect{0, 0, 120, 70}));
    EXPECT_EQ(c.OffscreenImage()->Width(), 120);
    EXPECT_EQ(c.OffscreenImage()->Height(), 70);

    // Without the image the frame draws straight into the target.
    c.SetUseOffscreenImage(false);
    EXPECT_EQ(c.OffscreenImage(), nullptr);
    EXPECT_TRUE(c.IsDirty());
    r = c.BeginFrame(window.Canvas(), nullptr, TRect{5, 5, 50, 50}, false, clWhite);
    EXPECT_EQ(r, (TRect{5, 5, 50, 50}));
    EXPECT_EQ(c.ReferenceCanvas(), window.Canvas());
    c.PresentFrame(window.Canvas(), window.Canvas(), r);
    EXPECT_TRUE(c.IsDirty());
}

TEST(ChartCanvas, MonochromeChangeFreesTheImageAndRepaints)
{
    TBitmap window;
    window.SetSize(50, 50);
    int repaints = 0;
    TView3DOptions options(nullptr, [&](TObject*) { ++repaints; });
    TChartCanvas3D c;
    c.BeginFrame(window.Canvas(), &options, TRect{0, 0, 50, 50}, false, clWhite);
    c.PresentFrame(window.Canvas(), window.Canvas(), TRect{0, 0, 50, 50});
    c.SetMonochrome(false);
    EXPECT_EQ(repaints, 0);
    EXPECT_FALSE(c.IsDirty());
    c.SetMonochrome(true);
    EXPECT_EQ(repaints, 1);
    EXPECT_TRUE(c.IsDirty());
    EXPECT_EQ(c.OffscreenImage(), nullptr);
    c.BeginFrame(window.Canvas(), &options, TRect{0, 0, 50, 50}, false, clWhite);
    EXPECT_TRUE(c.OffscreenImage()->Monochrome());
    c.Pen()->SetColor(clRed);
    c.DrawHorizLine(0, 10, 0);
    EXPECT_EQ(c.OffscreenImage()->PixelColor(0, 0), clBlack);

    TChartCanvas3D other;
    other.AssignSettings(&c);
    EXPECT_TRUE(other.Monochrome());
}

TEST(ChartCanvas, ResetDrawingState)
{
    Surface s;
    s.canvas.Pen()->SetColor(clRed);
    s.canvas.Pen()->SetWidth(3);
    s.canvas.Pen()->SetStyle(psDot);
    s.canvas.Brush()->SetStyle(bsClear);
    s.canvas.Brush()->SetColor(clRed);
    s.canvas.Font()->SetColor(clRed);
    s.canvas.SetBackgroundColor(clRed);
    s.canvas.SetBackgroundMode(OPAQUE);
    s.canvas.ResetDrawingState();
    EXPECT_EQ(s.canvas.Pen()->Color(), clBlack);
    EXPECT_EQ(s.canvas.Pen()->Width(), 1);
    EXPECT_EQ(s.canvas.Pen()->Style(), psSolid);
    EXPECT_EQ(s.canvas.Brush()->Color(), clWhite);
    EXPECT_EQ(s.canvas.Brush()->Style(), bsSolid);
    EXPECT_EQ(s.canvas.Font()->Color(), clBlack);
    EXPECT_EQ(s.canvas.Font()->Size(), 10);
    EXPECT_EQ(s.canvas.BackgroundColor(), clWhite);
    EXPECT_EQ(s.canvas.BackgroundMode(), TRANSPARENT);
}

TEST(ChartPens, DefaultsPerClass)
{
    struct Case
    {
        std::unique_ptr<TChartPen> pen;
        TColor color;
        TPenStyle style;
        int width;
        bool visible;
    };
    std::vector<Case> cases;
    cases.push_back({std::make_unique<TChartPen>(), clBlack, psSolid, 1, true});
    cases.push_back({std::make_unique<TChartHiddenPen>(), clBlack, psSolid, 1, false});
    cases.push_back({std::make_unique<TDottedGrayPen>(), 0x808080, psDot, 1, true});
    cases.push_back({std::make_unique<TDarkGrayPen>(), 0x808080, psSolid, 1, true});
    cases.push_back({std::make_unique<TChartAxisPen>(), clBlack, psSolid, 2, true});
    cases.push_back({std::make_unique<TChartArrowPen>(), 0xFFFFFF, psSolid, 1, true});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pen->ClassName());
        EXPECT_EQ(c.pen->Color(), c.color);
        EXPECT_EQ(c.pen->Style(), c.style);
        EXPECT_EQ(c.pen->Width(), c.width);
        EXPECT_EQ(c.pen->Visible(), c.visible);
        EXPECT_EQ(c.pen->Mode(), pmCopy);
        EXPECT_FALSE(c.pen->SmallDots());
    }
    EXPECT_EQ(TChartBrush().Color(), clSeriesDefault);
}

TEST(ChartPens, AssignCopiesVisibilityDotsAndPenAndNotifiesOnce)
{
    int changes = 0;
    TChartPen target([&](TObject*) { ++changes; });
    TDottedGrayPen source;
    source.SetVisible(false);
    source.SetSmallDots(true);
    target.Assign(&source);
    EXPECT_FALSE(target.Visible());
    EXPECT_TRUE(target.SmallDots());
    EXPECT_EQ(target.Style(), psDot);
    EXPECT_EQ(target.Color(), clGray);
    EXPECT_EQ(changes, 1);
    target.Assign(&source);
    EXPECT_EQ(changes, 1);
    TChartPen visibleOnly;
    visibleOnly.Assign(&source);
    visibleOnly.SetVisible(true);
    target.Assign(&visibleOnly); // pen settings equal, only Visible differs
    EXPECT_EQ(changes, 2);
    target.SetSmallDots(true);
    EXPECT_EQ(changes, 2);
    target.SetSmallDots(false);
    EXPECT_EQ(changes, 3);
}

TEST(View3DOptions, DefaultsNotificationsAndCopy)
{
    TObject chart;
    int repaints = 0;
    std::vector<bool> scrolls;
    std::vector<std::pair<int, int>> zooms; // (new value, value stored at the time)
    TView3DOptions o(&chart, [&](TObject*) { ++repaints; });
    o.OnScrolled = [&](bool horizontal) { scrolls.push_back(horizontal); };
    o.OnZoomChanging = [&](int value) { zooms.push_back({value, o.Zoom()}); };
    EXPECT_EQ(o.ParentChart(), &chart);
    EXPECT_EQ(o.Elevation(), 345);
    EXPECT_EQ(o.HorizOffset(), 0);
    EXPECT_TRUE(o.Orthogonal());
    EXPECT_EQ(o.Perspective(), 15);
    EXPECT_EQ(o.Rotation(), 345);
    EXPECT_EQ(o.Tilt(), 0);
    EXPECT_EQ(o.VertOffset(), 0);
    EXPECT_EQ(o.Zoom(), 100);
    EXPECT_TRUE(o.ZoomText());

    o.SetElevation(345);
    o.SetZoom(100);
    EXPECT_EQ(repaints, 0);
    o.SetHorizOffset(5);
    o.SetVertOffset(-3);
    o.SetZoom(150);
    EXPECT_EQ(repaints, 3);
    EXPECT_EQ(scrolls, (std::vector<bool>{true, false}));
    EXPECT_EQ(zooms, (std::vector<std::pair<int, int>>{{150, 100}}));

    TView3DOptions copy;
    copy.Assign(&o);
    EXPECT_EQ(copy.HorizOffset(), 5);
    EXPECT_EQ(copy.VertOffset(), -3);
    EXPECT_EQ(copy.Zoom(), 150);
    EXPECT_EQ(copy.ParentChart(), nullptr);
}

} // namespace
