// Panel base of every chart: margins and the chart rectangle, the owned drawing
// surface with its off-screen paint cycle, and the mouse drag record of zoom and pan; the
// interface its axes and series see. Implemented in ChartPanel.cpp.
#pragma once

#include <cstdint>
#include <memory>

#include "chart/ChartCanvas.h"
#include "toolkit/Canvas.h"
#include "toolkit/Classes.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Graphics.h"
#include "toolkit/SysUtils.h"
#include "toolkit/Types.h"

class ChartException : public Exception
{
public:
    using Exception::Exception;
};

enum TPanningMode : uint8_t { pmNone, pmHorizontal, pmVertical, pmBoth };

// State of one mouse drag: where it started (X0, Y0) and the last pointer position (X1, Y1).
class TZoomPanningRecord : public TObject
{
public:
    void BeginDrag(int x, int y);
    // Orders the corners so that X0 <= X1 and Y0 <= Y1.
    void NormalizeCorners();
    std::string ClassName() const override { return "TZoomPanningRecord"; }

    bool Active = false;
    int X0 = 0;
    int Y0 = 0;
    int X1 = 0;
    int Y1 = 0;
};

class TCustomChartPanel : public TCustomPanel
{
public:
    explicit TCustomChartPanel(TComponent* owner = nullptr);
    ~TCustomChartPanel() override;

    int Chart3DPercent() const { return FChart3DPercent; }
    void SetChart3DPercent(int value);
    bool SeriesDepth3D() const { return FSeriesDepth3D; }
    void SetSeriesDepth3D(bool value);

    int MarginLeft() const { return FMarginLeft; }
    int MarginTop() const { return FMarginTop; }
    int MarginRight() const { return FMarginRight; }
    int MarginBottom() const { return FMarginBottom; }
    void SetMarginLeft(int value) { SetMarginPercent(0, value); }
    void SetMarginTop(int value) { SetMarginPercent(1, value); }
    void SetMarginRight(int value) { SetMarginPercent(2, value); }
    void SetMarginBottom(int value) { SetMarginPercent(3, value); }
    // Index 0..3 names left, top, right, bottom.
    int MarginPercent(int index) const;
    void SetMarginPercent(int index, int value);

    bool View3D() const { return FView3D; }
    void SetView3D(bool value);
    TView3DOptions* View3DOptions() const { return FView3DOptions.get(); }
    bool PrintProportional() const { return FPrintProportional; }
    void SetPrintProportional(bool value) { FPrintProportional = value; }
    const TRect& PrintMargins() const { return FPrintMargins; }
    void SetPrintMargins(const TRect& value) { FPrintMargins = value; }

    // Held by the drawing surface; the panel only forwards.
    bool Monochrome() const;
    void SetMonochrome(bool value);
    bool UseOffscreenImage() const;
    void SetUseOffscreenImage(bool value);

    TChartCanvas3D* Canvas3D() const { return FCanvas3D.get(); }

    // The plotting rectangle, recomputed at every drawing.
    const TRect& ChartRect() const { return FChartRect; }
    void SetChartRect(const TRect& value);
    // The rectangle the whole chart is drawn in during the current drawing.
    const TRect& PanelRect() const { return FPanelRect; }
    void SetPanelRect(const TRect& value) { FPanelRect = value; }
    int ChartWidth() const { return FChartWidth; }
    int ChartHeight() const { return FChartHeight; }
    int ChartXCenter() const { return FChartXCenter; }
    int ChartYCenter() const { return FChartYCenter; }
    // Repairs an empty or inverted chart rectangle, then recomputes size and centre.
    void UpdateChartSize();

    int Height3D() const { return FHeight3D; }
    void SetHeight3D(int value) { FHeight3D = value; }
    int Width3D() const { return FWidth3D; }
    void SetWidth3D(int value) { FWidth3D = value; }

    bool IsReady() const { return FReady; }
    bool PrintMode() const { return FPrintMode; }
    void SetPrintMode(bool value) { FPrintMode = value; }

    TCursor SavedCursor() const { return FSavedCursor; }
    void SetSavedCursor(TCursor value) { FSavedCursor = value; }
    TZoomPanningRecord& ZoomRecord() { return *FZoomRecord; }
    const TZoomPanningRecord& ZoomRecord() const { return *FZoomRecord; }
    TZoomPanningRecord& PanningRecord() { return *FPanningRecord; }
    const TZoomPanningRecord& PanningRecord() const { return *FPanningRecord; }
    bool ClickHandled() const { return FClickHandled; }
    void SetClickHandled(bool value) { FClickHandled = value; }

    // Marks the chart for drawing at the next paint; draws nothing now.
    void RequestRepaint();
    // Marks the chart for drawing and paints it before returning.
    void RepaintNow();
    // Every invalidation, also the toolkit's own on a move or resize, makes the cache stale.
    void Invalidate() override;
    // The cursor set by the stored layout becomes the one the mouse code goes back to.
    void EndLoading() override;
    // The change handler handed to pens, fonts and options owned by the chart.
    TNotifyEvent ChangeHandler();
    // Draws the whole chart into Rect of Target.
    void RenderTo(TCanvas* target, const TRect& rect);
    // How many times RenderTo ran; lets tests tell a drawing from a cache copy.
    int RenderCount() const { return FRenderCount; }
    // Shows a changed overlay now: the cached picture copied back and the overlay drawn
    // over it, without drawing the chart again (unless the cache is stale or a zoom
    // rectangle is on the screen, which only a full drawing keeps right).
    void RefreshOverlay();

