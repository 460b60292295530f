// The rasteriser's pixel conventions, and its fast paths against a plain per-pixel reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "toolkit/Raster.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kInk = 0xFF102030u;

struct Image
{
    int w = 0;
    int h = 0;
    int stride = 0;
    std::vector<uint32_t> px;

    // A stride wider than the picture, so writes past a row's end would show.
    Image(int width, int height, uint32_t fill = kWhite)
        : w(width), h(height), stride(width + 3), px(static_cast<size_t>(stride) * height, fill)
    {
    }
    TRaster Raster() { return TRaster(px.data(), w, h, stride); }
    uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * stride + x]; }
    uint32_t& At(int x, int y) { return px[static_cast<size_t>(y) * stride + x]; }
    std::set<std::pair<int, int>> Changed(uint32_t background = kWhite) const
    {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < stride; ++x)
                if (px[static_cast<size_t>(y) * stride + x] != background) out.insert({x, y});
        return out;
    }
};

using PixelSet = std::set<std::pair<int, int>>;

PixelSet DrawLine(int x0, int y0, int x1, int y1, int w = 40, int h = 40)
{
    Image img(w, h);
    TRaster r = img.Raster();
    int phase = 0;
    r.Line(x0, y0, x1, y1, kInk, pmCopy, PatternForStyle(psSolid), 1, phase);
    return img.Changed();
}

// ---- conventions

struct LineCase
{
    const char* name;
    int x0, y0, x1, y1;
    PixelSet expected;
};

