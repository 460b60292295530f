#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "toolkit/SysUtils.h"
#include "viewer/SampleLine.h"

namespace {

struct IntCase
{
    const char* name;
    std::string text;
    std::optional<int32_t> expected; // nullopt: the conversion must fail
};

void PrintTo(const IntCase& c, std::ostream* os)
{
    *os << c.name;
}

class TextToIntTest : public ::testing::TestWithParam<IntCase>
{
};

TEST_P(TextToIntTest, ConvertsOrRejects)
{
    const IntCase& c = GetParam();
    if (c.expected) {
        EXPECT_EQ(TextToInt(c.text), *c.expected);
        return;
    }
    try {
        TextToInt(c.text);
        FAIL() << "accepted '" << c.text << "'";
    } catch (const EConvertError& e) {
        // The message quotes the whole text, leading blanks and all.
        EXPECT_EQ(e.Message(), "'" + c.text + "' is not a valid integer value");
    }
}

const IntCase TextToIntCases[] = {
    {"Plain", "42", 42},
    {"LeadingBlanks", "   42", 42},
    {"Plus", "+5", 5},
    {"Minus", "-5", -5},
    {"BlankThenMinus", " -5", -5},
    {"Dollar", "$1F", 31},
    {"LowerX", "x1F", 31},
    {"UpperX", "X1F", 31},
    {"ZeroX", "0x1F", 31},
    {"ZeroUpperXMixedDigits", "0X1f", 31},
    {"HexAllOnesIsMinusOne", "$FFFFFFFF", -1},
    {"HexSignBit", "$80000000", INT32_MIN},
    {"HexLeadingZeros", "$000000001", 1},
    {"HexNineSignificantDigits", "$100000000", std::nullopt},
    {"HexEightSignificantDigitsAfterZeros", "0x00000000FFFFFFFE", -2},
    {"MaxInt", "2147483647", INT32_MAX},
    {"MaxIntPlusOne", "2147483648", std::nullopt},
    {"MinInt", "-2147483648", INT32_MIN},
    {"MinIntMinusOne", "-2147483649", std::nullopt},
    {"TenDigitsOverflowBeforeLastDigit", "2147483650", std::nullopt},
    {"ElevenDigits", "10000000000", std::nullopt},
    {"ManyLeadingZerosDecimal", "0000000000002147483647", INT32_MAX},
    {"LeadingZeros", "007", 7},
    {"Zero", "0", 0},
    {"BlanksThenZero", "  0", 0},
    {"MinusZero", "-0", 0},
    {"Empty", "", std::nullopt},
    {"BlanksOnly", "   ", std::nullopt},
    {"TrailingBlank", "42 ", std::nullopt},
    {"LeadingTab", "\t42", std::nullopt},
    {"LoneDollar", "$", std::nullopt},
    {"LoneZeroX", "0x", std::nullopt},
    {"LoneMinus", "-", std::nullopt},
    {"LonePlus", "+", std::nullopt},
    {"MinusDollar", "-$5", std::nullopt},
    {"DoubleSign", "+-5", std::nullopt},
    {"ZeroZeroX", "00x5", std::nullopt},
    {"HexBadDigit", "$1G", std::nullopt},
    {"DecimalWithHexLetter", "1F", std::nullopt},
    {"InnerBlank", "4 2", std::nullopt},
    {"HighByte", "4\xE2", std::nullopt},
    {"NulByteInside",
     std::string("4\0"
                 "2",
                 3),
     std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Table, TextToIntTest, ::testing::ValuesIn(TextToIntCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct HexCase
{
    const char* name;
    std::string text;
    std::optional<uint32_t> expected;
};

void PrintTo(const HexCase& c, std::ostream* os)
{
    *os << c.name;
}

class HexStrToIntTest : public ::testing::TestWithParam<HexCase>
{
};

TEST_P(HexStrToIntTest, ConvertsOrRejects)
{
    const HexCase& c = GetParam();
    if (c.expected) {
        EXPECT_EQ(HexStrToInt(c.text), *c.expected);
        return;
    }
    try {
        HexStrToInt(c.text);
        FAIL() << "accepted '" << c.text << "'";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "No Hex-Number");
    }
}

const HexCase HexCases[] = {
    {"Empty", "", 0u},
    {"LowerCase", "1f", 31u},
    {"MixedCase", "aBcD", 0xABCDu},
    {"EightDigits", "FFFFFFFF", 0xFFFFFFFFu},
    {"NineDigitsShiftOut", "123456789", 0x23456789u},
    {"HundredDigitsKeepLastEight", std::string(92, 'F') + "01234567", 0x01234567u},
    {"LeadingZeros", "0000000000FF", 0xFFu},
    {"Blank", "1 F", std::nullopt},
    {"TrailingBlank", "1F ", std::nullopt},
    {"Colon", "3A:FF", std::nullopt},
    {"Sign", "-1", std::nullopt},
    {"DollarPrefix", "$1", std::nullopt},
    {"XPrefix", "0x1", std::nullopt},
    {"LetterG", "G", std::nullopt},
    {"HighByte", "\xC0", std::nullopt},
    {"NulByte", std::string("1\0", 2), std::nullopt},
};

INSTANTIATE_TEST_SUITE_P(Table, HexStrToIntTest, ::testing::ValuesIn(HexCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct SplitCase
{
    const char* name;
    std::string line;
    std::string time;
    std::string value;
};

TEST(SplitSampleLine, Table)
{
    const std::string hundred(100, 'A');
    const SplitCase cases[] = {
        {"Ordinary", "150:1f", "150", "1f"},
        {"EmptyValue", "12:", "12", ""},
        {"EmptyTime", ":5", "", "5"},
        {"EmptyLine", "", "", ""},
        {"NoColon", "12", "", "12"},
        {"FurtherColons", "12:3A:FF", "12", "3A:FF"},
        {"ValueCutAtHundred", "7:" + hundred + "xyz", "7", hundred},
        {"ValueExactlyHundred", "7:" + hundred, "7", hundred},
        {"BlanksKept", " 1 : 2 ", " 1 ", " 2 "},
    };
    for (const SplitCase& c : cases) {
        const TSampleFields f = SplitSampleLine(c.line);
        EXPECT_EQ(f.Time, c.time) << c.name;
        EXPECT_EQ(f.Value, c.value) << c.name;
    }
}

TEST(BitMaskOf, OnlyTheExactDigitsZeroToSeven)
{
    const struct
    {
        std::string text;
        uint8_t mask;
    } cases[] = {
        {"0", 1},  {"1", 2},  {"2", 4},   {"3", 8},    {"4", 16},
        {"5", 32}, {"6", 64}, {"7", 128}, {"8", 0},    {"9", 0},
        {"", 0},   {" ", 0},  {" 0", 0},  {"0 ", 0},   {"00", 0},
        {"-1", 0}, {"10", 0}, {"/", 0},   {"\xB0", 0}, {std::string("1\0", 2), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BitMaskOf(c.text), c.mask) << "'" << c.text << "'";
}

TEST(BitValue, ExtractsTheMaskedBitOnly)
{
    // Word 0x1F (from "150:1f"): bit 0 set, bit 5 clear.
    EXPECT_EQ(BitValue(0x1Fu, BitMaskOf("0")), 1);
    EXPECT_EQ(BitValue(0x1Fu, BitMaskOf("5")), 0);
    EXPECT_EQ(BitValue(0x80u, 128), 1);
    // Bits above 7 never show through.
    EXPECT_EQ(BitValue(0xFFFFFF00u, 1), 0);
    EXPECT_EQ(BitValue(0xFFFFFF00u, 128), 0);
    for (int bit = 0; bit < 8; ++bit) {
        const uint8_t mask = static_cast<uint8_t>(1u << bit);
        EXPECT_EQ(BitValue(0xFFFFFFFFu, mask), 1) << bit;
        EXPECT_EQ(BitValue(~uint32_t(mask), mask), 0) << bit;
    }
}

TEST(BitValue, WiderMasksDivideAsUnsignedIntegers)
{
    EXPECT_EQ(BitValue(3u, 3), 1);
    EXPECT_EQ(BitValue(2u, 3), 0);
    EXPECT_EQ(BitValue(0xFFu, 0xFF), 1);
    EXPECT_EQ(BitValue(0xFEu, 0xFF), 0);
}

TEST(BitValue, ZeroMaskRaisesDivByZero)
{
    EXPECT_THROW(BitValue(0u, 0), EDivByZero);
    EXPECT_THROW(BitValue(0xFFFFFFFFu, 0), EDivByZero);
}

} // namespace
