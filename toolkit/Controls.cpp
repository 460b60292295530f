#include "toolkit/Controls.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>

#include "toolkit/Controls_p.h"
#include "toolkit/Forms.h"
#include "toolkit/Graphics_p.h"

namespace {

// Realignment triggered from inside an alignment (a resize handler moving a
// sibling) repeats at most this often.
constexpr int kMaxAlignRounds = 8;

} // namespace

Qt::CursorShape CursorShape(TCursor cursor)
{
    switch (cursor) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait:
        return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag:
        return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crAppStart:
        return Qt::BusyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default:
        return Qt::ArrowCursor;
    }
}

bool IsForm(const TControl* c)
{
    return dynamic_cast<const TForm*>(c) != nullptr;
}

void GuardedCall(const std::function<void()>& f)
{
    try {
        f();
    } catch (...) {
        Application->HandleException(std::current_exception());
    }
}

TShiftState ShiftFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons)
{
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier) s |= ssShift;
    if (modifiers & Qt::ControlModifier) s |= ssCtrl;
    if (modifiers & Qt::AltModifier) s |= ssAlt;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

QWidget* ControlWidget(const TControl* control)
{
    return control != nullptr ? ControlPrivate(control)->widget.data() : nullptr;
}

// ---- TControl

TControl::TControl(TComponent* owner)
    : TComponent(owner), FPrivate(std::make_unique<TControlPrivate>()),
      FFont(std::make_unique<TFont>())
{
    FPrivate->control = this;
    FFont->OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl()
{
    MarkDestroying();
    FPrivate->control = nullptr;
    FFont->OnChange = nullptr;
    if (FParent != nullptr) FParent->RemoveControl(this);
    FParent = nullptr;
    FPrivate->canvas.reset();
    delete FPrivate->widget.data();
}

void TControl::UpdateBounds(int left, int top, int width, int height)
{
    const bool resized = width != FWidth || height != FHeight;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (QWidget* w = FPrivate->widget) {
        if (w->isWindow()) {
            if (w->pos() != QPoint(left, top)) w->move(left, top);
            if (w->size() != QSize(width, height)) w->resize(width, height);
        } else {
            w->setGeometry(left, top, width, height);
        }
    }
    if (resized && FPrivate->painted) {
        // A new backing image; its old content means nothing at the new size.
        FPrivate->image = NewScaledImage(width, height, BackingScale(FPrivate.get()));
        FPrivate->paintedRegion = QRegion();
        // Children usually cover most of a parent: it is filled where it is painted.
        FPrivate->unfilled = HasPaintedChild(this);
        if (!FPrivate->unfilled && !FPrivate->image.isNull())
            FPrivate->image.fill(ColorToPixel(FColor));
        Invalidate();
    }
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    width = std::max(0, width);
    height = std::max(0, height);
    const bool resized = width != FWidth || height != FHeight;
    const bool moved = left != FLeft || top != FTop;
    if (!resized && !moved) return;
    UpdateBounds(left, top, width, height);
    if (moved) Moved();
    if (resized) {
        if (auto* self = dynamic_cast<TWinControl*>(this)) self->Realign();
        if (!IsLoading()) Resize();
    }
    if (FParent != nullptr && FAlign != alNone) FParent->RequestAlign(this);
}

void TControl::SetClientWidth(int value)
{
    SetWidth(Width() - ClientWidth() + value);
}

void TControl::SetClientHeight(int value)
{
    SetHeight(Height() - ClientHeight() + value);
}

TPoint TControl::ClientToScreen(TPoint point) const
{
    if (QWidget* w = FPrivate->widget) {
        const QPoint g = w->mapToGlobal(QPoint(point.X, point.Y));
        return TPoint{g.x(), g.y()};
    }
    return point;
}

TPoint TControl::ScreenToClient(TPoint point) const
{
    if (QWidget* w = FPrivate->widget) {
        const QPoint c = w->mapFromGlobal(QPoint(point.X, point.Y));
        return TPoint{c.x(), c.y()};
    }
    return point;
}

void TControl::SetVisible(bool value)
{
    if (value == FVisible) return;
    FVisible = value;
    if (QWidget* w = FPrivate->widget) {
        if (IsForm(this)) {
            if (value && !FPrivate->everShown) {
                FPrivate->everShown = true;
                TControlBridge::FirstShown(this);
            }
            w->setVisible(value);
        } else {
            w->setVisible(value && FParent != nullptr);
        }
    }
    if (FParent != nullptr && FAlign != alNone) FParent->RequestAlign(this);
}

bool TControl::Showing() const
{
    QWidget* w = FPrivate->widget;
    return FVisible && w != nullptr && w->isVisible();
}

void TControl::SetEnabled(bool value)
{
    if (value == FEnabled) return;
    FEnabled = value;
    if (QWidget* w = FPrivate->widget) w->setEnabled(value);
}

void TControl::SetAlign(TAlign value)
{
    if (value == FAlign) return;
    FAlign = value;
    if (FParent != nullptr) FParent->RequestAlign(this);
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == FParent) return;
    for (TWinControl* p = parent; p != nullptr; p = p->Parent())
        if (p == this) throw EInvalidOperation("A control cannot be its own parent");
    if (FParent != nullptr) FParent->RemoveControl(this);
    FParent = parent;
    if (QWidget* w = FPrivate->widget) {
        w->setParent(parent != nullptr ? parent->Private()->widget.data() : nullptr);
        w->setGeometry(FLeft, FTop, FWidth, FHeight);
        w->setVisible(FVisible && parent != nullptr);
    }
    if (parent == nullptr) return;
    parent->InsertControl(this);
    if (FParentFont) {
        FApplyingParentFont = true;
        FFont->Assign(parent->Font());
        FApplyingParentFont = false;
    }
    if (FAlign != alNone) parent->RequestAlign(this);
}

