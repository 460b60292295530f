// The find bar's text search against a plain model: lower-cased lines searched with
// std::string::find, over random texts where matches touch, overlap and cross line breaks;
// and the bar's marks on the rows shown.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "toolkit/Controls_p.h"
#include "toolkit/MemoView_p.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/TestSupport.h"
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

TEST(FindBar, MarksTheMatchesOnTheRowsShownWhileOpen)
{
    TMemo memo;
    memo.SetBounds(0, 0, 240, 200);
    memo.SetText("ab ab\r\nxx\r\nAB\r\nzz\r\nxx\r\nxx\r\nxx\r\nab");
    auto* view = static_cast<TMemoView*>(ControlWidget(&memo));
    view->show();
    ProcessEvents();
    // Marked pixels per text row, under the bar's own rows.
    auto marked = [&] {
        const QImage image = view->viewport()->grab().toImage();
        std::vector<int> rows(8);
        const double ratio = image.devicePixelRatio();
        for (int y = 0; y < image.height(); ++y) {
            const int row = std::clamp((static_cast<int>(y / ratio) - 2) / view->RowHeight(), 0, 7);
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == QColor(255, 230, 120))
                    ++rows[static_cast<size_t>(row)];
        }
        return rows;
    };
    memo.SetCaretPos(TTextPos{7, 2});
    memo.ShowFindBar();
    memo.SetFindText("ab");
    ProcessEvents();
    std::vector<int> rows = marked();
    // Round to line 0's first "ab", which is selected; its second one and line 2's are marked.
    EXPECT_EQ(memo.AnchorPos(), (TTextPos{0, 0}));
    EXPECT_GT(rows[2], 0);
    for (int row : {1, 3, 4, 5, 6})
        EXPECT_EQ(rows[static_cast<size_t>(row)], 0) << row;
    EXPECT_GT(rows[7], 0);
    memo.CloseFindBar();
    ProcessEvents();
    rows = marked();
    EXPECT_EQ(std::count(rows.begin(), rows.end(), 0), 8) << "no marks once closed";
}

TEST(FindBar, TypedTextFarDownIsFoundBetweenKeystrokesAndCounted)
{
    TMemo memo;
    memo.SetBounds(0, 0, 240, 200);
    std::string text;
    for (int i = 0; i < 120000; ++i)
        text += "x\r\n";
    memo.SetText(text + "ab ab");
    static_cast<TMemoView*>(ControlWidget(&memo))->show();
    ProcessEvents();
    memo.ShowFindBar();
    memo.SetFindText("ab");
    EXPECT_EQ(memo.AnchorPos(), memo.CaretPos()) << "a keystroke reads only the first lines";
    for (int i = 0; i < 1000 && (memo.FindMatchCount() < 0 || memo.AnchorPos() == memo.CaretPos());
         ++i)
        ProcessEvents();
    EXPECT_EQ(memo.AnchorPos(), (TTextPos{120000, 0}));
    EXPECT_EQ(memo.FindMatchCount(), 2);
}
