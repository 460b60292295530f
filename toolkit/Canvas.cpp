// The canvas: drawing state (pen, brush, font, clip, pen position) over a 32-bit image, with
// lines and fills through the rasteriser and text through Qt.
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "toolkit/Canvas.h"
#include "toolkit/CodePage_p.h"
#include "toolkit/Graphics.h"
#include "toolkit/Graphics_p.h"
#include "toolkit/Raster.h"

namespace {

QRect ToQRect(const TRect& r)
{
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

TRect Intersection(const TRect& a, const TRect& b)
{
    TRect r;
    IntersectRect(r, a, b);
    return r;
}

TRect Union(const TRect& a, const TRect& b)
{
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                 std::max(a.Bottom, b.Bottom)};
}

bool IsDrawable(const QImage* image)
{
    return image != nullptr && !image->isNull() && image->depth() == 32;
}

// The raster over a canvas' image, clipped to the canvas' clip.
TRaster MakeRaster(QImage* image, bool hasClip, const TRect& clip)
{
    // One named result, built in the caller's place: a copy of the just-built raster stalled on
    // reading back its clip, measurable on small fills.
    const int scale = IsDrawable(image) ? ImageScale(*image) : 1;
    TRaster raster = IsDrawable(image) ? TRaster(reinterpret_cast<uint32_t*>(image->bits()),
                                                 image->width() / scale, image->height() / scale,
                                                 static_cast<int>(image->bytesPerLine() / 4), scale)
                                       : TRaster(nullptr, 0, 0, 0);
    if (hasClip) raster.SetClip(clip);
    return raster;
}

// Pen geometry: false when the pen draws nothing.
bool PenGeometry(const TPen& pen, TLinePattern& pattern, int& width)
{
    if (pen.IsAlternate()) {
        pattern = AlternatePattern;
        width = 1;
        return true;
    }
    if (pen.Style() == psClear) return false;
    width = std::clamp(pen.Width(), 1, kRasterLimit);
    // As on the platform, dash styles exist only for one-pixel pens; wider ones draw solid.
    pattern = width > 1 ? PatternForStyle(psSolid) : PatternForStyle(pen.Style());
    return true;
}

} // namespace

bool TCanvasPrivate::Monochrome() const
{
    return bitmap != nullptr && bitmap->Monochrome();
}

const QFont& TCanvasPrivate::FontFor(const TFont& font, bool antialias)
{
    FontKey key{font.Name(), font.Height(), font.Style(), font.PixelsPerInch(), antialias};
    if (!FCachedKey || !(*FCachedKey == key)) {
        FCachedFont = ToQFont(font, antialias);
        FCachedMetrics.emplace(FCachedFont);
        FCachedKey = std::move(key);
    }
    return FCachedFont;
}

const QFontMetrics& TCanvasPrivate::MetricsFor(const TFont& font, bool antialias)
{
    FontFor(font, antialias);
    return *FCachedMetrics;
}

// ---- TCanvas

TCanvas::TCanvas() : FPrivate(std::make_unique<TCanvasPrivate>()) {}

TCanvas::~TCanvas() = default;

int TCanvas::Width() const
{
    const QImage* image = FPrivate->image;
    return image != nullptr ? image->width() / ImageScale(*image) : 0;
}

int TCanvas::Height() const
{
    const QImage* image = FPrivate->image;
    return image != nullptr ? image->height() / ImageScale(*image) : 0;
}

void TCanvas::BeginDraw()
{
    if (OnChanging) OnChanging(this);
}

void TCanvas::EndDraw(const TRect& area)
{
    if (OnChange) OnChange(this);
    if (!OnTouched) return;
    const TRect bounds{0, 0, Width(), Height()};
    TRect touched = Intersection(area, bounds);
    if (FHasClip) touched = Intersection(touched, FClip);
    if (!touched.IsEmpty()) OnTouched(touched);
}

TRect TCanvas::ClipRect() const
{
    const TRect bounds{0, 0, Width(), Height()};
    return FHasClip ? Intersection(FClip, bounds) : bounds;
}

void TCanvas::SetClipRect(const TRect& rect)
{
    FClip = rect;
    FHasClip = true;
}

