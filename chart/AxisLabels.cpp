#include "chart/AxisLabels.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "chart/ChartEngine.h"
#include "toolkit/FormatFloat.h"

namespace AxisLabels {

int64_t RoundEven(long double value)
{
    return std::llrint(value);
}

double NextStep(double step)
{
    // Neither recursion below ends for these; the search stops on an infinite step.
    if (!(step > 0)) return MinLabelStep;
    if (std::isinf(step)) return step;
    if (step >= 10) return static_cast<double>(NextStep(static_cast<double>(step * 0.1L)) * 10.0L);
    if (step < 1) return static_cast<double>(NextStep(static_cast<double>(step * 10.0L)) * 0.1L);
    if (step < 2) return 2;
    if (step < 5) return 5;
    return 10;
}

int FittingLabelCount(int labelSize, int labelsSeparation, int pixelLength)
{
    if (labelSize <= 0) return 1;
    int64_t room = labelSize;
    if (labelsSeparation > 0) room += RoundEven(0.01L * labelsSeparation * labelSize);
    return static_cast<int>(RoundEven(static_cast<long double>(pixelLength) / room));
}

double StepForCount(int maxLabels, double span, double increment, int labelsSeparation)
{
    if (maxLabels < 1) return MinLabelStep;
    double step = increment > 0 ? increment : (std::fabs(span) >= 1 ? 1 : MinLabelStep);
    if (labelsSeparation > 0) {
        int64_t count = static_cast<int64_t>(maxLabels) + 1;
        do {
            const long double quotient = span / static_cast<long double>(step);
            const bool withinCount = std::fabs(quotient) < 2147483647.0L;
            if (withinCount) count = RoundEven(quotient);
            if (!withinCount || count > maxLabels) {
                const double next = NextStep(step);
                // A step that stops growing (overflow) ends the search.
                if (!(next > step) || std::isinf(next)) break;
                step = next;
            }
        } while (count > maxLabels);
    }
    return std::max(step, MinLabelStep);
}

std::vector<double> LabelValues(double minimum, double maximum, double step, bool roundFirstLabel)
{
    std::vector<double> values;
    if (!(step > 0) || !(maximum >= minimum) || !std::isfinite(minimum) ||
        !std::isfinite(maximum) || !std::isfinite(step))
        return values;
    const double span = maximum - minimum;
    if (std::fabs(span / static_cast<long double>(step)) >= MaxLabelCount) return values;
    // Stepping down from a single value by the smallest step would repeat it
    // (or, for large values, never move at all).
    if (minimum == maximum) {
        values.push_back(maximum);
        return values;
    }

    double value = maximum;
    if (roundFirstLabel) {
        const long double quotient = maximum / static_cast<long double>(step);
        const long double whole = std::fabs(quotient) < 9.2E18L
                                      ? static_cast<long double>(static_cast<int64_t>(quotient))
                                      : std::trunc(quotient);
        value = static_cast<double>(whole * step);
    }
    while (value > maximum) {
        const double next = value - step;
        if (!(next < value)) return values;
        value = next;
    }
    // The margin lets a label a hair below the minimum through rounding still
    // count; it is mirrored for a negative minimum, where dividing would pull
    // the limit above the minimum and drop a label standing exactly on it.
    const long double below = minimum - 1E-12L;
    const long double limit = minimum >= 0 ? below / 1.000000000001L : below * 1.000000000001L;
    while (value >= limit && static_cast<int>(values.size()) < MaxLabelCount) {
        values.push_back(value);
        const double next = value - step;
        if (!(next < value)) break;
        value = next;
    }
    return values;
}

std::vector<int> CenteredGridPositions(const std::vector<int>& ticks)
{
    std::vector<int> positions;
    for (size_t i = 1; i < ticks.size(); ++i)
        positions.push_back(static_cast<int>(
            RoundEven((static_cast<long double>(ticks[i]) + ticks[i - 1]) * 0.5L)));
    return positions;
}

std::vector<int> MinorTickPositions(const std::vector<int>& ticks, int minorCount, bool extendEnds,
                                    int startPixel, int endPixel)
{
    std::vector<int> positions;
    if (ticks.empty() || minorCount < 1) return positions;
    const auto add = [&](int64_t position) {
        if (startPixel < position && position < endPixel)
            positions.push_back(static_cast<int>(position));
    };
    const long double parts = static_cast<long double>(minorCount) + 1;
    if (ticks.size() > 1 && extendEnds) {
        const long double spacing = (static_cast<long double>(ticks[1]) - ticks[0]) / parts;
        for (int j = 1; j <= minorCount; ++j) {
            add(ticks.front() - RoundEven(spacing * j));
            add(ticks.back() + RoundEven(spacing * j));
        }
    }
    for (size_t i = 1; i < ticks.size(); ++i) {
        const long double interval = static_cast<long double>(ticks[i]) - ticks[i - 1];
        for (int j = 1; j <= minorCount; ++j)
            add(ticks[i] - RoundEven(j * interval / parts));
    }
    return positions;
}

std::vector<std::string> LabelLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\r', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

int CenteredLabelTop(int p, int lineHeight, int lineCount)
{
    return static_cast<int>(p - lineHeight / 2 -
                            RoundEven(static_cast<long double>(lineHeight) * (lineCount + 1) / 2) +
                            lineHeight);
}

int OffsetByPositionPercent(int x, double percent, int chartExtent, bool horizontal, bool farSide)
{
    if (percent == 0) return x;
    int64_t offset = RoundEven(percent * 0.01L * chartExtent);
    if (farSide) offset = -offset;
    return static_cast<int>(horizontal ? x - offset : x + offset);
}

} // namespace AxisLabels

