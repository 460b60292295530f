// Chart engine core: value lists and series data, the axes with their range,
// scale and value-to-pixel mapping, and the axis panel that holds series and axes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/ChartCanvas.h"
#include "chart/ChartPanel.h"
#include "chart/ValueBuffer.h"
#include "toolkit/Classes.h"
#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"
#include "toolkit/SysUtils.h"
#include "toolkit/Types.h"

class TChartSeries;
class TCustomAxisPanel;
class TCustomChartAxis;

// The chart default font: "Arial", 8 points, black, no style.
void ApplyChartDefaultFont(TFont& font);

enum TChartListOrder : uint8_t { loNone, loAscending, loDescending };

// One column of a series (X or Y). Values are stored unscaled in contiguous
// memory and read multiplied by Multiplier.
class TChartValueList : public TPersistent
{
public:
    TChartValueList(TChartSeries* owner, const std::string& name);

    virtual double ValueAt(int index) const;
    // Stores Value unscaled at Index.
    virtual void SetValueAt(int index, double value);
    virtual void RemoveAllValues();
    // Ordered insertion; returns where the value went.
    virtual int AddValue(double value);
    // Places the value at Index (0..count) without looking at the order.
    virtual void InsertValue(int index, double value);
    virtual int ValueCount() const { return static_cast<int>(FValues.size()); }
    virtual void RemoveValue(int index);
    // Moves the first value to the end.
    virtual void RotateValues();
    double LastValue() const { return ValueAt(ValueCount() - 1); }
    // The unscaled values; for fast scans (e.g. binary search over sorted X).
    const TValueBuffer& StoredValues() const { return FValues; }

    double LowestValue() const;
    double HighestValue() const;
    double SumOfValues() const;
    double SumOfAbsValues() const;
    bool StatsStale() const { return FStatsStale; }

    bool DateTime() const { return FDateTime; }
    void SetDateTime(bool value);
    double Multiplier() const { return FMultiplier; }
    void SetMultiplier(double value);
    const std::string& Name() const { return FName; }
    void SetName(const std::string& value) { FName = value; }
    // Applies to later insertions only; stored values are not re-sorted.
    TChartListOrder Order() const { return FOrder; }
    void SetOrder(TChartListOrder value) { FOrder = value; }
    const std::string& ValueSource() const { return FValueSource; }
    void SetValueSource(const std::string& value);
    TChartSeries* Owner() const { return FOwner; }
    double PendingValue() const { return FPendingValue; }
    void SetPendingValue(double value) { FPendingValue = value; }

    // Copies DateTime, Name, Multiplier, Order and ValueSource (the stored properties).
    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TChartValueList"; }

private:
    friend class TChartSeries;
    friend class TSeriesBatch;

    void CheckIndex(int index, std::size_t count) const;
    void Modified();
    void RecalcStats() const;
    // Whether ordered insertion puts Value at the end: one comparison with the last value.
    bool AppendsInOrder(double value) const
    {
        if (FValues.empty()) return true;
        if (FOrder == loAscending) return FValues.back() <= value;
        if (FOrder == loDescending) return FValues.back() >= value;
        return true;
    }
    // EOutOfMemory leaves the list as it was.
    void AppendValue(double value)
    {
        try {
            FValues.push_back(value);
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory();
        }
        FStatsStale = true;
    }
    // Where ordered insertion puts Value when it does not go at the end.
    std::size_t PlaceBefore(double value) const;
    // Index 0..count, already checked.
    void PutValue(std::size_t index, double value);

