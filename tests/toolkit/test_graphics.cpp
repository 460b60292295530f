// Canvas, pen, brush, font and bitmap: what callers rely on, pixel-exact where pixels are ours,
// geometry from the measured font where the platform writes glyphs.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <climits>
#include <string>
#include <unistd.h>
#include <vector>

#include "toolkit/Canvas.h"
#include "toolkit/Graphics.h"
#include "toolkit/Graphics_p.h"

namespace {

TBitmap* NewBitmap(int w, int h)
{
    auto* b = new TBitmap;
    b->SetWidth(w);
    b->SetHeight(h);
    return b;
}

// Bounding box of the pixels that are not Background; empty when none.
TRect InkBounds(const TBitmap& b, TColor background = clWhite)
{
    TRect r{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    bool any = false;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.PixelColor(x, y) != background) {
                any = true;
                r = TRect{std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1),
                          std::max(r.Bottom, y + 1)};
            }
    return any ? r : TRect{};
}

int CountColor(const TBitmap& b, TColor c)
{
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            n += b.PixelColor(x, y) == c;
    return n;
}

TEST(Colors, PlainAndSystemColoursConvertToFixedRGB)
{
    struct Case
    {
        TColor color;
        uint32_t rgb;
    };
    const std::vector<Case> cases = {
        {clRed, 0x0000FF},      {clWhite, 0xFFFFFF},     {clGray, 0x808080},
        {clBtnFace, 0xF0F0F0},  {clBtnShadow, 0xA0A0A0}, {clBtnHighlight, 0xFFFFFF},
        {clWindow, 0xFFFFFF},   {clWindowText, 0},       {clSystemColor + 200, 0},
        {0x02123456, 0x123456},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ColorToRGB(c.color), c.rgb) << std::hex << c.color;
    EXPECT_EQ(clSeriesDefault, clScrollBar);
    EXPECT_EQ(ColorToPixel(clRed), 0xFFFF0000u);
    EXPECT_EQ(PixelToColor(0xFF123456u), 0x563412u);
}

TEST(Pen, NotifiesOnlyRealChangesAndAlternateIsClearedBySetters)
{
    TPen pen;
    int changes = 0;
    pen.OnChange = [&](TObject*) { ++changes; };
    pen.SetColor(clBlack);
    pen.SetWidth(1);
    pen.SetWidth(0); // clamps to 1: no change
    pen.SetMode(pmCopy);
    EXPECT_EQ(changes, 0);
    pen.SetColor(clRed);
    pen.SetStyle(psDot);
    pen.SetMode(pmNotXor);
    EXPECT_EQ(changes, 3);
    pen.SelectAlternatePen(clBlue);
    EXPECT_TRUE(pen.IsAlternate());
    EXPECT_EQ(changes, 4);
    pen.SetColor(clBlue); // same colour, but an ordinary pen again
    EXPECT_FALSE(pen.IsAlternate());
    EXPECT_EQ(changes, 5);

    TPen copy;
    int copyChanges = 0;
    copy.OnChange = [&](TObject*) { ++copyChanges; };
    copy.Assign(&pen);
    copy.Assign(&pen);
    EXPECT_EQ(copyChanges, 1);
    EXPECT_EQ(copy.Color(), clBlue);
    EXPECT_EQ(copy.Style(), psDot);
    EXPECT_EQ(copy.Mode(), pmNotXor);
    TBrush brush;
    EXPECT_THROW(copy.Assign(&brush), EConvertError);
}

TEST(Font, SizeAndHeightAtTheFontsPixelsPerInch)
{
    TFont font;
    struct Case
    {
        int size;
        int height;
    };
    for (const Case c : {Case{8, -11}, Case{10, -13}, Case{12, -16}, Case{1, -1}}) {
        font.SetSize(c.size);
        EXPECT_EQ(font.Height(), c.height);
        EXPECT_EQ(font.Size(), c.size);
    }
    EXPECT_EQ(ToQFont(font).pixelSize(), 1);
    font.SetName("Arial");
    font.SetSize(8);
    const QFont q = ToQFont(font);
    EXPECT_EQ(q.pixelSize(), 11);
    EXPECT_EQ(QFontInfo(q).family(), QStringLiteral("Liberation Sans"));

    // A positive height is the cell: the largest font whose line fits in it.
    for (int cell : {9, 12, 20, 33}) {
        font.SetHeight(cell);
        QFont f = ToQFont(font);
        EXPECT_LE(QFontMetrics(f).height(), cell) << cell;
        f.setPixelSize(f.pixelSize() + 1);
        EXPECT_GT(QFontMetrics(f).height(), cell) << cell;
    }
}

