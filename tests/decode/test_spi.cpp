// SPI decoding against an encoder: random words under random settings written as a log with
// other bits toggling, uneven clock periods and cut words, then decoded back.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "decode/Decode.h"
#include "samples/SampleModel.h"
#include "tests/decode/DecodeLog.h"

namespace {

// A value of Bits bits as hex digits, and the bit of it sent Index-th.
std::string RandomHex(std::mt19937& random, int bits)
{
    const int digits = (bits + 3) / 4;
    std::string hex;
    for (int i = 0; i < digits; ++i) {
        int digit = static_cast<int>(random() % 16);
        if (i == 0 && bits % 4 != 0) digit &= (1 << (bits % 4)) - 1;
        hex += "0123456789ABCDEF"[digit];
    }
    return hex;
}

bool WireBit(const std::string& hex, int bits, int index, bool msbFirst)
{
    const int weight = msbFirst ? bits - 1 - index : index;
    const char c = hex[hex.size() - 1 - static_cast<size_t>(weight / 4)];
    const int digit = c <= '9' ? c - '0' : c - 'A' + 10;
    return ((digit >> (weight % 4)) & 1) != 0;
}

struct TSpiEncoder
{
    std::mt19937& Random;
    TSpiSettings Settings;
    TLogWriter& Log;
    std::vector<TDecodedItem> Expected;

    void SetData(const std::string& mosi, const std::string& miso, int index)
    {
        if (Settings.Mosi != -1)
            Log.Set(Settings.Mosi, WireBit(mosi, Settings.WordBits, index, Settings.MsbFirst));
        if (Settings.Miso != -1)
            Log.Set(Settings.Miso, WireBit(miso, Settings.WordBits, index, Settings.MsbFirst));
    }

