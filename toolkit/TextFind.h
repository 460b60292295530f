// Plain-text search of the text view: a needle found in lines regardless of the case of
// Latin letters (hex words are written both ways), matches never crossing a line break.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "toolkit/TextBuffer.h"

class TTextFinder
{
public:
    static constexpr size_t npos = std::string_view::npos;

    // A needle with a line break in it can match nothing.
    explicit TTextFinder(std::string needle);

    size_t Length() const { return FNeedle.size(); }
    bool Searchable() const;
    // The first match in Line starting at or after From, or npos.
    size_t FindIn(std::string_view line, size_t from) const;
    // The last match in Line that ends at or before End, or npos.
    size_t FindLastIn(std::string_view line, size_t end) const;
    // Matches in Text, each one after the end of the one before.
    size_t CountIn(std::string_view text) const;

    // The next match at or after From (Backwards: the last one ending at or before it),
    // going round the text's end once; Wrapped tells whether it did. False when none.
    bool Next(const TTextBuffer& buffer, TTextPos from, bool backwards, TTextPos& match,
              bool& wrapped) const;
    // The same search in parts, so that a long text never holds the caller up: Step is the
    // number of lines searched so far (0 to begin), and at most Limit more are searched.
    enum class TPart { Found, NotFound, Unfinished };
    TPart NextPart(const TTextBuffer& buffer, TTextPos from, bool backwards, TTextPos& match,
                   bool& wrapped, size_t& step, size_t limit) const;

private:
    std::string FNeedle;
    // Lower-case needle, and the shift table of a Horspool search over lower-cased bytes.
    std::string FFolded;
    size_t FShift[256] = {};
};
