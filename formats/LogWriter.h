// What every reader of another program's file shares: the log text it writes (one line per
// change of the word), times scaled to fit a 32-bit stamp, and the units they are counted in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Writes "TIME:HEXWORD" lines, CR LF between them. Times come ascending; several words at
// one time leave the last one, and a line is written only where the word changes (the
// first line always, at the first time).
class TLogWriter
{
public:
    explicit TLogWriter(std::string& text) : FText(text) {}

    // False, writing nothing, when the time does not fit a 32-bit signed stamp.
    bool Add(int64_t time, uint32_t word)
    {
        if (time < INT32_MIN || time > INT32_MAX) return false;
        if (FPending && time != FTime) Flush();
        FPending = true;
        FTime = time;
        FWord = word;
        return true;
    }
    void Finish()
    {
        if (FPending) Flush();
        FPending = false;
    }

private:
    void Flush();

    std::string& FText;
    bool FPending = false;
    int64_t FTime = 0;
    uint32_t FWord = 0;
    bool FWritten = false;
    uint32_t FLastWord = 0;
};

// Value / 10^coarser rounded to the nearest (halves away from zero); Rounded is set when a
// remainder was dropped.
int64_t DivideRounded(int64_t value, int coarser, bool& rounded);

// Decimal digits (no sign) / 10^coarser rounded to the nearest, exactly, however many digits
// there are. False when the result does not fit 63 bits.
bool ScaleDigits(std::string_view digits, int coarser, int64_t& value, bool& rounded);

// A unit of 10^exponent seconds as the import reports it: "1 s", "100 ms", "10 ns", "1 fs";
// above a second "10 s", "1000 s".
std::string SecondsUnit(int exponent);

// The exponent of a "1 ns", "10us", "100 ps" time scale; false when it is none.
bool UnitExponent(std::string_view unit, int& exponent);

// Unit made Coarser steps of ten coarser: "1 ns" -> "10 ns", "1 sample" -> "100 samples".
std::string CoarserUnit(const std::string& unit, int coarser);

// The loss report of a conversion whose times were divided.
std::string RoundingLoss(int64_t roundedTimes, const std::string& unit);
