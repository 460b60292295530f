// The compact value buffer against a plain std::vector<double> on seeded random operations
// (every value read back bit-identical, the form the narrowest that holds what was stored),
// its behaviour when memory runs out, and the series' quick way of adding points against a
// plain model of ordered insertion.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "chart/ChartEngine.h"
#include "chart/ValueBuffer.h"
#include "tests/common/CountingChart.h"

namespace {

uint64_t Bits(double v)
{
    return std::bit_cast<uint64_t>(v);
}

std::vector<double> Contents(const TValueBuffer& b)
{
    return std::vector<double>(b.begin(), b.end());
}

// Every way of reading the buffer gives the model's values bit for bit.
void ExpectIdentical(const TValueBuffer& b, const std::vector<double>& model)
{
    ASSERT_EQ(b.size(), model.size());
    const std::vector<double> copied = b.ToVector();
    std::vector<double> visited(model.size());
    b.Visit([&](const auto& v) {
        for (std::size_t i = 0; i < model.size(); ++i)
            visited[i] = static_cast<double>(v[i]);
    });
    std::size_t i = 0;
    for (const double v : b) {
        ASSERT_EQ(Bits(v), Bits(model[i])) << "iterator, value " << i;
        ASSERT_EQ(Bits(b[i]), Bits(model[i])) << "index, value " << i;
        ASSERT_EQ(Bits(copied[i]), Bits(model[i])) << "copy, value " << i;
        ASSERT_EQ(Bits(visited[i]), Bits(model[i])) << "visit, value " << i;
        ++i;
    }
}

TEST(ValueBuffer, KindsHoldExactlyTheirValues)
{
    using B = TValueBuffer;
    EXPECT_EQ(B::KindFor(0.0), B::vkBits);
    EXPECT_EQ(B::KindFor(1.0), B::vkBits);
    // -0.0 differs from 0 in what it does (1/x, signbit, copysign, the text of a label).
    EXPECT_EQ(B::KindFor(-0.0), B::vkDouble);
    EXPECT_EQ(B::KindFor(2.0), B::vkInt32);
    EXPECT_EQ(B::KindFor(-1.0), B::vkInt32);
    EXPECT_EQ(B::KindFor(2147483647.0), B::vkInt32);
    EXPECT_EQ(B::KindFor(-2147483648.0), B::vkInt32);
    EXPECT_EQ(B::KindFor(2147483648.0), B::vkDouble);
    EXPECT_EQ(B::KindFor(-2147483649.0), B::vkDouble);
    EXPECT_EQ(B::KindFor(2147483647.5), B::vkDouble);
    EXPECT_EQ(B::KindFor(0.5), B::vkDouble);
    EXPECT_EQ(B::KindFor(std::numeric_limits<double>::quiet_NaN()), B::vkDouble);
    EXPECT_EQ(B::KindFor(std::numeric_limits<double>::infinity()), B::vkDouble);
    EXPECT_EQ(B::KindFor(std::numeric_limits<double>::denorm_min()), B::vkDouble);
}

TEST(ValueBuffer, RandomOperationsMatchVectorBitForBit)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // A NaN with a payload and its sign set: stored as a double, it keeps both.
    const double oddNan = std::bit_cast<double>(uint64_t{0xFFF8000000012345u});
    const std::vector<double> wide = {-0.0,    0.5,          -2.25,         1e300,
                                      -1e-300, nan,          oddNan,        inf,
                                      -inf,    2147483648.0, -2147483649.0, 4294967296.0};
    std::mt19937 rng(20250611u);
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n)(rng);
    };
    // Mostly bits, rarely an integer, more rarely something wider: the widenings fall at random
    // points of each stretch between clears, with plenty held to convert.
    auto draw = [&]() -> double {
        const int k = std::uniform_int_distribution<int>(0, 999)(rng);
        if (k < 985) return static_cast<double>(k & 1);
        if (k < 993) {
            const int32_t near[] = {INT32_MAX, INT32_MIN, INT32_MAX - 1, INT32_MIN + 1, -1, 2};
            return k < 989
                       ? near[pick(5)]
                       : static_cast<double>(std::uniform_int_distribution<int>(-300, 300)(rng));
        }
        return wide[pick(wide.size() - 1)];
    };
    TValueBuffer buffer;
    std::vector<double> model;
    TValueBuffer::TKind widest = TValueBuffer::vkBits;
    auto note = [&](double v) { widest = std::max(widest, TValueBuffer::KindFor(v)); };
    for (int op = 0; op < 6000; ++op) {
        const int kind = std::uniform_int_distribution<int>(0, 99)(rng);
        if (kind < 40) {
            // A burst of appends (crossing word boundaries of the bit form).
            const std::size_t n = pick(300);
            for (std::size_t i = 0; i < n; ++i) {
                const double v = draw();
                note(v);
                buffer.push_back(v);
                model.push_back(v);
            }
        } else if (kind < 55) {
            const double v = draw();
            note(v);
            const std::size_t at = pick(model.size());
            buffer.insert(at, v);
            model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), v);
        } else if (kind < 75 && !model.empty()) {
            const std::size_t n = kind < 70 ? 1 : pick(std::min<std::size_t>(model.size(), 200));
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t at = pick(model.size() - 1);
                buffer.erase(at);
                model.erase(model.begin() + static_cast<std::ptrdiff_t>(at));
            }
        } else if (kind < 82 && !model.empty()) {
            const double v = draw();
            note(v);
            const std::size_t at = pick(model.size() - 1);
            buffer.set(at, v);
            model[at] = v;
        } else if (kind < 88 && !model.empty()) {
            // A stable sort of a stretch as TSeriesBatch::End does it: the order from the
            // stored form, then every value moved in its own form.
            const std::size_t from = pick(model.size() - 1);
            const std::size_t to = from + pick(model.size() - from);
            std::vector<uint32_t> order(to - from);
            for (std::size_t i = 0; i < order.size(); ++i)
                order[i] = static_cast<uint32_t>(i);
            buffer.Visit([&](const auto& v) {
                std::stable_sort(order.begin(), order.end(),
                                 [&](uint32_t a, uint32_t b) { return v[from + a] < v[from + b]; });
            });
            std::vector<double> moved(order.size());
            for (std::size_t i = 0; i < order.size(); ++i)
                moved[i] = buffer[from + order[i]];
            for (std::size_t i = 0; i < order.size(); ++i)
                buffer.Store(from + i, moved[i]);
            std::stable_sort(model.begin() + static_cast<std::ptrdiff_t>(from),
                             model.begin() + static_cast<std::ptrdiff_t>(to),
                             [](double a, double b) { return a < b; });
        } else if (kind < 93 && !model.empty()) {
            const std::size_t first = pick(model.size() - 1);
            const std::size_t last = first + 1 + pick(model.size() - first - 1);
            const std::size_t middle = first + pick(last - first);
            buffer.Rotate(first, middle, last);
            std::rotate(model.begin() + static_cast<std::ptrdiff_t>(first),
                        model.begin() + static_cast<std::ptrdiff_t>(middle),
                        model.begin() + static_cast<std::ptrdiff_t>(last));
        } else if (kind < 96) {
            TValueBuffer copy(buffer);
            ExpectIdentical(copy, model);
            buffer = std::move(copy);
            EXPECT_EQ(copy.size(), 0u);
        } else if (kind < 98) {
            buffer.reserve(model.size() + pick(1000));
        } else {
            buffer.clear();
            model.clear();
            widest = TValueBuffer::vkBits;
            EXPECT_EQ(buffer.AllocatedBytes(), 0u);
        }
        ASSERT_EQ(buffer.size(), model.size()) << "operation " << op;
        // Never wider than what was stored since the last clear asked for.
        ASSERT_EQ(buffer.Kind(), widest) << "operation " << op;
        if (!model.empty()) {
            ASSERT_EQ(Bits(buffer.back()), Bits(model.back())) << "operation " << op;
            const std::size_t probe = pick(model.size() - 1);
            ASSERT_EQ(Bits(buffer[probe]), Bits(model[probe])) << "operation " << op;
        }
        if (op % 16 == 0) {
            ExpectIdentical(buffer, model);
            if (HasFatalFailure()) FAIL() << "operation " << op;
        }
    }
    ExpectIdentical(buffer, model);
}

