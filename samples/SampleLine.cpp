#include "samples/SampleLine.h"

#include <array>

namespace {

constexpr int8_t NotHex = -1;

// One lookup per character keeps the hot loop free of branches on character ranges.
constexpr std::array<int8_t, 256> MakeHexDigitTable()
{
    std::array<int8_t, 256> table{};
    table.fill(NotHex);
    for (int c = '0'; c <= '9'; ++c)
        table[static_cast<std::size_t>(c)] = static_cast<int8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) {
        table[static_cast<std::size_t>(c)] = static_cast<int8_t>(c - 'A' + 10);
        table[static_cast<std::size_t>(c - 'A' + 'a')] = static_cast<int8_t>(c - 'A' + 10);
    }
    return table;
}

constexpr std::array<int8_t, 256> HexDigits = MakeHexDigitTable();

inline int HexDigit(char c)
{
    return HexDigits[static_cast<unsigned char>(c)];
}

} // namespace

TSampleFields SplitSampleLine(std::string_view line)
{
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return {std::string_view(), line.substr(0, MaxValueFieldLength)};
    return {line.substr(0, colon), line.substr(colon + 1, MaxValueFieldLength)};
}

bool ReadSampleTime(std::string_view text, int32_t& result)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && *p == ' ')
        ++p;
    if (p == end) return false;

    bool negative = false;
    bool hex = false;
    switch (*p) {
    case '-':
        negative = true;
        ++p;
        break;
    case '+':
        ++p;
        break;
    case '$':
    case 'x':
    case 'X':
        hex = true;
        ++p;
        break;
    case '0':
        if (p + 1 == end) {
            result = 0;
            return true;
        }
        if (p[1] == 'x' || p[1] == 'X') {
            hex = true;
            p += 2;
        }
        break;
    default:
        break;
    }
    // A sign or a prefix needs at least one digit after it.
    if (p == end) return false;

    if (hex) {
        uint32_t value = 0;
        for (; p != end; ++p) {
            const int digit = HexDigit(*p);
            // Checked before the digit is taken: a ninth significant digit would not fit.
            if (digit < 0 || value > 0x0FFFFFFFu) return false;
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        result = static_cast<int32_t>(value);
        return true;
    }

    uint32_t value = 0;
    for (; p != end; ++p) {
        const uint32_t digit = static_cast<uint32_t>(static_cast<unsigned char>(*p)) - '0';
        if (digit > 9 || value > 214748364u) return false;
        value = value * 10 + digit;
    }
    if (negative) {
        if (value > 2147483648u) return false;
        result = static_cast<int32_t>(0u - value);
        return true;
    }
    if (value > 2147483647u) return false;
    result = static_cast<int32_t>(value);
    return true;
}

bool ReadSampleWord(std::string_view text, uint32_t& result)
{
    uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    result = value;
    return true;
}

TSampleLineRead ReadSampleLine(std::string_view line)
{
    TSampleLineRead read;
    const TSampleFields fields = SplitSampleLine(line.substr(0, MaxSampleLineLength));
    read.TimeRead = ReadSampleTime(fields.Time, read.Time);
    if (read.TimeRead) read.WordRead = ReadSampleWord(fields.Value, read.Word);
    return read;
}
