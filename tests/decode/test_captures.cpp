// The decoders on logs made from a logic analyser's demo device (tests/decode/data/README):
// its patterns are known, so what each channel means as a serial line can be worked out by
// hand, independently of the decoders. Each row below says how its expected items follow
// from the pattern.
//
// All three captures run at the device's 200 kHz, so sample i is at 5000 i ns, and a level
// holds from its sample to the next one (and after the last line for good).
//   incremental.log  2036 samples, sample i is the word i mod 256: bit k is bit k of i.
//   graycode.log     2046 samples, sample i is the Gray code of n = i + 1 (mod 256): bit k is
//                    high for n mod 2^(k+2) in [2^k, 3 2^k), so only one bit changes a step.
//   walking-zero.log 2044 samples, nine words in turn: FF, then FF with bit k low for
//                    k = 0..7; bit k is low only at samples i = k + 1 (mod 9), the last
//                    sample (2043 = 9 * 227) is FF.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "decode/Decode.h"
#include "samples/SampleModel.h"
#include "tests/common/SampleLines.h"

namespace {

constexpr double kSample = 5000;

// An item the decoder must give, its start and end each somewhere in a range of times; a
// range of one time where the item's span is known exactly.
struct TWant
{
    TDecodeField Field = TDecodeField::Data;
    std::string Value;
    double StartLo = 0;
    double StartHi = 0;
    double EndLo = 0;
    double EndHi = 0;
};

struct TCase
{
    const char* File;
    const char* Decoder;
    std::vector<TWant> Want;
    // Slack on every time, for a bit length the decoder finds itself.
    double Slack = 0;
    // Items starting earlier are not compared: what a capture begins in the middle of.
    double From = 0;
};

TWant At(TDecodeField field, std::string value, double start, double end)
{
    return {field, std::move(value), start, start, end, end};
}

// UART frames starting at FirstStart and every Period samples after it, Count of them, each
// with Value over FrameBits bits of Bit samples; a parity error spans the bit after the data.
void Frames(std::vector<TWant>& want, int firstStart, int period, int count, double bit,
            double frameBits, const std::string& value, int parityBitAt = -1)
{
    for (int q = 0; q < count; ++q) {
        const double s = (firstStart + q * period) * kSample;
        want.push_back(At(TDecodeField::Data, value, s, s + frameBits * bit * kSample));
        if (parityBitAt >= 0)
            want.push_back(At(TDecodeField::ParityError, "", s + parityBitAt * bit * kSample,
                              s + (parityBitAt + 1) * bit * kSample));
    }
}

// Start conditions at samples First + Period q and stops Gap samples after each.
std::vector<TWant> StartStops(int first, int gap, int period, int count)
{
    std::vector<TWant> want;
    for (int q = 0; q < count; ++q) {
        const double start = (first + q * period) * kSample;
        want.push_back(At(TDecodeField::Start, "", start, start));
        want.push_back(At(TDecodeField::Stop, "", start + gap * kSample, start + gap * kSample));
    }
    return want;
}

// SPI on graycode.log with bit 0 as clock and bit 7 as chip select: bit 7 is bit 7 of n, so
// held low it selects n = 256 j .. 256 j + 127, from sample 256 j - 1 to sample 256 j + 127
// (j = 1..7 lie whole in the log). Bit 0 rises at n = 4m + 1 and falls at n = 4m + 3, so a
// window holds 32 rises and 32 falls, m = 64 j .. 64 j + 31, and between them only bits of
// 2 and up change (at n = 4m), except bit 1, which changes at n = 4m + 2:
//   bit 1 at a rise is m mod 2 and at a fall 1 - m mod 2: words 55 on rises, AA on falls;
//   bit 4 at either edge is bit 2 XOR bit 3 of m: 0000 1111, 1111 0000, ...: 0F F0 0F F0.
// Words gives each word's length and value per stream, in order. In mode 3 (idle high) the
// fall at n = 256 j + 127 after the last rise begins a 33rd bit that the release cuts short.
struct TSpiWord
{
    std::string Mosi;
    std::string Miso;
    int Bits = 8;
    bool Incomplete = false;
};

// Words selected from sample Selected to sample Released, the first bit at m = FirstM; a word
// starts at or after the previous one's last edge and ends before the next one's first.
void SpiWords(std::vector<TWant>& want, bool onFalls, int selectedAt, int releasedAt, int firstM,
              const std::vector<TSpiWord>& words)
{
    // The sample of n = 4m + 1 (rise) or 4m + 3 (fall).
    const auto edge = [&](int m) { return (4 * m + (onFalls ? 2 : 0)) * kSample; };
    const double released = releasedAt * kSample;
    double previousLast = selectedAt * kSample;
    int m = firstM;
    for (size_t w = 0; w < words.size(); ++w) {
        const TSpiWord& word = words[w];
        const double first = edge(m);
        m += word.Bits;
        const double last = edge(m - 1);
        const double endHi = w + 1 < words.size() ? edge(m) : released;
        const double startLo = previousLast;
        previousLast = last;
        const auto add = [&](TDecodeField field, const std::string& value) {
            want.push_back({field, value, startLo, first, last, endHi});
        };
        if (word.Incomplete) {
            add(TDecodeField::Incomplete, "");
            continue;
        }
        if (!word.Mosi.empty()) add(TDecodeField::Mosi, word.Mosi);
        if (!word.Miso.empty()) add(TDecodeField::Miso, word.Miso);
    }
}

std::vector<TWant> SpiWindows(bool onFalls, const std::vector<TSpiWord>& words,
                              bool begunAtEnd = false)
{
    std::vector<TWant> want;
    for (int j = 1; j <= 7; ++j) {
        SpiWords(want, onFalls, 256 * j - 1, 256 * j + 127, 64 * j, words);
        if (begunAtEnd)
            want.push_back(At(TDecodeField::Incomplete, "", (256 * j + 126) * kSample,
                              (256 * j + 127) * kSample));
    }
    return want;
}

std::vector<TCase> Cases()
{
    std::vector<TCase> cases;
    const auto add = [&](const char* file, const char* decoder, double slack = 0,
                         double from = 0) -> std::vector<TWant>& {
        cases.push_back({file, decoder, {}, slack, from});
        return cases.back().Want;
    };

    // walking-zero, bit length one sample (200000 baud): bit k's single low sample is a start
    // bit, the eight highs after it fill a 9-bit frame of ones. Frames start at k + 1 + 9q up
    // to the last low sample (2035, 2036, 2037 for bits 0, 1, 2).
    // 7N1: seven ones, 7F.
    Frames(add("walking-zero.log", "uart:rx=0,baud=200000,data=7"), 1, 9, 227, 1, 9, "7F");
    // 5 data, odd parity, 2 stops: 1F, then a parity bit of 1 making six ones: wrong.
    // The bit length comes from the 1-sample low pulses.
    Frames(add("walking-zero.log", "uart:rx=1,data=5,parity=odd,stop=2", 0.02 * 9 * kSample), 2, 9,
           227, 1, 9, "1F", 6);
    // The same with even parity is right, and five ones read either way are 1F.
    Frames(add("walking-zero.log", "uart:rx=2,bit=5000,data=5,parity=even,stop=2,order=msb"), 3, 9,
           227, 1, 9, "1F");
    // I2C, SCL bit 0 and SDA bit 2: SDA falls at sample 3 + 9q and rises at 4 + 9q, SCL high
    // around both (it is low only at 1 + 9q, when SDA is high and the bus idle): start, stop.
    add("walking-zero.log", "i2c:scl=0,sda=2") = StartStops(3, 1, 9, 227);

    // graycode bit 0: high at n = 1, 2 (mod 4), so high at the log's start, falling at samples
    // 2 + 4r: a square wave of 2-sample halves. At a bit length of 2 samples (100000 baud) a
    // frame from a falling edge reads H L H L H L H L (55 LSB first, AA MSB first), stop high,
    // and the next falling edge is 10 bits on: frames at 2 + 20q. The last one, at 2042, has
    // only its start bit and one high bit in the log (which ends high at 2045): FF.
    for (const char* decoder : {"uart:rx=0,baud=100000", "uart:rx=0"}) {
        const bool found = std::string(decoder).find("baud") == std::string::npos;
        std::vector<TWant>& want = add("graycode.log", decoder, found ? 0.02 * 20 * kSample : 0);
        Frames(want, 2, 20, 102, 2, 10, "55");
        Frames(want, 2042, 20, 1, 2, 10, "FF");
    }
    {
        std::vector<TWant>& want = add("graycode.log", "uart:rx=0,baud=100000,order=msb");
        Frames(want, 2, 20, 102, 2, 10, "AA");
        Frames(want, 2042, 20, 1, 2, 10, "FF");
    }
    // SPI: modes 0 and 3 sample on rises, 1 and 2 on falls. Words of the partly selected window
    // at the log's start are left out.
    const TSpiWord w0F{"55", "0F"}, wF0{"55", "F0"};
    const TSpiWord f0F{"AA", "0F"}, fF0{"AA", "F0"};
    // In mode 0 the window the log starts in counts too: bit 0 is high at the log's first
    // sample, so the first rise is m = 1, and m = 1..31 reads bit 1 as 1 0 1 0 ... (AA) and
    // bit 4 as 0001 1111, 1110 0000, 0001 1111 (1F E0 1F), then 7 bits cut at sample 127.
    {
        std::vector<TWant>& want = add("graycode.log", "spi:clk=0,mosi=1,miso=4,cs=7,mode=0");
        SpiWords(want, false, 0, 127, 1,
                 {{"AA", "1F"}, {"AA", "E0"}, {"AA", "1F"}, {"", "", 7, true}});
        for (const TWant& w : SpiWindows(false, {w0F, wF0, w0F, wF0}))
            want.push_back(w);
    }
    // Without chip select the words run on from m = 1 to the log's last rise (m = 511 at
    // sample 2044): 63 words alternating AA/1F and AA/E0, then 7 bits the log's end cuts.
    {
        std::vector<TSpiWord> words;
        for (int w = 0; w < 63; ++w)
            words.push_back({"AA", w % 2 == 0 ? "1F" : "E0"});
        words.push_back({"", "", 7, true});
        SpiWords(add("graycode.log", "spi:clk=0,mosi=1,miso=4"), false, 0, 2045, 1, words);
    }
    add("graycode.log", "spi:clk=0,mosi=1,miso=4,cs=7,mode=3", 0, 255 * kSample) =
        SpiWindows(false, {w0F, wF0, w0F, wF0}, true);
    for (const char* decoder :
         {"spi:clk=0,mosi=1,miso=4,cs=7,mode=1", "spi:clk=0,mosi=1,miso=4,cs=7,mode=2"})
        add("graycode.log", decoder, 0, 255 * kSample) = SpiWindows(true, {f0F, fF0, f0F, fF0});
    // 12-bit words of bit 4 (bit 2 XOR bit 3 of m - 64 j = 0..31): 0000 1111 1111,
    // 0000 0000 1111, and 8 bits cut short by chip select. LSB first the same bits are FF0
    // and F00.
    add("graycode.log", "spi:clk=0,mosi=4,cs=7,word=12", 0, 255 * kSample) =
        SpiWindows(false, {{"0FF", "", 12}, {"00F", "", 12}, {"", "", 8, true}});
    add("graycode.log", "spi:clk=0,mosi=4,cs=7,word=12,order=lsb", 0, 255 * kSample) =
        SpiWindows(false, {{"FF0", "", 12}, {"F00", "", 12}, {"", "", 8, true}});
    // I2C, SCL bit 1 (high at n = 2..5 mod 8) and SDA bit 0 (high at n = 1, 2 mod 4): SDA falls
    // at n = 3 and rises at n = 5 while SCL is high: a start at sample 2 + 8q and a stop two
    // samples later; SCL's pulse while the bus is free (n = 10..13) clocks nothing.
    add("graycode.log", "i2c:scl=1,sda=0") = StartStops(2, 2, 8, 256);
    // SCL bit 2 (high at n = 4..11 mod 16) and SDA bit 0: while SCL is high SDA rises at n = 5
    // and 9 (stops; the first with no start before it) and falls at 7 and 11 (starts). The
    // one SCL rise (n = 20) between the start at 11 and the stop at 21 is no byte: nothing.
    {
        std::vector<TWant>& want = add("graycode.log", "i2c:scl=2,sda=0");
        for (int q = 0; q < 128; ++q)
            for (const int n : {5, 7, 9, 11}) {
                const double at = (16 * q + n - 1) * kSample;
                want.push_back(
                    At(n % 4 == 1 ? TDecodeField::Stop : TDecodeField::Start, "", at, at));
            }
    }

    // incremental, bit 2 inverted: high while bit 2 of i is 0, so high at the start and a
    // square wave of 4-sample halves. Bits of 4 samples (50000 baud) give 55 frames from every
    // other falling edge, at 4 + 40q. The last, at 2004, reads its eighth data bit after the
    // log's end (2035, bit 2 low: line high): 1 0 1 0 1 0 1 1, D5.
    // Found from the pulses, the bit length may be off by 2%.
    for (const char* decoder : {"uart:rx=2,baud=50000,invert=yes", "uart:rx=2,invert=yes"}) {
        const bool found = std::string(decoder).find("baud") == std::string::npos;
        std::vector<TWant>& want = add("incremental.log", decoder, found ? 0.02 * 40 * kSample : 0);
        Frames(want, 4, 40, 50, 4, 10, "55");
        Frames(want, 2004, 40, 1, 4, 10, "D5");
    }
    // Bit 3 inverted at bits of 8 samples, 7 data bits and a parity bit in the same 10-bit
    // frames (at 8 + 80q): 1010101 is 55, the parity bit low; four ones, so even parity holds
    // and odd fails. The last frame, at 2008, has data 1 0 1 1 1 1 1 (7D, the line high from
    // sample 2032 on) and a parity bit of 1: seven ones, so even fails and odd holds.
    {
        std::vector<TWant>& want =
            add("incremental.log", "uart:rx=3,bit=40000,data=7,parity=even,invert=yes");
        Frames(want, 8, 80, 25, 8, 10, "55");
        Frames(want, 2008, 80, 1, 8, 10, "7D", 8);
    }
    {
        std::vector<TWant>& want =
            add("incremental.log", "uart:rx=3,bit=40000,data=7,parity=odd,invert=yes");
        Frames(want, 8, 80, 25, 8, 10, "55", 8);
        Frames(want, 2008, 80, 1, 8, 10, "7D");
    }
    return cases;
}

std::string ReadCapture(const std::string& name)
{
    const char* source = std::getenv("LOGVIEW_SOURCE_DIR");
    if (source == nullptr) return {};
    std::ifstream in(std::string(source) + "/tests/decode/data/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Describe(TDecodeField field, const std::string& value, double start, double end)
{
    return std::string(FieldName(field)) + " " + value + " " + std::to_string(start) + ".." +
           std::to_string(end);
}

TEST(Captures, DecodersReadWhatThePatternsMean)
{
    if (std::getenv("LOGVIEW_SOURCE_DIR") == nullptr)
        GTEST_SKIP() << "LOGVIEW_SOURCE_DIR is not set";
    for (const TCase& c : Cases()) {
        SCOPED_TRACE(std::string(c.File) + " " + c.Decoder);
        const std::string text = ReadCapture(c.File);
        ASSERT_FALSE(text.empty());
        const TSplitLines lines(text);
        const TSampleModel model(lines);
        ASSERT_EQ(model.FirstBadLine(), -1);
        TDecoderSetup setup;
        std::string error;
        ASSERT_TRUE(ParseDecoderSetup(c.Decoder, 1e-9, setup, error)) << error;

        std::vector<TDecodedItem> got;
        for (TDecodedItem& item : Decode(model, model.SampleCount(), setup))
            if (item.Start >= c.From) got.push_back(std::move(item));
        ASSERT_FALSE(c.Want.empty());
        EXPECT_EQ(got.size(), c.Want.size());
        const size_t n = std::min(got.size(), c.Want.size());
        for (size_t i = 0; i < n; ++i) {
            const TDecodedItem& g = got[i];
            const TWant& w = c.Want[i];
            const bool same = g.Field == w.Field && g.Value == w.Value &&
                              g.Start >= w.StartLo - c.Slack && g.Start <= w.StartHi + c.Slack &&
                              g.End >= w.EndLo - c.Slack && g.End <= w.EndHi + c.Slack;
            if (!same) {
                ADD_FAILURE() << "item " << i << ": got "
                              << Describe(g.Field, g.Value, g.Start, g.End) << ", want "
                              << Describe(w.Field, w.Value, w.StartLo, w.EndHi);
                break;
            }
        }
    }
}

} // namespace
