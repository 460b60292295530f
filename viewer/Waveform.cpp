#include "viewer/Waveform.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "chart/ChartEngine.h"
#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"
#include "viewer/SampleLine.h"

const std::string DataErrorMessage =
    "\xCE\xF8\xE8\xE1\xEA\xE0 \xE2 \xE4\xE0\xED\xED\xFB\xF5. \xC8\xF1\xEF\xF0\xE0\xE2\xFC\xF2\xE5.";

TWaveformBuildResult BuildWaveforms(const TStrings& lines, std::string_view bitText1,
                                    std::string_view bitText2, TChartSeries& series1,
                                    TChartSeries& series2, const TMessageSink& report)
{
    TWaveformBuildResult result;
    int lineIndex = -1;
    // Every failure counts alike, whatever raised it (conversion, chart storage, memory):
    // the user sees one message and keeps the points drawn so far.
    try {
        const uint8_t mask1 = BitMaskOf(bitText1);
        const uint8_t mask2 = BitMaskOf(bitText2);
        uint8_t prev1 = 0;
        uint8_t prev2 = 0;
        double lastTime = -1e300;

        series1.ClearPoints();
        series2.ClearPoints();
        // The point count is known: the columns take their room once. Only a hint, so a file
        // too large for it still builds as far as memory goes.
        const int count = lines.Count();
        const long long points = 1 + 2LL * count;
        try {
            const int reserve = static_cast<int>(std::min<long long>(points, INT_MAX));
            series1.Reserve(reserve);
            series2.Reserve(reserve);
        } catch (const EOutOfMemory&) {
        }
        // Times that go backwards are placed once for the whole build, not point by point;
        // the batches end (points in order) when the build returns or fails.
        TSeriesBatch batch1(series1);
        TSeriesBatch batch2(series2);
        batch1.Add(0.0, prev1);
        batch2.Add(0.0, prev2);

        for (lineIndex = 0; lineIndex < count; ++lineIndex) {
            const std::string_view line = lines.Line(lineIndex).substr(0, MaxSampleLineLength);
            const TSampleFields fields = SplitSampleLine(line);
            const double time = TextToInt(fields.Time);
            if (time < lastTime) result.TimesAscending = false;
            lastTime = time;
            // The conversion is pure, so one word serves both bits.
            const uint32_t word = HexStrToInt(fields.Value);
            const uint8_t bit1 = BitValue(word, mask1);
            const uint8_t bit2 = BitValue(word, mask2);

            batch1.Add(time, prev1);
            batch1.Add(time, bit1);
            batch2.Add(time, prev2);
            batch2.Add(time, bit2);
            prev1 = bit1;
            prev2 = bit2;
        }
        return result;
    } catch (...) {
        result.Succeeded = false;
        result.FailedLine = lineIndex;
    }
    if (report) report(DataErrorMessage);
    return result;
}
