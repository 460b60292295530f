#include "chart/ChartAxis.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "chart/StoreChanged.h"

void ApplyChartDefaultFont(TFont& font)
{
    font.SetName("Arial");
    font.SetSize(8);
    font.SetColor(clBlack);
    font.SetStyle(0);
}

TChartFontObject::TChartFontObject(TChartPartsHost* chart)
    : FPanel(chart != nullptr ? chart->HostPanel() : nullptr),
      FParentChart(chart != nullptr ? chart->HostAxisPanel() : nullptr),
      FFont(std::make_unique<TFont>())
{
    ApplyChartDefaultFont(*FFont);
    FFont->OnChange = [this](TObject*) { Repaint(); };
}

TChartFontObject::~TChartFontObject() = default;

void TChartFontObject::SetFont(const TFont* value)
{
    FFont->Assign(value);
}

void TChartFontObject::Repaint()
{
    if (FPanel != nullptr) FPanel->RequestRepaint();
}

TChartAxisTitle::TChartAxisTitle(TChartPartsHost* chart, TCustomChartAxis* axis)
    : TChartFontObject(chart), FAxis(axis)
{
}

static void CheckAngle(int value, const char* what)
{
    if (value < 0 || value > 359)
        throw ChartException(Format("%s Angle must be between 0 and 359 degrees", what));
}

void TChartAxisTitle::SetAngle(int value)
{
    CheckAngle(value, "Axis Title");
    if (StoreChanged(FAngle, value)) Repaint();
}

void TChartAxisTitle::SetCaption(const std::string& value)
{
    if (StoreChanged(FCaption, value)) Repaint();
}

void TChartAxisTitle::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TChartAxisTitle*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    // Angle and caption are taken as they are; only a font that really changes repaints.
    FAngle = other->FAngle;
    FCaption = other->FCaption;
    Font()->Assign(other->Font());
}

TCustomChartAxis::TCustomChartAxis(TChartPartsHost* chart)
    : FHost(chart), FPanel(chart != nullptr ? chart->HostPanel() : nullptr),
      FParentChart(chart != nullptr ? chart->HostAxisPanel() : nullptr)
{
    TNotifyEvent changed = [this](TObject*) { Repaint(); };
    FAxis = std::make_unique<TChartAxisPen>(changed);
    FGrid = std::make_unique<TDottedGrayPen>(changed);
    FLabelsFont = std::make_unique<TFont>();
    ApplyChartDefaultFont(*FLabelsFont);
    FLabelsFont->OnChange = changed;
    FMinorGrid = std::make_unique<TChartHiddenPen>(changed);
    FMinorTicks = std::make_unique<TDarkGrayPen>(changed);
    FTicks = std::make_unique<TDarkGrayPen>(changed);
    FTicksInner = std::make_unique<TDarkGrayPen>(changed);
    FTitle = std::make_unique<TChartAxisTitle>(chart, this);
    if (FHost != nullptr) FHost->RegisterAxis(this);
}

TCustomChartAxis::~TCustomChartAxis() = default;

template <class T> void TCustomChartAxis::Change(T& field, const T& value)
{
    if (StoreChanged(field, value)) Repaint();
}

void TCustomChartAxis::Repaint()
{
    if (FPanel != nullptr) FPanel->RequestRepaint();
}

bool TCustomChartAxis::ChartLoading() const
{
    return FPanel != nullptr && FPanel->IsLoading();
}

void TCustomChartAxis::SetAutomatic(bool value)
{
    Change(FAutomatic, value);
    if (!ChartLoading()) {
        FAutomaticMinimum = value;
        FAutomaticMaximum = value;
    }
}

void TCustomChartAxis::SetAutomaticMaximum(bool value)
{
    Change(FAutomaticMaximum, value);
    if (!value)
        FAutomatic = false;
    else if (FAutomaticMinimum)
        FAutomatic = true;
}

void TCustomChartAxis::SetAutomaticMinimum(bool value)
{
    Change(FAutomaticMinimum, value);
    if (!value)
        FAutomatic = false;
    else if (FAutomaticMaximum)
        FAutomatic = true;
}

void TCustomChartAxis::SetAxis(const TChartPen* value)
{
    FAxis->Assign(value);
}
void TCustomChartAxis::SetAxisValuesFormat(const std::string& value)
{
    Change(FAxisValuesFormat, value);
}
void TCustomChartAxis::SetDateTimeFormat(const std::string& value)
{
    Change(FDateTimeFormat, value);
}
void TCustomChartAxis::SetExactDateTime(bool value)
{
    Change(FExactDateTime, value);
}
void TCustomChartAxis::SetGrid(const TChartPen* value)
{
    FGrid->Assign(value);
}
void TCustomChartAxis::SetGridCentered(bool value)
{
    Change(FGridCentered, value);
}

void TCustomChartAxis::SetIncrement(double value)
{
    if (value < 0) throw AxisException("Axis increment must be >= 0");
    Change(FIncrement, value);
}

