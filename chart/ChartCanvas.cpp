#include "chart/ChartCanvas.h"

#include <algorithm>
#include <cmath>

#include "chart/StoreChanged.h"

TChartPen::TChartPen(TNotifyEvent onChange)
{
    OnChange = std::move(onChange);
}

void TChartPen::SetSmallDots(bool value)
{
    if (value == FSmallDots) return;
    FSmallDots = value;
    Changed();
}

void TChartPen::SetVisible(bool value)
{
    if (value == FVisible) return;
    FVisible = value;
    Changed();
}

void TChartPen::Assign(const TPersistent* source)
{
    const auto* pen = dynamic_cast<const TChartPen*>(source);
    if (pen == this) return;
    bool ownChanged = false;
    if (pen != nullptr) {
        ownChanged = FVisible != pen->FVisible || FSmallDots != pen->FSmallDots;
        FVisible = pen->FVisible;
        FSmallDots = pen->FSmallDots;
    }
    const auto* plain = dynamic_cast<const TPen*>(source);
    const bool penSame = plain != nullptr && Color() == plain->Color() && Mode() == plain->Mode() &&
                         Style() == plain->Style() && Width() == plain->Width() &&
                         IsAlternate() == plain->IsAlternate();
    TPen::Assign(source);
    // The pen part notifies by itself when it changed; one notification either way.
    if (ownChanged && penSame) Changed();
}

TChartHiddenPen::TChartHiddenPen(TNotifyEvent onChange) : TChartPen(nullptr)
{
    SetVisible(false);
    OnChange = std::move(onChange);
}

TDottedGrayPen::TDottedGrayPen(TNotifyEvent onChange) : TChartPen(nullptr)
{
    SetColor(clGray);
    SetStyle(psDot);
    OnChange = std::move(onChange);
}

TDarkGrayPen::TDarkGrayPen(TNotifyEvent onChange) : TChartPen(nullptr)
{
    SetColor(clGray);
    OnChange = std::move(onChange);
}

TChartAxisPen::TChartAxisPen(TNotifyEvent onChange) : TChartPen(nullptr)
{
    SetWidth(2);
    OnChange = std::move(onChange);
}

TChartArrowPen::TChartArrowPen(TNotifyEvent onChange) : TChartPen(nullptr)
{
    SetColor(clWhite);
    OnChange = std::move(onChange);
}

TChartBrush::TChartBrush(TNotifyEvent onChange)
{
    SetColor(clSeriesDefault);
    OnChange = std::move(onChange);
}

TView3DOptions::TView3DOptions(TObject* parentChart, TNotifyEvent onRepaint)
    : OnRepaint(std::move(onRepaint)), FParentChart(parentChart)
{
}

void TView3DOptions::Repaint()
{
    if (OnRepaint) OnRepaint(this);
}

namespace {

} // namespace

void TView3DOptions::SetElevation(int value)
{
    if (StoreChanged(FElevation, value)) Repaint();
}

void TView3DOptions::SetHorizOffset(int value)
{
    if (!StoreChanged(FHorizOffset, value)) return;
    Repaint();
    if (OnScrolled) OnScrolled(true);
}

void TView3DOptions::SetOrthogonal(bool value)
{
    if (StoreChanged(FOrthogonal, value)) Repaint();
}

void TView3DOptions::SetPerspective(int value)
{
    if (StoreChanged(FPerspective, value)) Repaint();
}

void TView3DOptions::SetRotation(int value)
{
    if (StoreChanged(FRotation, value)) Repaint();
}

void TView3DOptions::SetTilt(int value)
{
    if (StoreChanged(FTilt, value)) Repaint();
}

void TView3DOptions::SetVertOffset(int value)
{
    if (!StoreChanged(FVertOffset, value)) return;
    Repaint();
    if (OnScrolled) OnScrolled(false);
}

void TView3DOptions::SetZoom(int value)
{
    if (value == FZoom) return;
    if (OnZoomChanging) OnZoomChanging(value);
    FZoom = value;
    Repaint();
}

void TView3DOptions::SetZoomText(bool value)
{
    if (StoreChanged(FZoomText, value)) Repaint();
}