namespace {

using namespace AxisLabels;

// A label hook supplies at most this many values plus one.
constexpr int MaxCustomLabelIndex = 2000;

// The side of the chart rectangle an axis sits on: +1 where pixels grow away
// from the chart (bottom, right), -1 where they grow into it (top, left).
int OutwardSign(const TCustomChartAxis& axis)
{
    return axis.IsHorizontal == axis.FarSide ? -1 : 1;
}

TChartCanvas3D* Surface(const TCustomChartAxis& axis)
{
    return axis.ParentChart()->Canvas3D();
}

void SelectFont(TChartCanvas3D* canvas, const TFont* font)
{
    if (canvas->Font() != nullptr) canvas->Font()->Assign(font);
}

// The labels' and title's depth: the chart's back for a far-side axis.
int AxisDepth(const TCustomChartAxis& axis)
{
    return axis.FarSide ? axis.ParentChart()->Width3D() : 0;
}

// Moves the edge of Rect on the axis' side into the rectangle by Amount and
// answers the new edge.
int ShrinkOnAxisSide(const TCustomChartAxis& axis, TRect& rect, int amount)
{
    if (axis.IsHorizontal) {
        if (axis.FarSide) return rect.Top += amount;
        return rect.Bottom -= amount;
    }
    if (axis.FarSide) return rect.Right -= amount;
    return rect.Left += amount;
}

int EdgeOnAxisSide(const TCustomChartAxis& axis, const TRect& rect)
{
    if (axis.IsHorizontal) return axis.FarSide ? rect.Top : rect.Bottom;
    return axis.FarSide ? rect.Right : rect.Left;
}

int PositionPercentOffset(const TCustomChartAxis& axis, int x)
{
    const TRect& chart = axis.ParentChart()->ChartRect();
    return OffsetByPositionPercent(x, axis.PositionPercent(),
                                   axis.IsHorizontal ? chart.Height() : chart.Width(),
                                   axis.IsHorizontal, axis.FarSide);
}

// Whether text at Angle runs across the axis, so that a line's height is its extent.
bool HeightIsExtent(bool horizontal, int angle)
{
    return horizontal ? (angle == 0 || angle == 180) : (angle == 90 || angle == 270);
}

// Switches the chart's label hook off for the lifetime of the guard.
class TLabelHookOff
{
public:
    explicit TLabelHookOff(TCustomAxisPanel* chart)
        : FChart(chart), FSaved(std::move(chart->OnGetAxisLabel))
    {
        FChart->OnGetAxisLabel = nullptr;
    }
    ~TLabelHookOff() { FChart->OnGetAxisLabel = std::move(FSaved); }
    TLabelHookOff(const TLabelHookOff&) = delete;
    TLabelHookOff& operator=(const TLabelHookOff&) = delete;

private:
    TCustomAxisPanel* FChart;
    TAxisOnGetLabel FSaved;
};

// The major tick positions of one drawing, in label order; full at MaxTickCount.
class TTickList
{
public:
    TTickList() { FPositions.reserve(MaxTickCount); }
    // Positions beyond the capacity are dropped: their labels are still written,
    // but they get no tick and no grid line.
    void Add(int position)
    {
        if (static_cast<int>(FPositions.size()) < MaxTickCount) FPositions.push_back(position);
    }
    const std::vector<int>& Positions() const { return FPositions; }

private:
    std::vector<int> FPositions;
};

// Writes Text with its reference at the label position Along the axis and
// Across it (LabelsPos or TitlePos), aligned by the axis' side.
void WriteAxisText(const TCustomChartAxis& axis, int along, int across, const std::string& text)
{
    const std::vector<std::string> lines = LabelLines(text);
    if (lines.empty()) return;
    TChartCanvas3D* canvas = Surface(axis);
    const int h = canvas->FontLineHeight();
    const int z = AxisDepth(axis);
    const int count = static_cast<int>(lines.size());
    if (axis.IsHorizontal) {
        if (axis.FarSide) {
            canvas->SetTextAlignment(TA_CENTER | TA_BOTTOM);
            for (int i = 0; i < count; ++i)
                canvas->WriteText3D(along, across - (count - 1 - i) * h, lines[i], z);
        } else {
            canvas->SetTextAlignment(TA_CENTER | TA_TOP);
            for (int i = 0; i < count; ++i)
                canvas->WriteText3D(along, across + i * h, lines[i], z);
        }
    } else {
        canvas->SetTextAlignment((axis.FarSide ? TA_LEFT : TA_RIGHT) | TA_TOP);
        const int top = CenteredLabelTop(along, h, count);
        for (int i = 0; i < count; ++i)
            canvas->WriteText3D(across, top + i * h, lines[i], z);
    }
    canvas->SetTextAlignment(TA_LEFT | TA_TOP);
}

// A tick of Length from one pixel off the axis line, outward (Outward) or into
// the chart.
void DrawTick(const TCustomChartAxis& axis, int p, int length, bool outward)
{
    TChartCanvas3D* canvas = Surface(axis);
    const int direction = outward ? OutwardSign(axis) : -OutwardSign(axis);
    const int start = axis.AxisLinePos + direction;
    const int end = start + direction * length;
    const int z = AxisDepth(axis);
    if (axis.IsHorizontal)
        canvas->DrawVertLine3D(p, start, end, z);
    else
        canvas->DrawHorizLine3D(start, end, p, z);
}

void DrawTicks(const TCustomChartAxis& axis, const std::vector<int>& positions,
               const TChartPen* pen, int length, bool outward)
{
    if (positions.empty() || !pen->Visible()) return;
    Surface(axis)->ApplyChartPen(pen);
    for (int p : positions)
        DrawTick(axis, p, length, outward);
}

// Grid lines across the chart rectangle; the dots of a dotted pen leave the
// wall visible between them.
void DrawGridLines(const TCustomChartAxis& axis, const std::vector<int>& positions,
                   const TChartPen* pen)
{
    if (positions.empty() || !pen->Visible()) return;
    TChartCanvas3D* canvas = Surface(axis);
    if (canvas->Brush() != nullptr) canvas->Brush()->SetStyle(bsClear);
    canvas->SetBackgroundMode(TRANSPARENT);
    if (pen->Color() == clSeriesDefault) {
        TChartPen grey;
        grey.Assign(pen);
        grey.SetColor(clGray);
        canvas->ApplyChartPen(&grey);
    } else {
        canvas->ApplyChartPen(pen);
    }
    const TRect& chart = axis.ParentChart()->ChartRect();
    for (int p : positions) {
        if (axis.IsHorizontal)
            canvas->DrawVertLine(p, chart.Top, chart.Bottom);
        else
            canvas->DrawHorizLine(chart.Left, chart.Right, p);
    }
    canvas->SetBackgroundMode(OPAQUE);
}

} // namespace