void TCustomChartAxis::SetInverted(bool value)
{
    Change(InvertedScale, value);
}
void TCustomChartAxis::SetLabels(bool value)
{
    Change(FLabels, value);
}

void TCustomChartAxis::SetLabelsAngle(int value)
{
    CheckAngle(value, "Axis Labels");
    Change(FLabelsAngle, value);
}

void TCustomChartAxis::SetLabelsFont(const TFont* value)
{
    FLabelsFont->Assign(value);
}
void TCustomChartAxis::SetLabelsMultiLine(bool value)
{
    Change(FLabelsMultiLine, value);
}
void TCustomChartAxis::SetLabelsOnAxis(bool value)
{
    Change(FLabelsOnAxis, value);
}

void TCustomChartAxis::SetLabelsSeparation(int value)
{
    if (value < 0) throw AxisException("Labels Separation % must be greater than 0");
    Change(FLabelsSeparation, value);
}

void TCustomChartAxis::SetLabelsSize(int value)
{
    Change(FLabelsSize, value);
}

void TCustomChartAxis::SetLabelStyle(TAxisLabelStyle value)
{
    if (StoreChanged(FLabelStyle, value))
        if (FPanel != nullptr) FPanel->RepaintNow();
}

void TCustomChartAxis::SetLogarithmic(bool value)
{
    if (value) {
        if (ComputeIsDateTimeScale()) throw AxisException("DateTime Axis cannot be Logarithmic");
        ComputeAutoRange();
        if (EffectiveMinimum < 0 || EffectiveMaximum < 0)
            throw AxisException("Logarithmic Axis Min and Max values should be >= 0");
    }
    Change(FLogarithmic, value);
}

void TCustomChartAxis::SetLogarithmicBase(int value)
{
    if (value < 2) throw AxisException("Axis Logarithmic Base should be >= 2");
    Change(FLogarithmicBase, value);
}

void TCustomChartAxis::SetMaximum(double value)
{
    if (!ChartLoading() && value < FMinimum)
        throw AxisException("Axis Maximum Value must be >= Minimum");
    Change(FMaximum, value);
}

void TCustomChartAxis::SetMinimum(double value)
{
    if (!ChartLoading() && value > FMaximum)
        throw AxisException("Axis Minimum Value must be <= Maximum");
    Change(FMinimum, value);
}

void TCustomChartAxis::SetMinorGrid(const TChartPen* value)
{
    FMinorGrid->Assign(value);
}
void TCustomChartAxis::SetMinorTickCount(int value)
{
    Change(FMinorTickCount, value);
}
void TCustomChartAxis::SetMinorTickLength(int value)
{
    Change(FMinorTickLength, value);
}
void TCustomChartAxis::SetMinorTicks(const TChartPen* value)
{
    FMinorTicks->Assign(value);
}
void TCustomChartAxis::SetStartPosition(double value)
{
    Change(FStartPosition, value);
}
void TCustomChartAxis::SetEndPosition(double value)
{
    Change(FEndPosition, value);
}
void TCustomChartAxis::SetPositionPercent(double value)
{
    Change(FPositionPercent, value);
}
void TCustomChartAxis::SetRoundFirstLabel(bool value)
{
    Change(FRoundFirstLabel, value);
}
void TCustomChartAxis::SetTickInnerLength(int value)
{
    Change(FTickInnerLength, value);
}
void TCustomChartAxis::SetTickLength(int value)
{
    Change(FTickLength, value);
}
void TCustomChartAxis::SetTickOnLabelsOnly(bool value)
{
    Change(FTickOnLabelsOnly, value);
}
void TCustomChartAxis::SetTicks(const TChartPen* value)
{
    FTicks->Assign(value);
}
void TCustomChartAxis::SetTicksInner(const TChartPen* value)
{
    FTicksInner->Assign(value);
}
void TCustomChartAxis::SetTitle(const TChartAxisTitle* value)
{
    FTitle->Assign(value);
}
void TCustomChartAxis::SetTitleSize(int value)
{
    Change(FTitleSize, value);
}
void TCustomChartAxis::SetVisible(bool value)
{
    Change(FVisible, value);
}

void TCustomChartAxis::SetDefaultTitleAngle(int value)
{
    FDefaultTitleAngle = value;
    FTitle->SetAngle(value);
}

bool TCustomChartAxis::ComputeIsDateTimeScale() const
{
    return FHost != nullptr && FHost->AxisShowsDateTime(this);
}

void TCustomChartAxis::ComputeAutoRange()
{
    if (FAutomatic || FAutomaticMaximum)
        FMaximum = FHost != nullptr ? FHost->SeriesValueExtent(this, true, IsHorizontal) : 0.0;
    if (FAutomatic || FAutomaticMinimum)
        FMinimum = FHost != nullptr ? FHost->SeriesValueExtent(this, false, IsHorizontal) : 0.0;
    EffectiveMaximum = FMaximum;
    EffectiveMinimum = FMinimum;
    EffectiveSpan = EffectiveMaximum - EffectiveMinimum;
}

