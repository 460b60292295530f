#include "toolkit/TextBuffer.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <limits>

#include "toolkit/LineBreaks.h"

namespace {

bool HasBreakChar(std::string_view text)
{
    return !text.empty() && (std::memchr(text.data(), '\n', text.size()) != nullptr ||
                             std::memchr(text.data(), '\r', text.size()) != nullptr);
}

bool PointsInto(std::string_view view, const std::string& s)
{
    const std::less<const char*> less;
    return !view.empty() && !less(view.data(), s.data()) && less(view.data(), s.data() + s.size());
}

constexpr size_t kMinBlockBytes = 8;

} // namespace

TTextBuffer::TTextBuffer() : TTextBuffer(64 * 1024) {}

TTextBuffer::TTextBuffer(size_t blockBytes) : FMaxBlock(std::max(blockBytes, kMinBlockBytes))
{
    FBlocks.emplace_back().Starts.push_back(0);
}

TTextBuffer::~TTextBuffer() = default;

void TTextBuffer::Assign(std::string text)
{
    Assign(std::move(text), false);
}

void TTextBuffer::AssignNormalised(std::string text)
{
    Assign(std::move(text), true);
}

void TTextBuffer::Assign(std::string text, bool normalised)
{
    const size_t oldLines = LineCount();
    std::vector<TBlock> blocks;
    std::vector<uint32_t> starts;
    // One scan for LFs cuts the text into blocks of whole lines; a lone LF or lone CR
    // (not what a load hands over) sends it through the normaliser first.
    for (;;) {
        const char* d = text.data();
        const size_t n = text.size();
        blocks.clear();
        starts.clear();
        size_t begin = 0, p = 0;
        bool lone = false;
        auto emit = [&](size_t end) {
            TBlock& b = blocks.emplace_back();
            b.Text.assign(d + begin, end - begin);
            b.Starts.assign(starts.begin(), starts.end());
            starts.clear();
        };
        for (;;) {
            const void* nl = std::memchr(d + p, '\n', n - p);
            const size_t end = nl ? static_cast<size_t>(static_cast<const char*>(nl) - d) + 1 : n;
            if (nl && (end < 2 || d[end - 2] != '\r')) {
                lone = true;
                break;
            }
            if (p > begin && end - begin > FMaxBlock) {
                emit(p);
                begin = p;
            }
            starts.push_back(static_cast<uint32_t>(p - begin));
            if (!nl) break;
            p = end;
        }
        if (!lone && (normalised || HasOnlyCrLf(text))) {
            emit(n);
            break;
        }
        text = NormaliseLineBreaks(text);
        normalised = true;
    }
    std::string().swap(text);
    FBlocks.swap(blocks);
    FCached = 0;
    Renumber(0);
    ++FRevision;
    FLastChange = {FRevision, 0, oldLines, LineCount()};
}

size_t TTextBuffer::LineCount() const
{
    const TBlock& last = FBlocks.back();
    return last.FirstLine + last.Starts.size();
}

size_t TTextBuffer::Size() const
{
    const TBlock& last = FBlocks.back();
    return last.FirstByte + last.Text.size();
}

size_t TTextBuffer::BlockOfLine(size_t line) const
{
    auto holds = [&](size_t i) {
        const TBlock& b = FBlocks[i];
        return line >= b.FirstLine && line - b.FirstLine < b.Starts.size();
    };
    if (FCached < FBlocks.size() && holds(FCached)) return FCached;
    if (FCached + 1 < FBlocks.size() && holds(FCached + 1)) return ++FCached;
    const auto it = std::upper_bound(FBlocks.begin(), FBlocks.end(), line,
                                     [](size_t l, const TBlock& b) { return l < b.FirstLine; });
    FCached = static_cast<size_t>(it - FBlocks.begin()) - 1;
    return FCached;
}

size_t TTextBuffer::BlockOfOffset(size_t offset) const
{
    const auto it = std::upper_bound(FBlocks.begin(), FBlocks.end(), offset,
                                     [](size_t o, const TBlock& b) { return o < b.FirstByte; });
    return static_cast<size_t>(it - FBlocks.begin()) - 1;
}

size_t TTextBuffer::LineEnd(const TBlock& block, size_t k, bool last) const
{
    if (k + 1 < block.Starts.size()) return block.Starts[k + 1] - 2;
    return last ? block.Text.size() : block.Text.size() - 2;
}

