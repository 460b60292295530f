#include "chart/ChartEngine.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace {

// Round half to even, the mode the FPU is left in.
long long RoundHalfEven(long double value)
{
    return static_cast<long long>(std::nearbyint(value));
}

int ClampToInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

const std::string& EmptyText()
{
    static const std::string empty;
    return empty;
}

// Colours handed out by index when a series colours each point on its own.
constexpr TColor kPointPalette[] = {clRed,     clGreen,  clYellow, clBlue,   clWhite, clGray,
                                    clFuchsia, clTeal,   clNavy,   clMaroon, clLime,  clOlive,
                                    clPurple,  clSilver, clAqua,   clBlack};

} // namespace

void ApplyChartDefaultFont(TFont& font)
{
    font.SetName("Arial");
    font.SetSize(8);
    font.SetColor(clBlack);
    font.SetStyle(0);
}

// ---------------------------------------------------------------------------
// TChartValueList

TChartValueList::TChartValueList(TChartSeries* owner, const std::string& name)
    : FName(name), FOwner(owner)
{
    if (FOwner != nullptr) FOwner->RegisterValueList(this);
}

void TChartValueList::CheckIndex(int index, std::size_t count) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= count)
        throw EListError::IndexOutOfBounds(index);
}

void TChartValueList::Modified()
{
    FStatsStale = true;
}

double TChartValueList::ValueAt(int index) const
{
    CheckIndex(index, FValues.size());
    return FValues[static_cast<size_t>(index)] * FMultiplier;
}

void TChartValueList::SetValueAt(int index, double value)
{
    CheckIndex(index, FValues.size());
    FValues[static_cast<size_t>(index)] = value;
    Modified();
    if (FOwner != nullptr && FOwner->Active()) FOwner->RequestRepaint();
}

void TChartValueList::RemoveAllValues()
{
    FValues.clear();
    Modified();
}

std::size_t TChartValueList::PlaceBefore(double value) const
{
    // Scans back from the end: data added nearly in order land close to it.
    std::size_t i = FValues.size();
    if (FOrder == loAscending) {
        while (i > 0 && FValues[i - 1] > value)
            --i;
    } else {
        while (i > 0 && FValues[i - 1] < value)
            --i;
    }
    return i;
}

void TChartValueList::PutValue(std::size_t index, double value)
{
    try {
        if (index == FValues.size())
            FValues.push_back(value);
        else
            FValues.insert(index, value);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
    Modified();
}

int TChartValueList::AddValue(double value)
{
    const std::size_t index = AppendsInOrder(value) ? FValues.size() : PlaceBefore(value);
    PutValue(index, value);
    return static_cast<int>(index);
}

void TChartValueList::InsertValue(int index, double value)
{
    CheckIndex(index, FValues.size() + 1);
    PutValue(static_cast<std::size_t>(index), value);
}

void TChartValueList::RemoveValue(int index)
{
    CheckIndex(index, FValues.size());
    FValues.erase(static_cast<std::size_t>(index));
    Modified();
}

void TChartValueList::RotateValues()
{
    if (FValues.size() < 2) return;
    std::rotate(FValues.begin(), FValues.begin() + 1, FValues.end());
    Modified();
}

void TChartValueList::RecalcStats() const
{
    FLowestValue = FHighestValue = FSumOfValues = FSumOfAbsValues = 0;
    if (!FValues.empty()) {
        double v = FValues[0] * FMultiplier;
        FLowestValue = FHighestValue = FSumOfValues = v;
        FSumOfAbsValues = std::fabs(v);
        for (size_t i = 1; i < FValues.size(); ++i) {
            v = FValues[i] * FMultiplier;
            if (v < FLowestValue)
                FLowestValue = v;
            else if (v > FHighestValue)
                FHighestValue = v;
            FSumOfValues += v;
            FSumOfAbsValues += std::fabs(v);
        }
    }
    FStatsStale = false;
}

double TChartValueList::LowestValue() const
{
    if (FStatsStale) RecalcStats();
    return FLowestValue;
}

double TChartValueList::HighestValue() const
{
    if (FStatsStale) RecalcStats();
    return FHighestValue;
}

double TChartValueList::SumOfValues() const
{
    if (FStatsStale) RecalcStats();
    return FSumOfValues;
}

double TChartValueList::SumOfAbsValues() const
{
    if (FStatsStale) RecalcStats();
    return FSumOfAbsValues;
}

void TChartValueList::SetDateTime(bool value)
{
    if (FDateTime == value) return;
    FDateTime = value;
    if (FOwner != nullptr) FOwner->RequestRepaint();
}

void TChartValueList::SetMultiplier(double value)
{
    if (FMultiplier == value) return;
    FMultiplier = value;
    FStatsStale = true;
    if (FOwner != nullptr) FOwner->RequestRepaint();
}

void TChartValueList::SetValueSource(const std::string& value)
{
    // No series here is fed from a data source, so there is nothing to refill.
    FValueSource = value;
}

void TChartValueList::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TChartValueList*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    SetDateTime(other->FDateTime);
    SetName(other->FName);
    SetMultiplier(other->FMultiplier);
    SetOrder(other->FOrder);
    SetValueSource(other->FValueSource);
}