TEST(Bitmap, SizingKeepsTheTopLeftAndFillsWhite)
{
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    b.SetWidth(10);
    EXPECT_EQ(b.Width(), 10);
    EXPECT_EQ(b.Height(), 0);
    b.SetHeight(5);
    EXPECT_EQ(b.PixelColor(9, 4), clWhite);
    b.Canvas()->SetPixel(1, 1, clRed);
    b.SetSize(20, 20);
    EXPECT_EQ(b.PixelColor(1, 1), clRed);
    EXPECT_EQ(b.PixelColor(15, 15), clWhite);
    EXPECT_EQ(b.PixelColor(20, 0), 0xFFFFFFFFu);
    EXPECT_EQ(b.PixelColor(-1, 0), 0xFFFFFFFFu);
}

TEST(Bitmap, MonochromeHoldsOnlyBlackAndWhite)
{
    TBitmap b;
    b.SetSize(4, 1);
    b.Canvas()->SetPixel(0, 0, clRed);
    b.SetMonochrome(true);
    EXPECT_EQ(b.PixelColor(0, 0), clBlack);
    b.Canvas()->SetPixel(1, 0, clYellow);
    b.Canvas()->SetPixel(2, 0, clWhite);
    EXPECT_EQ(b.PixelColor(1, 0), clBlack);
    EXPECT_EQ(b.PixelColor(2, 0), clWhite);
}

TEST(Bitmap, SavesPngAndReportsUnwritableFiles)
{
    TBitmap b;
    b.SetSize(7, 3);
    b.Canvas()->SetPixel(6, 2, clBlue);
    const std::string path =
        ::testing::TempDir() + "graphics_test_save-" + std::to_string(getpid()) + ".png";
    b.SaveToFile(path);
    TBitmap back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Width(), 7);
    EXPECT_EQ(back.Height(), 3);
    EXPECT_EQ(back.PixelColor(6, 2), clBlue);
    EXPECT_THROW(b.SaveToFile("/nonexistent-dir/x.png"), EFCreateError);
    EXPECT_THROW(back.LoadFromFile("/nonexistent-dir/x.png"), EFOpenError);
}

TEST(Canvas, RectangleOutlineFillAndPens)
{
    struct Case
    {
        const char* name;
        TPenStyle penStyle;
        int penWidth;
        TBrushStyle brushStyle;
        TRect outline; // outer edge of the pen-coloured ring (empty: no outline)
        int ring;      // its thickness
        TRect filled;  // brush-coloured area (empty: none)
    };
    const std::vector<Case> cases = {
        {"thin pen, solid brush", psSolid, 1, bsSolid, {10, 10, 20, 20}, 1, {11, 11, 19, 19}},
        {"thin pen, clear brush", psSolid, 1, bsClear, {10, 10, 20, 20}, 1, {}},
        {"clear pen fills it all", psClear, 1, bsSolid, {}, 0, {10, 10, 20, 20}},
        {"width 3 centred on the outline",
         psSolid,
         3,
         bsSolid,
         {9, 9, 21, 21},
         3,
         {12, 12, 18, 18}},
        {"width 3 inside frame", psInsideFrame, 3, bsSolid, {10, 10, 20, 20}, 3, {13, 13, 17, 17}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TBitmap> b(NewBitmap(30, 30));
        TCanvas* cv = b->Canvas();
        cv->Pen()->SetColor(clRed);
        cv->Pen()->SetStyle(c.penStyle);
        cv->Pen()->SetWidth(c.penWidth);
        cv->Brush()->SetColor(clBlue);
        cv->Brush()->SetStyle(c.brushStyle);
        cv->Rectangle(10, 10, 20, 20);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) {
                TColor want = clWhite;
                const TRect inside{c.outline.Left + c.ring, c.outline.Top + c.ring,
                                   c.outline.Right - c.ring, c.outline.Bottom - c.ring};
                if (c.filled.Contains(x, y))
                    want = clBlue;
                else if (c.outline.Contains(x, y) && !inside.Contains(x, y))
                    want = clRed;
                ASSERT_EQ(b->PixelColor(x, y), want) << x << "," << y;
            }
    }
}

