// The chart control: walls, titles and legend, and the fixed drawing sequence that lays out
// and paints background, titles, axes, back wall, series and the zoom rectangle. Implemented
// in Chart.cpp (parts, layout, painting), ChartMouse.cpp (zoom, pan, clicks) and
// ChartOverlay.cpp (overlay text and markers).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "chart/ChartAnnotations.h"
#include "chart/ChartCanvas.h"
#include "chart/ChartEngine.h"
#include "chart/ChartPanel.h"
#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"
#include "toolkit/Types.h"

class TCustomChart;

// The chart default font: "Arial", 8 points, black, no style; where the user interface is
// Japanese, the toolkit's default font name and size take the place of "Arial" and 8.
void ApplyChartDefaultFontRule(TFont& font, bool japaneseUserInterface);
// Whether the platform's user interface language is Japanese.
bool JapaneseUserInterface();

// Horizontal placement of the lines of a title.
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

// A wall of the chart. In a flat chart only the back wall is drawn: the outline of the
// chart rectangle, filled only when its colour or brush asks for it.
class TCustomChartWall : public TPersistent
{
public:
    TCustomChartWall(TCustomChart* chart, TColor defaultColor);
    ~TCustomChartWall() override;

    // clSeriesDefault: the brush colour applies.
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TChartBrush* Brush() const { return FBrush.get(); }
    void SetBrush(const TBrush* value);
    bool Dark3D() const { return FDark3D; }
    void SetDark3D(bool value);
    TChartPen* Pen() const { return FPen.get(); }
    void SetPen(const TChartPen* value);
    int Size() const { return FSize; }
    void SetSize(int value);
    TCustomChart* ParentChart() const { return FParentChart; }
    TColor DefaultColor() const { return FDefaultColor; }
    // The layout stores Color only when it differs from the wall's own default.
    bool IsColorStored() const { return FColor != FDefaultColor; }

    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TCustomChartWall"; }

private:
    void Repaint();

    TColor FColor = clSeriesDefault;
    std::unique_ptr<TChartBrush> FBrush;
    bool FDark3D = true;
    std::unique_ptr<TChartPen> FPen;
    int FSize = 0;
    TCustomChart* FParentChart = nullptr;
    TColor FDefaultColor = clSeriesDefault;
};

class TChartWall : public TCustomChartWall
{
public:
    using TCustomChartWall::TCustomChartWall;
    std::string ClassName() const override { return "TChartWall"; }
};

// A block of text lines above (title) or below (foot) the chart rectangle.
class TChartTitle : public TChartFontObject
{
public:
    explicit TChartTitle(TCustomChart* chart);
    ~TChartTitle() override;