// ---------------------------------------------------------------------------
// TSeriesMarks

void TSeriesMarks::SetVisible(bool value)
{
    if (FVisible == value) return;
    FVisible = value;
    if (FSeries != nullptr) FSeries->RequestRepaint();
}

void TSeriesMarks::SetArrowLength(int value)
{
    if (FArrowLength == value) return;
    FArrowLength = value;
    if (FSeries != nullptr) FSeries->RequestRepaint();
}

void TSeriesMarks::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TSeriesMarks*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    SetVisible(other->FVisible);
    SetArrowLength(other->FArrowLength);
}

// ---------------------------------------------------------------------------
// TChartSeries

TChartSeries::TChartSeries(TComponent* owner) : TComponent(owner)
{
    FMarks = std::make_unique<TSeriesMarks>(this);
    FXValues = std::make_unique<TChartValueList>(this, "X");
    FXValues->SetOrder(loAscending);
    FYValues = std::make_unique<TChartValueList>(this, "Y");
}

TChartSeries::~TChartSeries()
{
    ClearPoints();
    SetParentChart(nullptr);
}

inline void TChartSeries::NotifyAdded(int index)
{
    if (OnAfterAdd) OnAfterAdd(this, index);
    if (FActive) RequestRepaint();
}

int TChartSeries::AddPoint(double x, double y, const std::string& label, TColor color)
{
    FXValues->SetPendingValue(x);
    FYValues->SetPendingValue(y);
    if (OnBeforeAdd && !OnBeforeAdd(this)) return -1;

    // The columns are plain value lists (see FXValues), so their own operations are called
    // directly: no dispatch per point.
    TChartValueList& xs = *FXValues;
    TChartValueList& ys = *FYValues;
    const size_t count = xs.FValues.size();
    if (color == clSeriesDefault && label.empty() && FColors.empty() && FLabels.empty() &&
        ys.FValues.size() == count && xs.AppendsInOrder(xs.PendingValue())) {
        // The common case, points in order without colour or label: both columns append.
        xs.AppendValue(xs.PendingValue());
        try {
            ys.AppendValue(ys.PendingValue());
        } catch (...) {
            xs.FValues.erase(count);
            throw;
        }
        NotifyAdded(static_cast<int>(count));
        return static_cast<int>(count);
    }
    return InsertPendingPoint(label, color);
}

