// Line series: the point marker, the drawing of a series as a polyline through its points
// (clipped by the chart), and the pixel margins the series asks its axes to keep free.
// Implemented in LineSeries.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "chart/ChartCanvas.h"
#include "chart/ChartEngine.h"
#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"

enum TSeriesPointerStyle : uint8_t {
    psRectangle,
    psCircle,
    psTriangle,
    psDownTriangle,
    psCross,
    psDiagCross,
    psStar,
    psDiamond,
    psSmallDot,
};

// The marker drawn at each point. A line series keeps it invisible; then it draws nothing
// and takes no room.
class TSeriesPointer : public TPersistent
{
public:
    explicit TSeriesPointer(TChartSeries* series);
    ~TSeriesPointer() override;

    TChartBrush* Brush() const { return FBrush.get(); }
    void SetBrush(const TBrush* value);
    bool Dark3D() const { return FDark3D; }
    void SetDark3D(bool value);
    bool Draw3D() const { return FDraw3D; }
    void SetDraw3D(bool value);
    int HorizSize() const { return FHorizSize; }
    void SetHorizSize(int value);
    bool InflateMargins() const { return FInflateMargins; }
    void SetInflateMargins(bool value);
    TChartPen* Pen() const { return FPen.get(); }
    void SetPen(const TChartPen* value);
    TSeriesPointerStyle Style() const { return FStyle; }
    void SetStyle(TSeriesPointerStyle value);
    int VertSize() const { return FVertSize; }
    void SetVertSize(int value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    TChartSeries* Series() const { return FSeries; }

    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TSeriesPointer"; }

private:
    template <class T> void Change(T& field, const T& value);
    void Repaint();

    std::unique_ptr<TChartBrush> FBrush;
    bool FDark3D = true;
    bool FDraw3D = true;
    int FHorizSize = 4;
    bool FInflateMargins = true;
    std::unique_ptr<TChartPen> FPen;
    TSeriesPointerStyle FStyle = psRectangle;
    int FVertSize = 4;
    bool FVisible = true;
    TChartSeries* FSeries = nullptr;
};

using TOnGetPointerStyle = std::function<TSeriesPointerStyle(TChartSeries* sender, int valueIndex)>;

// A series drawn point to point: segments, optional stairs, area and markers. Only the flat
// polyline is drawn; stairs, area filling, the 3D ribbon and markers are carried as settings.
class TCustomSeries : public TChartSeries
{
public:
    explicit TCustomSeries(TComponent* owner = nullptr);
    ~TCustomSeries() override;

    TBrushStyle AreaBrush() const { return FAreaBrush; }
    void SetAreaBrush(TBrushStyle value);
    TColor AreaColor() const { return FAreaColor; }
    void SetAreaColor(TColor value);
    TChartPen* AreaLinesPen() const { return FAreaLinesPen.get(); }
    void SetAreaLinesPen(const TChartPen* value);
    // The hit test also looks at the segments between points.
    bool ClickableLine() const { return FClickableLine; }
    void SetClickableLine(bool value) { FClickableLine = value; }
    bool Dark3D() const { return FDark3D; }
    void SetDark3D(bool value);
    bool DrawArea() const { return FDrawArea; }
    void SetDrawArea(bool value);
    bool ConnectPoints() const { return FConnectPoints; }
    void SetConnectPoints(bool value);
    bool InvertedStairs() const { return FInvertedStairs; }
    void SetInvertedStairs(bool value);
    TBrushStyle LineBrush() const { return FLineBrush; }
    void SetLineBrush(TBrushStyle value);
    int LineHeight() const { return FLineHeight; }
    void SetLineHeight(int value);
    TChartPen* LinePen() const { return FLinePen.get(); }
    void SetLinePen(const TChartPen* value);
    TSeriesPointer* Pointer() const { return FPointer.get(); }
    void SetPointer(const TSeriesPointer* value);
    bool Stairs() const { return FStairs; }
    void SetStairs(bool value);

    TOnGetPointerStyle OnGetPointerStyle;

