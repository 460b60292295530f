// The chart's pens and brush, its 3D view options, and the drawing surface every chart pixel
// goes through: a layer over a toolkit canvas with an off-screen image and a 2D projection.
// Implemented in ChartCanvas.cpp.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/Graphics.h"

class TChartPen : public TPen
{
public:
    explicit TChartPen(TNotifyEvent onChange = nullptr);
    bool SmallDots() const { return FSmallDots; }
    void SetSmallDots(bool value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    // Copies Visible and SmallDots, then the pen's own settings.
    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TChartPen"; }

private:
    bool FSmallDots = false;
    bool FVisible = true;
};

class TChartHiddenPen : public TChartPen
{
public:
    explicit TChartHiddenPen(TNotifyEvent onChange = nullptr);
    std::string ClassName() const override { return "TChartHiddenPen"; }
};

class TDottedGrayPen : public TChartPen
{
public:
    explicit TDottedGrayPen(TNotifyEvent onChange = nullptr);
    std::string ClassName() const override { return "TDottedGrayPen"; }
};

class TDarkGrayPen : public TChartPen
{
public:
    explicit TDarkGrayPen(TNotifyEvent onChange = nullptr);
    std::string ClassName() const override { return "TDarkGrayPen"; }
};

class TChartAxisPen : public TChartPen
{
public:
    explicit TChartAxisPen(TNotifyEvent onChange = nullptr);
    std::string ClassName() const override { return "TChartAxisPen"; }
};

class TChartArrowPen : public TChartPen
{
public:
    explicit TChartArrowPen(TNotifyEvent onChange = nullptr);
    std::string ClassName() const override { return "TChartArrowPen"; }
};

class TChartBrush : public TBrush
{
public:
    explicit TChartBrush(TNotifyEvent onChange = nullptr);
    std::string ClassName() const override { return "TChartBrush"; }
};

// The 3D view settings of a chart. The chart hands in its callbacks, so this module needs no
// chart classes; with View3D off none of these values affects drawing.
class TView3DOptions : public TPersistent
{
public:
    explicit TView3DOptions(TObject* parentChart = nullptr, TNotifyEvent onRepaint = nullptr);

    int Elevation() const { return FElevation; }
    void SetElevation(int value);
    int HorizOffset() const { return FHorizOffset; }
    void SetHorizOffset(int value);
    bool Orthogonal() const { return FOrthogonal; }
    void SetOrthogonal(bool value);
    int Perspective() const { return FPerspective; }
    void SetPerspective(int value);
    int Rotation() const { return FRotation; }
    void SetRotation(int value);
    int Tilt() const { return FTilt; }
    void SetTilt(int value);
    int VertOffset() const { return FVertOffset; }
    void SetVertOffset(int value);
    int Zoom() const { return FZoom; }
    void SetZoom(int value);
    bool ZoomText() const { return FZoomText; }
    void SetZoomText(bool value);

    TObject* ParentChart() const { return FParentChart; }
    // Asks the parent chart to repaint (through OnRepaint).
    void Repaint();

    // Copies the nine values; one repaint if any of them changed.
    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TView3DOptions"; }

    TNotifyEvent OnRepaint;
    // After HorizOffset (true) or VertOffset (false) changed.
    std::function<void(bool horizontal)> OnScrolled;
    // Before a new Zoom is stored, with the new value.
    std::function<void(int newZoom)> OnZoomChanging;

private:
    TObject* FParentChart = nullptr;
    int FElevation = 345;
    int FHorizOffset = 0;
    bool FOrthogonal = true;
    int FPerspective = 15;
    int FRotation = 345;
    int FTilt = 0;
    int FVertOffset = 0;
    int FZoom = 100;
    bool FZoomText = true;
};

// The drawing surface each chart owns. In the 2D view the projection is the identity; the
// 3D-only shapes are not provided.
class TChartCanvas3D
{
public:
    TChartCanvas3D();
    ~TChartCanvas3D();
    TChartCanvas3D(const TChartCanvas3D&) = delete;
    TChartCanvas3D& operator=(const TChartCanvas3D&) = delete;

    TCanvas* ReferenceCanvas() const { return FCanvas; }
    // Draw into this canvas from now on; Pen, Brush and Font become its objects.
    void SetReferenceCanvas(TCanvas* canvas) { FCanvas = canvas; }
    // The objects of the reference canvas (nullptr while there is none).
    TPen* Pen() const { return FCanvas != nullptr ? FCanvas->Pen() : nullptr; }
    TBrush* Brush() const { return FCanvas != nullptr ? FCanvas->Brush() : nullptr; }
    TFont* Font() const { return FCanvas != nullptr ? FCanvas->Font() : nullptr; }
    TView3DOptions* View3DOptions() const { return FView3DOptions; }
    // The chart clears it when its window is created again; BeginFrame sets it.
    void SetView3DOptions(TView3DOptions* options) { FView3DOptions = options; }
    bool IsOrthogonal() const { return FIsOrthogonal; }
    // Copies the settings another surface was given (Monochrome).
    void AssignSettings(const TChartCanvas3D* source);