int TChartSeries::InsertPendingPoint(const std::string& label, TColor color)
{
    TChartValueList& xs = *FXValues;
    TChartValueList& ys = *FYValues;
    const size_t countBefore = ys.StoredValues().size();
    const int index = xs.TChartValueList::AddValue(xs.PendingValue());
    // Keeps the columns in step when a later column cannot grow.
    auto rollBack = [&] {
        if (FLabels.size() > countBefore) FLabels.erase(FLabels.begin() + index);
        if (FColors.size() > countBefore) FColors.erase(FColors.begin() + index);
        if (static_cast<size_t>(FYValues->ValueCount()) > countBefore) FYValues->RemoveValue(index);
        FXValues->RemoveValue(index);
    };
    try {
        ys.TChartValueList::InsertValue(index, ys.PendingValue());
        if (color != clSeriesDefault || !FColors.empty()) {
            // The colour column comes into being with the first point that has its own.
            if (FColors.empty()) FColors.assign(countBefore, clSeriesDefault);
            FColors.insert(FColors.begin() + index, color);
        }
        if (!label.empty() || !FLabels.empty()) {
            if (FLabels.empty()) FLabels.resize(countBefore);
            FLabels.insert(FLabels.begin() + index, label);
        }
    } catch (const std::bad_alloc&) {
        rollBack();
        throw EOutOfMemory();
    } catch (...) {
        rollBack();
        throw;
    }
    NotifyAdded(index);
    return index;
}

void TChartSeries::ClearPoints()
{
    for (TChartValueList* list : FValueLists)
        list->RemoveAllValues();
    std::vector<TColor>().swap(FColors);
    std::vector<std::string>().swap(FLabels);
    FMarks->ClearPositions();
    if (OnClearValues) OnClearValues(this);
    if (FActive && FParentChart != nullptr && !FParentChart->IsDestroying()) RequestRepaint();
}

void TChartSeries::DeletePoint(int index)
{
    FXValues->RemoveValue(index);
    FYValues->RemoveValue(index);
    if (!FColors.empty()) FColors.erase(FColors.begin() + index);
    if (!FLabels.empty()) FLabels.erase(FLabels.begin() + index);
    if (FActive) RequestRepaint();
}

TColor TChartSeries::StoredPointColor(int index) const
{
    if (index < 0 || index >= PointCount()) throw EListError::IndexOutOfBounds(index);
    return FColors.empty() ? clSeriesDefault : FColors[static_cast<size_t>(index)];
}

TColor TChartSeries::PointColor(int index) const
{
    if (index < 0 || index >= PointCount()) return FSeriesColor;
    const TColor stored = FColors.empty() ? clSeriesDefault : FColors[static_cast<size_t>(index)];
    if (stored != clSeriesDefault) return stored;
    if (FColorEachPoint) {
        constexpr size_t n = sizeof(kPointPalette) / sizeof(kPointPalette[0]);
        return kPointPalette[static_cast<size_t>(index) % n];
    }
    return FSeriesColor;
}

const std::string& TChartSeries::PointLabel(int index) const
{
    if (index < 0 || index >= PointCount()) throw EListError::IndexOutOfBounds(index);
    return FLabels.empty() ? EmptyText() : FLabels[static_cast<size_t>(index)];
}

void TChartSeries::SetActive(bool value)
{
    if (FActive == value) return;
    FActive = value;
    RequestRepaint();
}

void TChartSeries::SetSeriesColor(TColor value)
{
    if (FSeriesColor == value) return;
    FSeriesColor = value;
    RequestRepaint();
}

void TChartSeries::SetColorEachPoint(bool value)
{
    if (FColorEachPoint == value) return;
    FColorEachPoint = value;
    RequestRepaint();
}

void TChartSeries::SetHorizAxis(THorizAxis value)
{
    if (FHorizAxis == value) return;
    FHorizAxis = value;
    RequestRepaint();
}

void TChartSeries::SetVertAxis(TVertAxis value)
{
    if (FVertAxis == value) return;
    FVertAxis = value;
    RequestRepaint();
}

// No custom axes exist, so the custom choices map through the default axes.
TCustomChartAxis* TChartSeries::HorizAxisObject() const
{
    if (FParentChart == nullptr) return nullptr;
    if (FHorizAxis == aTopAxis) return FParentChart->TopAxis();
    return FParentChart->BottomAxis();
}

