// File dialogs and message boxes. Every one goes through a replaceable provider, so
// tests answer them and record what was shown.
#pragma once

#include <cstdint>
#include <string>

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
