// Reading and writing the text view's files as bytes: line breaks normalised to CR LF
// on the way in, reading stopped at a NUL, saving atomic.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Line breaks as the text view keeps them: CR LF stays, a lone LF or lone CR becomes
// CR LF. Stops at the first NUL (Stopped tells); a CR just before it is a lone CR.
class TLineBreakNormaliser
{
public:
    explicit TLineBreakNormaliser(std::string& out) : FOut(out) {}

    // False once a NUL was met; the rest of the input is not wanted.
    bool Feed(const char* data, size_t size);
    void Finish();
    bool Stopped() const { return FStopped; }

private:
    std::string& FOut;
    bool FPendingCR = false;
    bool FStopped = false;
};

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

// File names are the file system's bytes, never cp1251.
//
// Reads FileName whole; a FIFO nobody writes to gives an empty text at once. Raises
// EFOpenError (with errno) when it cannot be read.
TLoadedText ReadTextFile(const std::string& fileName, size_t limit);
// Writes the pieces one after another, atomically: a temporary file beside the target,
// written, synced and closed with every result checked, then renamed over it (a link is
// followed; the target's permissions are kept). Anything but a regular file as target,
// and every failure (a full disk included), raises EFCreateError with errno and leaves
// the old file as it was.
void WriteTextFile(const std::string& fileName, const std::vector<std::string_view>& pieces);
