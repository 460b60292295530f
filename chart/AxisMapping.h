// An axis' mapping between values and pixels for the current paint: the one place where
// values become pixels and pixels values, for the axis, the series drawing and the mouse.
// Implemented in AxisMapping.cpp.
#pragma once

#include <cstdint>

// Round half to even, computed on the extended-precision value: the rounding of every pixel.
int64_t RoundEven(long double value);

// Prepared by the axis before each paint (range, then placement, then margins); all
// arithmetic runs in extended precision so that a pixel is the same wherever it is asked for.
struct TAxisMapping
{
    double EffectiveMinimum = 0;
    double EffectiveMaximum = 0;
    double EffectiveSpan = 0;
    int StartPixel = 0;
    int EndPixel = 0;
    int PixelLength = 0;
    int CenterPixel = 0;
    // Fixed at creation: values grow rightwards on a horizontal axis, upwards otherwise.
    bool IsHorizontal = false;
    // The axis' Inverted setting: values grow the other way.
    bool InvertedScale = false;

    // Sets the end pixels from the extent along the axis and the start and end percentages.
    void Place(int origin, long double extent, double startPercent, double endPercent);
    // The pixel of Value, rounded half to even; the centre pixel for an empty range, NaN and
    // values beyond 2^31 pixels.
    int ValueToPixel(double value) const;
    // Where Value lands before rounding, with no cut-off for far values (NaN: the centre).
    long double ValueToPixelF(double value) const;
    double PixelToValue(int pixel) const;
    // The value where pixel column Column of a horizontal axis gives way to the next, in
    // plain double: a cheap guess that rounding must confirm. False for an empty mapping.
    bool ColumnBoundary(int column, double& boundary) const;
    // Whether both values lie close enough for ValueToPixel to keep their order and every
    // value between them (values beyond 1e9 pixels may map to the centre).
    bool MapsMonotonically(double low, double high) const;
    // Whether a position along the axis lies between its end pixels.
    bool Covers(int along) const;
};
