#include "toolkit/TextBuffer.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/common/TextModel.h"

namespace {

size_t ModelOffset(const std::vector<std::string>& lines, TTextPos pos)
{
    size_t offset = 0;
    for (size_t i = 0; i < pos.Line; ++i)
        offset += lines[i].size() + 2;
    return offset + pos.Column;
}

void ExpectSame(const TTextBuffer& buffer, const std::string& model, const std::string& what)
{
    SCOPED_TRACE(what);
    ASSERT_EQ(buffer.Text(), model);
    ASSERT_EQ(buffer.Size(), model.size());
    const auto lines = ModelLines(model);
    ASSERT_EQ(buffer.LineCount(), lines.size());
    std::string joined;
    for (const auto piece : buffer.Pieces())
        joined += piece;
    ASSERT_EQ(joined, model);
    size_t offset = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(buffer.Line(i), lines[i]) << "line " << i;
        const TTextPos end{i, lines[i].size()};
        ASSERT_EQ(buffer.OffsetOf({i, 0}), offset);
        ASSERT_EQ(buffer.PosOf(offset), (TTextPos{i, 0}));
        ASSERT_EQ(buffer.PosOf(offset + lines[i].size()), end);
        if (i + 1 < lines.size()) {
            ASSERT_EQ(buffer.PosOf(offset + lines[i].size() + 1), end);
        }
        offset += lines[i].size() + 2;
    }
}

struct TRandom
{
    std::mt19937 Gen;
    size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(Gen); }

    // Mostly in range, now and then past the line or the text to test clamping.
    TTextPos Pos(const std::vector<std::string>& lines)
    {
        if (Below(20) == 0) return {lines.size() + Below(3), Below(100)};
        const size_t line = Below(lines.size());
        return {line, Below(lines[line].size() + (Below(10) == 0 ? 5 : 1))};
    }
    std::string Text()
    {
        static const char kChars[] = "ab\r\n\xC0\xFF ";
        const size_t n = Below(6) == 0 ? Below(300) : Below(8);
        std::string s;
        for (size_t i = 0; i < n; ++i)
            s += kChars[Below(sizeof kChars - 1)];
        return s;
    }
};

TTextPos ModelClamp(const std::vector<std::string>& lines, TTextPos pos)
{
    pos.Line = std::min(pos.Line, lines.size() - 1);
    pos.Column = std::min(pos.Column, lines[pos.Line].size());
    return pos;
}

// Small blocks make every few edits split or merge one, big ones keep a single block.
class TextBufferModel : public ::testing::TestWithParam<size_t>
{
};

TEST_P(TextBufferModel, RandomEditsMatchAString)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        TRandom rnd{std::mt19937(seed)};
        TTextBuffer buffer(GetParam());
        std::string model;
        for (int i = 0; i < 40; ++i)
            model += "line " + std::to_string(i * 37) + "\r\n";
        if (seed % 2) model += "tail";
        buffer.Assign(model);
        ExpectSame(buffer, model, "assigned");
        for (int step = 0; step < 300; ++step) {
            const auto lines = ModelLines(model);
            TTextPos from = ModelClamp(lines, rnd.Pos(lines));
            TTextPos to = rnd.Below(3) == 0 ? from : ModelClamp(lines, rnd.Pos(lines));
            const std::string text = rnd.Below(3) == 0 ? std::string() : rnd.Text();
            const uint64_t revision = buffer.Revision();
            const TTextPos after = buffer.Replace(to, from, text);
            if (to < from) std::swap(from, to);
            const size_t a = ModelOffset(lines, from), b = ModelOffset(lines, to);
            const std::string inserted = ModelNormalise(text);
            model.replace(a, b - a, inserted);
            const auto now = ModelLines(model);
            ExpectSame(buffer, model,
                       "seed " + std::to_string(seed) + " step " + std::to_string(step));
            ASSERT_EQ(buffer.OffsetOf(after), a + inserted.size());
            const TTextChange& change = buffer.LastChange();
            ASSERT_GT(buffer.Revision(), revision);
            ASSERT_EQ(change.FirstLine, from.Line);
            ASSERT_EQ(now.size(), lines.size() - change.OldLines + change.NewLines);
            ASSERT_TRUE(std::equal(lines.begin() + change.FirstLine + change.OldLines, lines.end(),
                                   now.begin() + change.FirstLine + change.NewLines));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BlockBytes, TextBufferModel, ::testing::Values(8, 40, 200, 1 << 16));