    std::string ClassName() const override { return "TCustomChartPanel"; }

protected:
    void Paint() override;
    bool EraseBackground() override;
    void Resize() override;
    // The drawing sequence inside RenderTo; nothing is drawn at this level.
    virtual void RenderParts(TRect& panelRect);
    // Drawn on the window's canvas after each paint, never into the cached picture.
    virtual void PaintOverlay() {}

private:
    int FChart3DPercent = 15;
    bool FSeriesDepth3D = true;
    TRect FPanelRect;
    int FChartWidth = 0;
    int FChartHeight = 0;
    int FChartXCenter = 0;
    int FChartYCenter = 0;
    int FHeight3D = 0;
    int FMarginLeft = 3;
    int FMarginTop = 4;
    int FMarginRight = 3;
    int FMarginBottom = 4;
    TCursor FSavedCursor = crDefault;
    std::unique_ptr<TZoomPanningRecord> FPanningRecord = std::make_unique<TZoomPanningRecord>();
    bool FPrintMode = false;
    bool FPrintProportional = true;
    bool FView3D = true;
    std::unique_ptr<TView3DOptions> FView3DOptions;
    int FWidth3D = 0;
    std::unique_ptr<TZoomPanningRecord> FZoomRecord = std::make_unique<TZoomPanningRecord>();
    std::unique_ptr<TChartCanvas3D> FCanvas3D;
    bool FReady = false;
    TRect FChartRect;
    TRect FPrintMargins{15, 15, 15, 15};
    bool FClickHandled = false;
    int FRenderCount = 0;
};

enum TGradientDirection : uint8_t {
    gdTopBottom,
    gdBottomTop,
    gdLeftRight,
    gdRightLeft,
};

enum TBackImageMode : uint8_t { pbmStretch, pbmTile, pbmCenter };

// Background gradient settings; never drawn in a flat default chart.
struct TChartGradientSettings
{
    bool Visible = false;
    TGradientDirection Direction = gdTopBottom;
    TColor StartColor = 0xFFFFFF;
    TColor EndColor = 0x00FFFF;
};

class TCustomChartPanelExtended : public TCustomChartPanel
{
public:
    explicit TCustomChartPanelExtended(TComponent* owner = nullptr);

    TChartGradientSettings Gradient;
    // Background picture: none unless a caller loads one.
    TBitmap* BackImage() const { return FBackImage.get(); }
    TBackImageMode BackImageMode = pbmStretch;

    bool AllowZoom() const { return FAllowZoom; }
    void SetAllowZoom(bool value) { FAllowZoom = value; }
    TPanningMode AllowPanning() const { return FAllowPanning; }
    void SetAllowPanning(TPanningMode value) { FAllowPanning = value; }
    bool AnimatedZoom() const { return FAnimatedZoom; }
    void SetAnimatedZoom(bool value);
    int AnimatedZoomSteps() const { return FAnimatedZoomSteps; }
    void SetAnimatedZoomSteps(int value);
    bool Zoomed() const { return FZoomed; }
    void SetZoomed(bool value) { FZoomed = value; }

    TNotifyEvent OnAfterDraw;
    TNotifyEvent OnScroll;
    TNotifyEvent OnUndoZoom;
    TNotifyEvent OnZoom;

    std::string ClassName() const override { return "TCustomChartPanelExtended"; }

private:
    std::unique_ptr<TBitmap> FBackImage = std::make_unique<TBitmap>();
    bool FAllowZoom = true;
    TPanningMode FAllowPanning = pmBoth;
    bool FAnimatedZoom = false;
    int FAnimatedZoomSteps = 8;
    bool FZoomed = false;
};

class TChartSeries;
class TCustomAxisPanel;
class TCustomChartAxis;

// What the axes and series of a chart ask of the panel that holds them. The axis panel
// implements it, so that the axis and series modules sit below the panel and need not see it.
class TChartPartsHost
{
public:
    // The holder as a chart panel (repaints, loading state, chart rectangle) and as the axis
    // panel the parts name as their parent chart.
    virtual TCustomChartPanel* HostPanel() = 0;
    virtual TCustomAxisPanel* HostAxisPanel() = 0;
    // The side axis of that orientation; the far one is the top or right axis.
    virtual TCustomChartAxis* SideAxis(bool horizontal, bool farSide) const = 0;
    // Called by the axis constructor.
    virtual void RegisterAxis(TCustomChartAxis* axis) = 0;
    // Called as a series attaches and detaches.
    virtual void InsertSeriesInList(TChartSeries* series) = 0;
    virtual void RemoveSeriesFromList(TChartSeries* series) = 0;
    // Smallest or largest X (Horizontal) or Y value of the series that count for Axis; 0 if none.
    virtual double SeriesValueExtent(const TCustomChartAxis* axis, bool wantLargest,
                                     bool horizontal) const = 0;
    // Whether the first active series on Axis has date-time values along it.
    virtual bool AxisShowsDateTime(const TCustomChartAxis* axis) const = 0;

protected:
    ~TChartPartsHost() = default;
};
