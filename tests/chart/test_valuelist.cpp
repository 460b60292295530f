// Value lists: ordered insertion, scaling, lazily cached statistics and index errors.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "chart/ChartEngine.h"

namespace {

std::vector<double> Values(const TChartValueList& list)
{
    std::vector<double> out;
    for (int i = 0; i < list.ValueCount(); ++i)
        out.push_back(list.ValueAt(i));
    return out;
}

TChartValueList MakeList(TChartListOrder order, const std::vector<double>& values)
{
    TChartValueList list(nullptr, "X");
    for (double v : values)
        list.InsertValue(list.ValueCount(), v);
    list.SetOrder(order);
    return list;
}

struct InsertCase
{
    const char* name;
    TChartListOrder order;
    std::vector<double> before;
    double value;
    int index;
};

class ValueListInsert : public ::testing::TestWithParam<InsertCase>
{
};

TEST_P(ValueListInsert, LandsAtItsPlace)
{
    const InsertCase& c = GetParam();
    TChartValueList list = MakeList(c.order, c.before);
    EXPECT_EQ(list.AddValue(c.value), c.index);
    std::vector<double> expected = c.before;
    expected.insert(expected.begin() + c.index, c.value);
    EXPECT_EQ(Values(list), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, ValueListInsert,
    ::testing::Values(InsertCase{"AscEmpty", loAscending, {}, 5, 0},
                      InsertCase{"AscAfterEqualRun", loAscending, {0, 10, 10, 20}, 10, 3},
                      InsertCase{"AscAppendEqualLast", loAscending, {1, 2, 3}, 3, 3},
                      InsertCase{"AscAppendLarger", loAscending, {1, 2, 3}, 7, 3},
                      InsertCase{"AscSmallerThanAll", loAscending, {1, 2, 3}, 0, 0},
                      InsertCase{"AscEqualToFirst", loAscending, {1, 2, 3}, 1, 1},
                      InsertCase{"AscBetween", loAscending, {1, 2, 3}, 2.5, 2},
                      InsertCase{"DescEqualRun", loDescending, {9, 5, 5}, 5, 3},
                      InsertCase{"DescBetween", loDescending, {9, 5, 5}, 7, 1},
                      InsertCase{"DescLargerThanAll", loDescending, {9, 5, 5}, 10, 0},
                      InsertCase{"DescSmallest", loDescending, {9, 5, 5}, 1, 3},
                      InsertCase{"NoneAppendsSmaller", loNone, {5, 1}, 3, 2},
                      InsertCase{"NoneAppendsSmallest", loNone, {5, 1}, -100, 2}),
    [](const ::testing::TestParamInfo<InsertCase>& info) { return info.param.name; });

TEST(ValueList, EqualValuesKeepTheOrderOfAddition)
{
    // The Y list follows the X list's positions, so equal X must append after equals.
    TChartValueList list(nullptr, "X");
    list.SetOrder(loAscending);
    std::vector<int> indices;
    for (double v : {5.0, 5.0, 3.0, 5.0, 3.0})
        indices.push_back(list.AddValue(v));
    EXPECT_EQ(indices, (std::vector<int>{0, 1, 0, 3, 1}));
    EXPECT_EQ(Values(list), (std::vector<double>{3, 3, 5, 5, 5}));
}

TEST(ValueList, MultiplierScalesReadsButNotStorageOrPlacement)
{
    TChartValueList list = MakeList(loAscending, {1, 2, 4});
    list.SetMultiplier(2);
    EXPECT_EQ(Values(list), (std::vector<double>{2, 4, 8}));
    const auto& stored = list.StoredValues();
    EXPECT_EQ(std::vector<double>(stored.begin(), stored.end()), (std::vector<double>{1, 2, 4}));
    // Compared unscaled: 3 goes between 2 and 4, not between the read values 2 and 4.
    EXPECT_EQ(list.AddValue(3), 2);
    EXPECT_DOUBLE_EQ(list.LowestValue(), 2);
    EXPECT_DOUBLE_EQ(list.HighestValue(), 8);
    EXPECT_DOUBLE_EQ(list.LastValue(), 8);
}

TEST(ValueList, StatisticsAreCachedUntilAChange)
{
    TChartValueList list = MakeList(loNone, {3, -5, 2});
    EXPECT_TRUE(list.StatsStale());
    EXPECT_DOUBLE_EQ(list.LowestValue(), -5);
    EXPECT_FALSE(list.StatsStale());
    EXPECT_DOUBLE_EQ(list.HighestValue(), 3);

    struct Change
    {
        const char* name;
        void (*apply)(TChartValueList&);
    };
    const Change changes[] = {
        {"AddValue", [](TChartValueList& l) { l.AddValue(100); }},
        {"InsertValue", [](TChartValueList& l) { l.InsertValue(0, -100); }},
        {"SetValueAt", [](TChartValueList& l) { l.SetValueAt(0, 50); }},
        {"RemoveValue", [](TChartValueList& l) { l.RemoveValue(0); }},
        {"Multiplier", [](TChartValueList& l) { l.SetMultiplier(l.Multiplier() * 3); }},
        {"RemoveAll", [](TChartValueList& l) { l.RemoveAllValues(); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        (void)list.LowestValue();
        change.apply(list);
        EXPECT_TRUE(list.StatsStale());
    }
    // Renaming or reordering does not touch the values.
    (void)list.LowestValue();
    list.SetName("Z");
    list.SetOrder(loDescending);
    EXPECT_FALSE(list.StatsStale());
}

TEST(ValueList, StatisticsFollowEveryKindOfChange)
{
    TChartValueList list = MakeList(loNone, {4});
    EXPECT_DOUBLE_EQ(list.LowestValue(), 4);
    EXPECT_DOUBLE_EQ(list.HighestValue(), 4);
    list.SetValueAt(0, -7);
    EXPECT_DOUBLE_EQ(list.LowestValue(), -7);
    EXPECT_DOUBLE_EQ(list.HighestValue(), -7);
    list.InsertValue(1, 9);
    EXPECT_DOUBLE_EQ(list.HighestValue(), 9);
    list.RemoveValue(1);
    EXPECT_DOUBLE_EQ(list.HighestValue(), -7);
}

// The extremes kept up point by point equal a scan's, whatever mix of appends, inserts,
// changes, removals, clears and scalings came before, NaN and -0.0 included.
TEST(ValueList, StatisticsEqualAScanAfterRandomChanges)
{
    std::mt19937 random(11);
    const double values[] = {0, 1, -0.0, 3.5, -2, 1e9, std::nan(""), 7, 7, -1e12};
    for (const TChartListOrder order : {loAscending, loNone}) {
        TChartValueList list(nullptr, "X");
        list.SetOrder(order);
        for (int step = 0; step < 3000; ++step) {
            const double v = values[random() % std::size(values)];
            const unsigned kind = random() % 20;
            if (kind < 12)
                list.AddValue(kind < 9 && list.ValueCount() > 0 ? list.LastValue() + 1 : v);
            else if (kind < 14 && list.ValueCount() > 0)
                list.SetValueAt(static_cast<int>(random() % list.ValueCount()), v);
            else if (kind < 16 && list.ValueCount() > 0)
                list.RemoveValue(static_cast<int>(random() % list.ValueCount()));
            else if (kind == 16)
                list.RemoveAllValues();
            else if (kind == 17)
                list.SetMultiplier(random() % 2 ? 1 : -3);
            if (random() % 3 != 0) continue;
            const std::vector<double> scaled = Values(list);
            double low = 0;
            double high = 0;
            for (size_t i = 0; i < scaled.size(); ++i) {
                if (i == 0)
                    low = high = scaled[0];
                else if (scaled[i] < low)
                    low = scaled[i];
                else if (scaled[i] > high)
                    high = scaled[i];
            }
            SCOPED_TRACE("step " + std::to_string(step));
            ASSERT_EQ(std::bit_cast<uint64_t>(list.LowestValue()), std::bit_cast<uint64_t>(low));
            ASSERT_EQ(std::bit_cast<uint64_t>(list.HighestValue()), std::bit_cast<uint64_t>(high));
        }
    }
}

TEST(ValueList, EmptyListStatisticsAreZero)
{
    TChartValueList list = MakeList(loNone, {3, 8});
    EXPECT_DOUBLE_EQ(list.HighestValue(), 8);
    list.RemoveAllValues();
    EXPECT_EQ(list.ValueCount(), 0);
    EXPECT_EQ(list.LowestValue(), 0);
    EXPECT_EQ(list.HighestValue(), 0);
    EXPECT_EQ(list.AddValue(1), 0);
}

TEST(ValueList, BadIndexRaisesAndChangesNothing)
{
    struct Case
    {
        const char* name;
        int index;
        void (*apply)(TChartValueList&, int);
    };
    const Case cases[] = {
        {"ValueAtNegative", -1, [](TChartValueList& l, int i) { (void)l.ValueAt(i); }},
        {"ValueAtCount", 3, [](TChartValueList& l, int i) { (void)l.ValueAt(i); }},
        {"SetValueAtCount", 3, [](TChartValueList& l, int i) { l.SetValueAt(i, 1); }},
        {"RemoveValueCount", 3, [](TChartValueList& l, int i) { l.RemoveValue(i); }},
        {"RemoveValueNegative", -2, [](TChartValueList& l, int i) { l.RemoveValue(i); }},
        {"InsertBeyondCount", 4, [](TChartValueList& l, int i) { l.InsertValue(i, 1); }},
        {"InsertNegative", -1, [](TChartValueList& l, int i) { l.InsertValue(i, 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TChartValueList list = MakeList(loNone, {1, 2, 3});
        try {
            c.apply(list, c.index);
            ADD_FAILURE() << "no exception";
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(c.index) + ")");
        }
        EXPECT_EQ(Values(list), (std::vector<double>{1, 2, 3}));
    }
    TChartValueList empty(nullptr, "Y");
    EXPECT_THROW((void)empty.LastValue(), EListError);
}

TEST(ValueList, InsertAtCountAppendsWithoutLookingAtOrder)
{
    TChartValueList list = MakeList(loAscending, {1, 2});
    list.InsertValue(2, -4);
    list.InsertValue(0, 99);
    EXPECT_EQ(Values(list), (std::vector<double>{99, 1, 2, -4}));
}

TEST(ValueList, SettingOrderDoesNotResort)
{
    TChartValueList list = MakeList(loNone, {3, 1, 2});
    list.SetOrder(loAscending);
    EXPECT_EQ(Values(list), (std::vector<double>{3, 1, 2}));
    // The backward scan stops at the first value <= 2, which is the last one.
    EXPECT_EQ(list.AddValue(2), 3);
}

TEST(ValueList, AssignCopiesTheStoredProperties)
{
    TChartValueList source(nullptr, "Time");
    source.SetOrder(loDescending);
    source.SetMultiplier(0.5);
    source.SetDateTime(true);
    source.InsertValue(0, 42);
    TChartValueList target(nullptr, "X");
    target.Assign(&source);
    EXPECT_EQ(target.Name(), "Time");
    EXPECT_EQ(target.Order(), loDescending);
    EXPECT_EQ(target.Multiplier(), 0.5);
    EXPECT_TRUE(target.DateTime());
    EXPECT_EQ(target.ValueCount(), 0);
}

} // namespace