    bool FDateTime = false;
    TValueBuffer FValues;
    mutable double FHighestValue = 0;
    mutable double FLowestValue = 0;
    double FMultiplier = 1;
    std::string FName;
    TChartListOrder FOrder = loNone;
    TChartSeries* FOwner = nullptr;
    double FPendingValue = 0;
    mutable double FSumOfValues = 0;
    mutable double FSumOfAbsValues = 0;
    std::string FValueSource;
    mutable bool FStatsStale = true;
};

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
    // Called by a value list's constructor.
    void RegisterValueList(TChartValueList* list) { FValueLists.push_back(list); }

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
    virtual void SetParentChart(TCustomAxisPanel* chart);

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
    ~TSeriesBatch() { End(); }
    TSeriesBatch(const TSeriesBatch&) = delete;
    TSeriesBatch& operator=(const TSeriesBatch&) = delete;

    // Throws EOutOfMemory and adds nothing when the columns cannot grow.
    void Add(double x, double y);
    // Puts the points added since the last NaN X in order; idempotent.
    void End() noexcept;

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
};

class AxisException : public Exception
{
public:
    using Exception::Exception;
};

enum TAxisLabelStyle : uint8_t { talAuto, talNone, talValue, talMark, talText };

// An object that owns a font whose changes repaint its chart.
class TChartFontObject : public TPersistent
{
public:
    explicit TChartFontObject(TCustomAxisPanel* chart);
    ~TChartFontObject() override;
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* value);
    TCustomAxisPanel* ParentChart() const { return FParentChart; }
    std::string ClassName() const override { return "TChartFontObject"; }

protected:
    void Repaint();

private:
    TCustomAxisPanel* FParentChart = nullptr;
    std::unique_ptr<TFont> FFont;
};

class TChartAxisTitle : public TChartFontObject
{
public:
    TChartAxisTitle(TCustomAxisPanel* chart, TCustomChartAxis* axis);
    int Angle() const { return FAngle; }
    // Accepts 0..359.
    void SetAngle(int value);
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    TCustomChartAxis* Axis() const { return FAxis; }
    // Copies angle, caption and font.
    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TChartAxisTitle"; }

private:
    int FAngle = 0;
    std::string FCaption;
    TCustomChartAxis* FAxis = nullptr;
};

// One axis of a chart: its properties, its range (automatic or manual) and
// the mapping between values and pixels for the current drawing.
class TCustomChartAxis : public TPersistent
{
public:
    // Appends itself to Chart's axes list.
    explicit TCustomChartAxis(TCustomAxisPanel* chart);
    ~TCustomChartAxis() override;

    TCustomAxisPanel* ParentChart() const { return FParentChart; }

