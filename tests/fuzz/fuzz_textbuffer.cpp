// The text buffer and its history under an edit script decoded from the input, checked
// against a std::string after every step.
#include "toolkit/TextBuffer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/common/TextModel.h"

namespace {

struct TInput
{
    const uint8_t* Data;
    size_t Size;
    size_t At = 0;
    bool More() const { return At < Size; }
    uint8_t Byte() { return At < Size ? Data[At++] : 0; }
};

// Names the failed line, so a crash file says which rule broke.
#define Check(ok)                                                                                  \
    do {                                                                                           \
        if (!(ok)) {                                                                               \
            std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #ok);                  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

std::string Text(TInput& in, size_t length)
{
    static const char kChars[] = {'a', 'b', '\r', '\n', ' ', 'x', '\xC0', '\xFF'};
    std::string s;
    for (size_t i = 0; i < length; ++i)
        s += kChars[in.Byte() % sizeof kChars];
    return s;
}

struct TModel
{
    std::string Text;
    std::vector<std::string> L = ModelLines(Text);

    void Set(std::string text)
    {
        Text = std::move(text);
        L = ModelLines(Text);
    }
    // A place as the input names it, past the ends now and then, and where it lands.
    TTextPos Raw(TInput& in) const
    {
        const size_t line = in.Byte() % (L.size() + 1);
        const size_t width = line < L.size() ? L[line].size() : 0;
        return {line, in.Byte() % (width + 3)};
    }
    TTextPos Clamp(TTextPos pos) const
    {
        pos.Line = std::min(pos.Line, L.size() - 1);
        pos.Column = std::min(pos.Column, L[pos.Line].size());
        return pos;
    }
    size_t Offset(TTextPos pos) const
    {
        pos = Clamp(pos);
        size_t offset = pos.Column;
        for (size_t i = 0; i < pos.Line; ++i)
            offset += L[i].size() + 2;
        return offset;
    }
};

void Compare(const TTextBuffer& buffer, const TModel& model, TInput& in)
{
    Check(buffer.Size() == model.Text.size());
    Check(buffer.LineCount() == model.L.size());
    std::string joined;
    for (const auto piece : buffer.Pieces())
        joined += piece;
    Check(joined == model.Text);
    for (size_t i = 0; i < model.L.size(); ++i)
        Check(buffer.Line(i) == model.L[i]);
    for (int k = 0; k < 2; ++k) {
        const TTextPos raw = model.Raw(in);
        const size_t offset = model.Offset(raw);
        Check(buffer.Clamp(raw) == model.Clamp(raw));
        Check(buffer.OffsetOf(raw) == offset);
        Check(buffer.PosOf(offset) == model.Clamp(raw));
        const TTextPos other = model.Raw(in);
        const size_t a = std::min(offset, model.Offset(other));
        const size_t b = std::max(offset, model.Offset(other));
        Check(buffer.TextOf(other, raw) == model.Text.substr(a, b - a));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TInput in{data, size};
    TTextBuffer buffer(8 + in.Byte() % 120);
    TTextHistory history;
    TModel model;
    {
        const std::string start = Text(in, in.Byte() % 64);
        buffer.Assign(start);
        model.Set(ModelNormalise(start));
    }
    // Every text the history can return to, and where it stands among them: a merged
    // step jumps over the ones inside it.
    std::vector<std::string> states{model.Text};
    size_t current = 0;
    TTextPos caret;
    while (in.More()) {
        Compare(buffer, model, in);
        const uint8_t op = in.Byte();
        const auto kind = static_cast<TTextHistory::TKind>((op >> 4) & 3);
        switch (op % 8) {
        case 0:
        case 1:
        case 2:
        case 3: {
            // Insert, remove, replace; the last with a long text to split blocks.
            const TTextPos from = (op & 0x40) ? caret : model.Raw(in);
            const TTextPos to = op % 4 == 0 ? from : model.Raw(in);
            const size_t length = op % 4 == 1 ? 0 : op % 4 == 3 ? in.Byte() * 3u : in.Byte() % 6;
            const std::string text = Text(in, length);
            size_t a = model.Offset(from), b = model.Offset(to);
            if (b < a) std::swap(a, b);
            std::string next = model.Text;
            next.replace(a, b - a, ModelNormalise(text));
            const uint64_t revision = buffer.Revision();
            caret = (op & 0x80) ? buffer.Replace(from, to, text)
                                : history.Replace(buffer, from, to, text, kind);
            Check(buffer.OffsetOf(caret) == a + ModelNormalise(text).size());
            if (op & 0x80) {
                // Edits around the history leave it nothing to return to.
                Check(buffer.Revision() == revision + 1);
                history.Clear();
                states.assign(1, next);
                current = 0;
            } else if (a != b || !text.empty()) {
                states.resize(current + 1);
                states.push_back(next);
                ++current;
            }
            model.Set(std::move(next));
            break;
        }
        case 4:
        case 5: {
            const bool undo = op % 8 == 4;
            const bool can = undo ? history.CanUndo() : history.CanRedo();
            const bool did = undo ? history.Undo(buffer, caret) : history.Redo(buffer, caret);
            Check(did == can);
            Check(buffer.Clamp(caret) == caret);
            if (!did) break;
            const std::string now = buffer.Text();
            size_t found = SIZE_MAX;
            if (undo) {
                for (size_t j = current; j-- > 0;)
                    if (states[j] == now) {
                        found = j;
                        break;
                    }
            } else {
                for (size_t j = current + 1; j < states.size(); ++j)
                    if (states[j] == now) {
                        found = j;
                        break;
                    }
            }
            Check(found != SIZE_MAX);
            current = found;
            model.Set(now);
            break;
        }
        case 6:
            history.EndGroup();
            break;
        case 7: {
            const std::string text = Text(in, in.Byte() % 40);
            buffer.Assign(text);
            history.Clear();
            model.Set(ModelNormalise(text));
            states.assign(1, model.Text);
            current = 0;
            caret = {};
            break;
        }
        }
    }
    Compare(buffer, model, in);
    while (history.Redo(buffer, caret)) {
    }
    const std::string end = buffer.Text();
    while (history.Undo(buffer, caret)) {
    }
    Check(buffer.Text() == states[0]);
    while (history.Redo(buffer, caret)) {
    }
    Check(buffer.Text() == end);
    return 0;
}