TEST(ValueBuffer, ReservedRoomCarriesIntoAWiderForm)
{
    // The waveform build reserves its columns once; the times widen X from bits to integers
    // after the first point and the room stays what was reserved.
    TValueBuffer b;
    b.reserve(1000);
    b.push_back(0);
    EXPECT_EQ(b.Kind(), TValueBuffer::vkBits);
    b.push_back(17);
    EXPECT_EQ(b.Kind(), TValueBuffer::vkInt32);
    EXPECT_EQ(b.capacity(), 1000u);
    for (int i = 2; i < 1000; ++i)
        b.push_back(i);
    EXPECT_EQ(b.capacity(), 1000u);
    EXPECT_EQ(b.AllocatedBytes(), 1000u * sizeof(int32_t));
}

TEST(ValueBuffer, PointsOfTwoWaveformsTakeFourBytesAndABit)
{
    // One waveform of 1M lines: 2M + 1 points, X integer times, Y levels.
    TChartSeries s;
    const int points = 2000001;
    s.Reserve(points);
    TSeriesBatch batch(s);
    batch.Add(0, 0);
    for (int t = 1; 2 * t < points; ++t) {
        batch.Add(t * 10, t % 3 == 0);
        batch.Add(t * 10, t % 3 != 0);
    }
    batch.End();
    ASSERT_EQ(s.PointCount(), points);
    const std::size_t bytes =
        s.XValues()->StoredValues().AllocatedBytes() + s.YValues()->StoredValues().AllocatedBytes();
    EXPECT_LE(bytes, static_cast<std::size_t>(points) * 4 + points / 8 + 64);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LOGVIEW_SANITIZED 1
#else
#define LOGVIEW_SANITIZED 0
#endif

std::size_t AddressSpaceBytes()
{
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    unsigned long pages = 0;
    if (f != nullptr) {
        if (std::fscanf(f, "%lu", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// Runs Action while the address space may not grow: the next new mapping, the growth of a
// mapping and any heap growth fail as they would with memory exhausted.
template <class F> bool WithoutNewMemory(F action)
{
    rlimit old{};
    if (getrlimit(RLIMIT_AS, &old) != 0) return false;
    rlimit tight = old;
    tight.rlim_cur = AddressSpaceBytes();
    if (tight.rlim_cur == 0 || setrlimit(RLIMIT_AS, &tight) != 0) return false;
    struct Restore
    {
        const rlimit& limit;
        ~Restore() { setrlimit(RLIMIT_AS, &limit); }
    } restore{old};
    action();
    return true;
}

class ValueBufferOutOfMemory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (LOGVIEW_SANITIZED) GTEST_SKIP() << "sanitizers reserve their own address space";
#if defined(__GLIBC__)
        // Blocks of 64 KiB and more come from new mappings, whatever was freed before, so
        // that growing a large column needs new address space.
        mallopt(M_MMAP_THRESHOLD, 64 * 1024);
#else
        GTEST_SKIP() << "needs glibc's malloc to map large blocks on their own";
#endif
    }
};

TEST_F(ValueBufferOutOfMemory, FailedGrowthChangesNothing)
{
    constexpr std::size_t Count = 1 << 20;
    struct Case
    {
        const char* name;
        double fill; // the values held: 0/1 for bits, else integers
        void (*apply)(TValueBuffer&);
    };
    const Case cases[] = {
        {"GrowBits", 0, [](TValueBuffer& b) { b.push_back(1); }},
        {"GrowIntegers", 2, [](TValueBuffer& b) { b.push_back(-1); }},
        {"InsertFront", 2, [](TValueBuffer& b) { b.insert(0, -1); }},
        {"WidenToIntegers", 0, [](TValueBuffer& b) { b.push_back(5); }},
        {"WidenToDoubles", 2, [](TValueBuffer& b) { b.insert(7, 0.5); }},
        {"WidenBySet", 0, [](TValueBuffer& b) { b.set(3, -0.0); }},
        {"Copy", 2, [](TValueBuffer& b) { TValueBuffer copy(b); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TValueBuffer b;
        b.reserve(Count);
        for (std::size_t i = 0; i < Count; ++i)
            b.push_back(c.fill == 0 ? static_cast<double>(i % 2) : static_cast<double>(i));
        ASSERT_EQ(b.capacity(), b.size());
        const std::vector<double> before = Contents(b);
        const std::size_t capacity = b.capacity();
        const TValueBuffer::TKind kind = b.Kind();
        bool threw = false;
        ASSERT_TRUE(WithoutNewMemory([&] {
            try {
                c.apply(b);
            } catch (const std::bad_alloc&) {
                threw = true;
            }
        }));
        EXPECT_TRUE(threw);
        EXPECT_EQ(b.capacity(), capacity);
        EXPECT_EQ(b.Kind(), kind);
        EXPECT_EQ(Contents(b), before);
        b.push_back(7);
        EXPECT_EQ(b.back(), 7) << "usable again once memory is there";
    }
}

TEST_F(ValueBufferOutOfMemory, AddPointKeepsTheColumnsInStep)
{
    // Both columns full: the X column cannot grow.
    const int n = 1 << 20;
    TChartSeries full;
    full.Reserve(n);
    for (int i = 0; i < n; ++i)
        full.AddPoint(i, i % 2);
    // The X column has room and the Y column has none: X has to be taken back.
    TChartSeries yFull;
    yFull.Reserve(n);
    for (int i = 0; i < n; ++i)
        yFull.AddPoint(i, i % 2);
    yFull.XValues()->InsertValue(n, 0);
    yFull.XValues()->RemoveValue(n);
    ASSERT_EQ(full.XValues()->StoredValues().capacity(), static_cast<std::size_t>(n));
    ASSERT_GT(yFull.XValues()->StoredValues().capacity(), static_cast<std::size_t>(n));
    ASSERT_EQ(yFull.YValues()->StoredValues().capacity(), static_cast<std::size_t>(n));
    for (TChartSeries* s : {&full, &yFull}) {
        int afterAdds = 0;
        s->OnAfterAdd = [&](TChartSeries*, int) { ++afterAdds; };
        bool outOfMemory = false;
        ASSERT_TRUE(WithoutNewMemory([&] {
            try {
                s->AddPoint(n + 5, 1);
            } catch (const EOutOfMemory&) {
                outOfMemory = true;
            }
        }));
        EXPECT_TRUE(outOfMemory);
        EXPECT_EQ(afterAdds, 0);
        ASSERT_EQ(s->PointCount(), n);
        ASSERT_EQ(s->YValues()->ValueCount(), n);
        EXPECT_EQ(s->PointX(n - 1), n - 1);
        EXPECT_EQ(s->PointY(n - 1), (n - 1) % 2);
        EXPECT_EQ(s->HighestX(), n - 1);
        EXPECT_EQ(s->AddPoint(n + 5, 1), n);
        EXPECT_EQ(afterAdds, 1);
    }
}

// A chart that counts the repaint requests reaching it.
struct ModelPoint
{
    double x;
    double y;
    TColor color;
    std::string label;
    bool operator==(const ModelPoint&) const = default;
};

TEST(SeriesStorage, RandomAddsMatchOrderedInsertion)
{
    // Mostly square-wave data (times ascending, two points per time), with out-of-order
    // times, equal runs, and points with a colour or a label of their own mixed in late, so
    // that the quick path and the general one both run and hand over to each other.
    for (const unsigned seed : {1u, 99u, 4242u}) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        CountingChart chart;
        auto* s = new TChartSeries;
        s->SetParentChart(&chart);
        std::vector<ModelPoint> model;
        std::vector<int> reported;
        s->OnAfterAdd = [&](TChartSeries*, int index) { reported.push_back(index); };
        const int requestsBefore = chart.Invalidations;
        const int adds = 40000;
        double time = 0;
        for (int i = 0; i < adds; ++i) {
            const int kind = std::uniform_int_distribution<int>(0, 999)(rng);
            double x = time;
            if (kind < 600)
                time += std::uniform_int_distribution<int>(0, 3)(rng);
            else if (kind < 620)
                x = time - std::uniform_int_distribution<int>(1, 50)(rng);
            const double y = std::uniform_int_distribution<int>(0, 1)(rng);
            TColor color = clSeriesDefault;
            std::string label;
            if (i > adds / 2 && kind >= 990) color = clBlue;
            if (i > 3 * adds / 4 && kind >= 980 && kind < 985) label = "p" + std::to_string(i);

            const int index = s->AddPoint(x, y, label, color);
            const auto place =
                std::upper_bound(model.begin(), model.end(), x,
                                 [](double v, const ModelPoint& p) { return v < p.x; });
            ASSERT_EQ(index, place - model.begin()) << "add " << i;
            model.insert(place, ModelPoint{x, y, color, label});
            ASSERT_TRUE(s->XValues()->StatsStale());
        }
        EXPECT_EQ(chart.Invalidations - requestsBefore, adds) << "one request per point";
        ASSERT_EQ(s->PointCount(), static_cast<int>(model.size()));
        ASSERT_EQ(reported.size(), model.size());
        double lowY = model[0].y;
        double highY = model[0].y;
        for (int i = 0; i < s->PointCount(); ++i) {
            const ModelPoint& m = model[static_cast<std::size_t>(i)];
            ASSERT_EQ(
                (ModelPoint{s->PointX(i), s->PointY(i), s->StoredPointColor(i), s->PointLabel(i)}),
                m)
                << "point " << i;
            lowY = std::min(lowY, m.y);
            highY = std::max(highY, m.y);
        }
        EXPECT_EQ(s->LowestX(), model.front().x);
        EXPECT_EQ(s->HighestX(), model.back().x);
        EXPECT_EQ(s->LowestY(), lowY);
        EXPECT_EQ(s->HighestY(), highY);
    }
}

TEST(SeriesStorage, NotANumberAppendsLikeAnyUnorderedValue)
{
    // NaN compares false both ways: as a new X it goes to the end, and as the last stored X
    // it lets the next value append too.
    TChartSeries s;
    s.AddPoint(1, 0);
    s.AddPoint(3, 0);
    EXPECT_EQ(s.AddPoint(NAN, 1), 2);
    EXPECT_EQ(s.AddPoint(2, 2), 3);
    // A backward scan stops at the NaN, as at a value not above the new one.
    EXPECT_EQ(s.AddPoint(0, 3), 3);
    EXPECT_TRUE(std::isnan(s.PointX(2)));
    EXPECT_EQ(s.PointY(3), 3);
    EXPECT_EQ(s.PointY(4), 2);
}

} // namespace