void TCanvas::RemoveClip()
{
    FHasClip = false;
    FClip = TRect{};
}

int TCanvas::PixelRatio() const
{
    const QImage* image = FPrivate->image;
    return image != nullptr ? ImageScale(*image) : 1;
}

TPoint TCanvas::PenPos() const
{
    return FPrivate->stroker.Position();
}

void TCanvas::MoveTo(int x, int y)
{
    FPrivate->stroker.MoveTo(x, y);
}

namespace {

// Strokes from the stroker's position to (X, Y) with Pen; a pen that leaves no trace only moves.
// The image is touched only when there is something to draw.
void StrokeTo(TStroker& stroker, const TCanvasPrivate& canvas, bool hasClip, const TRect& clip,
              const TPen& pen, int x, int y)
{
    TLinePattern pattern;
    int width = 1;
    if (!PenGeometry(pen, pattern, width)) {
        stroker.SkipTo(x, y);
        return;
    }
    uint32_t pixel = ColorToPixel(pen.Color());
    if (canvas.Monochrome()) pixel = MonoPixel(pixel);
    TRaster raster = MakeRaster(canvas.image, hasClip, clip);
    stroker.LineTo(raster, x, y, pixel, pen.Mode(), pattern, width);
}

} // namespace

void TCanvas::LineTo(int x, int y)
{
    BeginDraw();
    const TPoint from = FPrivate->stroker.Position();
    StrokeTo(FPrivate->stroker, *FPrivate, FHasClip, FClip, *FPen, x, y);
    EndDraw(TRaster::LineBounds(from.X, from.Y, x, y, FPen->Width()));
}

void TCanvas::Polyline(const std::vector<TPoint>& points)
{
    if (points.size() < 2) return;
    BeginDraw();
    // Its own pattern from the first point; the pen position stays where it was.
    TStroker stroker;
    stroker.MoveTo(points[0].X, points[0].Y);
    TRect area;
    for (size_t i = 1; i < points.size(); ++i) {
        const TPoint& a = points[i - 1];
        const TPoint& b = points[i];
        StrokeTo(stroker, *FPrivate, FHasClip, FClip, *FPen, b.X, b.Y);
        area = Union(area, TRaster::LineBounds(a.X, a.Y, b.X, b.Y, FPen->Width()));
    }
    EndDraw(area);
}

namespace {

void FillWithBrush(TRaster& raster, const TRect& rect, const TBrush& brush, bool mono,
                   TColor bkColor, int bkMode, TPenMode mode)
{
    const TBitmap* pattern = brush.Bitmap();
    if (pattern != nullptr && !pattern->Empty()) {
        const QImage& image = BitmapImage(*pattern);
        if (image.depth() == 32) {
            raster.FillPattern(rect, reinterpret_cast<const uint32_t*>(image.constBits()),
                               image.width(), image.height(),
                               static_cast<int>(image.bytesPerLine() / 4), mode);
            return;
        }
    }
    if (brush.Style() == bsClear) return;
    uint32_t fore = ColorToPixel(brush.Color());
    uint32_t back = ColorToPixel(bkColor);
    if (mono) {
        fore = MonoPixel(fore);
        back = MonoPixel(back);
    }
    if (brush.Style() == bsSolid)
        raster.FillRect(rect, fore, mode);
    else
        raster.FillHatch(rect, brush.Style(), fore, back, bkMode == OPAQUE, mode);
}

} // namespace

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const TRect rect = ClampToRasterRange(TRect{left, top, right, bottom});
    left = rect.Left;
    top = rect.Top;
    right = rect.Right;
    bottom = rect.Bottom;
    if (rect.IsEmpty()) return;
    BeginDraw();
    TRaster raster = MakeRaster(FPrivate->image, FHasClip, FClip);
    const bool mono = FPrivate->Monochrome();
    const TPenMode mode = FPen->Mode();
    TLinePattern pattern;
    int width = 1;
    if (!PenGeometry(*FPen, pattern, width)) {
        // Without an outline the brush covers the whole rectangle.
        FillWithBrush(raster, rect, *FBrush, mono, FBkColor, FBkMode, mode);
        EndDraw(rect);
        return;
    }
    TRect outer = rect;
    if (FPen->Style() != psInsideFrame && width > 1) {
        // The pen is centred on the one-pixel outline.
        const int before = width / 2;
        outer = TRect{left - before, top - before, right - 1 - before + width,
                      bottom - 1 - before + width};
    }
    const TRect inner{outer.Left + width, outer.Top + width, outer.Right - width,
                      outer.Bottom - width};
    if (!inner.IsEmpty()) FillWithBrush(raster, inner, *FBrush, mono, FBkColor, FBkMode, mode);
    uint32_t pixel = ColorToPixel(FPen->Color());
    if (mono) pixel = MonoPixel(pixel);
    if (pattern.IsSolid() || width > 1) {
        raster.FrameRect(outer, width, pixel, mode);
    } else {
        TStroker stroker;
        stroker.MoveTo(left, top);
        if (outer.Width() == 1 || outer.Height() == 1) {
            stroker.LineTo(raster, outer.Width() == 1 ? left : right,
                           outer.Width() == 1 ? bottom : top, pixel, mode, pattern, 1);
        } else {
            // Clockwise from the top-left corner; each side stops before the next corner.
            const int r = right - 1;
            const int b = bottom - 1;
            stroker.LineTo(raster, r, top, pixel, mode, pattern, 1);
            stroker.LineTo(raster, r, b, pixel, mode, pattern, 1);
            stroker.LineTo(raster, left, b, pixel, mode, pattern, 1);
            stroker.LineTo(raster, left, top, pixel, mode, pattern, 1);
        }
    }
    EndDraw(outer);
}

