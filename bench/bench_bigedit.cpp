// The window with a 10M-line log open, as a person works in it: caret moves with the keys
// after "Repaint" (each reaches the charts' marker), "Repaint" itself (F5), a new bit number
// in a chart's field, a double-click jump from a chart to an edge's line, and Ctrl+A, Ctrl+C
// of 1M and 10M lines.
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "BenchTable.h"
#include "toolkit/Forms.h"
#include "toolkit/TestSupport.h"
#include "viewer/Unit1.h"

namespace {

TRecordingDialogProvider g_dialogs;

// Ctrl+A, Ctrl+C in the text view until the clipboard holds the text.
double CopyAll(TMemo* memo)
{
    const auto start = TClock::now();
    SimShortCut(memo, ShortCut('A', ssCtrl));
    SimShortCut(memo, ShortCut('C', ssCtrl));
    ProcessEvents();
    const double seconds = Since(start);
    const qsizetype size = QApplication::clipboard()->text().size();
    std::fprintf(stderr, "copied %lld characters\n", static_cast<long long>(size));
    SimKeyPress(memo, vkHome, ssCtrl);
    ProcessEvents();
    return seconds;
}

} // namespace

int main(int, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::filesystem::path dir = ScratchFolder("bench_bigedit");
    const std::string log1 = (dir / "1m.log").string(), log10 = (dir / "10m.log").string();
    WriteLog(log1, 1'000'000);
    WriteLog(log10, 10'000'000);

    int qtArgc = 1;
    Application->Initialize(qtArgc, argv);
    SetDialogProvider(&g_dialogs);
    Application->CreateForm(Form1);
    Form1->ShowForm();
    Form1->LoadStartupFile(log1);
    ProcessEvents();
    TMemo* memo = Form1->Memo1;
    const double copy1 = CopyAll(memo);

    Form1->LoadStartupFile(log10);
    ProcessEvents();
    std::vector<double> repaints;
    for (int i = 0; i < 3; ++i) {
        const auto start = TClock::now();
        SimShortCut(memo, ShortCut(VK_F5, 0));
        ProcessEvents();
        repaints.push_back(Since(start));
    }
    // A new bit number typed into the upper chart's field, as a person changes the bit.
    std::vector<double> bitChanges;
    for (const char* bit : {"2", "3", "0"}) {
        const auto start = TClock::now();
        Form1->Edit1->SetText(bit);
        ProcessEvents();
        bitChanges.push_back(Since(start));
    }
    // Caret moves with the marker live: Down through the top, then far into the text.
    std::vector<double> moves;
    for (int i = 0; i < 200; ++i) {
        if (i == 100) {
            memo->SetCaretPos(TTextPos{9'000'000, 0});
            ProcessEvents();
        }
        const auto start = TClock::now();
        SimKeyPress(memo, vkDown);
        ProcessEvents();
        moves.push_back(Since(start));
    }
    const bool followed = memo->CaretPos().Line == 9'000'100;
    // A double-click near the end of the upper chart's time axis jumps to a line there.
    TChart* chart = Form1->Chart1;
    const int x = chart->ChartRect().Right - 3;
    const int y = (chart->ChartRect().Top + chart->ChartRect().Bottom) / 2;
    // The first click of the two repaints the chart without its readout; only the jump is
    // timed.
    SimMouseDown(chart, mbLeft, 0, x, y);
    SimMouseUp(chart, mbLeft, 0, x, y);
    ProcessEvents();
    const auto jumpStart = TClock::now();
    const bool jumped = Form1->WaveLink()->JumpToNearestEdge(0, x);
    const double jump = Since(jumpStart);
    ProcessEvents();
    const size_t jumpedTo = memo->CaretPos().Line;
    const double copy10 = CopyAll(memo);

    delete Form1;
    Form1 = nullptr;
    SetDialogProvider(nullptr);
    std::filesystem::remove_all(dir);
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("machine load %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    if (!followed) std::printf("the caret did not follow the keys\n");
    std::printf("double-click %s to line %zu\n", jumped ? "jumped" : "did not jump", jumpedTo);
    PrintTableRow("10M lines: caret Down with the marker live (median)", 1e3 * Median(moves), 0, 1,
                  "ms");
    PrintTableRow("10M lines: Repaint (F5), both waveforms rebuilt and painted (median)",
                  Median(repaints), 0, 1, "s");
    PrintTableRow("10M lines: bit number changed, its waveform rebuilt and painted (median)",
                  Median(bitChanges), 0, 1, "s");
    PrintTableRow("10M lines: double-click in a chart to the edge's line", 1e3 * jump, 0, 50, "ms");
    PrintTableRow("1M lines: Ctrl+A, Ctrl+C", copy1, 0, 0.5, "s");
    PrintTableRow("10M lines: Ctrl+A, Ctrl+C", copy10, 0, 2, "s");
    std::printf("worst: caret Down %.3f ms, Repaint %.3f s\n", 1e3 * Max(moves), Max(repaints));
    return 0;
}
