#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "chart/ChartEngine.h"
#include "tests/common/SeriesPoints.h"
#include "toolkit/Classes.h"
#include "toolkit/StdCtrls.h"
#include "viewer/TextSamples.h"
#include "viewer/Waveform.h"

namespace {

// Two series and a sink that records every message, as the main window would show them.
struct Build
{
    TChartSeries series1;
    TChartSeries series2;
    std::vector<std::string> messages;
    TWaveformBuildResult result;

    TWaveformBuildResult Run(const TStrings& lines, std::string_view bit1, std::string_view bit2)
    {
        messages.clear();
        const TSampleModel model{TStringsSampleLines(lines)};
        const TWaveTarget targets[] = {{bit1, &series1}, {bit2, &series2}};
        result =
            BuildWaveforms(model, targets, [this](const std::string& m) { messages.push_back(m); });
        return result;
    }
};

TEST(Waveform, DataErrorMessageIsTheRussianTextInWindows1251)
{
    // "Ошибка в данных. Исправьте." byte for byte; a UTF-8 or mangled literal fails here.
    const unsigned char expected[] = {0xCE, 0xF8, 0xE8, 0xE1, 0xEA, 0xE0, 0x20, 0xE2, 0x20,
                                      0xE4, 0xE0, 0xED, 0xED, 0xFB, 0xF5, 0x2E, 0x20, 0xC8,
                                      0xF1, 0xEF, 0xF0, 0xE0, 0xE2, 0xFC, 0xF2, 0xE5, 0x2E};
    EXPECT_EQ(DataErrorMessage, std::string(std::begin(expected), std::end(expected)));
}

struct BuildCase
{
    const char* name;
    std::vector<std::string> lines;
    const char* bit1;
    const char* bit2;
    Points points1;
    Points points2;
    std::optional<int> failedLine; // nullopt: the build succeeds without a message
};

const std::string Spaces4093(4093, ' ');
const std::string Spaces4095(4095, ' ');

const BuildCase BuildCases[] = {
    {"EmptyText", {}, "0", "1", {{0, 0}}, {{0, 0}}, std::nullopt},
    {"OneLine", {"10:1"}, "0", "1", {{0, 0}, {10, 0}, {10, 1}}, {{0, 0}, {10, 0}, {10, 0}}, {}},
    {"FirstSampleAtTimeZero",
     {"0:1"},
     "0",
     "0",
     {{0, 0}, {0, 0}, {0, 1}},
     {{0, 0}, {0, 0}, {0, 1}},
     {}},
    {"BadThirdLineKeepsFivePoints",
     {"10:1", "20:2", "30:G", "40:3"},
     "0",
     "1",
     {{0, 0}, {10, 0}, {10, 1}, {20, 1}, {20, 0}},
     {{0, 0}, {10, 0}, {10, 0}, {20, 0}, {20, 1}},
     2},
    {"BitEightWithLines", {"10:1"}, "8", "0", {{0, 0}}, {{0, 0}}, 0},
    {"BitEightWithoutLines", {}, "8", "8", {{0, 0}}, {{0, 0}}, std::nullopt},
    {"EmptyBitFieldInSecondChart", {"10:1"}, "0", "", {{0, 0}}, {{0, 0}}, 0},
    {"BlankBeforeBitNumber", {"10:1"}, " 0", "0", {{0, 0}}, {{0, 0}}, 0},
    // The list already leaves out a final empty line; one that is still there is a line.
    {"TwoLines",
     {"10:1", "20:0"},
     "0",
     "0",
     {{0, 0}, {10, 0}, {10, 1}, {20, 1}, {20, 0}},
     {{0, 0}, {10, 0}, {10, 1}, {20, 1}, {20, 0}},
     std::nullopt},
    {"EmptyLineInTheMiddle",
     {"10:1", "", "20:0"},
     "0",
     "0",
     {{0, 0}, {10, 0}, {10, 1}},
     {{0, 0}, {10, 0}, {10, 1}},
     1},
    {"EmptyLineAtTheEndOfTheList",
     {"10:1", "20:0", ""},
     "0",
     "0",
     {{0, 0}, {10, 0}, {10, 1}, {20, 1}, {20, 0}},
     {{0, 0}, {10, 0}, {10, 1}, {20, 1}, {20, 0}},
     2},
    {"HexTime", {"$10:1"}, "0", "0", {{0, 0}, {16, 0}, {16, 1}}, {{0, 0}, {16, 0}, {16, 1}}, {}},
    // Points go by X; equal X keep the order they were added in.
    {"DecreasingTimesPlacedByX",
     {"20:1", "10:0"},
     "0",
     "0",
     {{0, 0}, {10, 1}, {10, 0}, {20, 0}, {20, 1}},
     {{0, 0}, {10, 1}, {10, 0}, {20, 0}, {20, 1}},
     {}},
    {"NegativeTime",
     {"-5:1"},
     "0",
     "0",
     {{-5, 0}, {-5, 1}, {0, 0}},
     {{-5, 0}, {-5, 1}, {0, 0}},
     {}},
    // Wider than any view: still one sample line, not two pieces.
    {"WideLineIsOneSample",
     {"1234567890:FFFFFFFF"},
     "7",
     "0",
     {{0, 0}, {1234567890, 0}, {1234567890, 1}},
     {{0, 0}, {1234567890, 0}, {1234567890, 1}},
     {}},
    {"HigherBitsNeverShow",
     {"1:FFFFFF00"},
     "0",
     "7",
     {{0, 0}, {1, 0}, {1, 0}},
     {{0, 0}, {1, 0}, {1, 0}},
     {}},
    {"SecondColonFails", {"12:3A:FF"}, "0", "0", {{0, 0}}, {{0, 0}}, 0},
    {"NoColonFails", {"12"}, "0", "0", {{0, 0}}, {{0, 0}}, 0},
    {"EmptyValueIsWordZero",
     {"12:"},
     "0",
     "0",
     {{0, 0}, {12, 0}, {12, 0}},
     {{0, 0}, {12, 0}, {12, 0}},
     {}},
    {"ValueCutAfterHundredCharacters",
     {"3:" + std::string(99, '0') + "1garbage:"},
     "0",
     "1",
     {{0, 0}, {3, 0}, {3, 1}},
     {{0, 0}, {3, 0}, {3, 0}},
     {}},
    // A line is read to 4096 characters: the colon at 4095 counts, one at 4097 does not.
    {"ColonWithinTheLineLimit",
     {Spaces4093 + "5:1"},
     "0",
     "0",
     {{0, 0}, {5, 0}, {5, 1}},
     {{0, 0}, {5, 0}, {5, 1}},
     {}},
    {"ColonBeyondTheLineLimit", {Spaces4095 + "5:1"}, "0", "0", {{0, 0}}, {{0, 0}}, 0},
};

void PrintTo(const BuildCase& c, std::ostream* os)
{
    *os << c.name;
}

class BuildTable : public ::testing::TestWithParam<BuildCase>
{
};

TEST_P(BuildTable, PointsAndMessage)
{
    const BuildCase& c = GetParam();
    const TStringList lines(c.lines);
    Build b;
    const TWaveformBuildResult r = b.Run(lines, c.bit1, c.bit2);
    EXPECT_EQ(PointsOf(b.series1), c.points1);
    EXPECT_EQ(PointsOf(b.series2), c.points2);
    if (c.failedLine) {
        EXPECT_FALSE(r.Succeeded);
        EXPECT_EQ(r.FailedLine, *c.failedLine);
        EXPECT_EQ(b.messages, std::vector<std::string>{DataErrorMessage});
    } else {
        EXPECT_TRUE(r.Succeeded);
        EXPECT_EQ(r.FailedLine, -1);
        EXPECT_TRUE(b.messages.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BuildTable, ::testing::ValuesIn(BuildCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Waveform, EveryBuildStartsFromScratch)
{
    Build b;
    b.Run(TStringList({"10:1", "20:0", "30:1"}), "0", "0");
    ASSERT_EQ(b.series1.PointCount(), 7);
    // The previous bit restarts at 0 and the old points are gone.
    b.Run(TStringList({"5:1"}), "0", "0");
    EXPECT_EQ(PointsOf(b.series1), (Points{{0, 0}, {5, 0}, {5, 1}}));
    EXPECT_EQ(PointsOf(b.series2), (Points{{0, 0}, {5, 0}, {5, 1}}));
}

TEST(Waveform, PointsCarryNoColourAndNoLabel)
{
    Build b;
    b.Run(TStringList({"10:1"}), "0", "0");
    for (int i = 0; i < b.series1.PointCount(); ++i) {
        EXPECT_EQ(b.series1.StoredPointColor(i), clSeriesDefault);
        EXPECT_EQ(b.series1.PointLabel(i), "");
    }
}

TEST(Waveform, WorksWithoutASink)
{
    TChartSeries s1, s2;
    const TSampleModel model{TStringsSampleLines(TStringList({"1:1", "x"}))};
    const TWaveTarget targets[] = {{"0", &s1}, {"0", &s2}};
    const TWaveformBuildResult r = BuildWaveforms(model, targets, {});
    EXPECT_FALSE(r.Succeeded);
    EXPECT_EQ(r.FailedLine, 1);
    EXPECT_EQ(s1.PointCount(), 3);
}

// A line list that fails while being read, standing in for storage or memory failures:
// the text is read before any series is touched, so the failure reaches the caller and the
// series keep what they showed.
class FailingLines : public TStrings
{
public:
    FailingLines(int failAt, std::function<void()> raise)
        : FFailAt(failAt), FRaise(std::move(raise))
    {
    }
    int Count() const override { return 5; }
    std::string_view Line(int index) const override
    {
        if (index == FFailAt) FRaise();
        return "10:1";
    }

private:
    int FFailAt = 0;
    std::function<void()> FRaise;
};

TEST(Waveform, AFailureReadingTheTextLeavesTheSeriesAlone)
{
    const std::pair<const char*, std::function<void()>> raisers[] = {
        {"bad_alloc", [] { throw std::bad_alloc(); }},
        {"std::exception", [] { throw std::runtime_error("storage"); }},
        {"Exception", [] { throw EOutOfMemory(); }},
        {"int", [] { throw 42; }},
    };
    for (const auto& [name, raise] : raisers) {
        Build b;
        b.Run(TStringList({"1:1"}), "0", "0");
        EXPECT_ANY_THROW(b.Run(FailingLines(2, raise), "0", "0")) << name;
        EXPECT_EQ(b.series1.PointCount(), 3) << name;
        EXPECT_EQ(b.series2.PointCount(), 3) << name;
    }
}

// Regression: a narrow wrapping view used to turn a wide sample into two lines, the second
// without a colon, so the same file was good or bad depending on the window's width.
TEST(Waveform, WideLineInANarrowWrappingViewIsOneSample)
{
    TMemo memo;
    memo.SetWordWrap(true);
    memo.SetBounds(0, 0, 40, 200);
    memo.SetText("1234567890:FFFFFFFF\r\n-1234567890:0\r\n");
    Build b;
    b.Run(*memo.Lines(), "0", "7");
    EXPECT_TRUE(b.result.Succeeded);
    EXPECT_TRUE(b.messages.empty());
    EXPECT_EQ(
        PointsOf(b.series1),
        (Points{{-1234567890, 1}, {-1234567890, 0}, {0, 0}, {1234567890, 0}, {1234567890, 1}}));
}

// Lines as a text view's own line list reports them: split at CR LF, LF or CR only, a final
// empty line left out.
TStringList TextLines(const std::string& text)
{
    TStringList lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.Add(line);
            line.clear();
        } else {
            line += text[i];
        }
    }
    if (!line.empty()) lines.Add(line);
    return lines;
}

std::string ReadExample(const char* name)
{
    const char* root = std::getenv("LOGVIEW_SOURCE_DIR");
    const std::string path = std::string(root ? root : ".") + "/examples/" + name;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Waveform, CounterExampleGivesOneSquareWavePerBit)
{
    Build b;
    const TStringList lines = TextLines(ReadExample("counter.log"));
    ASSERT_GE(lines.Count(), 256);
    ASSERT_TRUE(b.Run(lines, "0", "3").Succeeded);
    ASSERT_EQ(b.series1.PointCount(), 1 + 2 * lines.Count());
    for (int i = 0; i < lines.Count(); ++i) {
        // Sample i holds the count i (mod 256); its new level is the point after the step.
        EXPECT_EQ(b.series1.PointY(2 + 2 * i), i & 1) << i;
        EXPECT_EQ(b.series2.PointY(2 + 2 * i), (i >> 3) & 1) << i;
    }
}

TEST(Waveform, SerialExampleCarriesItsBytesOnBitZero)
{
    Build b;
    const TStringList lines = TextLines(ReadExample("serial.sti"));
    ASSERT_TRUE(b.Run(lines, "0", "1").Succeeded);
    // Sample the data line at each rising clock edge and decode start, 8 data bits, stop.
    std::vector<int> bits;
    for (int i = 1; i < lines.Count(); ++i)
        if (b.series2.PointY(2 + 2 * i) == 1 && b.series2.PointY(2 * i) == 0)
            bits.push_back(static_cast<int>(b.series1.PointY(2 + 2 * i)));
    std::string decoded;
    for (std::size_t i = 0; i + 10 <= bits.size();) {
        if (bits[i] != 0) {
            ++i;
            continue;
        }
        int byte = 0;
        for (int k = 0; k < 8; ++k)
            byte |= bits[i + 1 + static_cast<std::size_t>(k)] << k;
        EXPECT_EQ(bits[i + 9], 1) << "stop bit";
        decoded += static_cast<char>(byte);
        i += 10;
    }
    EXPECT_EQ(decoded, "Log");
}

TEST(Waveform, BadLineExampleStopsAtItsBadLine)
{
    Build b;
    const TStringList lines = TextLines(ReadExample("bad-line.log"));
    b.Run(lines, "0", "1");
    EXPECT_FALSE(b.result.Succeeded);
    EXPECT_EQ(b.result.FailedLine, 4);
    EXPECT_EQ(b.series1.PointCount(), 9);
    EXPECT_EQ(b.messages.size(), 1u);
}

TEST(Waveform, CrOnlyExampleReadsEveryLine)
{
    const std::string text = ReadExample("cr-only.log");
    ASSERT_EQ(text.find('\n'), std::string::npos);
    Build b;
    const TStringList lines = TextLines(text);
    ASSERT_GT(lines.Count(), 1);
    EXPECT_TRUE(b.Run(lines, "0", "1").Succeeded);
    EXPECT_EQ(b.series1.PointCount(), 1 + 2 * lines.Count());
}

// An independent, plain reading of a sample line: arbitrary-size numbers clamped in 64 bits,
// ranges checked at the end. nullopt when the line is a data error.
std::optional<std::pair<int32_t, uint32_t>> ReferenceSample(std::string line)
{
    line = line.substr(0, 4096);
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) return std::nullopt;
    std::string time = line.substr(0, colon);
    const std::string value = line.substr(colon + 1, 100);

    const std::string hexDigits = "0123456789abcdefABCDEF";
    auto digitValue = [&](char c) {
        const std::size_t k = hexDigits.find(c);
        return k < 16 ? static_cast<int64_t>(k) : static_cast<int64_t>(k) - 6;
    };
    const std::size_t firstNonBlank = time.find_first_not_of(' ');
    if (firstNonBlank == std::string::npos) return std::nullopt;
    time.erase(0, firstNonBlank);
    bool negative = false;
    int base = 10;
    if (time[0] == '-' || time[0] == '+') {
        negative = time[0] == '-';
        time.erase(0, 1);
    } else if (time[0] == '$' || time[0] == 'x' || time[0] == 'X') {
        base = 16;
        time.erase(0, 1);
    } else if (time.size() >= 2 && time[0] == '0' && (time[1] == 'x' || time[1] == 'X')) {
        base = 16;
        time.erase(0, 2);
    }
    if (time.empty()) return std::nullopt;
    int64_t t = 0;
    for (const char c : time) {
        const std::size_t k = hexDigits.find(c);
        if (k == std::string::npos || (base == 10 && k >= 10)) return std::nullopt;
        t = std::min<int64_t>(t * base + digitValue(c), int64_t(1) << 40);
    }
    int32_t timeValue = 0;
    if (base == 16) {
        if (t > 0xFFFFFFFFll) return std::nullopt;
        timeValue = static_cast<int32_t>(static_cast<uint32_t>(t));
    } else if (negative) {
        if (t > 2147483648ll) return std::nullopt;
        timeValue = static_cast<int32_t>(-t);
    } else {
        if (t > 2147483647ll) return std::nullopt;
        timeValue = static_cast<int32_t>(t);
    }

    for (const char c : value)
        if (hexDigits.find(c) == std::string::npos) return std::nullopt;
    const std::string last8 = value.size() > 8 ? value.substr(value.size() - 8) : value;
    const uint32_t word =
        last8.empty() ? 0u : static_cast<uint32_t>(std::stoul(last8, nullptr, 16));
    return std::make_pair(timeValue, word);
}

std::string RandomLine(std::mt19937& rng)
{
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto randomBytes = [&](int n, int lo, int hi) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += static_cast<char>(lo + pick(hi - lo + 1));
        return s;
    };
    auto fromAlphabet = [&](const std::string& alphabet, int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += alphabet[static_cast<std::size_t>(pick(static_cast<int>(alphabet.size())))];
        return s;
    };
    static const std::string nearBounds[] = {"2147483647",
                                             "2147483648",
                                             "2147483649",
                                             "-2147483648",
                                             "-2147483649",
                                             "214748364",
                                             "2147483650",
                                             "4294967295",
                                             "4294967296",
                                             "$FFFFFFFF",
                                             "$100000000",
                                             "0x0FFFFFFF",
                                             "$0000000000000010",
                                             "0X7fffffff",
                                             "-0",
                                             "00x1",
                                             "0",
                                             "$",
                                             "0x",
                                             "-",
                                             "+",
                                             "-$5",
                                             "  +12",
                                             " \t7",
                                             "99999999999999999999"};
    const std::string timeAlphabet = "0123456789 -+$xXaFg:\t";
    const std::string valueAlphabet = "0123456789abcdefABCDEF: xG\x01\xFF";
    switch (pick(12)) {
    case 0: // any bytes at all, control and high ones included
        return randomBytes(pick(60), 0, 255);
    case 1:
        return randomBytes(pick(3) == 0 ? 10000 : pick(5000), 0, 255);
    case 2: // lone colons and colon runs
        return std::string(static_cast<std::size_t>(1 + pick(3)), ':') +
               (pick(2) ? fromAlphabet(valueAlphabet, pick(4)) : "");
    case 3: // numbers at the edges of the ranges
        return nearBounds[pick(std::size(nearBounds))] + ":" +
               fromAlphabet("0123456789abcdefABCDEF", pick(12));
    case 4: // long time or value fields around the cuts
        return std::string(static_cast<std::size_t>(4090 + pick(10)), ' ') +
               "7:" + fromAlphabet("0123456789ABCDEF", pick(120));
    case 5:
        return std::to_string(rng()) + ":" + fromAlphabet("0123456789abcdefABCDEF", 90 + pick(30)) +
               (pick(2) ? "" : randomBytes(pick(10), 0, 255));
    case 6: // plausible lines with noise
        return fromAlphabet(timeAlphabet, pick(12)) + ":" + fromAlphabet(valueAlphabet, pick(12));
    default: // good lines, so that builds get past their first line
        return std::to_string(static_cast<int32_t>(rng()) / (1 + pick(1000))) + ":" +
               fromAlphabet("0123456789abcdefABCDEF", pick(10));
    }
}