void TCanvas::FillRect(const TRect& rect)
{
    BeginDraw();
    TRaster raster = MakeRaster(FPrivate->image, FHasClip, FClip);
    FillWithBrush(raster, rect, *FBrush, FPrivate->Monochrome(), FBkColor, FBkMode, pmCopy);
    EndDraw(ClampToRasterRange(rect));
}

void TCanvas::FrameRect(const TRect& rect)
{
    if (FBrush->Style() == bsClear && FBrush->Bitmap() == nullptr) return;
    BeginDraw();
    TRaster raster = MakeRaster(FPrivate->image, FHasClip, FClip);
    uint32_t pixel = ColorToPixel(FBrush->Color());
    if (FPrivate->Monochrome()) pixel = MonoPixel(pixel);
    raster.FrameRect(rect, 1, pixel, pmCopy);
    EndDraw(ClampToRasterRange(rect));
}

TColor TCanvas::Pixels(int x, int y) const
{
    const QImage* image = FPrivate->image;
    if (!IsDrawable(image) || x < 0 || y < 0 || x >= Width() || y >= Height()) return 0xFFFFFFFFu;
    const int s = ImageScale(*image);
    return PixelToColor(reinterpret_cast<const uint32_t*>(image->constScanLine(y * s))[x * s]);
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    BeginDraw();
    TRaster raster = MakeRaster(FPrivate->image, FHasClip, FClip);
    uint32_t pixel = ColorToPixel(color);
    if (FPrivate->Monochrome()) pixel = MonoPixel(pixel);
    raster.SetPixel(x, y, pixel, pmCopy);
    const int cx = ClampToRasterRange(x);
    const int cy = ClampToRasterRange(y);
    EndDraw(TRect{cx, cy, cx + 1, cy + 1});
}

void TCanvas::Frame3D(TRect& rect, TColor topColor, TColor bottomColor, int width)
{
    FPen->SetWidth(1);
    --rect.Bottom;
    --rect.Right;
    while (width > 0) {
        --width;
        const TPoint topRight{rect.Right, rect.Top};
        TPoint bottomLeft{rect.Left, rect.Bottom};
        FPen->SetColor(topColor);
        Polyline({bottomLeft, TPoint{rect.Left, rect.Top}, topRight});
        FPen->SetColor(bottomColor);
        --bottomLeft.X;
        Polyline({topRight, TPoint{rect.Right, rect.Bottom}, bottomLeft});
        ++rect.Left;
        ++rect.Top;
        --rect.Right;
        --rect.Bottom;
    }
    ++rect.Bottom;
    ++rect.Right;
}

