// The window's finding and measuring with big logs open: a marker placed and moved over a
// chart of 2M points with the measurement redrawn, the find bar counting a text's matches
// in 10M lines while typing goes on, and the edge keys.
#include <unistd.h>

#include <algorithm>
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

double Ms(TClock::time_point start)
{
    return Since(start) * 1000;
}

} // namespace

int main(int, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::filesystem::path dir = ScratchFolder("bench_findmeasure");
    const std::string log1 = (dir / "1m.log").string(), log10 = (dir / "10m.log").string();
    WriteLog(log1, 1'000'000);
    WriteLog(log10, 10'000'000);

    int qtArgc = 1;
    Application->Initialize(qtArgc, argv);
    SetDialogProvider(&g_dialogs);
    Application->CreateForm(Form1);
    Form1->ShowForm();

    // 1M lines: 2M points in each chart. B stands in the middle; A moves across the plot,
    // so every move measures up to half of the samples again.
    Form1->LoadStartupFile(log1);
    ProcessEvents();
    FlushPaints(Form1);
    TChart* chart = Form1->Chart1;
    TFindMeasure* fm = Form1->FindMeasure();
    const TRect plot = chart->ChartRect();
    fm->MarkerBHere(0, (plot.Left + plot.Right) / 2);
    FlushPaints(Form1);
    const int renders = chart->RenderCount();
    std::vector<double> moves;
    for (int i = 0; i < 201; ++i) {
        const int x = plot.Left + 1 + (i * 37) % (plot.Width() - 2);
        const auto start = TClock::now();
        fm->MarkerAHere(0, x);
        FlushPaints(Form1);
        moves.push_back(Ms(start));
    }
    std::printf("marker moves: median %.4f ms, slowest %.4f ms, drawings of the series: %d\n",
                Median(moves), *std::max_element(moves.begin(), moves.end()),
                chart->RenderCount() - renders);
    PrintTableRow("Placing or moving a marker on a 2M-point chart, measurement redrawn (median)",
                  Median(moves), 0, 2, "ms");
    fm->ClearMarkers();

    // 10M lines: the count runs in steps; the longest step is what typing waits for.
    Form1->LoadStartupFile(log10);
    ProcessEvents();
    TMemo* memo = Form1->Memo1;
    memo->ShowFindBar();
    std::vector<double> counts;
    double longestStep = 0;
    for (const char* text : {"5:", "0:1", "A", "zz"}) {
        const auto start = TClock::now();
        const auto typed = TClock::now();
        memo->SetFindText(text);
        longestStep = std::max(longestStep, Ms(typed));
        while (memo->FindMatchCount() < 0) {
            const auto step = TClock::now();
            ProcessEvents();
            longestStep = std::max(longestStep, Ms(step));
        }
        counts.push_back(Since(start));
        std::printf("\"%s\": %d matches in %.3f s\n", text, memo->FindMatchCount(), counts.back());
    }
    PrintTableRow("10M lines: find bar, a text's matches counted (median)", Median(counts), 0, 0.5,
                  "s");
    PrintTableRow("10M lines: find bar, longest wait of typing while counting and searching",
                  longestStep, 0, 50, "ms");
    memo->CloseFindBar();

    // The edge keys: the first press lists the bit's edges, the next ones bisect them.
    memo->SetCaretPos(TTextPos{0, 0});
    memo->SetFocus();
    std::vector<double> steps;
    for (int i = 0; i < 21; ++i) {
        const auto start = TClock::now();
        SimKeyPress(nullptr, vkDown, ssAlt);
        ProcessEvents();
        steps.push_back(Ms(start));
    }
    std::printf("Alt+Down: first %.3f ms, then median %.4f ms; caret on line %zu\n", steps[0],
                Median(std::vector<double>(steps.begin() + 1, steps.end())), memo->CaretPos().Line);
    PrintTableRow("10M lines: Alt+Down to the next edge, the first press listing the edges",
                  steps[0], 0, 500, "ms");
    PrintTableRow("10M lines: Alt+Down to the next edge, later presses (median)",
                  Median(std::vector<double>(steps.begin() + 1, steps.end())), 0, 1, "ms");

    delete Form1;
    Form1 = nullptr;
    std::filesystem::remove_all(dir);
    return 0;
}
