// Sample lines of a log: the split into time and value fields, the two text-to-number
// conversions, and the bit that a bit-number field selects from the signal word.
#pragma once

#include <cstdint>
#include <string_view>

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
// (a hexadecimal text gives its 32-bit pattern). Raises EConvertError
// "'<text>' is not a valid integer value".
int32_t TextToInt(std::string_view text);

// A 32-bit word from hexadecimal digits only; an empty text gives 0 and digits beyond the
// last eight are shifted out. Raises EConvertError "No Hex-Number".
uint32_t HexStrToInt(std::string_view text);

// 1 << n for the exact texts "0" to "7", else 0. Never fails.
uint8_t BitMaskOf(std::string_view bitText);

// 0 or 1: the masked bit of Word. Raises EDivByZero for a mask of 0.
uint8_t BitValue(uint32_t word, uint8_t mask);
