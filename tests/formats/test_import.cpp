// Other programs' files to log text: random logs written as a VCD, as CSV in several layouts
// and units and as a sigrok session read back to the samples a simple model predicts; hand
// cases for the rules and faults a user meets; and files made by a simulator and an analyzer.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "formats/Import.h"
#include "formats/VcdExport.h"
#include "samples/SampleLine.h"
#include "tests/common/SampleLines.h"

namespace {

struct TSample
{
    int64_t Time;
    uint32_t Word;
    bool operator==(const TSample&) const = default;
};

void PrintTo(const TSample& s, std::ostream* os)
{
    *os << s.Time << ":" << std::hex << s.Word << std::dec;
}

std::vector<TSample> SamplesOf(const std::string& logText)
{
    std::vector<TSample> samples;
    for (size_t at = 0; at < logText.size();) {
        size_t end = logText.find("\r\n", at);
        if (end == std::string::npos) end = logText.size();
        const TSampleLineRead line = ReadSampleLine(std::string_view(logText).substr(at, end - at));
        EXPECT_TRUE(line.IsSample()) << logText.substr(at, end - at);
        samples.push_back({line.Time, line.Word});
        at = end + 2;
    }
    return samples;
}

// The log as a reader must give it back: the last word of each time, a line only where the
// word changes.
std::vector<TSample> Collapsed(const std::vector<TSample>& written)
{
    std::vector<TSample> byTime;
    for (const TSample& s : written) {
        if (!byTime.empty() && byTime.back().Time == s.Time)
            byTime.back().Word = s.Word;
        else
            byTime.push_back(s);
    }
    std::vector<TSample> changes;
    for (const TSample& s : byTime)
        if (changes.empty() || changes.back().Word != s.Word) changes.push_back(s);
    return changes;
}

// Integer Value * 10^Exponent as a decimal text ("15", -2 -> "0.15").
std::string Decimal(int64_t value, int exponent)
{
    std::string digits = std::to_string(value);
    if (exponent >= 0) return value == 0 ? "0" : digits + std::string(size_t(exponent), '0');
    const size_t point = size_t(-exponent);
    if (digits.size() <= point) digits.insert(0, point - digits.size() + 1, '0');
    digits.insert(digits.size() - point, ".");
    return digits;
}

std::string SecondsUnitName(int exponent)
{
    static const char* const Names[] = {"s", "ms", "us", "ns", "ps", "fs"};
    int group = exponent >= 0 ? 0 : (-exponent + 2) / 3;
    const int mantissa = exponent + 3 * group;
    return std::string(mantissa == 2 ? "100" : mantissa == 1 ? "10" : "1") + " " + Names[group];
}

std::string SessionOf(const std::string& metadata,
                      const std::vector<std::pair<std::string, std::string>>& entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(out);
    zip_t* zip = zip_open_from_source(out, ZIP_TRUNCATE, &error);
    std::vector<std::pair<std::string, std::string>> all = {{"version", "2"},
                                                            {"metadata", metadata}};
    all.insert(all.end(), entries.begin(), entries.end());
    for (const auto& [name, data] : all) {
        zip_source_t* source = zip_source_buffer(zip, data.data(), data.size(), 0);
        zip_file_add(zip, name.c_str(), source, ZIP_FL_OVERWRITE);
    }
    EXPECT_EQ(zip_close(zip), 0);
    zip_stat_t stat;
    zip_source_stat(out, &stat);
    std::string bytes(stat.size, '\0');
    zip_source_open(out);
    zip_source_read(out, bytes.data(), stat.size);
    zip_source_close(out);
    zip_source_free(out);
    zip_error_fini(&error);
    return bytes;
}

std::string Metadata(int probes, int unitSize)
{
    std::string text = "[global]\nsigrok version=0.5.2\n\n[device 1]\ncapturefile=logic-1\n";
    text += "total probes=" + std::to_string(probes) + "\nsamplerate=1 MHz\n";
    for (int p = 1; p <= probes; ++p)
        text += "probe" + std::to_string(p) + "=D" + std::to_string(p - 1) + "\n";
    return text + "unitsize=" + std::to_string(unitSize) + "\n";
}

TImportResult Import(const std::string& bytes, const std::vector<std::string>& signals = {},
                     int coarser = 0)
{
    return ImportFile(DetectFormat(bytes), bytes, signals, coarser);
}

} // namespace