    // Where the previously drawn point landed; kept from one drawing to the next.
    int PrevPixelX() const { return FPrevPixelX; }
    int PrevPixelY() const { return FPrevPixelY; }
    TColor PrevColor() const { return FPrevColor; }

    // Colours and positions exactly as every series has them. Final, because the column-span
    // drawing reads them in bulk and must see what PaintPoint sees.
    TColor PointColor(int index) const final { return TChartSeries::PointColor(index); }
    int XPixel(int index) const final { return TChartSeries::XPixel(index); }
    int YPixel(int index) const final { return TChartSeries::YPixel(index); }

    // The first point at or right of the left edge up to the first at or right of the right
    // edge, found by binary search over the sorted X values.
    void ComputeDrawnRange() override;
    // Draws what PaintPoint would draw for every point of the drawn range, but a run of
    // points inside one pixel column becomes the single vertical span it covers. It relies on
    // this class's PaintPoint: a series that draws its points another way overrides this too.
    void PaintAllPoints() override;
    // The segment that ends at point Index (from the left edge for the first drawn point).
    void PaintPoint(int index) override;
    void CalcHorizMargins(int& left, int& right) const override;
    void CalcVerticalMargins(int& top, int& bottom) const override;
    // A point drawn exactly at (X, Y), or a drawn segment passing within a pixel of it.
    int Clicked(int x, int y) const override;

    // Whether the marker of point Index, drawn at (PX, PY), covers (X, Y).
    virtual bool ClickedPointer(int index, int px, int py, int x, int y) const;

    std::string ClassName() const override { return "TCustomSeries"; }

private:
    template <class T> void Change(T& field, const T& value);
    // The segment from the previous pixel position to (X, Y) in Color, when it has a length.
    void DrawSegment(int x, int y, TColor color);
    // Sets PrevPixelX/Y to where the segment entering the plot from point Index-1 starts.
    void EnteringStart(int index);
    // A segment with an end too far out for pixel coordinates, cut where it leaves the
    // drawable range so the part that crosses the plot is still drawn.
    void DrawFarSegment(long double x0, long double y0, long double x1, long double y1,
                        TColor color);
    // True when a run of same-coloured points in one column may be drawn as one span.
    bool CanMergeColumns() const;
    // Emits the points from Index on that share Index's pixel column as one span; answers
    // the index after the run, or Index itself when the run cannot be merged.
    int PaintColumnRun(int index, int last);
    // The last point from Index on (up to Last) in pixel column Column; LengthHint is the
    // expected number of points in the column.
    int ColumnEnd(int index, int last, int column, int lengthHint) const;
    // The pixels the segments through points Index..RunEnd cover in their column, and the
    // row the last of them ends on; false when the points cannot be judged by their extremes.
    bool ColumnSpan(int index, int runEnd, int& spanLow, int& spanHigh, int& end) const;

    TBrushStyle FAreaBrush = bsSolid;
    TColor FAreaColor = clSeriesDefault;
    std::unique_ptr<TChartPen> FAreaLinesPen;
    bool FClickableLine = true;
    bool FDark3D = true;
    bool FDrawArea = false;
    bool FConnectPoints = false;
    bool FInvertedStairs = false;
    TBrushStyle FLineBrush = bsSolid;
    int FLineHeight = 0;
    std::unique_ptr<TChartPen> FLinePen;
    std::unique_ptr<TSeriesPointer> FPointer;
    bool FStairs = false;
    int FPrevPixelX = 0;
    int FPrevPixelY = 0;
    TColor FPrevColor = 0;
    // The previous point lay too far out for PrevPixelX/Y; its unrounded position instead.
    bool FPrevFar = false;
    long double FPrevFarX = 0;
    long double FPrevFarY = 0;
    int FColumnRunLength = 1;
};

// The line series of the viewer: points joined by straight segments, no marker.
class TLineSeries : public TCustomSeries
{
public:
    explicit TLineSeries(TComponent* owner = nullptr);
    std::string ClassName() const override { return "TLineSeries"; }
};
