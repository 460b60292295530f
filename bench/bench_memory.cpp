// Peak resident memory of the whole program per sample line: logview-render opening a
// generated log of 1,000,000 and 10,000,000 lines to the window's picture.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchTable.h"

namespace {

std::string Sibling(const char* argv0, const std::string& name)
{
    std::string self = argv0;
    const size_t slash = self.rfind('/');
    return (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/" + name;
}

struct TRun
{
    double Seconds = 0;
    double PeakBytes = 0;
    int Status = -1;
};

TRun RunAndMeasure(const std::string& program, const std::string& png, const std::string& log)
{
    TRun run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(program.c_str(), program.c_str(), "--png", png.c_str(), log.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.PeakBytes = static_cast<double>(usage.ru_maxrss) * 1024.0;
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string render = Sibling(argv[0], "../logview-render");
    const std::string generator = Sibling(argv[0], "logview-genlog");
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    bool ok = true;
    for (const long lines : {1000000L, 10000000L}) {
        const std::string log = dir + "/bench-" + std::to_string(lines) + ".log";
        const std::string make = generator + " " + std::to_string(lines) + " 7 > " + log;
        if (std::system(make.c_str()) != 0) {
            std::fprintf(stderr, "cannot generate %s\n", log.c_str());
            return 2;
        }
        const TRun run = RunAndMeasure(render, dir + "/bench-window.png", log);
        const double perLine = run.PeakBytes / static_cast<double>(lines);
        std::printf("%ld lines: exit %d, %.2f s, peak %.0f MB, %.1f bytes per line\n", lines,
                    run.Status, run.Seconds, run.PeakBytes / 1e6, perLine);
        const std::string what =
            "Peak resident memory per line, " + std::to_string(lines / 1000000) + "M lines open";
        ok = PrintTableRow(what.c_str(), perLine, 0, 150, "B") && ok;
        std::remove(log.c_str());
    }
    return ok ? 0 : 1;
}