TCustomChartAxis* TChartSeries::VertAxisObject() const
{
    if (FParentChart == nullptr) return nullptr;
    if (FVertAxis == aRightAxis) return FParentChart->RightAxis();
    return FParentChart->LeftAxis();
}

bool TChartSeries::AssociatedToAxis(const TCustomChartAxis* axis) const
{
    if (axis == nullptr || !UsesAxes()) return false;
    if (axis->IsHorizontal) return FHorizAxis == aBothHorizAxis || HorizAxisObject() == axis;
    return FVertAxis == aBothVertAxis || VertAxisObject() == axis;
}

void TChartSeries::SetParentChart(TCustomAxisPanel* chart)
{
    if (chart == FParentChart) return;
    if (FParentChart != nullptr) {
        TCustomAxisPanel* old = FParentChart;
        FParentChart = nullptr;
        old->RemoveSeriesFromList(this);
        if (!old->IsDestroying()) old->RequestRepaint();
    }
    FParentChart = chart;
    if (FParentChart != nullptr) {
        FParentChart->InsertSeriesInList(this);
        FParentChart->RequestRepaint();
    }
}

void TChartSeries::RequestRepaint()
{
    if (FParentChart != nullptr) FParentChart->RequestRepaint();
}

void TChartSeries::ComputeDrawnRange()
{
    FFirstDrawnIndex = -1;
    FLastDrawnIndex = -1;
    const int count = PointCount();
    if (count == 0) return;
    const int last = count - 1;
    const TCustomChartAxis* axis = HorizAxisObject();
    if (!FLimitToVisible || FXValues->Order() == loNone || axis == nullptr) {
        FFirstDrawnIndex = 0;
        FLastDrawnIndex = last;
        return;
    }
    const TRect& rect = FParentChart->ChartRect();
    const double low = axis->PixelToValue(axis->Inverted() ? rect.Right : rect.Left);
    const double high = axis->PixelToValue(axis->Inverted() ? rect.Left : rect.Right);

    int first = 0;
    while (PointX(first) < low) {
        if (++first > last) return;
    }
    FFirstDrawnIndex = first;
    if (FXValues->LastValue() <= high) {
        FLastDrawnIndex = last;
        return;
    }
    int lastDrawn = first;
    while (PointX(lastDrawn) < high) {
        if (++lastDrawn > last) {
            lastDrawn = last;
            break;
        }
    }
    if (!FIncludeNextOutside && PointX(lastDrawn) > high) --lastDrawn;
    FLastDrawnIndex = lastDrawn;
}

void TChartSeries::PaintAllPoints()
{
    if (FFirstDrawnIndex < 0) return;
    if (DrawValuesForward()) {
        for (int i = FFirstDrawnIndex; i <= FLastDrawnIndex; ++i)
            PaintPoint(i);
    } else {
        for (int i = FLastDrawnIndex; i >= FFirstDrawnIndex; --i)
            PaintPoint(i);
    }
}

void TChartSeries::PaintPoint(int index)
{
    (void)index;
}

int TChartSeries::XPixel(int index) const
{
    return HorizAxisObject()->ValueToPixel(PointX(index));
}

int TChartSeries::YPixel(int index) const
{
    return VertAxisObject()->ValueToPixel(PointY(index));
}

void TChartSeries::CalcHorizMargins(int& left, int& right) const
{
    left = 0;
    right = 0;
}

void TChartSeries::CalcVerticalMargins(int& top, int& bottom) const
{
    top = 0;
    bottom = 0;
}

int TChartSeries::Clicked(int x, int y) const
{
    (void)x;
    (void)y;
    return -1;
}

// ---------------------------------------------------------------------------
// TSeriesBatch

