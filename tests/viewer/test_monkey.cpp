// Thousands of seeded random actions on the main window, as a restless user would do
// them: drags with both buttons, the wheel, typing, loads answered at random, Repaint,
// the bit fields, and the decoders' gestures (the chart's menu, the settings dialog answered
// rightly or wrongly, pointing at and double-clicking the band, the list's rows). After each
// one the charts must still be coupled, each chart must show exactly what its decoder's setup
// decodes from the built samples, and no exception but the system's own file messages (and a
// settings dialog's refusal of a wrong value) may have reached the error box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "decode/Decode.h"
#include "formats/VcdExport.h"
#include "toolkit/CodePage.h"
#include "toolkit/Forms.h"
#include "toolkit/SysUtils.h"
#include "toolkit/TestSupport.h"
#include "viewer/DecodedList.h"
#include "viewer/RenderTool.h"
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
    // A saved text whose first line is no sample but starts with "$" reads as a dump, which
    // then is refused as malformed with its line and reason.
    static const std::string malformed = Utf8ToCp1251(") не открыт: ");
    static const std::string file = Utf8ToCp1251("Файл ");
    return message.rfind("Cannot open file ", 0) == 0 ||
           message.rfind("Cannot create file ", 0) == 0 ||
           (message.rfind(file, 0) == 0 && message.find(malformed) != std::string::npos);
}

// ---- the decoders' gestures

using TPick = std::function<int(int)>;

// 8N1 frames of Bytes on bit 0, Bit units a bit, one every 12 bits; bit 1 toggles at every
// line, as a clock would.
std::string UartLog(const std::string& bytes, int bit)
{
    std::string text = "0:1\n";
    int t = 10 * bit;
    int toggle = 0;
    for (const char c : bytes) {
        for (int k = 0; k < 10; ++k) {
            const int level = k == 0   ? 0
                              : k == 9 ? 1
                                       : (static_cast<unsigned char>(c) >> (k - 1)) & 1;
            toggle ^= 2;
            text += std::to_string(t + bit * k) + ":" + std::to_string(level | toggle) + "\n";
        }
        t += 12 * bit;
    }
    return text + std::to_string(t) + ":1\n";
}

// Answers for a settings dialog of Protocol, in its fields' order: mostly sensible, at times
// with one field wrong (which the dialog must refuse or take as the tool would).
std::vector<std::string> FieldsAnswer(TDecodeProtocol protocol, const TPick& pick)
{
    const auto any = [&](std::initializer_list<const char*> values) {
        return std::string(values.begin()[pick(static_cast<int>(values.size()))]);
    };
    // Mostly what fits the logs (frames on bit 0, a clock on bit 1), else anything.
    const auto often = [&](const char* usual, std::initializer_list<const char*> others) {
        return pick(4) != 0 ? std::string(usual) : any(others);
    };
    const auto bit = [&](const char* usual) {
        return pick(4) != 0 ? std::string(usual) : std::to_string(pick(8));
    };
    std::vector<std::string> answer;
    switch (protocol) {
    case TDecodeProtocol::Uart:
        answer = {bit("0"),
                  often("", {"9600", "1000000", "100000000"}),
                  often("", {"10", "100", "7", "1"}),
                  often("8", {"5", "9"}),
                  often("none", {"odd", "even", "mark", "space", "ignore"}),
                  often("1", {"1.5", "2"}),
                  often("lsb", {"msb"}),
                  often("no", {"yes"}),
                  often("1 ns", {"10 us", ""})};
        break;
    case TDecodeProtocol::Spi:
        answer = {bit("1"),
                  bit("0"),
                  often("", {"0", "2", "3"}),
                  often("", {"0", "2", "3"}),
                  often("low", {"high"}),
                  any({"0", "1", "2", "3"}),
                  often("8", {"4", "16"}),
                  often("msb", {"lsb"})};
        break;
    case TDecodeProtocol::I2c:
        answer = {bit("1"), bit("0")};
        break;
    }
    if (pick(3) == 0)
        answer[static_cast<size_t>(pick(static_cast<int>(answer.size())))] =
            any({"x", "-1", "32", "99", "0.5", " ", "1e9", "", "7 parsecs"});
    return answer;
}