std::string_view TTextBuffer::Line(size_t index) const
{
    if (index >= LineCount()) return {};
    const size_t bi = BlockOfLine(index);
    const TBlock& b = FBlocks[bi];
    const size_t k = index - b.FirstLine;
    const size_t start = b.Starts[k];
    return std::string_view(b.Text.data() + start, LineEnd(b, k, bi + 1 == FBlocks.size()) - start);
}

std::string TTextBuffer::Text() const
{
    std::string out;
    out.reserve(Size());
    for (const TBlock& b : FBlocks)
        out += b.Text;
    return out;
}

std::vector<std::string_view> TTextBuffer::Pieces() const
{
    std::vector<std::string_view> pieces;
    pieces.reserve(FBlocks.size());
    for (const TBlock& b : FBlocks)
        if (!b.Text.empty()) pieces.emplace_back(b.Text);
    return pieces;
}

TTextPos TTextBuffer::Clamp(TTextPos pos) const
{
    pos.Line = std::min(pos.Line, LineCount() - 1);
    pos.Column = std::min(pos.Column, Line(pos.Line).size());
    return pos;
}

size_t TTextBuffer::OffsetOf(TTextPos pos) const
{
    pos = Clamp(pos);
    const TBlock& b = FBlocks[BlockOfLine(pos.Line)];
    return b.FirstByte + b.Starts[pos.Line - b.FirstLine] + pos.Column;
}

TTextPos TTextBuffer::PosOf(size_t offset) const
{
    if (offset >= Size()) return Clamp({LineCount() - 1, Size()});
    const size_t bi = BlockOfOffset(offset);
    const TBlock& b = FBlocks[bi];
    const size_t local = offset - b.FirstByte;
    const size_t k = static_cast<size_t>(std::upper_bound(b.Starts.begin(), b.Starts.end(), local) -
                                         b.Starts.begin()) -
                     1;
    const size_t end = LineEnd(b, k, bi + 1 == FBlocks.size());
    return {b.FirstLine + k, std::min(local, end) - b.Starts[k]};
}

std::string TTextBuffer::TextOf(TTextPos from, TTextPos to) const
{
    size_t begin = OffsetOf(from), end = OffsetOf(to);
    if (end < begin) std::swap(begin, end);
    std::string out;
    out.reserve(end - begin);
    for (size_t bi = BlockOfOffset(begin); begin < end; ++bi) {
        const TBlock& b = FBlocks[bi];
        const size_t local = begin - b.FirstByte;
        const size_t n = std::min(end - begin, b.Text.size() - local);
        out.append(b.Text, local, n);
        begin += n;
    }
    return out;
}

TTextPos TTextBuffer::Insert(TTextPos pos, std::string_view text)
{
    return Replace(pos, pos, text);
}

void TTextBuffer::Remove(TTextPos from, TTextPos to)
{
    Replace(from, to, std::string_view());
}

TTextPos TTextBuffer::Replace(TTextPos from, TTextPos to, std::string_view text)
{
    from = Clamp(from);
    to = Clamp(to);
    if (to < from) std::swap(from, to);
    std::string own;
    bool copy = HasBreakChar(text);
    // Text may be a view into this buffer (a line read back and inserted again).
    for (size_t i = 0; !copy && !text.empty() && i < FBlocks.size(); ++i)
        copy = PointsInto(text, FBlocks[i].Text);
    if (copy) {
        own = HasBreakChar(text) ? NormaliseLineBreaks(text) : std::string(text);
        text = own;
    }

    const size_t b1 = BlockOfLine(from.Line);
    const size_t b2 = BlockOfLine(to.Line);
    TBlock& first = FBlocks[b1];
    const TBlock& second = FBlocks[b2];
    const size_t lo = first.Starts[from.Line - first.FirstLine] + from.Column;
    const size_t hi = second.Starts[to.Line - second.FirstLine] + to.Column;

    // The edited block's line starts: those up to the edit, the inserted breaks, then
    // the rest of the last touched block moved by the change in length.
    std::vector<size_t> starts(first.Starts.begin(),
                               std::upper_bound(first.Starts.begin(), first.Starts.end(), lo));
    size_t breaks = 0, lastBreak = 0;
    while (lastBreak < text.size()) {
        const void* nl = std::memchr(text.data() + lastBreak, '\n', text.size() - lastBreak);
        if (!nl) break;
        lastBreak = static_cast<size_t>(static_cast<const char*>(nl) - text.data()) + 1;
        starts.push_back(lo + lastBreak);
        ++breaks;
    }
    for (auto it = std::upper_bound(second.Starts.begin(), second.Starts.end(), hi);
         it != second.Starts.end(); ++it)
        starts.push_back(*it - hi + lo + text.size());

    if (b1 == b2) {
        first.Text.replace(lo, hi - lo, text);
    } else {
        first.Text.resize(lo);
        first.Text.reserve(lo + text.size() + second.Text.size() - hi);
        first.Text.append(text);
        first.Text.append(second.Text, hi);
        FBlocks.erase(FBlocks.begin() + static_cast<ptrdiff_t>(b1) + 1,
                      FBlocks.begin() + static_cast<ptrdiff_t>(b2) + 1);
    }
    Rebalance(b1, starts);
    FCached = std::min(b1, FBlocks.size() - 1);

    ++FRevision;
    FLastChange = {FRevision, from.Line, to.Line - from.Line + 1, breaks + 1};
    if (breaks == 0) return {from.Line, from.Column + text.size()};
    return {from.Line + breaks, text.size() - lastBreak};
}