void TView3DOptions::Assign(const TPersistent* source)
{
    const auto* options = dynamic_cast<const TView3DOptions*>(source);
    if (options == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    bool changed = false;
    changed |= StoreChanged(FElevation, options->FElevation);
    changed |= StoreChanged(FHorizOffset, options->FHorizOffset);
    changed |= StoreChanged(FOrthogonal, options->FOrthogonal);
    changed |= StoreChanged(FPerspective, options->FPerspective);
    changed |= StoreChanged(FRotation, options->FRotation);
    changed |= StoreChanged(FTilt, options->FTilt);
    changed |= StoreChanged(FVertOffset, options->FVertOffset);
    changed |= StoreChanged(FZoom, options->FZoom);
    changed |= StoreChanged(FZoomText, options->FZoomText);
    if (changed) Repaint();
}

void TChartCanvas3D::AssignSettings(const TChartCanvas3D* source)
{
    if (source != nullptr) SetMonochrome(source->Monochrome());
}

TChartCanvas3D::TChartCanvas3D() = default;

TChartCanvas3D::~TChartCanvas3D() = default;

void TChartCanvas3D::FreeImage()
{
    // The image's canvas may be the reference canvas: never leave it dangling.
    if (FImage != nullptr && FCanvas == FImage->Canvas()) FCanvas = nullptr;
    FImage.reset();
}

TColor TChartCanvas3D::BackgroundColor() const
{
    return FCanvas != nullptr ? FCanvas->BkColor() : clWhite;
}

int TChartCanvas3D::BackgroundMode() const
{
    return FCanvas != nullptr ? FCanvas->BkMode() : OPAQUE;
}

unsigned TChartCanvas3D::TextAlignment() const
{
    return FCanvas != nullptr ? FCanvas->TextAlign() : TA_LEFT | TA_TOP;
}

void TChartCanvas3D::SetBackgroundColor(TColor color)
{
    if (FCanvas != nullptr) FCanvas->SetBkColor(color);
}

void TChartCanvas3D::SetBackgroundMode(int mode)
{
    if (FCanvas != nullptr) FCanvas->SetBkMode(mode);
}

void TChartCanvas3D::SetMonochrome(bool value)
{
    if (value == FMonochrome) return;
    FMonochrome = value;
    FreeImage();
    FDirty = true;
    if (FView3DOptions != nullptr) FView3DOptions->Repaint();
}

void TChartCanvas3D::SetPixel(int x, int y, TColor color)
{
    if (FCanvas != nullptr) FCanvas->SetPixel(x, y, color);
}

void TChartCanvas3D::SetTextAlignment(unsigned flags)
{
    if (FCanvas != nullptr) FCanvas->SetTextAlign(flags);
}

void TChartCanvas3D::SetUseOffscreenImage(bool value)
{
    FUseOffscreenImage = value;
    if (!value && FImage != nullptr) {
        FreeImage();
        FDirty = true;
    }
}

void TChartCanvas3D::Draw(int x, int y, const TBitmap* bitmap)
{
    if (FCanvas != nullptr) FCanvas->Draw(x, y, bitmap);
}

void TChartCanvas3D::StretchDraw(const TRect& rect, const TBitmap* bitmap)
{
    if (FCanvas != nullptr) FCanvas->StretchDraw(rect, bitmap);
}

void TChartCanvas3D::FillRectangle(const TRect& rect)
{
    if (FCanvas != nullptr) FCanvas->FillRect(rect);
}

void TChartCanvas3D::Frame3D(TRect& rect, TColor topColor, TColor bottomColor, int width)
{
    if (FCanvas != nullptr) FCanvas->Frame3D(rect, topColor, bottomColor, width);
}

void TChartCanvas3D::DrawLineTo(int x, int y)
{
    if (FCanvas != nullptr) FCanvas->LineTo(x, y);
}

void TChartCanvas3D::MovePenTo(int x, int y)
{
    if (FCanvas != nullptr) FCanvas->MoveTo(x, y);
}

void TChartCanvas3D::DrawRect(int left, int top, int right, int bottom)
{
    if (FCanvas != nullptr) FCanvas->Rectangle(left, top, right, bottom);
}

void TChartCanvas3D::DrawRect(const TRect& rect)
{
    DrawRect(rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TChartCanvas3D::WriteText(int x, int y, const std::string& text)
{
    if (FCanvas != nullptr) FCanvas->TextOut(x, y, text);
}

int TChartCanvas3D::MeasureTextWidth(const std::string& text)
{
    return FCanvas != nullptr ? FCanvas->TextWidth(text) : 0;
}

int TChartCanvas3D::MeasureTextHeight(const std::string& text)
{
    return FCanvas != nullptr ? FCanvas->TextHeight(text) : 0;
}

void TChartCanvas3D::ClipToRect(const TRect& rect)
{
    // Drawing and device coordinates coincide: the surface sets no window origin or scale.
    if (FCanvas != nullptr) FCanvas->SetClipRect(rect);
}

void TChartCanvas3D::DrawHorizLine(int x0, int x1, int y)
{
    MovePenTo(x0, y);
    DrawLineTo(x1, y);
}

void TChartCanvas3D::DrawVertLine(int x, int y0, int y1)
{
    MovePenTo(x, y0);
    DrawLineTo(x, y1);
}

void TChartCanvas3D::DrawLine(int x0, int y0, int x1, int y1)
{
    MovePenTo(x0, y0);
    DrawLineTo(x1, y1);
}

int TChartCanvas3D::ZoomedFontSize(int size) const
{
    if (!FZoomText || FZoomFactor == 1.0) return size;
    return std::max(1, static_cast<int>(std::lround(size * FZoomFactor)));
}

void TChartCanvas3D::WriteRotatedText(int x, int y, double angle, const std::string& text)
{
    if (FCanvas == nullptr) return;
    FCanvas->Brush()->SetStyle(bsClear);
    if (angle > 360) angle -= 360;
    TFont* font = FCanvas->Font();
    const int size = font->Size();
    const int zoomed = ZoomedFontSize(size);
    if (zoomed == size) {
        FCanvas->TextOutRotated(x, y, angle, text);
        return;
    }
    // A temporary font: the current one stays as it was, without change events.
    const int height = font->Height();
    TNotifyEvent onChange = std::move(font->OnChange);
    font->OnChange = nullptr;
    font->SetSize(zoomed);
    FCanvas->TextOutRotated(x, y, angle, text);
    font->SetHeight(height);
    font->OnChange = std::move(onChange);
}

void TChartCanvas3D::RemoveClip()
{
    if (FCanvas != nullptr) FCanvas->RemoveClip();
}

TPoint TChartCanvas3D::UnprojectPoint(int x, int y, int /*z*/) const
{
    // The 3D projection is not provided: every view draws flat.
    return TPoint{x, y};
}

TPoint TChartCanvas3D::ProjectPoint(int x, int y, int /*z*/) const
{
    // Flat in 2D; the 3D projection is not provided, so 3D views draw flat as well.
    return TPoint{x, y};
}

TRect TChartCanvas3D::BeginFrame(TCanvas* target, TView3DOptions* options, const TRect& rect,
                                 bool view3D, TColor /*panelColor*/)
{
    FBounds = rect;
    FView3DOptions = options;
    FIs3D = view3D;
    FIsOrthogonal = false;
    FZoomFactor = 1.0;
    if (FIs3D && FView3DOptions != nullptr) {
        FIsOrthogonal = FView3DOptions->Orthogonal();
        FZoomFactor = FView3DOptions->Zoom() * 0.01;
        FZoomText = FView3DOptions->ZoomText();
    }
    if (!FUseOffscreenImage) {
        SetReferenceCanvas(target);
        return rect;
    }
    const int w = rect.Width();
    const int h = rect.Height();
    // The frame is drawn at the target's density, so that it lands there pixel for pixel.
    const int ratio = target != nullptr ? target->PixelRatio() : 1;
    if (FImage != nullptr &&
        (FImage->Width() != w || FImage->Height() != h || FImage->PixelRatio() != ratio))
        FreeImage();
    if (FImage == nullptr) {
        FImage = std::make_unique<TBitmap>();
        if (FMonochrome) FImage->SetMonochrome(true);
        FImage->SetPixelRatio(ratio);
        FImage->SetWidth(w);
        FImage->SetHeight(h);
    }
    FImage->Canvas()->OnChange = nullptr;
    FImage->Canvas()->OnChanging = nullptr;
    SetReferenceCanvas(FImage->Canvas());
    return TRect{0, 0, w, h};
}

void TChartCanvas3D::SetProjection(int depth, const TRect& /*panelRect*/, const TRect& chartRect)
{
    FXCenter = (chartRect.Left + chartRect.Right) / 2;
    FYCenter = (chartRect.Top + chartRect.Bottom) / 2;
    FZCenter = depth / 2;
    FXCenterOffset = FXCenter;
    FYCenterOffset = FYCenter;
    if (FView3DOptions != nullptr) {
        FXCenterOffset += FView3DOptions->HorizOffset();
        FYCenterOffset += FView3DOptions->VertOffset();
        if (FView3DOptions->Perspective() > 0)
            FPerspectiveFactor = FView3DOptions->Perspective() / 35000.0;
    }
}

void TChartCanvas3D::CopyImageTo(TCanvas* target, int x, int y)
{
    if (target != nullptr && FImage != nullptr) target->Draw(x, y, FImage.get());
}

void TChartCanvas3D::PresentFrame(TCanvas* target, TCanvas* ownCanvas, const TRect& rect)
{
    if (FUseOffscreenImage && FImage != nullptr) {
        CopyImageTo(target, rect.Left, rect.Top);
        FDirty = false;
    }
    SetReferenceCanvas(ownCanvas);
}

bool TChartCanvas3D::RepaintFromCache()
{
    if (FDirty || FImage == nullptr) return false;
    CopyImageTo(FCanvas, 0, 0);
    return true;
}

void TChartCanvas3D::ClipToPlot(const TRect& chartRect, int /*minZ*/, int /*maxZ*/)
{
    ClipToRect(TRect{chartRect.Left + 1, chartRect.Top + 1, chartRect.Right, chartRect.Bottom - 1});
}

void TChartCanvas3D::DrawHorizLine3D(int x0, int x1, int y, int z)
{
    const TPoint a = ProjectPoint(x0, y, z);
    const TPoint b = ProjectPoint(x1, y, z);
    DrawLine(a.X, a.Y, b.X, b.Y);
}

void TChartCanvas3D::DrawVertLine3D(int x, int y0, int y1, int z)
{
    const TPoint a = ProjectPoint(x, y0, z);
    const TPoint b = ProjectPoint(x, y1, z);
    DrawLine(a.X, a.Y, b.X, b.Y);
}

void TChartCanvas3D::DrawDepthLine3D(int x, int y, int z0, int z1)
{
    const TPoint a = ProjectPoint(x, y, z0);
    const TPoint b = ProjectPoint(x, y, z1);
    DrawLine(a.X, a.Y, b.X, b.Y);
}

void TChartCanvas3D::BeginFlatDrawing()
{
    FWas3D = FIs3D;
    FIs3D = false;
}

void TChartCanvas3D::EndFlatDrawing()
{
    FIs3D = FWas3D;
}

void TChartCanvas3D::DrawLineZ(int x0, int y0, int x1, int y1, int z)
{
    const TPoint a = ProjectPoint(x0, y0, z);
    const TPoint b = ProjectPoint(x1, y1, z);
    DrawLine(a.X, a.Y, b.X, b.Y);
}

void TChartCanvas3D::MovePenTo3D(int x, int y, int z)
{
    const TPoint p = ProjectPoint(x, y, z);
    MovePenTo(p.X, p.Y);
}

void TChartCanvas3D::DrawLineTo3D(int x, int y, int z)
{
    const TPoint p = ProjectPoint(x, y, z);
    DrawLineTo(p.X, p.Y);
}

void TChartCanvas3D::WriteRotatedText3D(int x, int y, int z, double angle, const std::string& text)
{
    const TPoint p = ProjectPoint(x, y, z);
    WriteRotatedText(p.X, p.Y, angle, text);
}

void TChartCanvas3D::WriteText3D(int x, int y, const std::string& text, int z)
{
    const TPoint p = ProjectPoint(x, y, z);
    if (FCanvas == nullptr) return;
    TFont* font = FCanvas->Font();
    const int size = font->Size();
    const int zoomed = ZoomedFontSize(size);
    if (zoomed == size) {
        WriteText(p.X, p.Y, text);
        return;
    }
    const int height = font->Height();
    TNotifyEvent onChange = std::move(font->OnChange);
    font->OnChange = nullptr;
    font->SetSize(zoomed);
    WriteText(p.X, p.Y, text);
    font->SetHeight(height);
    font->OnChange = std::move(onChange);
}

void TChartCanvas3D::ApplyChartPen(const TChartPen* pen)
{
    if (pen == nullptr || FCanvas == nullptr) return;
    TPen* target = FCanvas->Pen();
    if (!pen->Visible()) {
        target->SetStyle(psClear);
    } else if (pen->SmallDots() && pen->Width() == 1) {
        target->SelectAlternatePen(pen->Color());
        // The mode is the chart pen's too, not whatever the last pen left behind.
        target->SetMode(pen->Mode());
    } else {
        target->SetColor(pen->Color());
        target->SetMode(pen->Mode());
        target->SetStyle(pen->Style());
        target->SetWidth(pen->Width());
    }
}

void TChartCanvas3D::ResetDrawingState()
{
    if (FCanvas == nullptr) return;
    TPen* pen = FCanvas->Pen();
    pen->SetColor(clBlack);
    pen->SetWidth(1);
    pen->SetStyle(psSolid);
    TBrush* brush = FCanvas->Brush();
    brush->SetColor(clWhite);
    brush->SetStyle(bsSolid);
    TFont* font = FCanvas->Font();
    font->SetColor(clBlack);
    font->SetSize(10);
    SetBackgroundColor(clWhite);
    SetBackgroundMode(TRANSPARENT);
}
