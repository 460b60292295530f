#include "viewer/VcdExport.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "toolkit/SysUtils.h"
#include "viewer/SampleLine.h"
#include "viewer/Waveform.h"

namespace {

// Identifier codes: the word, then bits 0 to 7.
constexpr char WordCode = '!';
constexpr std::array<char, 8> BitCodes = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};

void AppendNumber(std::string& out, int64_t value)
{
    char buffer[24];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, r.ptr);
}

// Leading zeros are left out: a viewer extends a vector's value with 0 on the left.
void AppendWord(std::string& out, uint32_t word)
{
    out += 'b';
    if (word == 0) {
        out += '0';
    } else {
        for (int bit = 31 - __builtin_clz(word); bit >= 0; --bit)
            out += (word >> bit) & 1u ? '1' : '0';
    }
    out += ' ';
    out += WordCode;
    out += '\n';
}

void AppendBit(std::string& out, uint32_t word, int bit)
{
    out += (word >> bit) & 1u ? '1' : '0';
    out += BitCodes[static_cast<size_t>(bit)];
    out += '\n';
}

} // namespace

TVcdSamples ReadVcdSamples(std::string_view text)
{
    TVcdSamples result;
    result.Samples.reserve(text.size() / 8);
    size_t start = 0;
    int index = 0;
    while (start < text.size()) {
        const size_t brk = text.find("\r\n", start);
        const size_t end = brk == std::string_view::npos ? text.size() : brk;
        const std::string_view line =
            text.substr(start, end - start).substr(0, MaxSampleLineLength);
        const TSampleFields fields = SplitSampleLine(line);
        try {
            const int32_t time = TextToInt(fields.Time);
            result.Samples.push_back({time, HexStrToInt(fields.Value)});
        } catch (const EConvertError&) {
            result.BadLines.push_back(index);
        }
        ++index;
        if (brk == std::string_view::npos) break;
        start = brk + 2;
        // A text ending in a break has no further line; two breaks leave an empty one.
    }
    return result;
}

std::string NormaliseTimescale(std::string_view text)
{
    size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    const std::string_view number = text.substr(0, digits);
    if (number != "1" && number != "10" && number != "100") return {};
    std::string_view unit = text.substr(digits);
    if (!unit.empty() && unit.front() == ' ') unit.remove_prefix(1);
    static constexpr std::array<std::string_view, 6> Units = {"s", "ms", "us", "ns", "ps", "fs"};
    if (std::find(Units.begin(), Units.end(), unit) == Units.end()) return {};
    std::string result(number);
    result += ' ';
    result += unit;
    return result;
}

std::string WriteVcd(const std::vector<TVcdSample>& samples, const std::string& timescale)
{
    std::vector<TVcdSample> sorted = samples;
    const auto byTime = [](const TVcdSample& a, const TVcdSample& b) { return a.Time < b.Time; };
    if (!std::is_sorted(sorted.begin(), sorted.end(), byTime))
        std::stable_sort(sorted.begin(), sorted.end(), byTime);
    const int64_t shift = !sorted.empty() && sorted.front().Time < 0 ? -sorted.front().Time : 0;

    std::string out;
    out.reserve(512 + sorted.size() * 24);
    out += "$version logview-render $end\n";
    if (shift != 0) {
        out += "$comment time stamps shifted by ";
        AppendNumber(out, shift);
        out += ": dump time 0 is log time ";
        AppendNumber(out, -shift);
        out += " $end\n";
    }
    out += "$timescale " + timescale + " $end\n";
    out += "$scope module logview $end\n";
    out += "$var wire 32 ";
    out += WordCode;
    out += " word [31:0] $end\n";
    for (int bit = 0; bit < 8; ++bit) {
        out += "$var wire 1 ";
        out += BitCodes[static_cast<size_t>(bit)];
        out += " bit";
        out += static_cast<char>('0' + bit);
        out += " $end\n";
    }
    out += "$upscope $end\n$enddefinitions $end\n";

    // The value at a time is the last sample's at that time, so a stretch of equal times
    // is first walked to its end.
    size_t i = 0;
    uint32_t word = 0;
    while (i < sorted.size() && sorted[i].Time + shift == 0)
        word = sorted[i++].Word;
    out += "#0\n$dumpvars\n";
    AppendWord(out, word);
    for (int bit = 0; bit < 8; ++bit)
        AppendBit(out, word, bit);
    out += "$end\n";

    while (i < sorted.size()) {
        const int64_t time = sorted[i].Time;
        uint32_t next = sorted[i].Word;
        while (++i < sorted.size() && sorted[i].Time == time)
            next = sorted[i].Word;
        if (next == word) continue;
        out += '#';
        AppendNumber(out, time + shift);
        out += '\n';
        AppendWord(out, next);
        const uint32_t changed = (next ^ word) & 0xFFu;
        for (int bit = 0; bit < 8; ++bit)
            if ((changed >> bit) & 1u) AppendBit(out, next, bit);
        word = next;
    }
    return out;
}
