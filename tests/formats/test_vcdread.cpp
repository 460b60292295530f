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
// waveform sees it: from the log's first time, the last word of each time, a line only where
// the word changes.
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
        std::vector<TSample> expected;
        for (const TSample& s : written) {
            if (!expected.empty() && s.Time == expected.back().Time)
                expected.back().Word = s.Word;
            else
                expected.push_back(s);
        }
        // An empty log's dump still holds its signals, at 0.
        if (expected.empty()) expected.push_back({0, 0});
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
    // A conversion as one text: its lines with blanks between them and the x or z count, or
    // the fault's line and reason, or the name refused.
    const auto describe = [](const TVcdConversion& r) {
        switch (r.Status) {
        case TVcdStatus::Malformed:
        case TVcdStatus::TimeOverflow:
            return "line " + std::to_string(r.Line) + ": " + r.Reason;
        case TVcdStatus::UnknownSignal:
            return "signals: " + r.Reason;
        case TVcdStatus::Converted:
            break;
        }
        std::string text = r.LogText;
        for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
            text.replace(at, 2, " ");
        return r.UnknownValues == 0 ? text : text + " / " + std::to_string(r.UnknownValues);
    };
    struct Row
    {
        const char* name;
        std::string vcd;
        std::vector<std::string> signals;
        std::string expected;
    } rows[] = {
        {"nested scopes and a vector, by default", nested, {}, "0:2A 5:2B 7:23"},
        {"signals named, scopes joined with dots", nested, {"top.en", "top.cpu.bus[2]"}, "0:3 7:1"},
        {"x and z read as 0 and counted, a short vector extended with its z",
         twoBits + "#1 xa bz1 b\n#2 1a b10 b\n#3 bz b\n",
         {},
         "1:2 2:5 3:1 / 4"},
        {"a time repeated is one time, its last word standing",
         twoBits + "#3 1a #3 0a #3 1a #4 1a #5 0a #5 1a\n",
         {},
         "3:1"},
        {"a vector's bits named by their declared index",
         "$var wire 3 v w [4:2] $end $enddefinitions $end #0 b110 v",
         {"w[4]", "w[2]"},
         "0:1"},
        {"a vector declared lowest index first",
         "$var wire 3 v w [2:4] $end $enddefinitions $end #0 b110 v",
         {"w[4]", "w[2]"},
         "0:2"},
        {"reals are skipped", twoBits + "#0 r1.5 r 1a\n", {"m.x"}, "0:1"},
        {"the largest time", twoBits + "#2147483647 1a\n", {}, "2147483647:1"},
        {"a time beyond 32 bits",
         twoBits + "#1 1a\n#2147483648 0a\n",
         {},
         "line 6: time '2147483648' does not fit a 32-bit time stamp"},
        {"a time going back", twoBits + "#5\n#4\n", {}, "line 6: time 4 goes back from 5"},
        {"an unknown signal",
         nested,
         {"top.en", "top.cpu.bus[4]"},
         "signals: no signal top.cpu.bus[4] in the file"},
        {"a real is no signal to choose", twoBits, {"temp"}, "signals: no signal temp in the file"},
        {"a file cut inside a $var",
         "$timescale 1ns $end\n$var wire 1 a x\n",
         {},
         "line 2: $var has no $end: the file is cut short"},
        {"a file cut before $enddefinitions",
         "$var wire 1 a x $end\n\n",
         {},
         "line 3: no $enddefinitions: the file is cut short"},
        {"a vector cut before its code",
         twoBits + "#0\nb01",
         {},
         "line 6: value 'b01' has no identifier code"},
        {"an unknown identifier code",
         twoBits + "#0\n1q\n",
         {},
         "line 6: unknown identifier code 'q'"},
        {"a bad vector digit", twoBits + "#0\nb012 b\n", {}, "line 6: bad value '012' for 'b'"},
        {"a range that does not match the width",
         "$var wire 4 a v [2:0] $end\n",
         {},
         "line 1: $var range '[2:0]' does not hold 4 bits"},
        {"$upscope without a scope", "$upscope $end\n", {}, "line 1: $upscope outside any $scope"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(describe(ReadVcd(row.vcd, row.signals)), row.expected);
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
