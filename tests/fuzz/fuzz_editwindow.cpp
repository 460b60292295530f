// A byte script of gestures on the main window's text view, with the wave link and both
// charts attached as the program has them: the first byte sizes the log, every further
// byte is one gesture (and may take the next byte as its argument). After each gesture
// the caret must stand in the text and a shown marker at the caret line's time.
#include <algorithm>
#include <cstdint>
#include <string>

#include "samples/SampleLine.h"
#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/SysUtils.h"
#include "toolkit/TestSupport.h"
#include "viewer/Unit1.h"

namespace {

TRecordingDialogProvider gDialogs;

bool LineTime(std::string_view line, double& time)
{
    const TSampleLineRead read = ReadSampleLine(line);
    time = read.Time;
    return read.IsSample();
}

void CheckState()
{
    TMemo* memo = Form1->Memo1;
    const std::string text = memo->Text();
    size_t lines = 1;
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '\r' && text[i + 1] == '\n') ++lines;
    for (const TTextPos pos : {memo->CaretPos(), memo->AnchorPos()}) {
        FUZZ_CHECK(pos.Line < lines);
        FUZZ_CHECK(static_cast<size_t>(memo->SelStart()) <= text.size());
    }
    const TTextPos caret = memo->CaretPos();
    for (TChart* chart : {Form1->Chart1, Form1->Chart2}) {
        if (!chart->MarkerVisible()) continue;
        double time = 0;
        FUZZ_CHECK(static_cast<int>(caret.Line) < memo->Lines()->Count());
        FUZZ_CHECK(LineTime(memo->Lines()->Line(static_cast<int>(caret.Line)), time));
        FUZZ_CHECK(chart->MarkerValue() == time);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    InitTestApplication(*argc, *argv);
    SetDialogProvider(&gDialogs);
    Form1 = new TForm1(nullptr);
    Form1->AfterConstruction();
    Form1->ShowForm();
    Form1->Button2->Show();
    ProcessEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    TMemo* memo = Form1->Memo1;
    // 0 to 3810 lines: long enough for every road through a big text.
    const int lines = data[0] * 15;
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += std::to_string(i * 7) + ":" + std::to_string(i % 256) + "\r\n";
    memo->SetText(text);
    Form1->Button2->Click();
    gDialogs.Shown.clear();
    size_t at = 1;
    const auto arg = [&]() -> int { return at < size ? data[at++] : 0; };
    while (at < size) {
        const uint8_t op = data[at++];
        const int w = std::max(1, memo->Width());
        const int h = std::max(1, memo->Height());
        switch (op % 28) {
        case 0:
            SimTypeText(memo, std::string(1, static_cast<char>(' ' + arg() % 95)));
            break;
        case 1:
            SimKeyPress(memo, vkReturn);
            break;
        case 2:
            SimKeyPress(memo, vkBack, (op & 0x80) ? ssCtrl : 0);
            break;
        case 3:
            SimKeyPress(memo, vkDelete, (op & 0x80) ? ssCtrl : 0);
            break;
        case 4:
            SimShortCut(memo, ShortCut('A', ssCtrl));
            break;
        case 5:
            SimShortCut(memo, ShortCut('C', ssCtrl));
            break;
        case 6:
            SimShortCut(memo, ShortCut('X', ssCtrl));
            break;
        case 7:
            SimShortCut(memo, ShortCut('V', ssCtrl));
            break;
        case 8:
            SimShortCut(memo, ShortCut('Z', ssCtrl));
            break;
        case 9:
            SimShortCut(memo, ShortCut('Y', ssCtrl));
            break;
        case 10:
        case 11: {
            const TTestKey keys[] = {vkLeft, vkRight, vkUp, vkDown, vkHome, vkEnd, vkPrior, vkNext};
            const int a = arg();
            SimKeyPress(memo, keys[a % 8], ((a & 8) ? ssShift : 0) | ((a & 16) ? ssCtrl : 0));
            break;
        }
        case 12:
            SimMouseDown(memo, mbLeft, (op & 0x80) ? ssShift : 0, arg() % w, arg() % h);
            SimMouseUp(memo, mbLeft, 0, 0, 0);
            break;
        case 13:
            SimKeyPress(memo, vkRight);
            SimMouseDown(memo, mbLeft, 0, arg() % w, arg() % h);
            SimMouseMove(memo, 0, arg() % w, arg() % (h + 40) - 20);
            SimMouseUp(memo, mbLeft, 0, arg() % w, arg() % h);
            break;
        case 14:
            SimDoubleClick(memo, mbLeft, 0, arg() % w, arg() % h);
            break;
        case 15:
            SimMouseWheel(memo, arg() % 7 - 3, 0, 5, 5);
            break;
        case 16:
            Form1->SetClientWidth(600 + arg() * 3);
            Form1->SetClientHeight(200 + arg() * 2);
            break;
        case 17:
            SimShortCut(memo, ShortCut(VK_F5, 0));
            break;
        case 18:
            (op & 0x80 ? Form1->Edit2 : Form1->Edit1)->SetText(std::to_string(arg() % 10));
            break;
        case 19: {
            TChart* chart = op & 0x80 ? Form1->Chart2 : Form1->Chart1;
            const int x = chart->ChartRect().Left + arg() % std::max(1, chart->ChartRect().Width());
            SimDoubleClick(chart, mbLeft, 0, x, chart->ChartRect().Top + 5);
            break;
        }
        case 20:
            memo->SetCaretPos(
                TTextPos{static_cast<size_t>(arg() * 16), static_cast<size_t>(arg())});
            break;
        case 21:
            SimKeyPress(memo, vkTab);
            break;
        case 22: {
            TChart* chart = Form1->Chart1;
            SimMouseMove(chart, 0, arg() % std::max(1, chart->Width()), chart->Height() / 2);
            break;
        }
        case 23: {
            const int a = arg();
            memo->SetFocus();
            SimKeyPress(nullptr, (a & 1) ? vkDown : vkUp, ssAlt | ((a & 2) ? ssShift : 0));
            break;
        }
        case 24: {
            TChart* chart = op & 0x80 ? Form1->Chart2 : Form1->Chart1;
            const int x = arg() % std::max(1, chart->Width());
            const int y = arg() % std::max(1, chart->Height());
            SimMouseDown(chart, mbLeft, (op & 0x40) ? ssShift : 0, x, y);
            SimMouseUp(chart, mbLeft, (op & 0x40) ? ssShift : 0, x, y);
            break;
        }
        case 25: {
            const char* const texts[] = {
                "1",       "0:",           "edge:bit=1", "pulse:bit=0,level=low,longer=7",
                "word:x1", "gap:longer=3", "pulse:bit=", ""};
            SimShortCut(memo, ShortCut('F', ssCtrl));
            memo->SetFindText(texts[arg() % 8]);
            SimShortCut(nullptr, ShortCut(VK_F3, (op & 0x80) ? ssShift : 0));
            break;
        }
        case 26:
            SimKeyPress(nullptr, vkEscape);
            break;
        default:
            // The last case's other bytes: gestures added later, so that older seeds replay
            // as they were.
            switch (op / 28) {
            case 1: {
                // Ctrl+G with a time, at times a wrong one first.
                const int a = arg();
                if (a & 1) gDialogs.FieldsAnswers.push_back({"x1"});
                gDialogs.FieldsAnswers.push_back({std::to_string(a * 31 - 100) + ",5"});
                SimShortCut(memo, ShortCut('G', ssCtrl));
                gDialogs.FieldsAnswers.clear();
                break;
            }
            case 2:
            case 3: {
                // The chart menu's marker entries.
                static const char* const entries[] = {"Marker A here", "Marker B here",
                                                      "Clear markers"};
                TChart* chart = op / 28 == 3 ? Form1->Chart2 : Form1->Chart1;
                const int x = arg() % std::max(1, chart->Width());
                gDialogs.MenuAnswers = {entries[arg() % 3]};
                SimMouseDown(chart, mbRight, 0, x, chart->Height() / 2);
                SimMouseUp(chart, mbRight, 0, x, chart->Height() / 2);
                gDialogs.MenuAnswers.clear();
                break;
            }
            case 4:
                SimKeyPress(nullptr, vkReturn, (arg() & 1) ? ssShift : 0);
                break;
            default:
                ProcessEvents();
                break;
            }
            break;
        }
        CheckState();
    }
    ProcessEvents();
    CheckState();
    return 0;
}