void TTextBuffer::Rebalance(size_t index, const std::vector<size_t>& starts)
{
    TBlock& block = FBlocks[index];
    const size_t size = block.Text.size();
    if (size > FMaxBlock && starts.size() > 1) {
        // Pieces of about half a block at line boundaries, so the next few edits do not
        // split again; a line longer than that is a piece of its own.
        const size_t half = FMaxBlock / 2;
        std::vector<TBlock> pieces;
        const size_t n = starts.size();
        for (size_t k = 0; k < n;) {
            const size_t begin = starts[k];
            size_t j = n;
            if (size - begin > FMaxBlock) {
                j = static_cast<size_t>(
                        std::upper_bound(starts.begin() + static_cast<ptrdiff_t>(k) + 1,
                                         starts.end(), begin + half) -
                        starts.begin()) -
                    1;
                if (j <= k) j = k + 1;
            }
            const size_t end = j < n ? starts[j] : size;
            TBlock& piece = pieces.emplace_back();
            piece.Text.assign(block.Text, begin, end - begin);
            piece.Starts.reserve(j - k);
            for (size_t i = k; i < j; ++i)
                piece.Starts.push_back(static_cast<uint32_t>(starts[i] - begin));
            k = j;
        }
        FBlocks[index] = std::move(pieces[0]);
        FBlocks.insert(FBlocks.begin() + static_cast<ptrdiff_t>(index) + 1,
                       std::make_move_iterator(pieces.begin() + 1),
                       std::make_move_iterator(pieces.end()));
        Renumber(index);
        return;
    }
    block.Starts.assign(starts.size(), 0);
    std::transform(starts.begin(), starts.end(), block.Starts.begin(),
                   [](size_t s) { return static_cast<uint32_t>(s); });
    // A small block joins the smaller neighbour it fits with, so edits that shrink the
    // text do not leave a trail of tiny blocks.
    if (size < FMaxBlock / 8 && FBlocks.size() > 1) {
        const size_t prev = index > 0 ? FBlocks[index - 1].Text.size() : SIZE_MAX;
        const size_t next = index + 1 < FBlocks.size() ? FBlocks[index + 1].Text.size() : SIZE_MAX;
        const size_t lo = prev <= next ? index - 1 : index;
        if (std::min(prev, next) <= FMaxBlock - size) {
            TBlock& a = FBlocks[lo];
            TBlock& b = FBlocks[lo + 1];
            const auto base = static_cast<uint32_t>(a.Text.size());
            a.Text += b.Text;
            a.Starts.reserve(a.Starts.size() + b.Starts.size());
            for (const uint32_t s : b.Starts)
                a.Starts.push_back(s + base);
            FBlocks.erase(FBlocks.begin() + static_cast<ptrdiff_t>(lo) + 1);
            Renumber(lo);
            return;
        }
    }
    Renumber(index);
}

void TTextBuffer::Renumber(size_t from)
{
    for (size_t i = std::max<size_t>(from, 1); i < FBlocks.size(); ++i) {
        const TBlock& prev = FBlocks[i - 1];
        FBlocks[i].FirstLine = prev.FirstLine + prev.Starts.size();
        FBlocks[i].FirstByte = prev.FirstByte + prev.Text.size();
    }
}

