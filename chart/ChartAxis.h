// One axis of a chart: its properties and their checks, its range (automatic or manual) and
// its value-to-pixel mapping for the current drawing; the axis title. Implemented in
// ChartAxis.cpp (properties, range, placement) and AxisDraw.cpp (labels, measuring, painting).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "chart/AxisLabels.h"
#include "chart/AxisMapping.h"
#include "chart/ChartCanvas.h"
#include "chart/ChartPanel.h"
#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"
#include "toolkit/SysUtils.h"
#include "toolkit/Types.h"

class TCustomAxisPanel;
class TCustomChartAxis;

// The chart default font: "Arial", 8 points, black, no style.
void ApplyChartDefaultFont(TFont& font);

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
    explicit TChartFontObject(TChartPartsHost* chart);
    ~TChartFontObject() override;
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* value);
    TCustomAxisPanel* ParentChart() const { return FParentChart; }
    std::string ClassName() const override { return "TChartFontObject"; }

protected:
    void Repaint();

private:
    TCustomChartPanel* FPanel = nullptr;
    TCustomAxisPanel* FParentChart = nullptr;
    std::unique_ptr<TFont> FFont;
};

class TChartAxisTitle : public TChartFontObject
{
public:
    TChartAxisTitle(TChartPartsHost* chart, TCustomChartAxis* axis);
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
class TCustomChartAxis : public TPersistent, public TAxisMapping
{
public:
    // Appends itself to Chart's axes list.
    explicit TCustomChartAxis(TChartPartsHost* chart);
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
    bool Inverted() const { return InvertedScale; }
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
    // The mapping of the current paint, which the series drawing and the mouse use too.
    const TAxisMapping& Mapping() const { return *this; }
    // A manual range for both ends; never empty or reversed.
    void SetAxisRange(double low, double high);
    // Moves both ends by Offset; with LimitCheck only while data lie beyond that end.
    void ScrollAxis(double offset, bool limitCheck);
    // Copies another axis (any TCustomChartAxis) onto this one without repainting.
    void CopyAxisFrom(const TPersistent* source);
    void Assign(const TPersistent* source) override;

    // Labels, ticks and grid (AxisDraw.cpp), from the numbers AxisLabels works out.
    void ReserveAxisSpace(TRect& rect);
    void DrawAxis(bool computeAxisLinePos);
    // The labels (asking the label handlers for values and texts) and tick pixels at Step.
    AxisLabels::TTickLayout LayoutTicks(double step);
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

    // Fixed at creation: the side (the orientation is the mapping's). The mapping's range
    // and pixels are prepared by ComputeAutoRange, PlaceOnChartRect and ApplySeriesMargins.
    bool FarSide = false;
    // Positions across the axis: line, labels and title (written by the drawing code).
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

    TChartPartsHost* FHost = nullptr;
    TCustomChartPanel* FPanel = nullptr;
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
    TChartAxis(TChartPartsHost* chart, bool isHorizontal, bool farSide);
    std::string ClassName() const override { return "TChartAxis"; }
};

// The depth axis of 3D charts; hidden in a flat chart.
class TChartDepthAxis : public TCustomChartAxis
{
public:
    explicit TChartDepthAxis(TChartPartsHost* chart);
    std::string ClassName() const override { return "TChartDepthAxis"; }
};
