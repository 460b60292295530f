// Opening another program's file (a VCD, a sigrok session, a CSV) as a new log: the format
// found from the file's first bytes, the signals chosen in a pick list, a time overflow
// offered a coarser unit, and the texts the window shows about it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "formats/Import.h"

class TMemoStrings;

// The format of a regular file by its first bytes. Anything that cannot be read that way (a
// pipe, a missing file) is a log, so that the log load reads or reports it as it always has.
TFileFormat DetectFileFormat(const std::string& fileName);

struct TConvertedFile
{
    // False: the user cancelled the pick list or declined a coarser unit; nothing changes.
    bool Converted = false;
    // Why nothing was converted when a coarser unit was declined (cp1251).
    std::string Declined;
    TFileFormat Format = TFileFormat::Log;
    TImportResult Result;
};

// Converts a file of another format: its signals offered in the pick list (the file's first
// 32 bits pre-picked), a time overflow offered the next coarser unit until the times fit.
// Raises an EFileError naming the file, with the line or zip entry and the reason, when the
// file cannot be read, is malformed or its text does not fit the text view.
TConvertedFile ConvertFile(const std::string& fileName, TFileFormat format);

// Without a person to ask (the headless tool): times too large for a 32-bit time stamp go to a
// unit ten times coarser at once, each step and the rounding told to Told; an empty function
// asks again.
void SetCoarserUnitsUnasked(std::function<void(const std::string& message)> told);

// The information note after an import (cp1251): format, unit, signals, x/z count, loss.
std::string ImportNote(const TConvertedFile& converted);
// What the caption adds after the source's name (cp1251).
std::string ImportCaptionSuffix(const TConvertedFile& converted);
// The name a save proposes for text converted from Source: its name with ".log", beside it.
std::string ProposedLogName(const std::string& source);
// Raises when Target is Source (under any name): converted text never replaces its source.
void RefuseSavingOverSource(const std::string& source, const std::string& target);
// The pulse readout's suffix for an import's time unit ("1 ns" gives "ns"); empty for none.
std::string ReadoutTimeUnit(const std::string& unit);

// The headless tool's load: a log read as it is, another format converted with the default
// choice of signals (however the pick list is answered); a declined coarser unit raises.
void LoadOrConvert(TMemoStrings& lines, const std::string& fileName);
