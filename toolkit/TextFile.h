// Reading and writing the text view's files as bytes: line breaks normalised to CR LF
// on the way in, reading stopped at a NUL, saving atomic.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/LineBreaks.h"

struct TLoadedText
{
    // The normalised text, CR LF between lines.
    std::string Text;
    // A NUL ended the reading before the end of the file.
    bool CutAtNul = false;
    // When cut: the 0-based line the NUL was met in (its start is kept); else -1.
    int CutLine = -1;
    // The text would have been longer than the limit; Text is then empty.
    bool TooLong = false;
};

// How long a pipe or FIFO may stay silent before a load gives up on it.
constexpr int DefaultSilenceMs = 10000;

// File names are the file system's bytes, never cp1251.
//
// Reads FileName whole; a FIFO nobody writes to gives an empty text at once, one whose
// writer sends nothing for SilenceMs (negative: no limit) raises EFOpenError with
// ETIMEDOUT. A text beyond Limit is refused without holding it: a regular file larger
// than Limit is first only scanned for the NUL that alone could make it fit. Raises
// EFOpenError (with errno) when it cannot be read.
TLoadedText ReadTextFile(const std::string& fileName, size_t limit,
                         int silenceMs = DefaultSilenceMs);
// Writes the pieces one after another, atomically: a temporary file beside the target,
// written, synced and closed with every result checked, then renamed over it (a link is
// followed; the target's permissions are kept). A target the user may not write in place
// (a read-only file, another user's file), anything but a regular file as target, and
// every failure (a full disk included) raise EFCreateError with errno and leave the old
// file as it was.
void WriteTextFile(const std::string& fileName, const std::vector<std::string_view>& pieces);
