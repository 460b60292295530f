#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

#include "toolkit/Controls_p.h"
#include "toolkit/Dialogs.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/Graphics_p.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/TestSupport.h"

namespace {

using TShown = TRecordingDialogProvider::TShown;

// Throws whatever it is told to from inside Qt's event delivery.
class TThrower : public QObject
{
public:
    std::function<void()> Throw;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User) Throw();
        return QObject::event(e);
    }
};

class TRedBox : public TCustomControl
{
public:
    using TCustomControl::TCustomControl;

protected:
    void Paint() override
    {
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(ClientRect());
    }
};

class TMainForm;
TMainForm* MainFormRef = nullptr;

class TMainForm : public TForm
{
public:
    explicit TMainForm(TComponent* owner) : TForm(owner)
    {
        OnCreate = [this](TObject*) {
            SawGlobal = MainFormRef == this;
            if (FailOnCreate) throw EFOpenError("missing.log");
        };
    }
    ~TMainForm() override { ++Destroyed; }

    bool SawGlobal = false;
    static inline bool FailOnCreate = false;
    static inline int Destroyed = 0;
};

// Restores the application's state that a test changes.
class ApplicationTest : public ::testing::Test
{
protected:
    void SetUp() override { Reinitialize("toolkit_test_application"); }
    void TearDown() override
    {
        delete MainFormRef;
        MainFormRef = nullptr;
        Reinitialize("toolkit_test_application");
    }
    static void Reinitialize(const char* exe)
    {
        static std::string name;
        name = exe;
        static char* argv[] = {name.data(), nullptr};
        int argc = 1;
        Application->Initialize(argc, argv);
    }

    TRecordingDialogProvider dialogs;
    TDialogProviderScope scope{&dialogs};
};

} // namespace

TEST(ExceptionBox, PeriodAddedWhenTheLastByteSortsAfterAPeriod)
{
    const struct
    {
        std::string message, shown;
    } rows[] = {
        {"", ""},
        {"Cannot open file a.log", "Cannot open file a.log."},
        {"Done.", "Done."},
        {"Stop!", "Stop!"},
        {"Why?", "Why?."},
        {"a", "a."},
        {"range 0-", "range 0-"},
        {"path a/", "path a/."},
        {"(x)", "(x)"},
        {"trailing ", "trailing "},
        {"9", "9."},
        {"\xCE\xF8\xE8\xE1\xEA\xE0", "\xCE\xF8\xE8\xE1\xEA\xE0."},
        {"x\x80", "x\x80."},
        {"x\xFF", "x\xFF."},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TApplication::ExceptionBoxText(row.message), row.shown) << row.message;
}

