#include "toolkit/ExtCtrls.h"

#include <algorithm>

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner)
{
    SetBounds(0, 0, 185, 41);
    SetColor(clBtnFace);
}

TCustomPanel::~TCustomPanel() = default;

void TCustomPanel::SetCaption(const std::string& value)
{
    if (value == FCaption) return;
    FCaption = value;
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut value)
{
    if (value == FBevelOuter) return;
    FBevelOuter = value;
    BevelsChanged();
}

void TCustomPanel::SetBevelInner(TBevelCut value)
{
    if (value == FBevelInner) return;
    FBevelInner = value;
    BevelsChanged();
}

void TCustomPanel::SetBevelWidth(int value)
{
    value = std::max(1, value);
    if (value == FBevelWidth) return;
    FBevelWidth = value;
    BevelsChanged();
}

void TCustomPanel::SetBorderWidth(int value)
{
    value = std::max(0, value);
    if (value == FBorderWidth) return;
    FBorderWidth = value;
    BevelsChanged();
}

void TCustomPanel::BevelsChanged()
{
    // The inner area changed, so aligned children move.
    Realign();
    Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect& rect) const
{
    int inset = FBorderWidth;
    if (FBevelOuter != bvNone) inset += FBevelWidth;
    if (FBevelInner != bvNone) inset += FBevelWidth;
    rect.Left += inset;
    rect.Top += inset;
    rect.Right -= inset;
    rect.Bottom -= inset;
}

void TCustomPanel::Moved()
{
    if (FFullRepaint) Invalidate();
}

void TCustomPanel::Paint()
{
    TCanvas* canvas = Canvas();
    canvas->Pen()->SetMode(pmCopy);
    canvas->Pen()->SetStyle(psSolid);
    auto bevelColors = [](TBevelCut bevel, TColor& top, TColor& bottom) {
        top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
        bottom = bevel == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    TRect r = ClientRect();
    TColor top = clBtnHighlight;
    TColor bottom = clBtnShadow;
    if (FBevelOuter != bvNone) {
        bevelColors(FBevelOuter, top, bottom);
        canvas->Frame3D(r, top, bottom, FBevelWidth);
    }
    if (FBorderWidth > 0) canvas->Frame3D(r, Color(), Color(), FBorderWidth);
    if (FBevelInner != bvNone) {
        bevelColors(FBevelInner, top, bottom);
        canvas->Frame3D(r, top, bottom, FBevelWidth);
    }
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(r);
    if (FCaption.empty()) return;
    canvas->Font()->Assign(Font());
    canvas->SetBkMode(TRANSPARENT);
    canvas->SetTextAlign(TA_LEFT | TA_TOP);
    const TSize extent = canvas->TextExtent(FCaption);
    canvas->TextOut(r.Left + (r.Width() - extent.cx) / 2, r.Top + (r.Height() - extent.cy) / 2,
                    FCaption);
}
