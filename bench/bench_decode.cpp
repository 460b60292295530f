// Decoding a 10M-line UART log against exporting the same file as a dump, side by side in
// one run, whole processes: logview-render --decode ... FILE > /dev/null against
// logview-render --vcd OUT FILE. Both load the text and build the samples; the decoder
// should cost little beyond that. Runs alternate, ours then the peer.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
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
// 115200 baud with the log in nanoseconds.
constexpr double BitNs = 1e9 / 115200;
// 10M lines must fit the 32-bit time range, so the other bits change every 200 ns: about 43
// lines a bit.
constexpr int StepNs = 200;

// 8N1 frames of random bytes on bit 0 with idle gaps of 0 to 3 bits, a counter on bits 1
// to 7. Bytes gets the bytes of the frames started in the log; returns how many of them end
// in it (the last one's later bits are read from the level that holds after the log).
size_t WriteUartLog(const std::string& path, std::vector<unsigned>& bytes)
{
    std::mt19937 rng(20261208);
    std::string text;
    text.reserve(Lines * 16);
    double frameStart = 5 * BitNs;
    double frameBits = 10 + rng() % 4;
    unsigned byte = rng() & 0xFFu;
    bytes = {byte};
    char buf[40];
    for (size_t i = 0; i < Lines; ++i) {
        const double t = static_cast<double>(i) * StepNs;
        if (t >= frameStart + frameBits * BitNs) {
            frameStart += frameBits * BitNs;
            frameBits = 10 + rng() % 4;
            byte = rng() & 0xFFu;
            bytes.push_back(byte);
        }
        const double bit = std::floor((t - frameStart) / BitNs);
        const unsigned rx = bit < 0 ? 1 : bit == 0 ? 0 : bit <= 8 ? (byte >> int(bit - 1)) & 1 : 1;
        const int n = std::snprintf(buf, sizeof buf, "%zu:%X\n", i * StepNs,
                                    rx | static_cast<unsigned>((i & 0x7F) << 1));
        text.append(buf, static_cast<size_t>(n));
    }
    WriteFileOrExit(path, text);
    const double last = static_cast<double>(Lines - 1) * StepNs;
    return bytes.size() - (frameStart + 10 * BitNs > last ? 1 : 0);
}

} // namespace

int main()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string render = BuiltProgram("logview-render");
    const std::filesystem::path dir = ScratchFolder("bench_decode");
    const std::string log = (dir / "uart.log").string();
    const std::string vcd = (dir / "uart.vcd").string();
    const std::string listing = (dir / "items.txt").string();
    std::vector<unsigned> sent;
    const size_t whole = WriteUartLog(log, sent);
    const std::vector<std::string> decode = {render, "--decode", "uart:rx=0,baud=115200", log};
    const std::vector<std::string> dump = {render, "--vcd", vcd, log};

    // Once to a file, to see that the bench times a decoder that works.
    RunToFile(decode, listing);
    size_t items = 0;
    size_t same = 0;
    std::ifstream in(listing);
    for (std::string line; std::getline(in, line); ++items) {
        unsigned value = 0;
        const bool read =
            items < sent.size() && std::sscanf(line.c_str(), "1\t%*s\t%*s\tdata\t%X", &value) == 1;
        if (read && value == sent[items])
            ++same;
        else if (items < whole)
            std::printf("frame %zu differs: %s, sent %X\n", items, line.c_str(), sent[items]);
    }
    std::printf("%zu frames sent (%zu whole in the log), %zu items decoded, %zu the byte sent\n",
                sent.size(), whole, items, same);

    std::vector<double> ours, peer;
    for (int i = 0; i < 3; ++i) {
        ours.push_back(RunToFile(decode, "/dev/null"));
        peer.push_back(RunToFile(dump, "/dev/null"));
    }
    std::printf("decode %.3f %.3f %.3f s, dump %.3f %.3f %.3f s\n", ours[0], ours[1], ours[2],
                peer[0], peer[1], peer[2]);
    PrintTableRow("Decode UART in 10M lines (logview-render --decode) vs --vcd export",
                  Median(ours), Median(peer), 1.5, "s");
    std::filesystem::remove_all(dir);
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("machine load %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    return same >= whole && items == sent.size() ? 0 : 1;
}