TEST(Canvas, DottedRectangleUnderNotXorRestoresTheImage)
{
    std::unique_ptr<TBitmap> b(NewBitmap(40, 40));
    TCanvas* cv = b->Canvas();
    cv->Brush()->SetColor(clYellow);
    cv->FillRect({0, 0, 40, 40});
    cv->Pen()->SetMode(pmNotXor);
    cv->Pen()->SetStyle(psDot);
    cv->Brush()->SetStyle(bsClear);
    for (const TRect r : {TRect{5, 5, 30, 25}, TRect{2, 2, 3, 30}, TRect{1, 1, 9, 2}}) {
        cv->Rectangle(r);
        EXPECT_NE(CountColor(*b, clYellow), 1600);
        cv->Rectangle(r);
        EXPECT_EQ(CountColor(*b, clYellow), 1600);
    }
}

TEST(Canvas, Frame3DPaintsRightAndBottomInTheBottomColour)
{
    std::unique_ptr<TBitmap> b(NewBitmap(12, 12));
    TCanvas* cv = b->Canvas();
    TRect r{0, 0, 10, 10};
    cv->Frame3D(r, clRed, clBlue, 2);
    EXPECT_EQ(r, (TRect{2, 2, 8, 8}));
    EXPECT_EQ(cv->Pen()->Color(), clBlue);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(b->PixelColor(9, i), clBlue) << i; // right column, corner included
        EXPECT_EQ(b->PixelColor(i, 9), clBlue) << i; // bottom row, corner included
    }
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(b->PixelColor(i, 0), clRed) << i;
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(b->PixelColor(0, i), clRed) << i;
    EXPECT_EQ(b->PixelColor(1, 1), clRed); // second ring
    EXPECT_EQ(b->PixelColor(8, 2), clBlue);
    EXPECT_EQ(b->PixelColor(2, 2), clWhite);
    EXPECT_EQ(b->PixelColor(10, 10), clWhite);
}

TEST(Canvas, HatchGapsFollowTheBackgroundMode)
{
    std::unique_ptr<TBitmap> b(NewBitmap(16, 16));
    TCanvas* cv = b->Canvas();
    cv->Brush()->SetColor(clBlack);
    cv->Brush()->SetStyle(bsHorizontal);
    cv->SetBkMode(TRANSPARENT);
    cv->FillRect({0, 0, 16, 16});
    EXPECT_EQ(CountColor(*b, clBlack), 32);
    EXPECT_EQ(CountColor(*b, clWhite), 256 - 32);
    cv->SetBkMode(OPAQUE);
    cv->SetBkColor(clLime);
    cv->FillRect({0, 0, 16, 16});
    EXPECT_EQ(CountColor(*b, clLime), 256 - 32);
}

TEST(Canvas, ClipAndTouchedAreas)
{
    std::unique_ptr<TBitmap> b(NewBitmap(50, 50));
    TCanvas* cv = b->Canvas();
    std::vector<TRect> touched;
    int changes = 0;
    cv->OnTouched = [&](const TRect& r) { touched.push_back(r); };
    cv->OnChange = [&](TObject*) { ++changes; };
    cv->MoveTo(5, 5);
    cv->LineTo(40, 5);
    ASSERT_EQ(touched.size(), 1u);
    EXPECT_EQ(touched[0], (TRect{5, 5, 41, 6}));
    cv->SetClipRect({10, 0, 20, 50});
    cv->MoveTo(0, 10);
    cv->LineTo(50, 10);
    EXPECT_EQ(touched.back(), (TRect{10, 10, 20, 11}));
    for (int x = 0; x < 50; ++x)
        EXPECT_EQ(b->PixelColor(x, 10) == clBlack, x >= 10 && x < 20);
    cv->FillRect({100, 100, 120, 120}); // nothing visible: no touched area
    EXPECT_EQ(touched.size(), 2u);
    EXPECT_EQ(changes, 3);
    cv->OnChange = nullptr;
    cv->RemoveClip();
    cv->LineTo(0, 10);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(cv->PenPos(), (TPoint{0, 10}));
}

