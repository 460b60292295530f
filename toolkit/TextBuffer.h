// The text view's storage: the text as cp1251 bytes in blocks of whole lines with a
// line index, edited through a few primitives that cost what they touch, with a
// revision and the range of lines the last edit changed. No Qt, so tests and fuzzers
// link it alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A place in the text: a line and a byte (= character) column in it, 0 .. its length.
struct TTextPos
{
    size_t Line = 0;
    size_t Column = 0;

    friend bool operator==(const TTextPos&, const TTextPos&) = default;
    friend auto operator<=>(const TTextPos&, const TTextPos&) = default;
};

// What one edit did: lines FirstLine .. FirstLine + OldLines - 1 became
// FirstLine .. FirstLine + NewLines - 1.
struct TTextChange
{
    uint64_t Revision = 0;
    size_t FirstLine = 0;
    size_t OldLines = 0;
    size_t NewLines = 0;
};

class TTextBuffer
{
public:
    TTextBuffer();
    // Blocks split above BlockBytes (tests use small ones to cross many blocks).
    explicit TTextBuffer(size_t blockBytes);
    ~TTextBuffer();
    TTextBuffer(const TTextBuffer&) = delete;
    TTextBuffer& operator=(const TTextBuffer&) = delete;

    // Takes a whole text whose line breaks are CR LF only (as a load normalises them).
    void Assign(std::string text);
    // Assign for a text known to hold CR LF breaks only (a load's or the normaliser's
    // output): the scan for lone CRs is left out.
    void AssignNormalised(std::string text);
    void Clear() { Assign(std::string()); }

    // Lines as an editor shows them: an empty text is one empty line, and a text
    // ending in a break has an empty last line.
    size_t LineCount() const;
    // Line Index without its break; valid until the next edit. Reading the lines in
    // order costs O(1) each.
    std::string_view Line(size_t index) const;
    // Bytes of Text(), each break counted as its two bytes.
    size_t Size() const;
    // The whole text, CR LF between lines (a copy: for tests and small texts).
    std::string Text() const;
    // The whole text as consecutive pieces, without copying; valid until the next edit.
    std::vector<std::string_view> Pieces() const;

    // Offsets count characters of Text(), a break two; an offset inside a break or
    // past the end is clamped to the end of that line or of the text.
    size_t OffsetOf(TTextPos pos) const;
    TTextPos PosOf(size_t offset) const;
    // Pos with its line and column clamped into the text.
    TTextPos Clamp(TTextPos pos) const;
    // The text between two places, CR LF for its breaks.
    std::string TextOf(TTextPos from, TTextPos to) const;

    // Inserts Text (its lone CR, lone LF and CR LF all become breaks) at Pos and
    // returns the place just after it.
    TTextPos Insert(TTextPos pos, std::string_view text);
    // Removes the text between two places (in either order).
    void Remove(TTextPos from, TTextPos to);
    // Both at once, as one edit: the text between two places (in either order) becomes
    // Text; returns the place just after it.
    TTextPos Replace(TTextPos from, TTextPos to, std::string_view text);

    // Grows by one with every edit and every Assign.
    uint64_t Revision() const { return FRevision; }
    const TTextChange& LastChange() const { return FLastChange; }
    // Bytes held for the text and its index, beyond the text's own bytes.
    size_t OverheadBytes() const;

private:
    // Whole lines with their breaks; only the last block's last line has none. Starts
    // holds where each line beginning in the block begins: a block is either at most
    // FMaxBlock bytes or one single line, so 32 bits always do.
    struct TBlock
    {
        std::string Text;
        std::vector<uint32_t> Starts;
        size_t FirstLine = 0;
        size_t FirstByte = 0;
    };
    size_t BlockOfLine(size_t line) const;
    size_t BlockOfOffset(size_t offset) const;
    size_t LineEnd(const TBlock& block, size_t k, bool last) const;
    void Assign(std::string text, bool normalised);
    void Renumber(size_t from);
    // Block Index was edited and its lines begin at Starts: split it or merge it.
    void Rebalance(size_t index, const std::vector<size_t>& starts);

    std::vector<TBlock> FBlocks;
    size_t FMaxBlock = 64 * 1024;
    mutable size_t FCached = 0;
    uint64_t FRevision = 0;
    TTextChange FLastChange;
};

// Undo and redo of a buffer's edits. Consecutive typed characters, and consecutive
// Backspace or Delete presses, merge into one step unless a caller ends the group; a
// typed line break ends its step. Undo puts the caret back where the step began (after
// the text it restores), redo after the step. An edit that changes nothing is no step.
class TTextHistory
{
public:
    enum TKind : uint8_t { hkOther, hkTyping, hkBackspace, hkDelete };

    // Each returns where the caret goes: after the inserted text, at the removal.
    TTextPos Insert(TTextBuffer& buffer, TTextPos pos, std::string_view text, TKind kind = hkOther);
    TTextPos Remove(TTextBuffer& buffer, TTextPos from, TTextPos to, TKind kind = hkOther);
    // Replaces a range by Text as one step (typing over a selection, paste).
    TTextPos Replace(TTextBuffer& buffer, TTextPos from, TTextPos to, std::string_view text,
                     TKind kind = hkOther);
    // The next edit starts a step of its own.
    void EndGroup();
    bool CanUndo() const;
    bool CanRedo() const;
    // Return the caret place after the step, or false when there is none.
    bool Undo(TTextBuffer& buffer, TTextPos& caret);
    bool Redo(TTextBuffer& buffer, TTextPos& caret);
    // Forgets every step (after a load or a replaced text).
    void Clear();

private:
    // One replacement: Removed at At became Inserted. Merged typing or deleting
    // stays one replacement.
    struct TStep
    {
        TTextPos At;
        std::string Removed;
        std::string Inserted;
        TKind Kind = hkOther;
        TTextPos CaretBefore;
        TTextPos CaretAfter;
    };
    std::vector<TStep> FUndo;
    std::vector<TStep> FRedo;
    bool FOpen = false;
};
