// The chart menu's event search: "Find pulse..." and "Find word..." ask for a query in a
// dialog filled from the chart, then run it as the find bar runs a typed query, so that
// F3 and Shift+F3 go on with it.
#pragma once

#include <string>
#include <vector>

#include "toolkit/Menus.h"

class TFindMeasure;

class TChartFind
{
public:
    explicit TChartFind(TFindMeasure* find) : FFind(find) {}

    // The entries for chart Chart's menu.
    std::vector<TMenuItem> MenuItems(int chart);
    // Ask, then search from the caret; false when cancelled or nothing was found.
    bool AskPulse(int chart);
    bool AskWord(int chart);

private:
    TFindMeasure* FFind = nullptr;
    // The last answers, offered again (the bit and the pattern come from the chart).
    std::string FLevel = "high";
    std::string FShorter;
    std::string FLonger;
    std::string FDirection = "next";
};
