#include "toolkit/Menus.h"

#include "toolkit/Dialogs.h"

int TPopupMenu::Popup(TControl* control, int x, int y)
{
    TMenuRequest request;
    request.Control = control;
    request.X = x;
    request.Y = y;
    for (const TMenuItem& item : Items) {
        request.Captions.push_back(item.Caption);
        request.Enabled.push_back(item.Enabled && item.Caption != "-");
        request.Checked.push_back(item.Checked);
    }
    const int chosen = CurrentDialogProvider()->ChooseMenuItem(request);
    if (chosen < 0 || chosen >= static_cast<int>(Items.size()) || !request.Enabled[chosen])
        return -1;
    // A copy: the handler may change the menu.
    const TNotifyEvent handler = Items[chosen].OnClick;
    if (handler) handler(this);
    return chosen;
}
