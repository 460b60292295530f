// Waveform build throughput against a bare parsing floor, and the series' memory per point.
#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "BenchTable.h"
#include "chart/Chart.h"
#include "chart/ChartEngine.h"
#include "chart/LineSeries.h"
#include "chart/ValueBuffer.h"
#include "toolkit/Classes.h"
#include "toolkit/Forms.h"
#include "viewer/SampleLine.h"
#include "viewer/TextSamples.h"
#include "viewer/Waveform.h"

namespace {

// Live heap bytes handed out through operator new, as the allocator sized them.
std::size_t g_liveBytes = 0;
std::size_t g_allocations = 0;

void* CountedAlloc(std::size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    g_liveBytes += malloc_usable_size(p);
    ++g_allocations;
    return p;
}

void CountedFree(void* p) noexcept
{
    if (!p) return;
    g_liveBytes -= malloc_usable_size(p);
    std::free(p);
}

} // namespace

void* operator new(std::size_t size)
{
    return CountedAlloc(size);
}
void* operator new[](std::size_t size)
{
    return CountedAlloc(size);
}
void operator delete(void* p) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p) noexcept
{
    CountedFree(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    CountedFree(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    CountedFree(p);
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr int LineCount = 1000000;
constexpr int Repetitions = 7;

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Resident bytes of the whole process, whatever allocated them.
std::size_t ResidentBytes()
{
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long size = 0;
    unsigned long resident = 0;
    const int read = std::fscanf(f, "%lu %lu", &size, &resident);
    std::fclose(f);
    return read == 2 ? resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) : 0;
}

// The least any build must do: find each colon and convert both fields with the C library.
long FloorPass(const TStrings& lines)
{
    long sum = 0;
    const int count = lines.Count();
    for (int i = 0; i < count; ++i) {
        const std::string_view line = lines.Line(i);
        const char* colon = static_cast<const char*>(std::memchr(line.data(), ':', line.size()));
        if (!colon) continue;
        // The stored lines end in NUL, so both conversions stop within the line.
        sum += std::strtol(line.data(), nullptr, 10);
        sum += static_cast<long>(std::strtoul(colon + 1, nullptr, 16) & 3);
    }
    return sum;
}

// The build's own share: the same conversions without any series, to tell parsing from storage.
long ParsePass(const TStrings& lines)
{
    long sum = 0;
    const int count = lines.Count();
    for (int i = 0; i < count; ++i) {
        const TSampleFields fields = SplitSampleLine(lines.Line(i));
        sum += TextToInt(fields.Time);
        const uint32_t word = HexStrToInt(fields.Value);
        sum += BitValue(word, 1) + BitValue(word, 2);
    }
    return sum;
}

// The build as "Repaint" after an edit runs it: the text read into samples, then the series.
TWaveformBuildResult BuildFromText(const TStrings& lines, TChartSeries& series1,
                                   TChartSeries& series2, const TMessageSink& sink)
{
    const TSampleModel model{TStringsSampleLines(lines)};
    const TWaveTarget targets[] = {{"0", &series1}, {"1", &series2}};
    return BuildWaveforms(model, targets, sink);
}

} // namespace

int main(int argc, char** argv)
{
    // The shown charts need a window system; without a display, the offscreen one.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize(argc, argv);

    std::vector<std::string> text;
    text.reserve(LineCount);
    char buffer[32];
    for (int i = 0; i < LineCount; ++i) {
        std::snprintf(buffer, sizeof buffer, "%d:%02X", 10 * i + (i % 7), i & 0xFF);
        text.emplace_back(buffer);
    }
    const TStringList lines(std::move(text));

    volatile long floorSink = 0;
    TChartSeries series1;
    TChartSeries series2;
    int messages = 0;
    const TMessageSink sink = [&](const std::string&) { ++messages; };
    double floorBest = 1e9;
    double parseBest = 1e9;
    double storeBest = 1e9;
    double buildBest = 1e9;
    double shownBest = 1e9;

    // As in the program: two charts on a shown form, each showing one series, so that every
    // point's repaint request reaches a visible widget.
    TForm form;
    form.SetBounds(0, 0, 900, 450);
    TChart* chart1 = new TChart(&form);
    chart1->SetParent(&form);
    chart1->SetHeight(225);
    chart1->SetAlign(alTop);
    TChart* chart2 = new TChart(&form);
    chart2->SetParent(&form);
    chart2->SetAlign(alClient);
    TLineSeries* shown1 = new TLineSeries(&form);
    TLineSeries* shown2 = new TLineSeries(&form);
    shown1->SetParentChart(chart1);
    shown2->SetParentChart(chart2);
    form.ShowForm();
    Application->ProcessMessages();
    // The four passes take turns in every round, so that all of them meet the same load of a
    // shared machine and the ratio compares like with like.
    for (int r = 0; r < Repetitions; ++r) {
        auto start = Clock::now();
        floorSink = floorSink + FloorPass(lines);
        floorBest = std::min(floorBest, Seconds(Clock::now() - start));

        start = Clock::now();
        floorSink = floorSink + ParsePass(lines);
        parseBest = std::min(parseBest, Seconds(Clock::now() - start));

        // The storage's share: the same four points per line with nothing parsed.
        start = Clock::now();
        const std::string noLabel;
        series1.ClearPoints();
        series2.ClearPoints();
        series1.AddPoint(0, 0, noLabel, clSeriesDefault);
        series2.AddPoint(0, 0, noLabel, clSeriesDefault);
        for (int i = 0; i < LineCount; ++i) {
            const double x = 10.0 * i;
            series1.AddPoint(x, i & 1, noLabel, clSeriesDefault);
            series1.AddPoint(x, (i + 1) & 1, noLabel, clSeriesDefault);
            series2.AddPoint(x, 0, noLabel, clSeriesDefault);
            series2.AddPoint(x, 1, noLabel, clSeriesDefault);
        }
        storeBest = std::min(storeBest, Seconds(Clock::now() - start));

        start = Clock::now();
        const TWaveformBuildResult result = BuildFromText(lines, series1, series2, sink);
        buildBest = std::min(buildBest, Seconds(Clock::now() - start));
        if (!result.Succeeded) {
            std::fprintf(stderr, "build failed at line %d\n", result.FailedLine);
            return 1;
        }

        start = Clock::now();
        const TWaveformBuildResult shown = BuildFromText(lines, *shown1, *shown2, sink);
        shownBest = std::min(shownBest, Seconds(Clock::now() - start));
        if (!shown.Succeeded) {
            std::fprintf(stderr, "build into shown charts failed at line %d\n", shown.FailedLine);
            return 1;
        }
        // The charts draw the new points, untimed, so the next round starts from painted charts.
        Application->ProcessMessages();
    }

    // Times that go backwards: restarted halfway, and descending throughout. Each takes one
    // stable placement at the end of the build instead of a scan and a move per point.
    double restartedSeconds = 0;
    double descendingSeconds = 0;
    {
        std::vector<std::string> restarted;
        std::vector<std::string> descending;
        restarted.reserve(LineCount);
        descending.reserve(LineCount);
        for (int i = 0; i < LineCount; ++i) {
            const int half = i < LineCount / 2 ? i : i - LineCount / 2;
            std::snprintf(buffer, sizeof buffer, "%d:%02X", 10 * half + (i % 7), i & 0xFF);
            restarted.emplace_back(buffer);
            std::snprintf(buffer, sizeof buffer, "%d:%02X", 10 * (LineCount - i), i & 0xFF);
            descending.emplace_back(buffer);
        }
        const TStringList restartedLines(std::move(restarted));
        const TStringList descendingLines(std::move(descending));
        for (auto [text, seconds] : {std::pair{&restartedLines, &restartedSeconds},
                                     std::pair{&descendingLines, &descendingSeconds}}) {
            auto start = Clock::now();
            const TWaveformBuildResult r = BuildFromText(*text, series1, series2, sink);
            *seconds = Seconds(Clock::now() - start);
            if (!r.Succeeded || series1.PointCount() != 2 * LineCount + 1) {
                std::fprintf(stderr, "backwards build failed\n");
                return 1;
            }
            for (int i = 1; i < series1.PointCount(); ++i)
                if (series1.PointX(i - 1) > series1.PointX(i)) {
                    std::fprintf(stderr, "backwards build left points out of order\n");
                    return 1;
                }
        }
    }

    // Memory: a fresh pair of series filled once, measured from empty. The value lists are heap
    // vectors, seen by operator new and malloc alike; the resident size of the process checks
    // the sum independently.
    double bytesPerPoint = 0;
    double mallinfoPerPoint = 0;
    double residentPerPoint = 0;
    double allocationsPerPoint = 0;
    long points = 0;
    {
        TChartSeries fresh1;
        TChartSeries fresh2;
        fresh1.ClearPoints();
        fresh2.ClearPoints();
        const std::size_t liveBefore = g_liveBytes;
        const std::size_t allocationsBefore = g_allocations;
        const struct mallinfo2 heapBefore = mallinfo2();
        const std::size_t residentBefore = ResidentBytes();
        BuildFromText(lines, fresh1, fresh2, sink);
        const std::size_t residentAfter = ResidentBytes();
        const struct mallinfo2 heapAfter = mallinfo2();
        points = fresh1.PointCount() + fresh2.PointCount();
        const double n = static_cast<double>(points);
        bytesPerPoint = static_cast<double>(g_liveBytes - liveBefore) / n;
        // Heap in use: small chunks plus the chunks malloc itself maps.
        const double heapDelta = static_cast<double>(heapAfter.uordblks + heapAfter.hblkhd) -
                                 static_cast<double>(heapBefore.uordblks + heapBefore.hblkhd);
        mallinfoPerPoint = heapDelta / n;
        residentPerPoint =
            (static_cast<double>(residentAfter) - static_cast<double>(residentBefore)) / n;
        allocationsPerPoint =
            static_cast<double>(g_allocations - allocationsBefore) / static_cast<double>(points);
    }

    const double ratio = buildBest / floorBest;
    std::printf("lines:                          %d\n", LineCount);
    std::printf("floor (memchr+strtol+strtoul):  %.1f ms (best of %d)\n", floorBest * 1e3,
                Repetitions);
    std::printf("parsing alone (no series):      %.1f ms (best of %d), ratio to floor %.2f\n",
                parseBest * 1e3, Repetitions, parseBest / floorBest);
    std::printf("series storage alone (4 AddPoint per line): %.1f ms (best of %d)\n",
                storeBest * 1e3, Repetitions);
    std::printf("build of both waveforms:        %.1f ms (best of %d), %.1f ns per line\n",
                buildBest * 1e3, Repetitions, buildBest * 1e9 / LineCount);
    std::printf("ratio build/floor:              %.2f (target <= 3.00) %s\n", ratio,
                ratio <= 3.0 ? "met" : "MISSED");
    std::printf("build into series shown in two charts on a shown form: %.1f ms (best of %d), "
                "ratio to floor %.2f\n",
                shownBest * 1e3, Repetitions, shownBest / floorBest);
    std::printf("build with times restarted halfway: %.1f ms (once), ratio to in-order build %.2f "
                "(target < 1000 ms) %s\n",
                restartedSeconds * 1e3, restartedSeconds / buildBest,
                restartedSeconds < 1.0 ? "met" : "MISSED");
    std::printf("build with descending times:    %.1f ms (once), ratio to in-order build %.2f "
                "(target < 1000 ms) %s\n",
                descendingSeconds * 1e3, descendingSeconds / buildBest,
                descendingSeconds < 1.0 ? "met" : "MISSED");
    PrintTableRow("Waveform build of 1M lines vs the parsing floor (memchr, strtol, strtoul)",
                  buildBest * 1e3, floorBest * 1e3, 3.0, "ms");
    PrintTableRow("Waveform build of 1M lines whose times restart halfway", restartedSeconds * 1e3,
                  0, 1000, "ms");
    PrintTableRow("Waveform build of 1M lines with descending times", descendingSeconds * 1e3, 0,
                  1000, "ms");
    std::printf("points in both series:          %ld\n", points);
    // X (32-bit integers) and Y (bits) cost 4.125 bytes a point; the build reserves its
    // columns, so beyond that each of the four columns holds room that does not grow with the
    // count.
    const double n = static_cast<double>(points);
    const double room = std::max(bytesPerPoint, mallinfoPerPoint) * n - 4.125 * n;
    constexpr std::size_t RoomStep = 64 * 1024;
    const double roomBound = 4.0 * static_cast<double>(RoomStep);
    std::printf("series bytes per point:         %.3f live (operator new, usable size), "
                "%.3f heap (mallinfo2)\n",
                bytesPerPoint, mallinfoPerPoint);
    std::printf("beyond 4.125 bytes per point:   %.1f KiB in all (bound: 4 columns x %zu KiB, "
                "whatever the count) %s\n",
                room / 1024, RoomStep / 1024, room < roomBound ? "met" : "MISSED");
    std::printf("resident growth per point:      %.3f (/proc/self/statm, whole process)\n",
                residentPerPoint);
    std::printf("allocations per point:          %.4f\n", allocationsPerPoint);
    std::printf("messages:                       %d\n", messages);
    return 0;
}