TEST(Import, RandomLogsReadBackFromEveryFormat)
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const int count = 1 + static_cast<int>(random() % 40);
        const bool fewWords = random() % 2 == 0;
        std::vector<TSample> written;
        int64_t time = random() % 3 == 0 ? 0 : static_cast<int64_t>(random() % 50);
        // Times a multiple of a random power of ten, so that the coarsest unit varies.
        static const int64_t Grains[] = {1, 10, 100, 1000};
        const int64_t grain = Grains[random() % 4];
        // The dense layouts take the times before the grain, so that they stay short.
        std::vector<TSample> steps;
        for (int i = 0; i < count; ++i) {
            steps.push_back(
                {time, static_cast<uint32_t>(fewWords ? random() % 4 : random() % 256)});
            written.push_back({time * grain, steps.back().Word});
            time += random() % 3 == 0 ? 0 : static_cast<int64_t>(1 + random() % 20);
        }
        const std::vector<TSample> changes = Collapsed(written);
        const int64_t last = steps.back().Time;

        // A VCD of our own writer: the log's own text comes back.
        {
            std::string log;
            char line[40];
            for (const TSample& s : written) {
                std::snprintf(line, sizeof line, "%lld:%X\n", static_cast<long long>(s.Time),
                              s.Word);
                log += line;
            }
            const std::string vcd = WriteVcd(TSampleModel{TSplitLines(log)}, "1 ns");
            ASSERT_EQ(DetectFormat(vcd), TFileFormat::Vcd);
            // By default the word's 32 bits: the log's own words come back.
            const TImportResult read = Import(vcd);
            ASSERT_EQ(read.Status, TImportStatus::Converted) << read.Reason;
            const std::vector<TSample> expected =
                written.empty() ? std::vector<TSample>{{0, 0}} : changes;
            EXPECT_EQ(SamplesOf(read.LogText), expected) << vcd;
            EXPECT_EQ(read.Unit, "1 ns");
        }

        // CSV, one row per change, decimal times in seconds or in the header's unit.
        {
            const int exponent = -static_cast<int>(random() % 16);
            const int headerExponent = -3 * static_cast<int>(random() % 4);
            const bool bus = random() % 2 == 0;
            const char separator = random() % 2 == 0 ? ',' : ';';
            static const char* const Headers[] = {"Time [s]", "time (ms)", "microseconds", "t/ns"};
            std::string csv = "; exported by a test\n# two kinds of comment\n";
            csv += Headers[-headerExponent / 3];
            csv += bus ? std::string(1, separator) + "data" : "";
            for (int b = 0; !bus && b < 8; ++b)
                csv += separator + std::string("D") + std::to_string(b);
            csv += "\n";
            for (const TSample& s : written) {
                std::string timeText = Decimal(s.Time, exponent - headerExponent);
                if (separator == ';') std::replace(timeText.begin(), timeText.end(), '.', ',');
                csv += timeText;
                char hex[8];
                std::snprintf(hex, sizeof hex, "0x%02X", s.Word);
                if (bus) csv += separator + std::string(hex);
                for (int b = 0; !bus && b < 8; ++b)
                    csv += separator + std::string((s.Word >> b) & 1u ? "1" : "0");
                csv += "\r\n";
            }
            // The model of the unit: the coarsest power of ten seconds every time is whole in.
            int coarsest = 0;
            for (const TSample& s : written) {
                int zeros = 0;
                for (int64_t t = s.Time; t != 0 && t % 10 == 0; t /= 10)
                    ++zeros;
                if (s.Time != 0) coarsest = std::min(coarsest, exponent + zeros);
            }
            int64_t divisor = 1;
            for (int e = exponent; e < coarsest; ++e)
                divisor *= 10;
            std::vector<TSample> expected = changes;
            for (TSample& s : expected)
                s.Time /= divisor;
            SCOPED_TRACE(csv);
            ASSERT_EQ(DetectFormat(csv), TFileFormat::Csv);
            const TImportResult read = Import(csv);
            ASSERT_EQ(read.Status, TImportStatus::Converted) << read.Line << ": " << read.Reason;
            EXPECT_EQ(SamplesOf(read.LogText), expected);
            EXPECT_EQ(read.Unit, SecondsUnitName(coarsest));
            EXPECT_EQ(read.Signals.size(), 8u);
        }

        // CSV, one row per sample, with sample numbers or with none.
        {
            const bool numbered = random() % 2 == 0;
            std::string csv = numbered ? "Sample,A,B,C,D,E,F,G,H\n" : "A,B,C,D,E,F,G,H\n";
            std::vector<TSample> dense;
            size_t next = 0;
            uint32_t word = 0;
            for (int64_t t = 0; t <= last; ++t) {
                while (next < steps.size() && steps[next].Time == t)
                    word = steps[next++].Word;
                dense.push_back({t, word});
                if (numbered) csv += std::to_string(t) + ",";
                for (int b = 0; b < 8; ++b)
                    csv += std::string(b ? "," : "") + ((word >> b) & 1u ? "1" : "0");
                csv += "\n";
            }
            const TImportResult read = Import(csv);
            ASSERT_EQ(read.Status, TImportStatus::Converted) << read.Line << ": " << read.Reason;
            EXPECT_EQ(SamplesOf(read.LogText), Collapsed(dense));
            EXPECT_EQ(read.Unit, "1 sample");

            // The same samples as a sigrok session, in chunks of random sizes.
            const int unitSize = 1 + static_cast<int>(random() % 2);
            std::string samples;
            for (const TSample& s : dense) {
                samples += static_cast<char>(s.Word);
                if (unitSize == 2) samples += static_cast<char>(random() % 256);
            }
            std::vector<std::pair<std::string, std::string>> chunks;
            for (size_t at = 0; at < samples.size();) {
                const size_t size =
                    std::min(samples.size() - at, size_t(unitSize) * (1 + random() % 50));
                chunks.push_back(
                    {"logic-1-" + std::to_string(chunks.size() + 1), samples.substr(at, size)});
                at += size;
            }
            const std::string session = SessionOf(Metadata(8 * unitSize, unitSize), chunks);
            ASSERT_EQ(DetectFormat(session), TFileFormat::SigrokSession);
            const TImportResult fromSession = Import(session);
            ASSERT_EQ(fromSession.Status, TImportStatus::Converted)
                << fromSession.Entry << ": " << fromSession.Reason;
            std::vector<TSample> low;
            for (const TSample& s : SamplesOf(fromSession.LogText))
                low.push_back({s.Time, s.Word & 0xFFu});
            EXPECT_EQ(Collapsed(low), Collapsed(dense));
        }
    }
}

