#include "toolkit/Raster.h"

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

__extension__ typedef __int128 Wide;

constexpr uint32_t kOpaque = 0xFF000000u;

Wide FloorDiv(Wide a, Wide b)
{
    Wide q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0))) --q;
    return q;
}

Wide CeilDiv(Wide a, Wide b)
{
    return -FloorDiv(-a, b);
}

template <int M> inline uint32_t Rop(uint32_t p, uint32_t d)
{
    uint32_t r = 0;
    if constexpr (M == pmBlack)
        r = 0;
    else if constexpr (M == pmWhite)
        r = 0xFFFFFFFFu;
    else if constexpr (M == pmNop)
        r = d;
    else if constexpr (M == pmNot)
        r = ~d;
    else if constexpr (M == pmCopy)
        r = p;
    else if constexpr (M == pmNotCopy)
        r = ~p;
    else if constexpr (M == pmMergePenNot)
        r = p | ~d;
    else if constexpr (M == pmMaskPenNot)
        r = p & ~d;
    else if constexpr (M == pmMergeNotPen)
        r = ~p | d;
    else if constexpr (M == pmMaskNotPen)
        r = ~p & d;
    else if constexpr (M == pmMerge)
        r = p | d;
    else if constexpr (M == pmNotMerge)
        r = ~(p | d);
    else if constexpr (M == pmMask)
        r = p & d;
    else if constexpr (M == pmNotMask)
        r = ~(p & d);
    else if constexpr (M == pmXor)
        r = p ^ d;
    else
        r = ~(p ^ d);
    return r | kOpaque;
}

// Calls f with the raster operation as a compile-time constant, so that inner loops carry no
// per-pixel switch.
template <class F> void WithRop(TPenMode mode, F&& f)
{
    switch (mode) {
    case pmBlack:
        f(std::integral_constant<int, pmBlack>{});
        break;
    case pmWhite:
        f(std::integral_constant<int, pmWhite>{});
        break;
    case pmNop:
        break;
    case pmNot:
        f(std::integral_constant<int, pmNot>{});
        break;
    case pmCopy:
        f(std::integral_constant<int, pmCopy>{});
        break;
    case pmNotCopy:
        f(std::integral_constant<int, pmNotCopy>{});
        break;
    case pmMergePenNot:
        f(std::integral_constant<int, pmMergePenNot>{});
        break;
    case pmMaskPenNot:
        f(std::integral_constant<int, pmMaskPenNot>{});
        break;
    case pmMergeNotPen:
        f(std::integral_constant<int, pmMergeNotPen>{});
        break;
    case pmMaskNotPen:
        f(std::integral_constant<int, pmMaskNotPen>{});
        break;
    case pmMerge:
        f(std::integral_constant<int, pmMerge>{});
        break;
    case pmNotMerge:
        f(std::integral_constant<int, pmNotMerge>{});
        break;
    case pmMask:
        f(std::integral_constant<int, pmMask>{});
        break;
    case pmNotMask:
        f(std::integral_constant<int, pmNotMask>{});
        break;
    case pmXor:
        f(std::integral_constant<int, pmXor>{});
        break;
    case pmNotXor:
        f(std::integral_constant<int, pmNotXor>{});
        break;
    }
}

TRect Intersect(const TRect& a, const TRect& b)
{
    TRect r;
    IntersectRect(r, a, b);
    return r;
}

// Rows of one value (fills, horizontal lines) are store-bound, and a store that straddles a
// cache line, or that overlaps the one before, costs as much as two: measured, rectangle fills
// ran a quarter slower with either. So every store lands on its own natural alignment. The
// routine, and with it the store width, is chosen once per call, not per row.

