// Thousands of seeded random actions on the main window, as a restless user would do
// them: drags with both buttons, the wheel, typing, loads answered at random, Repaint,
// the bit fields, and the decoders' gestures (the chart's menu, the settings dialog answered
// rightly or wrongly, pointing at and double-clicking the band, the list's rows), markers by
// click, Shift+click, Escape and the chart's menu, the find bar, Ctrl+G, the edge keys, and
// other programs' files loaded or dropped with their signals picked. After each one the charts
// must still be coupled, each chart must show exactly what its decoder's setup decodes from the
// built samples, both charts the same markers with the edges between them counted as the find
// query counts them, and no exception but the system's own file messages (and a dialog's
// refusal of a wrong value) may have reached the error box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "decode/Decode.h"
#include "formats/Import.h"
#include "formats/VcdExport.h"
#include "samples/Find.h"
#include "tests/common/SampleLines.h"
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

// ---- markers, finding and importing

// The samples the last build drew, as the model holds them.
int BuiltSamples()
{
    return std::min(Form1->LastBuild().BuiltSamples, Form1->TextSamples().Last().SampleCount());
}

// The edges of chart Chart's bit in the last build, as the find query lists them.
std::vector<TFindMatch> EdgesOfChart(int chart)
{
    const std::vector<int>& bits = Form1->LastBuild().Bits;
    const int bit = chart < static_cast<int>(bits.size()) ? bits[static_cast<size_t>(chart)] : -1;
    if (bit < 0) return {};
    TFindQuery query;
    query.Kind = TFindKind::Edge;
    query.Bit = bit;
    return FindMatches(Form1->TextSamples().Last(), BuiltSamples(), query);
}

bool OnALine(const std::vector<TFindMatch>& matches, size_t line)
{
    return std::any_of(matches.begin(), matches.end(),
                       [&](const TFindMatch& m) { return static_cast<size_t>(m.Line) == line; });
}

// The edge count a measurement line gives, -1 when the text is no measurement.
int ShownEdgeCount(const std::string& overlay)
{
    static const std::string edges = Utf8ToCp1251("фронтов ");
    const size_t at = overlay.find(edges);
    if (at == std::string::npos) return -1;
    return std::atoi(overlay.c_str() + at + edges.size());
}

// Both charts show the markers the window holds, and with both set each chart's measurement
// counts the edges its bit has between them.
void ExpectMarkersShownAndMeasured()
{
    const TFindMeasure* fm = Form1->FindMeasure();
    const std::vector<TWaveView> views = Form1->WaveViews();
    for (size_t c = 0; c < views.size(); ++c) {
        const TChart* chart = views[c].Chart;
        for (int m = 0; m < TCustomChart::MeasureMarkerCount; ++m) {
            ASSERT_EQ(chart->MeasureMarkerVisible(m), fm->MarkerSet(m)) << "chart " << c;
            if (fm->MarkerSet(m)) {
                ASSERT_EQ(chart->MeasureMarkerValue(m), fm->MarkerTime(m)) << "chart " << c;
            }
        }
        if (!fm->MarkerSet(TFindMeasure::MarkerA) || !fm->MarkerSet(TFindMeasure::MarkerB))
            continue;
        const double a = fm->MarkerTime(TFindMeasure::MarkerA);
        const double b = fm->MarkerTime(TFindMeasure::MarkerB);
        const std::vector<TFindMatch> edges = EdgesOfChart(static_cast<int>(c));
        const auto between = std::count_if(edges.begin(), edges.end(), [&](const TFindMatch& e) {
            return e.Start >= std::min(a, b) && e.Start <= std::max(a, b);
        });
        ASSERT_EQ(ShownEdgeCount(chart->OverlayText()), between)
            << "chart " << c << " A " << a << " B " << b << ": " << chart->OverlayText();
    }
}

