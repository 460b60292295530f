// The chart panel with axes: its series list, its five axes and the data extents and axis
// visibility the layout asks for. Implemented in AxisPanel.cpp.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "chart/ChartAxis.h"
#include "chart/ChartPanel.h"
#include "chart/ChartSeries.h"
#include "toolkit/Classes.h"

using TAxisOnGetLabel = std::function<void(TCustomChartAxis* sender, TChartSeries* series,
                                           int valueIndex, std::string& labelText)>;
using TAxisOnGetNextLabel =
    std::function<void(TCustomChartAxis* sender, int labelIndex, double& labelValue, bool& stop)>;

// A chart panel with series and five axes (bottom, top, left, right, depth).
class TCustomAxisPanel : public TCustomChartPanelExtended, public TChartPartsHost
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
    // What its axes and series ask of it (TChartPartsHost).
    void RegisterAxis(TCustomChartAxis* axis) override { FAxesList.push_back(axis); }
    TCustomChartPanel* HostPanel() override { return this; }
    TCustomAxisPanel* HostAxisPanel() override { return this; }
    TCustomChartAxis* SideAxis(bool horizontal, bool farSide) const override;
    bool AxisShowsDateTime(const TCustomChartAxis* axis) const override;

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

    TAxisOnGetLabel OnGetAxisLabel;
    TAxisOnGetNextLabel OnGetNextAxisLabel;
    TNotifyEvent OnPageChange;
    TNotifyEvent OnBeforeDrawAxes;
    TNotifyEvent OnBeforeDrawSeries;

    double SeriesValueExtent(const TCustomChartAxis* axis, bool wantLargest,
                             bool horizontal) const override;
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
    // Only a series attaching or detaching itself calls these, through TChartPartsHost.
    void InsertSeriesInList(TChartSeries* series) override;
    void RemoveSeriesFromList(TChartSeries* series) override;

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
};
