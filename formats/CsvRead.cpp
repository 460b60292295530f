#include "formats/CsvRead.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

#include "formats/LogWriter.h"
#include "samples/SampleLine.h"

namespace {

constexpr int MostBits = 32;
// The coarsest and the finest unit a decimal time column may get, as powers of ten seconds.
constexpr int CoarsestExponent = 0;
constexpr int FinestExponent = -15;

// The text line by line, CR LF or LF, with 1-based numbers.
class TLines
{
public:
    explicit TLines(std::string_view text) : FText(text) {}

    bool Next(std::string_view& line, int& number)
    {
        if (FAt >= FText.size()) return false;
        size_t end = FText.find('\n', FAt);
        if (end == std::string_view::npos) end = FText.size();
        line = FText.substr(FAt, end - FAt);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        FAt = end + 1;
        number = ++FLine;
        return true;
    }

private:
    std::string_view FText;
    size_t FAt = 0;
    int FLine = 0;
};

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return text;
}

bool IsComment(std::string_view line)
{
    line = Trim(line);
    return line.empty() || line.front() == ';' || line.front() == '#';
}

void Split(std::string_view line, char separator, std::vector<std::string_view>& fields)
{
    fields.clear();
    for (;;) {
        const size_t at = line.find(separator);
        fields.push_back(Trim(line.substr(0, at)));
        if (at == std::string_view::npos) break;
        line.remove_prefix(at + 1);
    }
}

std::string Quoted(std::string_view text)
{
    constexpr size_t Most = 40;
    std::string quoted = "'";
    quoted += text.substr(0, Most);
    if (text.size() > Most) quoted += "...";
    return quoted + "'";
}

std::string Lower(std::string_view text)
{
    std::string lower;
    for (size_t i = 0; i < text.size(); ++i) {
        // The micro sign in UTF-8 (U+00B5, U+03BC) is written "u" in our unit names.
        if (i + 1 < text.size() && ((text[i] == '\xC2' && text[i + 1] == '\xB5') ||
                                    (text[i] == '\xCE' && text[i + 1] == '\xBC'))) {
            lower += 'u';
            ++i;
            continue;
        }
        const char c = text[i];
        lower += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return lower;
}

enum class TTimeKind { None, Seconds, Samples };

bool IsRowNumberColumn(std::string_view header)
{
    const std::string name = Lower(header);
    return name == "id" || name == "index" || name == "no" || name == "no." || name == "#" ||
           name == "n";
}

// What the first header field says of the time column.
TTimeKind TimeColumn(std::string_view header, int& exponent)
{
    const std::string name = Lower(header);
    std::vector<std::string> words;
    std::string word;
    for (const char c : name + " ") {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    struct TUnitWord
    {
        const char* Word;
        int Exponent;
    };
    static const TUnitWord Units[] = {{"s", 0},
                                      {"sec", 0},
                                      {"secs", 0},
                                      {"second", 0},
                                      {"seconds", 0},
                                      {"ms", -3},
                                      {"millisecond", -3},
                                      {"milliseconds", -3},
                                      {"us", -6},
                                      {"microsecond", -6},
                                      {"microseconds", -6},
                                      {"ns", -9},
                                      {"nanosecond", -9},
                                      {"nanoseconds", -9},
                                      {"ps", -12},
                                      {"picosecond", -12},
                                      {"picoseconds", -12},
                                      {"fs", -15},
                                      {"femtosecond", -15},
                                      {"femtoseconds", -15}};
    bool timeNamed = false;
    for (const std::string& w : words) {
        if (w.rfind("sample", 0) == 0) return TTimeKind::Samples;
        for (const TUnitWord& unit : Units)
            if (w == unit.Word) {
                exponent = unit.Exponent;
                return TTimeKind::Seconds;
            }
        timeNamed = timeNamed || w == "time" || w == "t" || w == "timestamp";
    }
    exponent = 0;
    return timeNamed ? TTimeKind::Seconds : TTimeKind::None;
}

// A decimal number as Digits * 10^Exponent, exactly: "-1.50e-3" gives 15 and -4, negative.
struct TDecimal
{
    std::string Digits;
    int Exponent = 0;
    bool Negative = false;
};

bool ParseDecimal(std::string_view text, char point, TDecimal& value)
{
    value = TDecimal();
    size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        value.Negative = text[at++] == '-';
    bool any = false;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, any = true)
        value.Digits += text[at];
    if (at < text.size() && (text[at] == point || text[at] == '.')) {
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, any = true) {
            value.Digits += text[at];
            --value.Exponent;
        }
    }
    if (!any) return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        bool negative = false;
        if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
        int exponent = 0;
        bool digits = false;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, digits = true)
            if (exponent < 100000) exponent = exponent * 10 + (text[at] - '0');
        if (!digits) return false;
        value.Exponent += negative ? -exponent : exponent;
    }
    if (at != text.size()) return false;
    const size_t first = value.Digits.find_first_not_of('0');
    if (first == std::string::npos) {
        value.Digits.clear();
        value.Exponent = 0;
        value.Negative = false;
        return true;
    }
    value.Digits.erase(0, first);
    while (value.Digits.back() == '0') {
        value.Digits.pop_back();
        ++value.Exponent;
    }
    return true;
}

