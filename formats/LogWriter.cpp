#include "formats/LogWriter.h"

#include <charconv>

#include "formats/VcdExport.h"

void TLogWriter::Flush()
{
    if (FWritten && FWord == FLastWord) return;
    if (FWritten) FText += "\r\n";
    char buffer[24];
    auto r = std::to_chars(buffer, buffer + sizeof buffer, FTime);
    FText.append(buffer, r.ptr);
    FText += ':';
    r = std::to_chars(buffer, buffer + sizeof buffer, FWord, 16);
    for (char* c = buffer; c != r.ptr; ++c)
        if (*c >= 'a' && *c <= 'f') *c = static_cast<char>(*c - 'a' + 'A');
    FText.append(buffer, r.ptr);
    FWritten = true;
    FLastWord = FWord;
}

int64_t DivideRounded(int64_t value, int coarser, bool& rounded)
{
    if (coarser <= 0) return value;
    if (coarser > 18) {
        rounded = rounded || value != 0;
        return 0;
    }
    int64_t divisor = 1;
    for (int i = 0; i < coarser; ++i)
        divisor *= 10;
    const int64_t quotient = value / divisor;
    const int64_t remainder = value % divisor;
    if (remainder == 0) return quotient;
    rounded = true;
    const int64_t twice = remainder < 0 ? -remainder : remainder;
    if (twice >= divisor - twice) return value < 0 ? quotient - 1 : quotient + 1;
    return quotient;
}

bool ScaleDigits(std::string_view digits, int coarser, int64_t& value, bool& rounded)
{
    size_t keep = digits.size();
    bool up = false;
    if (coarser > 0) {
        const size_t drop =
            static_cast<size_t>(coarser) < keep ? static_cast<size_t>(coarser) : keep;
        keep -= drop;
        const std::string_view dropped = digits.substr(keep, drop);
        // The dropped part is below one step; it rounds up from one half.
        up = static_cast<size_t>(coarser) == drop && !dropped.empty() && dropped.front() >= '5';
        for (const char c : dropped)
            rounded = rounded || c != '0';
    }
    uint64_t whole = 0;
    for (size_t i = 0; i < keep; ++i) {
        if (whole > (uint64_t{INT64_MAX} - 9) / 10) return false;
        whole = whole * 10 + static_cast<uint64_t>(digits[i] - '0');
    }
    if (up) ++whole;
    value = static_cast<int64_t>(whole);
    return true;
}

std::string SecondsUnit(int exponent)
{
    if (exponent >= 0) return "1" + std::string(static_cast<size_t>(exponent), '0') + " s";
    static const char* const Names[] = {"ms", "us", "ns", "ps", "fs"};
    int group = (exponent - 2) / 3; // rounds towards the finer prefix
    int mantissa = exponent - 3 * group;
    if (group < -5) {
        mantissa += 3 * (group + 5);
        group = -5;
    }
    std::string text = "1";
    for (int i = 0; i < mantissa; ++i)
        text += '0';
    if (group == 0) return text + " s";
    return text + " " + Names[-group - 1];
}

bool UnitExponent(std::string_view unit, int& exponent)
{
    const std::string normal = NormaliseTimescale(unit);
    if (normal.empty()) return false;
    const size_t space = normal.find(' ');
    static const char* const Names[] = {"s", "ms", "us", "ns", "ps", "fs"};
    for (int i = 0; i < 6; ++i)
        if (normal.substr(space + 1) == Names[i]) exponent = -3 * i + static_cast<int>(space) - 1;
    return true;
}

std::string CoarserUnit(const std::string& unit, int coarser)
{
    if (coarser <= 0) return unit;
    int exponent = 0;
    if (UnitExponent(unit, exponent)) return SecondsUnit(exponent + coarser);
    const std::string steps = "1" + std::string(static_cast<size_t>(coarser), '0');
    if (unit == "1 sample") return steps + " samples";
    return steps + " steps of " + (unit.empty() ? std::string("the file's unit") : unit);
}

std::string RoundingLoss(int64_t roundedTimes, const std::string& unit)
{
    if (roundedTimes == 0) return std::string();
    return std::to_string(roundedTimes) + (roundedTimes == 1 ? " time" : " times") +
           " rounded to " + unit;
}
