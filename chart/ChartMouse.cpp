// Mouse handling of the chart: hit tests of a press, the zoom rectangle, undo zoom, panning
// and the wheel, and the events they raise.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "chart/Chart.h"

namespace {

// Drags of this many pixels or fewer in either direction are taken for a slip of the hand.
constexpr int kMinimumZoomDrag = 16;
// A press and release this close together are a click rather than a drag.
constexpr int kClickSlop = 2;
// An axis also answers a press this far inside the chart rectangle from its line.
constexpr int kAxisInnerReach = 3;
// Share of its range the vertical axes move by per wheel notch.
constexpr double kWheelScrollPercent = 3;

// The band along the axis from its start to its end pixel and, across, from the labels to a
// few pixels beyond the axis line, inside the chart.
bool AxisClicked(const TCustomAxisPanel& chart, const TCustomChartAxis& axis, int x, int y)
{
    if (!chart.IsAxisShown(&axis)) return false;
    const int along = axis.IsHorizontal ? x : y;
    const int across = axis.IsHorizontal ? y : x;
    if (!axis.Mapping().Covers(along)) return false;
    // The bottom and right axes have the chart above and left of their line.
    const int inward = axis.IsHorizontal != axis.FarSide ? -1 : 1;
    const int beyond = axis.AxisLinePos + inward * kAxisInnerReach;
    return across >= std::min(axis.LabelsPos, beyond) && across <= std::max(axis.LabelsPos, beyond);
}

void SaveAxis(const TCustomChartAxis& axis, TAxisSnapshot& saved)
{
    saved.Automatic = axis.Automatic();
    saved.AutomaticMinimum = axis.AutomaticMinimum();
    saved.AutomaticMaximum = axis.AutomaticMaximum();
    saved.Minimum = axis.Minimum();
    saved.Maximum = axis.Maximum();
}

void RestoreAxis(TCustomChartAxis& axis, const TAxisSnapshot& saved)
{
    axis.SetAutomatic(saved.Automatic);
    axis.SetAutomaticMinimum(saved.AutomaticMinimum);
    axis.SetAutomaticMaximum(saved.AutomaticMaximum);
    if (!axis.Automatic()) axis.SetAxisRange(saved.Minimum, saved.Maximum);
}

// One frame of an animated zoom: a part of the way from the current range to the target.
void StepTowards(TCustomChartAxis& axis, double low, double high)
{
    const double min = axis.Minimum();
    const double max = axis.Maximum();
    axis.SetAxisRange(min + (low - min) / ZoomStepDivisor, max - (max - high) / ZoomStepDivisor);
}

} // namespace

bool TCustomChart::RaiseClick(const std::function<void()>& raise)
{
    // A handler that leaves the flag set has dealt with the press: no drag follows.
    SetClickHandled(true);
    raise();
    return ClickHandled();
}

void TCustomChart::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomAxisPanel::MouseDown(button, shift, x, y);
    if (ZoomRecord().Active || PanningRecord().Active) return;
    FContextPress.Armed = false;
    if (ClickHandled()) {
        SetClickHandled(false);
        return;
    }

    bool handled = false;
    bool dragReached = false;
    auto drag = [&] {
        dragReached = true;
        if (!handled) StartDrag(button, shift, x, y);
    };

    TChartSeries* series = nullptr;
    int valueIndex = -1;
    for (int i = SeriesCount() - 1; i >= 0 && series == nullptr; --i) {
        TChartSeries* s = Series(i);
        if (!s->Active()) continue;
        valueIndex = s->Clicked(x, y);
        if (valueIndex != -1) series = s;
    }
    TCustomChartAxis* axis = nullptr;
    if (series == nullptr) {
        for (TCustomChartAxis* a : AxesList())
            if (AxisClicked(*this, *a, x, y)) {
                axis = a;
                break;
            }
    }

    if (series != nullptr) {
        const TSeriesClick& own = (shift & ssDouble) != 0 ? series->OnDblClick : series->OnClick;
        if (own) handled = RaiseClick([&] { own(series, valueIndex, button, shift, x, y); });
        if (OnClickSeries)
            handled =
                RaiseClick([&] { OnClickSeries(this, series, valueIndex, button, shift, x, y); }) ||
                handled;
        drag();
    } else if (axis != nullptr) {
        if (OnClickAxis)
            handled = RaiseClick([&] { OnClickAxis(this, axis, button, shift, x, y); });
        drag();
    } else if ((Title()->Visible() && Title()->TextBlockRect.Contains(x, y)) ||
               (Foot()->Visible() && Foot()->TextBlockRect.Contains(x, y))) {
        // Titles take the press without a drag.
    } else if (CountActiveSeries() > 0 && ChartRect().Contains(x, y)) {
        if (OnClickBackground)
            handled = RaiseClick([&] { OnClickBackground(this, button, shift, x, y); });
        drag();
    }
    // The legend is never drawn by this engine, so it has no area to be pressed on.

    if (!handled && !dragReached && OnClickBackground)
        handled = RaiseClick([&] { OnClickBackground(this, button, shift, x, y); });
    SetClickHandled(false);
    // The menu waits for the release: only then is it known that no pan was meant.
    if (button == PanButton && !handled) FContextPress = {true, x, y};
}

