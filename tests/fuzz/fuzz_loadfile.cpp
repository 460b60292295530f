// A file's bytes through the text view's load (line breaks, the stop at a NUL), its line
// list and the waveform build, the loaded text checked against a simple model.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "chart/ChartEngine.h"
#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/SysUtils.h"
#include "toolkit/TestSupport.h"
#include "viewer/TextSamples.h"
#include "viewer/Waveform.h"

namespace {

std::string gPath;

// Lone CR and lone LF become CR LF; the text ends at a NUL.
std::string Model(const std::string& bytes, int& cutLine)
{
    std::string out;
    cutLine = -1;
    int lines = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\0') {
            cutLine = lines;
            break;
        }
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            ++lines;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    InitTestApplication(*argc, *argv);
    gPath = "/tmp/fuzz_loadfile-" + std::to_string(getpid()) + ".log";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (std::FILE* f = std::fopen(gPath.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    TMemo memo;
    memo.Lines()->LoadFromFile(gPath);
    int cutLine = -1;
    FUZZ_CHECK(memo.Lines()->Text() == Model(bytes, cutLine));
    FUZZ_CHECK(memo.Lines()->CutLine() == cutLine);
    TChartSeries series1;
    TChartSeries series2;
    const std::string bits[] = {"0", "1", "7", "8", ""};
    const TSampleModel model{TStringsSampleLines(*memo.Lines())};
    const TWaveTarget targets[] = {{bits[size % 5], &series1}, {bits[(size / 5) % 5], &series2}};
    const TWaveformBuildResult result = BuildWaveforms(model, targets, nullptr);
    FUZZ_CHECK(result.Succeeded || result.FailedLine < memo.Lines()->Count());
    FUZZ_CHECK(series1.PointCount() == series2.PointCount() || !result.Succeeded);
    return 0;
}
