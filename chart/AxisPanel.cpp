#include "chart/AxisPanel.h"

#include <algorithm>
#include <string>
#include <vector>

#include "chart/AxisLabels.h"
#include "chart/StoreChanged.h"

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

TCustomChartAxis* TCustomAxisPanel::SideAxis(bool horizontal, bool farSide) const
{
    if (horizontal) return farSide ? FTopAxis : FBottomAxis;
    return farSide ? FRightAxis : FLeftAxis;
}

bool TCustomAxisPanel::AxisShowsDateTime(const TCustomChartAxis* axis) const
{
    for (const TChartSeries* series : FSeriesList) {
        if (!series->Active() || !series->AssociatedToAxis(axis)) continue;
        const bool alongX = series->XValuesHorizontal() == axis->IsHorizontal;
        return alongX ? series->XValues()->DateTime() : series->YValues()->DateTime();
    }
    return false;
}

void TCustomAxisPanel::SetView3DWalls(bool value)
{
    if (StoreChanged(FView3DWalls, value)) RequestRepaint();
}

void TCustomAxisPanel::SetClipPoints(bool value)
{
    if (StoreChanged(FClipPoints, value)) RequestRepaint();
}

void TCustomAxisPanel::SetAxisVisible(bool value)
{
    if (StoreChanged(FAxisVisible, value)) RequestRepaint();
}

void TCustomAxisPanel::SetMaxPointsPerPage(int value)
{
    if (value < 0) throw ChartException("MaxPointsPerPage must be >= 0");
    if (StoreChanged(FMaxPointsPerPage, value)) RequestRepaint();
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
    if (StoreChanged(FScaleLastPage, value)) RequestRepaint();
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
    const std::vector<std::string> parts = AxisLabels::LabelLines(text);
    // An empty text still takes one line.
    lines = std::max(1, static_cast<int>(parts.size()));
    int widest = 0;
    for (const std::string& line : parts)
        if (!line.empty()) widest = std::max(widest, Canvas3D()->MeasureTextWidth(line));
    return widest;
}
