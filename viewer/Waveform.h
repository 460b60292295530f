// The waveform build behind "Repaint": every sample of the model adds a vertical edge to a
// square wave per chosen bit, one series each, and a bad line stops the build with one
// message.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TChartSeries;
class TSampleModel;

// Where the build's single data-error message goes; the main window shows it in an
// information box, a tool may print it.
using TMessageSink = std::function<void(const std::string& message)>;

// "Ошибка в данных. Исправьте." ("Error in the data. Correct it.") in Windows-1251.
extern const std::string DataErrorMessage;

// A series and the bit-number field's text that chooses its bit.
struct TWaveTarget
{
    std::string_view BitText;
    TChartSeries* Series = nullptr;
};

struct TWaveformBuildResult
{
    bool Succeeded = true;
    // 0-based index of the line that stopped the build; -1 when it succeeded, or when the
    // failure came before the first line (emptying or starting a series).
    int FailedLine = -1;
    // Samples 0 .. BuiltSamples-1 are drawn (every line before the first bad one).
    int BuiltSamples = 0;
    // Per target, the bit drawn, or -1 for a field that names no bit.
    std::vector<int> Bits;
};

// Empties every target's series and fills it from Model: the point (0, 0), then per sample
// the previous and the new bit value at the sample's time. The first failure of any kind (a
// bad line, a field naming no bit, chart storage) stops the build, keeps the points added so
// far and reports DataErrorMessage once through Report (if set).
TWaveformBuildResult BuildWaveforms(const TSampleModel& model, std::span<const TWaveTarget> targets,
                                    const TMessageSink& report);