// Seeded; under the sanitizers this also proves that no line reads outside its text.
TEST(WaveformRobustness, RandomLinesGiveAPointPairOrTheDataError)
{
    std::mt19937 rng(20261207);
    const char* bitTexts[] = {"0", "1", "2", "3", "4", "5", "6", "7"};
    Build b;
    int failures = 0;
    int successes = 0;
    for (int round = 0; round < 6000; ++round) {
        std::vector<std::string> text;
        const int count = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < count; ++i)
            text.push_back(RandomLine(rng));
        const char* bit1 = bitTexts[rng() % 8];
        const char* bit2 = bitTexts[rng() % 8];
        const uint8_t mask1 = static_cast<uint8_t>(1u << (bit1[0] - '0'));
        const uint8_t mask2 = static_cast<uint8_t>(1u << (bit2[0] - '0'));

        // The reference's expectation: points of every line up to the first bad one.
        Points expected1{{0, 0}};
        Points expected2{{0, 0}};
        std::optional<int> firstBad;
        int prev1 = 0;
        int prev2 = 0;
        for (int i = 0; i < count && !firstBad; ++i) {
            const auto sample = ReferenceSample(text[static_cast<std::size_t>(i)]);
            if (!sample) {
                firstBad = i;
                break;
            }
            const int bitA = (sample->second & mask1) != 0;
            const int bitB = (sample->second & mask2) != 0;
            expected1.insert(expected1.end(), {{sample->first, prev1}, {sample->first, bitA}});
            expected2.insert(expected2.end(), {{sample->first, prev2}, {sample->first, bitB}});
            prev1 = bitA;
            prev2 = bitB;
        }
        // The series sort by X (stable for equal X); sort the expectation the same way.
        auto byX = [](const auto& a, const auto& b) { return a.first < b.first; };
        std::stable_sort(expected1.begin(), expected1.end(), byX);
        std::stable_sort(expected2.begin(), expected2.end(), byX);

        b.Run(TStringList(text), bit1, bit2);
        ASSERT_EQ(b.result.Succeeded, !firstBad) << "round " << round;
        ASSERT_EQ(b.result.FailedLine, firstBad.value_or(-1)) << "round " << round;
        ASSERT_EQ(b.messages.size(), firstBad ? 1u : 0u) << "round " << round;
        ASSERT_EQ(PointsOf(b.series1), expected1) << "round " << round;
        ASSERT_EQ(PointsOf(b.series2), expected2) << "round " << round;
        (firstBad ? failures : successes)++;
    }
    // The generator must exercise both outcomes, or the comparison above proves little.
    EXPECT_GT(failures, 1000);
    EXPECT_GT(successes, 1000);
}

} // namespace