TEST(TextBuffer, AssignCountsLinesAndNormalisesStrayBreaks)
{
    struct
    {
        const char* In;
        const char* Text;
        size_t Lines;
    } rows[] = {
        {"", "", 1},
        {"a\r\n", "a\r\n", 2},
        {"\r\n\r\n", "\r\n\r\n", 3},
        {"a\r\nb", "a\r\nb", 2},
        {"a\nb\rc\r\n\r", "a\r\nb\r\nc\r\n\r\n", 5},
        {"\n", "\r\n", 2},
    };
    for (const auto& row : rows) {
        TTextBuffer buffer(8);
        buffer.Assign(row.In);
        ExpectSame(buffer, row.Text, row.In);
        EXPECT_EQ(buffer.LineCount(), row.Lines);
    }
}

TEST(TextBuffer, BigTextCutIntoBlocksStaysWhole)
{
    std::string text;
    for (int i = 0; i < 50000; ++i)
        text += std::to_string(i) + ":00FF\r\n";
    text += std::string(200000, 'x');
    const std::string copy = text;
    TTextBuffer buffer;
    buffer.Assign(text);
    EXPECT_GT(buffer.Pieces().size(), 5u);
    ExpectSame(buffer, copy, "big");
    EXPECT_LE(buffer.OverheadBytes(), 40 * buffer.LineCount());
    // A line read back and inserted again, across a block boundary.
    const std::string line(buffer.Line(40000));
    buffer.Insert({40000, 0}, buffer.Line(40000));
    EXPECT_EQ(buffer.Line(40000), line + line);
}

std::string Typed(TTextBuffer& buffer, TTextHistory& history, TTextPos& caret,
                  const std::string& keys)
{
    for (const char c : keys) {
        if (c == '<')
            caret = history.Remove(buffer, {caret.Line, caret.Column - 1}, caret,
                                   TTextHistory::hkBackspace);
        else
            caret = history.Insert(buffer, caret, std::string(1, c), TTextHistory::hkTyping);
    }
    return buffer.Text();
}

TEST(TextHistory, TypingAndBackspaceGroupIntoSteps)
{
    struct
    {
        const char* Keys;
        std::vector<const char*> AfterUndos;
    } rows[] = {
        {"abc", {"x"}},
        {"abc<<", {"xabc", "x"}},
        {"ab\ncd", {"xab\r\n", "x"}},
        {"ab<<c", {"x", "xab", "x"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Keys);
        TTextBuffer buffer;
        TTextHistory history;
        buffer.Assign("x");
        TTextPos caret{0, 1};
        const std::string typed = Typed(buffer, history, caret, row.Keys);
        for (const char* expected : row.AfterUndos) {
            ASSERT_TRUE(history.Undo(buffer, caret));
            EXPECT_EQ(buffer.Text(), expected);
            EXPECT_EQ(buffer.Clamp(caret), caret);
        }
        EXPECT_FALSE(history.CanUndo());
        while (history.Redo(buffer, caret)) {
        }
        EXPECT_EQ(buffer.Text(), typed);
        EXPECT_EQ(buffer.OffsetOf(caret), typed.size());
    }
}

TEST(TextHistory, RandomScriptUndoesToTheAssignedBytesAndRedoesToTheEnd)
{
    for (unsigned seed = 1; seed <= 5; ++seed) {
        TRandom rnd{std::mt19937(seed)};
        TTextBuffer buffer(32);
        TTextHistory history;
        std::string start;
        for (int i = 0; i < 30; ++i)
            start += "sample " + std::to_string(i) + "\r\n";
        buffer.Assign(start);
        TTextPos caret;
        for (int step = 0; step < 200; ++step) {
            const auto lines = ModelLines(buffer.Text());
            const auto kind = static_cast<TTextHistory::TKind>(rnd.Below(4));
            if (rnd.Below(8) == 0) {
                history.Undo(buffer, caret);
                continue;
            }
            const TTextPos from = kind == TTextHistory::hkOther ? rnd.Pos(lines) : caret;
            const TTextPos to = rnd.Below(2) ? from : rnd.Pos(lines);
            const std::string text = kind == TTextHistory::hkBackspace ? "" : rnd.Text();
            caret = history.Replace(buffer, from, to, text, kind);
        }
        // Steps undone at the end of the script come back first.
        while (history.Redo(buffer, caret)) {
        }
        const std::string end = buffer.Text();
        while (history.Undo(buffer, caret)) {
        }
        EXPECT_EQ(buffer.Text(), start) << "seed " << seed;
        while (history.Redo(buffer, caret)) {
        }
        EXPECT_EQ(buffer.Text(), end) << "seed " << seed;
    }
}

TEST(TextHistory, NewEditForgetsRedo)
{
    TTextBuffer buffer;
    TTextHistory history;
    TTextPos caret = history.Insert(buffer, {}, "one");
    history.Undo(buffer, caret);
    ASSERT_TRUE(history.CanRedo());
    history.Insert(buffer, {}, "two");
    EXPECT_FALSE(history.CanRedo());
    EXPECT_FALSE(history.Redo(buffer, caret));
    EXPECT_EQ(buffer.Text(), "two");
}

} // namespace