void TCustomChartAxis::PlaceOnChartRect()
{
    TRect rect;
    if (FPanel != nullptr) rect = FPanel->ChartRect();
    const int origin = IsHorizontal ? rect.Left : rect.Top;
    const long double extent = IsHorizontal ? rect.Width() : rect.Height();
    Place(origin, extent, FStartPosition, FEndPosition);
}

void TCustomChartAxis::ApplySeriesMargins(int startMargin, int endMargin)
{
    const int s = StartPixel;
    const int e = EndPixel;
    StartPixel = s + startMargin;
    EndPixel = e - endMargin;
    PixelLength = EndPixel - StartPixel;
    const double v1 = PixelToValue(s);
    const double v2 = PixelToValue(e);
    PlaceOnChartRect();
    EffectiveMinimum = std::min(v1, v2);
    EffectiveMaximum = std::max(v1, v2);
    EffectiveSpan = EffectiveMaximum - EffectiveMinimum;
}

void TCustomChartAxis::SetAxisRange(double low, double high)
{
    FAutomatic = false;
    FAutomaticMinimum = false;
    FAutomaticMaximum = false;
    if (low > high) std::swap(low, high);
    Change(FMinimum, low);
    Change(FMaximum, high);
    if (FMaximum - FMinimum < 1E-10) Change(FMaximum, FMinimum + 1E-10);
}

void TCustomChartAxis::ScrollAxis(double offset, bool limitCheck)
{
    bool shift = !limitCheck;
    if (limitCheck && FHost != nullptr) {
        if (offset > 0)
            shift = FHost->SeriesValueExtent(this, true, IsHorizontal) > FMaximum;
        else if (offset < 0)
            shift = FHost->SeriesValueExtent(this, false, IsHorizontal) < FMinimum;
    }
    if (!shift) return;
    FAutomatic = false;
    FAutomaticMaximum = false;
    FMaximum += offset;
    FAutomaticMinimum = false;
    FMinimum += offset;
    if (FPanel != nullptr) FPanel->RepaintNow();
}

void TCustomChartAxis::CopyAxisFrom(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TCustomChartAxis*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    FAxis->Assign(other->FAxis.get());
    FLabels = other->FLabels;
    FLabelsAngle = other->FLabelsAngle;
    FLabelsFont->Assign(other->FLabelsFont.get());
    FLabelsMultiLine = other->FLabelsMultiLine;
    FLabelsSeparation = other->FLabelsSeparation;
    FLabelsSize = other->FLabelsSize;
    FLabelStyle = other->FLabelStyle;
    FLabelsOnAxis = other->FLabelsOnAxis;
    FTicks->Assign(other->FTicks.get());
    FTicksInner->Assign(other->FTicksInner.get());
    FTitleSize = other->FTitleSize;
    FGrid->Assign(other->FGrid.get());
    FMinorTicks->Assign(other->FMinorTicks.get());
    FMinorGrid->Assign(other->FMinorGrid.get());
    FTickLength = other->FTickLength;
    FMinorTickLength = other->FMinorTickLength;
    FMinorTickCount = other->FMinorTickCount;
    FTickInnerLength = other->FTickInnerLength;
    FAxisValuesFormat = other->FAxisValuesFormat;
    FIncrement = other->FIncrement;
    FMaximum = other->FMaximum;
    FMinimum = other->FMinimum;
    FAutomatic = other->FAutomatic;
    FAutomaticMaximum = other->FAutomaticMaximum;
    FAutomaticMinimum = other->FAutomaticMinimum;
    FTitle->Assign(other->FTitle.get());
    FDateTimeFormat = other->FDateTimeFormat;
    FGridCentered = other->FGridCentered;
    FLogarithmic = other->FLogarithmic;
    FLogarithmicBase = other->FLogarithmicBase;
    InvertedScale = other->InvertedScale;
    FExactDateTime = other->FExactDateTime;
    FRoundFirstLabel = other->FRoundFirstLabel;
    FTickOnLabelsOnly = other->FTickOnLabelsOnly;
    FIsDepthAxis = other->FIsDepthAxis;
    FStartPosition = other->FStartPosition;
    FEndPosition = other->FEndPosition;
    FPositionPercent = other->FPositionPercent;
    FVisible = other->FVisible;
    IsHorizontal = other->IsHorizontal;
    FarSide = other->FarSide;
}

void TCustomChartAxis::Assign(const TPersistent* source)
{
    CopyAxisFrom(source);
}

TChartAxis::TChartAxis(TChartPartsHost* chart, bool isHorizontal, bool farSide)
    : TCustomChartAxis(chart)
{
    IsHorizontal = isHorizontal;
    FarSide = farSide;
    if (!isHorizontal) SetDefaultTitleAngle(farSide ? 270 : 90);
}

TChartDepthAxis::TChartDepthAxis(TChartPartsHost* chart) : TCustomChartAxis(chart)
{
    IsHorizontal = false;
    FarSide = true;
    SetVisibleDefault(false);
    SetIsDepthAxis(true);
}
