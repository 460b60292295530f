// Graphics objects of the toolkit: colours, pens, brushes, fonts and off-screen bitmaps; the
// canvas that draws with them is in Canvas.h. Qt stays behind Graphics.cpp/Graphics_p.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Types.h"

// 0x00BBGGRR for plain colours; 0x80000000 + index names a system colour.
using TColor = uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;

constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clScrollBar = clSystemColor + 0;
constexpr TColor clBackground = clSystemColor + 1;
constexpr TColor clActiveCaption = clSystemColor + 2;
constexpr TColor clInactiveCaption = clSystemColor + 3;
constexpr TColor clMenu = clSystemColor + 4;
constexpr TColor clWindow = clSystemColor + 5;
constexpr TColor clWindowFrame = clSystemColor + 6;
constexpr TColor clMenuText = clSystemColor + 7;
constexpr TColor clWindowText = clSystemColor + 8;
constexpr TColor clCaptionText = clSystemColor + 9;
constexpr TColor clActiveBorder = clSystemColor + 10;
constexpr TColor clInactiveBorder = clSystemColor + 11;
constexpr TColor clAppWorkSpace = clSystemColor + 12;
constexpr TColor clHighlight = clSystemColor + 13;
constexpr TColor clHighlightText = clSystemColor + 14;
constexpr TColor clBtnFace = clSystemColor + 15;
constexpr TColor clBtnShadow = clSystemColor + 16;
constexpr TColor clGrayText = clSystemColor + 17;
constexpr TColor clBtnText = clSystemColor + 18;
constexpr TColor clInactiveCaptionText = clSystemColor + 19;
constexpr TColor clBtnHighlight = clSystemColor + 20;
constexpr TColor cl3DDkShadow = clSystemColor + 21;
constexpr TColor cl3DLight = clSystemColor + 22;
constexpr TColor clInfoText = clSystemColor + 23;
constexpr TColor clInfoBk = clSystemColor + 24;
// The chart's marker for "no colour of its own"; same bits as clScrollBar.
constexpr TColor clSeriesDefault = 0x80000000;
constexpr TColor clNone = 0x1FFFFFFF;

// Plain colours keep their low 24 bits; system colours come from a fixed table (see
// Graphics.cpp) rather than the desktop theme, so pictures are the same on every machine.
// An unknown system index gives black.
uint32_t ColorToRGB(TColor color);
inline constexpr TColor RGBToColor(uint8_t r, uint8_t g, uint8_t b)
{
    return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}

enum TPenStyle : uint8_t {
    psSolid = 0,
    psDash = 1,
    psDot = 2,
    psDashDot = 3,
    psDashDotDot = 4,
    psClear = 5,
    psInsideFrame = 6,
};

// Binary raster operations between pen colour P and destination D, in the platform's order.
enum TPenMode : uint8_t {
    pmBlack = 0,       // 0
    pmWhite = 1,       // 1
    pmNop = 2,         // D
    pmNot = 3,         // ~D
    pmCopy = 4,        // P
    pmNotCopy = 5,     // ~P
    pmMergePenNot = 6, // P | ~D
    pmMaskPenNot = 7,  // P & ~D
    pmMergeNotPen = 8, // ~P | D
    pmMaskNotPen = 9,  // ~P & D
    pmMerge = 10,      // P | D
    pmNotMerge = 11,   // ~(P | D)
    pmMask = 12,       // P & D
    pmNotMask = 13,    // ~(P & D)
    pmXor = 14,        // P ^ D
    pmNotXor = 15,     // ~(P ^ D): drawing the same thing twice restores the image
};

// Hatch styles fill with 8x8 line patterns aligned to the surface origin; the gaps take the
// background colour in OPAQUE mode and are left alone in TRANSPARENT mode.
enum TBrushStyle : uint8_t {
    bsSolid = 0,
    bsClear = 1,
    bsHorizontal = 2,
    bsVertical = 3,
    bsFDiagonal = 4,
    bsBDiagonal = 5,
    bsCross = 6,
    bsDiagCross = 7,
};

enum TFontStyle : uint8_t {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};
using TFontStyles = uint8_t;

