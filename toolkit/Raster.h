// The toolkit's rasteriser: which pixels of a 32-bit image a line, rectangle or fill covers, and
// how a pen colour combines with them. Callers hand in geometry only, never pixel coverage.
//
// Conventions:
// - A line covers its start pixel and not its end pixel; a line of no length covers nothing.
// - Direction rule: along the major axis every column (or row) gets one pixel; the minor
//   coordinate is the exact one rounded to nearest, and an exact half goes to the smaller
//   coordinate. The rule depends on the line, not on its direction, so A->B and B->A cover the
//   same pixels apart from the two ends, and chained lines neither double nor drop a pixel.
// - Rectangles, fills and clips cover columns left..right-1 and rows top..bottom-1.
// - Every write stays inside the clip, which always lies inside the image, whatever the input
//   coordinates (huge and negative ones included).
// - Pixels are 0xFFRRGGBB; results keep the top byte at 0xFF.
// - At a scale s above 1 (an image for a screen of s device pixels per layout pixel) geometry is
//   still in layout pixels and every layout pixel covered is an s x s block of the image: the
//   picture is exactly the scale-1 one enlarged, and text drawn between keeps its full sharpness.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "toolkit/Graphics.h"
#include "toolkit/Types.h"

// On/off pattern along a line, one bit per pixel step, lowest bit first.
struct TLinePattern
{
    uint32_t Bits = 1;
    int Length = 1;

    bool IsSolid() const { return Bits == (Length >= 32 ? 0xFFFFFFFFu : (1u << Length) - 1); }
    bool operator==(const TLinePattern&) const = default;
};

// psSolid/psInsideFrame solid; psDash 18 on 6 off; psDot 3 on 3 off; psDashDot 9-6-3-6;
// psDashDotDot 9-3-3-3-3-3; psClear no pixel at all.
TLinePattern PatternForStyle(TPenStyle style);
// The cosmetic alternate-pixel pen: on, off, on, off...
constexpr TLinePattern AlternatePattern{1, 2};

// Coordinates beyond +-2^29 are far outside any image; clamping a rectangle to that range keeps
// every visible pixel and leaves room for arithmetic on its edges without overflow.
constexpr int kRasterLimit = 1 << 29;
TRect ClampToRasterRange(const TRect& rect);
int ClampToRasterRange(long long value);

// Combines pen pixel P with destination D by a binary raster operation.
uint32_t ApplyRop(TPenMode mode, uint32_t pen, uint32_t dest);

// Fills Height rows of Width (at least 1) pixels with Value, Stride pixels apart. The variants
// differ only in speed; the first that this CPU runs is the one fills use. Listed so that tests can
// hold each against a plain loop.
struct TRowFiller
{
    using Routine = void (*)(uint32_t* row, ptrdiff_t stride, ptrdiff_t width, int height,
                             uint32_t value);
    const char* Name = "";
    Routine Fill = nullptr;
};
std::vector<TRowFiller> RowFillersOfThisCpu();

class TRaster
{
public:
    // Bits: first pixel of the top row; stride: pixels from one row to the next. Width and
    // Height in layout pixels; the image holds Scale times as many each way.
    TRaster(uint32_t* bits, int width, int height, int stride, int scale = 1);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Scale() const { return FScale; }
    // Intersected with the image; an empty clip lets nothing through.
    void SetClip(const TRect& clip);
    const TRect& Clip() const { return FClip; }

    // From (x0, y0) up to but not including (x1, y1). Phase: position in the pattern of the
    // start pixel; it comes back advanced by the line's length, so the next line of a chain
    // continues the pattern (TStroker keeps it for chains; draw those through it). Width > 1 puts a
    // run of Width pixels across the major axis at every step, Width / 2 of them before the thin
    // line's pixel.
    void Line(int x0, int y0, int x1, int y1, uint32_t pixel, TPenMode mode,
              const TLinePattern& pattern, int width, int& phase);
    void FillRect(const TRect& rect, uint32_t pixel, TPenMode mode);
    // A ring Thickness pixels wide inside Outer; no pixel is covered twice.
    void FrameRect(const TRect& outer, int thickness, uint32_t pixel, TPenMode mode);
    // 8x8 hatch aligned to the image origin; gaps get Back when Opaque, else stay.
    void FillHatch(const TRect& rect, TBrushStyle style, uint32_t fore, uint32_t back, bool opaque,
                   TPenMode mode);
    // Tiles a pattern image from the image origin.
    void FillPattern(const TRect& rect, const uint32_t* pattern, int patternWidth,
                     int patternHeight, int patternStride, TPenMode mode);
    void SetPixel(int x, int y, uint32_t pixel, TPenMode mode);
    // 0 outside the image; at a scale above 1, the top-left pixel of the block.
    uint32_t Pixel(int x, int y) const;

    // The pixels a Line call may touch (before clipping).
    static TRect LineBounds(int x0, int y0, int x1, int y1, int width);

private:
    uint32_t* FBits = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    int FStride = 0;
    int FScale = 1;
    TRect FClip;

    template <class F> void ForEachPixel(const TRect& rect, F&& f);
};

// A pen walking chains of lines: it keeps the pen position and the place in the pen's pattern,
// so each line continues the pattern where the last one stopped; a move starts it afresh.
class TStroker
{
public:
    TPoint Position() const { return FPosition; }
    int Phase() const { return FPhase; }
    void MoveTo(int x, int y);
    // Moves the pen without a trace, leaving the pattern where it was: a pen that draws nothing.
    void SkipTo(int x, int y) { FPosition = TPoint{x, y}; }
    // From the pen position up to, not including, (X, Y); the pen moves there.
    void LineTo(TRaster& raster, int x, int y, uint32_t pixel, TPenMode mode,
                const TLinePattern& pattern, int width);

    // A chain of solid thin lines inside one pixel column, from row Start through rows whose
    // extremes are Low..High (Low > High: no row between) to row End, covers rows
    // SpanLow..SpanHigh: each line covers its start pixel and not its end, so only End can be
    // left out, when no earlier position reaches it. False when the chain covers nothing.
    static bool ColumnSpan(int start, int low, int high, int end, int& spanLow, int& spanHigh);

private:
    TPoint FPosition;
    int FPhase = 0;
};
