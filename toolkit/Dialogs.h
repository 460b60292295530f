// File dialogs and message boxes. Every one goes through a replaceable provider, so
// tests answer them and record what was shown.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/Classes.h"

enum TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : uint8_t { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore };
using TMsgDlgButtons = uint16_t;
constexpr TMsgDlgButtons MsgDlgButton(TMsgDlgBtn b)
{
    return static_cast<TMsgDlgButtons>(1u << b);
}
constexpr TMsgDlgButtons mbYesNo = MsgDlgButton(mbYes) | MsgDlgButton(mbNo);

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

// What a file dialog is asked to show. All texts are cp1251; InitialDir and FileName
// (here and as chosen) are file names, the file system's bytes.
struct TFileDialogRequest
{
    bool Save = false;
    std::string Title;
    // "description|pattern|description|pattern..."
    std::string Filter;
    // 1-based entry selected when the dialog opens.
    int FilterIndex = 1;
    std::string InitialDir;
    // The name the dialog starts with.
    std::string FileName;
};

// A message box: title, text, kind of icon and buttons. All texts are cp1251.
struct TMessageBoxRequest
{
    std::string Title;
    std::string Message;
    TMsgDlgType Type = mtCustom;
    TMsgDlgButtons Buttons = MsgDlgButton(mbOK);
    // Default and cancel button (Enter and Escape).
    TMsgDlgBtn DefaultButton = mbOK;
    TMsgDlgBtn CancelButton = mbOK;
    // A file name (the file system's bytes) that Message holds verbatim: shown as the
    // file system names it, not as cp1251. Empty when the message names none.
    std::string FileName;
};

class TControl;

// One field of a settings dialog: a line of text, or a drop-down list when Choices are given
// (Editable lets the user type a value that is none of them).
struct TDialogField
{
    std::string Label;
    std::string Value;
    std::vector<std::string> Choices;
    bool Editable = false;
};

// A modal dialog of labelled fields with OK and Cancel. All texts are cp1251.
struct TFieldsDialogRequest
{
    std::string Title;
    std::vector<TDialogField> Fields;
    // Asked on OK with the values as entered: "" accepts them, else the message is shown in
    // an error box and the dialog stays open with the values kept.
    std::function<std::string(const std::vector<std::string>& values)> Check;
};

// A context menu at a point of a control (client coordinates). A caption "-" is a separator.
struct TMenuRequest
{
    TControl* Control = nullptr;
    int X = 0;
    int Y = 0;
    std::vector<std::string> Captions;
    // As long as Captions (or empty: every item enabled, none checked).
    std::vector<bool> Enabled;
    std::vector<bool> Checked;
};

// A modal list of rows (a table with Columns) of which the user picks some, in an order of
// their own: "choose the signals and their order". All texts are cp1251.
struct TPickListRequest
{
    std::string Title;
    // One line above the list.
    std::string Prompt;
    std::vector<std::string> Columns;
    std::vector<std::vector<std::string>> Rows;
    // Indexes of Rows picked when the dialog opens, in their order.
    std::vector<int> Chosen;
    // At most this many may be picked.
    int MaxChosen = 32;
};

class TDialogProvider
{
public:
    virtual ~TDialogProvider() = default;
    // True with the full chosen name in FileName; false when cancelled.
    virtual bool ExecuteFileDialog(const TFileDialogRequest& request, std::string& fileName) = 0;
    // Returns the button pressed, or mrNone/mrCancel when the box was closed.
    virtual TModalResult Confirm(const TMessageBoxRequest& request) = 0;
    virtual void Information(const TMessageBoxRequest& request) = 0;
    virtual void Error(const TMessageBoxRequest& request) = 0;
    // True with one value per field (as entered, cp1251) when OK closed it with Check
    // content; false when cancelled.
    virtual bool ExecuteFieldsDialog(const TFieldsDialogRequest& request,
                                     std::vector<std::string>& values);
    // The index of the item chosen, -1 when the menu was dismissed.
    virtual int ChooseMenuItem(const TMenuRequest& request);
    // True with the picked rows' indexes in the user's order; false when cancelled.
    virtual bool ExecutePickList(const TPickListRequest& request, std::vector<int>& chosen);
};

// The platform's dialogs.
TDialogProvider* DefaultDialogProvider();
// Replaces the provider (nullptr restores the default); returns the previous one.
TDialogProvider* SetDialogProvider(TDialogProvider* provider);
TDialogProvider* CurrentDialogProvider();

class TCommonDialog : public TComponent
{
public:
    using TComponent::TComponent;
    // Cp1251 texts.
    const std::string& Filter() const { return FFilter; }
    void SetFilter(const std::string& value) { FFilter = value; }
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int value) { FFilterIndex = value; }
    const std::string& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const std::string& value) { FInitialDir = value; }
    // The name last chosen; the dialog starts with it.
    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& value) { FFileName = value; }
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& value) { FTitle = value; }
    // True when a file was chosen (FileName holds it); false when cancelled.
    bool Execute();
    std::string ClassName() const override { return "TCommonDialog"; }

protected:
    virtual bool IsSave() const = 0;

private:
    std::string FFilter;
    int FFilterIndex = 1;
    std::string FInitialDir;
    std::string FFileName;
    std::string FTitle;
};

class TOpenDialog : public TCommonDialog
{
public:
    using TCommonDialog::TCommonDialog;
    std::string ClassName() const override { return "TOpenDialog"; }

protected:
    bool IsSave() const override { return false; }
};

class TSaveDialog : public TCommonDialog
{
public:
    using TCommonDialog::TCommonDialog;
    std::string ClassName() const override { return "TSaveDialog"; }

protected:
    bool IsSave() const override { return true; }
};

// A message box with title "Confirm" for mtConfirmation (the type's name otherwise),
// the type's icon, the given buttons, centred; the first of Yes/OK is the default,
// No/Cancel the cancel button. Returns the button pressed.
TModalResult MessageDlg(const std::string& message, TMsgDlgType type, TMsgDlgButtons buttons,
                        int helpContext = 0);
// An information box: the application's title, no icon, one "OK" button.
void ShowMessage(const std::string& message);
// The error box: the application's title, stop icon, one "OK" button. FileName: the
// file name Message holds, if any (see TMessageBoxRequest).
void ShowErrorBox(const std::string& message, const std::string& fileName = std::string());

// The provider's fields dialog; Values holds what OK accepted. False when cancelled.
bool ExecuteFieldsDialog(const TFieldsDialogRequest& request, std::vector<std::string>& values);
// The provider's pick list; Chosen holds the rows picked, in order. False when cancelled.
bool ExecutePickList(const TPickListRequest& request, std::vector<int>& chosen);
