#include "viewer/Waveform.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "chart/ChartEngine.h"
#include "samples/SampleModel.h"
#include "toolkit/SysUtils.h"
#include "viewer/SampleLine.h"

const std::string DataErrorMessage =
    "\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 \xE4\xE0\xED\xED\xFB\xF5. \xC8\xF1\xEF\xF0\xE0\xE2\xFC\xF2\xE5.";

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
        double lastTime = -1e300;
        for (lineIndex = 0; lineIndex < stop; ++lineIndex) {
            // Lines before the first bad one are the samples of the same numbers.
            const double time = model.Time(lineIndex);
            if (time < lastTime) result.TimesAscending = false;
            lastTime = time;
            const uint32_t word = model.Word(lineIndex);
            const uint32_t previous = lineIndex == 0 ? 0 : model.Word(lineIndex - 1);
            for (size_t i = 0; i < batches.size(); ++i) {
                const int bit = result.Bits[i];
                batches[i]->Add(time, (previous >> bit) & 1u);
                batches[i]->Add(time, (word >> bit) & 1u);
            }
            result.BuiltSamples = lineIndex + 1;
        }
        if (stop == count) return result;
        // The stopping line's time was read before its word failed, so it counts for order.
        if (everyBit && model.FirstBadLineTimeRead() && model.FirstBadLineTime() < lastTime)
            result.TimesAscending = false;
    } catch (...) {
    }
    result.Succeeded = false;
    result.FailedLine = lineIndex;
    if (report) report(DataErrorMessage);
    return result;
}
