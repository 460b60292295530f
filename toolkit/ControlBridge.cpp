// The bridge between Qt and the controls: Qt's mouse, paint and size events into the
// controls' virtuals, and the host widget that shows a painted control's backing image.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "toolkit/Controls.h"
#include "toolkit/Controls_p.h"
#include "toolkit/Forms.h"
#include "toolkit/Graphics_p.h"

namespace {

// Qt delivers wheel turns in eighths of a degree; one notch is 15 degrees.
constexpr int kWheelNotch = 120;

bool ButtonFromQt(Qt::MouseButton b, TMouseButton& out)
{
    switch (b) {
    case Qt::LeftButton:
        out = mbLeft;
        return true;
    case Qt::RightButton:
        out = mbRight;
        return true;
    case Qt::MiddleButton:
        out = mbMiddle;
        return true;
    default:
        return false;
    }
}

} // namespace

void TControlBridge::MousePress(TControl* c, QMouseEvent* e, bool doubleClick)
{
    TMouseButton button = mbLeft;
    if (!ButtonFromQt(e->button(), button)) return;
    TShiftState shift = ShiftFromQt(e->modifiers(), e->buttons());
    if (doubleClick) shift |= ssDouble;
    const QPoint p = e->position().toPoint();
    GuardedCall([&] { c->MouseDown(button, shift, p.x(), p.y()); });
}

void TControlBridge::MouseMove(TControl* c, QMouseEvent* e)
{
    const TShiftState shift = ShiftFromQt(e->modifiers(), e->buttons());
    const QPoint p = e->position().toPoint();
    GuardedCall([&] { c->MouseMove(shift, p.x(), p.y()); });
}

void TControlBridge::MouseRelease(TControl* c, QMouseEvent* e)
{
    TMouseButton button = mbLeft;
    if (!ButtonFromQt(e->button(), button)) return;
    const TShiftState shift = ShiftFromQt(e->modifiers(), e->buttons());
    const QPoint p = e->position().toPoint();
    GuardedCall([&] { c->MouseUp(button, shift, p.x(), p.y()); });
}

void TControlBridge::Leave(TControl* c)
{
    GuardedCall([&] { c->MouseLeave(); });
}

bool TControlBridge::Wheel(TControl* c, QWheelEvent* e)
{
    TControlPrivate* priv = c->Private();
    priv->wheelRemainder += e->angleDelta().y();
    const TShiftState shift = ShiftFromQt(e->modifiers(), e->buttons());
    const QPoint g = e->globalPosition().toPoint();
    const TPoint pos{g.x(), g.y()};
    bool handled = false;
    // The control may go away inside a handler; stop as soon as it does.
    QPointer<QWidget> alive = priv->widget;
    while (alive && priv->control == c && std::abs(priv->wheelRemainder) >= kWheelNotch) {
        const bool down = priv->wheelRemainder < 0;
        priv->wheelRemainder += down ? kWheelNotch : -kWheelNotch;
        GuardedCall([&] {
            if (down ? c->DoMouseWheelDown(shift, pos) : c->DoMouseWheelUp(shift, pos))
                handled = true;
        });
    }
    return handled;
}

namespace {

// More pieces than this and the control is painted whole: each piece is a Paint() call.
constexpr int kMaxPaintPieces = 16;

// The control's own rectangle without the shown, painted children over it (they draw every
// pixel of theirs, see THostWidget).
QRegion UncoveredRegion(TControl* c)
{
    QRegion region(0, 0, std::max(0, c->Width()), std::max(0, c->Height()));
    auto* w = dynamic_cast<TWinControl*>(c);
    if (w == nullptr) return region;
    for (int i = 0; i < w->ControlCount(); ++i) {
        TControl* child = w->Controls(i);
        const TControlPrivate* priv = ControlPrivate(child);
        if (priv->painted && priv->widget != nullptr && priv->widget->isVisible())
            region -= QRegion(child->Left(), child->Top(), child->Width(), child->Height());
    }
    return region;
}

// The image pixels of a rectangle of layout pixels.
QRect ImageRect(const QImage& image, const QRect& r)
{
    const int s = ImageScale(image);
    return QRect(r.x() * s, r.y() * s, r.width() * s, r.height() * s);
}

// As QImage::fill with the same value, over one rectangle (of layout pixels) only.
void FillPixels(QImage& image, const QRect& layout, uint pixel)
{
    const QRect r = ImageRect(image, layout);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        auto* line = reinterpret_cast<uint*>(image.scanLine(y));
        std::fill(line + r.left(), line + r.right() + 1, pixel);
    }
}

} // namespace

int BackingScale(const TControlPrivate* priv)
{
    const QWidget* w = priv->widget;
    return w != nullptr ? std::max(1, static_cast<int>(std::ceil(w->devicePixelRatioF() - 1e-6)))
                        : 1;
}

