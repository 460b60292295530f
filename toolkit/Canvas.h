// The toolkit canvas: drawing state (pen, brush, font, clip, pen position) over a 32-bit image.
// Implemented in Canvas.cpp.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"
#include "toolkit/Types.h"

class TCanvasPrivate;

// Draws into a 32-bit image: lines, rectangles and fills with the toolkit's own rasteriser
// (a line covers its start pixel and not its end pixel; rectangles, fills and clips cover
// left..right-1 and top..bottom-1), text through the platform's font engine. A canvas with
// no image measures text and ignores drawing.
class TCanvas : public TPersistent
{
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }
    TFont* Font() const { return FFont.get(); }

    // Size of the surface in layout pixels; 0 x 0 without one.
    int Width() const;
    int Height() const;
    // Surface pixels per layout pixel each way: above 1 on a high-density screen, where lines
    // and fills cover whole blocks and text is drawn at the surface's full resolution.
    int PixelRatio() const;

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    TPoint PenPos() const;
    void SetPenPos(TPoint value) { MoveTo(value.X, value.Y); }
    // Connected lines through the points; the last point is not drawn.
    void Polyline(const std::vector<TPoint>& points);
    // Outline with the pen on the border pixels, inside filled with the brush (not bsClear).
    // A clear or hidden pen leaves the whole rectangle to the brush.
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    // Brush fill without outline; the pen mode does not apply.
    void FillRect(const TRect& rect);
    // One-pixel border in the brush colour.
    void FrameRect(const TRect& rect);
    // Pixels as colours (0x00BBGGRR); reading outside the surface answers 0xFFFFFFFF.
    TColor Pixels(int x, int y) const;
    void SetPixel(int x, int y, TColor color);
    // Raised 3D border: Width rings, top/left in topColor, bottom/right in bottomColor;
    // Rect comes back shrunk by Width. Leaves the pen width 1 in bottomColor.
    void Frame3D(TRect& rect, TColor topColor, TColor bottomColor, int width);

    void TextOut(int x, int y, const std::string& text);
    // Text at an angle in degrees, counter-clockwise, about the reference point.
    void TextOutRotated(int x, int y, double angle, const std::string& text);
    TSize TextExtent(const std::string& text) const;
    int TextWidth(const std::string& text) const { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) const { return TextExtent(text).cy; }
    unsigned TextAlign() const { return FTextAlign; }
    void SetTextAlign(unsigned flags) { FTextAlign = flags; }
    int BkMode() const { return FBkMode; }
    void SetBkMode(int mode) { FBkMode = mode; }
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor color) { FBkColor = color; }

    // Replaces any earlier clip; drawing always stays inside the surface as well.
    void SetClipRect(const TRect& rect);
    void RemoveClip();
    bool HasClip() const { return FHasClip; }
    TRect ClipRect() const;

    // Block copies (plain copy, no stretching when sizes agree).
    void CopyRect(const TRect& dest, const TCanvas* source, const TRect& sourceRect);
    void Draw(int x, int y, const TBitmap* bitmap);
    void StretchDraw(const TRect& dest, const TBitmap* bitmap);

    // Around every drawing operation; set to nullptr to detach.
    TNotifyEvent OnChanging;
    TNotifyEvent OnChange;
    // After every drawing operation, with the area it may have changed (already clipped).
    std::function<void(const TRect& area)> OnTouched;

    std::string ClassName() const override { return "TCanvas"; }

    TCanvasPrivate* Private() const { return FPrivate.get(); }

private:
    friend class TCanvasPrivate;
    void BeginDraw();
    void EndDraw(const TRect& area);
    void DrawText(int x, int y, double angle, const std::string& text);

    std::unique_ptr<TPen> FPen = std::make_unique<TPen>();
    std::unique_ptr<TBrush> FBrush = std::make_unique<TBrush>();
    std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
    std::unique_ptr<TCanvasPrivate> FPrivate;
    unsigned FTextAlign = TA_LEFT | TA_TOP;
    int FBkMode = OPAQUE;
    TColor FBkColor = clWhite;
    bool FHasClip = false;
    TRect FClip;
};
