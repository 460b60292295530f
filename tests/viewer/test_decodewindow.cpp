// Decoders in the main window with the wave link and both charts attached, through real
// gestures: the chart's menu on a right click, the settings dialog (its refusal included),
// annotations drawn in the band only, the readout, the double-click, a rebuild after an edit,
// and the list window's row click, find and save.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/common/MainWindowFixture.h"
#include "toolkit/TestSupport.h"
#include "viewer/DecodedList.h"
#include "viewer/Unit1.h"

namespace {

// 8N1 frames of Bytes on bit 0, 10 units a bit, the first from 100 and one every 120; bit 1
// toggles at every line. A line at every bit boundary.
std::string UartLog(const std::string& bytes)
{
    std::string text = "0:1\r\n";
    int t = 100;
    int toggle = 0;
    for (const char c : bytes) {
        for (int k = 0; k < 10; ++k) {
            const int level = k == 0   ? 0
                              : k == 9 ? 1
                                       : (static_cast<unsigned char>(c) >> (k - 1)) & 1;
            toggle ^= 2;
            text += std::to_string(t + 10 * k) + ":" + std::to_string(level | toggle) + "\r\n";
        }
        t += 120;
    }
    text += std::to_string(t) + ":1\r\n";
    return text;
}

// UART fields in the dialog's order: rx, baud, bit, data, parity, stop, order, invert, unit.
const std::vector<std::string> UartAnswer = {"0", "", "10", "8", "none", "1", "lsb", "no", "1 ns"};

class DecodeWindow : public ShownMainWindow
{
public:
    void SetUp() override
    {
        ShownMainWindow::SetUp();
        Form1->Memo1->SetText(UartLog("Hi!"));
        // As after a load: "Repaint" shown, so F5 reaches it.
        Form1->Button2->Click();
        Form1->Button2->Show();
        Settle();
    }

    static void Settle()
    {
        ProcessEvents();
        FlushPaints(Form1);
    }

    static std::vector<uint32_t> Pixels(const TChart* chart, const TRect& r)
    {
        std::vector<uint32_t> pixels;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                pixels.push_back(ControlPixel(chart, x, y));
        return pixels;
    }

    static void RightClick(TChart* chart)
    {
        const TRect plot = chart->ChartRect();
        const int x = (plot.Left + plot.Right) / 2;
        const int y = (plot.Top + plot.Bottom) / 2;
        SimMouseDown(chart, mbRight, 0, x, y);
        SimMouseUp(chart, mbRight, 0, x, y);
        Settle();
    }

    static int BandY(const TChart* chart)
    {
        const TRect band = chart->AnnotationBand();
        return (band.Top + band.Bottom) / 2;
    }

    static int CaretLine() { return static_cast<int>(Form1->Memo1->CaretPos().Line); }

    TRecordingDialogProvider Dialogs;
    TDialogProviderScope Scope{&Dialogs};
};

} // namespace

TEST_F(DecodeWindow, MenuDialogAnnotationsReadoutDoubleClickAndRebuild)
{
    TChart* chart = Form1->Chart1;
    const TRect plot = chart->ChartRect();
    const std::vector<uint32_t> before =
        Pixels(chart, TRect{0, 0, chart->Width(), chart->Height()});

    Dialogs.MenuAnswers = {"Decode UART..."};
    Dialogs.FieldsAnswers = {UartAnswer};
    RightClick(chart);
    ASSERT_EQ(Dialogs.Count(TRecordingDialogProvider::TShown::Menu), 1);
    ASSERT_EQ(Dialogs.Count(TRecordingDialogProvider::TShown::FieldsDialog), 1);
    const TFieldsDialogRequest& asked = Dialogs.Shown.back().Fields;
    // The chart's bit as the data line, the bit length left to detection.
    EXPECT_EQ(asked.Fields.at(0).Value, "0");
    EXPECT_EQ(asked.Fields.at(1).Value, "");
    EXPECT_EQ(asked.Fields.at(2).Value, "");
    EXPECT_FALSE(chart->PanningRecord().Active);

    const TChartDecoder* decoder = Form1->Decoding()->Decoder(0);
    ASSERT_NE(decoder, nullptr);
    ASSERT_EQ(decoder->Items.Size(), 3u);
    EXPECT_EQ(decoder->Items.ValueText(1), "69");

    // Drawn in the band only: the rest of the chart is as it was.
    const TRect band = chart->AnnotationBand();
    ASSERT_GT(band.Bottom, band.Top);
    std::vector<uint32_t> bandBefore;
    for (int y = band.Top; y < band.Bottom; ++y)
        for (int x = band.Left; x < band.Right; ++x)
            bandBefore.push_back(before[static_cast<size_t>(y * chart->Width() + x)]);
    EXPECT_NE(Pixels(chart, band), bandBefore);
    EXPECT_EQ(Pixels(chart, TRect{0, band.Bottom, chart->Width(), chart->Height()}),
              std::vector<uint32_t>(before.begin() + band.Bottom * chart->Width(), before.end()));

    // Pointing at the second frame's box adds it to the readout.
    const int x = chart->BottomAxis()->ValueToPixel(270);
    SimMouseMove(chart, 0, x, BandY(chart));
    Settle();
    EXPECT_NE(chart->OverlayText().find("data 69 'i'"), std::string::npos) << chart->OverlayText();
    // The pulse readout stays in front of it.
    SimMouseMove(chart, 0, x, (plot.Top + plot.Bottom) / 2);
    Settle();
    EXPECT_EQ(chart->OverlayText().find("data 69"), std::string::npos);

    // A double-click on the box: the caret on the line where the frame starts (time 220 is
    // line 11), not on the nearest edge's.
    SimDoubleClick(chart, mbLeft, 0, x, BandY(chart));
    SimMouseUp(chart, mbLeft, 0, x, BandY(chart));
    Settle();
    EXPECT_EQ(CaretLine(), 11);
    EXPECT_FALSE(chart->ZoomRecord().Active);

    // An edit and F5: decoded again.
    Form1->Memo1->SetText(UartLog("OK"));
    SimShortCut(Form1->Memo1, ShortCut(VK_F5, 0));
    Settle();
    ASSERT_EQ(Form1->Decoding()->Decoder(0)->Items.Size(), 2u);
    EXPECT_EQ(Form1->Decoding()->Decoder(0)->Items.Text(1), "K");

    // Removed: the picture is the plain one again.
    Dialogs.MenuAnswers = {"Remove decoder"};
    Form1->Memo1->SetText(UartLog("Hi!"));
    Form1->Button2->Click();
    RightClick(chart);
    EXPECT_EQ(Form1->Decoding()->Decoder(0), nullptr);
    Form1->Chart1->Invalidate();
    Settle();
    EXPECT_EQ(Pixels(chart, TRect{0, 0, chart->Width(), chart->Height()}), before);
}