TEST(Title, ProgramNameWithoutFolderCutAtFirstPeriodLowerCasedAfterFirstLetter)
{
    const struct
    {
        std::string exe, title;
    } rows[] = {
        {"/usr/bin/logview", "logview"},
        {"/opt/LogView.exe", "Logview"},
        {"LOGVIEW", "Logview"},
        {"C:\\Prog\\Project1.exe", "Project1"},
        {"./my.prog.v2", "my"},
        {"/x/.hidden", ""},
        {"", ""},
        {"/x/\xCF\xD0\xCE\xC3.exe", "\xCF\xF0\xEE\xE3"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TApplication::TitleFromExeName(row.exe), row.title) << row.exe;
}

TEST_F(ApplicationTest, TitleAndParametersComeFromTheCommandLine)
{
    static char exe[] = "/usr/local/bin/LogView.bin";
    static char arg1[] =
        "/tmp/\xD0\xB4\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB5.log"; // UTF-8 "данные"
    static char* argv[] = {exe, arg1, nullptr};
    int argc = 2;
    Application->Initialize(argc, argv);
    EXPECT_EQ(Application->Title(), "Logview");
    EXPECT_EQ(Application->ParamCount(), 1);
    EXPECT_EQ(Application->ParamStr(1), "/tmp/\xE4\xE0\xED\xED\xFB\xE5.log");
    EXPECT_EQ(Application->ParamStr(2), "");
}

TEST_F(ApplicationTest, ExceptionsEscapingEventsAreShownAndTheProgramGoesOn)
{
    TThrower thrower;
    const struct
    {
        const char* name;
        std::function<void()> raise;
        std::string shown;
    } rows[] = {
        {"toolkit exception", [] { throw EFCreateError("out.log"); },
         "Cannot create file out.log."},
        {"standard exception", [] { throw std::runtime_error("bad thing!"); }, "bad thing!"},
        {"anything else", [] { throw 42; }, "Unknown exception."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dialogs.Shown.clear();
        thrower.Throw = row.raise;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&thrower, &event);
        ASSERT_EQ(dialogs.Count(TShown::Error), 1);
        EXPECT_EQ(dialogs.Shown[0].Box.Message, row.shown);
        EXPECT_EQ(dialogs.Shown[0].Box.Title, "toolkit_test_application");
        EXPECT_EQ(dialogs.Shown[0].Box.Type, mtError);
        EXPECT_EQ(dialogs.Shown[0].Box.Buttons, MsgDlgButton(mbOK));
    }
    // A posted event goes through the loop, and the loop survives it.
    dialogs.Shown.clear();
    thrower.Throw = [] { throw Exception("posted"); };
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    ProcessEvents();
    EXPECT_EQ(dialogs.LastMessage(TShown::Error), "posted.");
}

TEST_F(ApplicationTest, OnCreateSeesTheGlobalAndItsFailureIsShown)
{
    TMainForm::FailOnCreate = true;
    Application->CreateForm(MainFormRef);
    TMainForm::FailOnCreate = false;
    ASSERT_NE(MainFormRef, nullptr);
    EXPECT_TRUE(MainFormRef->SawGlobal);
    EXPECT_EQ(Application->MainForm(), MainFormRef);
    EXPECT_FALSE(MainFormRef->Visible()) << "created hidden";
    EXPECT_EQ(dialogs.LastMessage(TShown::Error), "Cannot open file missing.log.");
}

TEST_F(ApplicationTest, ClosingTheMainFormEndsTheLoopUnlessOnCloseRefuses)
{
    Application->CreateForm(MainFormRef);
    MainFormRef->Show();
    int asked = 0;
    TCloseAction answer = caNone;
    MainFormRef->OnClose = [&](TObject* sender, TCloseAction& action) {
        EXPECT_EQ(sender, MainFormRef);
        EXPECT_EQ(action, caHide);
        ++asked;
        action = answer;
    };
    MainFormRef->Close();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(MainFormRef->Visible());
    EXPECT_FALSE(Application->Terminated());
    // A failing handler (a save that cannot be written) keeps the window open.
    MainFormRef->OnClose = [](TObject*, TCloseAction&) { throw EFCreateError("x.log"); };
    ControlWidget(MainFormRef)->close();
    EXPECT_TRUE(MainFormRef->Visible());
    EXPECT_FALSE(Application->Terminated());
    EXPECT_EQ(dialogs.LastMessage(TShown::Error), "Cannot create file x.log.");
    MainFormRef->OnClose = nullptr;
    ControlWidget(MainFormRef)->close();
    EXPECT_FALSE(MainFormRef->Visible());
    EXPECT_TRUE(Application->Terminated());
}

TEST_F(ApplicationTest, RunShowsTheMainFormAndReturnsWhenItCloses)
{
    Application->CreateForm(MainFormRef);
    bool wasShown = false;
    QTimer::singleShot(0, [&] {
        wasShown = MainFormRef->Showing();
        MainFormRef->Close();
    });
    const int destroyed = TMainForm::Destroyed;
    Application->Run();
    EXPECT_TRUE(wasShown);
    EXPECT_EQ(TMainForm::Destroyed, destroyed + 1) << "forms go when the loop ends";
    MainFormRef = nullptr;
    EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(ApplicationTest, TerminateBeforeRunDoesNotEnterTheLoop)
{
    Application->CreateForm(MainFormRef);
    Application->Terminate();
    Application->Run();
    MainFormRef = nullptr;
    SUCCEED() << "returned without a loop to end";
}

TEST(Form, DefaultFontAndTextHeight)
{
    TForm form;
    EXPECT_EQ(form.Font()->Name(), "MS Sans Serif");
    EXPECT_EQ(form.Font()->Size(), 8);
    EXPECT_EQ(form.TextHeight(), QFontMetrics(ToQFont(*form.Font())).height());
    EXPECT_GT(form.TextHeight(), 8);
    auto* label = new TLabel(&form);
    label->SetParent(&form);
    EXPECT_EQ(label->Font()->Name(), "MS Sans Serif") << "children take the form's font";
}

TEST(Form, ScaleByScalesPositionsSizesAndClientArea)
{
    TForm form;
    form.SetClientWidth(1009);
    form.SetClientHeight(490);
    auto* top = new TPanel(&form);
    top->SetParent(&form);
    top->SetBounds(0, 0, 1009, 41);
    top->SetAlign(alTop);
    auto* button = new TButton(&form);
    button->SetParent(top);
    button->SetBounds(94, 8, 75, 25);
    form.ScaleBy(16, 13);
    EXPECT_EQ(form.ClientWidth(), 1242);
    EXPECT_EQ(form.ClientHeight(), 603);
    EXPECT_EQ(top->BoundsRect(), (TRect{0, 0, 1242, 50}));
    // Edges scale, so neighbouring controls stay neighbours.
    EXPECT_EQ(button->BoundsRect(), (TRect{116, 10, 208, 41}));
}

TEST(Form, GrabImageShowsChildrenAlsoOfAHiddenWindow)
{
    TForm form;
    form.SetClientWidth(120);
    form.SetClientHeight(80);
    auto* box = new TRedBox(&form);
    box->SetParent(&form);
    box->SetBounds(10, 20, 30, 40);
    TBitmap bitmap;
    form.GrabImage(bitmap);
    EXPECT_FALSE(form.Visible());
    ASSERT_EQ(bitmap.Width(), 120);
    ASSERT_EQ(bitmap.Height(), 80);
    EXPECT_EQ(bitmap.PixelColor(10, 20), clRed);
    EXPECT_EQ(bitmap.PixelColor(39, 59), clRed);
    EXPECT_EQ(bitmap.PixelColor(40, 60), ColorToRGB(clBtnFace));
    EXPECT_EQ(bitmap.PixelColor(5, 5), ColorToRGB(clBtnFace));
}