void TControl::SetColor(TColor value)
{
    if (value == FColor) return;
    FColor = value;
    ApplyColor();
    Invalidate();
}

void TControl::ApplyColor()
{
    QWidget* w = FPrivate->widget;
    // Painted controls fill from Color themselves; text fields show it as their base.
    if (w == nullptr || FPrivate->painted) return;
    if (qobject_cast<QAbstractScrollArea*>(w) == nullptr && qobject_cast<QLineEdit*>(w) == nullptr)
        return;
    QPalette palette = w->palette();
    palette.setColor(QPalette::Base, QColor::fromRgb(ColorToPixel(FColor)));
    w->setPalette(palette);
}

void TControl::SetParentFont(bool value)
{
    FParentFont = value;
    if (value && FParent != nullptr) {
        FApplyingParentFont = true;
        FFont->Assign(FParent->Font());
        FApplyingParentFont = false;
    }
}

void TControl::FontChanged()
{
    if (!FApplyingParentFont) FParentFont = false;
    ApplyFont();
}

void TControl::ApplyFont()
{
    if (QWidget* w = FPrivate->widget) w->setFont(ToQFont(*FFont));
    Invalidate();
}

void TControl::SetCursor(TCursor value)
{
    if (value == FCursor) return;
    FCursor = value;
    if (QWidget* w = FPrivate->widget) {
        if (value == crDefault)
            w->unsetCursor();
        else
            w->setCursor(CursorShape(value));
    }
}

void TControl::Invalidate()
{
    FPrivate->invalidated = true;
    if (FPrivate->updateQueued) return;
    QWidget* w = FPrivate->widget;
    if (w == nullptr) return;
    w->update();
    ++FPrivate->updateRequests;
    // Qt ignores updates of hidden widgets and of widgets with updates off; only the paint
    // event of a painted control clears the mark again.
    FPrivate->updateQueued = FPrivate->painted && w->isVisible() && w->updatesEnabled();
}

void TControl::Repaint()
{
    Invalidate();
    if (FPrivate->painted) TControlBridge::PaintIfNeeded(this);
    if (QWidget* w = FPrivate->widget; w != nullptr && w->isVisible()) w->repaint();
}

void TControl::ChangeScale(int m, int d)
{
    const int x = MulDiv(FLeft, m, d);
    const int y = MulDiv(FTop, m, d);
    const int w = MulDiv(FLeft + FWidth, m, d) - x;
    const int h = MulDiv(FTop + FHeight, m, d) - y;
    SetBounds(x, y, w, h);
}

void TControl::Resize()
{
    if (OnResize) OnResize(this);
}