TEST_F(DecodeWindow, AWrongValueKeepsTheDialogWithTheToolsMessage)
{
    Dialogs.MenuAnswers = {"Decode SPI..."};
    // clk, mosi, miso, cs, cs-active, mode, word, order.
    Dialogs.FieldsAnswers = {{"1", "0", "", "", "low", "0", "999", "msb"},
                             {"1", "0", "", "", "low", "0", "8", "msb"}};
    RightClick(Form1->Chart2);
    ASSERT_EQ(Dialogs.Count(TRecordingDialogProvider::TShown::Error), 1);
    EXPECT_NE(Dialogs.LastMessage(TRecordingDialogProvider::TShown::Error).find("word"),
              std::string::npos);
    const TChartDecoder* decoder = Form1->Decoding()->Decoder(1);
    ASSERT_NE(decoder, nullptr);
    EXPECT_EQ(decoder->SetupText, "spi:clk=1,mosi=0,cs-active=low,mode=0,word=8,order=msb");
    // The second chart's defaults: its own bit as the data line, the other chart's the clock.
    const TFieldsDialogRequest& asked =
        Dialogs.Shown.front().Kind == TRecordingDialogProvider::TShown::FieldsDialog
            ? Dialogs.Shown.front().Fields
            : Dialogs.Shown.at(1).Fields;
    EXPECT_EQ(asked.Fields.at(0).Value, "0");
    EXPECT_EQ(asked.Fields.at(1).Value, "1");
}

TEST_F(DecodeWindow, ListRowClickCentresBothChartsFindsAndSavesAsTheTool)
{
    TChart* chart = Form1->Chart1;
    std::string error;
    ASSERT_TRUE(Form1->Decoding()->SetDecoder(0, "uart:rx=0,bit=10", "1 ns", error)) << error;
    // Zoomed to 100 units first; the row click keeps that.
    chart->ZoomToValues(chart->TopAxis()->Minimum(), chart->TopAxis()->Maximum(), 0, 100,
                        chart->LeftAxis()->Minimum(), chart->LeftAxis()->Maximum(),
                        chart->RightAxis()->Minimum(), chart->RightAxis()->Maximum());
    Settle();
    Dialogs.MenuAnswers = {"Decoded items..."};
    RightClick(chart);
    TDecodedListForm* list = Form1->Decoding()->ListForm();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->List->RowCount(), 3);
    Settle();
    FlushPaints(list);

    const TRect row = ListViewRowRect(list->List, 2);
    ASSERT_FALSE(row.IsEmpty());
    SimMouseDown(list->List, mbLeft, 0, row.Left + 5, (row.Top + row.Bottom) / 2);
    SimMouseUp(list->List, mbLeft, 0, row.Left + 5, (row.Top + row.Bottom) / 2);
    Settle();
    // The third frame spans 340..440: centred at 390 with the 100 units kept, in both charts.
    EXPECT_DOUBLE_EQ(chart->BottomAxis()->Minimum(), 340);
    EXPECT_DOUBLE_EQ(chart->BottomAxis()->Maximum(), 440);
    EXPECT_DOUBLE_EQ(Form1->Chart2->BottomAxis()->Minimum(), 340);
    EXPECT_DOUBLE_EQ(Form1->Chart2->BottomAxis()->Maximum(), 440);
    EXPECT_EQ(CaretLine(), 21);

    // Find "0x48" from the third row wraps to the first.
    list->FindEdit->SetText("0x48");
    list->FindButton->Click();
    EXPECT_EQ(list->List->Selected(), 0);
    EXPECT_EQ(CaretLine(), 1);

    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / "logview_decoded_list.txt";
    Dialogs.FileAnswers = {file.string()};
    list->SaveButton->Click();
    std::ifstream in(file, std::ios::binary);
    std::stringstream saved;
    saved << in.rdbuf();
    EXPECT_EQ(saved.str(), "1\t100\t200\tdata\t48\tH\n"
                           "1\t220\t320\tdata\t69\ti\n"
                           "1\t340\t440\tdata\t21\t!\n");
    std::filesystem::remove(file);
}