// The line Ctrl+G must reach for Time, worked out sample by sample: the latest time at or
// before it (else the earliest of all), its first line; -1 without samples.
int LineAtOrBefore(double time)
{
    const TSampleModel& model = Form1->TextSamples().Last();
    const int n = BuiltSamples();
    if (n <= 0) return -1;
    bool found = false;
    int32_t best = 0;
    int32_t earliest = model.Time(0);
    for (int s = 0; s < n; ++s) {
        const int32_t t = model.Time(s);
        earliest = std::min(earliest, t);
        if (t <= time && (!found || t > best)) best = t, found = true;
    }
    if (!found) best = earliest;
    int line = -1;
    for (int s = 0; s < n; ++s)
        if (model.Time(s) == best && (line < 0 || model.LineOfSample(s) < line))
            line = model.LineOfSample(s);
    return line;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WithoutLastBreak(std::string text)
{
    if (text.ends_with("\r\n")) text.resize(text.size() - 2);
    return text;
}

// Another program's file the soak opens, and what its reader lists.
struct TImportFile
{
    std::string Name;
    std::string Bytes;
    TFileFormat Format = TFileFormat::Log;
    TImportListing Listing;
    // Its conversion must fail whatever is picked.
    bool Malformed = false;
};

// Answers for the pick list of Listing: the first 32 bits as offered, a few in a new order,
// nothing picked, or a cancel.
std::vector<int> PickAnswer(const TImportListing& listing, const TPick& pick)
{
    const int rows = static_cast<int>(listing.Bits.size());
    if (rows == 0) return {};
    std::vector<int> answer;
    switch (pick(6)) {
    case 0:
        return {-1};
    case 1:
        return {};
    case 2:
    case 3:
        for (int i = 0; i < std::min(rows, 32); ++i)
            answer.push_back(i);
        return answer;
    default:
        for (int i = 0; i < rows; ++i)
            answer.push_back(i);
        for (int i = rows - 1; i > 0; --i)
            std::swap(answer[static_cast<size_t>(i)], answer[static_cast<size_t>(pick(i + 1))]);
        answer.resize(static_cast<size_t>(1 + pick(std::min(rows, 32))));
        return answer;
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

    // Other programs' files, good and malformed, for the import gestures.
    std::vector<TImportFile> imports;
    auto addImport = [&](const std::string& name, const std::string& bytes, bool malformed) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        TImportFile file;
        file.Name = (dir / name).string();
        file.Bytes = bytes;
        file.Format = DetectFormat(bytes);
        file.Listing = ListSignals(file.Format, bytes);
        file.Malformed = malformed;
        if (!malformed) {
            ASSERT_NE(file.Format, TFileFormat::Log) << name;
            ASSERT_EQ(file.Listing.Status, TImportStatus::Converted) << name;
            ASSERT_FALSE(file.Listing.Bits.empty()) << name;
        }
        imports.push_back(file);
    };
    {
        const std::string uart = UartLog("Hi! 0x55", 10);
        const TSplitLines lines(uart);
        const TSampleModel model(lines);
        const std::string vcd = WriteVcd(model, "1 ns");
        addImport("uart.vcd", vcd, false);
        addImport("bad-line.vcd", vcd + "#12x\n", true);
        std::mt19937 random(7);
        std::string csv = "clk;data;en\n";
        for (int row = 0; row < 60; ++row)
            csv += std::to_string(row % 2) + ";" + std::to_string(random() % 2) + ";" +
                   std::to_string(row / 20 % 2) + "\n";
        addImport("bus.csv", csv, false);
    }
    if (const char* source = std::getenv("LOGVIEW_SOURCE_DIR")) {
        const std::string session =
            ReadBytes(fs::path(source) / "tests" / "formats" / "data" / "demo.sr");
        ASSERT_FALSE(session.empty());
        addImport("demo.sr", session, false);
        addImport("cut.sr", session.substr(0, session.size() / 2), true);
    }

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
    int markerClicks = 0;
    int escapes = 0;
    int menuMarkers = 0;
    int measured = 0;
    int queryFinds = 0;
    int textFinds = 0;
    int timeJumps = 0;
    int edgeSteps = 0;
    int imported = 0;
    int unchangedImports = 0;
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
        const int kind = pick(21);
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
            // Markers A and B together stand in the title line instead of the readout.
            const TFindMeasure* fm = Form1->FindMeasure();
            if (!readout.empty() &&
                !(fm->MarkerSet(TFindMeasure::MarkerA) && fm->MarkerSet(TFindMeasure::MarkerB))) {
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
        case 14: {
            // A click without movement places marker A, with Shift marker B, on the nearest
            // edge within reach, else where clicked; Escape with the pointer over a chart
            // clears them.
            TFindMeasure* fm = Form1->FindMeasure();
            const TRect plot = chart->ChartRect();
            const int px = plot.Left + pick(std::max(plot.Right - plot.Left, 1));
            const int py = plot.Top + pick(std::max(plot.Bottom - plot.Top, 1));
            if (pick(4) == 0) {
                // Keys go to the active window: the user comes back from the list's first.
                SimActivateWindow(Form1);
                SimMouseMove(chart, 0, px, py);
                const bool toTheBar = Form1->Memo1->FindBarFocused();
                SimKeyPress(nullptr, vkEscape);
                if (toTheBar) {
                    ASSERT_FALSE(Form1->Memo1->FindBarVisible());
                } else {
                    ++escapes;
                    ASSERT_FALSE(fm->MarkerSet(TFindMeasure::MarkerA) ||
                                 fm->MarkerSet(TFindMeasure::MarkerB));
                }
                break;
            }
            const TShiftState shift = pick(2) == 0 ? ssShift : 0;
            SimMouseDown(chart, mbLeft, shift, px, py);
            SimMouseUp(chart, mbLeft, shift, px, py);
            const int m = shift != 0 ? TFindMeasure::MarkerB : TFindMeasure::MarkerA;
            ASSERT_TRUE(fm->MarkerSet(m));
            ++markerClicks;
            // An axis of one time has every pixel at that time.
            if (chart->BottomAxis()->Minimum() == chart->BottomAxis()->Maximum()) break;
            ASSERT_LE(std::abs(chart->BottomAxis()->ValueToPixel(fm->MarkerTime(m)) - px),
                      TFindMeasure::SnapPixels)
                << fm->MarkerTime(m);
            break;
        }
        case 15: {
            // The chart menu's marker entries.
            static const char* const entries[] = {"Marker A here", "Marker B here",
                                                  "Clear markers"};
            const int entry = pick(3);
            dialogs.MenuAnswers = {entries[entry]};
            AsFromTheLoop([&] {
                SimMouseDown(chart, mbRight, 0, x, y);
                SimMouseUp(chart, mbRight, 0, x, y);
            });
            dialogs.MenuAnswers.clear();
            if (dialogs.Count(TShown::Menu) == 0) break;
            ++menuMarkers;
            const TFindMeasure* fm = Form1->FindMeasure();
            if (entry == 2) {
                ASSERT_FALSE(fm->MarkerSet(TFindMeasure::MarkerA) ||
                             fm->MarkerSet(TFindMeasure::MarkerB));
            } else {
                ASSERT_TRUE(fm->MarkerSet(entry));
                if (chart->BottomAxis()->Minimum() == chart->BottomAxis()->Maximum()) break;
                ASSERT_LE(std::abs(chart->BottomAxis()->ValueToPixel(fm->MarkerTime(entry)) - x),
                          TFindMeasure::SnapPixels);
            }
            break;
        }
        case 16: {
            // The find bar: a text or an event query typed, then stepped through or closed.
            static const char* const texts[] = {"1",
                                                "0:",
                                                "A",
                                                "1f",
                                                "zz",
                                                "edge:bit=1",
                                                "edge:bit=0,dir=rise",
                                                "word:x1",
                                                "word:10",
                                                "pulse:bit=0,level=high",
                                                "pulse:bit=1,level=low,shorter=30",
                                                "gap:longer=15",
                                                "pulse:bit=",
                                                "edge:bit=99"};
            TMemo* memo = Form1->Memo1;
            SimActivateWindow(Form1);
            if (pick(3) != 0) {
                SimShortCut(memo, ShortCut('F', ssCtrl));
                ASSERT_TRUE(memo->FindBarFocused());
                SimTypeText(nullptr, texts[pick(static_cast<int>(std::size(texts)))]);
                ProcessEvents();
            }
            const bool bar = memo->FindBarFocused();
            const int key = pick(bar ? 5 : 2);
            // A step that finds nothing leaves the last match selected.
            const TTextPos anchor = memo->AnchorPos();
            const TTextPos caret = memo->CaretPos();
            if (key < 2) {
                SimShortCut(nullptr, ShortCut(VK_F3, key == 1 ? ssShift : 0));
            } else if (key < 4) {
                SimKeyPress(nullptr, vkReturn, key == 3 ? ssShift : 0);
            } else {
                SimKeyPress(nullptr, vkEscape);
                ASSERT_FALSE(memo->FindBarVisible());
                break;
            }
            // A query's step lands on one of its matches' lines; a text's step selects it.
            const std::string text = memo->FindText();
            TFindQuery query;
            std::string error;
            const bool isQuery =
                std::any_of(std::begin(texts), std::end(texts), [&](const char* t) {
                    const std::string_view q(t);
                    return q.find(':') > 1 && q.find(':') != q.npos &&
                           text.starts_with(q.substr(0, q.find(':') + 1));
                });
            if (isQuery) {
                if (!ParseFindQuery(text, query, error)) break;
                const std::vector<TFindMatch> matches =
                    FindMatches(Form1->TextSamples().Last(), BuiltSamples(), query);
                if (matches.empty()) break;
                ++queryFinds;
                ASSERT_TRUE(OnALine(matches, memo->CaretPos().Line)) << text;
            } else if (memo->AnchorPos() != memo->CaretPos() &&
                       (memo->AnchorPos() != anchor || memo->CaretPos() != caret)) {
                const TTextPos a = std::min(memo->AnchorPos(), memo->CaretPos());
                const TTextPos b = std::max(memo->AnchorPos(), memo->CaretPos());
                ASSERT_EQ(a.Line, b.Line);
                std::string selected(memo->Lines()
                                         ->Line(static_cast<int>(a.Line))
                                         .substr(a.Column, b.Column - a.Column));
                std::string wanted = text;
                for (std::string* t : {&selected, &wanted})
                    std::transform(t->begin(), t->end(), t->begin(),
                                   [](unsigned char ch) { return std::tolower(ch); });
                ++textFinds;
                ASSERT_EQ(selected, wanted);
            }
            break;
        }
        case 17: {
            // Ctrl+G answered with a good time, at times after a wrong one, or cancelled.
            const TSampleModel& model = Form1->TextSamples().Last();
            int lo = 0;
            int hi = 1000;
            for (int s = 0; s < BuiltSamples(); ++s) {
                lo = s == 0 ? model.Time(s) : std::min(lo, model.Time(s));
                hi = s == 0 ? model.Time(s) : std::max(hi, model.Time(s));
            }
            const double span = static_cast<double>(hi) - lo;
            const int64_t whole = lo - 50 + static_cast<int64_t>(pick(1000) * (span + 100) / 1000);
            const bool half = pick(3) == 0;
            const double time = static_cast<double>(whole) + (half ? 0.5 : 0);
            const std::string good = std::to_string(whole) + (half ? ",5" : "");
            static const char* const wrong[] = {"abc", "", "1e3", "--5", "12:00"};
            if (pick(4) == 0) dialogs.FieldsAnswers.push_back({wrong[pick(5)]});
            const bool cancel = pick(6) == 0;
            dialogs.FieldsAnswers.push_back(cancel ? std::vector<std::string>{}
                                                   : std::vector<std::string>{good});
            const size_t before = Form1->Memo1->CaretPos().Line;
            SimShortCut(Form1->Memo1, ShortCut('G', ssCtrl));
            dialogs.FieldsAnswers.clear();
            const int line = LineAtOrBefore(time);
            if (cancel || line < 0) {
                ASSERT_EQ(Form1->Memo1->CaretPos().Line, before);
            } else {
                ++timeJumps;
                ASSERT_EQ(Form1->Memo1->CaretPos().Line, static_cast<size_t>(line)) << good;
            }
            break;
        }
        case 18: {
            // Alt+Down/Up: the upper chart's edges; with Shift the lower chart's.
            const int c = pick(2);
            SimActivateWindow(Form1);
            if (pick(2) == 0) Form1->Memo1->SetFocus();
            const size_t before = Form1->Memo1->CaretPos().Line;
            SimKeyPress(nullptr, pick(2) == 0 ? vkDown : vkUp, c == 0 ? ssAlt : ssAlt | ssShift);
            const size_t after = Form1->Memo1->CaretPos().Line;
            if (after == before) break;
            ++edgeSteps;
            ASSERT_TRUE(OnALine(EdgesOfChart(c), after)) << "chart " << c << " line " << after;
            break;
        }
        case 19:
        case 20: {
            // Another program's file loaded or dropped, its signals picked, reordered or
            // cancelled: the text becomes the conversion of what was picked, or stays.
            const TImportFile& file =
                imports[static_cast<size_t>(pick(static_cast<int>(imports.size())))];
            const std::vector<int> answer = PickAnswer(file.Listing, pick);
            const std::string text = Form1->Memo1->Text();
            const std::string caption = Form1->Caption();
            const uint8_t modified = DataModified;
            dialogs.PickAnswers = {answer};
            dialogs.ConfirmAnswers = {mrNo};
            if (kind == 19) {
                dialogs.FileAnswers = {file.Name};
                AsFromTheLoop([] { Form1->Button1->Click(); });
            } else {
                TControl* target = pick(2) == 0 ? static_cast<TControl*>(Form1->Memo1) : chart;
                SimDropFiles(target, {file.Name}, 10, 10);
                ProcessEvents();
            }
            dialogs.PickAnswers.clear();
            dialogs.ConfirmAnswers.clear();
            dialogs.FileAnswers.clear();
            if (file.Malformed || answer.empty() || answer == std::vector<int>{-1}) {
                ++unchangedImports;
                ASSERT_EQ(Form1->Memo1->Text(), text) << file.Name;
                ASSERT_EQ(Form1->Caption(), caption);
                ASSERT_EQ(DataModified, modified);
                break;
            }
            std::vector<std::string> names;
            for (const int row : answer)
                names.push_back(file.Listing.Bits[static_cast<size_t>(row)]);
            const TImportResult want = ImportFile(file.Format, file.Bytes, names);
            ASSERT_EQ(want.Status, TImportStatus::Converted) << want.Reason;
            ++imported;
            ASSERT_EQ(WithoutLastBreak(Form1->Memo1->Text()), WithoutLastBreak(want.LogText))
                << file.Name;
            ASSERT_NE(Form1->Caption().find(file.Name), std::string::npos) << Form1->Caption();
            ASSERT_EQ(DataModified, 1);
            ASSERT_EQ(Form1->ImportSource(), file.Name);
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
        ExpectMarkersShownAndMeasured();
        if (HasFatalFailure()) return;
        if (Form1->FindMeasure()->MarkerSet(TFindMeasure::MarkerA) &&
            Form1->FindMeasure()->MarkerSet(TFindMeasure::MarkerB))
            ++measured;
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
    EXPECT_GT(markerClicks, 0);
    EXPECT_GT(escapes, 0);
    EXPECT_GT(menuMarkers, 0);
    EXPECT_GT(measured, actions / 10);
    EXPECT_GT(queryFinds, 0);
    EXPECT_GT(textFinds, 0);
    EXPECT_GT(timeJumps, 0);
    EXPECT_GT(edgeSteps, 0);
    EXPECT_GT(imported, 0);
    EXPECT_GT(unchangedImports, 0);
    DataModified = 0;
    delete Form1;
    Form1 = nullptr;
    fs::remove_all(dir);
}

} // namespace
