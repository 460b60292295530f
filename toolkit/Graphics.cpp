#include "toolkit/Graphics.h"
#include "toolkit/Canvas.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "toolkit/CodePage_p.h"
#include "toolkit/Graphics_p.h"
#include "toolkit/Raster.h"

namespace {

// System colours as 0x00BBGGRR, fixed so that pictures do not depend on the desktop theme.
constexpr std::array<uint32_t, 25> kSystemColors = {
    0xC8C8C8, // scroll bar
    0x000000, // desktop background
    0xD1B499, // active caption
    0xDBCDBF, // inactive caption
    0xF0F0F0, // menu
    0xFFFFFF, // window
    0x646464, // window frame
    0x000000, // menu text
    0x000000, // window text
    0x000000, // caption text
    0xB4B4B4, // active border
    0xFCF7F4, // inactive border
    0xABABAB, // application workspace
    0xD77800, // highlight
    0xFFFFFF, // highlight text
    0xF0F0F0, // button face
    0xA0A0A0, // button shadow
    0x6D6D6D, // grey text
    0x000000, // button text
    0x000000, // inactive caption text
    0xFFFFFF, // button highlight
    0x696969, // 3D dark shadow
    0xE3E3E3, // 3D light
    0x000000, // info text
    0xE1FFFF, // info background
};

} // namespace

uint32_t ColorToRGB(TColor color)
{
    if ((color & clSystemColor) != 0) {
        const uint32_t index = color & 0xFF;
        return index < kSystemColors.size() ? kSystemColors[index] : 0;
    }
    return color & 0x00FFFFFF;
}