// Text alignment flags: where the (x, y) of TextOut lies on the text cell. Horizontal and
// vertical flags are or-ed together; the default 0 is the top-left corner.
constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_CENTER = 6;
constexpr unsigned TA_TOP = 0;
constexpr unsigned TA_BOTTOM = 8;
constexpr unsigned TA_BASELINE = 24;

// Background modes: whether text cells and hatch gaps are filled with the background colour.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr uint8_t DEFAULT_CHARSET = 1;

struct TSize
{
    int cx = 0;
    int cy = 0;
    bool operator==(const TSize&) const = default;
};

class TBitmap;

class TPen : public TPersistent
{
public:
    TPen() = default;
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle value);
    int Width() const { return FWidth; }
    // Widths below 1 draw as 1.
    void SetWidth(int value);

    // The cosmetic alternate-pixel pen: every other pixel of a line, width 1, in Color.
    // Any later change of colour, style or width selects an ordinary pen again.
    void SelectAlternatePen(TColor color);
    bool IsAlternate() const { return FAlternate; }

    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TPen"; }

    // Fired after a property really changed.
    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    TColor FColor = clBlack;
    TPenMode FMode = pmCopy;
    TPenStyle FStyle = psSolid;
    int FWidth = 1;
    bool FAlternate = false;
};

class TBrush : public TPersistent
{
public:
    TBrush() = default;
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value);
    // A pattern bitmap, not owned, tiled from the surface origin; overrides Style while set
    // (setting a colour or style does not clear it, as on the platform).
    TBitmap* Bitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* value);

    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TBrush"; }

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
};

class TFont : public TPersistent
{
public:
    TFont() = default;
    const std::string& Name() const { return FName; }
    void SetName(const std::string& value);
    // Points at PixelsPerInch; stored as a pixel Height, so Size 8 at 96 dpi is Height -11.
    int Size() const;
    void SetSize(int value);
    // Negative: character height in pixels; positive: cell height (with internal leading);
    // 0: the default height.
    int Height() const { return FHeight; }
    void SetHeight(int value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles value);
    uint8_t Charset() const { return FCharset; }
    void SetCharset(uint8_t value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int value);
    // Text direction in tenths of a degree, counter-clockwise (the platform's escapement).
    int Orientation() const { return FOrientation; }
    void SetOrientation(int value);

    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TFont"; }

    TNotifyEvent OnChange;

protected:
    void Changed();

private:
    std::string FName = "MS Sans Serif";
    int FHeight = -11;
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
    uint8_t FCharset = DEFAULT_CHARSET;
    int FPixelsPerInch = 96;
    int FOrientation = 0;
};

class TCanvas;

// An off-screen picture with a canvas of its own; new pixels are white.
class TBitmap : public TPersistent
{
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const;
    int Height() const;
    // Each reallocates; the old picture is kept at the top-left corner.
    void SetWidth(int value);
    void SetHeight(int value);
    void SetSize(int width, int height);
    bool Empty() const { return Width() == 0 || Height() == 0; }
    // Pixels per layout pixel each way (see TCanvas::PixelRatio); a change keeps the picture,
    // enlarged or reduced. Saving writes every pixel.
    int PixelRatio() const;
    void SetPixelRatio(int value);
    // A monochrome picture holds only black and white: white stays white, every other
    // colour drawn into it becomes black.
    bool Monochrome() const { return FMonochrome; }
    void SetMonochrome(bool value);

    TCanvas* Canvas() const { return FCanvas.get(); }
    // The pixel as 0x00BBGGRR; 0xFFFFFFFF outside the picture.
    TColor PixelColor(int x, int y) const;

    // PNG; raise EFCreateError when the file cannot be written.
    void SaveToFile(const std::string& fileName) const;
    // Any picture format the platform reads; raises EFOpenError when it cannot.
    void LoadFromFile(const std::string& fileName);

    void Assign(const TPersistent* source) override;
    std::string ClassName() const override { return "TBitmap"; }

    TNotifyEvent OnChange;

private:
    friend class TCanvasPrivate;
    struct Image;
    std::unique_ptr<Image> FImage;
    std::unique_ptr<TCanvas> FCanvas;
    bool FMonochrome = false;
};