#if defined(__x86_64__)
// 4- and 8-byte stores carry a row to a 16-byte boundary and from the last one to its end.
void FillRowsSse2(uint32_t* row, ptrdiff_t stride, ptrdiff_t width, int height, uint32_t value)
{
    const __m128i v = _mm_set1_epi32(static_cast<int>(value));
    for (; height > 0; --height, row += stride) {
        uint32_t* p = row;
        ptrdiff_t left = width;
        const ptrdiff_t lead = static_cast<ptrdiff_t>((-reinterpret_cast<uintptr_t>(p) & 15) / 4);
        if (left < lead) {
            for (; left > 0; --left)
                *p++ = value;
            continue;
        }
        left -= lead;
        if (lead & 1) *p++ = value;
        if (lead & 2) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
            p += 2;
        }
        for (; left >= 16; left -= 16, p += 16) {
            _mm_store_si128(reinterpret_cast<__m128i*>(p), v);
            _mm_store_si128(reinterpret_cast<__m128i*>(p + 4), v);
            _mm_store_si128(reinterpret_cast<__m128i*>(p + 8), v);
            _mm_store_si128(reinterpret_cast<__m128i*>(p + 12), v);
        }
        for (; left >= 4; left -= 4, p += 4)
            _mm_store_si128(reinterpret_cast<__m128i*>(p), v);
        if (left & 2) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
            p += 2;
        }
        if (left & 1) *p = value;
    }
}

// 4-, 8- and 16-byte stores carry a row to a 32-byte boundary and from the last one to its end.
__attribute__((target("avx2"))) void FillRowsAvx2(uint32_t* row, ptrdiff_t stride, ptrdiff_t width,
                                                  int height, uint32_t value)
{
    const __m256i v = _mm256_set1_epi32(static_cast<int>(value));
    const __m128i v4 = _mm256_castsi256_si128(v);
    for (; height > 0; --height, row += stride) {
        uint32_t* p = row;
        ptrdiff_t left = width;
        const ptrdiff_t lead = static_cast<ptrdiff_t>((-reinterpret_cast<uintptr_t>(p) & 31) / 4);
        if (left < lead) {
            for (; left > 0; --left)
                *p++ = value;
            continue;
        }
        left -= lead;
        if (lead & 1) *p++ = value;
        if (lead & 2) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v4);
            p += 2;
        }
        if (lead & 4) {
            _mm_store_si128(reinterpret_cast<__m128i*>(p), v4);
            p += 4;
        }
        for (; left >= 32; left -= 32, p += 32) {
            _mm256_store_si256(reinterpret_cast<__m256i*>(p), v);
            _mm256_store_si256(reinterpret_cast<__m256i*>(p + 8), v);
            _mm256_store_si256(reinterpret_cast<__m256i*>(p + 16), v);
            _mm256_store_si256(reinterpret_cast<__m256i*>(p + 24), v);
        }
        for (; left >= 8; left -= 8, p += 8)
            _mm256_store_si256(reinterpret_cast<__m256i*>(p), v);
        if (left & 4) {
            _mm_store_si128(reinterpret_cast<__m128i*>(p), v4);
            p += 4;
        }
        if (left & 2) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v4);
            p += 2;
        }
        if (left & 1) *p = value;
    }
}

// The ragged ends as one masked store each, a little faster again. 32-byte stores measured as
// fast as 64-byte ones, which some CPUs pay for with a lower clock.
__attribute__((target("avx2,avx512f,avx512vl"))) void
FillRowsAvx512(uint32_t* row, ptrdiff_t stride, ptrdiff_t width, int height, uint32_t value)
{
    const __m256i v = _mm256_set1_epi32(static_cast<int>(value));
    for (; height > 0; --height, row += stride) {
        // From the aligned block holding the row's first pixel; Lead pixels of it are not ours.
        const uintptr_t at = reinterpret_cast<uintptr_t>(row);
        const unsigned lead = static_cast<unsigned>(at & 31) / 4;
        auto* p = reinterpret_cast<__m256i*>(at - lead * 4);
        ptrdiff_t left = width + lead; // pixels from p to the row's end
        if (left <= 8) {
            _mm256_mask_store_epi32(p, static_cast<__mmask8>((1u << left) - (1u << lead)), v);
            continue;
        }
        _mm256_mask_store_epi32(p, static_cast<__mmask8>(0xFFu << lead), v);
        ++p;
        left -= 8;
        for (; left >= 32; left -= 32, p += 4) {
            _mm256_store_si256(p, v);
            _mm256_store_si256(p + 1, v);
            _mm256_store_si256(p + 2, v);
            _mm256_store_si256(p + 3, v);
        }
        for (; left >= 8; left -= 8, ++p)
            _mm256_store_si256(p, v);
        if (left > 0) _mm256_mask_store_epi32(p, static_cast<__mmask8>((1u << left) - 1), v);
    }
}

} // namespace