// -1, 0 or 1 as A is below, at or above B, exactly.
int Compare(const TDecimal& a, const TDecimal& b)
{
    const bool aNegative = a.Negative && !a.Digits.empty();
    const bool bNegative = b.Negative && !b.Digits.empty();
    if (aNegative != bNegative) return aNegative ? -1 : 1;
    const int sign = aNegative ? -1 : 1;
    if (a.Digits.empty() || b.Digits.empty())
        return a.Digits.empty() == b.Digits.empty() ? 0 : (a.Digits.empty() ? -sign : sign);
    // The place of the leading digit first, then the digits themselves.
    const int64_t aTop = int64_t{a.Exponent} + static_cast<int64_t>(a.Digits.size());
    const int64_t bTop = int64_t{b.Exponent} + static_cast<int64_t>(b.Digits.size());
    if (aTop != bTop) return aTop < bTop ? -sign : sign;
    const int order = a.Digits.compare(b.Digits);
    return order == 0 ? 0 : (order < 0 ? -sign : sign);
}

// Decimal * 10^Shift rounded to a whole number; false when it does not fit 63 bits.
bool WholeOf(const TDecimal& value, int shift, int64_t& whole, bool& rounded)
{
    if (value.Digits.empty()) {
        whole = 0;
        return true;
    }
    const int exponent = value.Exponent + shift;
    if (exponent >= 0) {
        if (value.Digits.size() + static_cast<size_t>(exponent) > 18) return false;
        if (!ScaleDigits(value.Digits + std::string(static_cast<size_t>(exponent), '0'), 0, whole,
                         rounded))
            return false;
    } else {
        if (!ScaleDigits(value.Digits, -exponent, whole, rounded)) return false;
    }
    if (value.Negative) whole = -whole;
    return true;
}

// One value column: a channel's 0/1 or a bus' number.
struct TColumn
{
    std::string Name;
    bool Bits = true;
    bool Hex = false;
    int Width = 1;
    // The largest value of a bus, for the width of a decimal one.
    uint64_t Max = 0;
};

// An x or z, or one of those digits in a bus value.
bool IsUnknown(char c)
{
    return c == 'x' || c == 'X' || c == 'z' || c == 'Z';
}

bool ParseBus(std::string_view text, bool hex, uint64_t& value, bool& unknown)
{
    value = 0;
    unknown = false;
    if (hex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty()) return false;
    const uint64_t base = hex ? 16 : 10;
    for (const char c : text) {
        uint64_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint64_t>(c - '0');
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = static_cast<uint64_t>(c - 'a' + 10);
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = static_cast<uint64_t>(c - 'A' + 10);
        } else if (IsUnknown(c)) {
            unknown = true;
        } else {
            return false;
        }
        if (value > (std::numeric_limits<uint64_t>::max() - digit) / base) return false;
        value = value * base + digit;
    }
    return true;
}

class TCsvReader
{
public:
    explicit TCsvReader(std::string_view text) : FText(text) {}

