// The sample-line rule of a log: a line read no further than MaxSampleLineLength, split at
// its first colon into a decimal (or prefixed hexadecimal) time and a hexadecimal word.
// Nothing here throws, so that the model, tests and fuzzers use it without the toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// A sample line is read no further than this, however long the stored line is.
inline constexpr std::size_t MaxSampleLineLength = 4096;

// The value field is read only this far; anything after it is ignored.
inline constexpr std::size_t MaxValueFieldLength = 100;

struct TSampleFields
{
    std::string_view Time;  // before the first colon
    std::string_view Value; // after it, at most MaxValueFieldLength characters
};

// Views into Line, valid as long as Line's storage is. A line without a colon has an empty
// time field (and so fails its conversion).
TSampleFields SplitSampleLine(std::string_view line);

// A 32-bit signed integer, decimal or with a "$", "x", "X", "0x" or "0X" hexadecimal prefix
// (a hexadecimal text gives its 32-bit pattern); false when the text is none.
bool ReadSampleTime(std::string_view text, int32_t& value);

// A 32-bit word from hexadecimal digits only; an empty text gives 0 and digits beyond the
// last eight are shifted out. False on any other character.
bool ReadSampleWord(std::string_view text, uint32_t& value);

struct TSampleLineRead
{
    bool TimeRead = false;
    // Only with the time read: the word is not looked at after a bad time.
    bool WordRead = false;
    int32_t Time = 0;
    uint32_t Word = 0;

    bool IsSample() const { return TimeRead && WordRead; }
};

// The whole rule for one stored line: the cut, the split and both conversions.
TSampleLineRead ReadSampleLine(std::string_view line);