std::vector<TRowFiller> RowFillersOfThisCpu()
{
    // Static initialisers may run before the CPU model is filled in: ask for it first.
    __builtin_cpu_init();
    std::vector<TRowFiller> out;
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl"))
        out.push_back({"avx512vl", &FillRowsAvx512});
    if (__builtin_cpu_supports("avx2")) out.push_back({"avx2", &FillRowsAvx2});
    out.push_back({"sse2", &FillRowsSse2});
    return out;
}

namespace {
#else
void FillRowsPlain(uint32_t* row, ptrdiff_t stride, ptrdiff_t width, int height, uint32_t value)
{
    for (; height > 0; --height, row += stride)
        std::fill_n(row, width, value);
}

} // namespace

std::vector<TRowFiller> RowFillersOfThisCpu()
{
    return {{"plain", &FillRowsPlain}};
}

namespace {
#endif

// Asked on first use, so that a fill from another static initialiser finds it set.
inline void FillRows(uint32_t* row, ptrdiff_t stride, ptrdiff_t width, int height, uint32_t value)
{
    static const TRowFiller::Routine fill = RowFillersOfThisCpu().front().Fill;
    fill(row, stride, width, height, value);
}

// A horizontal run of Count pixels.
template <int M> inline void Span(uint32_t* p, int count, uint32_t pixel)
{
    if constexpr (M == pmCopy) {
        FillRows(p, 0, count, 1, pixel | kOpaque);
    } else {
        for (int i = 0; i < count; ++i)
            p[i] = Rop<M>(pixel, p[i]);
    }
}

// Which steps k of a line lie inside the clip, with the minor coordinate of step k being
// m(k) = floor((2 k a + c) / (2 n)) (see the direction rule in Raster.h).
struct LineWalk
{
    long long First = 0; // first visible step
    long long Last = -1; // last visible step (inclusive)
    long long Minor = 0; // m(First)
    long long Error = 0; // 2 First a + c - 2 n m(First), in [0, 2n)
};

LineWalk Walk(long long u0, int su, long long n, long long v0, int sv, long long a, long long uLo,
              long long uHi, long long vLo, long long vHi)
{
    LineWalk w;
    if (uLo >= uHi || vLo >= vHi) return w;
    const long long c = sv > 0 ? n - 1 : n;
    Wide first = 0;
    Wide last = n - 1;
    if (su > 0) {
        first = std::max<Wide>(first, uLo - u0);
        last = std::min<Wide>(last, uHi - 1 - u0);
    } else {
        first = std::max<Wide>(first, u0 - uHi + 1);
        last = std::min<Wide>(last, u0 - uLo);
    }
    // Allowed minor offsets m, as a closed range.
    Wide mLo = sv > 0 ? Wide(vLo) - v0 : Wide(v0) - vHi + 1;
    Wide mHi = sv > 0 ? Wide(vHi) - 1 - v0 : Wide(v0) - vLo;
    if (a == 0) {
        if (mLo > 0 || mHi < 0) return w;
    } else {
        first = std::max(first, CeilDiv(2 * Wide(n) * mLo - c, 2 * Wide(a)));
        last = std::min(last, FloorDiv(2 * Wide(n) * (mHi + 1) - c - 1, 2 * Wide(a)));
    }
    if (first > last) return w;
    const Wide t = 2 * first * a + c;
    const Wide m = FloorDiv(t, 2 * Wide(n));
    w.First = static_cast<long long>(first);
    w.Last = static_cast<long long>(last);
    w.Minor = static_cast<long long>(m);
    w.Error = static_cast<long long>(t - 2 * Wide(n) * m);
    return w;
}

} // namespace

TLinePattern PatternForStyle(TPenStyle style)
{
    switch (style) {
    case psDash:
        return {0x3FFFF, 24}; // 18 on, 6 off
    case psDot:
        return {0x7, 6}; // 3 on, 3 off
    case psDashDot:
        return {0x1FF | (0x7u << 15), 24}; // 9, 6, 3, 6
    case psDashDotDot:
        return {0x1FF | (0x7u << 12) | (0x7u << 18), 24}; // 9,3,3,3,3,3
    case psClear:
        return {0, 1};
    case psSolid:
    case psInsideFrame:
        break;
    }
    return {1, 1};
}

int ClampToRasterRange(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, -kRasterLimit, kRasterLimit));
}

