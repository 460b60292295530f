// Annotations over a chart's time axis: labelled spans (bytes of a serial line, say) drawn as
// boxes in a band along the top of the plot. The chart asks its source only for the items in
// its visible range, so a source may hold millions of them.
#pragma once

#include <cstddef>
#include <string>

struct TAnnotationSpan
{
    double Start = 0;
    double End = 0;
    bool Error = false;
};

class TChartAnnotationSource
{
public:
    virtual ~TChartAnnotationSource() = default;
    // Items are in order of their start.
    virtual size_t AnnotationCount() const = 0;
    // The first item whose span may reach Time or later (every item before it ends earlier).
    virtual size_t FirstReaching(double time) const = 0;
    // The first item starting after Time.
    virtual size_t FirstAfter(double time) const = 0;
    // Spans of items First .. First+Count-1, in one call so that a frame of a million items
    // costs no call per item.
    virtual void Spans(size_t first, size_t count, TAnnotationSpan* spans) const = 0;
    // What a box shows when it is wide enough.
    virtual std::string Label(size_t item) const = 0;
};