TSeriesBatch::TSeriesBatch(TChartSeries& series) : FSeries(series), FOrder(series.FXValues->Order())
{
    const TValueBuffer& xs = series.FXValues->FValues;
    FDirect = series.OnBeforeAdd || series.OnAfterAdd || !series.FColors.empty() ||
              !series.FLabels.empty() || series.FYValues->FValues.size() != xs.size();
    if (FDirect || FOrder == loNone) return;
    FRunStart = xs.size();
    while (FRunStart > 0 && !std::isnan(xs[FRunStart - 1]))
        --FRunStart;
    // Stored values out of order (placed by index, or under another order) make AddPoint's
    // scan something other than a binary search: those series take the plain way.
    for (std::size_t i = FRunStart; i + 1 < xs.size(); ++i)
        if (!InOrder(xs[i], xs[i + 1])) {
            FDirect = true;
            return;
        }
}

bool TSeriesBatch::InOrder(double a, double b) const
{
    return FOrder == loAscending ? a <= b : a >= b;
}

void TSeriesBatch::Add(double x, double y)
{
    static const std::string noLabel;
    if (FDirect) {
        FSeries.AddPoint(x, y, noLabel, clSeriesDefault);
        return;
    }
    TChartValueList& xs = *FSeries.FXValues;
    TChartValueList& ys = *FSeries.FYValues;
    const std::size_t count = xs.FValues.size();
    // AddPoint puts a NaN at the end and never scans back past it: the run before it is final.
    const bool barrier = FOrder != loNone && std::isnan(x);
    if (barrier) End();
    xs.AppendValue(x);
    try {
        ys.AppendValue(y);
    } catch (...) {
        xs.FValues.erase(count);
        throw;
    }
    if (barrier)
        FRunStart = count + 1;
    else if (FOrder != loNone && count > FRunStart && !InOrder(xs.FValues[count - 1], x))
        FRunUnordered = true;
    if (FSeries.FActive) FSeries.RequestRepaint();
}

void TSeriesBatch::End() noexcept
{
    if (!FRunUnordered) return;
    FRunUnordered = false;
    TValueBuffer& xs = FSeries.FXValues->FValues;
    TValueBuffer& ys = FSeries.FYValues->FValues;
    const std::size_t start = FRunStart;
    const std::size_t n = xs.size() - start;
    const bool ascending = FOrder == loAscending;
    // Inserting each point after the last one not beyond it, as AddPoint does, is a stable
    // sort of the run.
    try {
        std::vector<uint32_t> order(n);
        for (std::size_t i = 0; i < n; ++i)
            order[i] = static_cast<uint32_t>(i);
        const double* run = xs.data() + start;
        std::stable_sort(order.begin(), order.end(), [run, ascending](uint32_t a, uint32_t b) {
            return ascending ? run[a] < run[b] : run[a] > run[b];
        });
        std::vector<double> moved(n);
        for (TValueBuffer* column : {&xs, &ys}) {
            double* values = column->data() + start;
            for (std::size_t i = 0; i < n; ++i)
                moved[i] = values[order[i]];
            std::copy(moved.begin(), moved.end(), values);
        }
    } catch (const std::bad_alloc&) {
        // No room for the sort's index: AddPoint's own rule, in place.
        for (std::size_t j = start + 1; j < xs.size(); ++j) {
            const double v = xs[j];
            std::size_t i = j;
            while (i > start && (ascending ? xs[i - 1] > v : xs[i - 1] < v))
                --i;
            std::rotate(xs.begin() + i, xs.begin() + j, xs.begin() + j + 1);
            std::rotate(ys.begin() + i, ys.begin() + j, ys.begin() + j + 1);
        }
    }
    FSeries.FXValues->Modified();
    FSeries.FYValues->Modified();
}

// ---------------------------------------------------------------------------
// TChartFontObject, TChartAxisTitle

TChartFontObject::TChartFontObject(TCustomAxisPanel* chart)
    : FParentChart(chart), FFont(std::make_unique<TFont>())
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
    if (FParentChart != nullptr) FParentChart->RequestRepaint();
}

TChartAxisTitle::TChartAxisTitle(TCustomAxisPanel* chart, TCustomChartAxis* axis)
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
    if (FAngle == value) return;
    FAngle = value;
    Repaint();
}