TAxisLabelStyle TCustomChartAxis::EffectiveLabelStyle() const
{
    if (LabelStyle() != talAuto) return LabelStyle();
    TAxisLabelStyle result = talNone;
    for (const TChartSeries* series : ParentChart()->SeriesList()) {
        if (!series->Active() || !series->AssociatedToAxis(this)) continue;
        if (series->XValuesHorizontal() == IsHorizontal && series->PointCount() > 0 &&
            !series->PointLabel(0).empty())
            return talText;
        result = talValue;
    }
    return result;
}

std::string TCustomChartAxis::LabelText(double value) const
{
    std::string text = FormatFloat(AxisValuesFormat(), value);
    TCustomAxisPanel* chart = ParentChart();
    if (chart->OnGetAxisLabel)
        chart->OnGetAxisLabel(const_cast<TCustomChartAxis*>(this), nullptr, -1, text);
    if (LabelsMultiLine()) std::replace(text.begin(), text.end(), ' ', '\r');
    return text;
}

double TCustomChartAxis::NextLabelStep(double step)
{
    return NextStep(step);
}

double TCustomChartAxis::StepForLabelCount(int maxLabels) const
{
    return StepForCount(maxLabels, EffectiveSpan, Increment(), LabelsSeparation());
}

double TCustomChartAxis::LabelStep() const
{
    TChartCanvas3D* canvas = Surface(*this);
    SelectFont(canvas, LabelsFont());
    const bool byHeight = HeightIsExtent(!IsHorizontal, LabelsAngle());
    const int h = byHeight ? canvas->FontLineHeight() : 0;
    const auto labelSize = [&](double value) {
        int lines = 0;
        const int width = ParentChart()->TextBlockWidth(LabelText(value), lines);
        return byHeight ? h * lines : width;
    };
    const int size = std::max(labelSize(EffectiveMaximum), labelSize(EffectiveMinimum));
    return StepForLabelCount(FittingLabelCount(size, LabelsSeparation(), PixelLength));
}

