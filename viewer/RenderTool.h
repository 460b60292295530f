// Command line of the headless companion program logview-render: its options,
// their checks, its exit codes and the number format of its point listing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "decode/Decode.h"
#include "samples/Find.h"

// Exit statuses, kept apart so that scripts can tell bad data from a missing file.
enum TRenderExit : int {
    reOk = 0,
    reDataError = 1,
    reCannotRead = 2,
    // An output (the listing, the picture, the dump) was not written whole.
    reCannotWrite = 2,
    // --find: the queries matched nothing, so that a script can test for a match alone.
    reNothingFound = 3,
    reUsage = 64,
};

struct TRenderOptions
{
    // Bit-number texts, one per chart from the top, each one the field would take ("0" to
    // "7"); another is a usage error, since it would fail at the first line whatever the
    // file holds.
    std::vector<std::string> BitTexts = {"0", "1"};
    bool Points = false;
    std::string PngPath;
    // Client size of the window; 0 keeps the layout's own size.
    int Width = 0;
    int Height = 0;
    bool Zoom = false;
    double ZoomFrom = 0;
    double ZoomTo = 0;
    std::string FileName;
    bool Help = false;
    // With a dump file named, the tool converts the log instead of showing it.
    std::string VcdPath;
    // As the dump writes it ("1 ns"); see NormaliseTimescale.
    std::string Timescale = "1 ns";
    // With decoders given, the tool lists what they decode instead of showing the log; read
    // with the timescale, whichever order the options came in.
    std::vector<TDecoderSetup> Decoders;
    // The decoders as given, for the window's charts when a picture is asked for.
    std::vector<std::string> DecoderTexts;
    // With queries given, the tool lists their matches instead of showing the log.
    std::vector<TFindQuery> Queries;
    // With a log file named, the tool converts a dump (--convert) into it instead of showing
    // anything, taking the signals named for bits 0, 1, ... (empty: the dump's first 32).
    std::string ConvertPath;
    std::vector<std::string> Signals;
    // With a table named, the tool writes the log's samples as comma-separated rows.
    std::string CsvPath;
};

struct TRenderParse
{
    bool Ok = false;
    TRenderOptions Options;
    std::string Error;
};

extern const char* const RenderUsage;

// Parses the arguments after the program's own name. Options take their value
// as the next argument or after "="; "--" ends the options.
TRenderParse ParseRenderArguments(const std::vector<std::string>& args);

// The length in seconds of a normalised timescale's unit ("10 us": 1e-5).
double TimescaleSeconds(std::string_view normalised);

// The shortest decimal text that reads back to the same double, without an
// exponent for the integral and ordinary values a waveform holds.
std::string FormatPointValue(double value);
