// The text buffer on generated logs of 1M and 10M lines side by side: load, memory per
// line beyond the text, reading lines in order, edits at the end, middle and start (their
// cost must not grow with the text), and handing the text out whole.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "toolkit/TextBuffer.h"
#include "toolkit/TextFile.h"

namespace {

using TClock = std::chrono::steady_clock;

double Since(TClock::time_point start)
{
    return std::chrono::duration<double>(TClock::now() - start).count();
}

size_t HeapBytes()
{
    const auto info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// "time:hex" lines with a CR LF break each, times rising by a random step.
std::string Generate(size_t lines, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string text;
    text.reserve(lines * 14);
    uint64_t time = 0;
    char buf[32];
    for (size_t i = 0; i < lines; ++i) {
        time += 1 + gen() % 20;
        const int n =
            std::snprintf(buf, sizeof buf, "%llu:%04X\r\n", static_cast<unsigned long long>(time),
                          static_cast<unsigned>(gen() & 0xFFFF));
        text.append(buf, static_cast<size_t>(n));
    }
    return text;
}

// The normaliser as it was, a byte at a time, to measure the run-copying one against.
std::string NormaliseByteByByte(std::string_view in)
{
    std::string out;
    out.reserve(in.size() + in.size() / 8);
    bool pendingCR = false;
    for (const char c : in) {
        if (pendingCR) {
            out += "\r\n";
            pendingCR = false;
            if (c == '\n') continue;
        }
        if (c == '\r')
            pendingCR = true;
        else if (c == '\n')
            out += "\r\n";
        else if (c == '\0')
            break;
        else
            out.push_back(c);
    }
    if (pendingCR) out += "\r\n";
    return out;
}

struct TFigures
{
    double NormaliseS = 0;
    double NormaliseRefS = 0;
    double AssignS = 0;
    double OverheadPerLine = 0;
    double HeapOverheadPerLine = 0;
    double LineNs = 0;
    double EditUs[4] = {};
    double TextS = 0;
    double PiecesUs = 0;
};

// One insert and its removal at Where, microseconds per edit over many rounds.
template <class TWhere> double EditCost(TTextBuffer& buffer, TWhere where, std::string_view text)
{
    constexpr int kRounds = 2000;
    const auto start = TClock::now();
    for (int i = 0; i < kRounds; ++i) {
        const TTextPos at = where();
        const TTextPos after = buffer.Insert(at, text);
        buffer.Remove(at, after);
    }
    return Since(start) * 1e6 / (2 * kRounds);
}

TFigures Measure(size_t lines)
{
    TFigures f;
    const size_t heapBefore = HeapBytes();
    std::string text = Generate(lines, 12345);
    const size_t textBytes = text.size();
    {
        // The same lines with LF breaks, as a file from elsewhere has them, read in the
        // 1 MiB pieces a load feeds.
        std::string lf;
        lf.reserve(text.size());
        for (const char c : text)
            if (c != '\r') lf += c;
        std::string out;
        out.reserve(text.size() + 64);
        auto start = TClock::now();
        TLineBreakNormaliser normaliser(out);
        for (size_t at = 0; at < lf.size(); at += size_t{1} << 20)
            normaliser.Feed(lf.data() + at, std::min(size_t{1} << 20, lf.size() - at));
        normaliser.Finish();
        f.NormaliseS = Since(start);
        start = TClock::now();
        const std::string ref = NormaliseByteByByte(lf);
        f.NormaliseRefS = Since(start);
        if (ref != out || out != text) std::printf("normaliser mismatch\n");
    }
    TTextBuffer buffer;
    auto start = TClock::now();
    buffer.Assign(std::move(text));
    f.AssignS = Since(start);
    f.OverheadPerLine = double(buffer.OverheadBytes()) / double(buffer.LineCount());
    f.HeapOverheadPerLine =
        (double(HeapBytes()) - double(heapBefore) - double(textBytes)) / double(buffer.LineCount());

    start = TClock::now();
    size_t sum = 0;
    for (size_t i = 0; i < buffer.LineCount(); ++i)
        sum += buffer.Line(i).size();
    f.LineNs = Since(start) * 1e9 / double(buffer.LineCount());
    if (sum + 2 * (buffer.LineCount() - 1) != buffer.Size()) std::printf("line sum mismatch\n");

    const size_t middle = buffer.LineCount() / 2;
    f.EditUs[0] = EditCost(
        buffer,
        [&] {
            const size_t last = buffer.LineCount() - 1;
            return TTextPos{last, buffer.Line(last).size()};
        },
        "1234:ABCD");
    f.EditUs[1] = EditCost(
        buffer,
        [&] {
            return TTextPos{middle, 3};
        },
        "x");
    f.EditUs[2] = EditCost(
        buffer,
        [&] {
            return TTextPos{0, 0};
        },
        "x");
    f.EditUs[3] = EditCost(
        buffer,
        [&] {
            return TTextPos{middle, 3};
        },
        "\r\n77:0000\r\n");

    start = TClock::now();
    const std::string whole = buffer.Text();
    f.TextS = Since(start);
    if (whole.size() != buffer.Size()) std::printf("text size mismatch\n");
    start = TClock::now();
    const auto pieces = buffer.Pieces();
    f.PiecesUs = Since(start) * 1e6;
    std::printf("%zu lines: %zu bytes of text, %zu blocks\n", buffer.LineCount(), buffer.Size(),
                pieces.size());
    return f;
}

} // namespace

int main()
{
    const TFigures a = Measure(1'000'000);
    const TFigures b = Measure(10'000'000);
    auto row = [](const char* what, double x, double y) {
        std::printf("%-40s %12.3f %12.3f %8.2fx\n", what, x, y, x > 0 ? y / x : 0.0);
    };
    std::printf("\n%-40s %12s %12s %9s\n", "", "1M lines", "10M lines", "10M/1M");
    row("normalise LF text, by runs (s)", a.NormaliseS, b.NormaliseS);
    row("normalise LF text, byte by byte (s)", a.NormaliseRefS, b.NormaliseRefS);
    row("Assign (s)", a.AssignS, b.AssignS);
    row("overhead bytes/line (buffer's count)", a.OverheadPerLine, b.OverheadPerLine);
    row("overhead bytes/line (heap growth)", a.HeapOverheadPerLine, b.HeapOverheadPerLine);
    row("Line(i) in order (ns/line)", a.LineNs, b.LineNs);
    row("edit at the end (us)", a.EditUs[0], b.EditUs[0]);
    row("edit in the middle (us)", a.EditUs[1], b.EditUs[1]);
    row("edit at the start (us)", a.EditUs[2], b.EditUs[2]);
    row("line breaks in the middle (us)", a.EditUs[3], b.EditUs[3]);
    row("Text() copy (s)", a.TextS, b.TextS);
    row("Pieces() (us)", a.PiecesUs, b.PiecesUs);
    std::printf("target: overhead at most 40 bytes/line; edits flat from 1M to 10M\n");
    return 0;
}
