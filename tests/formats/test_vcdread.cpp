// The dump reader: our own dumps of random logs read back to the same samples, and hand-made
// dumps for the rules a simulator's file exercises and the faults a user would meet.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "formats/VcdExport.h"
#include "formats/VcdRead.h"
#include "tests/common/SampleLines.h"

namespace {

struct TSample
{
    int32_t Time;
    uint32_t Word;
    bool operator==(const TSample&) const = default;
};

// The log text's lines, each one required to be a sample line.
std::vector<TSample> SamplesOf(const std::string& logText)
{
    std::vector<std::string> lines;
    for (size_t at = 0; !logText.empty();) {
        const size_t end = logText.find("\r\n", at);
        lines.push_back(logText.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 2;
    }
    const TSampleModel model{TLineList(lines)};
    EXPECT_EQ(model.FirstBadLine(), -1) << logText;
    std::vector<TSample> samples;
    for (int i = 0; i < model.SampleCount(); ++i)
        samples.push_back({model.Time(i), model.Word(i)});
    return samples;
}

} // namespace

// Random ascending logs through the dump writer: what the reader gives back is the log as a
// waveform sees it: from time 0 (where every signal starts at 0), the last word of each time,
// a line only where the word changes.
TEST(VcdRead, OwnDumpsOfRandomLogsReadBackToTheirSamples)
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        const int count = static_cast<int>(random() % 60);
        // Few distinct words, so that repeats and unchanged words are common.
        const bool fewWords = random() % 2 == 0;
        std::string log;
        std::vector<TSample> written;
        int64_t time = random() % 3 == 0 ? 0 : static_cast<int64_t>(random() % 1000);
        for (int i = 0; i < count && time <= INT32_MAX; ++i) {
            const uint32_t word = fewWords ? random() % 4 : static_cast<uint32_t>(random());
            written.push_back({static_cast<int32_t>(time), word});
            char line[32];
            std::snprintf(line, sizeof line, "%lld:%x\n", static_cast<long long>(time), word);
            log += line;
            const int step = static_cast<int>(random() % 4);
            time += step == 0 ? 0 : step == 3 ? static_cast<int64_t>(random() % 400000000) : step;
        }
        std::vector<TSample> expected = {{0, 0}};
        for (const TSample& s : written) {
            if (s.Time == expected.back().Time)
                expected.back().Word = s.Word;
            else
                expected.push_back(s);
        }
        std::vector<TSample> collapsed;
        for (const TSample& s : expected)
            if (collapsed.empty() || collapsed.back().Word != s.Word) collapsed.push_back(s);

        const TSampleModel model{TSplitLines(log)};
        const TVcdConversion read = ReadVcd(WriteVcd(model, "10 us"));
        ASSERT_EQ(read.Status, TVcdStatus::Converted) << read.Line << ": " << read.Reason;
        EXPECT_EQ(read.Timescale, "10 us");
        EXPECT_EQ(read.UnknownValues, 0);
        ASSERT_EQ(read.Signals.size(), 32u);
        EXPECT_EQ(read.Signals.front(), "logview.word[0]");
        EXPECT_EQ(read.Signals.back(), "logview.word[31]");
        EXPECT_EQ(SamplesOf(read.LogText), collapsed);

        // The dump's one-bit wires name the same bits as the vector's.
        const TVcdConversion bits =
            ReadVcd(WriteVcd(model, "1 ns"), {"logview.bit0", "logview.word[1]", "logview.bit7"});
        ASSERT_EQ(bits.Status, TVcdStatus::Converted) << bits.Reason;
        std::vector<TSample> low;
        for (const TSample& s : collapsed) {
            const uint32_t word = (s.Word & 3u) | ((s.Word >> 5) & 4u);
            if (low.empty() || low.back().Word != word) low.push_back({s.Time, word});
        }
        EXPECT_EQ(SamplesOf(bits.LogText), low);
    }
}

