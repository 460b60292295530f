// Writes a seeded sample log of N lines with realistic activity: a 4-bit counter in bits
// 0-3, a sparse bit 5 that flips rarely, a noisy bit 7, and uneven gaps between times.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: logview-genlog LINES [SEED] > FILE.log\n");
        return 64;
    }
    const long lines = std::strtol(argv[1], nullptr, 10);
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> gap(1, 19);
    std::bernoulli_distribution sparseFlip(0.002);
    std::bernoulli_distribution noisy(0.5);
    std::string out;
    out.reserve(1 << 20);
    int64_t time = 0;
    uint32_t counter = 0;
    uint32_t sparse = 0;
    char line[48];
    for (long i = 0; i < lines; ++i) {
        time += gap(random);
        counter = (counter + 1) & 0xF;
        if (sparseFlip(random)) sparse ^= 1;
        const uint32_t word = counter | (sparse << 5) | (noisy(random) ? 0x80u : 0u) |
                              (static_cast<uint32_t>(i >> 8) & 0x0F00u);
        const int n = std::snprintf(line, sizeof line, "%lld:%x\n", static_cast<long long>(time),
                                    static_cast<unsigned>(word));
        out.append(line, static_cast<size_t>(n));
        if (out.size() >= (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