    // The header and a first look at every row: the columns' kinds and widths and the unit
    // every time fits.
    bool Survey()
    {
        TLines lines(FText);
        std::string_view line;
        int number = 0;
        std::vector<std::string_view> fields;
        std::vector<std::string> comments;
        while (lines.Next(line, number)) {
            if (IsComment(line)) {
                comments.emplace_back(line);
                continue;
            }
            if (FHeaderLine == 0) {
                ReadHeader(line, number, comments);
                continue;
            }
            Split(line, FSeparator, fields);
            if (!CheckFields(fields, number)) return false;
            if (FTimeKind != TTimeKind::None && !SurveyTime(fields[FTimeField], number))
                return false;
            for (size_t c = 0; c < FColumns.size(); ++c)
                if (!SurveyValue(FColumns[c], fields[c + FFirstValue], number)) return false;
            ++FRows;
        }
        if (FHeaderLine == 0) return Fail(number, "no header line");
        if (FColumns.empty()) return Fail(FHeaderLine, "the header names no value column");
        for (TColumn& column : FColumns)
            if (!column.Bits && !column.Hex)
                column.Width = std::max(1, static_cast<int>(std::bit_width(column.Max)));
        return true;
    }

    void List(TImportListing& listing) const
    {
        for (const TColumn& column : FColumns) {
            for (int p = 0; p < column.Width; ++p) {
                listing.Bits.push_back(BitName(column, p));
                listing.BitSignal.push_back(static_cast<int>(listing.Signals.size()));
            }
            listing.Signals.push_back({column.Name, std::string(), column.Width});
        }
    }

    bool Choose(const std::vector<std::string>& names, TImportResult& result)
    {
        if (names.empty()) {
            for (size_t c = 0; c < FColumns.size(); ++c)
                for (int p = 0; p < FColumns[c].Width && FTaps.size() < size_t{MostBits}; ++p)
                    Tap(c, p, result);
            return true;
        }
        for (const std::string& name : names) {
            bool found = false;
            for (size_t c = 0; c < FColumns.size() && !found; ++c)
                for (int p = 0; p < FColumns[c].Width && !found; ++p)
                    if (BitName(FColumns[c], p) == name) {
                        found = true;
                        if (FTaps.size() < size_t{MostBits})
                            Tap(c, p, result);
                        else
                            found = false;
                    }
            if (!found) {
                result.Status = TImportStatus::UnknownSignal;
                result.Reason = FTaps.size() < size_t{MostBits}
                                    ? "no signal " + name + " in the file"
                                    : "more than 32 signals named";
                return false;
            }
        }
        return true;
    }

    void Convert(int coarser, TImportResult& result)
    {
        // The coarsest unit in which every time is whole; finer than the finest, times round.
        const int exponent = std::clamp(FFinest, FinestExponent, CoarsestExponent);
        const std::string unit =
            FTimeKind == TTimeKind::Seconds ? SecondsUnit(exponent) : "1 sample";
        result.Unit = CoarserUnit(unit, coarser);
        TLogWriter writer(result.LogText);
        TLines lines(FText);
        std::string_view line;
        int number = 0;
        std::vector<std::string_view> fields;
        std::vector<uint64_t> values(FColumns.size());
        std::vector<uint8_t> unknown(FColumns.size());
        int64_t row = 0;
        int64_t rounded = 0;
        while (lines.Next(line, number)) {
            if (number <= FHeaderLine || IsComment(line)) continue;
            Split(line, FSeparator, fields);
            int64_t time = row++;
            bool wasRounded = false;
            if (FTimeKind == TTimeKind::Seconds) {
                TDecimal decimal;
                ParseDecimal(fields[FTimeField], FPoint, decimal);
                if (!WholeOf(decimal, FUnitExponent - exponent - coarser, time, wasRounded))
                    return Overflow(result, number, fields[FTimeField]);
            } else if (FTimeKind == TTimeKind::Samples) {
                TDecimal decimal;
                ParseDecimal(fields[FTimeField], FPoint, decimal);
                if (!WholeOf(decimal, -coarser, time, wasRounded))
                    return Overflow(result, number, fields[FTimeField]);
            } else {
                time = DivideRounded(time, coarser, wasRounded);
            }
            rounded += wasRounded ? 1 : 0;
            for (size_t c = 0; c < FColumns.size(); ++c) {
                if (!FUsed[c]) continue;
                const std::string_view field = fields[c + FFirstValue];
                if (FColumns[c].Bits) {
                    values[c] = field == "1" ? 1 : 0;
                    unknown[c] = IsUnknown(field.front());
                } else {
                    bool isUnknown = false;
                    ParseBus(field, FColumns[c].Hex, values[c], isUnknown);
                    unknown[c] = isUnknown;
                }
            }
            uint32_t word = 0;
            for (size_t b = 0; b < FTaps.size(); ++b) {
                const auto [c, p] = FTaps[b];
                word |= static_cast<uint32_t>((values[c] >> p) & 1u) << b;
                result.UnknownValues += unknown[c];
            }
            if (!writer.Add(time, word)) return Overflow(result, number, fields[FTimeField]);
        }
        writer.Finish();
        result.Status = TImportStatus::Converted;
        result.Loss = RoundingLoss(rounded, result.Unit);
    }