TRect ClampToRasterRange(const TRect& rect)
{
    return TRect{ClampToRasterRange(rect.Left), ClampToRasterRange(rect.Top),
                 ClampToRasterRange(rect.Right), ClampToRasterRange(rect.Bottom)};
}

uint32_t ApplyRop(TPenMode mode, uint32_t pen, uint32_t dest)
{
    uint32_t r = dest | kOpaque;
    WithRop(mode, [&](auto tag) { r = Rop<decltype(tag)::value>(pen, dest); });
    return r;
}

TRaster::TRaster(uint32_t* bits, int width, int height, int stride, int scale)
    : FBits(bits), FWidth(std::max(width, 0)), FHeight(std::max(height, 0)), FStride(stride),
      FScale(std::max(scale, 1)), FClip{0, 0, FWidth, FHeight}
{
    if (FBits == nullptr) FClip = TRect{};
}

void TRaster::SetClip(const TRect& clip)
{
    FClip = FBits != nullptr ? Intersect(clip, TRect{0, 0, FWidth, FHeight}) : TRect{};
}

// Every image pixel of the layout pixels of Rect (inside the clip), with its layout place.
template <class F> void TRaster::ForEachPixel(const TRect& r, F&& f)
{
    const int s = FScale;
    if (s == 1) {
        for (int y = r.Top; y < r.Bottom; ++y) {
            uint32_t* row = FBits + static_cast<ptrdiff_t>(y) * FStride;
            for (int x = r.Left; x < r.Right; ++x)
                f(x, y, row[x]);
        }
        return;
    }
    for (int y = r.Top; y < r.Bottom; ++y) {
        for (int j = 0; j < s; ++j) {
            uint32_t* row = FBits + (static_cast<ptrdiff_t>(y) * s + j) * FStride;
            for (int x = r.Left; x < r.Right; ++x) {
                uint32_t* block = row + static_cast<ptrdiff_t>(x) * s;
                for (int i = 0; i < s; ++i)
                    f(x, y, block[i]);
            }
        }
    }
}

void TRaster::FillRect(const TRect& rect, uint32_t pixel, TPenMode mode)
{
    TRect r = Intersect(rect, FClip);
    if (r.IsEmpty()) return;
    // The clip lies inside the image, so the blocks' edges stay in range.
    if (FScale > 1) r = TRect{r.Left * FScale, r.Top * FScale, r.Right * FScale, r.Bottom * FScale};
    uint32_t* row = FBits + static_cast<ptrdiff_t>(r.Top) * FStride + r.Left;
    if (mode == pmCopy) {
        // Whole rows of an image without padding are one run.
        if (r.Width() == FStride)
            FillRows(row, 0, static_cast<ptrdiff_t>(FStride) * r.Height(), 1, pixel | kOpaque);
        else
            FillRows(row, FStride, r.Width(), r.Height(), pixel | kOpaque);
        return;
    }
    WithRop(mode, [&](auto tag) {
        constexpr int M = decltype(tag)::value;
        for (int y = r.Top; y < r.Bottom; ++y, row += FStride)
            Span<M>(row, r.Width(), pixel);
    });
}

void TRaster::FrameRect(const TRect& outerRect, int thickness, uint32_t pixel, TPenMode mode)
{
    const TRect outer = ClampToRasterRange(outerRect);
    if (outer.IsEmpty() || thickness <= 0) return;
    const int th = std::min(thickness, kRasterLimit);
    if (2LL * th >= outer.Height() || 2LL * th >= outer.Width()) {
        FillRect(outer, pixel, mode);
        return;
    }
    FillRect({outer.Left, outer.Top, outer.Right, outer.Top + th}, pixel, mode);
    FillRect({outer.Left, outer.Bottom - th, outer.Right, outer.Bottom}, pixel, mode);
    FillRect({outer.Left, outer.Top + th, outer.Left + th, outer.Bottom - th}, pixel, mode);
    FillRect({outer.Right - th, outer.Top + th, outer.Right, outer.Bottom - th}, pixel, mode);
}

