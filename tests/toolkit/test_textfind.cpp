// The find bar's text search against a plain model: lower-cased lines searched with
// std::string::find, over random texts where matches touch, overlap and cross line breaks.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "toolkit/TextBuffer.h"
#include "toolkit/TextFind.h"

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return s;
}

// Every match in reading order; Apart: each after the end of the one before (as counted),
// else at every place (as stepped to from anywhere).
std::vector<TTextPos> Matches(const std::vector<std::string>& lines, const std::string& needle,
                              bool apart)
{
    std::vector<TTextPos> found;
    for (size_t l = 0; l < lines.size(); ++l) {
        const std::string line = Lower(lines[l]);
        for (size_t at = line.find(needle); at != std::string::npos;
             at = line.find(needle, at + (apart ? needle.size() : 1)))
            found.push_back({l, at});
    }
    return found;
}

} // namespace

TEST(TextFind, CountsAndStepsAsAPlainModelDoes)
{
    const char alphabet[] = {'a', 'A', 'b', '1', 'F', 'f'};
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::vector<std::string> lines(1 + random() % 6);
        std::string text;
        for (size_t l = 0; l < lines.size(); ++l) {
            for (size_t k = random() % 12; k > 0; --k)
                lines[l] += alphabet[random() % sizeof alphabet];
            text += lines[l] + (l + 1 < lines.size() ? "\r\n" : "");
        }
        std::string needle;
        for (size_t k = 1 + random() % 3; k > 0; --k)
            needle += alphabet[random() % sizeof alphabet];
        const TTextFinder finder(needle);
        EXPECT_EQ(finder.CountIn(text), Matches(lines, Lower(needle), true).size())
            << needle << " in " << text;
        const std::vector<TTextPos> want = Matches(lines, Lower(needle), false);

        TTextBuffer buffer;
        buffer.Assign(text);
        const TTextPos from{random() % lines.size(), 0};
        const TTextPos start{from.Line, random() % (lines[from.Line].size() + 1)};
        TTextPos got;
        bool wrapped = false;
        const bool found = finder.Next(buffer, start, false, got, wrapped);
        ASSERT_EQ(found, !want.empty());
        if (!found) continue;
        // Forward: the first match at or after Start, else the first one of all.
        auto next = std::find_if(want.begin(), want.end(), [&](TTextPos m) { return m >= start; });
        EXPECT_EQ(got, next != want.end() ? *next : want.front()) << needle << " in " << text;
        EXPECT_EQ(wrapped, next == want.end());
        // Backward: the last match ending at or before Start, else the last one of all.
        finder.Next(buffer, start, true, got, wrapped);
        auto prev = std::find_if(want.rbegin(), want.rend(), [&](TTextPos m) {
            return m.Line < start.Line ||
                   (m.Line == start.Line && m.Column + needle.size() <= start.Column);
        });
        EXPECT_EQ(got, prev != want.rend() ? *prev : want.back()) << needle << " in " << text;
        EXPECT_EQ(wrapped, prev == want.rend());
    }
}
