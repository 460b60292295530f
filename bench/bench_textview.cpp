// The text view on generated logs, side by side in one run: opening 1M lines to the
// window's picture (load, both waveforms, first paint) against QPlainTextEdit::setPlainText
// of the same text alone, each in a process of its own so that peak memory is that
// program's; 10M lines to the picture; and, with 1M lines open, a keystroke at the end,
// "Repaint", and scrolling to the end and back.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
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

// The child's side: one figure per line on stdout.
int RunBaseline(int argc, char** argv, const std::string& path)
{
    QApplication app(argc, argv);
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return 2;
    const QString text = QString::fromLatin1(file.readAll());
    QPlainTextEdit edit;
    const auto start = TClock::now();
    edit.setPlainText(text);
    std::printf("%.6f\n", Since(start));
    return 0;
}

TRecordingDialogProvider g_dialogs;

// Counts the paints that happen, so a figure that painted nothing shows as such.
class TPaintCounter : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++Paints;
        return QObject::eventFilter(watched, event);
    }
    int Paints = 0;
};

double OpenWindow(int argc, char** argv, const std::string& path)
{
    Application->Initialize(argc, argv);
    SetDialogProvider(&g_dialogs);
    const auto start = TClock::now();
    Application->CreateForm(Form1);
    Form1->Edit1->SetText("0");
    Form1->Edit2->SetText("1");
    Form1->LoadStartupFile(path);
    Form1->ShowForm();
    Application->ProcessMessages();
    return Since(start);
}

// Freed while the platform is whole, not by the application's static destructor.
int CloseWindow()
{
    std::fflush(stdout);
    delete Form1;
    Form1 = nullptr;
    SetDialogProvider(nullptr);
    return 0;
}

int RunOpen(int argc, char** argv, const std::string& path)
{
    std::printf("%.6f\n", OpenWindow(argc, argv, path));
    if (!Form1->LastBuild().Succeeded) std::fprintf(stderr, "the waveform build failed\n");
    return CloseWindow();
}

int RunInteract(int argc, char** argv, const std::string& path)
{
    OpenWindow(argc, argv, path);
    TMemo* memo = Form1->Memo1;
    SimKeyPress(memo, vkEnd, ssCtrl);
    ProcessEvents();
    const int linesBefore = memo->Lines()->Count();
    TPaintCounter counter;
    qApp->installEventFilter(&counter);
    std::vector<double> keys, repaints, scrolls;
    for (int i = 0; i < 40; ++i) {
        const auto start = TClock::now();
        if (i % 8 == 7)
            SimKeyPress(memo, vkReturn);
        else
            SimTypeText(memo, "x");
        ProcessEvents();
        keys.push_back(Since(start));
    }
    const int keyPaints = counter.Paints;
    if (memo->Lines()->Count() != linesBefore + 5 ||
        memo->Lines()->Line(linesBefore + 3) != "xxxxxxx")
        std::fprintf(stderr, "the keystrokes did not reach the text\n");
    for (int i = 0; i < 5; ++i) {
        const auto start = TClock::now();
        Form1->Button2->Click();
        ProcessEvents();
        repaints.push_back(Since(start));
    }
    for (int i = 0; i < 20; ++i) {
        const auto start = TClock::now();
        SimKeyPress(memo, i % 2 ? vkEnd : vkHome, ssCtrl);
        ProcessEvents();
        scrolls.push_back(Since(start));
    }
    std::fprintf(stderr, "paints: %d for 40 keystrokes, %d for the repaints and scrolls\n",
                 keyPaints, counter.Paints - keyPaints);
    std::printf("%.6f\n%.6f\n%.6f\n%.6f\n%.6f\n%.6f\n", Median(keys), Max(keys), Median(repaints),
                Max(repaints), Median(scrolls), Max(scrolls));
    return CloseWindow();
}

struct TChild
{
    std::vector<double> Figures;
    double PeakMB = 0;
    bool Ok = false;
};

// Runs this program in Mode on Path; its figures come back through a pipe, its peak
// resident memory from the kernel's account of it.
TChild Spawn(const char* self, const char* mode, const std::string& path)
{
    TChild child;
    int fds[2];
    if (pipe(fds) != 0) return child;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl(self, self, mode, path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        out.append(buf, size_t(n));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    child.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    child.PeakMB = double(usage.ru_maxrss) / 1024.0;
    for (size_t at = 0; at < out.size();) {
        const size_t end = out.find('\n', at);
        child.Figures.push_back(std::atof(out.substr(at, end - at).c_str()));
        at = end == std::string::npos ? out.size() : end + 1;
    }
    return child;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc == 3) {
        const std::string mode = argv[1];
        int qtArgc = 1;
        if (mode == "--baseline") return RunBaseline(qtArgc, argv, argv[2]);
        if (mode == "--open") return RunOpen(qtArgc, argv, argv[2]);
        if (mode == "--interact") return RunInteract(qtArgc, argv, argv[2]);
        return 64;
    }
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("bench_textview." + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string log1 = (dir / "1m.log").string(), log10 = (dir / "10m.log").string();
    WriteLog(log1, 1'000'000);
    WriteLog(log10, 10'000'000);
    const char* self = "/proc/self/exe";
    const TChild ours = Spawn(self, "--open", log1);
    const TChild base = Spawn(self, "--baseline", log1);
    const TChild big = Spawn(self, "--open", log10);
    const TChild live = Spawn(self, "--interact", log1);
    std::filesystem::remove_all(dir);
    double load[3] = {};
    getloadavg(load, 3);

    auto figure = [](const TChild& c, size_t i) {
        return i < c.Figures.size() ? c.Figures[i] : -1;
    };
    std::printf("machine load %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    if (!ours.Ok || !base.Ok || !big.Ok || !live.Ok) std::printf("a child failed\n");
    // Worst cases are printed beside the table; the targets bound the medians.
    PrintTableRow("Open 1M lines to the picture vs QPlainTextEdit::setPlainText", figure(ours, 0),
                  figure(base, 0), 0.1, "s");
    PrintTableRow("Peak memory, 1M lines open vs QPlainTextEdit::setPlainText", ours.PeakMB,
                  base.PeakMB, 0.25, "MB");
    PrintTableRow("Open 10M lines to the picture", figure(big, 0), 0, 5, "s");
    PrintTableRow("Peak memory, 10M lines open", big.PeakMB, 0, 1500, "MB");
    PrintTableRow("1M lines: keystroke at the end to the screen (median)", 1e3 * figure(live, 0), 0,
                  5, "ms");
    PrintTableRow("1M lines: Repaint, both waveforms rebuilt and painted (median)", figure(live, 2),
                  0, 0.3, "s");
    PrintTableRow("1M lines: scroll to the end and back, per step (median)", 1e3 * figure(live, 4),
                  0, 16, "ms");
    std::printf("worst: keystroke %.3f ms, Repaint %.3f s, scroll step %.3f ms\n",
                1e3 * figure(live, 1), figure(live, 3), 1e3 * figure(live, 5));
    std::printf("baseline: QPlainTextEdit::setPlainText alone, the same 1M lines\n");
    return 0;
}
