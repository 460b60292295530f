// The value buffer against std::vector on seeded random operations, its bounded room, its
// behaviour when memory runs out, and the series' quick way of adding points against a
// plain model of ordered insertion.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "chart/ChartEngine.h"
#include "chart/ValueBuffer.h"
#include "tests/common/CountingChart.h"

namespace {

constexpr std::size_t HeapCount = TValueBuffer::HeapLimit / sizeof(double);
constexpr std::size_t StepCount = TValueBuffer::MapStep / sizeof(double);

void Fill(TValueBuffer& b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        b.push_back(static_cast<double>(i));
}

std::vector<double> Contents(const TValueBuffer& b)
{
    return std::vector<double>(b.begin(), b.end());
}

// The room a buffer may hold beyond its contents: below the heap limit plus two steps, unless
// it still holds the range Kept that a clear() left it.
void ExpectBoundedRoom(const TValueBuffer& b, std::size_t kept = 0)
{
    ASSERT_GE(b.capacity(), b.size());
    if (kept != 0 && b.capacity() == kept) return;
    const std::size_t bytes = b.capacity() * sizeof(double);
    const std::size_t used = b.size() * sizeof(double);
    EXPECT_LT(bytes, std::max(used, TValueBuffer::HeapLimit) + 2 * TValueBuffer::MapStep)
        << "size " << b.size() << " capacity " << b.capacity();
}

TEST(ValueBuffer, RandomOperationsMatchVector)
{
    struct Mode
    {
        const char* name;
        unsigned seed;
        int operations;
    };
    // Bursts of appends carry the contents across the heap limit and many steps; erase
    // bursts near the end bring them back, so that shrinking and regrowth are both visited.
    constexpr std::size_t MaxSize = 200000;
    for (const Mode mode : {Mode{"Quick", 20240611u, 1500}, Mode{"Long", 7u, 6000}}) {
        SCOPED_TRACE(mode.name);
        std::mt19937 rng(mode.seed);
        const std::size_t mappedAtStart = TValueBuffer::MappedBytes();
        {
            TValueBuffer buffer;
            std::vector<double> reference;
            // The capacity the last clear() kept, while the buffer still has it.
            std::size_t kept = 0;
            auto pick = [&](std::size_t n) {
                return std::uniform_int_distribution<std::size_t>(0, n)(rng);
            };
            for (int op = 0; op < mode.operations; ++op) {
                const int kind = std::uniform_int_distribution<int>(0, 99)(rng);
                const double value = std::uniform_real_distribution<double>(-1e6, 1e6)(rng);
                if (kind < 35 && reference.size() < MaxSize) {
                    const std::size_t n = pick(3 * StepCount);
                    for (std::size_t i = 0; i < n; ++i) {
                        buffer.push_back(value + static_cast<double>(i));
                        reference.push_back(value + static_cast<double>(i));
                    }
                } else if (kind < 60) {
                    const std::size_t at = pick(reference.size());
                    buffer.insert(at, value);
                    reference.insert(reference.begin() + static_cast<std::ptrdiff_t>(at), value);
                } else if (kind < 90 && !reference.empty()) {
                    // A burst near the end, or one value anywhere.
                    const std::size_t n =
                        kind < 85 ? pick(std::min(reference.size(), 3 * StepCount)) : 1;
                    for (std::size_t i = 0; i < n; ++i) {
                        const std::size_t last = reference.size() - 1;
                        const std::size_t at =
                            kind < 85 ? last - pick(std::min<std::size_t>(last, 16)) : pick(last);
                        buffer.erase(at);
                        reference.erase(reference.begin() + static_cast<std::ptrdiff_t>(at));
                    }
                } else if (kind >= 90 && kind < 92) {
                    const std::size_t bytes = buffer.capacity() * sizeof(double);
                    const bool keep = bytes > TValueBuffer::HeapLimit &&
                                      buffer.size() * sizeof(double) * 2 >= bytes;
                    const double* data = buffer.data();
                    buffer.clear();
                    reference.clear();
                    if (keep) {
                        EXPECT_EQ(buffer.capacity() * sizeof(double), bytes);
                        EXPECT_EQ(buffer.data(), data);
                    } else {
                        EXPECT_EQ(buffer.capacity(), 0u);
                        EXPECT_EQ(buffer.data(), nullptr);
                    }
                    kept = buffer.capacity();
                } else if (kind >= 92 && kind < 96) {
                    TValueBuffer copy(buffer);
                    EXPECT_EQ(Contents(copy), reference);
                    buffer = std::move(copy);
                    EXPECT_EQ(copy.size(), 0u);
                } else if (kind >= 96) {
                    TValueBuffer other;
                    other.push_back(value);
                    other = buffer;
                    buffer.swap(other);
                    EXPECT_EQ(Contents(other), reference);
                }
                ASSERT_EQ(buffer.size(), reference.size()) << "operation " << op;
                if (buffer.capacity() != kept) kept = 0;
                ExpectBoundedRoom(buffer, kept);
                if (!reference.empty()) {
                    ASSERT_EQ(buffer.back(), reference.back());
                    const std::size_t probe = pick(reference.size() - 1);
                    ASSERT_EQ(buffer[probe], reference[probe]) << "operation " << op;
                }
                if (op % 64 == 0) {
                    ASSERT_EQ(Contents(buffer), reference) << "operation " << op;
                }
            }
            EXPECT_EQ(Contents(buffer), reference);
        }
        EXPECT_EQ(TValueBuffer::MappedBytes(), mappedAtStart) << "every mapping given back";
    }
}

TEST(ValueBuffer, MappedBytesFollowTheSteps)
{
    const std::size_t start = TValueBuffer::MappedBytes();
    TValueBuffer b;
    for (std::size_t i = 0; i < HeapCount; ++i)
        b.push_back(1);
    EXPECT_EQ(TValueBuffer::MappedBytes(), start) << "up to the heap limit nothing is mapped";
    b.push_back(1);
    EXPECT_EQ(TValueBuffer::MappedBytes(), start + TValueBuffer::HeapLimit + TValueBuffer::MapStep);
    // A million values hold less than one step of room.
    while (b.size() < 1000000)
        b.push_back(2);
    const std::size_t mapped = TValueBuffer::MappedBytes() - start;
    EXPECT_GE(mapped, 1000000 * sizeof(double));
    EXPECT_LT(mapped, 1000000 * sizeof(double) + TValueBuffer::MapStep);
    // Erasing down to a tenth gives back all but a step and a half of room.
    while (b.size() > 100000)
        b.erase(b.size() - 1);
    EXPECT_LT(TValueBuffer::MappedBytes() - start,
              100000 * sizeof(double) + 2 * TValueBuffer::MapStep);
    EXPECT_EQ(b.back(), 2);
    EXPECT_EQ(b[HeapCount - 1], 1);
    // The contents fill the range, so a clear keeps it mapped; a second one gives it back.
    const std::size_t held = TValueBuffer::MappedBytes();
    b.clear();
    EXPECT_EQ(TValueBuffer::MappedBytes(), held);
    b.clear();
    EXPECT_EQ(TValueBuffer::MappedBytes(), start);
}

TEST(ValueBuffer, ClearThenRefillReusesTheRangeWithIdenticalContents)
{
    const std::size_t start = TValueBuffer::MappedBytes();
    constexpr std::size_t Count = 1000000;
    TValueBuffer b;
    for (std::size_t i = 0; i < Count; ++i)
        b.push_back(-static_cast<double>(i));
    const double* range = b.data();
    const std::size_t capacity = b.capacity();
    const std::size_t mapped = TValueBuffer::MappedBytes();
    b.clear();
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(b.capacity(), capacity);
    std::vector<double> reference;
    for (std::size_t i = 0; i < Count; ++i) {
        const double v = 0.5 + 3.0 * static_cast<double>(i % 1000);
        b.push_back(v);
        reference.push_back(v);
    }
    EXPECT_EQ(b.data(), range) << "refilled in place";
    EXPECT_EQ(b.capacity(), capacity);
    EXPECT_EQ(TValueBuffer::MappedBytes(), mapped);
    EXPECT_EQ(Contents(b), reference);
    // Growing past the kept range carries the contents along.
    for (std::size_t i = 0; i < Count; ++i) {
        b.push_back(1.0);
        reference.push_back(1.0);
    }
    EXPECT_EQ(Contents(b), reference);
    b = TValueBuffer();
    EXPECT_EQ(TValueBuffer::MappedBytes(), start);
}

TEST(ValueBuffer, ClearKeepsOnlyAMappingItsContentsFilled)
{
    struct Row
    {
        const char* name;
        void (*prepare)(TValueBuffer&);
        bool kept;
    };
    const Row rows[] = {
        {"heap contents", [](TValueBuffer& b) { Fill(b, HeapCount); }, false},
        {"mapping just past the heap", [](TValueBuffer& b) { Fill(b, HeapCount + 1); }, true},
        {"full mapping", [](TValueBuffer& b) { Fill(b, 40 * StepCount); }, true},
        {"mapping above the limit",
         [](TValueBuffer& b) { Fill(b, TValueBuffer::KeepLimit / sizeof(double) + 1); }, false},
        {"refill below half after a clear",
         [](TValueBuffer& b) {
             Fill(b, 40 * StepCount);
             b.clear();
             Fill(b, 19 * StepCount);
         },
         false},
        {"refill to half after a clear",
         [](TValueBuffer& b) {
             Fill(b, 40 * StepCount);
             b.clear();
             Fill(b, 21 * StepCount);
         },
         true},
        {"cleared twice",
         [](TValueBuffer& b) {
             Fill(b, 40 * StepCount);
             b.clear();
         },
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t start = TValueBuffer::MappedBytes();
        {
            TValueBuffer b;
            row.prepare(b);
            const std::size_t mapped = TValueBuffer::MappedBytes();
            const std::size_t capacity = b.capacity();
            b.clear();
            EXPECT_EQ(b.size(), 0u);
            if (row.kept) {
                EXPECT_EQ(b.capacity(), capacity);
                EXPECT_EQ(TValueBuffer::MappedBytes(), mapped);
            } else {
                EXPECT_EQ(b.capacity(), 0u);
                EXPECT_EQ(b.data(), nullptr);
                EXPECT_EQ(TValueBuffer::MappedBytes(), start);
            }
            b.push_back(4);
            EXPECT_EQ(Contents(b), std::vector<double>{4});
        }
        EXPECT_EQ(TValueBuffer::MappedBytes(), start);
    }
}

// Resident bytes of the mapping that holds Address that the kernel may not simply drop
// (resident minus lazily freed); false when the kernel does not tell.
bool HeldBytes(const void* address, std::size_t& held)
{
    std::FILE* f = std::fopen("/proc/self/smaps", "r");
    if (f == nullptr) return false;
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    bool inside = false;
    bool haveRss = false;
    bool haveLazy = false;
    std::size_t rss = 0;
    std::size_t lazy = 0;
    char line[512];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        unsigned long from = 0;
        unsigned long to = 0;
        unsigned long kb = 0;
        if (std::sscanf(line, "%lx-%lx ", &from, &to) == 2) {
            if (inside) break;
            inside = at >= from && at < to;
        } else if (inside && std::sscanf(line, "Rss: %lu kB", &kb) == 1) {
            rss = kb * 1024;
            haveRss = true;
        } else if (inside && std::sscanf(line, "LazyFree: %lu kB", &kb) == 1) {
            lazy = kb * 1024;
            haveLazy = true;
        }
    }
    std::fclose(f);
    if (!haveRss || !haveLazy) return false;
    held = rss - std::min(rss, lazy);
    return true;
}

TEST(ValueBuffer, ClearOfALargeBufferLetsItsPagesGo)
{
    constexpr std::size_t Count = 2000000;
    TValueBuffer b;
    for (std::size_t i = 0; i < Count; ++i)
        b.push_back(static_cast<double>(i));
    std::size_t before = 0;
    if (!HeldBytes(b.data(), before)) GTEST_SKIP() << "no lazily freed pages in /proc/self/smaps";
    ASSERT_GE(before, Count * sizeof(double));
    b.clear();
    std::size_t after = 0;
    ASSERT_TRUE(HeldBytes(b.data(), after));
    // The mapping may have merged with a neighbour whose pages come and go; the buffer's own
    // pages are what must go, give or take a step.
    EXPECT_GE(before - std::min(before, after), Count * sizeof(double) - TValueBuffer::MapStep);
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
    }
};