// A right click without movement on Chart (its menu) answered with a random caption, and the
// settings dialog it may open with one to three answers, the last at times a cancel.
// Returns the caption chosen.
std::string ChartMenuGesture(TRecordingDialogProvider& dialogs, int chart, int x, int y,
                             const TPick& pick)
{
    static const char* const captions[] = {
        "Decode UART...",   "Decode UART...",    "Decode SPI...",
        "Decode I2C...",    "Change decoder...", "Remove decoder",
        "Decoded items...", "Decoded items...",  ""};
    const std::string caption = captions[pick(9)];
    const TChartDecoder* current = Form1->Decoding()->Decoder(chart);
    TDecodeProtocol protocol = current != nullptr ? current->Setup.Protocol : TDecodeProtocol::Uart;
    if (caption == "Decode SPI...") protocol = TDecodeProtocol::Spi;
    if (caption == "Decode I2C...") protocol = TDecodeProtocol::I2c;
    dialogs.MenuAnswers = {caption};
    for (int i = pick(3); i >= 0; --i)
        dialogs.FieldsAnswers.push_back(FieldsAnswer(protocol, pick));
    if (pick(5) == 0) dialogs.FieldsAnswers.emplace_back();
    TChart* c = Form1->WaveViews()[static_cast<size_t>(chart)].Chart;
    AsFromTheLoop([&] {
        SimMouseDown(c, mbRight, 0, x, y);
        SimMouseUp(c, mbRight, 0, x, y);
    });
    dialogs.MenuAnswers.clear();
    dialogs.FieldsAnswers.clear();
    return caption;
}

