// Hooks for headless tests: the application object without a display, real input
// events sent to controls, synchronous paints, and a dialog provider that answers.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "toolkit/Classes.h"
#include "toolkit/Controls.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Forms.h"

// Creates the process-wide application object on the offscreen platform
// (unless QT_QPA_PLATFORM names another) if none exists yet.
void InitTestApplication(int& argc, char** argv);

// Handles every pending event (posted events, paints of shown windows, deferred deletes).
void ProcessEvents();
// Runs the pending Paint() of Control and its children now, shown or not.
void FlushPaints(TControl* control);

// Mouse input as the platform delivers it, in Control's client coordinates. Shift
// carries the keyboard modifiers (ssShift, ssCtrl, ssAlt); the toolkit adds the
// buttons held. Events pass through the application, so exceptions reach the error box.
void SimMouseDown(TControl* control, TMouseButton button, TShiftState shift, int x, int y);
void SimMouseMove(TControl* control, TShiftState shift, int x, int y);
void SimMouseUp(TControl* control, TMouseButton button, TShiftState shift, int x, int y);
void SimDoubleClick(TControl* control, TMouseButton button, TShiftState shift, int x, int y);
// Steps > 0 turn the wheel up (away from the user), < 0 down; one notch each.
void SimMouseWheel(TControl* control, int steps, TShiftState shift, int x, int y);
void SimMouseLeave(TControl* control);
// The mouse buttons the simulation believes held.
TShiftState SimHeldButtons();

// Key codes for SimKeyPress, numbered as the platform's virtual keys.
enum TTestKey : uint8_t {
    vkBack = 8,
    vkTab = 9,
    vkReturn = 13,
    vkEscape = 27,
    vkPrior = 33,
    vkNext = 34,
    vkEnd = 35,
    vkHome = 36,
    vkLeft = 37,
    vkUp = 38,
    vkRight = 39,
    vkDown = 40,
    vkDelete = 46,
};
// Gives Control the focus and types cp1251 Text into it, character by character. These key
// functions send to the widget that has the focus when Control is null.
void SimTypeText(TControl* control, const std::string& text);
void SimKeyPress(TControl* control, TTestKey key, TShiftState shift = 0);

// Gives Control the focus and presses the key of ShortCut (a letter, a digit or F1..F12
// with its modifiers), as the platform delivers it.
void SimShortCut(TControl* control, TShortCut shortCut);

// Makes Control's window the active one, as a click on its frame does, so that keys typed
// with no control named reach it even while another window of the program was active.
void SimActivateWindow(TControl* control);

// Drags local files (cp1251 names) over Control at (X, Y) and drops them there as a file
// manager does: the URLs, and their text as well. True when the drop was accepted.
bool SimDropFiles(TControl* control, const std::vector<std::string>& fileNames, int x, int y);

// A pixel of a painted control's backing image as 0x00BBGGRR (TColor order);
// 0xFFFFFFFF outside the image.
uint32_t ControlPixel(const TControl* control, int x, int y);

class TListView;
// Where a list's row is, in the coordinates its mouse events use (the rows' area below the
// header), as the list now scrolls; a row out of view lies outside ListViewRowsArea.
TRect ListViewRowRect(const TListView* list, int row);
TRect ListViewRowsArea(const TListView* list);

// Answers dialogs from queues and records every request. Install it with
// SetDialogProvider; an empty queue answers "cancelled"/mrNo.
class TRecordingDialogProvider : public TDialogProvider
{
public:
    struct TShown
    {
        enum TKind : uint8_t {
            FileDialog,
            Confirm,
            Information,
            Error,
            FieldsDialog,
            Menu,
            PickList
        } Kind = Information;
        TMessageBoxRequest Box;
        TFileDialogRequest File;
        TFieldsDialogRequest Fields;
        TMenuRequest MenuShown;
        TPickListRequest Pick;
    };

    bool ExecuteFileDialog(const TFileDialogRequest& request, std::string& fileName) override;
    TModalResult Confirm(const TMessageBoxRequest& request) override;
    void Information(const TMessageBoxRequest& request) override;
    void Error(const TMessageBoxRequest& request) override;
    // Answers with the queue's next values; when the request's Check refuses them, its
    // message is recorded as an Error and the next answer is tried, as a person corrects
    // the dialog. An empty vector or an empty queue cancels.
    bool ExecuteFieldsDialog(const TFieldsDialogRequest& request,
                             std::vector<std::string>& values) override;
    // Chooses the item with the queue's next caption; "" or an empty queue dismisses.
    int ChooseMenuItem(const TMenuRequest& request) override;
    // Answers with the queue's next rows; an empty queue cancels, and so does -1 as the
    // answer's only row.
    bool ExecutePickList(const TPickListRequest& request, std::vector<int>& chosen) override;

    // Empty string: cancel the dialog.
    std::deque<std::string> FileAnswers;
    std::deque<TModalResult> ConfirmAnswers;
    std::deque<std::vector<std::string>> FieldsAnswers;
    std::deque<std::string> MenuAnswers;
    std::deque<std::vector<int>> PickAnswers;
    std::vector<TShown> Shown;

    int Count(TShown::TKind kind) const;
    // Message of the last box of that kind ("" when none).
    std::string LastMessage(TShown::TKind kind) const;
};

// Installs a provider for the scope and restores the previous one.
class TDialogProviderScope
{
public:
    explicit TDialogProviderScope(TDialogProvider* provider)
        : FPrevious(SetDialogProvider(provider))
    {
    }
    ~TDialogProviderScope() { SetDialogProvider(FPrevious); }
    TDialogProviderScope(const TDialogProviderScope&) = delete;
    TDialogProviderScope& operator=(const TDialogProviderScope&) = delete;

private:
    TDialogProvider* FPrevious = nullptr;
};
