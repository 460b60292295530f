// Value Change Dump reader: turns a dump's text into log text, one sample line per change of
// the word made of up to 32 chosen one-bit signals or vector bits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The word has this many bits, so no more signals can be chosen.
inline constexpr int MaxVcdSignals = 32;

enum class TVcdStatus {
    Converted,
    // The text is no dump or breaks its rules; Line and Reason say where and why.
    Malformed,
    // A chosen name is none of the file's signals; Reason names it.
    UnknownSignal,
};

struct TVcdConversion
{
    TVcdStatus Status = TVcdStatus::Malformed;
    // 1-based line of a malformed file's fault.
    int Line = 0;
    std::string Reason;
    // "TIME:HEXWORD" lines, CR LF between them, times ascending and every word differing
    // from the one before.
    std::string LogText;
    // The $timescale as written ("1 ns", "10us"), empty when the file gives none.
    std::string Timescale;
    // Values of chosen bits that were x or z, read as 0.
    int64_t UnknownValues = 0;
    // Real and string value changes, which no bit can hold, skipped.
    int64_t SkippedValues = 0;
    // The name of every bit of the word, bit 0 first.
    std::vector<std::string> Signals;
};

// Whether the text's first non-blank token starts with "$", as every dump's does and no
// log line's can.
bool LooksLikeVcd(std::string_view text);

// Reads a whole dump. Signals names the bits 0, 1, ... in order: a one-bit signal by its
// scopes and name joined with "." ("top.cpu.clk"), a vector's bit as that with its declared
// index ("top.bus[3]"). Empty: the file's first 32 one-bit signals or vector bits, in the
// order of their $var, each vector lowest bit first.
TVcdConversion ReadVcd(std::string_view text, const std::vector<std::string>& signals = {});
