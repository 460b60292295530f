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
    // A time does not fit a 32-bit signed stamp in the unit tried; Line and Reason say which.
    TimeOverflow,
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
    // The unit of LogText's times: the $timescale ("1 ns", "10us") made as many steps
    // coarser as asked; empty when the file gives none and none were asked.
    std::string Timescale;
    // What dividing the times lost ("3 times rounded to 10 ns"), empty when nothing.
    std::string Loss;
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
// Coarser: the times are divided by 10^Coarser and rounded (after a TimeOverflow).
TVcdConversion ReadVcd(std::string_view text, const std::vector<std::string>& signals = {},
                       int coarser = 0);

// A $var that holds bits, as declared.
struct TVcdVariable
{
    std::string Name;
    // Its scopes joined with ".".
    std::string Scope;
    int Width = 1;
    // Each bit's name as ReadVcd accepts it, lowest first.
    std::vector<std::string> Bits;
};

struct TVcdDefinitions
{
    TVcdStatus Status = TVcdStatus::Malformed;
    int Line = 0;
    std::string Reason;
    std::string Timescale;
    std::vector<TVcdVariable> Variables;
};

// The declarations only, up to $enddefinitions; the changes are not read.
TVcdDefinitions ReadVcdDefinitions(std::string_view text);
