// Top-level windows and the application object: creation of the main window, the
// message loop, and the error box for exceptions that escape event handlers.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "toolkit/Controls.h"

enum TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

// A key with its modifiers: the key's virtual-key code ('A'..'Z', '0'..'9', VK_F1...)
// plus scShift, scCtrl and scAlt.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
enum TFunctionKey : uint16_t {
    VK_F1 = 0x70,
    VK_F2,
    VK_F3,
    VK_F4,
    VK_F5,
    VK_F6,
    VK_F7,
    VK_F8,
    VK_F9,
    VK_F10,
    VK_F11,
    VK_F12
};
constexpr TShortCut ShortCut(uint16_t key, TShiftState shift)
{
    return static_cast<TShortCut>(key | ((shift & ssShift) ? scShift : 0) |
                                  ((shift & ssCtrl) ? scCtrl : 0) | ((shift & ssAlt) ? scAlt : 0));
}
// Setting Handled keeps the key from the control that has the focus.
using TShortCutEvent = std::function<void(TObject* sender, TShortCut shortCut, bool& handled)>;
// Full names of the local files dropped, in the order the platform lists them.
using TDropFilesEvent =
    std::function<void(TObject* sender, const std::vector<std::string>& fileNames)>;

class TForm : public TWinControl
{
public:
    // Created hidden, with the font "MS Sans Serif", 8 points.
    explicit TForm(TComponent* owner = nullptr);
    ~TForm() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    // A file name (the file system's bytes) as the caption, shown as it is named there.
    void SetFileNameCaption(const std::string& fileName);
    // The same followed by cp1251 text ("NAME - converted").
    void SetFileNameCaption(const std::string& fileName, const std::string& suffix);

    // Runs OnCreate once (an exception in it goes to the error box). TApplication::
    // CreateForm calls it after the caller's pointer is set; forms made with new call it.
    void AfterConstruction();
    // Asks OnClose; unless it answers caNone the window hides, and closing the main
    // window ends the message loop. An exception from OnClose keeps the window open.
    void Close();
    // Shows the window and makes it the active one.
    void ShowForm();
    bool IsMainForm() const;

    // Text height of the form's font in pixels, as the font engine measures it.
    int TextHeight() const;
    // Scales the client size and every child's position and size by M/D.
    void ScaleBy(int m, int d);

    // The window with all its children as the screen would show it.
    void GrabImage(TBitmap& bitmap);
    // Same, written as a PNG file (a file name: the file system's bytes), atomically;
    // EFCreateError (with errno) when it cannot be written.
    void SaveImage(const std::string& fileName);

    TNotifyEvent OnCreate;
    TCloseEvent OnClose;
    TNotifyEvent OnShow;
    // Every key pressed while the window or any of its controls has the focus, asked
    // before that control sees it: window shortcuts work in every control.
    TShortCutEvent OnShortCut;
    // Local files dropped on the window or any of its controls; while it is set, such
    // drags are accepted everywhere in the window (the text view included).
    TDropFilesEvent OnDropFiles;

    std::string ClassName() const override { return "TForm"; }

protected:
    virtual void DoCreate();
    void ApplyColor() override;

private:
    friend class TFormBridge;
    std::string FCaption;
    bool FCreated = false;
};

class TApplication : public TComponent
{
public:
    TApplication();
    ~TApplication() override;

    // Creates the platform application object (once) and checks the code page.
    void Initialize(int& argc, char** argv);
    // Constructs a T owned by the application, stores it in Ref, then runs its
    // OnCreate. The first form created is the main form.
    template <class T> void CreateForm(T*& ref)
    {
        T* form = new T(this);
        ref = form;
        RegisterForm(form);
        form->AfterConstruction();
    }
    // Shows the main form and runs the message loop until it closes; then the forms
    // are destroyed (the platform application object lives on until the process ends).
    void Run();
    void ProcessMessages();
    // Ends the message loop (also before Run() started it).
    void Terminate();
    bool Terminated() const { return FTerminated; }
    TForm* MainForm() const { return FMainForm; }

    // Defaults to the program file name without folder, cut at its first period,
    // every letter after the first lower-cased.
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& value) { FTitle = value; }
    static std::string TitleFromExeName(const std::string& exeName);
    const std::string& ExeName() const { return FExeName; }

    // The error box for an exception that nobody caught: its message, with a period
    // added when the last byte sorts after "."; the program goes on.
    void ShowException(const std::exception& e);
    // Called by the toolkit wherever an event handler leaves with an exception.
    void HandleException(std::exception_ptr e);
    static std::string ExceptionBoxText(const std::string& message);

    // Program arguments as cp1251, the program's own path at 0 (as in argv).
    int ParamCount() const { return static_cast<int>(FParams.size()) - 1; }
    std::string ParamStr(int index) const;

    std::string ClassName() const override { return "TApplication"; }

private:
    friend class TForm;
    void RegisterForm(TForm* form);
    void FormDestroyed(TForm* form);
    void DestroyForms();

    TForm* FMainForm = nullptr;
    std::string FTitle;
    std::string FExeName;
    bool FTerminated = false;
    bool FInHandler = false;
    std::vector<std::string> FParams;
};

extern TApplication* Application;
