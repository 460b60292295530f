// Axis label steps, label values and tick geometry as functions of plain numbers,
// so that the step search and the tick layout can be checked without a chart. Implemented in
// AxisLabels.cpp.
#pragma once

#include <string>
#include <vector>

namespace AxisLabels {

// The smallest step; also the step of an axis without room for a label.
constexpr double MinLabelStep = 1E-12;
// An axis that would need this many labels at its step draws none.
constexpr int MaxLabelCount = 10000;
// Capacity of the tick list of one axis drawing.
constexpr int MaxTickCount = 2000;

// What an axis drawing paints for its labels and ticks, worked out before any of it is drawn.
struct TTickLayout
{
    struct TLabel
    {
        int Pixel = 0;
        std::string Text;
    };
    // The labels to write, in this order.
    std::vector<TLabel> Labels;
    // Major ticks and the grid lines on them, at most MaxTickCount.
    std::vector<int> Ticks;
    std::vector<int> MinorTicks;
};

// The next step of the sequence 1, 2, 5, 10, 20, 50, ... (and 0.5, 0.2, 0.1,
// ... below 1).
double NextStep(double step);

// How many labels fit along pixelLength when each takes labelSize pixels plus
// labelsSeparation percent of that.
int FittingLabelCount(int labelSize, int labelsSeparation, int pixelLength);

// The step search: from increment (when above 0) or from 1 (span of at least 1)
// or MinLabelStep, enlarged along the 1-2-5 sequence until span / step rounds
// to at most maxLabels; no search at all with labelsSeparation 0.
double StepForCount(int maxLabels, double span, double increment, int labelsSeparation);

// The label values from the highest down, at most MaxLabelCount of them; none
// when the range needs MaxLabelCount or more labels at step, when step is not
// above 0 or when maximum < minimum.
std::vector<double> LabelValues(double minimum, double maximum, double step, bool roundFirstLabel);

// Which labels and ticks an axis keeps of the labels it found.
struct TTickRules
{
    // Labels written at all; without them no tick stands for a label.
    bool ShowLabels = true;
    // Labels outside the axis' end pixels are kept too.
    bool LabelsOnAxis = true;
    // Ticks only where a label is written.
    bool TickOnLabelsOnly = true;
    int MinorCount = 0;
    // Continue the first interval's minor spacing beyond both ends (not on a logarithmic axis).
    bool ExtendMinorEnds = true;
};

// The layout of an axis drawing from its candidate labels (pixel and text, in label order)
// between startPixel and endPixel: the labels kept, their major ticks (at most MaxTickCount;
// later labels are still written) and the minor ticks between them.
TTickLayout LayoutTicks(std::vector<TTickLayout::TLabel> candidates, const TTickRules& rules,
                        int startPixel, int endPixel);

// Grid positions of a centred grid: midway between consecutive ticks.
std::vector<int> CenteredGridPositions(const std::vector<int>& ticks);

// Minor tick positions for ticks (in label order); the first interval's
// spacing is continued beyond both ends when extendEnds. Only positions
// strictly between startPixel and endPixel are returned.
std::vector<int> MinorTickPositions(const std::vector<int>& ticks, int minorCount, bool extendEnds,
                                    int startPixel, int endPixel);

// The lines of a label text: split at carriage returns, a trailing one
// starting no further line; an empty text has no lines.
std::vector<std::string> LabelLines(const std::string& text);

// Top of the first line of a label of lineCount lines of height lineHeight
// centred on pixel p of a vertical axis.
int CenteredLabelTop(int p, int lineHeight, int lineCount);

// A cross-axis coordinate x moved into the chart by percent of chartExtent
// (the chart rectangle's height for a horizontal axis, its width otherwise).
int OffsetByPositionPercent(int x, double percent, int chartExtent, bool horizontal, bool farSide);

} // namespace AxisLabels