    bool AdjustFrame() const { return FAdjustFrame; }
    void SetAdjustFrame(bool value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TChartBrush* Brush() const { return FBrush.get(); }
    void SetBrush(const TBrush* value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TChartHiddenPen* Frame() const { return FFrame.get(); }
    void SetFrame(const TChartPen* value);
    // One line per entry; every change repaints the chart.
    TStringList* Text() const { return FText.get(); }
    void SetText(const TStrings* value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);

    // The area of the block at the last drawing, for the mouse hit tests.
    TRect TextBlockRect;

    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TChartTitle"; }

private:
    template <class T> void Change(T& field, const T& value);

    bool FAdjustFrame = true;
    TAlignment FAlignment = taCenter;
    std::unique_ptr<TChartBrush> FBrush;
    TColor FColor = clSeriesDefault;
    std::unique_ptr<TChartHiddenPen> FFrame;
    std::unique_ptr<TStringList> FText;
    bool FVisible = true;
};

// The legend. Only its visibility is carried: an invisible legend is neither drawn nor
// given room, and this engine draws no legend at all.
class TChartLegend : public TPersistent
{
public:
    explicit TChartLegend(TCustomChart* chart) : FParentChart(chart) {}
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    TCustomChart* ParentChart() const { return FParentChart; }
    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TChartLegend"; }

private:
    TCustomChart* FParentChart = nullptr;
    bool FVisible = true;
};

// Engine-wide mouse settings, fixed for the life of the program.
constexpr TMouseButton ZoomButton = mbLeft;
constexpr TMouseButton PanButton = mbRight;
// Modifier keys that must be held to zoom or pan: none.
constexpr TShiftState ZoomKeys = 0;
constexpr TShiftState PanKeys = 0;
// Each frame of an animated zoom covers this part of the remaining way.
constexpr double ZoomStepDivisor = 3.0;

using TChartClickEvent =
    std::function<void(TCustomChart* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TChartClickAxisEvent =
    std::function<void(TCustomChart* sender, TCustomChartAxis* axis, TMouseButton button,
                       TShiftState shift, int x, int y)>;
using TChartClickSeriesEvent =
    std::function<void(TCustomChart* sender, TChartSeries* series, int valueIndex,
                       TMouseButton button, TShiftState shift, int x, int y)>;
// Asked for every axis a panning step moves; may change the new range or forbid the move.
using TChartAllowScrollEvent = std::function<void(TCustomChartAxis* sender, double& newMinimum,
                                                  double& newMaximum, bool& allowScroll)>;

// One side axis as it was before the first zoom or pan.
struct TAxisSnapshot
{
    bool Automatic = true;
    bool AutomaticMinimum = true;
    bool AutomaticMaximum = true;
    double Minimum = 0;
    double Maximum = 0;
};

// Top, left, right and bottom axes, restored by ResetZoom.
struct TAxesSnapshot
{
    TAxisSnapshot Top;
    TAxisSnapshot Left;
    TAxisSnapshot Right;
    TAxisSnapshot Bottom;
};

class TCustomChart : public TCustomAxisPanel
{
public:
    explicit TCustomChart(TComponent* owner = nullptr);
    ~TCustomChart() override;

    bool BackImageInside() const { return FBackImageInside; }
    void SetBackImageInside(bool value);
    TChartWall* BackWall() const { return FBackWall.get(); }
    void SetBackWall(const TChartWall* value);
    TChartWall* BottomWall() const { return FBottomWall.get(); }
    void SetBottomWall(const TChartWall* value);
    TChartWall* LeftWall() const { return FLeftWall.get(); }
    void SetLeftWall(const TChartWall* value);
    TChartTitle* Foot() const { return FFoot.get(); }
    void SetFoot(const TChartTitle* value);
    TChartTitle* Title() const { return FTitle.get(); }
    void SetTitle(const TChartTitle* value);
    TChartLegend* Legend() const { return FLegend.get(); }
    void SetLegend(const TChartLegend* value);
    // The back wall's pen.
    TChartPen* Frame() const { return FBackWall->Pen(); }
    void SetFrame(const TChartPen* value) { FBackWall->SetPen(value); }
    // The back wall's colour; set at run time it also makes the wall's brush solid.
    TColor BackColor() const { return FBackWall->Color(); }
    void SetBackColor(TColor value);

    // Steps of the drawing sequence, in the order RenderParts runs them.
    void PaintBackground(TRect rect);
    // Draws the bevels and border inside Rect and shrinks it by their widths.
    void PaintBevels(TRect& rect);
    void PaintTitlesAndLegend();
    // Draws Title at the top (or at the bottom) and takes its room from the chart rectangle.
    void PaintTitle(TChartTitle* title, bool onTop);
    void LayOutAxes();
    void FitSeriesMargins();
    void PaintWalls();
    void SetWallPaint(const TCustomChartWall* wall);
    void ApplyFillBrush(TColor color, TBrushStyle style, TColor backColor);
    void PaintAxes();
    void PaintSeries(TChartSeries* series);
    bool ClippingAllowed() const;
    // The not-xor outline of the zoom record's rectangle: drawn twice, the pixels return.
    void PaintZoomRectangle();

    // Mouse zoom and panning.
    // Zooms the four side axes to the zoom record's rectangle.
    void ZoomToRectangle();
    void ZoomToValues(double topLow, double topHigh, double bottomLow, double bottomHigh,
                      double leftLow, double leftHigh, double rightLow, double rightHigh);
    // Undoes every zoom and pan since the last undo.
    void ResetZoom();
    bool HasAxesSnapshot() const { return FHasAxesSnapshot; }
    const TAxesSnapshot& AxesSnapshot() const { return FAxesSnapshot; }

    // The overlay, drawn over the finished picture and never into it: a text in the title
    // line and a vertical marker at a value of the bottom axis, clipped to the plot. A
    // change shows at once through RefreshOverlay.
    const std::string& OverlayText() const { return FOverlayText; }
    void SetOverlayText(const std::string& value);
    bool MarkerVisible() const { return FMarkerVisible; }
    double MarkerValue() const { return FMarkerValue; }
    void SetMarker(double value);
    void ClearMarker();
    // The marker's column through the last drawing's mapping; -1 when it is not drawn.
    int MarkerPixel() const;
    // Neither the series red nor the grid grey.
    TColor MarkerColor = 0xFF0000;
    // Measuring markers A (0) and B (1): lines at values of the bottom axis with their
    // letter at the top of the plot, drawn over the picture as the marker above is.
    static constexpr int MeasureMarkerCount = 2;
    bool MeasureMarkerVisible(int index) const { return FMeasureVisible[index]; }
    double MeasureMarkerValue(int index) const { return FMeasureValue[index]; }
    void SetMeasureMarker(int index, double value);
    void ClearMeasureMarker(int index);
    // The column through the last drawing's mapping; -1 when it is not drawn.
    int MeasureMarkerPixel(int index) const;
    // Apart from the caret marker's blue and from each other: green and purple.
    TColor MeasureMarkerColors[MeasureMarkerCount] = {0x008000, 0x800080};

    // Annotations drawn after the series in a band along the top of the plot; the source is
    // not owned (nullptr: none, and the picture is exactly as without the feature).
    TChartAnnotationSource* Annotations() const { return FAnnotations; }
    void SetAnnotations(TChartAnnotationSource* source);
    // The band's rectangle at the last drawing: the plot's top, one text line and a margin.
    TRect AnnotationBand() const;
    void PaintAnnotations();

    TChartAllowScrollEvent OnAllowScroll;
    TChartClickAxisEvent OnClickAxis;
    TChartClickSeriesEvent OnClickSeries;
    TChartClickEvent OnClickLegend;
    TChartClickEvent OnClickBackground;
    // The pan button pressed and released at one point, nothing panned: the chart's menu.
    TChartClickEvent OnContextPopup;
    // The zoom button pressed and released at one point (a pixel or two apart), nothing
    // zoomed; the zoom rectangle is gone by then.
    TChartClickEvent OnZoomButtonClick;

    std::string ClassName() const override { return "TCustomChart"; }

protected:
    void RenderParts(TRect& panelRect) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseLeave() override;
    void PaintOverlay() override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

private:
    // Press handling: the clicked part's event, then a drag when nobody handled the click.
    bool RaiseClick(const std::function<void()>& raise);
    void StartDrag(TMouseButton button, TShiftState shift, int x, int y);
    void TakeAxesSnapshot();
    // Pans every axis of one direction from pixel Previous to pixel Next; true when allowed.
    bool PanDirection(bool horizontal, int previous, int next);
    void PanAxis(TCustomChartAxis* axis, int previous, int next);
    void WheelStep(bool down);

    bool FBackImageInside = false;
    std::unique_ptr<TChartTitle> FTitle;
    std::unique_ptr<TChartTitle> FFoot;
    std::unique_ptr<TChartWall> FBackWall;
    std::unique_ptr<TChartWall> FLeftWall;
    std::unique_ptr<TChartLegend> FLegend;
    std::unique_ptr<TChartWall> FBottomWall;
    TAxesSnapshot FAxesSnapshot;
    bool FHasAxesSnapshot = false;
    // A pan-button press that may still become the menu click.
    struct
    {
        bool Armed = false;
        int X = 0;
        int Y = 0;
    } FContextPress;
    std::string FOverlayText;
    bool FMarkerVisible = false;
    double FMarkerValue = 0;
    bool FMeasureVisible[MeasureMarkerCount] = {};
    double FMeasureValue[MeasureMarkerCount] = {};
    // The plot column of a bottom-axis value, or -1 outside the plot.
    int PlotColumn(double value) const;
    TChartAnnotationSource* FAnnotations = nullptr;
    int FAnnotationTextHeight = 0;
};

class TChart : public TCustomChart
{
public:
    using TCustomChart::TCustomChart;
    std::string ClassName() const override { return "TChart"; }
};