uint32_t ColorToPixel(TColor color)
{
    const uint32_t rgb = ColorToRGB(color);
    return 0xFF000000u | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

TColor PixelToColor(uint32_t pixel)
{
    return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}

QString DecodeCanvasText(const std::string& text)
{
    return Cp1251ToQString(text);
}

QFont ToQFont(const TFont& font, bool antialias)
{
    QFont f;
    const std::string& name = font.Name();
    if (name.empty() || name == "MS Sans Serif" || name == "MS Shell Dlg" ||
        name == "MS Shell Dlg 2" || name == "System") {
        // The window toolkit's own font: whatever sans the system prefers.
        f.setFamily(QStringLiteral("Sans Serif"));
        f.setStyleHint(QFont::SansSerif);
    } else {
        f.setFamily(DecodeCanvasText(name));
    }
    f.setBold((font.Style() & fsBold) != 0);
    f.setItalic((font.Style() & fsItalic) != 0);
    f.setUnderline((font.Style() & fsUnderline) != 0);
    f.setStrikeOut((font.Style() & fsStrikeOut) != 0);
    if (!antialias) f.setStyleStrategy(QFont::NoAntialias);
    int height = font.Height();
    if (height == 0) height = -MulDiv(8, font.PixelsPerInch(), 72);
    if (height < 0) {
        f.setPixelSize(std::max(1, -height));
    } else {
        // A cell height: pick the character height whose line is that tall.
        f.setPixelSize(std::max(1, height));
        const int cell = QFontMetrics(f).height();
        int size = cell > 0 ? std::max(1, (height * height + cell / 2) / cell) : height;
        f.setPixelSize(size);
        // The estimate can fall a pixel short: take the largest size whose line still fits.
        for (int step = 0; step < 4; ++step) {
            QFont larger = f;
            larger.setPixelSize(size + 1);
            if (QFontMetrics(larger).height() > height) break;
            f = larger;
            ++size;
        }
    }
    return f;
}

// ---- TPen, TBrush, TFont

void TPen::Changed()
{
    if (OnChange) OnChange(this);
}

void TPen::SetColor(TColor value)
{
    if (value == FColor && !FAlternate) return;
    FColor = value;
    FAlternate = false;
    Changed();
}

void TPen::SetMode(TPenMode value)
{
    if (value == FMode) return;
    FMode = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value)
{
    if (value == FStyle && !FAlternate) return;
    FStyle = value;
    FAlternate = false;
    Changed();
}

void TPen::SetWidth(int value)
{
    value = std::max(value, 1);
    if (value == FWidth && !FAlternate) return;
    FWidth = value;
    FAlternate = false;
    Changed();
}

void TPen::SelectAlternatePen(TColor color)
{
    if (FAlternate && FColor == color && FWidth == 1) return;
    FAlternate = true;
    FColor = color;
    FWidth = 1;
    Changed();
}

void TPen::Assign(const TPersistent* source)
{
    const auto* pen = dynamic_cast<const TPen*>(source);
    if (pen == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (pen == this) return;
    const bool same = FColor == pen->FColor && FMode == pen->FMode && FStyle == pen->FStyle &&
                      FWidth == pen->FWidth && FAlternate == pen->FAlternate;
    FColor = pen->FColor;
    FMode = pen->FMode;
    FStyle = pen->FStyle;
    FWidth = pen->FWidth;
    FAlternate = pen->FAlternate;
    if (!same) Changed();
}

void TBrush::Changed()
{
    if (OnChange) OnChange(this);
}

void TBrush::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value)
{
    if (value == FStyle) return;
    FStyle = value;
    Changed();
}

void TBrush::SetBitmap(TBitmap* value)
{
    if (value == FBitmap) return;
    FBitmap = value;
    Changed();
}

void TBrush::Assign(const TPersistent* source)
{
    const auto* brush = dynamic_cast<const TBrush*>(source);
    if (brush == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (brush == this) return;
    const bool same =
        FColor == brush->FColor && FStyle == brush->FStyle && FBitmap == brush->FBitmap;
    FColor = brush->FColor;
    FStyle = brush->FStyle;
    FBitmap = brush->FBitmap;
    if (!same) Changed();
}

void TFont::Changed()
{
    if (OnChange) OnChange(this);
}

void TFont::SetName(const std::string& value)
{
    if (value == FName) return;
    FName = value;
    Changed();
}

int TFont::Size() const
{
    return -MulDiv(FHeight, 72, FPixelsPerInch);
}

void TFont::SetSize(int value)
{
    SetHeight(-MulDiv(value, FPixelsPerInch, 72));
}

void TFont::SetHeight(int value)
{
    if (value == FHeight) return;
    FHeight = value;
    Changed();
}

void TFont::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    Changed();
}

void TFont::SetStyle(TFontStyles value)
{
    if (value == FStyle) return;
    FStyle = value;
    Changed();
}

void TFont::SetCharset(uint8_t value)
{
    if (value == FCharset) return;
    FCharset = value;
    Changed();
}

void TFont::SetPixelsPerInch(int value)
{
    if (value <= 0 || value == FPixelsPerInch) return;
    FPixelsPerInch = value;
    Changed();
}

void TFont::SetOrientation(int value)
{
    if (value == FOrientation) return;
    FOrientation = value;
    Changed();
}

void TFont::Assign(const TPersistent* source)
{
    const auto* font = dynamic_cast<const TFont*>(source);
    if (font == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (font == this) return;
    const bool same = FName == font->FName && FHeight == font->FHeight && FColor == font->FColor &&
                      FStyle == font->FStyle && FCharset == font->FCharset &&
                      FPixelsPerInch == font->FPixelsPerInch && FOrientation == font->FOrientation;
    FName = font->FName;
    FHeight = font->FHeight;
    FColor = font->FColor;
    FStyle = font->FStyle;
    FCharset = font->FCharset;
    FPixelsPerInch = font->FPixelsPerInch;
    FOrientation = font->FOrientation;
    if (!same) Changed();
}

// ---- TBitmap

QImage NewScaledImage(int width, int height, int scale)
{
    if (width <= 0 || height <= 0) return QImage();
    scale = std::max(scale, 1);
    if (static_cast<long long>(width) * scale > kRasterLimit ||
        static_cast<long long>(height) * scale > kRasterLimit)
        return QImage();
    QImage image(width * scale, height * scale, QImage::Format_RGB32);
    if (scale > 1 && !image.isNull()) image.setDevicePixelRatio(scale);
    return image;
}

struct TBitmap::Image
{
    QImage image;
    // Kept apart from the image: a bitmap may have a width and no height yet.
    int width = 0;
    int height = 0;
    int scale = 1;
};

QImage* TCanvasPrivate::ImageOf(const TBitmap* bitmap)
{
    return bitmap != nullptr ? &bitmap->FImage->image : nullptr;
}

QImage& BitmapImage(TBitmap& bitmap)
{
    return *TCanvasPrivate::ImageOf(&bitmap);
}

const QImage& BitmapImage(const TBitmap& bitmap)
{
    return *TCanvasPrivate::ImageOf(&bitmap);
}

TBitmap::TBitmap() : FImage(std::make_unique<Image>()), FCanvas(std::make_unique<TCanvas>())
{
    FCanvas->Private()->image = &FImage->image;
    FCanvas->Private()->bitmap = this;
    FCanvas->OnChange = [this](TObject*) {
        if (OnChange) OnChange(this);
    };
}

TBitmap::~TBitmap() = default;

int TBitmap::Width() const
{
    return FImage->width;
}

int TBitmap::Height() const
{
    return FImage->height;
}

void TBitmap::SetWidth(int value)
{
    SetSize(value, Height());
}

void TBitmap::SetHeight(int value)
{
    SetSize(Width(), value);
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == Width() && height == Height()) return;
    QImage resized;
    if (width > 0 && height > 0) {
        resized = NewScaledImage(width, height, FImage->scale);
        if (resized.isNull()) throw EOutOfMemory();
        resized.fill(kWhitePixel);
        const QImage& old = FImage->image;
        const int w = std::min(resized.width(), old.width());
        const int h = std::min(resized.height(), old.height());
        for (int y = 0; y < h; ++y)
            std::memcpy(resized.scanLine(y), old.constScanLine(y), static_cast<size_t>(w) * 4);
    }
    FImage->image = std::move(resized);
    FImage->width = width;
    FImage->height = height;
    if (OnChange) OnChange(this);
}

int TBitmap::PixelRatio() const
{
    return FImage->scale;
}

void TBitmap::SetPixelRatio(int value)
{
    value = std::max(value, 1);
    if (value == FImage->scale) return;
    QImage& old = FImage->image;
    QImage resized;
    if (!old.isNull()) {
        resized = NewScaledImage(FImage->width, FImage->height, value);
        if (resized.isNull()) throw EOutOfMemory();
        resized.fill(kWhitePixel);
        QPainter painter(&resized);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRect(0, 0, FImage->width, FImage->height), old);
    }
    FImage->image = std::move(resized);
    FImage->scale = value;
    if (OnChange) OnChange(this);
}

