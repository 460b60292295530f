// Opening a log to the picture against the floor of merely parsing it, side by side in one
// run: logview-render --png on 10M and 1M lines (whole processes, so that start-up, the load,
// the text view, the samples, both waveforms and the picture all count) against one core
// reading the same file and, per line, finding the colon and the end with memchr and
// converting both fields with strtol and strtoul. Runs alternate, ours then the floor.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "BenchTable.h"

namespace {

// The floor: the file read, every line's two fields found and converted.
double ParseFloor(const std::string& path, unsigned long& checksum)
{
    const auto start = TClock::now();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) std::exit(2);
    std::string text(std::filesystem::file_size(path), '\0');
    if (std::fread(text.data(), 1, text.size(), f) != text.size()) std::exit(2);
    std::fclose(f);
    const char* p = text.data();
    const char* end = p + text.size();
    checksum = 0;
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (eol == nullptr) eol = end;
        const char* colon = static_cast<const char*>(std::memchr(p, ':', size_t(eol - p)));
        if (colon != nullptr) {
            checksum += static_cast<unsigned long>(std::strtol(p, nullptr, 10));
            checksum += std::strtoul(colon + 1, nullptr, 16);
        }
        p = eol + 1;
    }
    return Since(start);
}

} // namespace

int main()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string render = BuiltProgram("logview-render");
    const std::filesystem::path dir = ScratchFolder("bench_open");
    const std::string png = (dir / "out.png").string();
    struct TSize
    {
        size_t Lines;
        const char* Row;
    } sizes[] = {
        {10'000'000, "Open 10M lines to the picture (logview-render --png) vs the parse floor"},
        {1'000'000, "Open 1M lines to the picture (logview-render --png) vs the parse floor"}};
    double load[3] = {};
    for (const TSize& size : sizes) {
        const std::string log = (dir / "open.log").string();
        WriteLog(log, size.Lines);
        std::vector<double> ours, floor;
        unsigned long checksum = 0;
        for (int i = 0; i < 3; ++i) {
            ours.push_back(RunToFile({render, "--png", png, log}, "/dev/null"));
            floor.push_back(ParseFloor(log, checksum));
        }
        std::printf("%zu lines: ours %.3f %.3f %.3f s, floor %.3f %.3f %.3f s (checksum %lu)\n",
                    size.Lines, ours[0], ours[1], ours[2], floor[0], floor[1], floor[2], checksum);
        PrintTableRow(size.Row, Median(ours), Median(floor), 2, "s");
    }
    std::filesystem::remove_all(dir);
    getloadavg(load, 3);
    std::printf("machine load %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    return 0;
}
