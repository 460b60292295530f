// The one line-break rule, fed whole and in every split into two pieces (a CR LF may be
// cut between them), with and without the stop at a NUL.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/common/TextModel.h"
#include "toolkit/LineBreaks.h"

namespace {

struct TCase
{
    std::string In;
    std::string Stopped; // what a load keeps: up to the first NUL
    bool Nul;
};

std::string Normalised(const std::string& in, size_t split, bool stopAtNul, bool& stopped)
{
    std::string out;
    TLineBreakNormaliser normaliser(out, stopAtNul);
    if (normaliser.Feed(in.data(), split)) normaliser.Feed(in.data() + split, in.size() - split);
    normaliser.Finish();
    stopped = normaliser.Stopped();
    return out;
}

} // namespace

TEST(LineBreaks, EveryBreakBecomesCrLfWhereverTheInputIsCut)
{
    using namespace std::string_literals;
    const TCase cases[] = {
        {"", "", false},
        {"a\rb\nc\r\nd", "a\r\nb\r\nc\r\nd", false},
        {"\r\r\n\n\r", "\r\n\r\n\r\n\r\n", false},
        {"\n\r", "\r\n\r\n", false},
        {"0123456789abcdef\r", "0123456789abcdef\r\n", false},
        {"12345678\r\n12345678\n12345678", "12345678\r\n12345678\r\n12345678", false},
        {"x\r\0y\n"s, "x\r\n", true},
        {"\0\r\n"s, "", true},
        {"long line without any break at all, past a word or two",
         "long line without any break at all, past a word or two", false},
    };
    for (const TCase& c : cases) {
        for (size_t split = 0; split <= c.In.size(); ++split) {
            SCOPED_TRACE(::testing::PrintToString(c.In) + " split at " + std::to_string(split));
            bool stopped = false;
            EXPECT_EQ(Normalised(c.In, split, true, stopped), c.Stopped);
            EXPECT_EQ(stopped, c.Nul);
            // Without the stop a NUL is a character like any other.
            EXPECT_EQ(Normalised(c.In, split, false, stopped), ModelNormalise(c.In));
            EXPECT_FALSE(stopped);
        }
        EXPECT_EQ(NormaliseLineBreaks(c.In), ModelNormalise(c.In));
        EXPECT_EQ(HasOnlyCrLf(c.In), ModelNormalise(c.In) == c.In);
    }
}

// Random texts of CR LF breaks with now and then a lone CR or LF, a NUL or a neighbour of
// theirs in value (a word-wide compare that borrows across bytes would mistake one for
// another), at every place relative to an eight-byte word.
TEST(LineBreaks, RandomTextsFollowTheModel)
{
    std::mt19937 random(7);
    using namespace std::string_view_literals;
    const std::string_view pieces[] = {"a"sv,  "bc"sv,   "\r\n"sv, "\r\n"sv, "defg"sv,
                                       "\0"sv, "\x0c"sv, "\x0b"sv, "\x0e"sv};
    const char lone[] = {'\r', '\n'};
    int valid = 0;
    for (int round = 0; round < 5000; ++round) {
        std::string text;
        for (int k = static_cast<int>(random() % 12); k > 0; --k) {
            if (random() % 30 == 0)
                text += lone[random() % 2];
            else
                text += pieces[random() % std::size(pieces)];
        }
        SCOPED_TRACE(::testing::PrintToString(text));
        const std::string model = ModelNormalise(text);
        ASSERT_EQ(NormaliseLineBreaks(text), model);
        ASSERT_EQ(HasOnlyCrLf(text), model == text);
        valid += model == text;
    }
    EXPECT_GT(valid, 1000);
}
