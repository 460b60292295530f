// What a desktop user does besides the buttons: drop a file on the window, press Ctrl+O and
// F5 wherever the focus is.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "tests/common/MainWindowFixture.h"
#include "toolkit/TestSupport.h"
#include "viewer/Unit1.h"

namespace fs = std::filesystem;
using TShown = TRecordingDialogProvider::TShown;

namespace {

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class DesktopInput : public ShownMainWindow
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        Dir = fs::temp_directory_path() /
              ("logview-desktop-" + std::to_string(getpid()) + "-" + info->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        // No dot in the name: a file manager hands over any name.
        Dropped = (Dir / "capture").string();
        std::ofstream(Dropped, std::ios::binary) << "10:1\r\n20:3\r\n";
        ShownMainWindow::SetUp();
    }

    void TearDown() override
    {
        ShownMainWindow::TearDown();
        fs::remove_all(Dir);
    }

    fs::path Dir;
    std::string Dropped;
    TRecordingDialogProvider Dialogs;
    TDialogProviderScope Scope{&Dialogs};
};

} // namespace

// Wherever it lands, a dropped file takes the road of "Load" after its dialog, and the
// control under the pointer (a text field would take the URL as text) stays as it was.
TEST_F(DesktopInput, DroppedFileLoadsLikeLoadAfterTheSaveQuestion)
{
    using TPick = TControl* (*)();
    struct Row
    {
        const char* name;
        TPick target;
        bool edited;
        TModalResult answer;
    } rows[] = {
        {"on the text view, unchanged text", []() -> TControl* { return Form1->Memo1; }, false,
         mrNo},
        {"on the text view, changed, saved", []() -> TControl* { return Form1->Memo1; }, true,
         mrYes},
        {"on a bit field, changed, not saved", []() -> TControl* { return Form1->Edit1; }, true,
         mrNo},
        {"on the lower chart", []() -> TControl* { return Form1->Chart2; }, false, mrNo},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Form1->Memo1->Lines()->Clear();
        DataModified = 0;
        Dialogs.Shown.clear();
        Dialogs.ConfirmAnswers = {row.answer};
        const std::string saved = (Dir / "saved.log").string();
        Dialogs.FileAnswers = {saved};
        fs::remove(saved);
        if (row.edited) {
            SimTypeText(Form1->Memo1, "5:1\n");
            ProcessEvents();
            ASSERT_EQ(DataModified, 1);
        }
        TControl* target = row.target();
        const std::string bitsBefore = Form1->Edit1->Text();

        ASSERT_TRUE(SimDropFiles(target, {Dropped, (Dir / "second.log").string()}, 10, 10));
        ProcessEvents();

        // The question only for changed text; Yes saves through the save dialog first.
        EXPECT_EQ(Dialogs.Count(TShown::Confirm), row.edited ? 1 : 0);
        EXPECT_EQ(Dialogs.Count(TShown::FileDialog), row.edited && row.answer == mrYes ? 1 : 0);
        EXPECT_EQ(fs::exists(saved), row.edited && row.answer == mrYes);
        if (fs::exists(saved)) {
            EXPECT_EQ(ReadBytes(saved), "5:1\r\n");
        }
        // Then the first file only: caption, text, build, "Repaint" shown, unchanged.
        EXPECT_EQ(Form1->Caption(), Dropped);
        EXPECT_EQ(Form1->Memo1->Text(), "10:1\r\n20:3\r\n");
        EXPECT_EQ(Form1->Edit1->Text(), bitsBefore);
        EXPECT_EQ(Form1->Series1->PointCount(), 5);
        EXPECT_TRUE(Form1->Button2->Visible());
        EXPECT_EQ(DataModified, 0);
        EXPECT_EQ(Form1->OpenDialog1->FileName(), Dropped);
    }
}

TEST_F(DesktopInput, CtrlOLoadsAndF5RepaintsFromAnyControl)
{
    // F5 before the first load: "Repaint" is hidden, so the key does nothing.
    SimShortCut(Form1->Memo1, ShortCut(VK_F5, 0));
    ProcessEvents();
    EXPECT_EQ(Form1->Series1->PointCount(), 0);

    // Ctrl+O typed in the text view opens the dialog and loads; the view gets no character.
    Dialogs.FileAnswers = {Dropped};
    SimShortCut(Form1->Memo1, ShortCut('O', ssCtrl));
    ProcessEvents();
    EXPECT_EQ(Dialogs.Count(TShown::FileDialog), 1);
    EXPECT_EQ(Form1->Caption(), Dropped);
    EXPECT_EQ(Form1->Memo1->Text(), "10:1\r\n20:3\r\n");
    EXPECT_EQ(Form1->Series1->PointCount(), 5);

    // The text view keeps its own keys: a plain O is typed, and F5 there rebuilds from it.
    SimKeyPress(Form1->Memo1, vkEnd, ssCtrl);
    SimTypeText(Form1->Memo1, "30:1\no");
    ProcessEvents();
    EXPECT_EQ(Form1->Memo1->Text(), "10:1\r\n20:3\r\n30:1\r\no");
    EXPECT_EQ(Form1->Series1->PointCount(), 5);
    SimShortCut(Form1->Memo1, ShortCut(VK_F5, 0));
    ProcessEvents();
    // The bad last line stops the build after the three good ones, with the data error.
    EXPECT_EQ(Form1->Series1->PointCount(), 7);
    EXPECT_EQ(Dialogs.Count(TShown::Information), 1);

    // From a bit field too; a cancelled dialog changes nothing.
    SimShortCut(Form1->Edit2, ShortCut('O', ssCtrl));
    ProcessEvents();
    EXPECT_EQ(Dialogs.Count(TShown::FileDialog), 2);
    EXPECT_EQ(Form1->Edit2->Text(), "1");
    EXPECT_EQ(Form1->Caption(), Dropped);
}