void TCustomChart::StartDrag(TMouseButton button, TShiftState shift, int x, int y)
{
    if (AllowZoom() && button == ZoomButton && (shift & ZoomKeys) == ZoomKeys) {
        SetCursor(crDefault);
        ZoomRecord().BeginDrag(x, y);
        PaintZoomRectangle();
    }
    if (AllowPanning() != pmNone && button == PanButton && (shift & PanKeys) == PanKeys) {
        SetCursor(crDefault);
        PanningRecord().BeginDrag(x, y);
    }
}

void TCustomChart::MouseMove(TShiftState shift, int x, int y)
{
    TCustomAxisPanel::MouseMove(shift, x, y);
    // Any movement, even one back to the press point, is a pan gesture and no menu click.
    if (FContextPress.Armed && (x != FContextPress.X || y != FContextPress.Y))
        FContextPress.Armed = false;
    TZoomPanningRecord& zoom = ZoomRecord();
    if (zoom.Active) {
        if (x == zoom.X1 && y == zoom.Y1) return;
        // Not-xor: the second drawing at the old corners takes the old outline away.
        PaintZoomRectangle();
        zoom.X1 = x;
        zoom.Y1 = y;
        PaintZoomRectangle();
        return;
    }

    TZoomPanningRecord& pan = PanningRecord();
    if (pan.Active) {
        if (!ChartRect().Contains(x, y)) {
            pan.Active = false;
            return;
        }
        if (x == pan.X1 && y == pan.Y1) return;
        if (!FHasAxesSnapshot) TakeAxesSnapshot();
        const bool movedHorizontally = PanDirection(true, pan.X1, x);
        const bool movedVertically = PanDirection(false, pan.Y1, y);
        pan.X1 = x;
        pan.Y1 = y;
        if (movedHorizontally || movedVertically) {
            if (OnScroll) OnScroll(this);
            RequestRepaint();
        }
        return;
    }

    for (int i = 0; i < SeriesCount(); ++i) {
        const TChartSeries* s = Series(i);
        // The hit test is costly on long series; only a series with a cursor of its own asks.
        if (s->Active() && s->Cursor() != crDefault && s->Clicked(x, y) != -1) {
            SetCursor(s->Cursor());
            return;
        }
    }
    SetCursor(SavedCursor());
}

bool TCustomChart::PanDirection(bool horizontal, int previous, int next)
{
    if (next == previous) return false;
    const TPanningMode mode = horizontal ? pmHorizontal : pmVertical;
    if (AllowPanning() != mode && AllowPanning() != pmBoth) return false;
    const std::vector<TCustomChartAxis*>& axes = AxesList();
    for (size_t i = 0; i < axes.size(); ++i)
        if (!axes[i]->IsDepthAxis() && axes[i]->IsHorizontal == horizontal)
            PanAxis(axes[i], previous, next);
    return true;
}

void TCustomChart::PanAxis(TCustomChartAxis* axis, int previous, int next)
{
    // The mapping of the last drawing is linear, so the difference is the value span of the
    // pointer's movement, whatever the range has become since.
    const double delta = axis->PixelToValue(previous) - axis->PixelToValue(next);
    double newMinimum = axis->Minimum() + delta;
    double newMaximum = axis->Maximum() + delta;
    bool allow = true;
    if (OnAllowScroll) OnAllowScroll(axis, newMinimum, newMaximum, allow);
    if (allow) axis->SetAxisRange(newMinimum, newMaximum);
}

void TCustomChart::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TCustomAxisPanel::MouseUp(button, shift, x, y);
    // Any release ends a pan; a pan and a zoom drag are never both on.
    PanningRecord().Active = false;
    const bool contextClick =
        FContextPress.Armed && button == PanButton && x == FContextPress.X && y == FContextPress.Y;
    FContextPress.Armed = false;
    if (contextClick) {
        if (OnContextPopup) OnContextPopup(this, button, shift, x, y);
        return;
    }
    TZoomPanningRecord& zoom = ZoomRecord();
    if (!zoom.Active || button != ZoomButton) return;
    zoom.Active = false;
    PaintZoomRectangle();
    if (TPen* pen = Canvas3D()->Pen()) pen->SetMode(pmCopy);
    zoom.X1 = x;
    zoom.Y1 = y;
    if (std::abs(zoom.X1 - zoom.X0) <= kMinimumZoomDrag ||
        std::abs(zoom.Y1 - zoom.Y0) <= kMinimumZoomDrag) {
        // Raised once the rectangle is gone, so that its handler may change the overlay.
        if (std::abs(zoom.X1 - zoom.X0) <= kClickSlop &&
            std::abs(zoom.Y1 - zoom.Y0) <= kClickSlop && OnZoomButtonClick)
            OnZoomButtonClick(this, button, shift, x, y);
        return;
    }
    if (zoom.X1 > zoom.X0 && zoom.Y1 > zoom.Y0)
        ZoomToRectangle();
    else
        ResetZoom();
    RequestRepaint();
}