    // Sends a word, stopping after Limit clock edges when that is less than the word's;
    // returns the edges sent, and the first one's time in Start. The word is complete once
    // its last bit is sampled, even before the clock is back at idle.
    int Word(int limit, double& start, bool& complete)
    {
        const int bits = Settings.WordBits;
        const std::string mosi = RandomHex(Random, bits);
        const std::string miso = RandomHex(Random, bits);
        const bool secondEdge = (Settings.Mode & 1) != 0;
        int edges = 0;
        double sampled = 0;
        complete = false;
        const auto edge = [&](bool data, int index) {
            Log.Set(Settings.Clk, !Log.Get(Settings.Clk));
            if (data) SetData(mosi, miso, index);
            const double time = Log.Emit();
            if (edges++ == 0) start = time;
            return time;
        };
        const auto finish = [&] {
            complete = true;
            if (Settings.Mosi != -1)
                Expected.push_back({start, sampled, TDecodeField::Mosi, mosi, {}});
            if (Settings.Miso != -1)
                Expected.push_back({start, sampled, TDecodeField::Miso, miso, {}});
        };
        for (int i = 0; i < bits; ++i) {
            // Data set in a sample of its own, with the first edge, or with the sampling edge.
            const unsigned choice = Random() % 3;
            if (!secondEdge && choice == 0) {
                SetData(mosi, miso, i);
                Log.Emit();
            }
            if (edges == limit) return edges;
            const double first = edge(secondEdge ? choice == 1 : choice != 0, i);
            if (secondEdge && choice == 0) {
                SetData(mosi, miso, i);
                Log.Emit();
            }
            if (!secondEdge) sampled = first;
            if (edges == limit) {
                if (!secondEdge && i == bits - 1) finish();
                return edges;
            }
            const double second = edge(secondEdge && choice == 2, i);
            if (secondEdge) sampled = second;
        }
        finish();
        return edges;
    }
};

TEST(Spi, RandomWordsUnderRandomSettingsDecodeBack)
{
    std::mt19937 random(20261208);
    int words = 0;
    int cuts = 0;
    for (int round = 0; round < 400; ++round) {
        std::vector<int> channels(32);
        std::iota(channels.begin(), channels.end(), 0);
        std::shuffle(channels.begin(), channels.end(), random);
        TSpiSettings settings;
        settings.Clk = channels[0];
        const unsigned lines = random() % 3;
        settings.Mosi = lines != 2 ? channels[1] : -1;
        settings.Miso = lines != 1 ? channels[2] : -1;
        settings.Cs = random() % 3 != 0 ? channels[3] : -1;
        settings.CsActiveHigh = random() % 2 == 0;
        settings.Mode = static_cast<int>(random() % 4);
        settings.WordBits =
            static_cast<int>(random() % 2 == 0 ? 1 + random() % 16 : 1 + random() % 256);
        settings.MsbFirst = random() % 3 != 0;
        const bool equalTimes = random() % 2 == 0;
        TLogWriter log(random, {channels.begin() + 4, channels.begin() + 4 + random() % 4},
                       equalTimes);
        TSpiEncoder encoder{random, settings, log, {}};
        const bool idle = (settings.Mode & 2) != 0;
        const bool hasCs = settings.Cs != -1;
        const bool active = settings.CsActiveHigh;
        const int edgesPerWord = 2 * settings.WordBits;
        const int wordsPerRound = settings.WordBits > 64 ? 2 : 5;

        log.Set(settings.Clk, idle);
        if (hasCs) log.Set(settings.Cs, !active);
        log.Emit();
        // Without chip select, one run of words that a cut ends with the log.
        for (int t = hasCs ? static_cast<int>(random() % 3) : 0; t >= 0; --t) {
            if (hasCs) {
                log.Set(settings.Cs, active);
                log.Emit();
            }
            for (int w = static_cast<int>(random() % wordsPerRound); w >= 0; --w) {
                const int limit =
                    random() % 5 == 0 ? static_cast<int>(random() % edgesPerWord) : edgesPerWord;
                double start = 0;
                bool complete = false;
                const int sent = encoder.Word(limit, start, complete);
                words += complete;
                if (sent == edgesPerWord) continue;
                if (hasCs) log.Set(settings.Cs, !active);
                const double end = hasCs ? log.Emit() : log.LastTime();
                if (sent > 0 && !complete) {
                    encoder.Expected.push_back({start, end, TDecodeField::Incomplete, {}, {}});
                    ++cuts;
                }
                break;
            }
            if (!hasCs) break;
            log.Set(settings.Cs, !active);
            log.Emit();
            // Another device's clock while this one is not selected, then back to idle.
            for (int e = static_cast<int>(random() % 3); e > 0; --e) {
                log.Set(settings.Clk, !log.Get(settings.Clk));
                log.Emit();
            }
            log.Set(settings.Clk, idle);
            log.Emit();
        }

        const TSampleModel model{TLineList(log.Lines())};
        ASSERT_EQ(model.SampleCount(), static_cast<int>(log.Lines().size()));
        const std::vector<TDecodedItem> items = DecodeSpi(model, model.SampleCount(), settings);
        ASSERT_EQ(Texts(items), Texts(encoder.Expected))
            << "round " << round << " mode " << settings.Mode << " bits " << settings.WordBits;
        if (!equalTimes) {
            // Lines out of time order are read in time order.
            std::vector<std::string> shuffled = log.Lines();
            std::shuffle(shuffled.begin(), shuffled.end(), random);
            const TSampleModel shuffledModel{TLineList(shuffled)};
            ASSERT_EQ(Texts(DecodeSpi(shuffledModel, shuffledModel.SampleCount(), settings)),
                      Texts(items))
                << "round " << round;
        }
    }
    EXPECT_GT(words, 900);
    EXPECT_GT(cuts, 50);
}

TEST(Spi, ChannelsOutOfTheWordGiveNoItemsInsteadOfReadingGarbage)
{
    const TSampleModel model{TLineList({"0:0", "1:1", "2:3", "3:0", "4:1", "5:0"})};
    TSpiSettings settings;
    settings.Mosi = 1;
    settings.WordBits = 1;
    ASSERT_EQ(DecodeSpi(model, model.SampleCount(), settings).size(), 2u);
    for (const auto& change : std::vector<void (*)(TSpiSettings&)>{
             [](TSpiSettings& s) { s.Clk = 32; }, [](TSpiSettings& s) { s.Mosi = -2; },
             [](TSpiSettings& s) { s.Cs = 40; }, [](TSpiSettings& s) { s.WordBits = 0; },
             [](TSpiSettings& s) { s.Mode = 4; }}) {
        TSpiSettings wrong = settings;
        change(wrong);
        EXPECT_TRUE(DecodeSpi(model, model.SampleCount(), wrong).empty());
    }
    EXPECT_TRUE(DecodeSpi(model, 0, settings).empty());
}

} // namespace
