#include "toolkit/FormatFloat.h"
#include "toolkit/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FormatRow
{
    const char* name;
    const char* pattern;
    double value;
    char thousands;
    char decimal;
    const char* expected;
};

const FormatRow kFormatRows[] = {
    {"Zero", "#,##0.###", 0, ',', '.', "0"},
    {"One", "#,##0.###", 1, ',', '.', "1"},
    {"Thousand", "#,##0.###", 1000, ',', '.', "1,000"},
    {"Fraction", "#,##0.###", 0.2, ',', '.', "0.2"},
    {"GroupedAndRounded", "#,##0.###", 1234.5678, ',', '.', "1,234.568"},
    {"Millions", "#,##0.###", 1234567, ',', '.', "1,234,567"},
    {"Negative", "#,##0.###", -1234.5, ',', '.', "-1,234.5"},
    {"NoTrailingSeparator", "#,##0.###", 3.0001, ',', '.', "3"},
    {"StepNoise", "#,##0.###", 0.30000000000000004, ',', '.', "0.3"},
    {"RussianSeparators", "#,##0.###", 1234567.25, '\xA0', ',',
     "1\xA0"
     "234\xA0"
     "567,25"},
    {"GermanSeparators", "#,##0.###", -9876.5, '.', ',', "-9.876,5"},
    {"HalfAwayFromZero", "#,##0.###", 0.0005, ',', '.', "0.001"},
    {"NegativeHalfAwayFromZero", "#,##0.###", -0.0025, ',', '.', "-0.003"},
    {"HalfOfShortestDecimal", "#,##0.###", 1.0005, ',', '.', "1.001"},
    {"BelowHalf", "#,##0.###", 0.00049, ',', '.', "0"},
    {"NegativeZero", "#,##0.###", -0.0, ',', '.', "0"},
    {"NegativeRoundsToZero", "#,##0.###", -0.0001, ',', '.', "0"},
    {"SubtractionNoiseBelowZero", "#,##0.###", -5.551115123125783e-17, ',', '.', "0"},
    {"FixedDecimals", "0.00", 2.5, ',', '.', "2.50"},
    {"NoGrouping", "0", 1234567.4, ',', '.', "1234567"},
    {"NegativeSubpattern", "0.0;(0.0)", -1.25, ',', '.', "(1.3)"},
    {"QuotedLiteral", "0' ms'", 12, ',', '.', "12 ms"},
    {"Exponent", "0.00E0", 12345, ',', '.', "1.23E4"},
    {"CyrillicLiteral", "0' \xEC\xF1'", 5, ',', '.', "5 \xEC\xF1"},
    {"Infinity", "#,##0.###", std::numeric_limits<double>::infinity(), ',', '.', "INF"},
    {"NotANumber", "#,##0.###", std::numeric_limits<double>::quiet_NaN(), ',', '.', "NAN"},
};

class FormatFloatTest : public ::testing::TestWithParam<FormatRow>
{
};

TEST_P(FormatFloatTest, FormatsAsExpected)
{
    const FormatRow& row = GetParam();
    TFormatSettings settings;
    settings.ThousandSeparator = row.thousands;
    settings.DecimalSeparator = row.decimal;
    EXPECT_EQ(FormatFloat(row.pattern, row.value, settings), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, FormatFloatTest, ::testing::ValuesIn(kFormatRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FormatFloat, GlobalSettingsAreUsedAndChangesTakeEffect)
{
    const TFormatSettings saved = FormatSettings();
    FormatSettings().ThousandSeparator = ' ';
    FormatSettings().DecimalSeparator = ',';
    EXPECT_EQ(FormatFloat("#,##0.###", 12345.75), "12 345,75");
    // The cached formatter must not outlive a change of separators.
    FormatSettings().ThousandSeparator = '\'';
    FormatSettings().DecimalSeparator = '.';
    EXPECT_EQ(FormatFloat("#,##0.###", 12345.75), "12'345.75");
    FormatSettings() = saved;
}

TEST(FormatFloat, LocaleSeparatorsBecomeWindows1251Characters)
{
    struct Row
    {
        const char* locale;
        char thousands;
        char decimal;
    };
    // French groups with a narrow no-break space, which Windows-1251 lacks.
    const Row rows[] = {{"en_US", ',', '.'},
                        {"de_DE", '.', ','},
                        {"ru_RU", '\xA0', ','},
                        {"fr_FR", '\xA0', ','},
                        {"C", ',', '.'}};
    for (const Row& row : rows) {
        const TFormatSettings settings = LocaleFormatSettings(row.locale);
        EXPECT_EQ(settings.ThousandSeparator, row.thousands) << row.locale;
        EXPECT_EQ(settings.DecimalSeparator, row.decimal) << row.locale;
    }
}

TEST(FormatFloat, UnusablePatternRaisesConvertError)
{
    const TFormatSettings settings;
    EXPECT_THROW(FormatFloat("#,##0.#0#", 1.5, settings), EConvertError);
}

} // namespace
