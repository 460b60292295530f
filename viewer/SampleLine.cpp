#include "viewer/SampleLine.h"

#include <bit>
#include <string>

#include "toolkit/SysUtils.h"

namespace {

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

} // namespace

int32_t TextToInt(std::string_view text)
{
    int32_t value = 0;
    if (!ReadSampleTime(text, value)) ThrowNotAnInteger(text);
    return value;
}

uint32_t HexStrToInt(std::string_view text)
{
    uint32_t value = 0;
    if (!ReadSampleWord(text, value)) throw EConvertError("No Hex-Number");
    return value;
}

uint8_t BitMaskOf(std::string_view bitText)
{
    if (bitText.size() != 1 || bitText[0] < '0' || bitText[0] > '7') return 0;
    return static_cast<uint8_t>(1u << (bitText[0] - '0'));
}

int BitOfText(std::string_view bitText)
{
    const uint8_t mask = BitMaskOf(bitText);
    return mask == 0 ? -1 : std::countr_zero(mask);
}

uint8_t BitValue(uint32_t word, uint8_t mask)
{
    if (mask == 0) throw EDivByZero();
    // Masks of a bit-number field are single bits; those need no division.
    if ((mask & (mask - 1)) == 0) return (word & mask) != 0 ? 1 : 0;
    return static_cast<uint8_t>((word & mask) / mask);
}
