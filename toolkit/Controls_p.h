// Private side of the controls: the Qt widget behind each control, the backing image
// of painted controls, and the bridge through which widget events reach the control.
#pragma once

#include <QImage>
#include <QMouseEvent>
#include <QPointer>
#include <QRegion>
#include <QWheelEvent>
#include <QWidget>
#include <exception>
#include <memory>

#include "toolkit/Canvas.h"
#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"

struct TControlPrivate
{
    // Cleared when the control starts to go, so late widget events find nobody.
    TControl* control = nullptr;
    QPointer<QWidget> widget;
    bool painted = false;
    QImage image;
    // The part of the image that Paint() last drew. Under opaque painted children a control
    // is drawn only where it shows, so the covered pixels of a large image are never written
    // and take no memory; a paint event asking for more than this paints again.
    QRegion paintedRegion;
    // A new image not yet filled with the control's colour: filled where it is first painted.
    bool unfilled = false;
    std::unique_ptr<TCanvas> canvas;
    bool invalidated = true;
    // A full update of the shown widget is queued with Qt and its paint event has not run yet,
    // so further invalidations need not call into Qt (a chart asks once per added point).
    // Anything that may drop the queued paint (hide, show, move, resize, new parent) clears it.
    bool updateQueued = false;
    // Full updates handed to Qt; lets tests see the coalescing.
    int updateRequests = 0;
    bool painting = false;
    int wheelRemainder = 0;
    bool everShown = false;
};

// Runs F; an exception leaving it goes to the application's error box instead of
// crossing the Qt frame that called us.
void GuardedCall(const std::function<void()>& f);
// The platform's pointer shape for a cursor number.
Qt::CursorShape CursorShape(TCursor cursor);
// Whether any child of C paints itself over it.
bool HasPaintedChild(const TControl* c);
// Backing image pixels per layout pixel for the screen the control's widget is on: the screen's
// device pixel ratio, a fractional one rounded up so that Qt shows the image reduced, not blown
// up.
int BackingScale(const TControlPrivate* priv);
// Whether the backing image is Width x Height layout pixels for the widget's screen.
bool BackingFits(const TControlPrivate* priv, int width, int height);

TShiftState ShiftFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
QWidget* ControlWidget(const TControl* control);
TControlPrivate* ControlPrivate(const TControl* control);

class TControlBridge
{
public:
    static void MousePress(TControl* c, QMouseEvent* e, bool doubleClick);
    static void MouseMove(TControl* c, QMouseEvent* e);
    static void MouseRelease(TControl* c, QMouseEvent* e);
    static void Leave(TControl* c);
    // True when a wheel step was handled.
    static bool Wheel(TControl* c, QWheelEvent* e);
    // Erase and Paint() into the backing image, now, if a paint is pending: where no opaque
    // painted child covers the control, or everywhere when Needed asks for a covered pixel.
    static void PaintIfNeeded(TControl* c, const QRegion* needed = nullptr);
    static void FirstShown(TControl* c);
    static void Click(TControl* c) { c->Click(); }
    // The platform moved or resized a window (the user dragged its frame).
    static void WidgetResized(TControl* c, int left, int top, int width, int height);
    static void Attach(TControl* c, QWidget* widget);
    static TControlPrivate* PrivateOf(const TControl* c) { return c->Private(); }
};

// Forwards the mouse events of a Qt widget to its control before the widget's own
// handling (a button still clicks, an edit still places its cursor).
template <class Base> class TInputForwarder : public Base
{
public:
    explicit TInputForwarder(TControlPrivate* priv, QWidget* parent = nullptr)
        : Base(parent), FPriv(priv)
    {
        Base::setMouseTracking(true);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (FPriv->control != nullptr) TControlBridge::MousePress(FPriv->control, e, false);
        Base::mousePressEvent(e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        if (FPriv->control != nullptr) TControlBridge::MousePress(FPriv->control, e, true);
        Base::mouseDoubleClickEvent(e);
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (FPriv->control != nullptr) TControlBridge::MouseMove(FPriv->control, e);
        Base::mouseMoveEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (FPriv->control != nullptr) TControlBridge::MouseRelease(FPriv->control, e);
        Base::mouseReleaseEvent(e);
    }
    void leaveEvent(QEvent* e) override
    {
        if (FPriv->control != nullptr) TControlBridge::Leave(FPriv->control);
        Base::leaveEvent(e);
    }
    void wheelEvent(QWheelEvent* e) override
    {
        if (FPriv->control != nullptr && TControlBridge::Wheel(FPriv->control, e)) {
            e->accept();
            return;
        }
        Base::wheelEvent(e);
    }

    TControlPrivate* FPriv = nullptr;
};

// The widget of a painted control: shows the backing image, asking the control to
// Paint() into it first when it was invalidated.
class THostWidget : public TInputForwarder<QWidget>
{
public:
    explicit THostWidget(TControlPrivate* priv);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
};
