// Chart engine core, for the files that use all of it: value lists, series, axes and the
// axis panel that holds them.
#pragma once

#include "chart/AxisPanel.h"
#include "chart/ChartAxis.h"
#include "chart/ChartSeries.h"
#include "chart/ValueList.h"
