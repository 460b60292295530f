#include "viewer/SampleLine.h"

#include <array>
#include <string>

#include "toolkit/SysUtils.h"

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

// Kept out of line so that the message is built only when a conversion fails. The text may
// hold NUL bytes, so it is appended as a whole rather than passed through "%s".
[[noreturn]] __attribute__((noinline, cold)) void ThrowNotAnInteger(std::string_view text)
{
    std::string message;
    message.reserve(text.size() + 32);
    message += '\'';
    message += text;
    message += "' is not a valid integer value";
    throw EConvertError(std::move(message));
}

[[noreturn]] __attribute__((noinline, cold)) void ThrowNoHexNumber()
{
    throw EConvertError("No Hex-Number");
}

} // namespace

TSampleFields SplitSampleLine(std::string_view line)
{
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return {std::string_view(), line.substr(0, MaxValueFieldLength)};
    return {line.substr(0, colon), line.substr(colon + 1, MaxValueFieldLength)};
}

int32_t TextToInt(std::string_view text)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && *p == ' ')
        ++p;
    if (p == end) ThrowNotAnInteger(text);

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
        if (p + 1 == end) return 0;
        if (p[1] == 'x' || p[1] == 'X') {
            hex = true;
            p += 2;
        }
        break;
    default:
        break;
    }
    // A sign or a prefix needs at least one digit after it.
    if (p == end) ThrowNotAnInteger(text);

    if (hex) {
        uint32_t value = 0;
        for (; p != end; ++p) {
            const int digit = HexDigit(*p);
            // Checked before the digit is taken: a ninth significant digit would not fit.
            if (digit < 0 || value > 0x0FFFFFFFu) ThrowNotAnInteger(text);
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        return static_cast<int32_t>(value);
    }

    uint32_t value = 0;
    for (; p != end; ++p) {
        const uint32_t digit = static_cast<uint32_t>(static_cast<unsigned char>(*p)) - '0';
        if (digit > 9 || value > 214748364u) ThrowNotAnInteger(text);
        value = value * 10 + digit;
    }
    if (negative) {
        if (value > 2147483648u) ThrowNotAnInteger(text);
        return static_cast<int32_t>(0u - value);
    }
    if (value > 2147483647u) ThrowNotAnInteger(text);
    return static_cast<int32_t>(value);
}

uint32_t HexStrToInt(std::string_view text)
{
    uint32_t value = 0;
    for (const char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0) ThrowNoHexNumber();
        value = (value << 4) | static_cast<uint32_t>(digit);
    }
    return value;
}

uint8_t BitMaskOf(std::string_view bitText)
{
    if (bitText.size() != 1 || bitText[0] < '0' || bitText[0] > '7') return 0;
    return static_cast<uint8_t>(1u << (bitText[0] - '0'));
}

uint8_t BitValue(uint32_t word, uint8_t mask)
{
    if (mask == 0) throw EDivByZero();
    // Masks of a bit-number field are single bits; those need no division.
    if ((mask & (mask - 1)) == 0) return (word & mask) != 0 ? 1 : 0;
    return static_cast<uint8_t>((word & mask) / mask);
}
