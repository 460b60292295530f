// The series base: points stored column-wise, add and clear hooks, the drawn range and the
// drawing hooks the chart calls; and the batch that adds many points in one placement.
// Implemented in ChartSeries.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/ValueList.h"
#include "toolkit/Classes.h"
#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"
#include "toolkit/Types.h"

class TChartPartsHost;
class TCustomAxisPanel;
class TCustomChartAxis;
class TCustomChartPanel;

enum THorizAxis : uint8_t { aTopAxis, aBottomAxis, aBothHorizAxis, aCustomHorizAxis };
enum TVertAxis : uint8_t { aLeftAxis, aRightAxis, aBothVertAxis, aCustomVertAxis };

// Point marks of a series. Only the invisible state is supported: marks take
// no room and are never drawn.
class TSeriesMarks : public TPersistent
{
public:
    explicit TSeriesMarks(TChartSeries* series) : FSeries(series) {}
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    int ArrowLength() const { return FArrowLength; }
    void SetArrowLength(int value);
    TChartSeries* Series() const { return FSeries; }
    // Forgets the positions of drawn marks (none are kept while invisible).
    void ClearPositions() {}
    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TSeriesMarks"; }

private:
    TChartSeries* FSeries = nullptr;
    bool FVisible = false;
    int FArrowLength = 8;
};

using TSeriesOnBeforeAdd = std::function<bool(TChartSeries* sender)>;
using TSeriesOnAfterAdd = std::function<void(TChartSeries* sender, int valueIndex)>;
using TSeriesOnClear = std::function<void(TChartSeries* sender)>;
using TSeriesClick = std::function<void(TChartSeries* sender, int valueIndex, TMouseButton button,
                                        TShiftState shift, int x, int y)>;

// A series: points stored column-wise (X, Y, colour, label) and the hooks the
// chart calls to lay it out and draw it.
class TChartSeries : public TComponent
{
public:
    explicit TChartSeries(TComponent* owner = nullptr);
    ~TChartSeries() override;

    // Returns the index of the new point, or -1 when OnBeforeAdd refused it.
    int AddPoint(double x, double y, const std::string& label = std::string(),
                 TColor color = clSeriesDefault);
    void ClearPoints();
    // Room for Count points in the X and Y columns, for a filler that knows its count: the
    // columns then grow no more on the way. Throws EOutOfMemory when the room cannot be had.
    void Reserve(int count);
    // Removes one point from every column.
    void DeletePoint(int index);
    int PointCount() const { return FXValues->ValueCount(); }
    virtual double PointX(int index) const { return FXValues->ValueAt(index); }
    virtual double PointY(int index) const { return FYValues->ValueAt(index); }
    // The colour the point is drawn in; clNone makes it a null point.
    virtual TColor PointColor(int index) const;
    bool IsNullPoint(int index) const { return PointColor(index) == clNone; }
    // The label of a point; empty when it has none.
    const std::string& PointLabel(int index) const;
    // The colour as stored for the point (clSeriesDefault when it has none).
    TColor StoredPointColor(int index) const;
    // True once a point came with a colour of its own, until ClearPoints. While false every
    // point has the series colour (or the palette's), so drawing need not ask each point.
    bool HasOwnPointColors() const { return !FColors.empty(); }

    double LowestX() const { return FXValues->LowestValue(); }
    double HighestX() const { return FXValues->HighestValue(); }
    double LowestY() const { return FYValues->LowestValue(); }
    double HighestY() const { return FYValues->HighestValue(); }

    TChartValueList* XValues() const { return FXValues.get(); }
    TChartValueList* YValues() const { return FYValues.get(); }
    // Every value list of the series in creation order.
    const std::vector<TChartValueList*>& ValueLists() const { return FValueLists; }

    bool Active() const { return FActive; }
    void SetActive(bool value);
    TColor SeriesColor() const { return FSeriesColor; }
    void SetSeriesColor(TColor value);
    bool ColorEachPoint() const { return FColorEachPoint; }
    void SetColorEachPoint(bool value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value) { FCursor = value; }

    THorizAxis HorizAxis() const { return FHorizAxis; }
    void SetHorizAxis(THorizAxis value);
    TVertAxis VertAxis() const { return FVertAxis; }
    void SetVertAxis(TVertAxis value);
    // The chart's axis objects the series maps through (none without a chart).
    TCustomChartAxis* HorizAxisObject() const;
    TCustomChartAxis* VertAxisObject() const;
    // Whether the series counts for Axis: it uses axes and names the axis (or both).
    bool AssociatedToAxis(const TCustomChartAxis* axis) const;

    TSeriesMarks* Marks() const { return FMarks.get(); }

    TCustomAxisPanel* ParentChart() const { return FParentChart; }
    // Attaching adds the series to the chart's SeriesList; detaching removes it.
    virtual void SetParentChart(TChartPartsHost* chart);