// The rules and the faults a user meets, one row each: the file, the signals named and the
// coarser steps asked, and the result as one text.
TEST(Import, HandMadeFiles)
{
    const std::string nested = "$timescale 10 ns $end\n$scope module top $end\n"
                               "$var wire 1 ! en $end\n$scope module cpu $end\n"
                               "$var wire 4 \" bus [3:0] $end\n$upscope $end\n$upscope $end\n"
                               "$enddefinitions $end\n";
    const std::string session =
        SessionOf(Metadata(8, 1), {{"logic-1-1", std::string("\x01\x01\x03\x00", 4)}});
    const auto describe = [](const TImportResult& r) {
        if (r.Status != TImportStatus::Converted)
            return (r.Status == TImportStatus::TimeOverflow ? "overflow " : "fault ") +
                   (r.Entry.empty() ? std::to_string(r.Line) : r.Entry) + ": " + r.Reason;
        std::string text = r.LogText;
        for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
            text.replace(at, 2, " ");
        text += " [" + r.Unit + "]";
        if (!r.Loss.empty()) text += " " + r.Loss;
        if (r.UnknownValues > 0) text += " / " + std::to_string(r.UnknownValues);
        return text;
    };
    struct Row
    {
        const char* name;
        std::string file;
        std::vector<std::string> signals;
        int coarser;
        std::string expected;
    } rows[] = {
        {"nested scopes, a vector's bits named",
         nested + "#0 1! b1010 \"\n#3 b0110 \"\n",
         {"top.cpu.bus[1]", "top.en"},
         0,
         "0:3 [10 ns]"},
        {"a VCD time beyond 32 bits",
         nested + "#0 1!\n#3000000000 0!\n",
         {},
         0,
         "overflow 10: time '3000000000' does not fit a 32-bit time stamp in 10 ns"},
        {"the same ten times coarser: times that meet keep the last word, the rounding reported",
         nested + "#0 1!\n#4 0!\n#5 1!\n#3000000005 0!\n",
         {},
         1,
         "0:0 1:1 300000001:0 [100 ns] 3 times rounded to 100 ns"},
        {"a step back within one coarser unit is still a fault",
         nested + "#15 1!\n#14 0!\n",
         {},
         1,
         "fault 10: time 14 goes back from 15"},
        {"CSV step back in a finer digit",
         "Time [s],a\n0.25,1\n0.249,0\n",
         {},
         0,
         "fault 3: time '0.249' goes back"},
        {"CSV duplicate times: the last row of a time holds",
         "Time [us],a,b\n0,1,0\n0,0,1\n1.5,1,1\n1.5,0,0\n2,1,0\n",
         {},
         0,
         "0:2 15:0 20:1 [100 ns]"},
        {"CSV x and z read as 0 and counted",
         "time,a,b\n0,x,1\n1,Z,0\n2,1,z\n",
         {},
         0,
         "0:2 1:0 2:1 [1 s] / 3"},
        {"CSV decimal bus, semicolons and decimal commas",
         "Time [s];count\n0,5;3\n1;12\n",
         {"count[3]", "count[0]"},
         0,
         "5:2 10:1 [100 ms]"},
        {"CSV times finer than a femtosecond are rounded",
         "Time [s],a\n0,0\n1e-16,1\n6e-16,0\n",
         {},
         0,
         "0:1 1:0 [1 fs] 2 times rounded to 1 fs"},
        {"CSV rows numbered before the time column",
         "Id,Time[ns],Bus\n0,0,5\n1,20,7\n",
         {},
         0,
         "0:5 2:7 [10 ns]"},
        {"CSV time going back", "Time [ms],a\n5,1\n4,0\n", {}, 0, "fault 3: time '4' goes back"},
        {"CSV row short of a field",
         "Time,a,b\n0,1,0\n1,1\n",
         {},
         0,
         "fault 3: a row of 2 fields under a header of 3"},
        {"CSV unknown signal", "Time,a,b\n0,1,0\n", {"c"}, 0, "fault 0: no signal c in the file"},
        {"sigrok session, a probe named", session, {"D1"}, 0, "0:0 2:1 3:0 [1 sample]"},
        {"sigrok session two hundred times coarser",
         SessionOf(Metadata(8, 1),
                   {{"logic-1-1", std::string(149, '\0') + std::string(200, '\x01')}}),
         {},
         2,
         "0:0 1:1 [100 samples] 1 time rounded to 100 samples"},
        {"probes without names are known by their numbers",
         SessionOf("[device 1]\ntotal probes=2\nunitsize=1\n",
                   {{"logic-1-1", std::string("\x01\x02\x03", 3)}}),
         {"probe2"},
         0,
         "0:0 1:1 [1 sample]"},
        {"a truncated session",
         session.substr(0, session.size() - 30),
         {},
         0,
         "fault 0: not a whole zip file: Not a zip archive"},
        {"a session without sample entries",
         SessionOf(Metadata(8, 1), {}),
         {},
         0,
         "fault logic-1-1: the session has no sample entry"},
        {"a bad unitsize",
         SessionOf(Metadata(8, 9), {{"logic-1-1", "ab"}}),
         {},
         0,
         "fault metadata: unitsize '9' is not 1 to 8 bytes"},
        {"a sample cut short",
         SessionOf(Metadata(16, 2), {{"logic-1-1", "abc"}}),
         {},
         0,
         "fault logic-1-1: 1 bytes left over: not a whole 2-byte sample"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TFileFormat format = DetectFormat(row.file);
        EXPECT_NE(format, TFileFormat::Log);
        EXPECT_EQ(describe(ImportFile(format, row.file, row.signals, row.coarser)), row.expected);
    }
}

TEST(Import, FormatsAreToldByContentAndVcdSignalsListed)
{
    EXPECT_EQ(DetectFormat("0:1\r\n5:3\r\n"), TFileFormat::Log);
    EXPECT_EQ(DetectFormat("\n  0x10:1F\n"), TFileFormat::Log);
    EXPECT_EQ(DetectFormat("hello, world\n"), TFileFormat::Log);
    EXPECT_EQ(DetectFormat("; comment\nTime,a\n0,1\n"), TFileFormat::Csv);
    EXPECT_EQ(DetectFormat("$date today $end"), TFileFormat::Vcd);

    const std::string vcd = "$scope module top $end $var wire 1 ! clk $end\n"
                            "$scope module cpu $end $var reg 3 # bus [2:0] $end $upscope $end\n"
                            "$var real 64 r temp $end $upscope $end $enddefinitions $end\n";
    const TImportListing listing = ListSignals(TFileFormat::Vcd, vcd);
    ASSERT_EQ(listing.Status, TImportStatus::Converted) << listing.Reason;
    ASSERT_EQ(listing.Signals.size(), 2u);
    EXPECT_EQ(listing.Signals[1].Name, "bus");
    EXPECT_EQ(listing.Signals[1].Scope, "top.cpu");
    EXPECT_EQ(listing.Signals[1].Width, 3);
    EXPECT_EQ(listing.Bits, (std::vector<std::string>{"top.clk", "top.cpu.bus[0]", "top.cpu.bus[1]",
                                                      "top.cpu.bus[2]"}));
    EXPECT_EQ(listing.BitSignal, (std::vector<int>{0, 1, 1, 1}));
    // Every listed bit is a name the conversion takes.
    EXPECT_EQ(ImportFile(TFileFormat::Vcd, vcd, listing.Bits).Status, TImportStatus::Converted);
}

// Files made by a simulator and by an analyzer's command line tool (tests/formats/data).
TEST(Import, FilesOfOtherPrograms)
{
    const auto read = [](const std::string& name) {
        std::ifstream file(std::string(std::getenv("LOGVIEW_SOURCE_DIR")) + "/tests/formats/data/" +
                               name,
                           std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const std::string counter = read("counter.vcd");
    const TImportListing listing = ListSignals(DetectFormat(counter), counter);
    ASSERT_EQ(listing.Status, TImportStatus::Converted) << listing.Reason;
    EXPECT_EQ(listing.Bits.size(), 12u);
    EXPECT_EQ(listing.Bits[0], "tb.count[0]");
    EXPECT_EQ(listing.Signals.back().Scope, "tb.dut");
    const TImportResult counted =
        Import(counter, {"tb.count[0]", "tb.count[1]", "tb.count[2]", "tb.count[3]"});
    ASSERT_EQ(counted.Status, TImportStatus::Converted) << counted.Reason;
    EXPECT_EQ(counted.Unit, "100 ps");
    // The counter counts 0 to 15 once while enabled.
    std::vector<uint32_t> words;
    for (const TSample& s : SamplesOf(counted.LogText))
        words.push_back(s.Word);
    ASSERT_EQ(words.size(), 16u);
    for (uint32_t i = 0; i < 16; ++i)
        EXPECT_EQ(words[i], i);

    // One capture of the analyzer's demo device, 2000 samples of 8 probes, in its three exports.
    const TImportListing probes = ListSignals(TFileFormat::SigrokSession, read("demo.sr"));
    EXPECT_EQ(probes.Bits,
              (std::vector<std::string>{"D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7"}));
    const TImportResult session = Import(read("demo.sr"));
    const TImportResult csv = Import(read("demo.csv"));
    const TImportResult timed = Import(read("demo_time.csv"));
    const TImportResult vcd = Import(read("demo.vcd"));
    for (const TImportResult* r : {&session, &csv, &timed, &vcd})
        ASSERT_EQ(r->Status, TImportStatus::Converted) << r->Line << r->Entry << ": " << r->Reason;
    EXPECT_EQ(session.Signals, csv.Signals);
    EXPECT_EQ(SamplesOf(session.LogText), SamplesOf(csv.LogText));
    EXPECT_EQ(SamplesOf(session.LogText), SamplesOf(vcd.LogText));
    EXPECT_EQ(vcd.Unit, "1 us");
    EXPECT_EQ(timed.Unit, "1 us");
    // The CSV's time column counts from the first sample's end: one step later throughout.
    std::vector<TSample> shifted = SamplesOf(timed.LogText);
    for (TSample& s : shifted)
        --s.Time;
    EXPECT_EQ(shifted, SamplesOf(session.LogText));
    EXPECT_LE(SamplesOf(session.LogText).back().Time, 1999);
}

// Random dense captures handed to the analyzer's own command line tool, which writes the
// session, its CSV and its VCD: all three read back to the capture's changes.
TEST(Import, CapturesWrittenByTheAnalyzersTool)
{
    if (std::system("command -v sigrok-cli >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "sigrok-cli is not installed";
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("logview-import-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto readFile = [](const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    std::mt19937 random(7);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        std::string raw;
        std::vector<TSample> dense;
        uint8_t word = static_cast<uint8_t>(random());
        for (int64_t t = 0; t < 1 + static_cast<int64_t>(random() % 3000); ++t) {
            if (random() % 8 == 0) word = static_cast<uint8_t>(random());
            raw += static_cast<char>(word);
            dense.push_back({t, word});
        }
        const std::string in = (dir / "raw.bin").string();
        std::ofstream(in, std::ios::binary) << raw;
        const std::string sr = (dir / "capture.sr").string();
        const std::string tool = "sigrok-cli -I binary:numchannels=8:samplerate=1000000 -i " + in;
        ASSERT_EQ(std::system((tool + " -o " + sr + " 2>/dev/null").c_str()), 0);
        for (const char* output : {"csv", "vcd"})
            ASSERT_EQ(std::system(("sigrok-cli -i " + sr + " -O " + output + " >" +
                                   (dir / output).string() + " 2>/dev/null")
                                      .c_str()),
                      0);
        for (const std::filesystem::path& path : {dir / "capture.sr", dir / "csv", dir / "vcd"}) {
            SCOPED_TRACE(path.filename().string());
            const TImportResult read = Import(readFile(path));
            ASSERT_EQ(read.Status, TImportStatus::Converted)
                << read.Line << read.Entry << ": " << read.Reason;
            EXPECT_EQ(SamplesOf(read.LogText), Collapsed(dense));
        }
    }
    std::filesystem::remove_all(dir);
}