int TCustomChartAxis::TickAxisSize() const
{
    int size = (Axis()->Visible() ? Axis()->Width() : 0) + (Ticks()->Visible() ? TickLength() : 0);
    if (MinorTicks()->Visible()) size = std::max(size, MinorTickLength());
    return size;
}

int TCustomChartAxis::WidestLabelSize() const
{
    TCustomAxisPanel* chart = ParentChart();
    TChartCanvas3D* canvas = Surface(*this);
    switch (EffectiveLabelStyle()) {
    case talValue: {
        double low = EffectiveMinimum;
        double high = EffectiveMaximum;
        if (RoundFirstLabel() || (IsDateTimeScale && ExactDateTime())) {
            const double step = LabelStep();
            low = static_cast<double>(
                std::trunc(EffectiveMinimum / static_cast<long double>(step)) * step);
            high = static_cast<double>(
                std::trunc(EffectiveMaximum / static_cast<long double>(step)) * step);
        }
        SelectFont(canvas, LabelsFont());
        int lines = 0;
        int widest = 0;
        {
            const TLabelHookOff hookOff(chart);
            widest = std::max(chart->TextBlockWidth(LabelText(high), lines),
                              chart->TextBlockWidth(LabelText(low), lines));
        }
        return widest + canvas->MeasureTextWidth(" ");
    }
    case talMark:
    case talText: {
        SelectFont(canvas, LabelsFont());
        int widest = 0;
        int lines = 0;
        for (const TChartSeries* series : chart->SeriesList()) {
            if (!series->Active() || !series->AssociatedToAxis(this)) continue;
            for (int i = 0; i < series->PointCount(); ++i)
                widest = std::max(widest, chart->TextBlockWidth(series->PointLabel(i), lines));
        }
        return widest;
    }
    default:
        return 0;
    }
}

void TCustomChartAxis::ReserveAxisSpace(TRect& rect)
{
    IsDateTimeScale = ComputeIsDateTimeScale();
    TChartCanvas3D* canvas = Surface(*this);
    const auto titleExtent = [&] {
        if (TitleSize() != 0) return TitleSize();
        SelectFont(canvas, Title()->Font());
        if (HeightIsExtent(IsHorizontal, Title()->Angle())) return canvas->FontLineHeight();
        return canvas->MeasureTextWidth(Title()->Caption());
    };
    const auto labelsExtent = [&] {
        if (LabelsSize() != 0) return LabelsSize();
        SelectFont(canvas, LabelsFont());
        if (HeightIsExtent(IsHorizontal, LabelsAngle())) return canvas->FontLineHeight();
        return WidestLabelSize();
    };
    const bool hasTitle = !Title()->Caption().empty();

    if (hasTitle)
        TitlePos = PositionPercentOffset(*this, ShrinkOnAxisSide(*this, rect, titleExtent()));
    if (Labels())
        LabelsPos = PositionPercentOffset(*this, ShrinkOnAxisSide(*this, rect, labelsExtent()));
    // The wall offset of a 3D chart is not added: 3D layout is not supported.
    const int tickBand = TickAxisSize();
    if (tickBand > 0) ShrinkOnAxisSide(*this, rect, tickBand);
}