void TChartAxisTitle::SetCaption(const std::string& value)
{
    if (FCaption == value) return;
    FCaption = value;
    Repaint();
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

// ---------------------------------------------------------------------------
// TCustomChartAxis

TCustomChartAxis::TCustomChartAxis(TCustomAxisPanel* chart) : FParentChart(chart)
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
    if (FParentChart != nullptr) FParentChart->RegisterAxis(this);
}

TCustomChartAxis::~TCustomChartAxis() = default;

template <class T> void TCustomChartAxis::Change(T& field, const T& value)
{
    if (field == value) return;
    field = value;
    Repaint();
}

void TCustomChartAxis::Repaint()
{
    if (FParentChart != nullptr) FParentChart->RequestRepaint();
}

bool TCustomChartAxis::ChartLoading() const
{
    return FParentChart != nullptr && FParentChart->IsLoading();
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
    Change(FInverted, value);
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
    if (FLabelStyle == value) return;
    FLabelStyle = value;
    if (FParentChart != nullptr) FParentChart->RepaintNow();
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
    if (FParentChart == nullptr) return false;
    for (const TChartSeries* series : FParentChart->SeriesList()) {
        if (!series->Active() || !series->AssociatedToAxis(this)) continue;
        const bool alongX = series->XValuesHorizontal() == IsHorizontal;
        return alongX ? series->XValues()->DateTime() : series->YValues()->DateTime();
    }
    return false;
}

void TCustomChartAxis::ComputeAutoRange()
{
    if (FAutomatic || FAutomaticMaximum)
        FMaximum = FParentChart != nullptr
                       ? FParentChart->SeriesValueExtent(this, true, IsHorizontal)
                       : 0.0;
    if (FAutomatic || FAutomaticMinimum)
        FMinimum = FParentChart != nullptr
                       ? FParentChart->SeriesValueExtent(this, false, IsHorizontal)
                       : 0.0;
    EffectiveMaximum = FMaximum;
    EffectiveMinimum = FMinimum;
    EffectiveSpan = EffectiveMaximum - EffectiveMinimum;
}

void TCustomChartAxis::PlaceOnChartRect()
{
    TRect rect;
    if (FParentChart != nullptr) rect = FParentChart->ChartRect();
    const int origin = IsHorizontal ? rect.Left : rect.Top;
    const long double extent = IsHorizontal ? rect.Width() : rect.Height();
    const long double onePercent = 0.01L;
    StartPixel = ClampToInt(origin + RoundHalfEven(extent * onePercent * FStartPosition));
    EndPixel = ClampToInt(origin + RoundHalfEven(extent * onePercent * FEndPosition));
    PixelLength = EndPixel - StartPixel;
    CenterPixel = static_cast<int>((static_cast<long long>(StartPixel) + EndPixel) / 2);
}

int TCustomChartAxis::ValueToPixel(double value) const
{
    if (EffectiveSpan == 0) return CenterPixel;
    const double t = static_cast<double>((static_cast<long double>(value) - EffectiveMinimum) *
                                         PixelLength / EffectiveSpan);
    // Also catches NaN, which no pixel can stand for.
    if (!(std::fabs(t) < 2147483647.0)) return CenterPixel;
    const long long offset = RoundHalfEven(t);
    const bool fromEnd = IsHorizontal ? FInverted : !FInverted;
    return ClampToInt(fromEnd ? EndPixel - offset : StartPixel + offset);
}

