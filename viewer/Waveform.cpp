#include "viewer/Waveform.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <memory>
#include <thread>
#include <vector>

#include "chart/ChartEngine.h"
#include "samples/SampleModel.h"
#include "toolkit/SysUtils.h"
#include "viewer/SampleLine.h"

const std::string DataErrorMessage =
    "\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 \xE4\xE0\xED\xED\xFB\xF5. \xC8\xF1\xEF\xF0\xE0\xE2\xFC\xF2\xE5.";

namespace {

// Points go in chunks: the columns then test their form once per chunk, not per point.
constexpr int kChunk = 2048;

// Samples 0 .. Stop-1 as the points of one series: (time, previous bit), (time, bit).
void FillOne(const TSampleModel& model, int stop, int bit, TSeriesBatch& batch)
{
    std::vector<double> xs(2 * kChunk);
    std::vector<double> ys(2 * kChunk);
    uint32_t previous = 0;
    for (int begin = 0; begin < stop; begin += kChunk) {
        const int end = std::min(stop, begin + kChunk);
        for (int line = begin; line < end; ++line) {
            const size_t k = 2 * static_cast<size_t>(line - begin);
            const double time = model.Time(line);
            const uint32_t word = model.Word(line);
            xs[k] = time;
            xs[k + 1] = time;
            ys[k] = (previous >> bit) & 1u;
            ys[k + 1] = (word >> bit) & 1u;
            previous = word;
        }
        batch.AddMany(xs.data(), ys.data(), 2 * static_cast<size_t>(end - begin));
    }
}

// Every series at once, each on its own: a long log fills the second one on another core.
// The first failure of any is raised once all have stopped; running out of memory may leave
// the series unequally far.
void FillSeries(const TSampleModel& model, int stop, const std::vector<int>& bits,
                std::vector<std::unique_ptr<TSeriesBatch>>& batches)
{
    constexpr int kWorthAThread = 200000;
    std::exception_ptr failure;
    std::thread helper;
    size_t first = 0;
    const bool direct = std::any_of(batches.begin(), batches.end(),
                                    [](const auto& batch) { return batch->Direct(); });
    if (batches.size() >= 2 && stop >= kWorthAThread && !direct) {
        // The series share nothing but the model, which is only read.
        helper = std::thread([&] {
            try {
                FillOne(model, stop, bits[0], *batches[0]);
            } catch (...) {
                failure = std::current_exception();
            }
        });
        first = 1;
    }
    std::exception_ptr own;
    try {
        for (size_t i = first; i < batches.size(); ++i)
            FillOne(model, stop, bits[i], *batches[i]);
    } catch (...) {
        own = std::current_exception();
    }
    if (helper.joinable()) helper.join();
    if (own) std::rethrow_exception(own);
    if (failure) std::rethrow_exception(failure);
}

} // namespace

TWaveformBuildResult BuildWaveforms(const TSampleModel& model, std::span<const TWaveTarget> targets,
                                    const TMessageSink& report)
{
    TWaveformBuildResult result;
    int lineIndex = -1;
    // Every failure counts alike, whatever raised it (a line, a field, chart storage,
    // memory): the user sees one message and keeps the points drawn so far.
    try {
        result.Bits.reserve(targets.size());
        bool everyBit = true;
        for (const TWaveTarget& target : targets) {
            result.Bits.push_back(BitOfText(target.BitText));
            everyBit = everyBit && result.Bits.back() >= 0;
        }
        for (const TWaveTarget& target : targets)
            target.Series->ClearPoints();
        // The point count is known: the columns take their room once. Only a hint, so a file
        // too large for it still builds as far as memory goes.
        const int count = model.LineCount();
        try {
            const long long points = 1 + 2LL * count;
            const int reserve = static_cast<int>(std::min<long long>(points, INT_MAX));
            for (const TWaveTarget& target : targets)
                target.Series->Reserve(reserve);
        } catch (const EOutOfMemory&) {
        }
        // Times that go backwards are placed once for the whole build, not point by point;
        // the batches end (points in order) when the build returns or fails.
        std::vector<std::unique_ptr<TSeriesBatch>> batches;
        batches.reserve(targets.size());
        for (const TWaveTarget& target : targets) {
            batches.push_back(std::make_unique<TSeriesBatch>(*target.Series));
            batches.back()->Add(0.0, 0);
        }

        // A field naming no bit stops the build at the first line, as a bad line would.
        const int firstBad = model.FirstBadLine();
        const int stop = !everyBit ? 0 : firstBad >= 0 ? firstBad : count;
        // Running out of room while filling is no line's fault.
        lineIndex = -1;
        FillSeries(model, stop, result.Bits, batches);
        lineIndex = stop;
        result.BuiltSamples = stop;
        if (stop == count) return result;
    } catch (...) {
    }
    result.Succeeded = false;
    result.FailedLine = lineIndex;
    if (report) report(DataErrorMessage);
    return result;
}