// What each chart shows against its decoder's setup text decoded afresh from the samples of
// the last build, before the first bad line, as the tool decodes them.
void ExpectAnnotationsAsDecoded()
{
    const TSampleModel& model = Form1->TextSamples().Last();
    const int bad = model.FirstBadLine();
    const int usable = bad >= 0 ? std::min(bad, model.SampleCount()) : model.SampleCount();
    const std::vector<TWaveView> views = Form1->WaveViews();
    for (size_t c = 0; c < views.size(); ++c) {
        SCOPED_TRACE("chart " + std::to_string(c + 1));
        const TChartDecoder* decoder = Form1->Decoding()->Decoder(static_cast<int>(c));
        const TChartAnnotationSource* shown = views[c].Chart->Annotations();
        ASSERT_EQ(shown, decoder);
        if (decoder == nullptr) continue;
        TDecoderSetup setup;
        std::string error;
        ASSERT_TRUE(ParseDecoderSetup(decoder->SetupText,
                                      TimescaleSeconds(NormaliseTimescale(decoder->Timescale)),
                                      setup, error))
            << decoder->SetupText << ": " << error;
        const TDecodedItems fresh = DecodeItems(model, usable, setup);
        ASSERT_EQ(shown->AnnotationCount(), fresh.Size()) << decoder->SetupText;
        std::vector<TAnnotationSpan> spans(fresh.Size());
        if (!spans.empty()) shown->Spans(0, spans.size(), spans.data());
        for (size_t i = 0; i < fresh.Size(); ++i) {
            ASSERT_EQ(spans[i].Start, fresh[i].Start) << decoder->SetupText << " item " << i;
            ASSERT_EQ(spans[i].End, fresh[i].End) << decoder->SetupText << " item " << i;
            ASSERT_EQ(shown->Label(i), ItemLabel(fresh, i)) << decoder->SetupText << " item " << i;
        }
    }
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
    make("uart.log", UartLog("Hi! 0x55", 10));
    make("uart-slow.log", UartLog("\x01\xff\x80", 100) + "4000:zz\n5000:1\n");
    // Loaded more often than the others, so that decoders often have frames to find.
    const std::vector<std::string> uartLogs(files.end() - 2, files.end());
    for (int i = 0; i < 3; ++i)
        files.insert(files.end(), uartLogs.begin(), uartLogs.end());
    files.push_back((dir / "missing.log").string());
    files.push_back(dir.string());

    TRecordingDialogProvider dialogs;
    const TDialogProviderScope scope(&dialogs);
    Form1 = new TForm1(nullptr);
    Form1->AfterConstruction();
    Form1->ShowForm();
    // Frames to decode from the first step on.
    Form1->Memo1->SetText(UartLog("Hi! 0x55", 10));
    Form1->Button2->Click();
    DataModified = 0;
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

    // The chart whose items the list window shows; -1 before it opens.
    int listChart = -1;
    // How often the decoders' checks had something to check: the mix must reach them.
    int decodedSteps = 0;
    int itemJumps = 0;
    int readouts = 0;
    int rowClicks = 0;
    int refusals = 0;
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
        const int kind = pick(14);
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
        case 10:
        case 11: {
            const int c = chart == Form1->Chart2 ? 1 : 0;
            const bool had = Form1->Decoding()->Decoder(c) != nullptr;
            if (ChartMenuGesture(dialogs, c, x, y, pick) == "Decoded items..." && had)
                listChart = c;
            break;
        }
        case 12: {
            // Pointing at the band, and at times double-clicking it: the caret goes to the line
            // where the item under the pointer starts.
            const int c = chart == Form1->Chart2 ? 1 : 0;
            const TRect band = chart->AnnotationBand();
            int bx = band.Left + pick(std::max(band.Right - band.Left, 1));
            const int by = band.Top + pick(std::max(band.Bottom - band.Top, 1));
            // Half the time at the middle of a random item (which may be off the plot), then
            // double-clicked; elsewhere double-clicked at times.
            const TChartDecoder* decoder = Form1->Decoding()->Decoder(c);
            bool aimed = false;
            if (decoder != nullptr && !decoder->Items.Empty() && pick(2) == 0) {
                const size_t i = static_cast<size_t>(pick(static_cast<int>(decoder->Items.Size())));
                bx = chart->BottomAxis()->ValueToPixel(
                    (decoder->Items[i].Start + decoder->Items[i].End) / 2);
                aimed = true;
            }
            SimMouseMove(chart, 0, bx, by);
            // The item under the pointer is in the readout.
            const std::string readout = Form1->Decoding()->ReadoutAt(c, bx, by);
            if (!readout.empty()) {
                ++readouts;
                ASSERT_NE(chart->OverlayText().find(readout), std::string::npos)
                    << chart->OverlayText();
            }
            if (!aimed && pick(2) == 0) break;
            const long item = Form1->Decoding()->ItemAt(c, bx, by);
            SimDoubleClick(chart, mbLeft, 0, bx, by);
            SimMouseUp(chart, mbLeft, 0, bx, by);
            const int line =
                item < 0 ? -1 : Form1->Decoding()->LineOfItem(c, static_cast<size_t>(item));
            if (item >= 0 && line < Form1->Memo1->Lines()->Count()) {
                ++itemJumps;
                ASSERT_EQ(static_cast<int>(Form1->Memo1->CaretPos().Line), line)
                    << Form1->Decoding()->Decoder(c)->SetupText << " item " << item;
            }
            break;
        }
        case 13: {
            // A row of the list window, if one is open: the caret on its item's line.
            TDecodedListForm* list = Form1->Decoding()->ListForm();
            if (list == nullptr || list->List->RowCount() == 0) break;
            ProcessEvents();
            FlushPaints(list);
            const int row = pick(list->List->RowCount());
            const TRect r = ListViewRowRect(list->List, row);
            if (r.IsEmpty()) break;
            SimMouseDown(list->List, mbLeft, 0, r.Left + 5, (r.Top + r.Bottom) / 2);
            SimMouseUp(list->List, mbLeft, 0, r.Left + 5, (r.Top + r.Bottom) / 2);
            const int line =
                listChart < 0 ? -1
                              : Form1->Decoding()->LineOfItem(listChart, static_cast<size_t>(row));
            // A failed load empties the text but keeps what was built: a line that is gone can
            // take no caret.
            if (line >= 0 && line < Form1->Memo1->Lines()->Count()) {
                ++rowClicks;
                ASSERT_EQ(static_cast<int>(Form1->Memo1->CaretPos().Line), line);
            }
            break;
        }
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
        ExpectAnnotationsAsDecoded();
        if (HasFatalFailure()) return;
        for (int c = 0; c < 2; ++c) {
            const TChartDecoder* decoder = Form1->Decoding()->Decoder(c);
            if (decoder != nullptr && !decoder->Items.Empty()) {
                ++decodedSteps;
                break;
            }
        }
        // A settings dialog's refusal of a wrong value is its own error box, titled as it is.
        std::string dialogTitle;
        for (const TShown& shown : dialogs.Shown) {
            if (shown.Kind == TShown::FieldsDialog) dialogTitle = shown.Fields.Title;
            if (shown.Kind != TShown::Error) continue;
            if (!dialogTitle.empty() && shown.Box.Title == dialogTitle) {
                ++refusals;
                continue;
            }
            ASSERT_TRUE(IsSystemFileMessage(shown.Box.Message)) << shown.Box.Message;
        }
        dialogs.Shown.clear();
    }
    EXPECT_GT(decodedSteps, actions / 10);
    EXPECT_GT(itemJumps, 0);
    EXPECT_GT(readouts, 0);
    EXPECT_GT(rowClicks, 0);
    EXPECT_GT(refusals, 0);
    DataModified = 0;
    delete Form1;
    Form1 = nullptr;
    fs::remove_all(dir);
}

} // namespace