size_t TTextBuffer::OverheadBytes() const
{
    // Counted as held: unused capacity, the index and each allocation's malloc header.
    constexpr size_t kMallocHeader = 16;
    size_t bytes = sizeof(*this) + FBlocks.capacity() * sizeof(TBlock);
    for (const TBlock& b : FBlocks) {
        bytes += b.Text.capacity() + 1 - b.Text.size() + kMallocHeader;
        bytes += b.Starts.capacity() * sizeof(uint32_t) + kMallocHeader;
    }
    return bytes;
}

namespace {

// Where a text inserted at At ends.
TTextPos PosAfter(TTextPos at, std::string_view text)
{
    const size_t breaks = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    if (breaks == 0) return {at.Line, at.Column + text.size()};
    return {at.Line + breaks, text.size() - text.rfind('\n') - 1};
}

} // namespace

TTextPos TTextHistory::Insert(TTextBuffer& buffer, TTextPos pos, std::string_view text, TKind kind)
{
    return Replace(buffer, pos, pos, text, kind);
}

TTextPos TTextHistory::Remove(TTextBuffer& buffer, TTextPos from, TTextPos to, TKind kind)
{
    return Replace(buffer, from, to, std::string_view(), kind);
}

TTextPos TTextHistory::Replace(TTextBuffer& buffer, TTextPos from, TTextPos to,
                               std::string_view text, TKind kind)
{
    from = buffer.Clamp(from);
    to = buffer.Clamp(to);
    if (to < from) std::swap(from, to);
    if (from == to && text.empty()) return from;
    std::string removed = buffer.TextOf(from, to);
    const TTextPos after = buffer.Replace(from, to, text);
    std::string inserted = buffer.TextOf(from, after);
    FRedo.clear();
    // A typed break closes its step: the next line's typing undoes on its own.
    const bool closes = kind == hkTyping && inserted.find('\n') != std::string::npos;
    if (FOpen && !FUndo.empty() && kind != hkOther && FUndo.back().Kind == kind) {
        TStep& step = FUndo.back();
        if (kind == hkTyping && removed.empty() && from == step.CaretAfter) {
            step.Inserted += inserted;
            step.CaretAfter = after;
            FOpen = !closes;
            return after;
        }
        // What a backspace removes must lie before the whole step, not in its text.
        if (kind == hkBackspace && inserted.empty() && step.Inserted.empty() &&
            to == step.CaretAfter) {
            step.Removed.insert(0, removed);
            step.At = from;
            step.CaretAfter = from;
            return after;
        }
        if (kind == hkDelete && inserted.empty() && from == step.CaretAfter) {
            step.Removed += removed;
            return after;
        }
    }
    TStep& step = FUndo.emplace_back();
    step.At = from;
    step.Removed = std::move(removed);
    step.Inserted = std::move(inserted);
    step.Kind = kind;
    step.CaretBefore = kind == hkDelete ? from : to;
    step.CaretAfter = after;
    FOpen = kind != hkOther && !closes;
    return after;
}

void TTextHistory::EndGroup()
{
    FOpen = false;
}

bool TTextHistory::CanUndo() const
{
    return !FUndo.empty();
}

bool TTextHistory::CanRedo() const
{
    return !FRedo.empty();
}

bool TTextHistory::Undo(TTextBuffer& buffer, TTextPos& caret)
{
    FOpen = false;
    if (FUndo.empty()) return false;
    TStep step = std::move(FUndo.back());
    FUndo.pop_back();
    buffer.Replace(step.At, PosAfter(step.At, step.Inserted), step.Removed);
    caret = step.CaretBefore;
    FRedo.push_back(std::move(step));
    return true;
}

bool TTextHistory::Redo(TTextBuffer& buffer, TTextPos& caret)
{
    FOpen = false;
    if (FRedo.empty()) return false;
    TStep step = std::move(FRedo.back());
    FRedo.pop_back();
    buffer.Replace(step.At, PosAfter(step.At, step.Removed), step.Inserted);
    caret = step.CaretAfter;
    FUndo.push_back(std::move(step));
    return true;
}

void TTextHistory::Clear()
{
    FUndo.clear();
    FRedo.clear();
    FOpen = false;
}