void TControl::Click()
{
    if (OnClick) OnClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseLeave()
{
    if (OnMouseLeave) OnMouseLeave(this);
}

bool TControl::DoMouseWheelDown(TShiftState shift, TPoint mousePos)
{
    bool handled = false;
    if (OnMouseWheelDown) OnMouseWheelDown(this, shift, mousePos, handled);
    return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, TPoint mousePos)
{
    bool handled = false;
    if (OnMouseWheelUp) OnMouseWheelUp(this, shift, mousePos, handled);
    return handled;
}

// ---- TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl()
{
    MarkDestroying();
    // Children go with their parent, last first, as their widgets would anyway.
    while (!FControls.empty())
        delete FControls.back();
}

TControl* TWinControl::Controls(int index) const
{
    if (index < 0 || index >= ControlCount()) throw EListError::IndexOutOfBounds(index);
    return FControls[static_cast<size_t>(index)];
}

void TWinControl::InsertControl(TControl* control)
{
    FControls.push_back(control);
}

void TWinControl::RemoveControl(TControl* control)
{
    FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
    if (control->Align() != alNone && !IsDestroying()) RequestAlign(nullptr);
}

TRect TWinControl::AlignArea() const
{
    TRect r = ClientRect();
    AdjustClientRect(r);
    return r;
}

void TWinControl::EnableAlign()
{
    if (FAlignLevel > 0) --FAlignLevel;
    if (FAlignLevel == 0 && FAlignPending) Realign();
}

void TWinControl::Realign()
{
    RequestAlign(nullptr);
}

void TWinControl::RequestAlign(TControl* changed)
{
    if (IsDestroying()) return;
    if (FAlignLevel > 0 || IsLoading() || FAligning) {
        // A child placed by the running alignment reports back; only other changes
        // need another round.
        if (!(FAligning && changed != nullptr && changed == FPlacing)) FAlignPending = true;
        return;
    }
    FAligning = true;
    int rounds = 0;
    do {
        FAlignPending = false;
        TRect r = AlignArea();
        AlignControls(changed, r);
        changed = nullptr;
    } while (FAlignPending && ++rounds < kMaxAlignRounds);
    FAlignPending = false;
    FAligning = false;
}

void TWinControl::AlignControls(TControl* changed, TRect& rect)
{
    static constexpr TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (const TAlign align : kOrder) {
        std::vector<TControl*> list;
        for (TControl* c : FControls)
            if (c->Align() == align && c->Visible()) list.push_back(c);
        // Controls keep their order along the edge; the one being changed goes first
        // among equals, so that moving it past a sibling reorders them.
        auto key = [align](const TControl* c) {
            switch (align) {
            case alTop:
                return c->Top();
            case alBottom:
                return -(c->Top() + c->Height());
            case alLeft:
                return c->Left();
            case alRight:
                return -(c->Left() + c->Width());
            default:
                return 0;
            }
        };
        std::stable_sort(list.begin(), list.end(), [&](const TControl* a, const TControl* b) {
            const int ka = key(a);
            const int kb = key(b);
            if (ka != kb) return ka < kb;
            return a == changed && b != changed;
        });
        for (TControl* c : list) {
            FPlacing = c;
            switch (align) {
            case alTop:
                c->SetBounds(rect.Left, rect.Top, rect.Width(), c->Height());
                rect.Top += c->Height();
                break;
            case alBottom:
                c->SetBounds(rect.Left, rect.Bottom - c->Height(), rect.Width(), c->Height());
                rect.Bottom -= c->Height();
                break;
            case alLeft:
                c->SetBounds(rect.Left, rect.Top, c->Width(), rect.Height());
                rect.Left += c->Width();
                break;
            case alRight:
                c->SetBounds(rect.Right - c->Width(), rect.Top, c->Width(), rect.Height());
                rect.Right -= c->Width();
                break;
            default:
                c->SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
                break;
            }
            FPlacing = nullptr;
        }
    }
}

bool TWinControl::Focused() const
{
    QWidget* w = ControlWidget(this);
    return w != nullptr && w->hasFocus();
}

void TWinControl::SetFocus()
{
    if (QWidget* w = ControlWidget(this)) w->setFocus(Qt::OtherFocusReason);
}

void TWinControl::ChangeScale(int m, int d)
{
    DisableAlign();
    for (TControl* c : FControls)
        c->ChangeScale(m, d);
    TControl::ChangeScale(m, d);
    EnableAlign();
}

void TWinControl::EndLoading()
{
    TControl::EndLoading();
    Realign();
}

void TWinControl::ApplyFont()
{
    TControl::ApplyFont();
    for (TControl* c : FControls)
        if (c->ParentFont()) c->SetParentFont(true);
}

// ---- TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner)
{
    TControlPrivate* priv = Private();
    priv->painted = true;
    priv->canvas = CreateImageCanvas(&priv->image);
    priv->canvas->OnTouched = [priv](const TRect& area) {
        // Drawn outside a paint: show the changed pixels, without a new Paint().
        if (priv->painting || priv->widget == nullptr) return;
        priv->widget->update(QRect(area.Left, area.Top, area.Width(), area.Height()));
    };
    TControlBridge::Attach(this, new THostWidget(priv));
}

TCustomControl::~TCustomControl()
{
    Private()->canvas->OnTouched = nullptr;
}

TCanvas* TCustomControl::Canvas() const
{
    return Private()->canvas.get();
}

bool TCustomControl::NeedsPaint() const
{
    return Private()->invalidated;
}

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}