TEST(VcdRead, HandMadeDumps)
{
    const std::string nested = "$date today $end\n"
                               "$timescale 10us $end\n"
                               "$scope module top $end\n"
                               "$var wire 1 ! clk $end\n"
                               "$scope module cpu $end\n"
                               "$var reg 4 \" bus [3:0] $end\n"
                               "$upscope $end\n"
                               "$var wire 1 # en $end\n"
                               "$upscope $end\n"
                               "$enddefinitions $end\n"
                               "#0\n$dumpvars\n0!\nb0101 \"\n1#\n$end\n"
                               "#5\n1!\n#7\nb1 \"\n#9\nb1 \"\n";
    const std::string twoBits = "$scope module m $end $var wire 1 a x $end\n"
                                "$var wire 2 b y [1:0] $end $upscope $end\n"
                                "$var real 64 r temp $end\n"
                                "$enddefinitions $end\n";
    struct Row
    {
        const char* name;
        std::string vcd;
        std::vector<std::string> signals;
        TVcdStatus status;
        std::string log;
        int64_t unknown;
        int line;
        std::string reason;
    } rows[] = {
        {"nested scopes and a vector, by default",
         nested,
         {},
         TVcdStatus::Converted,
         "0:2A\r\n5:2B\r\n7:23",
         0,
         0,
         ""},
        {"signals named, scopes joined with dots",
         nested,
         {"top.en", "top.cpu.bus[2]"},
         TVcdStatus::Converted,
         "0:3\r\n7:1",
         0,
         0,
         ""},
        {"x and z read as 0 and counted, a short vector extended with its z",
         twoBits + "#1 xa bz1 b\n#2 1a b10 b\n#3 bz b\n",
         {},
         TVcdStatus::Converted,
         "1:2\r\n2:5\r\n3:1",
         4,
         0,
         ""},
        {"a time repeated is one time, its last word standing",
         twoBits + "#3 1a #3 0a #3 1a #4 1a #5 0a #5 1a\n",
         {},
         TVcdStatus::Converted,
         "3:1",
         0,
         0,
         ""},
        {"reals are skipped",
         twoBits + "#0 r1.5 r 1a\n",
         {"m.x"},
         TVcdStatus::Converted,
         "0:1",
         0,
         0,
         ""},
        {"the largest time",
         twoBits + "#2147483647 1a\n",
         {},
         TVcdStatus::Converted,
         "2147483647:1",
         0,
         0,
         ""},
        {"a time beyond 32 bits",
         twoBits + "#1 1a\n#2147483648 0a\n",
         {},
         TVcdStatus::Malformed,
         "",
         0,
         6,
         "does not fit a 32-bit time stamp"},
        {"a time going back",
         twoBits + "#5\n#4\n",
         {},
         TVcdStatus::Malformed,
         "",
         0,
         6,
         "goes back"},
        {"an unknown signal",
         nested,
         {"top.en", "top.cpu.bus[4]"},
         TVcdStatus::UnknownSignal,
         "",
         0,
         0,
         "top.cpu.bus[4]"},
        {"a real is no signal to choose",
         twoBits,
         {"temp"},
         TVcdStatus::UnknownSignal,
         "",
         0,
         0,
         "temp"},
        {"a file cut inside a $var",
         "$timescale 1ns $end\n$var wire 1 a x\n",
         {},
         TVcdStatus::Malformed,
         "",
         0,
         2,
         "$var has no $end"},
        {"a file cut before $enddefinitions",
         "$var wire 1 a x $end\n\n",
         {},
         TVcdStatus::Malformed,
         "",
         0,
         3,
         "no $enddefinitions"},
        {"a vector cut before its code",
         twoBits + "#0\nb01",
         {},
         TVcdStatus::Malformed,
         "",
         0,
         6,
         "no identifier code"},
        {"an unknown identifier code",
         twoBits + "#0\n1q\n",
         {},
         TVcdStatus::Malformed,
         "",
         0,
         6,
         "unknown identifier code 'q'"},
        {"a bad vector digit",
         twoBits + "#0\nb012 b\n",
         {},
         TVcdStatus::Malformed,
         "",
         0,
         6,
         "bad value '012'"},
        {"a range that does not match the width",
         "$var wire 4 a v [2:0] $end\n",
         {},
         TVcdStatus::Malformed,
         "",
         0,
         1,
         "does not hold 4 bits"},
        {"$upscope without a scope",
         "$upscope $end\n",
         {},
         TVcdStatus::Malformed,
         "",
         0,
         1,
         "outside any $scope"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TVcdConversion r = ReadVcd(row.vcd, row.signals);
        EXPECT_EQ(r.Status, row.status) << r.Line << ": " << r.Reason;
        EXPECT_EQ(r.LogText, row.log);
        EXPECT_EQ(r.UnknownValues, row.unknown);
        EXPECT_EQ(r.Line, row.line);
        EXPECT_NE(r.Reason.find(row.reason), std::string::npos) << r.Reason;
    }
    EXPECT_EQ(ReadVcd(nested).Timescale, "10 us");
    EXPECT_EQ(ReadVcd(twoBits + "r2 r\n").SkippedValues, 1);
}

TEST(VcdRead, ADumpIsKnownByItsFirstToken)
{
    EXPECT_TRUE(LooksLikeVcd(" \r\n\t$date x $end"));
    EXPECT_TRUE(LooksLikeVcd("$enddefinitions"));
    EXPECT_FALSE(LooksLikeVcd("150:1f\r\n"));
    EXPECT_FALSE(LooksLikeVcd("  \n"));
    EXPECT_FALSE(LooksLikeVcd("#0\n$end"));
}
