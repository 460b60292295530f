#include "chart/ChartSeries.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "chart/ChartAxis.h"
#include "chart/ChartPanel.h"
#include "chart/StoreChanged.h"

namespace {

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

void TSeriesMarks::SetVisible(bool value)
{
    if (StoreChanged(FVisible, value))
        if (FSeries != nullptr) FSeries->RequestRepaint();
}

void TSeriesMarks::SetArrowLength(int value)
{
    if (StoreChanged(FArrowLength, value))
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

TChartSeries::TChartSeries(TComponent* owner) : TComponent(owner)
{
    FMarks = std::make_unique<TSeriesMarks>(this);
    FXValues = std::make_unique<TChartValueList>(this, "X");
    FXValues->SetOrder(loAscending);
    FYValues = std::make_unique<TChartValueList>(this, "Y");
    for (TChartValueList* list : {FXValues.get(), FYValues.get()}) {
        FValueLists.push_back(list);
        list->OnChanged = [this](bool forValue) {
            if (!forValue || FActive) RequestRepaint();
        };
    }
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
            xs.Modified();
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
    if (FActive && FPanel != nullptr && !FPanel->IsDestroying()) RequestRepaint();
}

void TChartSeries::Reserve(int count)
{
    if (count <= 0) return;
    try {
        FXValues->FValues.reserve(static_cast<std::size_t>(count));
        FYValues->FValues.reserve(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
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
    if (StoreChanged(FActive, value)) RequestRepaint();
}

void TChartSeries::SetSeriesColor(TColor value)
{
    if (StoreChanged(FSeriesColor, value)) RequestRepaint();
}

void TChartSeries::SetColorEachPoint(bool value)
{
    if (StoreChanged(FColorEachPoint, value)) RequestRepaint();
}

void TChartSeries::SetHorizAxis(THorizAxis value)
{
    if (StoreChanged(FHorizAxis, value)) RequestRepaint();
}

void TChartSeries::SetVertAxis(TVertAxis value)
{
    if (StoreChanged(FVertAxis, value)) RequestRepaint();
}

// No custom axes exist, so the custom choices map through the default axes.
TCustomChartAxis* TChartSeries::HorizAxisObject() const
{
    if (FHost == nullptr) return nullptr;
    return FHost->SideAxis(true, FHorizAxis == aTopAxis);
}

TCustomChartAxis* TChartSeries::VertAxisObject() const
{
    if (FHost == nullptr) return nullptr;
    return FHost->SideAxis(false, FVertAxis == aRightAxis);
}

bool TChartSeries::AssociatedToAxis(const TCustomChartAxis* axis) const
{
    if (axis == nullptr || !UsesAxes()) return false;
    if (axis->IsHorizontal) return FHorizAxis == aBothHorizAxis || HorizAxisObject() == axis;
    return FVertAxis == aBothVertAxis || VertAxisObject() == axis;
}

void TChartSeries::SetParentChart(TChartPartsHost* chart)
{
    if (chart == FHost) return;
    if (FHost != nullptr) {
        TChartPartsHost* old = FHost;
        TCustomChartPanel* oldPanel = FPanel;
        FHost = nullptr;
        FPanel = nullptr;
        FParentChart = nullptr;
        old->RemoveSeriesFromList(this);
        if (!oldPanel->IsDestroying()) oldPanel->RequestRepaint();
    }
    if (chart != nullptr) {
        FHost = chart;
        FPanel = chart->HostPanel();
        FParentChart = chart->HostAxisPanel();
        FHost->InsertSeriesInList(this);
        FPanel->RequestRepaint();
    }
}

void TChartSeries::RequestRepaint()
{
    if (FPanel != nullptr) FPanel->RequestRepaint();
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
    const TRect& rect = FPanel->ChartRect();
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

TSeriesBatch::TSeriesBatch(TChartSeries& series) : FSeries(series), FOrder(series.FXValues->Order())
{
    const TValueBuffer& xs = series.FXValues->FValues;
    FDirect = series.OnBeforeAdd || series.OnAfterAdd || !series.FColors.empty() ||
              !series.FLabels.empty() || series.FYValues->FValues.size() != xs.size();
    if (!xs.empty()) FLastX = xs.back();
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
        xs.Modified();
        throw;
    }
    if (barrier)
        FRunStart = count + 1;
    else if (FOrder != loNone && count > FRunStart && !InOrder(FLastX, x))
        FRunUnordered = true;
    FLastX = x;
    // One repaint request for the whole batch, made when it ends: a request per point
    // costs more than storing it.
    FAdded = true;
}

void TSeriesBatch::AddMany(const double* xs, const double* ys, std::size_t count)
{
    bool plain = FDirect;
    for (std::size_t i = 0; i < count && !plain; ++i)
        plain = std::isnan(xs[i]);
    // A NaN ends a run, and a series of the plain way takes each point on its own.
    if (plain) {
        for (std::size_t i = 0; i < count; ++i)
            Add(xs[i], ys[i]);
        return;
    }
    if (count == 0) return;
    TChartValueList& x = *FSeries.FXValues;
    TChartValueList& y = *FSeries.FYValues;
    const std::size_t before = x.FValues.size();
    x.AppendValues(xs, count);
    try {
        y.AppendValues(ys, count);
    } catch (...) {
        for (std::size_t i = 0; i < count; ++i)
            x.FValues.erase(x.FValues.size() - 1);
        x.Modified();
        throw;
    }
    if (FOrder != loNone) {
        double last = FLastX;
        for (std::size_t i = 0; i < count && !FRunUnordered; ++i) {
            if (before + i > FRunStart && !InOrder(last, xs[i])) FRunUnordered = true;
            last = xs[i];
        }
    }
    FLastX = xs[count - 1];
    FAdded = true;
}

TSeriesBatch::~TSeriesBatch()
{
    End();
    if (!FAdded || !FSeries.FActive) return;
    try {
        FSeries.RequestRepaint();
    } catch (...) {
        // Only a request: the next paint of the chart shows the points anyway.
    }
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
        xs.Visit([&](const auto& values) {
            const auto run = [&](uint32_t k) { return values[start + k]; };
            std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
                return ascending ? run(a) < run(b) : run(a) > run(b);
            });
        });
        std::vector<double> moved(n);
        for (TValueBuffer* column : {&xs, &ys}) {
            for (std::size_t i = 0; i < n; ++i)
                moved[i] = (*column)[start + order[i]];
            for (std::size_t i = 0; i < n; ++i)
                column->Store(start + i, moved[i]);
        }
    } catch (const std::bad_alloc&) {
        // No room for the sort's index: AddPoint's own rule, in place.
        for (std::size_t j = start + 1; j < xs.size(); ++j) {
            const double v = xs[j];
            std::size_t i = j;
            while (i > start && (ascending ? xs[i - 1] > v : xs[i - 1] < v))
                --i;
            xs.Rotate(i, j, j + 1);
            ys.Rotate(i, j, j + 1);
        }
    }
    FSeries.FXValues->Modified();
    FSeries.FYValues->Modified();
    FLastX = xs.back();
}