void TBitmap::SetMonochrome(bool value)
{
    if (value == FMonochrome) return;
    FMonochrome = value;
    QImage& image = FImage->image;
    if (FMonochrome) {
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] = MonoPixel(row[x]);
        }
    }
    if (OnChange) OnChange(this);
}

TColor TBitmap::PixelColor(int x, int y) const
{
    return FCanvas->Pixels(x, y);
}

void TBitmap::SaveToFile(const std::string& fileName) const
{
    if (FImage->image.isNull() || !FImage->image.save(DecodeCanvasText(fileName), "PNG"))
        throw EFCreateError(fileName);
}

void TBitmap::LoadFromFile(const std::string& fileName)
{
    QImage loaded;
    if (!loaded.load(DecodeCanvasText(fileName))) throw EFOpenError(fileName);
    FImage->image = loaded.convertToFormat(QImage::Format_RGB32);
    FImage->image.setDevicePixelRatio(1);
    FImage->width = FImage->image.width();
    FImage->height = FImage->image.height();
    FImage->scale = 1;
    if (FMonochrome) {
        FMonochrome = false;
        SetMonochrome(true);
        return;
    }
    if (OnChange) OnChange(this);
}

void TBitmap::Assign(const TPersistent* source)
{
    const auto* bitmap = dynamic_cast<const TBitmap*>(source);
    if (bitmap == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (bitmap == this) return;
    FImage->image = bitmap->FImage->image.copy();
    FImage->width = bitmap->FImage->width;
    FImage->height = bitmap->FImage->height;
    FImage->scale = bitmap->FImage->scale;
    FMonochrome = bitmap->FMonochrome;
    if (OnChange) OnChange(this);
}