TSize TCanvas::TextExtent(const std::string& text) const
{
    const QFontMetrics& metrics = FPrivate->MetricsFor(*FFont, !FPrivate->Monochrome());
    return TSize{metrics.horizontalAdvance(DecodeCanvasText(text)), metrics.height()};
}

void TCanvas::TextOut(int x, int y, const std::string& text)
{
    DrawText(x, y, FFont->Orientation() / 10.0, text);
}

void TCanvas::TextOutRotated(int x, int y, double angle, const std::string& text)
{
    DrawText(x, y, angle, text);
}

void TCanvas::DrawText(int x, int y, double angle, const std::string& text)
{
    QImage* image = FPrivate->image;
    BeginDraw();
    if (image == nullptr || image->isNull()) {
        EndDraw(TRect{});
        return;
    }
    const bool mono = FPrivate->Monochrome();
    const QFont font = FPrivate->FontFor(*FFont, !mono);
    const QFontMetrics metrics = FPrivate->MetricsFor(*FFont, !mono);
    const QString s = DecodeCanvasText(text);
    // Far-off text stays far off; the clamp keeps the cell arithmetic in range.
    x = ClampToRasterRange(x);
    y = ClampToRasterRange(y);
    const int w = metrics.horizontalAdvance(s);
    const int h = metrics.height();
    int ox = 0;
    switch (FTextAlign & TA_CENTER) {
    case TA_RIGHT:
        ox = -w;
        break;
    case TA_CENTER:
        ox = -(w / 2);
        break;
    default:
        break;
    }
    int oy = 0;
    switch (FTextAlign & TA_BASELINE) {
    case TA_BOTTOM:
        oy = -h;
        break;
    case TA_BASELINE:
        oy = -metrics.ascent();
        break;
    default:
        break;
    }
    const QRect cell(ox, oy, w, h);

    QTransform transform;
    transform.translate(x, y);
    if (angle != 0.0) transform.rotate(-angle);
    const QRect mapped = transform.mapRect(QRectF(cell)).toAlignedRect();
    const TRect area{mapped.left(), mapped.top(), mapped.left() + mapped.width(),
                     mapped.top() + mapped.height()};

    {
        // An image for a denser screen scales the painter: the text is rasterised at the
        // screen's own resolution, in the same layout place.
        QPainter painter(image);
        const TRect bounds{0, 0, Width(), Height()};
        painter.setClipRect(ToQRect(FHasClip ? Intersection(FClip, bounds) : bounds));
        painter.setTransform(transform);
        if (FBkMode == OPAQUE) {
            uint32_t back = ColorToPixel(FBkColor);
            if (mono) back = MonoPixel(back);
            painter.fillRect(cell, QColor::fromRgb(back));
        }
        uint32_t fore = ColorToPixel(FFont->Color());
        if (mono) fore = MonoPixel(fore);
        painter.setPen(QColor::fromRgb(fore));
        painter.setFont(font);
        painter.drawText(ox, oy + metrics.ascent(), s);
    }
    EndDraw(area);
}