    bool Automatic() const { return FAutomatic; }
    void SetAutomatic(bool value);
    bool AutomaticMaximum() const { return FAutomaticMaximum; }
    void SetAutomaticMaximum(bool value);
    bool AutomaticMinimum() const { return FAutomaticMinimum; }
    void SetAutomaticMinimum(bool value);
    TChartAxisPen* Axis() const { return FAxis.get(); }
    void SetAxis(const TChartPen* value);
    const std::string& AxisValuesFormat() const { return FAxisValuesFormat; }
    void SetAxisValuesFormat(const std::string& value);
    const std::string& DateTimeFormat() const { return FDateTimeFormat; }
    void SetDateTimeFormat(const std::string& value);
    bool ExactDateTime() const { return FExactDateTime; }
    void SetExactDateTime(bool value);
    TDottedGrayPen* Grid() const { return FGrid.get(); }
    void SetGrid(const TChartPen* value);
    bool GridCentered() const { return FGridCentered; }
    void SetGridCentered(bool value);
    double Increment() const { return FIncrement; }
    void SetIncrement(double value);
    bool Inverted() const { return FInverted; }
    void SetInverted(bool value);
    bool Labels() const { return FLabels; }
    void SetLabels(bool value);
    int LabelsAngle() const { return FLabelsAngle; }
    void SetLabelsAngle(int value);
    TFont* LabelsFont() const { return FLabelsFont.get(); }
    void SetLabelsFont(const TFont* value);
    bool LabelsMultiLine() const { return FLabelsMultiLine; }
    void SetLabelsMultiLine(bool value);
    bool LabelsOnAxis() const { return FLabelsOnAxis; }
    void SetLabelsOnAxis(bool value);
    int LabelsSeparation() const { return FLabelsSeparation; }
    void SetLabelsSeparation(int value);
    int LabelsSize() const { return FLabelsSize; }
    void SetLabelsSize(int value);
    TAxisLabelStyle LabelStyle() const { return FLabelStyle; }
    void SetLabelStyle(TAxisLabelStyle value);
    bool Logarithmic() const { return FLogarithmic; }
    void SetLogarithmic(bool value);
    int LogarithmicBase() const { return FLogarithmicBase; }
    void SetLogarithmicBase(int value);
    double Maximum() const { return FMaximum; }
    void SetMaximum(double value);
    double Minimum() const { return FMinimum; }
    void SetMinimum(double value);
    TChartHiddenPen* MinorGrid() const { return FMinorGrid.get(); }
    void SetMinorGrid(const TChartPen* value);
    int MinorTickCount() const { return FMinorTickCount; }
    void SetMinorTickCount(int value);
    int MinorTickLength() const { return FMinorTickLength; }
    void SetMinorTickLength(int value);
    TDarkGrayPen* MinorTicks() const { return FMinorTicks.get(); }
    void SetMinorTicks(const TChartPen* value);
    double StartPosition() const { return FStartPosition; }
    void SetStartPosition(double value);
    double EndPosition() const { return FEndPosition; }
    void SetEndPosition(double value);
    double PositionPercent() const { return FPositionPercent; }
    void SetPositionPercent(double value);
    bool RoundFirstLabel() const { return FRoundFirstLabel; }
    void SetRoundFirstLabel(bool value);
    int TickInnerLength() const { return FTickInnerLength; }
    void SetTickInnerLength(int value);
    int TickLength() const { return FTickLength; }
    void SetTickLength(int value);
    bool TickOnLabelsOnly() const { return FTickOnLabelsOnly; }
    void SetTickOnLabelsOnly(bool value);
    TDarkGrayPen* Ticks() const { return FTicks.get(); }
    void SetTicks(const TChartPen* value);
    TDarkGrayPen* TicksInner() const { return FTicksInner.get(); }
    void SetTicksInner(const TChartPen* value);
    TChartAxisTitle* Title() const { return FTitle.get(); }
    void SetTitle(const TChartAxisTitle* value);
    int TitleSize() const { return FTitleSize; }
    void SetTitleSize(int value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);

    // Range and mapping.
    // Recomputes the automatic ends from the data and the effective range.
    void ComputeAutoRange();
    // Places the axis along the chart rectangle.
    void PlaceOnChartRect();
    // Widens the effective range so that Start and End pixels stay free of data.
    void ApplySeriesMargins(int startMargin, int endMargin);
    int ValueToPixel(double value) const;
    double PixelToValue(int pixel) const;
    // A manual range for both ends; never empty or reversed.
    void SetAxisRange(double low, double high);
    // Moves both ends by Offset; with LimitCheck only while data lie beyond that end.
    void ScrollAxis(double offset, bool limitCheck);
    // Copies another axis (any TCustomChartAxis) onto this one without repainting.
    void CopyAxisFrom(const TPersistent* source);
    void Assign(const TPersistent* source) override;

    // Labels, ticks and grid (defined with the label code).
    void ReserveAxisSpace(TRect& rect, bool isStandardAxis);
    void DrawAxis(bool computeAxisLinePos);
    double LabelStep() const;
    double StepForLabelCount(int maxLabels) const;
    static double NextLabelStep(double step);
    std::string LabelText(double value) const;
    TAxisLabelStyle EffectiveLabelStyle() const;
    int WidestLabelSize() const;
    int TickAxisSize() const;

    // Whether the first active series on this axis has date-time values here.
    bool ComputeIsDateTimeScale() const;
    int DefaultTitleAngle() const { return FDefaultTitleAngle; }
    bool IsDepthAxis() const { return FIsDepthAxis; }

    std::string ClassName() const override { return "TCustomChartAxis"; }

