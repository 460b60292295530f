// Context menus: a list of captions shown at a point of a control; the chosen item's
// handler runs after the menu has closed.
#pragma once

#include <string>
#include <vector>

#include "toolkit/Classes.h"

class TControl;

struct TMenuItem
{
    // "-" is a separator.
    std::string Caption;
    TNotifyEvent OnClick;
    bool Enabled = true;
    bool Checked = false;
};

class TPopupMenu : public TComponent
{
public:
    using TComponent::TComponent;

    std::vector<TMenuItem> Items;

    // Shows the menu at (X, Y) of Control's client area (through the dialog provider, so
    // tests answer it); runs the chosen item's OnClick once the menu is gone. Returns the
    // chosen index, -1 when dismissed.
    int Popup(TControl* control, int x, int y);

    std::string ClassName() const override { return "TPopupMenu"; }
};