bool BackingFits(const TControlPrivate* priv, int width, int height)
{
    const QImage& image = priv->image;
    // An empty control has no image at any density.
    if (width <= 0 || height <= 0) return image.isNull();
    const int s = ImageScale(image);
    return s == BackingScale(priv) && image.width() / s == width && image.height() / s == height;
}

bool HasPaintedChild(const TControl* c)
{
    auto* w = dynamic_cast<const TWinControl*>(c);
    if (w == nullptr) return false;
    for (int i = 0; i < w->ControlCount(); ++i)
        if (ControlPrivate(w->Controls(i))->painted) return true;
    return false;
}

void TControlBridge::PaintIfNeeded(TControl* c, const QRegion* needed)
{
    TControlPrivate* priv = c->Private();
    if (!priv->painted || priv->painting) return;
    if (needed != nullptr && !(*needed - priv->paintedRegion).isEmpty()) priv->invalidated = true;
    // Moved to a screen of another density: painted afresh at its resolution.
    const bool fits = BackingFits(priv, std::max(0, c->Width()), std::max(0, c->Height()));
    if (!fits) priv->invalidated = true;
    if (!priv->invalidated) return;
    priv->invalidated = false;
    if (!fits) {
        priv->image = NewScaledImage(c->Width(), c->Height(), BackingScale(priv));
        priv->unfilled = false;
    }
    const QRegion whole(0, 0, std::max(0, c->Width()), std::max(0, c->Height()));
    QRegion region = UncoveredRegion(c);
    if ((needed != nullptr && !(*needed - region).isEmpty()) ||
        region.rectCount() > kMaxPaintPieces)
        region = whole;
    priv->paintedRegion = region;
    priv->painting = true;
    GuardedCall([&] {
        if (priv->image.isNull()) {
            c->Paint();
            return;
        }
        const bool fill = !c->EraseBackground() || priv->unfilled;
        if (region == whole) {
            if (fill) priv->image.fill(ColorToPixel(c->Color()));
            priv->unfilled = false;
            c->Paint();
            return;
        }
        TCanvas* canvas = priv->canvas.get();
        for (const QRect& r : region) {
            if (fill) FillPixels(priv->image, r, ColorToPixel(c->Color()));
            canvas->SetClipRect(TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
            c->Paint();
            canvas->RemoveClip();
        }
    });
    priv->painting = false;
}

void TControlBridge::FirstShown(TControl* c)
{
    auto* w = dynamic_cast<TWinControl*>(c);
    if (w == nullptr) return;
    // A window's first sizing: every windowed control hears of its size once, parents
    // before their children, as when the platform first creates the windows.
    GuardedCall([&] { w->Resize(); });
    for (int i = 0; i < w->ControlCount(); ++i)
        FirstShown(w->Controls(i));
}

void TControlBridge::WidgetResized(TControl* c, int left, int top, int width, int height)
{
    GuardedCall([&] { c->SetBounds(left, top, width, height); });
}

void TControlBridge::Attach(TControl* c, QWidget* widget)
{
    TControlPrivate* priv = c->Private();
    priv->widget = widget;
    widget->setGeometry(c->Left(), c->Top(), std::max(0, c->Width()), std::max(0, c->Height()));
    widget->setFont(ToQFont(*c->Font()));
    if (c->Cursor() != crDefault) widget->setCursor(CursorShape(c->Cursor()));
    widget->setEnabled(c->Enabled());
    widget->setVisible(false);
    c->ApplyColor();
}

TControlPrivate* ControlPrivate(const TControl* control)
{
    return TControlBridge::PrivateOf(control);
}

THostWidget::THostWidget(TControlPrivate* priv) : TInputForwarder<QWidget>(priv)
{
    // The backing image covers every pixel, so Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

bool THostWidget::event(QEvent* e)
{
    switch (e->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::ParentChange:
        FPriv->updateQueued = false;
        break;
    default:
        break;
    }
    return TInputForwarder<QWidget>::event(e);
}

void THostWidget::paintEvent(QPaintEvent* e)
{
    // Cleared first: an invalidation from inside Paint() must queue the next paint.
    FPriv->updateQueued = false;
    if (FPriv->control != nullptr) TControlBridge::PaintIfNeeded(FPriv->control, &e->region());
    QPainter painter(this);
    if (FPriv->image.isNull()) return;
    // A backing image of the screen's own density lands pixel for pixel; only a fractional
    // ratio makes Qt reduce it, smoothly then.
    if (devicePixelRatioF() != ImageScale(FPriv->image))
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Piece by piece: the pixels under opaque children may never have been drawn.
    for (const QRect& r : e->region())
        painter.drawImage(r, FPriv->image, ImageRect(FPriv->image, r));
}