    // Fixed at creation: orientation and side.
    bool IsHorizontal = false;
    bool FarSide = false;
    // Per-drawing state, prepared by ComputeAutoRange, PlaceOnChartRect and
    // ApplySeriesMargins; ValueToPixel and PixelToValue read only these.
    double EffectiveMinimum = 0;
    double EffectiveMaximum = 0;
    double EffectiveSpan = 0;
    int StartPixel = 0;
    int EndPixel = 0;
    int PixelLength = 0;
    int CenterPixel = 0;
    // Positions across the axis: line, labels and title (written by the label code).
    int AxisLinePos = 0;
    int LabelsPos = 0;
    int TitlePos = 0;
    bool IsDateTimeScale = false;

protected:
    void SetDefaultTitleAngle(int value);
    void SetIsDepthAxis(bool value) { FIsDepthAxis = value; }
    void SetVisibleDefault(bool value) { FVisible = value; }

private:
    // Stores Value into Field and repaints when it changed.
    template <class T> void Change(T& field, const T& value);
    void Repaint();
    bool ChartLoading() const;

    TCustomAxisPanel* FParentChart = nullptr;
    bool FAutomatic = true;
    bool FAutomaticMaximum = true;
    bool FAutomaticMinimum = true;
    std::unique_ptr<TChartAxisPen> FAxis;
    std::string FAxisValuesFormat = "#,##0.###";
    std::string FDateTimeFormat;
    bool FExactDateTime = true;
    std::unique_ptr<TDottedGrayPen> FGrid;
    bool FGridCentered = false;
    double FIncrement = 0;
    bool FInverted = false;
    bool FLabels = true;
    int FLabelsAngle = 0;
    std::unique_ptr<TFont> FLabelsFont;
    bool FLabelsMultiLine = false;
    bool FLabelsOnAxis = true;
    int FLabelsSeparation = 10;
    int FLabelsSize = 0;
    TAxisLabelStyle FLabelStyle = talAuto;
    bool FLogarithmic = false;
    int FLogarithmicBase = 10;
    double FMaximum = 0;
    double FMinimum = 0;
    std::unique_ptr<TChartHiddenPen> FMinorGrid;
    int FMinorTickCount = 3;
    int FMinorTickLength = 2;
    std::unique_ptr<TDarkGrayPen> FMinorTicks;
    double FStartPosition = 0;
    double FEndPosition = 100;
    double FPositionPercent = 0;
    bool FRoundFirstLabel = true;
    int FTickInnerLength = 0;
    int FTickLength = 4;
    bool FTickOnLabelsOnly = true;
    std::unique_ptr<TDarkGrayPen> FTicks;
    std::unique_ptr<TDarkGrayPen> FTicksInner;
    std::unique_ptr<TChartAxisTitle> FTitle;
    int FTitleSize = 0;
    bool FVisible = true;
    int FDefaultTitleAngle = 0;
    bool FIsDepthAxis = false;
};

// The four side axes (bottom, top, left, right).
class TChartAxis : public TCustomChartAxis
{
public:
    // Sets orientation, side and the default title angle (90 left, 270 right).
    TChartAxis(TCustomAxisPanel* chart, bool isHorizontal, bool farSide);
    std::string ClassName() const override { return "TChartAxis"; }
};

// The depth axis of 3D charts; hidden in a flat chart.
class TChartDepthAxis : public TCustomChartAxis
{
public:
    explicit TChartDepthAxis(TCustomAxisPanel* chart);
    std::string ClassName() const override { return "TChartDepthAxis"; }
};

using TAxisOnGetLabel = std::function<void(TCustomChartAxis* sender, TChartSeries* series,
                                           int valueIndex, std::string& labelText)>;
using TAxisOnGetNextLabel =
    std::function<void(TCustomChartAxis* sender, int labelIndex, double& labelValue, bool& stop)>;

// A chart panel with series and five axes (bottom, top, left, right, depth).
class TCustomAxisPanel : public TCustomChartPanelExtended
{
public:
    explicit TCustomAxisPanel(TComponent* owner = nullptr);
    // Frees the series still in SeriesList.
    ~TCustomAxisPanel() override;

