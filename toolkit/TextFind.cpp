#include "toolkit/TextFind.h"

#include <algorithm>
#include <cstdint>

namespace {

unsigned char Fold(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

} // namespace

TTextFinder::TTextFinder(std::string needle) : FNeedle(std::move(needle))
{
    FFolded.resize(FNeedle.size());
    std::transform(FNeedle.begin(), FNeedle.end(), FFolded.begin(),
                   [](char c) { return static_cast<char>(Fold(c)); });
    const size_t n = FFolded.size();
    std::fill(std::begin(FShift), std::end(FShift), n == 0 ? 1 : n);
    for (size_t i = 0; i + 1 < n; ++i) {
        const auto c = static_cast<unsigned char>(FFolded[i]);
        FShift[c] = n - 1 - i;
        // An upper-case letter in the text folds to the same shift.
        if (c >= 'a' && c <= 'z') FShift[c - ('a' - 'A')] = n - 1 - i;
    }
}

bool TTextFinder::Searchable() const
{
    return !FNeedle.empty() && FNeedle.find_first_of("\r\n") == std::string::npos;
}

size_t TTextFinder::FindIn(std::string_view line, size_t from) const
{
    const size_t n = FFolded.size();
    if (!Searchable() || from > line.size() || line.size() - from < n) return npos;
    const char* text = line.data();
    const auto last = static_cast<unsigned char>(FFolded[n - 1]);
    for (size_t i = from; i + n <= line.size();) {
        const char tail = text[i + n - 1];
        if (Fold(tail) == last) {
            size_t k = 0;
            while (k + 1 < n && Fold(text[i + k]) == static_cast<unsigned char>(FFolded[k]))
                ++k;
            if (k + 1 >= n) return i;
        }
        i += FShift[static_cast<unsigned char>(tail)];
    }
    return npos;
}

size_t TTextFinder::FindLastIn(std::string_view line, size_t end) const
{
    end = std::min(end, line.size());
    size_t found = npos;
    for (size_t at = FindIn(line, 0); at != npos && at + Length() <= end; at = FindIn(line, at + 1))
        found = at;
    return found;
}

size_t TTextFinder::CountIn(std::string_view text) const
{
    size_t count = 0;
    if (Searchable() && FFolded.size() == 1) {
        // One byte: a plain count that the compiler vectorises, both cases of a letter.
        const char lower = FFolded[0];
        const char upper = lower >= 'a' && lower <= 'z' ? static_cast<char>(lower - 32) : lower;
        for (const char c : text)
            count +=
                static_cast<size_t>(c == lower) + static_cast<size_t>(c == upper && upper != lower);
        return count;
    }
    for (size_t at = FindIn(text, 0); at != npos; at = FindIn(text, at + Length()))
        ++count;
    return count;
}

bool TTextFinder::Next(const TTextBuffer& buffer, TTextPos from, bool backwards, TTextPos& match,
                       bool& wrapped) const
{
    size_t step = 0;
    return NextPart(buffer, from, backwards, match, wrapped, step, SIZE_MAX) == TPart::Found;
}

TTextFinder::TPart TTextFinder::NextPart(const TTextBuffer& buffer, TTextPos from, bool backwards,
                                         TTextPos& match, bool& wrapped, size_t& step,
                                         size_t limit) const
{
    if (!Searchable()) return TPart::NotFound;
    const size_t lines = buffer.LineCount();
    from = buffer.Clamp(from);
    // Lines from the start line on (or back), then round the end to the start line again,
    // whose other part is searched last.
    for (; step <= lines; ++step) {
        if (limit-- == 0) return TPart::Unfinished;
        const bool round = !backwards ? from.Line + step >= lines : step > from.Line;
        const size_t line =
            !backwards ? (from.Line + step) % lines : (from.Line + lines - step % lines) % lines;
        const std::string_view text = buffer.Line(line);
        size_t at = npos;
        if (!backwards) {
            const size_t start = step == 0 ? from.Column : 0;
            at = FindIn(text, start);
            if (step == lines && at != npos && at >= from.Column) at = npos;
        } else {
            const size_t end = step == 0 ? from.Column : text.size();
            at = FindLastIn(text, end);
            if (step == lines && at != npos && at + Length() <= from.Column) at = npos;
        }
        if (at != npos) {
            match = TTextPos{line, at};
            wrapped = round || step == lines;
            return TPart::Found;
        }
    }
    return TPart::NotFound;
}
