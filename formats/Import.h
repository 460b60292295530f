// Opening other programs' files: which format a file's bytes are, the signals it offers,
// and its conversion to log text. One front for every reader, shared by the window and
// logview-render.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TFileFormat {
    // Anything that is none of the others: read as log text, as always.
    Log,
    Vcd,
    SigrokSession,
    Csv,
};

// Recognised by content, never by name.
TFileFormat DetectFormat(std::string_view bytes);
// "VCD", "sigrok session", "CSV", "log".
const char* FormatName(TFileFormat format);

enum class TImportStatus {
    Converted,
    // The file breaks its format's rules; Line (or Entry) and Reason say where and why.
    Malformed,
    // A chosen name is none of the file's signals; Reason names it.
    UnknownSignal,
    // Some time does not fit a 32-bit signed time stamp in the unit tried; Reason says so
    // and the caller may try again one unit coarser.
    TimeOverflow,
};

// A signal as the file declares it.
struct TImportSignal
{
    std::string Name;
    // Enclosing scopes joined with "." (VCD), empty where the format has none.
    std::string Scope;
    int Width = 1;
};

struct TImportListing
{
    TImportStatus Status = TImportStatus::Malformed;
    int Line = 0;
    std::string Entry;
    std::string Reason;
    std::vector<TImportSignal> Signals;
    // Every bit a word can take, in the file's order (a vector's bits lowest first), by the
    // name the conversion's Signals accept ("top.cpu.clk", "top.bus[3]", a probe's name).
    std::vector<std::string> Bits;
    // For each of Bits, the index of its signal in Signals.
    std::vector<int> BitSignal;
};

struct TImportResult
{
    TImportStatus Status = TImportStatus::Malformed;
    // 1-based line of a malformed text file's fault; 0 when none applies.
    int Line = 0;
    // The zip entry of a malformed session's fault.
    std::string Entry;
    std::string Reason;
    // "TIME:HEXWORD" lines, CR LF between them: one per change of the word, times
    // ascending, the first at the file's first time.
    std::string LogText;
    // The unit one time step of LogText stands for: "1 ns", "10 us", "1 sample".
    std::string Unit;
    // Set when the times were divided to fit: what was lost ("times rounded to 10 ns").
    std::string Loss;
    // Values of chosen bits that were x or z (or unreadable), read as 0.
    int64_t UnknownValues = 0;
    // Changes no bit can hold (a VCD's reals and strings), left out.
    int64_t SkippedValues = 0;
    // The name of every bit of the word, bit 0 first.
    std::vector<std::string> Signals;
};

TImportListing ListSignals(TFileFormat format, std::string_view bytes);

// Converts the file. Signals names the bits 0, 1, ... in order (names as in
// TImportListing::Bits); empty: the file's first 32 bits. Coarser: how many steps of ten
// coarser than the file's own unit the times are written (after a TimeOverflow).
TImportResult ImportFile(TFileFormat format, std::string_view bytes,
                         const std::vector<std::string>& signals = {}, int coarser = 0);
