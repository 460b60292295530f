#include "formats/VcdExport.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <vector>

#include "samples/SampleModel.h"

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
        for (int bit = std::bit_width(word) - 1; bit >= 0; --bit)
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

std::string WriteVcd(const TSampleModel& model, const std::string& timescale)
{
    const int count = model.SampleCount();
    const std::vector<int> order = model.TimeOrder(count);
    // The samples by time: as they stand when they ascend, else through the order.
    const auto sampleAt = [&order](int rank) {
        return order.empty() ? rank : order[static_cast<size_t>(rank)];
    };
    const auto timeAt = [&](int rank) { return int64_t{model.Time(sampleAt(rank))}; };
    const auto wordAt = [&](int rank) { return model.Word(sampleAt(rank)); };
    const int64_t shift = count > 0 && timeAt(0) < 0 ? -timeAt(0) : 0;

    std::string out;
    out.reserve(512 + static_cast<size_t>(count) * 24);
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
    int i = 0;
    uint32_t word = 0;
    // The dump starts where the log does: a reader must not find values the log never had.
    const int64_t first = count > 0 ? timeAt(0) + shift : 0;
    while (i < count && timeAt(i) + shift == first)
        word = wordAt(i++);
    out += '#';
    AppendNumber(out, first);
    out += "\n$dumpvars\n";
    AppendWord(out, word);
    for (int bit = 0; bit < 8; ++bit)
        AppendBit(out, word, bit);
    out += "$end\n";

    while (i < count) {
        const int64_t time = timeAt(i);
        uint32_t next = wordAt(i);
        while (++i < count && timeAt(i) == time)
            next = wordAt(i);
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
