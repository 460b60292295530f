// Importing other programs' files against opening the log they become, side by side in one
// run: logview-render --convert on a VCD of 10M changes and on a sigrok session of 100M
// samples (a change every tenth), then logview-render --png on the log each wrote. Whole
// processes both, runs alternating; the figure is the ratio.
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "BenchTable.h"

namespace {

void WriteVcdFile(const std::string& path, size_t changes)
{
    std::string text = "$timescale 1 ns $end\n$scope module bench $end\n"
                       "$var wire 8 ! data [7:0] $end\n$var wire 1 \" clk $end\n"
                       "$upscope $end\n$enddefinitions $end\n";
    text.reserve(changes * 24);
    char buf[48];
    for (size_t i = 0; i < changes; ++i) {
        const unsigned v = static_cast<unsigned>(i * 37 + 1) & 0xFFu;
        const int n = std::snprintf(buf, sizeof buf, "#%zu\nb%u%u%u%u%u%u%u%u !\n", 10 * i + i % 7,
                                    v >> 7 & 1, v >> 6 & 1, v >> 5 & 1, v >> 4 & 1, v >> 3 & 1,
                                    v >> 2 & 1, v >> 1 & 1, v & 1);
        text.append(buf, static_cast<size_t>(n));
    }
    WriteFileOrExit(path, text);
}

// Chunks of 4 MiB as the analyzer's tool writes them.
void WriteSession(const std::string& path, size_t samples)
{
    int error = 0;
    std::filesystem::remove(path);
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (zip == nullptr) std::exit(2);
    static const std::string version = "2";
    static const std::string metadata =
        "[global]\nsigrok version=0.5.2\n\n[device 1]\ncapturefile=logic-1\ntotal probes=8\n"
        "samplerate=100 MHz\nprobe1=D0\nprobe2=D1\nprobe3=D2\nprobe4=D3\nprobe5=D4\nprobe6=D5\n"
        "probe7=D6\nprobe8=D7\nunitsize=1\n";
    zip_file_add(zip, "version", zip_source_buffer(zip, version.data(), version.size(), 0), 0);
    zip_file_add(zip, "metadata", zip_source_buffer(zip, metadata.data(), metadata.size(), 0), 0);
    constexpr size_t Chunk = size_t{4} << 20;
    std::vector<std::string> chunks;
    chunks.reserve(samples / Chunk + 1);
    for (size_t at = 0; at < samples; at += Chunk) {
        std::string& data = chunks.emplace_back(std::min(Chunk, samples - at), '\0');
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>(((at + i) / 10 * 37 + 1) & 0xFF);
        const std::string name = "logic-1-" + std::to_string(chunks.size());
        zip_file_add(zip, name.c_str(), zip_source_buffer(zip, data.data(), data.size(), 0), 0);
    }
    if (zip_close(zip) != 0) std::exit(2);
}

} // namespace

int main()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string render = BuiltProgram("logview-render");
    const std::filesystem::path dir = ScratchFolder("bench_import");
    const std::string png = (dir / "out.png").string();
    const std::string log = (dir / "converted.log").string();
    struct TInput
    {
        const char* Name;
        const char* Row;
    } inputs[] = {
        {"changes.vcd", "Import a VCD of 10M changes (--convert) vs opening its log (--png)"},
        {"capture.sr",
         "Import a sigrok session of 100M samples (--convert) vs opening its log (--png)"}};
    WriteVcdFile((dir / inputs[0].Name).string(), 10'000'000);
    WriteSession((dir / inputs[1].Name).string(), 100'000'000);
    for (const TInput& input : inputs) {
        const std::string path = (dir / input.Name).string();
        std::vector<double> ours, open;
        for (int i = 0; i < 3; ++i) {
            ours.push_back(RunToFile({render, "--convert", log, path}, "/dev/null"));
            open.push_back(RunToFile({render, "--png", png, log}, "/dev/null"));
        }
        std::printf(
            "%s (%ju bytes; log %ju bytes): import %.3f %.3f %.3f s, open %.3f %.3f %.3f s\n",
            input.Name, static_cast<uintmax_t>(std::filesystem::file_size(path)),
            static_cast<uintmax_t>(std::filesystem::file_size(log)), ours[0], ours[1], ours[2],
            open[0], open[1], open[2]);
        PrintTableRow(input.Row, Median(ours), Median(open), 2, "s");
    }
    std::filesystem::remove_all(dir);
    return 0;
}
