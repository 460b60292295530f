// A series' points as (X, Y) pairs in index order, for comparing whole series.
#pragma once

#include <utility>
#include <vector>

#include "chart/ChartSeries.h"

using Points = std::vector<std::pair<double, double>>;

inline Points PointsOf(const TChartSeries& series)
{
    Points points;
    for (int i = 0; i < series.PointCount(); ++i)
        points.emplace_back(series.PointX(i), series.PointY(i));
    return points;
}
