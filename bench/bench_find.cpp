// Each query kind of logview-render --find over a 10M-line log against exporting the same file
// as a dump, whole processes side by side in one run: logview-render --find QUERY FILE >
// /dev/null against logview-render --vcd OUT FILE. Both load the text and build the samples;
// a search should cost little beyond that. Runs alternate, ours then the peer.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "BenchTable.h"

namespace {

constexpr size_t Lines = 10'000'000;

struct TQueryCase
{
    const char* Kind;
    std::string Query;
    size_t Expected = 0;
};

// Rising times with repeats, bit 0 and bit 1 toggling at random, noise on bits 2 to 7. Counts
// what each query should find, the plain way, as the lines are written.
void WriteFindLog(const std::string& path, std::vector<TQueryCase>& cases)
{
    std::mt19937 rng(20261208);
    std::string text;
    text.reserve(Lines * 14);
    char buf[40];
    unsigned word = 0;
    long long time = 0;
    long long previousTime = 0;
    long long riseTime = -1;
    for (size_t i = 0; i < Lines; ++i) {
        const unsigned r = rng();
        time += r % 16 == 0 ? 0 : 5 + (r >> 4) % 20;
        unsigned next = (word & 3u) | (((r >> 12) & 0x3Fu) << 2);
        if ((r >> 20) % 4 == 0) next ^= 1u;
        if ((r >> 24) % 8 == 0) next ^= 2u;
        if (i > 0) {
            if ((next & 1u) && !(word & 1u)) riseTime = time;
            if (!(next & 1u) && (word & 1u) && riseTime >= 0) {
                cases[0].Expected += time - riseTime < 30;
                riseTime = -1;
            }
            cases[1].Expected += (next & 2u) && !(word & 2u);
            cases[3].Expected += time - previousTime > 20;
        }
        cases[2].Expected += (next & 0x15u) == 0x11u;
        word = next;
        previousTime = time;
        const int n = std::snprintf(buf, sizeof buf, "%lld:%X\n", time, word);
        text.append(buf, static_cast<size_t>(n));
    }
    WriteFileOrExit(path, text);
}

} // namespace

int main()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string render = BuiltProgram("logview-render");
    const std::filesystem::path dir = ScratchFolder("bench_find");
    const std::string log = (dir / "find.log").string();
    const std::string vcd = (dir / "find.vcd").string();
    const std::string listing = (dir / "matches.txt").string();
    std::vector<TQueryCase> cases = {{"pulse", "pulse:bit=0,level=high,shorter=30"},
                                     {"edge", "edge:bit=1,dir=rise"},
                                     {"word", "word:1x0x1"},
                                     {"gap", "gap:longer=20"}};
    WriteFindLog(log, cases);
    const std::vector<std::string> dump = {render, "--vcd", vcd, log};

    bool allFound = true;
    for (const TQueryCase& c : cases) {
        const std::vector<std::string> find = {render, "--find", c.Query, log};
        // Once to a file, to see that the bench times a search that works.
        RunToFile(find, listing);
        size_t found = 0;
        std::ifstream in(listing);
        for (std::string line; std::getline(in, line);)
            ++found;
        std::printf("%s: %zu matches listed, %zu counted while writing the log\n", c.Query.c_str(),
                    found, c.Expected);
        allFound = allFound && found == c.Expected;

        std::vector<double> ours, peer;
        for (int i = 0; i < 3; ++i) {
            ours.push_back(RunToFile(find, "/dev/null"));
            peer.push_back(RunToFile(dump, "/dev/null"));
        }
        std::printf("find %.3f %.3f %.3f s, dump %.3f %.3f %.3f s\n", ours[0], ours[1], ours[2],
                    peer[0], peer[1], peer[2]);
        const std::string what =
            std::string("Find ") + c.Kind + " in 10M lines (logview-render --find) vs --vcd export";
        PrintTableRow(what.c_str(), Median(ours), Median(peer), 1.5, "s");
    }
    std::filesystem::remove_all(dir);
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("machine load %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    return allFound ? 0 : 1;
}
