// The UART decoder against a seeded encoder: random bytes sent with random settings, errors
// and jitter must come back as they were sent, with the bit length given or detected.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "decode/Decode.h"
#include "samples/SampleModel.h"

namespace {

class TVectorLines : public TSampleLines
{
public:
    explicit TVectorLines(const std::vector<std::string>& lines) : FLines(lines) {}
    int Count() const override { return static_cast<int>(FLines.size()); }
    std::string_view Line(int index) const override { return FLines[static_cast<size_t>(index)]; }

private:
    const std::vector<std::string>& FLines;
};

struct TEncoded
{
    TUartSettings Settings;
    std::vector<std::string> Lines;
    // Field, value and start edge of every item the decoder should give.
    std::vector<TDecodedItem> Expected;
};

int Ones(uint32_t v)
{
    int n = 0;
    for (; v != 0; v &= v - 1)
        ++n;
    return n;
}

// Sends random frames on a random rx bit while other bits of the word toggle, every edge
// moved by up to 3% of a bit and rounded to whole time units.
TEncoded Encode(unsigned seed, int frames)
{
    std::mt19937 rng(seed);
    const auto uniform = [&](double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(rng);
    };
    const auto chance = [&](double p) { return uniform(0, 1) < p; };
    TEncoded e;
    TUartSettings& s = e.Settings;
    s.Rx = static_cast<int>(rng() % 32);
    s.BitTicks = chance(0.5) ? std::round(uniform(16, 400)) : uniform(16, 400);
    s.DataBits = 5 + static_cast<int>(rng() % 5);
    s.Parity = static_cast<TUartParity>(rng() % 6);
    s.StopBits = std::array{1.0, 1.5, 2.0}[rng() % 3];
    s.MsbFirst = chance(0.5);
    s.Invert = chance(0.5);
    const double bit = s.BitTicks;
    const bool hasParity = s.Parity != TUartParity::None;

    // The line as runs of a level, in bits.
    std::vector<std::pair<double, int>> runs{{uniform(2, 30), 1}};
    // The runs that open a frame, with the item they open.
    std::vector<std::pair<size_t, size_t>> opens;
    for (int f = 0; f < frames; ++f) {
        opens.push_back({runs.size(), e.Expected.size()});
        if (chance(0.05)) {
            const double low = 1 + s.DataBits + hasParity + s.StopBits + uniform(0.2, 10);
            runs.push_back({low, 0});
            runs.push_back({uniform(1, 5), 1});
            e.Expected.push_back({0, 0, TDecodeField::Break, {}, {}});
            continue;
        }
        const uint32_t value = static_cast<uint32_t>(rng()) & ((1u << s.DataBits) - 1);
        const bool badParity = (s.Parity == TUartParity::Odd || s.Parity == TUartParity::Even ||
                                s.Parity == TUartParity::Mark || s.Parity == TUartParity::Space) &&
                               chance(0.1);
        int parity = 0;
        switch (s.Parity) {
        case TUartParity::Odd:
            parity = Ones(value) % 2 == 0;
            break;
        case TUartParity::Even:
        case TUartParity::None:
            parity = Ones(value) % 2;
            break;
        case TUartParity::Mark:
            parity = 1;
            break;
        case TUartParity::Space:
            parity = 0;
            break;
        case TUartParity::Ignore:
            parity = static_cast<int>(rng() % 2);
            break;
        }
        parity ^= badParity ? 1 : 0;
        // A missing stop bit after nothing but low bits would be a break.
        const bool badStop = chance(0.1) && (value != 0 || (hasParity && parity == 1));
        runs.push_back({1, 0});
        for (int i = 0; i < s.DataBits; ++i) {
            const int place = s.MsbFirst ? s.DataBits - 1 - i : i;
            runs.push_back({1, static_cast<int>((value >> place) & 1u)});
        }
        if (hasParity) runs.push_back({1, parity});
        runs.push_back({s.StopBits, badStop ? 0 : 1});
        const double gap = badStop ? uniform(1, 5) : chance(0.5) ? 0 : uniform(0.5, 20);
        if (gap > 0) runs.push_back({gap, 1});
        char hex[16];
        std::snprintf(hex, sizeof hex, s.DataBits > 8 ? "%03X" : "%02X", value & 0x1FFu);
        e.Expected.push_back({0, 0, TDecodeField::Data, hex, {}});
        if (badParity) e.Expected.push_back({0, 0, TDecodeField::ParityError, {}, {}});
        if (badStop) e.Expected.push_back({0, 0, TDecodeField::FrameError, {}, {}});
    }

    // The edges, jittered; then lines at the edges and at other bits' changes between them.
    std::vector<std::pair<int32_t, int>> edges{{0, 1}};
    double at = 0;
    auto open = opens.begin();
    for (size_t r = 0; r < runs.size(); ++r) {
        const auto [length, level] = runs[r];
        if (level != edges.back().second)
            edges.push_back(
                {static_cast<int32_t>(std::lround(at * bit + uniform(-0.03, 0.03) * bit)), level});
        if (open != opens.end() && open->first == r) {
            e.Expected[open->second].Start = edges.back().first;
            ++open;
        }
        at += length;
    }
    uint32_t others = static_cast<uint32_t>(rng()) & ~(1u << s.Rx);
    const auto line = [&](int32_t time, int level) {
        const uint32_t word = others | (static_cast<uint32_t>(level ^ s.Invert) << s.Rx);
        char text[32];
        std::snprintf(text, sizeof text, "%d:%x", time, word);
        e.Lines.push_back(text);
    };
    for (size_t i = 0; i < edges.size(); ++i) {
        line(edges[i].first, edges[i].second);
        if (i + 1 < edges.size() && edges[i + 1].first - edges[i].first > 2 && chance(0.3)) {
            others ^= static_cast<uint32_t>(rng()) & ~(1u << s.Rx);
            line(edges[i].first + 1 +
                     static_cast<int32_t>(
                         rng() % static_cast<unsigned>(edges[i + 1].first - edges[i].first - 1)),
                 edges[i].second);
        }
    }
    // Lines out of time order must not matter: the decoder reads the samples by time.
    if (seed % 3 == 0)
        for (size_t i = 1; i < e.Lines.size(); ++i)
            if (chance(0.1)) std::swap(e.Lines[i - 1], e.Lines[i]);
    return e;
}

void ExpectItems(const std::vector<TDecodedItem>& got, const std::vector<TDecodedItem>& expected)
{
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        EXPECT_EQ(FieldName(got[i].Field), std::string(FieldName(expected[i].Field)));
        EXPECT_EQ(got[i].Value, expected[i].Value);
        if (expected[i].Field != TDecodeField::ParityError &&
            expected[i].Field != TDecodeField::FrameError) {
            EXPECT_EQ(got[i].Start, expected[i].Start);
        }
        EXPECT_LE(got[i].Start, got[i].End);
        if (i > 0) {
            EXPECT_LE(got[i - 1].Start, got[i].Start);
        }
    }
}