void TRaster::FillHatch(const TRect& rect, TBrushStyle style, uint32_t fore, uint32_t back,
                        bool opaque, TPenMode mode)
{
    const TRect r = Intersect(rect, FClip);
    if (r.IsEmpty()) return;
    auto on = [style](int x, int y) {
        const bool h = (y & 7) == 0;
        const bool v = (x & 7) == 0;
        const bool f = ((x - y) & 7) == 0;
        const bool b = ((x + y) & 7) == 0;
        switch (style) {
        case bsHorizontal:
            return h;
        case bsVertical:
            return v;
        case bsFDiagonal:
            return f;
        case bsBDiagonal:
            return b;
        case bsCross:
            return h || v;
        case bsDiagCross:
            return f || b;
        default:
            return true;
        }
    };
    ForEachPixel(r, [&](int x, int y, uint32_t& d) {
        if (on(x, y))
            d = ApplyRop(mode, fore, d);
        else if (opaque)
            d = ApplyRop(mode, back, d);
    });
}

void TRaster::FillPattern(const TRect& rect, const uint32_t* pattern, int patternWidth,
                          int patternHeight, int patternStride, TPenMode mode)
{
    const TRect r = Intersect(rect, FClip);
    if (r.IsEmpty() || pattern == nullptr || patternWidth <= 0 || patternHeight <= 0) return;
    WithRop(mode, [&](auto tag) {
        constexpr int M = decltype(tag)::value;
        if (FScale > 1) {
            ForEachPixel(r, [&](int x, int y, uint32_t& d) {
                d = Rop<M>(pattern[static_cast<ptrdiff_t>(y % patternHeight) * patternStride +
                                   x % patternWidth],
                           d);
            });
            return;
        }
        for (int y = r.Top; y < r.Bottom; ++y) {
            uint32_t* row = FBits + static_cast<ptrdiff_t>(y) * FStride;
            const uint32_t* src =
                pattern + static_cast<ptrdiff_t>(y % patternHeight) * patternStride;
            for (int x = r.Left; x < r.Right; ++x)
                row[x] = Rop<M>(src[x % patternWidth], row[x]);
        }
    });
}

void TRaster::SetPixel(int x, int y, uint32_t pixel, TPenMode mode)
{
    if (!FClip.Contains(x, y)) return;
    ForEachPixel(TRect{x, y, x + 1, y + 1},
                 [&](int, int, uint32_t& d) { d = ApplyRop(mode, pixel, d); });
}