TEST_F(ValueBufferOutOfMemory, FailedGrowthChangesNothing)
{
    struct Case
    {
        const char* name;
        std::size_t count; // fills the capacity exactly
        void (*apply)(TValueBuffer&);
    };
    const Case cases[] = {
        {"HeapToMapping", HeapCount, [](TValueBuffer& b) { b.push_back(-1); }},
        {"GrowMapping", 4 * StepCount, [](TValueBuffer& b) { b.push_back(-1); }},
        {"InsertFront", 4 * StepCount, [](TValueBuffer& b) { b.insert(0, -1); }},
        {"InsertMiddle", HeapCount, [](TValueBuffer& b) { b.insert(b.size() / 2, -1); }},
        {"Copy", 4 * StepCount, [](TValueBuffer& b) { TValueBuffer copy(b); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TValueBuffer b;
        for (std::size_t i = 0; i < c.count; ++i)
            b.push_back(static_cast<double>(i));
        ASSERT_EQ(b.capacity(), b.size());
        const std::vector<double> before = Contents(b);
        const std::size_t capacity = b.capacity();
        const std::size_t mapped = TValueBuffer::MappedBytes();
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
        EXPECT_EQ(TValueBuffer::MappedBytes(), mapped);
        EXPECT_EQ(Contents(b), before);
        b.push_back(7);
        EXPECT_EQ(b.back(), 7) << "usable again once memory is there";
    }
}

TEST_F(ValueBufferOutOfMemory, AddPointKeepsTheColumnsInStep)
{
    // Both columns full: the X column cannot grow.
    TChartSeries full;
    const int n = static_cast<int>(4 * StepCount);
    for (int i = 0; i < n; ++i)
        full.AddPoint(i, i % 2);
    // The X column has room and the Y column has none: X has to be taken back.
    TChartSeries yFull;
    for (int i = 0; i < n; ++i)
        yFull.AddPoint(i, i % 2);
    yFull.XValues()->InsertValue(n, 0);
    yFull.XValues()->RemoveValue(n);
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
