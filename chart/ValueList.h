// One column of a series: values stored unscaled in contiguous memory, with their order
// rule for insertion and lazily kept statistics.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <string>

#include "chart/ValueBuffer.h"
#include "toolkit/Classes.h"
#include "toolkit/SysUtils.h"

class TChartSeries;

enum TChartListOrder : uint8_t { loNone, loAscending, loDescending };

// One column of a series (X or Y). Values are stored unscaled in contiguous
// memory, each in the narrowest exact form the column allows (see TValueBuffer), and read
// multiplied by Multiplier.
class TChartValueList : public TPersistent
{
public:
    TChartValueList(TChartSeries* owner, const std::string& name);

    virtual double ValueAt(int index) const;
    // Stores Value unscaled at Index.
    virtual void SetValueAt(int index, double value);
    virtual void RemoveAllValues();
    // Ordered insertion; returns where the value went.
    virtual int AddValue(double value);
    // Places the value at Index (0..count) without looking at the order.
    virtual void InsertValue(int index, double value);
    virtual int ValueCount() const { return static_cast<int>(FValues.size()); }
    virtual void RemoveValue(int index);
    double LastValue() const { return ValueAt(ValueCount() - 1); }
    // The unscaled values; for fast scans (e.g. binary search over sorted X). Indexing and
    // iterators give doubles; Visit gives the values in their stored form, CopyTo and
    // ToVector copy them out as doubles.
    const TValueBuffer& StoredValues() const { return FValues; }

    double LowestValue() const;
    double HighestValue() const;
    bool StatsStale() const { return FStatsStale; }

    bool DateTime() const { return FDateTime; }
    void SetDateTime(bool value);
    double Multiplier() const { return FMultiplier; }
    void SetMultiplier(double value);
    const std::string& Name() const { return FName; }
    void SetName(const std::string& value) { FName = value; }
    // Applies to later insertions only; stored values are not re-sorted.
    TChartListOrder Order() const { return FOrder; }
    void SetOrder(TChartListOrder value) { FOrder = value; }
    TChartSeries* Owner() const { return FOwner; }
    double PendingValue() const { return FPendingValue; }
    void SetPendingValue(double value) { FPendingValue = value; }
    // Set by the owning series, which asks its chart to repaint; ForValue when a stored value
    // changed, which an inactive series does not show.
    std::function<void(bool forValue)> OnChanged;

    // Copies DateTime, Name, Multiplier and Order (the stored properties).
    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TChartValueList"; }

private:
    friend class TChartSeries;
    friend class TSeriesBatch;

    void CheckIndex(int index, std::size_t count) const;
    void Modified();
    void RecalcStats() const;
    // Whether ordered insertion puts Value at the end: one comparison with the last value.
    bool AppendsInOrder(double value) const
    {
        if (FValues.empty()) return true;
        if (FOrder == loAscending) return FValues.back() <= value;
        if (FOrder == loDescending) return FValues.back() >= value;
        return true;
    }
    // EOutOfMemory leaves the list as it was.
    void AppendValue(double value)
    {
        try {
            FValues.push_back(value);
        } catch (const std::bad_alloc&) {
            throw EOutOfMemory();
        }
        FStatsStale = true;
        if (!FRunningValid) return;
        // The extremes as RecalcStats's scan would find them, value by value.
        const double v = value * FMultiplier;
        if (FValues.size() == 1)
            FRunningLow = FRunningHigh = v;
        else if (v < FRunningLow)
            FRunningLow = v;
        else if (v > FRunningHigh)
            FRunningHigh = v;
    }
    // AppendValue for Count values at once; EOutOfMemory leaves the list as it was.
    void AppendValues(const double* values, std::size_t count);
    // Where ordered insertion puts Value when it does not go at the end.
    std::size_t PlaceBefore(double value) const;
    // Index 0..count, already checked.
    void PutValue(std::size_t index, double value);

    bool FDateTime = false;
    TValueBuffer FValues;
    mutable double FHighestValue = 0;
    mutable double FLowestValue = 0;
    double FMultiplier = 1;
    std::string FName;
    TChartListOrder FOrder = loNone;
    TChartSeries* FOwner = nullptr;
    double FPendingValue = 0;
    mutable bool FStatsStale = true;
    // Extremes kept up by appends since the last scan (or since the list was emptied), so
    // that a list filled point by point needs no scan; false after any other change.
    mutable bool FRunningValid = true;
    mutable double FRunningLow = 0;
    mutable double FRunningHigh = 0;
};