    TColor BackgroundColor() const;
    int BackgroundMode() const;
    bool Monochrome() const { return FMonochrome; }
    unsigned TextAlignment() const;
    bool UseOffscreenImage() const { return FUseOffscreenImage; }
    void SetBackgroundColor(TColor color);
    void SetBackgroundMode(int mode);
    // A change frees the image, marks the surface dirty and repaints the chart.
    void SetMonochrome(bool value);
    void SetPixel(int x, int y, TColor color);
    void SetTextAlignment(unsigned flags);
    // Turning it off frees the image and marks the surface dirty.
    void SetUseOffscreenImage(bool value);
    void Draw(int x, int y, const TBitmap* bitmap);
    void StretchDraw(const TRect& rect, const TBitmap* bitmap);
    void FillRectangle(const TRect& rect);
    void Frame3D(TRect& rect, TColor topColor, TColor bottomColor, int width);
    void DrawLineTo(int x, int y);
    void MovePenTo(int x, int y);
    void DrawRect(int left, int top, int right, int bottom);
    void DrawRect(const TRect& rect);
    void WriteText(int x, int y, const std::string& text);
    int MeasureTextWidth(const std::string& text);
    int MeasureTextHeight(const std::string& text);
    void ClipToRect(const TRect& rect);
    void DrawHorizLine(int x0, int x1, int y);
    void DrawVertLine(int x, int y0, int y1);
    void MarkDirty() { FDirty = true; }
    void DrawLine(int x0, int y0, int x1, int y1);
    // Angle in degrees, counter-clockwise; above 360 it is first reduced by 360.
    // Leaves the brush bsClear.
    void WriteRotatedText(int x, int y, double angle, const std::string& text);
    void RemoveClip();

    bool SupportsFullRotation() const { return false; }
    bool SupportsID() const { return false; }
    TPoint UnprojectPoint(int x, int y, int z) const;
    TPoint ProjectPoint(int x, int y, int z) const;
    // Starts a frame into Target over Rect; answers the rectangle to draw the panel in
    // (Rect itself, or (0, 0, W, H) of the off-screen image).
    TRect BeginFrame(TCanvas* target, TView3DOptions* options, const TRect& rect, bool view3D,
                     TColor panelColor);
    void SetProjection(int depth, const TRect& panelRect, const TRect& chartRect);
    // Copies the image to Target at Rect's top-left corner; then draws into OwnCanvas again.
    void PresentFrame(TCanvas* target, TCanvas* ownCanvas, const TRect& rect);
    // When clean, copies the image to the reference canvas at (0, 0) and answers true.
    bool RepaintFromCache();
    void ClipToPlot(const TRect& chartRect, int minZ, int maxZ);
    void DrawHorizLine3D(int x0, int x1, int y, int z);
    void DrawVertLine3D(int x, int y0, int y1, int z);
    void DrawDepthLine3D(int x, int y, int z0, int z1);
    void BeginFlatDrawing();
    void EndFlatDrawing();
    void DrawLineZ(int x0, int y0, int x1, int y1, int z);
    void MovePenTo3D(int x, int y, int z);
    void DrawLineTo3D(int x, int y, int z);
    void WriteRotatedText3D(int x, int y, int z, double angle, const std::string& text);
    void WriteText3D(int x, int y, const std::string& text, int z);

    // Pen settings from a chart pen: hidden -> psClear, small dots at width 1 -> the
    // alternate-pixel pen, otherwise colour, mode, style and width.
    void ApplyChartPen(const TChartPen* pen);
    void ApplyChartPen(const TChartPen& pen) { ApplyChartPen(&pen); }
    // Pen black, width 1, solid; brush white, solid; font black, 10 pt; background white,
    // transparent.
    void ResetDrawingState();
    int FontLineHeight() { return MeasureTextHeight("W"); }

    bool IsDirty() const { return FDirty; }
    bool View3D() const { return FIs3D; }
    double ZoomFactor() const { return FZoomFactor; }
    const TRect& Bounds() const { return FBounds; }
    // The off-screen image (nullptr when none exists).
    TBitmap* OffscreenImage() const { return FImage.get(); }

private:
    void FreeImage();
    // The whole image to Target with its top-left corner at (x, y).
    void CopyImageTo(TCanvas* target, int x, int y);
    // Font size for text at the zoom factor (only differs in 3D with ZoomText).
    int ZoomedFontSize(int size) const;

    TCanvas* FCanvas = nullptr;
    TView3DOptions* FView3DOptions = nullptr;
    bool FIsOrthogonal = false;
    int FXCenter = 0;
    int FYCenter = 0;
    int FZCenter = 0;
    int FXCenterOffset = 0;
    int FYCenterOffset = 0;
    bool FWas3D = false;
    bool FIs3D = false;
    std::unique_ptr<TBitmap> FImage;
    bool FUseOffscreenImage = true;
    bool FMonochrome = false;
    bool FDirty = true;
    TRect FBounds;
    bool FZoomText = true;
    double FZoomFactor = 1.0;
    double FPerspectiveFactor = 0.0;
};
