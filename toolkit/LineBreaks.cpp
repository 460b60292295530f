#include "toolkit/LineBreaks.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

// The first CR, LF or NUL of P[0..N), or N: eight bytes at a time, so that the text
// between breaks costs a fraction of a byte-wise look.
size_t FindSpecial(const char* p, size_t n)
{
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHigh = 0x8080808080808080ull;
    auto zeroBytes = [](uint64_t v) { return (v - kOnes) & ~v & kHigh; };
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        // Little-endian words: the lowest set bit is the first byte that matched.
        const uint64_t hits =
            zeroBytes(w) | zeroBytes(w ^ (kOnes * '\r')) | zeroBytes(w ^ (kOnes * '\n'));
        if (hits) return i + static_cast<size_t>(std::countr_zero(hits)) / 8;
    }
    while (i < n && p[i] != '\r' && p[i] != '\n' && p[i] != '\0')
        ++i;
    return i;
}

} // namespace

bool TLineBreakNormaliser::Feed(const char* data, size_t size)
{
    if (FStopped) return false;
    size_t i = 0;
    if (FPendingCR && size > 0) {
        FOut += "\r\n";
        FPendingCR = false;
        if (data[0] == '\n') i = 1;
    }
    while (i < size) {
        const size_t j = i + FindSpecial(data + i, size - i);
        FOut.append(data + i, j - i);
        if (j == size) break;
        if (data[j] == '\0') {
            if (FStopAtNul) {
                FStopped = true;
                return false;
            }
            FOut += '\0';
            i = j + 1;
            continue;
        }
        if (data[j] == '\r' && j + 1 == size) {
            FPendingCR = true;
            break;
        }
        FOut += "\r\n";
        i = j + (data[j] == '\r' && data[j + 1] == '\n' ? 2 : 1);
    }
    return true;
}

void TLineBreakNormaliser::Finish()
{
    if (FPendingCR) FOut += "\r\n";
    FPendingCR = false;
}

std::string NormaliseLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8 + 2);
    TLineBreakNormaliser normaliser(out, false);
    normaliser.Feed(text.data(), text.size());
    normaliser.Finish();
    return out;
}

bool HasOnlyCrLf(std::string_view text)
{
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    constexpr uint64_t kHigh = ~kLow7;
    constexpr uint64_t kLastByte = uint64_t{0x80} << 56;
    // The high bit of every byte of V that is zero, exactly (no borrow from a neighbour).
    auto zeroBytes = [](uint64_t v) { return ~(((v & kLow7) + kLow7) | v) & kHigh; };
    const char* p = text.data();
    const size_t n = text.size();
    bool crBefore = false;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        const uint64_t cr = zeroBytes(w ^ (kOnes * '\r'));
        const uint64_t lf = zeroBytes(w ^ (kOnes * '\n'));
        // Every LF right after a CR, every CR right before an LF (the word's last CR is
        // settled by the next byte).
        const uint64_t after = (cr << 8) | (crBefore ? 0x80u : 0u);
        if ((lf & ~after) != 0 || (cr & ~kLastByte & ~(lf >> 8)) != 0) return false;
        if (crBefore && (lf & 0x80u) == 0) return false;
        crBefore = (cr & kLastByte) != 0;
    }
    for (; i < n; ++i) {
        if (crBefore != (p[i] == '\n')) return false;
        crBefore = p[i] == '\r';
    }
    return !crBefore;
}
