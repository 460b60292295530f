// The queries against a plain model (parsed lines sorted by time, edges listed, then each
// query read off those lists) on seeded random logs with times that go back, repeated times
// and bad lines; a few hand-checked logs for the conventions; the query reader's refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "samples/Find.h"
#include "tests/common/SampleLines.h"

void PrintTo(const TFindMatch& m, std::ostream* out)
{
    *out << "{line " << m.Line << ", " << m.Start << ".." << m.End << "}";
}

namespace {

struct TPlainSample
{
    int Line;
    int64_t Time;
    uint32_t Word;
};

// The samples before the first bad line, by time with ties in line order.
std::vector<TPlainSample> PlainSamples(const std::vector<std::string>& lines)
{
    std::vector<TPlainSample> samples;
    for (size_t i = 0; i < lines.size(); ++i) {
        const TSampleLineRead read = ReadSampleLine(lines[i]);
        if (!read.IsSample()) break;
        samples.push_back({static_cast<int>(i), read.Time, read.Word});
    }
    std::stable_sort(samples.begin(), samples.end(),
                     [](const TPlainSample& a, const TPlainSample& b) { return a.Time < b.Time; });
    return samples;
}

std::vector<TFindMatch> PlainFind(const std::vector<std::string>& lines, const TFindQuery& q)
{
    const std::vector<TPlainSample> s = PlainSamples(lines);
    auto m = [](const TPlainSample& a, const TPlainSample& b) {
        return TFindMatch{a.Line, static_cast<int32_t>(a.Time), static_cast<int32_t>(b.Time)};
    };
    std::vector<TFindMatch> out;
    if (q.Kind == TFindKind::Word) {
        for (const TPlainSample& a : s) {
            bool same = true;
            for (int bit = 0; bit < 32; ++bit)
                if ((q.Mask >> bit & 1) && (a.Word >> bit & 1) != (q.Value >> bit & 1))
                    same = false;
            if (same) out.push_back(m(a, a));
        }
        return out;
    }
    if (q.Kind == TFindKind::Gap) {
        for (size_t i = 1; i < s.size(); ++i)
            if (s[i].Time - s[i - 1].Time > q.Longer) out.push_back(m(s[i - 1], s[i]));
        return out;
    }
    // Edges as (index into s, new level).
    std::vector<std::pair<size_t, int>> edges;
    for (size_t i = 1; i < s.size(); ++i) {
        const int now = s[i].Word >> q.Bit & 1;
        if (now != static_cast<int>(s[i - 1].Word >> q.Bit & 1)) edges.push_back({i, now});
    }
    for (size_t e = 0; e < edges.size(); ++e) {
        const TPlainSample& a = s[edges[e].first];
        if (q.Kind == TFindKind::Edge) {
            const bool want =
                q.Direction == TEdgeDirection::Any ||
                (q.Direction == TEdgeDirection::Rise ? edges[e].second == 1 : edges[e].second == 0);
            if (want) out.push_back(m(a, a));
            continue;
        }
        if (edges[e].second != q.Level || e + 1 == edges.size()) continue;
        const TPlainSample& b = s[edges[e + 1].first];
        const int64_t width = b.Time - a.Time;
        bool hit = !q.HasShorter && !q.HasLonger;
        if (q.HasShorter && width < q.Shorter) hit = true;
        if (q.HasLonger && width > q.Longer) hit = true;
        if (hit) out.push_back(m(a, b));
    }
    return out;
}

// Mostly rising times with steps back and repeats, bits 0-2 busy, a rare bad line.
std::vector<std::string> RandomLog(std::mt19937& random)
{
    std::vector<std::string> log;
    const int lines = static_cast<int>(random() % 60);
    int time = static_cast<int>(random() % 40) - 20;
    const int badOdds = 1 + static_cast<int>(random() % 3) * 40;
    for (int i = 0; i < lines; ++i) {
        if (random() % static_cast<unsigned>(badOdds) == 1) {
            log.emplace_back(random() % 2 ? "oops" : "5:zz");
            continue;
        }
        const unsigned step = random() % 10;
        time += step < 2 ? -static_cast<int>(random() % 30) : step < 5 ? 0 : random() % 20;
        char text[40];
        std::snprintf(text, sizeof text, "%d:%x", time,
                      static_cast<unsigned>(random() & 0x8000000F));
        log.emplace_back(text);
    }
    return log;
}

std::string RandomQueryText(std::mt19937& random)
{
    const auto bit = [&] { return std::to_string(random() % 2 ? random() % 3 : 31); };
    const auto span = [&] { return std::to_string(random() % 25); };
    switch (random() % 4) {
    case 0: {
        std::string text = "pulse:bit=" + bit() + (random() % 2 ? ",level=high" : ",level=low");
        const unsigned bounds = random() % 4;
        const std::string a = span();
        const std::string b = std::to_string(std::stoi(a) + random() % 10);
        if (bounds & 1) text += ",shorter=" + a;
        if (bounds & 2) text += ",longer=" + b;
        return text;
    }
    case 1: {
        const char* const dirs[] = {"", ",dir=rise", ",dir=fall", ",dir=any"};
        return "edge:bit=" + bit() + dirs[random() % 4];
    }
    case 2: {
        std::string pattern = random() % 3 == 0 ? "1" : "";
        for (unsigned n = random() % 5; n > 0; --n)
            pattern += "01x"[random() % 3];
        return "word:" + pattern + "x01"[random() % 3];
    }
    default:
        return "gap:longer=" + span();
    }
}

} // namespace

