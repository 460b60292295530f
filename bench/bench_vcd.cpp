// Dump export of a 1M-line log: reading the lines and writing the dump, in order and with
// every tenth time going backwards (the stable sort's case). Prints the median of 5 runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "formats/VcdExport.h"
#include "samples/SampleModel.h"

namespace {

// The generated text's lines, split at CR LF once, so that the timing is the model's.
class TLogLines : public TSampleLines
{
public:
    explicit TLogLines(const std::string& text)
    {
        for (size_t start = 0; start < text.size();) {
            const size_t end = std::min(text.find("\r\n", start), text.size());
            FLines.emplace_back(text.data() + start, end - start);
            start = end + 2;
        }
    }
    int Count() const override { return static_cast<int>(FLines.size()); }
    std::string_view Line(int index) const override { return FLines[static_cast<size_t>(index)]; }

private:
    std::vector<std::string_view> FLines;
};

constexpr int kLines = 1000000;

std::string MakeLog(bool backwards)
{
    std::mt19937 rng(1234);
    std::string text;
    text.reserve(static_cast<size_t>(kLines) * 14);
    char line[48];
    for (int i = 0; i < kLines; ++i) {
        const int time = backwards && i % 10 == 9 ? i * 10 - 55 : i * 10;
        const int n = std::snprintf(line, sizeof line, "%d:%x\r\n", time,
                                    static_cast<unsigned>(rng() & 0xFFFFu));
        text.append(line, static_cast<size_t>(n));
    }
    return text;
}

double MedianMs(const std::string& log, size_t& dumpBytes)
{
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const TSampleModel model{TLogLines(log)};
        const std::string dump = WriteVcd(model, "1 ns");
        const auto end = std::chrono::steady_clock::now();
        dumpBytes = dump.size();
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    for (const bool backwards : {false, true}) {
        const std::string log = MakeLog(backwards);
        size_t bytes = 0;
        const double ms = MedianMs(log, bytes);
        std::printf("vcd export, %d lines%s: %.1f ms (%zu bytes of dump; target 1000 ms)\n", kLines,
                    backwards ? ", every tenth backwards" : "", ms, bytes);
        PrintTableRow(backwards ? "Dump export of 1M lines, every tenth time backwards"
                                : "Dump export of 1M lines",
                      ms, 0, 1000, "ms");
    }
    return 0;
}
