// The bit that a bit-number field selects from the signal word, and the throwing forms of
// the sample conversions for callers that report a bad text as an exception.
#pragma once

#include <cstdint>
#include <string_view>

#include "samples/SampleLine.h"

// As ReadSampleTime; raises EConvertError "'<text>' is not a valid integer value".
int32_t TextToInt(std::string_view text);

// As ReadSampleWord; raises EConvertError "No Hex-Number".
uint32_t HexStrToInt(std::string_view text);

// 1 << n for the exact texts "0" to "7", else 0. Never fails.
uint8_t BitMaskOf(std::string_view bitText);

// The bit number of a bit-number field, or -1 when the text is none.
int BitOfText(std::string_view bitText);

// 0 or 1: the masked bit of Word. Raises EDivByZero for a mask of 0.
uint8_t BitValue(uint32_t word, uint8_t mask);