    // Drawing order.
    const std::vector<TChartSeries*>& SeriesList() const { return FSeriesList; }
    int SeriesCount() const { return static_cast<int>(FSeriesList.size()); }
    TChartSeries* Series(int index) const;
    // Same as Series->SetParentChart(this) / (nullptr).
    void AddSeries(TChartSeries* series);
    void RemoveSeries(TChartSeries* series);
    // Number of active series.
    int CountActiveSeries() const;

    TChartAxis* BottomAxis() const { return FBottomAxis; }
    TChartAxis* TopAxis() const { return FTopAxis; }
    TChartAxis* LeftAxis() const { return FLeftAxis; }
    TChartAxis* RightAxis() const { return FRightAxis; }
    TChartDepthAxis* DepthAxis() const { return FDepthAxis; }
    // Assign the given axis onto the chart's own (CopyAxisFrom).
    void SetBottomAxis(const TCustomChartAxis* value);
    void SetTopAxis(const TCustomChartAxis* value);
    void SetLeftAxis(const TCustomChartAxis* value);
    void SetRightAxis(const TCustomChartAxis* value);
    void SetDepthAxis(const TCustomChartAxis* value);
    // Bottom, top, left, right, depth.
    const std::vector<TCustomChartAxis*>& AxesList() const { return FAxesList; }
    // Called by the axis constructor.
    void RegisterAxis(TCustomChartAxis* axis) { FAxesList.push_back(axis); }

    bool View3DWalls() const { return FView3DWalls; }
    void SetView3DWalls(bool value);
    bool ClipPoints() const { return FClipPoints; }
    void SetClipPoints(bool value);
    bool AxisVisible() const { return FAxisVisible; }
    void SetAxisVisible(bool value);
    int MaxPointsPerPage() const { return FMaxPointsPerPage; }
    void SetMaxPointsPerPage(int value);
    int Page() const { return FPage; }
    void SetPage(int value);
    bool ScaleLastPage() const { return FScaleLastPage; }
    void SetScaleLastPage(bool value);
    int SeriesWidth3D() const { return FSeriesWidth3D; }
    int SeriesHeight3D() const { return FSeriesHeight3D; }
    int MaxZOrder() const { return FMaxZOrder; }

    TAxisOnGetLabel OnGetAxisLabel;
    TAxisOnGetNextLabel OnGetNextAxisLabel;
    TNotifyEvent OnPageChange;
    TNotifyEvent OnBeforeDrawAxes;
    TNotifyEvent OnBeforeDrawSeries;

    // Smallest or largest X (Horizontal) or Y value of the series that count for Axis; 0 if none.
    double SeriesValueExtent(const TCustomChartAxis* axis, bool wantLargest, bool horizontal) const;
    double MinXValue(const TCustomChartAxis* axis) const;
    double MaxXValue(const TCustomChartAxis* axis) const;
    double MinYValue(const TCustomChartAxis* axis) const;
    double MaxYValue(const TCustomChartAxis* axis) const;
    // Whether the axis is drawn and takes room.
    bool IsAxisShown(const TCustomChartAxis* axis) const;
    // Width of the widest CR-separated line in the surface's current font; Lines gets the count.
    int TextBlockWidth(const std::string& text, int& lines) const;

    std::string ClassName() const override { return "TCustomAxisPanel"; }

private:
    friend class TChartSeries;
    void InsertSeriesInList(TChartSeries* series);
    void RemoveSeriesFromList(TChartSeries* series);

    std::vector<TChartSeries*> FSeriesList;
    bool FView3DWalls = true;
    bool FClipPoints = true;
    bool FAxisVisible = true;
    std::vector<TCustomChartAxis*> FAxesList;
    // Owned; created in list order by the constructor.
    TChartAxis* FBottomAxis = nullptr;
    TChartAxis* FTopAxis = nullptr;
    TChartAxis* FLeftAxis = nullptr;
    TChartAxis* FRightAxis = nullptr;
    TChartDepthAxis* FDepthAxis = nullptr;
    int FPage = 1;
    int FMaxPointsPerPage = 0;
    bool FScaleLastPage = true;
    int FSeriesWidth3D = 0;
    int FSeriesHeight3D = 0;
    int FMaxZOrder = 0;
};
