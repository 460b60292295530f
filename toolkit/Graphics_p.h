// Private bridge between the toolkit's graphics and Qt: canvases over images owned by someone
// else (the controls' backing images), the image of a bitmap, and the Qt font of a TFont.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/Graphics.h"
#include "toolkit/Raster.h"

inline constexpr uint32_t kWhitePixel = 0xFFFFFFFFu;
inline constexpr uint32_t kBlackPixel = 0xFF000000u;

// A pixel as a monochrome bitmap holds it: white stays white, every other colour is black.
inline uint32_t MonoPixel(uint32_t pixel)
{
    return (pixel & 0x00FFFFFFu) == 0x00FFFFFFu ? kWhitePixel : kBlackPixel;
}

// Image pixels per layout pixel each way: 1, or the whole device pixel ratio of an image made for
// a high-density screen. Canvases measure and draw in layout pixels whatever it is.
inline int ImageScale(const QImage& image)
{
    return std::max(1, static_cast<int>(image.devicePixelRatio() + 0.5));
}

// A 32-bit image of Width x Height layout pixels at Scale (contents undefined; null when empty).
QImage NewScaledImage(int width, int height, int scale);

// TColor to the 0xFFRRGGBB pixel of a 32-bit image, and back.
uint32_t ColorToPixel(TColor color);
TColor PixelToColor(uint32_t pixel);

// Text of the toolkit (Windows-1251 bytes) as Unicode.
QString DecodeCanvasText(const std::string& text);

// The font that writes and measures a TFont's text ("Arial" through fontconfig, "MS Sans Serif"
// as the system sans, pixel size from Height).
QFont ToQFont(const TFont& font, bool antialias = true);

class TCanvasPrivate
{
public:
    // The surface; a 32-bit image (RGB32 or ARGB32[_Premultiplied]) or nothing.
    QImage* image = nullptr;
    // Set when the canvas belongs to a bitmap, so that a monochrome bitmap draws black/white.
    const TBitmap* bitmap = nullptr;
    // The pen position and the place in the pen's pattern, carried from one LineTo to the next.
    TStroker stroker;

    bool Monochrome() const;
    static QImage* ImageOf(const TBitmap* bitmap);

    // The Qt font (and its metrics) for Font, kept while the font's settings stay the same:
    // charts measure many labels in one font.
    const QFont& FontFor(const TFont& font, bool antialias);
    const QFontMetrics& MetricsFor(const TFont& font, bool antialias);

private:
    struct FontKey
    {
        std::string name;
        int height = 0;
        TFontStyles style = 0;
        int pixelsPerInch = 0;
        bool antialias = true;
        bool operator==(const FontKey&) const = default;
    };
    std::optional<FontKey> FCachedKey;
    QFont FCachedFont;
    std::optional<QFontMetrics> FCachedMetrics;
};

// A canvas drawing into Image, which its owner keeps alive while the canvas exists. Giving the
// QImage object a new size or content is fine: every operation reads it afresh.
std::unique_ptr<TCanvas> CreateImageCanvas(QImage* image);
void SetCanvasImage(TCanvas* canvas, QImage* image);
QImage* CanvasImage(const TCanvas* canvas);

QImage& BitmapImage(TBitmap& bitmap);
const QImage& BitmapImage(const TBitmap& bitmap);