    int FirstDrawnIndex() const { return FFirstDrawnIndex; }
    int LastDrawnIndex() const { return FLastDrawnIndex; }
    bool LimitToVisible() const { return FLimitToVisible; }
    void SetLimitToVisible(bool value) { FLimitToVisible = value; }
    bool IncludeNextOutside() const { return FIncludeNextOutside; }
    void SetIncludeNextOutside(bool value) { FIncludeNextOutside = value; }

    // Asks the parent chart to draw again at its next paint.
    void RequestRepaint();

    // Drawing hooks called by the chart.
    // Called for every active series before the chart lays out its axes.
    virtual void PrepareForDrawing() {}
    // Sets FirstDrawnIndex and LastDrawnIndex from the horizontal axis' range.
    virtual void ComputeDrawnRange();
    // Draws FirstDrawnIndex..LastDrawnIndex.
    virtual void PaintAllPoints();
    virtual void PaintPoint(int index);
    virtual int XPixel(int index) const;
    virtual int YPixel(int index) const;
    // True when points are drawn first to last.
    virtual bool DrawValuesForward() const { return true; }
    // Pixels the series wants kept free at the ends of its axes.
    virtual void CalcHorizMargins(int& left, int& right) const;
    virtual void CalcVerticalMargins(int& top, int& bottom) const;
    virtual bool UsesAxes() const { return true; }
    // True when the X values run along the horizontal axis.
    virtual bool XValuesHorizontal() const { return true; }
    // The index of the point (or segment end) at pixel (X, Y), or -1.
    virtual int Clicked(int x, int y) const;

    TSeriesOnBeforeAdd OnBeforeAdd;
    TSeriesOnAfterAdd OnAfterAdd;
    TSeriesOnClear OnClearValues;
    TNotifyEvent BeforeDrawValues;
    TNotifyEvent AfterDrawValues;
    TSeriesClick OnClick;
    TSeriesClick OnDblClick;

    std::string ClassName() const override { return "TChartSeries"; }

protected:
    int FFirstDrawnIndex = -1;
    int FLastDrawnIndex = -1;

private:
    friend class TSeriesBatch;
    // AddPoint's general case: the pending X and Y go where the X order puts them, with the
    // colour and label columns kept in step.
    int InsertPendingPoint(const std::string& label, TColor color);
    void NotifyAdded(int index);

    bool FActive = true;
    TColor FSeriesColor = clSeriesDefault;
    bool FColorEachPoint = false;
    // Empty until some point carries a colour or a label of its own; then one per point.
    std::vector<TColor> FColors;
    std::vector<std::string> FLabels;
    TCursor FCursor = crDefault;
    std::unique_ptr<TSeriesMarks> FMarks;
    // The chart as its parts see it, as a panel, and as the parent chart; all set together.
    TChartPartsHost* FHost = nullptr;
    TCustomChartPanel* FPanel = nullptr;
    TCustomAxisPanel* FParentChart = nullptr;
    std::vector<TChartValueList*> FValueLists;
    // Always plain TChartValueList objects: AddPoint calls their operations without dispatch.
    std::unique_ptr<TChartValueList> FXValues;
    std::unique_ptr<TChartValueList> FYValues;
    THorizAxis FHorizAxis = aBottomAxis;
    TVertAxis FVertAxis = aLeftAxis;
    bool FLimitToVisible = true;
    bool FIncludeNextOutside = false;
};

// Adds points to a series with the result of AddPoint called for each in turn (the same points
// in the same order, equal X kept in the order added), but in O(n log n) for the whole batch:
// a point that does not go at the end is appended, and the points are placed together when the
// batch ends, where AddPoint would scan back and move the tail for each. Until then the series'
// X column may be out of order, so nothing may read the series before End (or the destructor).
// A series with add hooks, own point colours or labels, or stored X values out of order gets
// plain AddPoint calls instead.
class TSeriesBatch
{
public:
    explicit TSeriesBatch(TChartSeries& series);
    ~TSeriesBatch();
    TSeriesBatch(const TSeriesBatch&) = delete;
    TSeriesBatch& operator=(const TSeriesBatch&) = delete;

    // Throws EOutOfMemory and adds nothing when the columns cannot grow.
    void Add(double x, double y);
    // Count points, as Count calls of Add would add them. EOutOfMemory keeps the points
    // before some point of them (none of them where the columns could not take all at once).
    void AddMany(const double* xs, const double* ys, std::size_t count);
    // Puts the points added since the last NaN X in order; idempotent.
    void End() noexcept;
    // Each point goes through AddPoint, with the series' add events and repaint requests:
    // such a batch belongs on the thread of the window.
    bool Direct() const { return FDirect; }

private:
    // Whether A may stand before B in the X order.
    bool InOrder(double a, double b) const;

    TChartSeries& FSeries;
    TChartListOrder FOrder;
    // Each Add is an AddPoint.
    bool FDirect = false;
    // The ordered run the added points merge into: from the point after the last NaN X (a
    // NaN stops AddPoint's backward scan) to the end.
    std::size_t FRunStart = 0;
    bool FRunUnordered = false;
    bool FAdded = false;
    // The X column's last value, read back without a look at its stored form.
    double FLastX = 0;
};
