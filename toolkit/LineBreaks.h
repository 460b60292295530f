// The text view's one rule for line breaks: CR LF stays, a lone LF or a lone CR becomes
// CR LF. Used by the loads (which also stop at a NUL) and by the buffer for inserted text.
// No Qt, so tests and fuzzers link it alone.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Normalises a text fed in pieces of any size into Out. With StopAtNul, the first NUL
// ends the text (Stopped tells), and a CR just before it is a lone CR; without it a NUL
// is an ordinary character.
class TLineBreakNormaliser
{
public:
    explicit TLineBreakNormaliser(std::string& out, bool stopAtNul = true)
        : FOut(out), FStopAtNul(stopAtNul)
    {
    }

    // False once a NUL stopped the text; the rest of the input is not wanted.
    bool Feed(const char* data, size_t size);
    void Finish();
    bool Stopped() const { return FStopped; }

private:
    std::string& FOut;
    bool FStopAtNul = true;
    bool FPendingCR = false;
    bool FStopped = false;
};

// The whole of Text normalised, NULs kept.
std::string NormaliseLineBreaks(std::string_view text);
// Whether every break of Text is a CR LF already.
bool HasOnlyCrLf(std::string_view text);
