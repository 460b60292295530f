// Thousands of seeded random actions on the main window, as a restless user would do
// them: drags with both buttons, the wheel, typing, loads answered at random, Repaint,
// the bit fields. After each one the charts must still be coupled, and no exception but
// the system's own file messages may have reached the error box.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "toolkit/Forms.h"
#include "toolkit/SysUtils.h"
#include "toolkit/TestSupport.h"
#include "viewer/Unit1.h"

namespace fs = std::filesystem;
using TShown = TRecordingDialogProvider::TShown;

namespace {

// Runs Action as the message loop would: an escaping exception goes to the error box.
template <class F> void AsFromTheLoop(F action)
{
    try {
        action();
    } catch (...) {
        Application->HandleException(std::current_exception());
    }
}

bool IsSystemFileMessage(const std::string& message)
{
    return message.rfind("Cannot open file ", 0) == 0 ||
           message.rfind("Cannot create file ", 0) == 0;
}

TEST(Monkey, RandomActionsKeepTheChartsCoupledAndRaiseNothingUnexpected)
{
    const fs::path dir = fs::temp_directory_path() / ("logview-monkey-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::vector<std::string> files;
    if (const char* source = std::getenv("LOGVIEW_SOURCE_DIR"))
        for (const auto& entry : fs::directory_iterator(fs::path(source) / "examples")) {
            fs::copy_file(entry.path(), dir / entry.path().filename());
            files.push_back((dir / entry.path().filename()).string());
        }
    auto make = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        files.push_back((dir / name).string());
    };
    make("cut.log", std::string("0:1\n10:2\n20\0:3\n", 16));
    make("descending.log", "50:1\n40:0\n30:1\n20:0\n");
    make("huge-times.log", "2147483647:1\n-2147483648:0\n$7fffffff:1\n");
    files.push_back((dir / "missing.log").string());
    files.push_back(dir.string());

    TRecordingDialogProvider dialogs;
    const TDialogProviderScope scope(&dialogs);
    Form1 = new TForm1(nullptr);
    Form1->AfterConstruction();
    Form1->ShowForm();
    ProcessEvents();

    // Chart1's own coupling events; an action on Chart2 may move Chart2 alone until then,
    // and the wheel scrolls Chart1's value axis without an event.
    bool chart2Own = false;
    bool wheeled = false;
    for (TNotifyEvent* event :
         {&Form1->Chart1->OnZoom, &Form1->Chart1->OnUndoZoom, &Form1->Chart1->OnScroll}) {
        TNotifyEvent inner = *event;
        *event = [inner, &chart2Own, &wheeled](TObject* sender) {
            inner(sender);
            chart2Own = false;
            wheeled = false;
        };
    }

    std::mt19937 random(20240611);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string typed = "0123456789abcdefx$:-: ";
#ifdef __SANITIZE_ADDRESS__
    // Within half a minute under the sanitizers as well.
    const int actions = 2000;
#else
    const int actions = 2500;
#endif
    for (int step = 0; step < actions; ++step) {
        SCOPED_TRACE(step);
        TChart* chart = pick(3) == 0 ? Form1->Chart2 : Form1->Chart1;
        const int x = pick(chart->Width() + 20) - 10;
        const int y = pick(chart->Height() + 20) - 10;
        const int kind = pick(10);
        SCOPED_TRACE("action " + std::to_string(kind) +
                     (chart == Form1->Chart2 ? " on Chart2" : ""));
        if (chart == Form1->Chart2 && kind <= 2) chart2Own = true;
        if (chart == Form1->Chart1 && kind == 2) wheeled = true;
        switch (kind) {
        case 0:
        case 1: {
            const TMouseButton button = pick(2) == 0 ? mbLeft : mbRight;
            SimMouseDown(chart, button, 0, x, y);
            for (int i = pick(4); i >= 0; --i)
                SimMouseMove(chart, 0, pick(chart->Width()), pick(chart->Height()));
            SimMouseUp(chart, button, 0, pick(chart->Width()), pick(chart->Height()));
            break;
        }
        case 2:
            SimMouseWheel(chart, pick(7) - 3, pick(2) == 0 ? 0 : ssCtrl, x, y);
            break;
        case 3:
        case 4: {
            std::string text;
            for (int i = pick(6); i >= 0; --i)
                text.push_back(typed[static_cast<size_t>(pick(static_cast<int>(typed.size())))]);
            SimTypeText(Form1->Memo1, text);
            const TTestKey keys[] = {vkReturn, vkBack, vkDelete, vkUp, vkDown, vkHome, vkEnd};
            SimKeyPress(Form1->Memo1, keys[pick(7)]);
            break;
        }
        case 5: {
            dialogs.ConfirmAnswers = {pick(2) == 0 ? mrYes : mrNo, pick(2) == 0 ? mrYes : mrNo};
            const std::string save = (dir / ("saved" + std::to_string(pick(3)) + ".log")).string();
            const std::string open =
                pick(8) == 0 ? ""
                             : files[static_cast<size_t>(pick(static_cast<int>(files.size())))];
            dialogs.FileAnswers = {pick(2) == 0 ? save : "", open};
            AsFromTheLoop([] { Form1->Button1->Click(); });
            dialogs.ConfirmAnswers.clear();
            dialogs.FileAnswers.clear();
            break;
        }
        case 6:
            AsFromTheLoop([] { Form1->Button2->Click(); });
            break;
        case 7: {
            TEdit* field = pick(2) == 0 ? Form1->Edit1 : Form1->Edit2;
            SimKeyPress(field, vkBack);
            SimTypeText(field, std::string(1, "0123456789-x"[pick(12)]));
            break;
        }
        case 8:
            SimDoubleClick(chart, mbLeft, 0, x, y);
            break;
        default:
            SimMouseLeave(chart);
            break;
        }
        ProcessEvents();

        const TChartAxis* left = Form1->Chart1->LeftAxis();
        if (!wheeled) {
            ASSERT_EQ(left->Minimum(), -0.2);
            ASSERT_EQ(left->Maximum(), 1.2);
        }
        if (!chart2Own) {
            const TChartAxis* a = Form1->Chart1->BottomAxis();
            const TChartAxis* b = Form1->Chart2->BottomAxis();
            ASSERT_EQ(a->Automatic(), b->Automatic());
            ASSERT_EQ(a->Minimum(), b->Minimum());
            ASSERT_EQ(a->Maximum(), b->Maximum());
        }
        for (const TShown& shown : dialogs.Shown) {
            if (shown.Kind == TShown::Error) {
                ASSERT_TRUE(IsSystemFileMessage(shown.Box.Message)) << shown.Box.Message;
            }
        }
        dialogs.Shown.clear();
    }
    DataModified = 0;
    delete Form1;
    Form1 = nullptr;
    fs::remove_all(dir);
}

} // namespace