double TCustomChartAxis::PixelToValue(int pixel) const
{
    if (PixelLength < 1) return 0;
    long double d = FInverted ? static_cast<long double>(EndPixel) - pixel
                              : static_cast<long double>(pixel) - StartPixel;
    d = d * EffectiveSpan / PixelLength;
    return static_cast<double>(IsHorizontal ? EffectiveMinimum + d : EffectiveMaximum - d);
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
    if (limitCheck && FParentChart != nullptr) {
        if (offset > 0)
            shift = FParentChart->SeriesValueExtent(this, true, IsHorizontal) > FMaximum;
        else if (offset < 0)
            shift = FParentChart->SeriesValueExtent(this, false, IsHorizontal) < FMinimum;
    }
    if (!shift) return;
    FAutomatic = false;
    FAutomaticMaximum = false;
    FMaximum += offset;
    FAutomaticMinimum = false;
    FMinimum += offset;
    if (FParentChart != nullptr) FParentChart->RepaintNow();
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
    FInverted = other->FInverted;
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

TChartAxis::TChartAxis(TCustomAxisPanel* chart, bool isHorizontal, bool farSide)
    : TCustomChartAxis(chart)
{
    IsHorizontal = isHorizontal;
    FarSide = farSide;
    if (!isHorizontal) SetDefaultTitleAngle(farSide ? 270 : 90);
}

TChartDepthAxis::TChartDepthAxis(TCustomAxisPanel* chart) : TCustomChartAxis(chart)
{
    IsHorizontal = false;
    FarSide = true;
    SetVisibleDefault(false);
    SetIsDepthAxis(true);
}

// ---------------------------------------------------------------------------
// TCustomAxisPanel

TCustomAxisPanel::TCustomAxisPanel(TComponent* owner) : TCustomChartPanelExtended(owner)
{
    // Each axis appends itself to FAxesList, so this order is the list order.
    FBottomAxis = new TChartAxis(this, true, false);
    FTopAxis = new TChartAxis(this, true, true);
    FLeftAxis = new TChartAxis(this, false, false);
    FRightAxis = new TChartAxis(this, false, true);
    FDepthAxis = new TChartDepthAxis(this);
}

TCustomAxisPanel::~TCustomAxisPanel()
{
    MarkDestroying();
    // A series detaches itself (and leaves the list) as it is freed.
    while (!FSeriesList.empty())
        delete FSeriesList.back();
    for (TCustomChartAxis* axis : FAxesList)
        delete axis;
    FAxesList.clear();
}

TChartSeries* TCustomAxisPanel::Series(int index) const
{
    if (index < 0 || index >= SeriesCount()) throw EListError::IndexOutOfBounds(index);
    return FSeriesList[static_cast<size_t>(index)];
}

void TCustomAxisPanel::AddSeries(TChartSeries* series)
{
    if (series != nullptr) series->SetParentChart(this);
}

void TCustomAxisPanel::RemoveSeries(TChartSeries* series)
{
    if (series != nullptr && series->ParentChart() == this) series->SetParentChart(nullptr);
}

void TCustomAxisPanel::InsertSeriesInList(TChartSeries* series)
{
    if (std::find(FSeriesList.begin(), FSeriesList.end(), series) == FSeriesList.end())
        FSeriesList.push_back(series);
}

void TCustomAxisPanel::RemoveSeriesFromList(TChartSeries* series)
{
    FSeriesList.erase(std::remove(FSeriesList.begin(), FSeriesList.end(), series),
                      FSeriesList.end());
}

int TCustomAxisPanel::CountActiveSeries() const
{
    return static_cast<int>(std::count_if(FSeriesList.begin(), FSeriesList.end(),
                                          [](const TChartSeries* s) { return s->Active(); }));
}

void TCustomAxisPanel::SetBottomAxis(const TCustomChartAxis* value)
{
    FBottomAxis->Assign(value);
}
void TCustomAxisPanel::SetTopAxis(const TCustomChartAxis* value)
{
    FTopAxis->Assign(value);
}
void TCustomAxisPanel::SetLeftAxis(const TCustomChartAxis* value)
{
    FLeftAxis->Assign(value);
}
void TCustomAxisPanel::SetRightAxis(const TCustomChartAxis* value)
{
    FRightAxis->Assign(value);
}
void TCustomAxisPanel::SetDepthAxis(const TCustomChartAxis* value)
{
    FDepthAxis->Assign(value);
}

void TCustomAxisPanel::SetView3DWalls(bool value)
{
    if (FView3DWalls == value) return;
    FView3DWalls = value;
    RequestRepaint();
}

void TCustomAxisPanel::SetClipPoints(bool value)
{
    if (FClipPoints == value) return;
    FClipPoints = value;
    RequestRepaint();
}

void TCustomAxisPanel::SetAxisVisible(bool value)
{
    if (FAxisVisible == value) return;
    FAxisVisible = value;
    RequestRepaint();
}

void TCustomAxisPanel::SetMaxPointsPerPage(int value)
{
    if (value < 0) throw ChartException("MaxPointsPerPage must be >= 0");
    if (FMaxPointsPerPage == value) return;
    FMaxPointsPerPage = value;
    RequestRepaint();
}

void TCustomAxisPanel::SetPage(int value)
{
    if (FPage == value) return;
    FPage = value;
    RequestRepaint();
    if (OnPageChange) OnPageChange(this);
}

void TCustomAxisPanel::SetScaleLastPage(bool value)
{
    if (FScaleLastPage == value) return;
    FScaleLastPage = value;
    RequestRepaint();
}

namespace {

// The association test for one direction, as the extent query asks it.
bool AssociatedInDirection(const TChartSeries* series, const TCustomChartAxis* axis,
                           bool horizontal)
{
    if (!series->UsesAxes()) return false;
    if (horizontal)
        return series->HorizAxis() == aBothHorizAxis || series->HorizAxisObject() == axis;
    return series->VertAxis() == aBothVertAxis || series->VertAxisObject() == axis;
}

} // namespace

double TCustomAxisPanel::SeriesValueExtent(const TCustomChartAxis* axis, bool wantLargest,
                                           bool horizontal) const
{
    bool anyActive = false;
    for (const TChartSeries* series : FSeriesList) {
        if (series->Active() && AssociatedInDirection(series, axis, horizontal)) {
            anyActive = true;
            break;
        }
    }
    double result = 0;
    bool found = false;
    for (const TChartSeries* series : FSeriesList) {
        if (!(series->Active() || !anyActive) || series->PointCount() == 0 ||
            !AssociatedInDirection(series, axis, horizontal))
            continue;
        const double value = horizontal ? (wantLargest ? series->HighestX() : series->LowestX())
                                        : (wantLargest ? series->HighestY() : series->LowestY());
        if (!found || (wantLargest ? value > result : value < result)) result = value;
        found = true;
    }
    return result;
}

double TCustomAxisPanel::MinXValue(const TCustomChartAxis* axis) const
{
    return SeriesValueExtent(axis, false, true);
}

double TCustomAxisPanel::MaxXValue(const TCustomChartAxis* axis) const
{
    return SeriesValueExtent(axis, true, true);
}

double TCustomAxisPanel::MinYValue(const TCustomChartAxis* axis) const
{
    return SeriesValueExtent(axis, false, false);
}

double TCustomAxisPanel::MaxYValue(const TCustomChartAxis* axis) const
{
    return SeriesValueExtent(axis, true, false);
}

bool TCustomAxisPanel::IsAxisShown(const TCustomChartAxis* axis) const
{
    if (!FAxisVisible || !axis->Visible()) return false;
    if (axis->IsDepthAxis()) return View3D();
    bool anyUsesAxes = false;
    for (const TChartSeries* series : FSeriesList) {
        if (!series->Active() || !series->UsesAxes()) continue;
        anyUsesAxes = true;
        if (series->AssociatedToAxis(axis)) return true;
    }
    return !anyUsesAxes;
}

int TCustomAxisPanel::TextBlockWidth(const std::string& text, int& lines) const
{
    lines = 0;
    int widest = 0;
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\r', start);
        const std::string line =
            text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        ++lines;
        if (!line.empty()) widest = std::max(widest, Canvas3D()->MeasureTextWidth(line));
        if (end == std::string::npos) break;
        start = end + 1;
        // A separator at the very end starts no further line.
        if (start == text.size()) break;
    }
    return widest;
}