double FrameBits(const TUartSettings& s)
{
    return 1 + s.DataBits + (s.Parity != TUartParity::None) + s.StopBits;
}

} // namespace

TEST(Uart, GivesBackWhatTheEncoderSent)
{
    int frames = 0;
    double worstDetection = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const TEncoded e = Encode(seed, 60);
        const TSampleModel model{TVectorLines(e.Lines)};
        ASSERT_EQ(model.FirstBadLine(), -1);
        ExpectItems(DecodeUart(model, model.SampleCount(), e.Settings), e.Expected);
        for (const TDecodedItem& item : e.Expected)
            frames += item.Field == TDecodeField::Data;

        TUartSettings detect = e.Settings;
        detect.BitTicks = 0;
        const std::vector<TDecodedItem> found = DecodeUart(model, model.SampleCount(), detect);
        ExpectItems(found, e.Expected);
        for (const TDecodedItem& item : found) {
            if (item.Field != TDecodeField::Data) continue;
            const double error = std::fabs(
                (item.End - item.Start) / FrameBits(e.Settings) / e.Settings.BitTicks - 1);
            EXPECT_LT(error, 0.02);
            worstDetection = std::max(worstDetection, error);
            break;
        }
        if (HasFatalFailure() || HasFailure()) break;
    }
    std::printf("%d frames decoded; worst detected bit length off by %.3f%%\n", frames,
                100 * worstDetection);
}

// Hand-made lines at 100 units a bit, 8N1: the faults a user would notice.
TEST(Uart, EdgesOfTheLog)
{
    struct Row
    {
        const char* name;
        std::vector<std::string> lines;
        std::vector<TDecodedItem> expected;
    } rows[] = {
        {"a frame after the last sample is read from the level that holds",
         {"0:1", "100:0", "200:1"},
         {{100, 1100, TDecodeField::Data, "FF", {}}}},
        {"a glitch shorter than half a bit starts no frame",
         {"0:1", "100:0", "120:1", "500:0", "600:1", "700:0", "800:1"},
         {{500, 1500, TDecodeField::Data, "FD", {}}}},
        {"a line left low is one break",
         {"0:1", "100:0"},
         {{100, 1100, TDecodeField::Break, {}, {}}}},
        {"a text character",
         {"0:1", "10:0", "110:1", "210:0", "710:1", "810:0", "910:1"},
         {{10, 1010, TDecodeField::Data, "41", "A"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TSampleModel model{TVectorLines(row.lines)};
        TUartSettings s;
        s.BitTicks = 100;
        const std::vector<TDecodedItem> got = DecodeUart(model, model.SampleCount(), s);
        ASSERT_EQ(got.size(), row.expected.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].Start, row.expected[i].Start);
            EXPECT_EQ(got[i].End, row.expected[i].End);
            EXPECT_EQ(got[i].Field, row.expected[i].Field);
            EXPECT_EQ(got[i].Value, row.expected[i].Value);
            EXPECT_EQ(got[i].Text, row.expected[i].Text);
        }
    }
}