void TCustomChart::MouseLeave()
{
    TCustomAxisPanel::MouseLeave();
    SetCursor(SavedCursor());
    // A zoom drag goes on: its rectangle may leave the window.
    PanningRecord().Active = false;
    FContextPress.Armed = false;
}

bool TCustomChart::DoMouseWheelDown(TShiftState shift, TPoint mousePos)
{
    if (TCustomAxisPanel::DoMouseWheelDown(shift, mousePos)) return true;
    WheelStep(true);
    return true;
}

bool TCustomChart::DoMouseWheelUp(TShiftState shift, TPoint mousePos)
{
    if (TCustomAxisPanel::DoMouseWheelUp(shift, mousePos)) return true;
    WheelStep(false);
    return true;
}

void TCustomChart::WheelStep(bool down)
{
    const std::vector<TCustomChartAxis*>& axes = AxesList();
    for (size_t i = 0; i < axes.size(); ++i) {
        TCustomChartAxis* axis = axes[i];
        if (axis->IsHorizontal) continue;
        const double offset = (axis->Maximum() - axis->Minimum()) * kWheelScrollPercent * 0.01;
        axis->ScrollAxis(down ? offset : -offset, false);
    }
}

void TCustomChart::ZoomToRectangle()
{
    TZoomPanningRecord& zoom = ZoomRecord();
    zoom.NormalizeCorners();
    // Pixel rows grow downwards: the lower edge gives the low value of a vertical axis.
    ZoomToValues(TopAxis()->PixelToValue(zoom.X0), TopAxis()->PixelToValue(zoom.X1),
                 BottomAxis()->PixelToValue(zoom.X0), BottomAxis()->PixelToValue(zoom.X1),
                 LeftAxis()->PixelToValue(zoom.Y1), LeftAxis()->PixelToValue(zoom.Y0),
                 RightAxis()->PixelToValue(zoom.Y1), RightAxis()->PixelToValue(zoom.Y0));
}

void TCustomChart::ZoomToValues(double topLow, double topHigh, double bottomLow, double bottomHigh,
                                double leftLow, double leftHigh, double rightLow, double rightHigh)
{
    if (!FHasAxesSnapshot) TakeAxesSnapshot();
    if (AnimatedZoom()) {
        for (int i = 1; i < AnimatedZoomSteps(); ++i) {
            StepTowards(*LeftAxis(), leftLow, leftHigh);
            StepTowards(*RightAxis(), rightLow, rightHigh);
            StepTowards(*TopAxis(), topLow, topHigh);
            StepTowards(*BottomAxis(), bottomLow, bottomHigh);
            RepaintNow();
        }
    }
    LeftAxis()->SetAxisRange(leftLow, leftHigh);
    RightAxis()->SetAxisRange(rightLow, rightHigh);
    TopAxis()->SetAxisRange(topLow, topHigh);
    BottomAxis()->SetAxisRange(bottomLow, bottomHigh);
    SetZoomed(true);
    if (OnZoom) OnZoom(this);
}

void TCustomChart::TakeAxesSnapshot()
{
    SaveAxis(*TopAxis(), FAxesSnapshot.Top);
    SaveAxis(*BottomAxis(), FAxesSnapshot.Bottom);
    SaveAxis(*LeftAxis(), FAxesSnapshot.Left);
    SaveAxis(*RightAxis(), FAxesSnapshot.Right);
    FHasAxesSnapshot = true;
}

void TCustomChart::ResetZoom()
{
    if (FHasAxesSnapshot) {
        RestoreAxis(*TopAxis(), FAxesSnapshot.Top);
        RestoreAxis(*BottomAxis(), FAxesSnapshot.Bottom);
        RestoreAxis(*LeftAxis(), FAxesSnapshot.Left);
        RestoreAxis(*RightAxis(), FAxesSnapshot.Right);
    }
    FHasAxesSnapshot = false;
    if (OnUndoZoom) OnUndoZoom(this);
    RequestRepaint();
    SetZoomed(false);
}
