// A chart panel that counts invalidations, i.e. the repaint requests that reached it.
#pragma once

#include "chart/AxisPanel.h"

class CountingChart : public TCustomAxisPanel
{
public:
    void Invalidate() override
    {
        ++Invalidations;
        TCustomAxisPanel::Invalidate();
    }
    int Invalidations = 0;
};