TEST(RasterLine, CoversStartNotEnd)
{
    const std::vector<LineCase> cases = {
        {"no length", 5, 5, 5, 5, {}},
        {"one pixel right", 5, 5, 6, 5, {{5, 5}}},
        {"one pixel left", 5, 5, 4, 5, {{5, 5}}},
        {"one pixel down", 5, 5, 5, 6, {{5, 5}}},
        {"one pixel diagonal", 5, 5, 6, 6, {{5, 5}}},
        {"horizontal", 2, 3, 6, 3, {{2, 3}, {3, 3}, {4, 3}, {5, 3}}},
        {"horizontal leftwards", 6, 3, 2, 3, {{6, 3}, {5, 3}, {4, 3}, {3, 3}}},
        {"vertical up", 4, 9, 4, 6, {{4, 9}, {4, 8}, {4, 7}}},
        {"diagonal", 1, 1, 4, 4, {{1, 1}, {2, 2}, {3, 3}}},
        {"anti-diagonal", 4, 1, 1, 4, {{4, 1}, {3, 2}, {2, 3}}},
        // Exact halves go to the smaller minor coordinate, in either direction.
        {"shallow tie down-right", 0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {"shallow tie up-left", 4, 2, 0, 0, {{4, 2}, {3, 1}, {2, 1}, {1, 0}}},
        {"shallow tie up-right", 0, 2, 4, 0, {{0, 2}, {1, 1}, {2, 1}, {3, 0}}},
        {"steep tie", 0, 0, 2, 4, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
        {"steep tie reversed", 2, 4, 0, 0, {{2, 4}, {1, 3}, {1, 2}, {0, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DrawLine(c.x0, c.y0, c.x1, c.y1), c.expected);
    }
}

TEST(RasterLine, EveryOctantCoversStartToEndMinusOneAndIsDirectionFree)
{
    const int cx = 20;
    const int cy = 20;
    const std::vector<std::pair<int, int>> ends = {{15, 4},   {4, 15},   {-4, 15},  {-15, 4},
                                                   {-15, -4}, {-4, -15}, {4, -15},  {15, -4},
                                                   {9, 6},    {-7, 11},  {13, -13}, {-10, 0}};
    for (const auto& [dx, dy] : ends) {
        SCOPED_TRACE(std::to_string(dx) + "," + std::to_string(dy));
        const PixelSet forward = DrawLine(cx, cy, cx + dx, cy + dy);
        const PixelSet backward = DrawLine(cx + dx, cy + dy, cx, cy);
        EXPECT_EQ(forward.size(), static_cast<size_t>(std::max(std::abs(dx), std::abs(dy))));
        EXPECT_TRUE(forward.count({cx, cy}));
        EXPECT_FALSE(forward.count({cx + dx, cy + dy}));
        PixelSet a = forward;
        a.insert({cx + dx, cy + dy});
        PixelSet b = backward;
        b.insert({cx, cy});
        EXPECT_EQ(a, b);
    }
}

TEST(RasterLine, ChainedLinesNeitherDoubleNorDrop)
{
    // Under not-xor a doubled pixel would flip back to white.
    Image img(40, 40);
    TRaster r = img.Raster();
    int phase = 0;
    const std::vector<std::pair<int, int>> pts = {{3, 3}, {30, 9}, {12, 35}, {12, 20}, {3, 3}};
    for (size_t i = 1; i < pts.size(); ++i)
        r.Line(pts[i - 1].first, pts[i - 1].second, pts[i].first, pts[i].second, 0xFF000000u,
               pmNotXor, PatternForStyle(psSolid), 1, phase);
    size_t expected = 0;
    for (size_t i = 1; i < pts.size(); ++i)
        expected += static_cast<size_t>(std::max(std::abs(pts[i].first - pts[i - 1].first),
                                                 std::abs(pts[i].second - pts[i - 1].second)));
    EXPECT_EQ(img.Changed().size(), expected);
}

TEST(RasterRect, FillAndFrameCoverLeftToRightMinusOne)
{
    struct Case
    {
        const char* name;
        TRect rect;
        int thickness; // 0: fill
        size_t count;
    };
    const std::vector<Case> cases = {
        {"fill", {2, 3, 7, 5}, 0, 10},          {"empty fill", {4, 4, 4, 9}, 0, 0},
        {"inverted fill", {7, 3, 2, 5}, 0, 0},  {"frame", {10, 10, 20, 20}, 1, 36},
        {"thick frame", {0, 0, 10, 10}, 2, 64}, {"frame thicker than half", {0, 0, 4, 9}, 2, 36},
        {"one-row frame", {1, 1, 6, 2}, 1, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image img(30, 30);
        TRaster r = img.Raster();
        if (c.thickness == 0)
            r.FillRect(c.rect, kInk, pmCopy);
        else
            r.FrameRect(c.rect, c.thickness, 0xFF000000u, pmNotXor);
        const PixelSet got = img.Changed();
        EXPECT_EQ(got.size(), c.count);
        for (const auto& [x, y] : got)
            EXPECT_TRUE(c.rect.Contains(x, y)) << x << "," << y;
    }
    Image img(30, 30);
    TRaster r = img.Raster();
    r.FrameRect({10, 10, 20, 20}, 1, kInk, pmCopy);
    for (int i = 10; i < 20; ++i) {
        EXPECT_EQ(img.At(10, i), kInk);
        EXPECT_EQ(img.At(19, i), kInk);
        EXPECT_EQ(img.At(i, 10), kInk);
        EXPECT_EQ(img.At(i, 19), kInk);
        EXPECT_EQ(img.At(20, i), kWhite);
        EXPECT_EQ(img.At(i, 20), kWhite);
    }
    EXPECT_EQ(img.At(11, 11), kWhite);
}

TEST(RasterClip, ClipRectPassesLeftToRightMinusOne)
{
    Image img(900, 160);
    TRaster r = img.Raster();
    r.SetClip({28, 27, 867, 149});
    r.FillRect({-100, -100, 2000, 2000}, kInk, pmCopy);
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 900; ++x)
            ASSERT_EQ(img.At(x, y) == kInk, x >= 28 && x <= 866 && y >= 27 && y <= 148)
                << x << "," << y;
}

TEST(RasterClip, HugeCoordinatesStayInsideAndFollowTheRule)
{
    Image img(50, 40);
    TRaster r = img.Raster();
    int phase = 0;
    const auto solid = PatternForStyle(psSolid);
    r.Line(INT_MIN, 0, INT_MAX, 0, kInk, pmCopy, solid, 1, phase);
    for (int x = 0; x < 50; ++x)
        EXPECT_EQ(img.At(x, 0), kInk);
    r.Line(-1000000000, -1000000000, 1000000000, 1000000000, kInk, pmCopy, solid, 1, phase);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(img.At(i, i), kInk);
    // Lines that never reach the image, and wide pens, leave nothing outside it.
    r.Line(INT_MIN, INT_MIN, INT_MAX, INT_MIN, kInk, pmCopy, solid, 1, phase);
    r.Line(INT_MAX, INT_MIN, INT_MIN, INT_MAX, kInk, pmCopy, solid, 7, phase);
    r.Line(INT_MIN, INT_MAX, INT_MAX, INT_MIN + 5, kInk, pmNotXor, PatternForStyle(psDot), 1,
           phase);
    r.Line(-5, 20, 60, 20, kInk, pmCopy, solid, 1000000, phase);
    r.FillRect({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, kInk, pmXor);
    r.FrameRect({INT_MIN, INT_MIN, INT_MAX, INT_MAX}, INT_MAX, kInk, pmCopy);
    r.SetPixel(INT_MIN, 3, kInk, pmCopy);
    for (int y = 0; y < 40; ++y)
        for (int x = 50; x < img.stride; ++x)
            ASSERT_EQ(img.At(x, y), kWhite);
}

TEST(RasterPattern, DotsAndAlternatePixelsContinueAcrossChainedLines)
{
    Image img(40, 4);
    TRaster r = img.Raster();
    int phase = 0;
    r.Line(0, 0, 4, 0, kInk, pmCopy, PatternForStyle(psDot), 1, phase);
    r.Line(4, 0, 13, 0, kInk, pmCopy, PatternForStyle(psDot), 1, phase);
    std::string row;
    for (int x = 0; x < 14; ++x)
        row += img.At(x, 0) == kInk ? '#' : '.';
    EXPECT_EQ(row, "###...###...#.");
    phase = 0;
    r.Line(0, 2, 9, 2, kInk, pmCopy, AlternatePattern, 1, phase);
    row.clear();
    for (int x = 0; x < 10; ++x)
        row += img.At(x, 2) == kInk ? '#' : '.';
    EXPECT_EQ(row, "#.#.#.#.#.");
    EXPECT_EQ(phase, 1);
}

TEST(RasterRop, NotXorTwiceRestoresAndRopsFollowTheirTable)
{
    Image img(30, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            img.At(x, y) = 0xFF000000u | static_cast<uint32_t>(x * 977 + y * 131);
    const std::vector<uint32_t> before = img.px;
    TRaster r = img.Raster();
    for (int pass = 0; pass < 2; ++pass) {
        int phase = 0;
        r.Line(1, 1, 28, 17, 0xFF3366CCu, pmNotXor, PatternForStyle(psSolid), 1, phase);
        r.Line(28, 2, 3, 27, 0xFF3366CCu, pmNotXor, PatternForStyle(psDot), 1, phase);
        r.FrameRect({5, 5, 25, 25}, 1, 0xFF3366CCu, pmNotXor);
    }
    EXPECT_EQ(img.px, before);

    const uint32_t p = 0xFF0F0F33u;
    const uint32_t d = 0xFF3355F0u;
    struct Case
    {
        TPenMode mode;
        uint32_t expected;
    };
    const std::vector<Case> cases = {
        {pmBlack, 0},
        {pmWhite, 0xFFFFFF},
        {pmNop, d},
        {pmNot, ~d},
        {pmCopy, p},
        {pmNotCopy, ~p},
        {pmMergePenNot, p | ~d},
        {pmMaskPenNot, p & ~d},
        {pmMergeNotPen, ~p | d},
        {pmMaskNotPen, ~p & d},
        {pmMerge, p | d},
        {pmNotMerge, ~(p | d)},
        {pmMask, p & d},
        {pmNotMask, ~(p & d)},
        {pmXor, p ^ d},
        {pmNotXor, ~(p ^ d)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplyRop(c.mode, p, d), c.expected | 0xFF000000u) << int(c.mode);
}

// ---- fast routines against a per-pixel reference

// Chooses the minor coordinate by brute force: nearest to the exact line, ties to the smaller.
void ReferenceLine(Image& img, const TRect& clip, int x0, int y0, int x1, int y1, uint32_t pixel,
                   TPenMode mode, const TLinePattern& pattern, int width, int phase)
{
    const long long dx = x1 - x0;
    const long long dy = y1 - y0;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long n = xMajor ? std::llabs(dx) : std::llabs(dy);
    for (long long k = 0; k < n; ++k) {
        const int bit = static_cast<int>((phase + k) % pattern.Length);
        if (((pattern.Bits >> bit) & 1u) == 0) continue;
        // Exact minor coordinate as the fraction num / n.
        const long long u = (xMajor ? x0 : y0) + (xMajor ? (dx > 0 ? k : -k) : (dy > 0 ? k : -k));
        const long long num = (xMajor ? y0 : x0) * n + k * (xMajor ? dy : dx);
        long long best = 0;
        long long bestDist = -1;
        for (long long m = num / n - 2; m <= num / n + 2; ++m) {
            const long long dist = std::llabs(m * n - num);
            if (bestDist < 0 || dist < bestDist) {
                best = m;
                bestDist = dist;
            }
        }
        for (long long t = best - width / 2; t < best - width / 2 + width; ++t) {
            const long long x = xMajor ? u : t;
            const long long y = xMajor ? t : u;
            if (x < clip.Left || x >= clip.Right || y < clip.Top || y >= clip.Bottom) continue;
            uint32_t& dst = img.At(static_cast<int>(x), static_cast<int>(y));
            dst = ApplyRop(mode, pixel, dst);
        }
    }
}

void ReferenceFill(Image& img, const TRect& clip, const TRect& rect, uint32_t pixel, TPenMode mode)
{
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x)
            if (rect.Contains(x, y) && clip.Contains(x, y))
                img.At(x, y) = ApplyRop(mode, pixel, img.At(x, y));
}

std::string WriteDiff(const Image& got, const Image& want)
{
    // A text picture of the mismatch: X differs, # ink, . background.
    const std::string name =
        ::testing::TempDir() + "raster_reference_diff-" + std::to_string(getpid()) + ".txt";
    std::FILE* f = std::fopen(name.c_str(), "w");
    if (f == nullptr) return name;
    for (int y = 0; y < got.h; ++y) {
        for (int x = 0; x < got.w; ++x)
            std::fputc(got.At(x, y) != want.At(x, y) ? 'X' : (got.At(x, y) == kWhite ? '.' : '#'),
                       f);
        std::fputc('\n', f);
    }
    std::fclose(f);
    return name;
}

TEST(RasterReference, SeededRandomLinesAndRectsMatchThePlainReference)
{
    std::mt19937 rng(20261207);
    auto uni = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const TPenMode modes[] = {pmCopy, pmNotXor, pmXor, pmMask, pmNot};
    const TPenStyle styles[] = {psSolid, psDot, psDash, psDashDot, psDashDotDot};
    for (int round = 0; round < 200; ++round) {
        Image fast(64, 48);
        Image slow(64, 48);
        TRaster r = fast.Raster();
        TRect clip{0, 0, 64, 48};
        if (uni(0, 1) == 1) {
            clip = TRect{uni(-5, 30), uni(-5, 20), uni(20, 70), uni(15, 55)};
            r.SetClip(clip);
            IntersectRect(clip, clip, TRect{0, 0, 64, 48});
        }
        for (int i = 0; i < 20; ++i) {
            const uint32_t pixel = 0xFF000000u | static_cast<uint32_t>(rng() & 0xFFFFFF);
            const TPenMode mode = modes[uni(0, 4)];
            if (uni(0, 3) == 0) {
                const TRect rect{uni(-20, 70), uni(-20, 60), uni(-20, 80), uni(-20, 70)};
                r.FillRect(rect, pixel, mode);
                ReferenceFill(slow, clip, rect, pixel, mode);
                continue;
            }
            const int x0 = uni(-40, 100), y0 = uni(-40, 90), x1 = uni(-40, 100), y1 = uni(-40, 90);
            const TLinePattern pattern =
                uni(0, 5) == 0 ? AlternatePattern : PatternForStyle(styles[uni(0, 4)]);
            const int width = uni(0, 4) == 0 ? uni(2, 4) : 1;
            const int phase = uni(0, 30);
            int fastPhase = phase;
            r.Line(x0, y0, x1, y1, pixel, mode, pattern, width, fastPhase);
            ReferenceLine(slow, clip, x0, y0, x1, y1, pixel, mode, pattern, width, phase);
        }
        if (fast.px != slow.px) {
            FAIL() << "round " << round << " differs; see " << WriteDiff(fast, slow);
        }
    }
}

// On a high-density image every operation covers, as s x s blocks, exactly the pixels it covers
// at scale 1: the scaled picture is the plain one enlarged, whatever was there before (the pen
// modes read it), and nothing is written past a row's end.
TEST(RasterScale, SeededOperationsCoverTheScaleOnePixelsAsBlocks)
{
    std::mt19937 rng(20261208);
    auto uni = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const TPenMode modes[] = {pmCopy, pmNotXor, pmXor, pmMask, pmNot, pmMerge};
    const TPenStyle styles[] = {psSolid, psDot, psDash, psDashDot, psDashDotDot};
    const TBrushStyle hatches[] = {bsHorizontal, bsVertical, bsFDiagonal,
                                   bsBDiagonal,  bsCross,    bsDiagCross};
    const uint32_t tile[] = {0xFF112233u, 0xFF445566u, 0xFF778899u,
                             0xFFAABBCCu, 0xFFDDEEFFu, 0xFF010203u};
    for (int round = 0; round < 150; ++round) {
        const int s = uni(2, 3);
        const int w = uni(1, 40);
        const int h = uni(1, 30);
        Image plain(w, h);
        Image big(w * s, h * s);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t noise = 0xFF000000u | static_cast<uint32_t>(rng() & 0xFFFFFF);
                plain.At(x, y) = noise;
                for (int j = 0; j < s; ++j)
                    for (int i = 0; i < s; ++i)
                        big.At(x * s + i, y * s + j) = noise;
            }
        TRaster a = plain.Raster();
        TRaster b(big.px.data(), w, h, big.stride, s);
        std::vector<int> phases;
        for (int op = 0; op < 16; ++op) {
            const uint32_t pixel = 0xFF000000u | static_cast<uint32_t>(rng() & 0xFFFFFF);
            const TPenMode mode = modes[uni(0, 5)];
            const TRect rect{uni(-10, w + 10), uni(-10, h + 10), uni(-10, w + 10),
                             uni(-10, h + 10)};
            switch (uni(0, 6)) {
            case 0:
                a.SetClip(rect);
                b.SetClip(rect);
                break;
            case 1:
                a.FillRect(rect, pixel, mode);
                b.FillRect(rect, pixel, mode);
                break;
            case 2: {
                const int th = uni(1, 3);
                a.FrameRect(rect, th, pixel, mode);
                b.FrameRect(rect, th, pixel, mode);
                break;
            }
            case 3: {
                const TBrushStyle style = hatches[uni(0, 5)];
                const bool opaque = uni(0, 1) == 1;
                a.FillHatch(rect, style, pixel, ~pixel, opaque, mode);
                b.FillHatch(rect, style, pixel, ~pixel, opaque, mode);
                break;
            }
            case 4:
                a.FillPattern(rect, tile, 3, 2, 3, mode);
                b.FillPattern(rect, tile, 3, 2, 3, mode);
                break;
            case 5:
                a.SetPixel(rect.Left, rect.Top, pixel, mode);
                b.SetPixel(rect.Left, rect.Top, pixel, mode);
                break;
            default: {
                const TLinePattern pattern =
                    uni(0, 5) == 0 ? AlternatePattern : PatternForStyle(styles[uni(0, 4)]);
                const int width = uni(0, 3) == 0 ? uni(2, 5) : 1;
                int pa = uni(0, 30);
                int pb = pa;
                const int far = uni(0, 9) == 0 ? 1 << 28 : 0;
                a.Line(rect.Left - far, rect.Top, rect.Right + far, rect.Bottom, pixel, mode,
                       pattern, width, pa);
                b.Line(rect.Left - far, rect.Top, rect.Right + far, rect.Bottom, pixel, mode,
                       pattern, width, pb);
                phases.push_back(pa - pb);
                break;
            }
            }
        }
        for (int y = 0; y < h * s; ++y)
            for (int x = 0; x < big.stride; ++x) {
                const uint32_t want = x < w * s ? plain.At(x / s, y / s) : kWhite;
                ASSERT_EQ(big.At(x, y), want)
                    << "round " << round << " scale " << s << " at " << x << "," << y;
            }
        for (int y = 0; y < h; ++y)
            EXPECT_EQ(b.Pixel(w - 1, y), plain.At(w - 1, y));
        EXPECT_EQ(std::count(phases.begin(), phases.end(), 0), std::ssize(phases));
    }
}

// The span the stroker gives a chain inside one column is exactly what drawing each of its
// lines covers, whichever rows the chain visits and however often it turns.
TEST(RasterStroker, ColumnSpanOfAChainIsWhatItsLinesCover)
{
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> row(0, 19);
    std::uniform_int_distribution<int> steps(0, 4);
    const TLinePattern solid = PatternForStyle(psSolid);
    for (int round = 0; round < 2000; ++round) {
        std::vector<int> rows(static_cast<size_t>(steps(rng)) + 2);
        for (int& y : rows)
            y = row(rng);
        // Repeats of the final row at the end draw nothing: the extremes leave them out.
        if (round % 3 == 0) rows.push_back(rows.back());
        Image img(3, 20);
        TRaster r = img.Raster();
        TStroker stroker;
        stroker.MoveTo(1, rows[0]);
        int low = 1;
        int high = 0;
        size_t before = rows.size() - 2;
        while (before >= 1 && rows[before] == rows.back())
            --before;
        for (size_t i = 1; i <= before; ++i) {
            const bool first = i == 1;
            low = first ? rows[i] : std::min(low, rows[i]);
            high = first ? rows[i] : std::max(high, rows[i]);
        }
        for (size_t i = 1; i < rows.size(); ++i)
            stroker.LineTo(r, 1, rows[i], kInk, pmCopy, solid, 1);
        int spanLow = 0;
        int spanHigh = -1;
        const bool any = TStroker::ColumnSpan(rows[0], low, high, rows.back(), spanLow, spanHigh);
        PixelSet expected;
        for (int y = spanLow; y <= spanHigh; ++y)
            expected.insert({1, y});
        EXPECT_EQ(any, !expected.empty());
        ASSERT_EQ(img.Changed(), expected) << "round " << round;
    }
}

} // namespace
