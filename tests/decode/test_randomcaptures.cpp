// Logs made from the demo device of sigrok-cli (see data/README.md): its counting
// pattern, where every bit's levels are known, and its random pattern. SPI words must equal
// the bits a plain reading takes at each sampling clock edge, and I2C must find no condition
// where SDA only ever moves together with SCL.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "decode/Decode.h"
#include "samples/SampleModel.h"
#include "tests/common/SampleLines.h"

namespace {

std::string ReadCapture(const char* name)
{
    const char* dir = std::getenv("LOGVIEW_SOURCE_DIR");
    std::ifstream in(std::string(dir != nullptr ? dir : ".") + "/tests/decode/data/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Eight-bit words, MSB first, of the data bit at every clock edge of the sampling direction.
std::vector<std::string> PlainWords(const TSampleModel& model, int clk, int data, bool rising)
{
    std::vector<std::string> words;
    unsigned value = 0;
    int bits = 0;
    for (int i = 1; i < model.SampleCount(); ++i) {
        if (model.Bit(i - 1, clk) == model.Bit(i, clk) || model.Bit(i, clk) != (rising ? 1 : 0))
            continue;
        value = (value << 1) | static_cast<unsigned>(model.Bit(i, data));
        if (++bits < 8) continue;
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", value);
        words.push_back(hex);
        value = 0;
        bits = 0;
    }
    return words;
}

TEST(Captures, SpiWordsAreTheBitsAtTheSamplingEdges)
{
    for (const char* name : {"demo-incremental.log", "demo-random.log"}) {
        const std::string text = ReadCapture(name);
        ASSERT_FALSE(text.empty()) << name;
        const TSplitLines lines(text);
        const TSampleModel model(lines);
        ASSERT_TRUE(model.BadLines().empty()) << name;
        for (int clk = 0; clk < 3; ++clk)
            for (int data = 0; data < 8; ++data)
                for (const int mode : {0, 1}) {
                    if (data == clk) continue;
                    SCOPED_TRACE(std::string(name) + " clk " + std::to_string(clk) + " mosi " +
                                 std::to_string(data) + " mode " + std::to_string(mode));
                    TSpiSettings settings;
                    settings.Clk = clk;
                    settings.Mosi = data;
                    settings.Mode = mode;
                    std::vector<std::string> decoded;
                    for (const TDecodedItem& item : DecodeSpi(model, model.SampleCount(), settings))
                        if (item.Field == TDecodeField::Mosi) decoded.push_back(item.Value);
                    EXPECT_FALSE(decoded.empty());
                    EXPECT_EQ(decoded, PlainWords(model, clk, data, mode == 0));
                }
    }
}

TEST(Captures, CountingPatternGivesKnownWordsAndNoI2cCondition)
{
    const std::string text = ReadCapture("demo-incremental.log");
    const TSplitLines lines(text);
    const TSampleModel model(lines);
    // Bit K of the count at the rises of bit 0 (odd counts): K=1 alternates, K=2 in pairs.
    for (const auto& [mosi, word] : {std::pair{1, "55"}, std::pair{2, "33"}, std::pair{3, "0F"}}) {
        TSpiSettings settings;
        settings.Mosi = mosi;
        const std::vector<TDecodedItem> items = DecodeSpi(model, model.SampleCount(), settings);
        ASSERT_GT(items.size(), 30u);
        EXPECT_EQ(items.front().Value, word);
        // A word of 8 rises spans 7 periods of bit 0: 14 samples of 5 us.
        EXPECT_EQ(items.front().End - items.front().Start, 70);
    }
    EXPECT_TRUE(DecodeI2c(model, model.SampleCount(), TI2cSettings{0, 1}).empty());
}

} // namespace