    int FailLine = 0;
    std::string FailReason;

private:
    static std::string BitName(const TColumn& column, int position)
    {
        if (column.Width == 1 && column.Bits) return column.Name;
        return column.Name + "[" + std::to_string(position) + "]";
    }

    void Tap(size_t column, int position, TImportResult& result)
    {
        FTaps.emplace_back(column, position);
        FUsed[column] = 1;
        result.Signals.push_back(BitName(FColumns[column], position));
    }

    void Overflow(TImportResult& result, int line, std::string_view time)
    {
        result.Status = TImportStatus::TimeOverflow;
        result.Line = line;
        result.Reason =
            "time " + Quoted(time) + " does not fit a 32-bit time stamp in " + result.Unit;
        result.LogText.clear();
    }

    bool Fail(int line, std::string reason)
    {
        FailLine = line;
        FailReason = std::move(reason);
        return false;
    }

    void ReadHeader(std::string_view line, int number, const std::vector<std::string>& comments)
    {
        FHeaderLine = number;
        FSeparator = line.find(';') != std::string_view::npos ? ';' : ',';
        // With ";" between fields a decimal comma is the one a European export writes.
        FPoint = FSeparator == ';' ? ',' : '.';
        std::vector<std::string_view> fields;
        Split(line, FSeparator, fields);
        FTimeKind = TimeColumn(fields[0], FUnitExponent);
        // Some exports number the rows in a first column and give the time in the second.
        FTimeField = 0;
        if (FTimeKind != TTimeKind::Seconds && fields.size() > 2 && IsRowNumberColumn(fields[0])) {
            int exponent = 0;
            const TTimeKind second = TimeColumn(fields[1], exponent);
            if (second == TTimeKind::Seconds) {
                FTimeKind = second;
                FUnitExponent = exponent;
                FTimeField = 1;
            }
        }
        FFirstValue = FTimeKind == TTimeKind::None ? 0 : FTimeField + 1;
        std::vector<std::string> names(fields.begin() + FFirstValue, fields.end());
        // Some exports head every channel alike ("logic") and list the names in a comment.
        const std::vector<std::string> listed = ListedChannels(comments);
        std::vector<std::string> sorted = names;
        std::sort(sorted.begin(), sorted.end());
        const bool repeated = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
        if (repeated && listed.size() == names.size()) names = listed;
        for (size_t i = 0; i < names.size(); ++i) {
            TColumn column;
            column.Name =
                names[i].empty() ? "column" + std::to_string(i + FFirstValue + 1) : names[i];
            for (size_t j = 0; j < i; ++j)
                if (FColumns[j].Name == column.Name) column.Name += "#" + std::to_string(i + 1);
            column.Hex = Lower(column.Name).find("hex") != std::string::npos;
            FColumns.push_back(column);
        }
        FUsed.assign(FColumns.size(), 0);
    }

    // "; Channels (8/8): D0, D1, ..." as some analyzers write it above the header.
    static std::vector<std::string> ListedChannels(const std::vector<std::string>& comments)
    {
        std::vector<std::string> names;
        for (const std::string& comment : comments) {
            const std::string lower = Lower(comment);
            const size_t at = lower.find("channels");
            const size_t colon = lower.find(':', at);
            if (at == std::string::npos || colon == std::string::npos) continue;
            std::vector<std::string_view> fields;
            Split(std::string_view(comment).substr(colon + 1), ',', fields);
            names.assign(fields.begin(), fields.end());
        }
        return names;
    }

    bool CheckFields(std::vector<std::string_view>& fields, int number)
    {
        const size_t expected = FColumns.size() + static_cast<size_t>(FFirstValue);
        // A separator after the last field is common and holds nothing.
        if (fields.size() == expected + 1 && fields.back().empty()) fields.pop_back();
        if (fields.size() != expected)
            return Fail(number, "a row of " + std::to_string(fields.size()) +
                                    " fields under a header of " + std::to_string(expected));
        return true;
    }

