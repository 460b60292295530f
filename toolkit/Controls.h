// Window controls over the platform's widgets: the control base (bounds, alignment,
// mouse, paint and size notifications), windowed controls with children, painted controls.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Canvas.h"
#include "toolkit/Classes.h"
#include "toolkit/Graphics.h"
#include "toolkit/Types.h"

// Mouse pointer shapes, with the platform's numbering.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

enum TAlign : uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };

using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
// MousePos is in screen coordinates; setting Handled stops the default reaction.
using TMouseWheelUpDownEvent =
    std::function<void(TObject* sender, TShiftState shift, TPoint mousePos, bool& handled)>;

class TWinControl;
class TControlBridge;
struct TControlPrivate;

// A visible element with bounds in its parent's client coordinates. The Qt widget
// behind it is private to the toolkit; every control has one.
class TControl : public TComponent
{
public:
    explicit TControl(TComponent* owner = nullptr);
    ~TControl() override;

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
    void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
    void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
    void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
    // The one place bounds change; an aligned control is put back by its parent at once.
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return TRect{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }

    virtual int ClientWidth() const { return FWidth; }
    virtual int ClientHeight() const { return FHeight; }
    void SetClientWidth(int value);
    void SetClientHeight(int value);
    TRect ClientRect() const { return TRect{0, 0, ClientWidth(), ClientHeight()}; }
    TPoint ClientToScreen(TPoint point) const;
    TPoint ScreenToClient(TPoint point) const;

    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so is every parent up to a shown window.
    bool Showing() const;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);
    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    // Owned by the control; a change applies at once. With ParentFont the control
    // follows its parent's font until its own font is changed.
    TFont* Font() const { return FFont.get(); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);

    // Requests a paint; any number of requests before the next paint give one Paint().
    virtual void Invalidate();
    // Invalidates and paints before returning.
    void Repaint();
    // Scales position and size by M/D (children too for windowed controls).
    virtual void ChangeScale(int m, int d);

    TNotifyEvent OnResize;
    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnMouseLeave;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;

    std::string ClassName() const override { return "TControl"; }

protected:
    friend class TControlBridge;
    friend class TWinControl;

    // Draws the control's client area; only painted controls get it.
    virtual void Paint() {}
    // Raises OnResize; called after every size change (not while loading) and, for
    // windowed controls, once when their window is first shown.
    virtual void Resize();
    virtual void Click();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseLeave();
    // One call per wheel notch; MousePos in screen coordinates. True when handled.
    virtual bool DoMouseWheelDown(TShiftState shift, TPoint mousePos);
    virtual bool DoMouseWheelUp(TShiftState shift, TPoint mousePos);
    // Asked before each Paint(); true means the background is dealt with, false lets
    // the toolkit fill the client area with Color.
    virtual bool EraseBackground() { return false; }
    // Position changed (not the size); a full-repaint panel invalidates itself here.
    virtual void Moved() {}
    void FontChanged();
    virtual void ApplyFont();
    virtual void ApplyColor();

    TControlPrivate* Private() const { return FPrivate.get(); }
    // Bounds as stored, without alignment or notifications: used by the aligning parent.
    void UpdateBounds(int left, int top, int width, int height);

private:
    std::unique_ptr<TControlPrivate> FPrivate;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    TAlign FAlign = alNone;
    TWinControl* FParent = nullptr;
    TColor FColor = clBtnFace;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    bool FApplyingParentFont = false;
    TCursor FCursor = crDefault;
};

// A control that holds child controls and places its aligned children.
class TWinControl : public TControl
{
public:
    explicit TWinControl(TComponent* owner = nullptr);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const;
    // Lays out the aligned children again in the inner area.
    void Realign();
    // Between these two, alignment waits; the last EnableAlign realigns once.
    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();
    // The area aligned children are placed in: the client area less bevels and border.
    TRect AlignArea() const;

    bool Focused() const;
    void SetFocus();
    int TabOrder() const { return FTabOrder; }
    void SetTabOrder(int value) { FTabOrder = value; }

    void ChangeScale(int m, int d) override;
    void EndLoading() override;
    std::string ClassName() const override { return "TWinControl"; }

protected:
    friend class TControl;
    virtual void AdjustClientRect(TRect& rect) const { (void)rect; }
    // Places the aligned children in Rect: alTop, alBottom, alLeft, alRight, then alClient.
    virtual void AlignControls(TControl* changed, TRect& rect);
    void ApplyFont() override;

private:
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void RequestAlign(TControl* changed);

    std::vector<TControl*> FControls;
    int FAlignLevel = 0;
    bool FAligning = false;
    // The child the running alignment is placing.
    TControl* FPlacing = nullptr;
    bool FAlignPending = false;
    int FTabOrder = -1;
};

// A windowed control that paints itself: a backing image the size of its client area,
// which Paint() draws into through Canvas() and which the screen shows.
class TCustomControl : public TWinControl
{
public:
    explicit TCustomControl(TComponent* owner = nullptr);
    ~TCustomControl() override;

    // The canvas over the backing image. Drawing on it outside Paint() changes the
    // image and updates that part of the screen without calling Paint().
    TCanvas* Canvas() const;
    // Whether a Paint() is pending.
    bool NeedsPaint() const;

    std::string ClassName() const override { return "TCustomControl"; }
};

// A non-windowed control painted over its parent (labels).
class TGraphicControl : public TControl
{
public:
    explicit TGraphicControl(TComponent* owner = nullptr);
    std::string ClassName() const override { return "TGraphicControl"; }
};