namespace {

// Plain copy of Src's Source rectangle to Dest at (dx, dy), clipped to Clip (inside Dest); both
// images hold Scale image pixels per layout pixel, the rectangles are in layout pixels.
void BlockCopy(QImage& dest, const TRect& clip, int dx, int dy, const QImage& src,
               const TRect& source, bool mono, int scale)
{
    const TRect srcBounds =
        Intersection(source, TRect{0, 0, src.width() / scale, src.height() / scale});
    // Where the readable source lands in the destination.
    const long long shiftX = static_cast<long long>(dx) - source.Left;
    const long long shiftY = static_cast<long long>(dy) - source.Top;
    const TRect landed{ClampToRasterRange(srcBounds.Left + shiftX),
                       ClampToRasterRange(srcBounds.Top + shiftY),
                       ClampToRasterRange(srcBounds.Right + shiftX),
                       ClampToRasterRange(srcBounds.Bottom + shiftY)};
    TRect r = Intersection(landed, clip);
    if (r.IsEmpty()) return;
    int sx = static_cast<int>(r.Left - shiftX);
    int sy0 = static_cast<int>(r.Top - shiftY);
    if (scale > 1) {
        r = TRect{r.Left * scale, r.Top * scale, r.Right * scale, r.Bottom * scale};
        sx *= scale;
        sy0 *= scale;
    }
    const bool sameImage = dest.constBits() == src.constBits();
    // Overlapping copies within one image walk away from the rows they are about to write.
    const bool upward = sameImage && r.Top > sy0;
    for (int i = 0; i < r.Height(); ++i) {
        const int row = upward ? r.Height() - 1 - i : i;
        const auto* from = reinterpret_cast<const uint32_t*>(src.constScanLine(sy0 + row)) + sx;
        auto* to = reinterpret_cast<uint32_t*>(dest.scanLine(r.Top + row)) + r.Left;
        if (sameImage) {
            std::memmove(to, from, static_cast<size_t>(r.Width()) * 4);
            for (int x = 0; x < r.Width(); ++x)
                to[x] |= 0xFF000000u;
        } else {
            for (int x = 0; x < r.Width(); ++x)
                to[x] = from[x] | 0xFF000000u;
        }
        if (mono) {
            for (int x = 0; x < r.Width(); ++x)
                to[x] = MonoPixel(to[x]);
        }
    }
}

} // namespace

void TCanvas::CopyRect(const TRect& destRect, const TCanvas* source, const TRect& sourceArea)
{
    const TRect dest = ClampToRasterRange(destRect);
    const TRect sourceRect = ClampToRasterRange(sourceArea);
    if (source == nullptr) return;
    QImage* target = FPrivate->image;
    const QImage* from = source->FPrivate->image;
    BeginDraw();
    if (!IsDrawable(target) || from == nullptr || from->isNull() || dest.IsEmpty() ||
        sourceRect.IsEmpty()) {
        EndDraw(TRect{});
        return;
    }
    const TRect clip = ClipRect();
    const int scale = ImageScale(*target);
    const int fromScale = ImageScale(*from);
    if (dest.Width() == sourceRect.Width() && dest.Height() == sourceRect.Height() &&
        from->depth() == 32 && scale == fromScale) {
        BlockCopy(*target, clip, dest.Left, dest.Top, *from, sourceRect, FPrivate->Monochrome(),
                  scale);
    } else {
        // Stretching is rare (pictures scaled into a rectangle, or between screens of another
        // density): Qt does it.
        const auto at = [fromScale](int v) {
            return ClampToRasterRange(static_cast<long long>(v) * fromScale);
        };
        const QImage copy = from->copy(ToQRect(TRect{at(sourceRect.Left), at(sourceRect.Top),
                                                     at(sourceRect.Right), at(sourceRect.Bottom)}));
        QPainter painter(target);
        painter.setClipRect(ToQRect(clip));
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(ToQRect(dest), copy);
    }
    EndDraw(dest);
}

void TCanvas::Draw(int x, int y, const TBitmap* bitmap)
{
    if (bitmap == nullptr || bitmap->Empty()) return;
    x = ClampToRasterRange(x);
    y = ClampToRasterRange(y);
    CopyRect(TRect{x, y, x + bitmap->Width(), y + bitmap->Height()}, bitmap->Canvas(),
             TRect{0, 0, bitmap->Width(), bitmap->Height()});
}

void TCanvas::StretchDraw(const TRect& dest, const TBitmap* bitmap)
{
    if (bitmap == nullptr || bitmap->Empty()) return;
    CopyRect(dest, bitmap->Canvas(), TRect{0, 0, bitmap->Width(), bitmap->Height()});
}

std::unique_ptr<TCanvas> CreateImageCanvas(QImage* image)
{
    auto canvas = std::make_unique<TCanvas>();
    canvas->Private()->image = image;
    return canvas;
}

void SetCanvasImage(TCanvas* canvas, QImage* image)
{
    if (canvas != nullptr) canvas->Private()->image = image;
}

QImage* CanvasImage(const TCanvas* canvas)
{
    return canvas != nullptr ? canvas->Private()->image : nullptr;
}
