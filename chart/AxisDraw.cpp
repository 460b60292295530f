// The axis' labels, measuring and drawing: the label texts and the values the handlers give,
// the room labels and title take, and the title, labels, line, ticks and grid, painted from
// the numbers the label layout gives.
#include <algorithm>
#include <cmath>
#include <utility>

#include "chart/AxisLabels.h"
#include "chart/ChartEngine.h"
#include "toolkit/FormatFloat.h"

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

TTickLayout TCustomChartAxis::LayoutTicks(double step)
{
    TCustomAxisPanel* chart = ParentChart();
    // The texts are asked for even for labels the layout drops: label handlers see every label.
    std::vector<TTickLayout::TLabel> candidates;
    const auto candidate = [&](double value, std::string text) {
        candidates.push_back(TTickLayout::TLabel{ValueToPixel(value), std::move(text)});
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
                        candidate(value, LabelText(value));
                }
                break;
            }
            for (double value :
                 LabelValues(EffectiveMinimum, EffectiveMaximum, step, RoundFirstLabel()))
                candidate(value, LabelText(value));
            break;
        case talMark:
        case talText:
            for (const TChartSeries* series : chart->SeriesList()) {
                if (!series->Active() || !series->AssociatedToAxis(this)) continue;
                const bool alongX = series->XValuesHorizontal() == IsHorizontal;
                for (int i = 0; i < series->PointCount(); ++i) {
                    const double value = alongX ? series->PointX(i) : series->PointY(i);
                    if (value < EffectiveMinimum || value > EffectiveMaximum) continue;
                    candidate(value, series->PointLabel(i));
                }
            }
            break;
        default:
            break;
        }
    }
    TTickRules rules;
    rules.ShowLabels = Labels();
    rules.LabelsOnAxis = LabelsOnAxis();
    rules.TickOnLabelsOnly = TickOnLabelsOnly();
    rules.MinorCount = MinorTickCount();
    rules.ExtendMinorEnds = !Logarithmic();
    return AxisLabels::LayoutTicks(std::move(candidates), rules, StartPixel, EndPixel);
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