TEST(Find, EveryQueryAgreesWithAPlainModel)
{
    std::mt19937 random(20261208);
    size_t matches = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::vector<std::string> lines = RandomLog(random);
        const std::string text = RandomQueryText(random);
        SCOPED_TRACE(testing::Message() << "round " << round << ": " << text);
        TFindQuery query;
        std::string error;
        ASSERT_TRUE(ParseFindQuery(text, query, error)) << error;
        const TSampleModel model{TLineList(lines)};
        const int samples = model.FirstBadLine() < 0 ? model.SampleCount() : model.FirstBadLine();
        const std::vector<TFindMatch> found = FindMatches(model, samples, query);
        ASSERT_EQ(found, PlainFind(lines, query));
        matches += found.size();
    }
    // The logs are busy enough for the comparison to mean something.
    EXPECT_GT(matches, 20000u);
}

// The conventions a person reading the listing relies on, on logs small enough to check.
TEST(Find, HandCheckedLogs)
{
    struct Row
    {
        const char* name;
        std::vector<std::string> lines;
        const char* query;
        std::vector<TFindMatch> expected;
    } rows[] = {
        {"the first sample has no edge", {"0:1", "5:0"}, "edge:bit=0", {{1, 5, 5}}},
        {"a spike at one time is two edges",
         {"0:0", "7:1", "7:0"},
         "edge:bit=0",
         {{1, 7, 7}, {2, 7, 7}}},
        {"edges by time, not line", {"10:1", "0:0", "5:1"}, "edge:bit=0,dir=rise", {{2, 5, 5}}},
        {"a pulse still open is none",
         {"0:0", "2:1", "6:0", "9:1"},
         "pulse:bit=0,level=high",
         {{1, 2, 6}}},
        {"the first sample starts no pulse",
         {"0:1", "4:0", "5:1", "8:0"},
         "pulse:bit=0,level=high",
         {{2, 5, 8}}},
        {"outside the range",
         {"0:0", "1:1", "2:0", "10:1", "15:0", "20:1", "40:0"},
         "pulse:bit=0,level=high,shorter=2,longer=10",
         {{1, 1, 2}, {5, 20, 40}}},
        {"bit 31 low pulse",
         {"0:80000000", "3:0", "9:80000000"},
         "pulse:bit=31,level=low",
         {{1, 3, 9}}},
        {"nothing searched after a bad line",
         {"0:0", "1:1", "x", "2:0"},
         "edge:bit=0",
         {{1, 1, 1}}},
        {"missing high bits are x",
         {"0:1f", "1:0e", "2:fffe"},
         "word:1x10",
         {{1, 1, 1}, {2, 2, 2}}},
        {"gap across the time range",
         {"-2147483648:0", "2147483647:0"},
         "gap:longer=4294967294",
         {{0, -2147483647 - 1, 2147483647}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TFindQuery query;
        std::string error;
        ASSERT_TRUE(ParseFindQuery(row.query, query, error)) << error;
        const TSampleModel model{TLineList(row.lines)};
        const int samples = model.FirstBadLine() < 0 ? model.SampleCount() : model.FirstBadLine();
        EXPECT_EQ(FindMatches(model, samples, query), row.expected);
    }
}

TEST(Find, WrongQueriesAreRefusedWithTheReason)
{
    const std::pair<const char*, const char*> rows[] = {
        {"pulses", "no kind"},
        {"blink:bit=0", "unknown kind 'blink'"},
        {"edge:", "no settings"},
        {"edge:bit=32", "bit: bad value '32'"},
        {"edge:bit=-1", "bit: bad value"},
        {"edge:bit=1,dir=up", "dir: bad value 'up'"},
        {"edge:dir=rise", "bit: missing"},
        {"edge:bit=1,bit=2", "bit: repeated key"},
        {"edge:bit=1,colour=red", "colour: unknown key"},
        {"edge:bit", "'bit' is no key=value"},
        {"pulse:bit=0", "level: missing"},
        {"pulse:bit=0,level=on", "level: bad value 'on'"},
        {"pulse:bit=0,level=high,shorter=1.5", "shorter: bad value '1.5', expected a whole time"},
        {"pulse:bit=0,level=high,longer=4294967296", "longer: bad value"},
        {"pulse:bit=0,level=high,shorter=9,longer=3", "would match every pulse"},
        {"word:", "no pattern"},
        {"word:10z1", "'z' in the pattern"},
        {"word:111111111111111111111111111111111", "33 characters, at most 32"},
        {"gap:", "no settings"},
        {"gap:shorter=3", "shorter: unknown key"},
        {"gap:longer=+3", "longer: bad value"},
    };
    for (const auto& [text, reason] : rows) {
        SCOPED_TRACE(text);
        TFindQuery query;
        std::string error;
        EXPECT_FALSE(ParseFindQuery(text, query, error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
}