TEST(Canvas, TextCellFollowsTheAlignmentFlags)
{
    struct Case
    {
        const char* name;
        unsigned align;
        int dx; // cell left relative to x, in widths (0, -1) or half widths (-2 means -w/2)
        int dy; // cell top relative to y: 0, -1 (heights) or -2 (the ascent: baseline at y)
    };
    const std::vector<Case> cases = {
        {"top-left", TA_LEFT | TA_TOP, 0, 0},
        {"top-right", TA_RIGHT | TA_TOP, -1, 0},
        {"centre", TA_CENTER | TA_TOP, -2, 0},
        {"bottom-left", TA_LEFT | TA_BOTTOM, 0, -1},
        {"bottom-centre", TA_CENTER | TA_BOTTOM, -2, -1},
        {"baseline-right", TA_RIGHT | TA_BASELINE, -1, -2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<TBitmap> b(NewBitmap(200, 100));
        TCanvas* cv = b->Canvas();
        cv->Font()->SetName("Arial");
        cv->Font()->SetSize(8);
        cv->Font()->SetColor(clBlack);
        cv->SetBkMode(OPAQUE);
        cv->SetBkColor(clRed);
        cv->SetTextAlign(c.align);
        const std::string text = "Wide text";
        const TSize size = cv->TextExtent(text);
        EXPECT_EQ(size.cy, QFontMetrics(ToQFont(*cv->Font())).height());
        EXPECT_GT(size.cx, size.cy);
        cv->TextOut(100, 50, text);
        const int left = c.dx == -2 ? 100 - size.cx / 2 : 100 + c.dx * size.cx;
        const int ascent = QFontMetrics(ToQFont(*cv->Font())).ascent();
        const int top = c.dy == -2 ? 50 - ascent : 50 + c.dy * size.cy;
        EXPECT_EQ(InkBounds(*b), (TRect{left, top, left + size.cx, top + size.cy}));
    }
}

TEST(Canvas, TransparentClippedAndRotatedText)
{
    std::unique_ptr<TBitmap> b(NewBitmap(100, 100));
    TCanvas* cv = b->Canvas();
    cv->Font()->SetName("Arial");
    cv->Font()->SetSize(10);
    cv->Font()->SetColor(clBlack);
    cv->SetBkMode(TRANSPARENT);
    const TSize size = cv->TextExtent("MMMM");
    cv->SetClipRect({0, 0, 55, 100});
    cv->TextOut(40, 10, "MMMM");
    const TRect ink = InkBounds(*b);
    EXPECT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Left, 40);
    EXPECT_LE(ink.Right, 55);
    EXPECT_GE(ink.Top, 10);
    EXPECT_LE(ink.Bottom, 10 + size.cy);
    EXPECT_EQ(CountColor(*b, clRed), 0);

    // Counter-clockwise quarter turn: the text runs upwards from the reference point.
    std::unique_ptr<TBitmap> r(NewBitmap(100, 100));
    r->Canvas()->Font()->Assign(cv->Font());
    r->Canvas()->SetBkMode(OPAQUE);
    r->Canvas()->SetBkColor(clRed);
    r->Canvas()->TextOutRotated(30, 80, 90, "MMMM");
    EXPECT_EQ(InkBounds(*r), (TRect{30, 80 - size.cx, 30 + size.cy, 80}));
}

TEST(Canvas, BlockCopiesRespectClipAndOverlap)
{
    std::unique_ptr<TBitmap> src(NewBitmap(4, 4));
    src->Canvas()->Brush()->SetColor(clGreen);
    src->Canvas()->FillRect({0, 0, 4, 4});
    std::unique_ptr<TBitmap> dst(NewBitmap(10, 10));
    dst->Canvas()->SetClipRect({0, 0, 10, 5});
    dst->Canvas()->Draw(3, 3, src.get());
    EXPECT_EQ(InkBounds(*dst), (TRect{3, 3, 7, 5}));
    dst->Canvas()->RemoveClip();
    dst->Canvas()->Draw(8, -2, src.get());
    EXPECT_EQ(CountColor(*dst, clGreen), 8 + 4);

    // Shifting a picture down by one row within itself copies every row once.
    std::unique_ptr<TBitmap> img(NewBitmap(3, 6));
    for (int y = 0; y < 6; ++y)
        img->Canvas()->SetPixel(0, y, static_cast<TColor>(y + 1));
    img->Canvas()->CopyRect({0, 1, 3, 6}, img->Canvas(), {0, 0, 3, 5});
    for (int y = 1; y < 6; ++y)
        EXPECT_EQ(img->PixelColor(0, y), static_cast<TColor>(y)) << y;
}