uint32_t TRaster::Pixel(int x, int y) const
{
    if (FBits == nullptr || x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
    return FBits[static_cast<ptrdiff_t>(y) * FScale * FStride + static_cast<ptrdiff_t>(x) * FScale];
}

TRect TRaster::LineBounds(int x0, int y0, int x1, int y1, int width)
{
    const long long w = std::max(width, 1);
    const long long before = w / 2;
    const long long after = w - before; // exclusive
    auto clampInt = [](long long v) {
        return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
    };
    return TRect{clampInt(std::min<long long>(x0, x1) - before),
                 clampInt(std::min<long long>(y0, y1) - before),
                 clampInt(std::max<long long>(x0, x1) + after),
                 clampInt(std::max<long long>(y0, y1) + after)};
}

void TRaster::Line(int x0, int y0, int x1, int y1, uint32_t pixel, TPenMode mode,
                   const TLinePattern& pattern, int width, int& phase)
{
    const long long dx = static_cast<long long>(x1) - x0;
    const long long dy = static_cast<long long>(y1) - y0;
    const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const long long du = xMajor ? dx : dy;
    const long long dv = xMajor ? dy : dx;
    const long long n = du < 0 ? -du : du;
    const int length = std::max(pattern.Length, 1);
    const int startPhase = ((phase % length) + length) % length;
    phase = static_cast<int>((startPhase + n) % length);
    if (n == 0 || pattern.Bits == 0 || mode == pmNop || FClip.IsEmpty()) return;

    const int su = du < 0 ? -1 : 1;
    const int sv = dv < 0 ? -1 : 1;
    const long long a = dv < 0 ? -dv : dv;
    const long long u0 = xMajor ? x0 : y0;
    const long long v0 = xMajor ? y0 : x0;
    const long long uLo = xMajor ? FClip.Left : FClip.Top;
    const long long uHi = xMajor ? FClip.Right : FClip.Bottom;
    const long long vLo = xMajor ? FClip.Top : FClip.Left;
    const long long vHi = xMajor ? FClip.Bottom : FClip.Right;
    const long long w = std::max(width, 1);
    const long long before = w / 2;

    // A wide line is visible at a step when any pixel of its run is.
    const LineWalk walk =
        w == 1 ? Walk(u0, su, n, v0, sv, a, uLo, uHi, vLo, vHi)
               : Walk(u0, su, n, v0, sv, a, uLo, uHi, vLo + before - w + 1, vHi + before);
    if (walk.First > walk.Last) return;

    const long long count = walk.Last - walk.First + 1;
    const long long inc = 2 * a;
    const long long lim = 2 * n;
    long long e = walk.Error;
    int pos = static_cast<int>((startPhase + walk.First) % length);
    const bool solid = pattern.IsSolid();
    long long u = u0 + su * walk.First;
    long long v = v0 + sv * walk.Minor;

    if (w == 1 && FScale == 1) {
        const ptrdiff_t majorStep = xMajor ? su : static_cast<ptrdiff_t>(su) * FStride;
        const ptrdiff_t minorStep = xMajor ? static_cast<ptrdiff_t>(sv) * FStride : sv;
        ptrdiff_t off = xMajor ? static_cast<ptrdiff_t>(v) * FStride + u
                               : static_cast<ptrdiff_t>(u) * FStride + v;
        if (solid && a == 0) {
            // Straight lines: one run (rows) or one column walk.
            if (xMajor) {
                const ptrdiff_t left = su > 0 ? off : off - (count - 1);
                WithRop(mode, [&](auto tag) {
                    Span<decltype(tag)::value>(FBits + left, static_cast<int>(count), pixel);
                });
                return;
            }
        }
        WithRop(mode, [&](auto tag) {
            constexpr int M = decltype(tag)::value;
            uint32_t* bits = FBits;
            if (solid) {
                for (long long i = 0; i < count; ++i) {
                    bits[off] = Rop<M>(pixel, bits[off]);
                    off += majorStep;
                    e += inc;
                    if (e >= lim) {
                        e -= lim;
                        off += minorStep;
                    }
                }
            } else {
                const uint32_t bitsOn = pattern.Bits;
                for (long long i = 0; i < count; ++i) {
                    if ((bitsOn >> pos) & 1u) bits[off] = Rop<M>(pixel, bits[off]);
                    if (++pos == length) pos = 0;
                    off += majorStep;
                    e += inc;
                    if (e >= lim) {
                        e -= lim;
                        off += minorStep;
                    }
                }
            }
        });
        return;
    }

    // Wide lines, and any line at a scale above 1: a run across the major axis at every step,
    // clipped on its own, each of its layout pixels an s x s block of the image.
    const int sc = FScale;
    WithRop(mode, [&](auto tag) {
        constexpr int M = decltype(tag)::value;
        auto block = [&](long long x, long long y) {
            uint32_t* p =
                FBits + static_cast<ptrdiff_t>(y) * sc * FStride + static_cast<ptrdiff_t>(x) * sc;
            for (int j = 0; j < sc; ++j, p += FStride)
                for (int i = 0; i < sc; ++i)
                    p[i] = Rop<M>(pixel, p[i]);
        };
        for (long long i = 0; i < count; ++i) {
            if (solid || ((pattern.Bits >> pos) & 1u)) {
                const long long lo = std::max(v - before, vLo);
                const long long hi = std::min(v - before + w, vHi);
                for (long long t = lo; t < hi; ++t)
                    xMajor ? block(u, t) : block(t, u);
            }
            if (++pos == length) pos = 0;
            u += su;
            e += inc;
            if (e >= lim) {
                e -= lim;
                v += sv;
            }
        }
    });
}

void TStroker::MoveTo(int x, int y)
{
    FPosition = TPoint{x, y};
    FPhase = 0;
}

void TStroker::LineTo(TRaster& raster, int x, int y, uint32_t pixel, TPenMode mode,
                      const TLinePattern& pattern, int width)
{
    raster.Line(FPosition.X, FPosition.Y, x, y, pixel, mode, pattern, width, FPhase);
    FPosition = TPoint{x, y};
}

bool TStroker::ColumnSpan(int start, int low, int high, int end, int& spanLow, int& spanHigh)
{
    spanLow = 0;
    spanHigh = -1;
    // Lines of no length cover nothing.
    if (low > high && end == start) return false;
    const int lowest = low > high ? start : std::min(start, low);
    const int highest = low > high ? start : std::max(start, high);
    spanLow = end < lowest ? end + 1 : lowest;
    spanHigh = end > highest ? end - 1 : highest;
    return spanLow <= spanHigh;
}