void TCustomChartAxis::DrawAxis(bool computeAxisLinePos)
{
    IsDateTimeScale = ComputeIsDateTimeScale();
    TCustomAxisPanel* chart = ParentChart();
    TChartCanvas3D* canvas = Surface(*this);
    SelectFont(canvas, LabelsFont());
    const double step = LabelStep();
    if (computeAxisLinePos)
        AxisLinePos = PositionPercentOffset(*this, EdgeOnAxisSide(*this, chart->ChartRect()));

    const auto clearBrush = [&] {
        if (canvas->Brush() == nullptr) return;
        canvas->Brush()->SetColor(chart->Color());
        canvas->Brush()->SetStyle(bsClear);
    };
    if (!Title()->Caption().empty()) {
        SelectFont(canvas, Title()->Font());
        clearBrush();
        const int angle = Title()->Angle();
        if (angle == 0) {
            WriteAxisText(*this, CenterPixel, TitlePos, Title()->Caption());
        } else {
            // Rotated text reads along its own baseline; its bottom edge faces
            // the labels, so the title stays inside the band reserved for it.
            canvas->SetTextAlignment(TA_CENTER | TA_BOTTOM);
            if (IsHorizontal)
                canvas->WriteRotatedText3D(CenterPixel, TitlePos, AxisDepth(*this), angle,
                                           Title()->Caption());
            else
                canvas->WriteRotatedText3D(TitlePos, CenterPixel, AxisDepth(*this), angle,
                                           Title()->Caption());
            canvas->SetTextAlignment(TA_LEFT | TA_TOP);
        }
        SelectFont(canvas, LabelsFont());
    }

    const TTickLayout layout = LayoutTicks(step);
    for (const TTickLayout::TLabel& label : layout.Labels) {
        clearBrush();
        WriteAxisText(*this, label.Pixel, LabelsPos, label.Text);
    }

    if (Axis()->Visible()) {
        canvas->ApplyChartPen(Axis());
        if (IsHorizontal)
            canvas->DrawHorizLine3D(StartPixel, EndPixel, AxisLinePos, AxisDepth(*this));
        else
            canvas->DrawVertLine3D(AxisLinePos, StartPixel, EndPixel, AxisDepth(*this));
    }
    const std::vector<int>& positions = layout.Ticks;
    DrawTicks(*this, positions, Ticks(), TickLength(), true);
    DrawGridLines(*this, GridCentered() ? CenteredGridPositions(positions) : positions, Grid());
    DrawTicks(*this, positions, TicksInner(), TickInnerLength(), false);
    DrawTicks(*this, layout.MinorTicks, MinorTicks(), MinorTickLength(), true);
    DrawGridLines(*this, layout.MinorTicks, MinorGrid());
}

TTickLayout TCustomChartAxis::LayoutTicks(double step)
{
    TCustomAxisPanel* chart = ParentChart();
    TTickLayout layout;
    TTickList ticks;
    // The texts are asked for even when hidden: label handlers see every label. With ticks on
    // labels only, an axis without labels has no ticks.
    const auto placeLabel = [&](int p, std::string text) {
        if (!LabelsOnAxis() && !(StartPixel < p && p < EndPixel)) return;
        if (Labels() || !TickOnLabelsOnly()) ticks.Add(p);
        if (Labels()) layout.Labels.push_back(TTickLayout::TLabel{p, std::move(text)});
    };
    if (step > 0 && EffectiveMaximum >= EffectiveMinimum) {
        switch (EffectiveLabelStyle()) {
        case talValue:
            if (chart->OnGetNextAxisLabel) {
                // The handler supplies the values; it clears Stop for each one it gives.
                for (int index = 0; index <= MaxCustomLabelIndex; ++index) {
                    double value = 0;
                    bool stop = true;
                    chart->OnGetNextAxisLabel(this, index, value, stop);
                    if (stop) break;
                    if (value >= EffectiveMinimum - 1E-7 && value <= EffectiveMaximum + 1E-7)
                        placeLabel(ValueToPixel(value), LabelText(value));
                }
                break;
            }
            for (double value :
                 LabelValues(EffectiveMinimum, EffectiveMaximum, step, RoundFirstLabel()))
                placeLabel(ValueToPixel(value), LabelText(value));
            break;
        case talMark:
        case talText:
            for (const TChartSeries* series : chart->SeriesList()) {
                if (!series->Active() || !series->AssociatedToAxis(this)) continue;
                const bool alongX = series->XValuesHorizontal() == IsHorizontal;
                for (int i = 0; i < series->PointCount(); ++i) {
                    const double value = alongX ? series->PointX(i) : series->PointY(i);
                    if (value < EffectiveMinimum || value > EffectiveMaximum) continue;
                    placeLabel(ValueToPixel(value), series->PointLabel(i));
                }
            }
            break;
        default:
            break;
        }
    }

    layout.Ticks = ticks.Positions();
    layout.MinorTicks =
        MinorTickPositions(layout.Ticks, MinorTickCount(), !Logarithmic(), StartPixel, EndPixel);
    return layout;
}
