#include "chart/ValueList.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "chart/StoreChanged.h"

TChartValueList::TChartValueList(TChartSeries* owner, const std::string& name)
    : FName(name), FOwner(owner)
{
}

void TChartValueList::CheckIndex(int index, std::size_t count) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= count)
        throw EListError::IndexOutOfBounds(index);
}

void TChartValueList::Modified()
{
    FStatsStale = true;
    FRunningValid = false;
}

double TChartValueList::ValueAt(int index) const
{
    CheckIndex(index, FValues.size());
    return FValues[static_cast<size_t>(index)] * FMultiplier;
}

void TChartValueList::SetValueAt(int index, double value)
{
    CheckIndex(index, FValues.size());
    try {
        FValues.set(static_cast<size_t>(index), value);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
    Modified();
    if (OnChanged) OnChanged(true);
}

void TChartValueList::RemoveAllValues()
{
    FValues.clear();
    Modified();
    // An empty list's extremes are 0 and 0, as a scan finds them.
    FRunningValid = true;
    FRunningLow = FRunningHigh = 0;
}

void TChartValueList::AppendValues(const double* values, std::size_t count)
{
    const std::size_t before = FValues.size();
    try {
        FValues.append(values, count);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    }
    FStatsStale = true;
    if (!FRunningValid || count == 0) return;
    std::size_t i = 0;
    if (before == 0) FRunningLow = FRunningHigh = values[i++] * FMultiplier;
    for (; i < count; ++i) {
        const double v = values[i] * FMultiplier;
        if (v < FRunningLow)
            FRunningLow = v;
        else if (v > FRunningHigh)
            FRunningHigh = v;
    }
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

void TChartValueList::RecalcStats() const
{
    if (FRunningValid) {
        FLowestValue = FRunningLow;
        FHighestValue = FRunningHigh;
        FStatsStale = false;
        return;
    }
    FLowestValue = FHighestValue = 0;
    if (!FValues.empty()) {
        // One loop per stored form, without a test of the form per value.
        FValues.Visit([this](const auto& values) {
            double v = static_cast<double>(values[0]) * FMultiplier;
            double lowest = v;
            double highest = v;
            for (size_t i = 1; i < FValues.size(); ++i) {
                v = static_cast<double>(values[i]) * FMultiplier;
                if (v < lowest)
                    lowest = v;
                else if (v > highest)
                    highest = v;
            }
            FLowestValue = lowest;
            FHighestValue = highest;
        });
    }
    FStatsStale = false;
    FRunningValid = true;
    FRunningLow = FLowestValue;
    FRunningHigh = FHighestValue;
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

void TChartValueList::SetDateTime(bool value)
{
    if (StoreChanged(FDateTime, value))
        if (OnChanged) OnChanged(false);
}

void TChartValueList::SetMultiplier(double value)
{
    if (FMultiplier == value) return;
    FMultiplier = value;
    Modified();
    if (OnChanged) OnChanged(false);
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
}
