// The waveform build behind "Repaint": every sample line of the text adds a vertical edge to
// two square waves, one per chosen bit, and a bad line stops the build with one message.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class TStrings;
class TChartSeries;

// Where the build's single data-error message goes; the main window shows it in an
// information box, a tool may print it.
using TMessageSink = std::function<void(const std::string& message)>;

// A sample line is read no further than this, however long the stored line is.
inline constexpr std::size_t MaxSampleLineLength = 4096;

// "Ошибка в данных. Исправьте." ("Error in the data. Correct it.") in Windows-1251.
extern const std::string DataErrorMessage;

struct TWaveformBuildResult
{
    bool Succeeded = true;
    // 0-based index of the line that stopped the build; -1 when it succeeded, or when the
    // failure came before the first line (emptying or starting a series).
    int FailedLine = -1;
    // The built lines' times never go backwards, so a time is found by bisecting them.
    bool TimesAscending = true;
};

// Empties both series and fills them from Lines: the point (0, 0), then per line the
// previous and the new bit value at the line's time. Lines are taken as the list holds them
// (one text line each, however a view wraps it). The first failure of any kind stops the build,
// keeps the points added so far and reports DataErrorMessage once through Report (if set).
TWaveformBuildResult BuildWaveforms(const TStrings& lines, std::string_view bitText1,
                                    std::string_view bitText2, TChartSeries& series1,
                                    TChartSeries& series2, const TMessageSink& report);
