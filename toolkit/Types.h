// Plain geometry records shared by every layer.
#pragma once

#include <algorithm>

struct TPoint
{
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};

// Right and Bottom are exclusive wherever a rectangle covers pixels.
struct TRect
{
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    bool operator==(const TRect&) const = default;
};

inline TRect Rect(int left, int top, int right, int bottom)
{
    return TRect{left, top, right, bottom};
}

// Intersection; false (and an empty Result) when the two do not overlap.
inline bool IntersectRect(TRect& result, const TRect& a, const TRect& b)
{
    result = TRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                   std::min(a.Bottom, b.Bottom)};
    if (result.IsEmpty()) {
        result = TRect{};
        return false;
    }
    return true;
}

// a * b / c rounded to nearest, halves away from zero, without overflow.
inline int MulDiv(int a, int b, int c)
{
    if (c == 0) return -1;
    long long p = static_cast<long long>(a) * b;
    long long q = c;
    if (q < 0) {
        p = -p;
        q = -q;
    }
    long long r = p >= 0 ? (p + q / 2) / q : -((-p + q / 2) / q);
    return static_cast<int>(r);
}