TEST(Canvas, DrawsIntoAnImageOwnedElsewhereEvenAfterItIsResized)
{
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(0xFFFFFFFFu);
    std::unique_ptr<TCanvas> cv = CreateImageCanvas(&image);
    EXPECT_EQ(cv->Width(), 20);
    cv->SetPixel(3, 4, clRed);
    EXPECT_EQ(image.pixel(3, 4), 0xFFFF0000u);
    image = QImage(40, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(0xFFFFFFFFu);
    EXPECT_EQ(cv->Height(), 30);
    cv->Brush()->SetColor(clBlue);
    cv->FillRect({30, 20, 100, 100});
    EXPECT_EQ(image.pixel(39, 29), 0xFF0000FFu);
    EXPECT_EQ(image.pixel(29, 29), 0xFFFFFFFFu);
    EXPECT_EQ(CanvasImage(cv.get()), &image);

    TCanvas detached;
    detached.LineTo(10, 10); // nothing to draw into: no effect, no crash
    EXPECT_EQ(detached.Pixels(0, 0), 0xFFFFFFFFu);
    EXPECT_GT(detached.TextHeight("W"), 0);
}

TEST(Canvas, BrushBitmapTilesFromTheSurfaceOrigin)
{
    std::unique_ptr<TBitmap> pattern(NewBitmap(2, 2));
    pattern->Canvas()->SetPixel(0, 0, clRed);
    pattern->Canvas()->SetPixel(1, 1, clBlue);
    std::unique_ptr<TBitmap> b(NewBitmap(10, 10));
    b->Canvas()->Brush()->SetBitmap(pattern.get());
    b->Canvas()->FillRect({3, 3, 9, 8});
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            TColor want = clWhite;
            if (x >= 3 && x < 9 && y >= 3 && y < 8 && x % 2 == y % 2)
                want = x % 2 == 0 ? clRed : clBlue;
            ASSERT_EQ(b->PixelColor(x, y), want) << x << "," << y;
        }
}

TEST(Canvas, HugeCoordinatesNeverWriteOutsideTheImage)
{
    std::unique_ptr<TBitmap> src(NewBitmap(5, 5));
    std::unique_ptr<TBitmap> b(NewBitmap(20, 20));
    TCanvas* cv = b->Canvas();
    cv->Pen()->SetWidth(5);
    cv->Brush()->SetColor(clRed);
    cv->Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(CountColor(*b, clRed), 400); // the outline lies far outside
    cv->Rectangle(INT_MAX, INT_MAX, INT_MIN + 1, 3);
    cv->FillRect({INT_MIN, INT_MIN, INT_MAX, INT_MAX});
    cv->FrameRect({INT_MIN, INT_MIN, INT_MAX, INT_MAX});
    cv->SetPixel(INT_MAX, INT_MIN, clBlue);
    cv->Draw(INT_MAX, INT_MAX, src.get());
    cv->Draw(INT_MIN, INT_MIN, src.get());
    cv->CopyRect({INT_MIN, 0, INT_MAX, 10}, src->Canvas(), {INT_MAX - 10, INT_MIN, INT_MAX, 5});
    cv->CopyRect({INT_MAX - 4, 0, INT_MAX, 5}, src->Canvas(), {INT_MIN, 0, INT_MIN + 4, 5});
    cv->TextOut(INT_MIN, INT_MAX, "far away");
    cv->TextOutRotated(INT_MAX, INT_MAX, 45, "far away");
    cv->MoveTo(INT_MIN, INT_MIN);
    cv->LineTo(INT_MAX, INT_MAX);
    EXPECT_EQ(b->Width(), 20);
}

} // namespace
