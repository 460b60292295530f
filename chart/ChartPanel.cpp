#include "chart/ChartPanel.h"

#include <algorithm>
#include <utility>

void TZoomPanningRecord::BeginDrag(int x, int y)
{
    X0 = X1 = x;
    Y0 = Y1 = y;
    Active = true;
}

void TZoomPanningRecord::NormalizeCorners()
{
    if (X0 > X1) std::swap(X0, X1);
    if (Y0 > Y1) std::swap(Y0, Y1);
}

TCustomChartPanel::TCustomChartPanel(TComponent* owner) : TCustomPanel(owner)
{
    SetBounds(Left(), Top(), 400, 250);
    FView3DOptions = std::make_unique<TView3DOptions>(this, ChangeHandler());
    FCanvas3D = std::make_unique<TChartCanvas3D>();
    FCanvas3D->SetReferenceCanvas(Canvas());
    FSavedCursor = Cursor();
    FReady = true;
}

TCustomChartPanel::~TCustomChartPanel()
{
    FReady = false;
}

TNotifyEvent TCustomChartPanel::ChangeHandler()
{
    return [this](TObject*) { RequestRepaint(); };
}

void TCustomChartPanel::SetChart3DPercent(int value)
{
    if (value < 1 || value > 100)
        throw ChartException(Format("3D effect percent must be between %d and %d", 1, 100));
    if (FChart3DPercent == value) return;
    FChart3DPercent = value;
    RequestRepaint();
}

void TCustomChartPanel::SetSeriesDepth3D(bool value)
{
    if (FSeriesDepth3D == value) return;
    FSeriesDepth3D = value;
    RequestRepaint();
}

int TCustomChartPanel::MarginPercent(int index) const
{
    switch (index) {
    case 0:
        return FMarginLeft;
    case 1:
        return FMarginTop;
    case 2:
        return FMarginRight;
    case 3:
        return FMarginBottom;
    default:
        throw EListError::IndexOutOfBounds(index);
    }
}

void TCustomChartPanel::SetMarginPercent(int index, int value)
{
    int* field = nullptr;
    switch (index) {
    case 0:
        field = &FMarginLeft;
        break;
    case 1:
        field = &FMarginTop;
        break;
    case 2:
        field = &FMarginRight;
        break;
    case 3:
        field = &FMarginBottom;
        break;
    default:
        throw EListError::IndexOutOfBounds(index);
    }
    if (*field == value) return;
    *field = value;
    RequestRepaint();
}

void TCustomChartPanel::SetView3D(bool value)
{
    if (FView3D == value) return;
    FView3D = value;
    RequestRepaint();
}

bool TCustomChartPanel::Monochrome() const
{
    return FCanvas3D->Monochrome();
}

void TCustomChartPanel::SetMonochrome(bool value)
{
    if (FCanvas3D->Monochrome() == value) return;
    FCanvas3D->SetMonochrome(value);
    RequestRepaint();
}

bool TCustomChartPanel::UseOffscreenImage() const
{
    return FCanvas3D->UseOffscreenImage();
}

void TCustomChartPanel::SetUseOffscreenImage(bool value)
{
    FCanvas3D->SetUseOffscreenImage(value);
}

void TCustomChartPanel::SetChartRect(const TRect& value)
{
    FChartRect = value;
    FChartWidth = FChartRect.Right - FChartRect.Left;
    FChartHeight = FChartRect.Bottom - FChartRect.Top;
    FChartXCenter = (FChartRect.Left + FChartRect.Right) / 2;
    FChartYCenter = (FChartRect.Top + FChartRect.Bottom) / 2;
}

void TCustomChartPanel::UpdateChartSize()
{
    TRect r = FChartRect;
    r.Left = std::max(r.Left, FPanelRect.Left);
    r.Top = std::max(r.Top, FPanelRect.Top);
    // A control of no size would leave the rectangle empty; at least one pixel is kept.
    if (r.Right < r.Left)
        r.Right = r.Left + 1;
    else if (r.Right == r.Left)
        r.Right = r.Left + std::max(1, Width());
    if (r.Bottom < r.Top)
        r.Bottom = r.Top + 1;
    else if (r.Bottom == r.Top)
        r.Bottom = r.Top + std::max(1, Height());
    SetChartRect(r);
}

void TCustomChartPanel::RequestRepaint()
{
    if (!FReady || IsDestroying()) return;
    Invalidate();
}

void TCustomChartPanel::RepaintNow()
{
    if (!FReady || IsDestroying()) return;
    FCanvas3D->MarkDirty();
    Repaint();
}

void TCustomChartPanel::Invalidate()
{
    // The toolkit invalidates a full-repaint panel on every move and resize: the cached
    // picture is then stale too.
    if (FCanvas3D) FCanvas3D->MarkDirty();
    TCustomPanel::Invalidate();
}

void TCustomChartPanel::EndLoading()
{
    TCustomPanel::EndLoading();
    FSavedCursor = Cursor();
}

void TCustomChartPanel::Resize()
{
    if (FCanvas3D) FCanvas3D->MarkDirty();
    TCustomPanel::Resize();
}

void TCustomChartPanel::Paint()
{
    if (FPrintMode) return;
    if (!FCanvas3D->RepaintFromCache()) RenderTo(Canvas(), ClientRect());
    PaintOverlay();
}

void TCustomChartPanel::RefreshOverlay()
{
    if (!FReady || IsDestroying()) return;
    // A pending paint draws the overlay as it is by then.
    if (FCanvas3D->IsDirty() || NeedsPaint()) {
        TCustomPanel::Invalidate();
        return;
    }
    // The not-xor zoom rectangle is on the window only; a copy of the cache would lose it.
    if (ZoomRecord().Active || !FCanvas3D->RepaintFromCache()) {
        RequestRepaint();
        return;
    }
    PaintOverlay();
}

bool TCustomChartPanel::EraseBackground()
{
    return true;
}

void TCustomChartPanel::RenderTo(TCanvas* target, const TRect& rect)
{
    ++FRenderCount;
    FPanelRect = FCanvas3D->BeginFrame(target, FView3DOptions.get(), rect, FView3D, Color());
    const int w = FPanelRect.Width();
    const int h = FPanelRect.Height();
    const int border = BorderWidth();
    FChartRect = TRect{FPanelRect.Left + border + MulDiv(FMarginLeft, w, 100),
                       FPanelRect.Top + border + MulDiv(FMarginTop, h, 100),
                       FPanelRect.Right - border - MulDiv(FMarginRight, w, 100),
                       FPanelRect.Bottom - border - MulDiv(FMarginBottom, h, 100)};
    UpdateChartSize();
    try {
        TRect panelRect = FPanelRect;
        RenderParts(panelRect);
    } catch (...) {
        // The picture stays marked stale; later drawing goes to the window again.
        FCanvas3D->SetReferenceCanvas(Canvas());
        FCanvas3D->MarkDirty();
        throw;
    }
    FCanvas3D->PresentFrame(target, Canvas(), rect);
}

void TCustomChartPanel::RenderParts(TRect& panelRect)
{
    (void)panelRect;
}

TCustomChartPanelExtended::TCustomChartPanelExtended(TComponent* owner) : TCustomChartPanel(owner)
{
}

void TCustomChartPanelExtended::SetAnimatedZoom(bool value)
{
    if (FAnimatedZoom == value) return;
    FAnimatedZoom = value;
    RequestRepaint();
}

void TCustomChartPanelExtended::SetAnimatedZoomSteps(int value)
{
    if (FAnimatedZoomSteps == value) return;
    FAnimatedZoomSteps = value;
    RequestRepaint();
}