    bool SurveyTime(std::string_view field, int number)
    {
        TDecimal decimal;
        if (!ParseDecimal(field, FPoint, decimal)) return Fail(number, "bad time " + Quoted(field));
        if (FTimeKind == TTimeKind::Samples && decimal.Exponent < 0)
            return Fail(number, "sample number " + Quoted(field) + " is not whole");
        // Checked exactly here: once rounded to a coarser unit a step back could vanish.
        if (FRows > 0 && Compare(decimal, FLastTime) < 0)
            return Fail(number, "time " + Quoted(field) + " goes back");
        FLastTime = decimal;
        if (!decimal.Digits.empty())
            FFinest = std::min(FFinest, std::max(decimal.Exponent + FUnitExponent, -1000));
        return true;
    }

    bool SurveyValue(TColumn& column, std::string_view field, int number)
    {
        if (field.empty()) return Fail(number, "an empty value in column " + Quoted(column.Name));
        if (column.Bits && field.size() == 1 &&
            (field[0] == '0' || field[0] == '1' || IsUnknown(field[0])))
            return true;
        // Anything else makes a bus of the column: hexadecimal once a value shows it.
        if (column.Bits) {
            column.Bits = false;
            column.Width = 1;
        }
        const bool prefixed =
            field.size() > 2 && field[0] == '0' && (field[1] == 'x' || field[1] == 'X');
        bool letters = false;
        for (const char c : field)
            letters = letters || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if ((prefixed || letters) && !column.Hex) column.Hex = true;
        uint64_t value = 0;
        bool unknown = false;
        if (!ParseBus(field, column.Hex, value, unknown) && !ParseBus(field, true, value, unknown))
            return Fail(number, "bad value " + Quoted(field) + " in column " + Quoted(column.Name));
        column.Max = std::max(column.Max, value);
        if (column.Hex) {
            const int digits = static_cast<int>(field.size()) - (prefixed ? 2 : 0);
            column.Width = std::min(64, std::max({column.Width, 4 * digits,
                                                  static_cast<int>(std::bit_width(column.Max))}));
        }
        return true;
    }

    std::string_view FText;
    int FHeaderLine = 0;
    char FSeparator = ',';
    char FPoint = '.';
    TTimeKind FTimeKind = TTimeKind::None;
    int FUnitExponent = 0;
    int FFirstValue = 0;
    // The field that holds the time, when there is one.
    int FTimeField = 0;
    // The finest power of ten seconds any time needs to be whole.
    int FFinest = CoarsestExponent;
    int64_t FRows = 0;
    TDecimal FLastTime;
    std::vector<TColumn> FColumns;
    std::vector<uint8_t> FUsed;
    std::vector<std::pair<size_t, int>> FTaps;
};

} // namespace

bool StartsWithSampleLine(std::string_view bytes)
{
    TLines lines(bytes);
    std::string_view line;
    int number = 0;
    while (lines.Next(line, number))
        if (!Trim(line).empty()) return ReadSampleLine(line).IsSample();
    return false;
}

bool LooksLikeCsv(std::string_view bytes)
{
    TLines lines(bytes.substr(0, 1 << 16));
    std::string_view line;
    int number = 0;
    std::vector<std::string_view> header;
    std::vector<std::string_view> row;
    while (lines.Next(line, number)) {
        if (IsComment(line)) continue;
        if (header.empty()) {
            const char separator = line.find(';') != std::string_view::npos ? ';' : ',';
            Split(line, separator, header);
            if (header.size() < 2) return false;
            continue;
        }
        Split(line, line.find(';') != std::string_view::npos ? ';' : ',', row);
        if (row.size() == header.size() + 1 && row.back().empty()) row.pop_back();
        return row.size() == header.size();
    }
    return false;
}

TImportListing ListCsv(std::string_view bytes)
{
    TImportListing listing;
    TCsvReader reader(bytes);
    if (!reader.Survey()) {
        listing.Line = reader.FailLine;
        listing.Reason = reader.FailReason;
        return listing;
    }
    listing.Status = TImportStatus::Converted;
    reader.List(listing);
    return listing;
}

TImportResult ImportCsv(std::string_view bytes, const std::vector<std::string>& signals,
                        int coarser)
{
    TImportResult result;
    TCsvReader reader(bytes);
    if (!reader.Survey()) {
        result.Line = reader.FailLine;
        result.Reason = reader.FailReason;
        return result;
    }
    if (reader.Choose(signals, result)) reader.Convert(coarser, result);
    if (result.Status != TImportStatus::Converted) result.Signals.clear();
    return result;
}
