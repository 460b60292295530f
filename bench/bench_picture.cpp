// Peak resident memory of logview-render writing a large picture of a short log, against
// two copies of the picture (the window's own and the charts' backing images). The
// program's memory at a small picture, measured in the same run, is taken off first.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Peak resident bytes of one run; negative when it did not exit 0.
double PeakBytes(const std::string& program, int side, const std::string& png,
                 const std::string& log)
{
    const std::string size = std::to_string(side) + "x" + std::to_string(side);
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl(program.c_str(), program.c_str(), "--size", size.c_str(), "--png", png.c_str(),
              log.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string render = Sibling(argv[0], "../logview-render");
    const std::string generator = Sibling(argv[0], "logview-genlog");
    const std::string dir = argc > 1 ? argv[1] : "/tmp";
    const std::string log = dir + "/bench-picture.log";
    const std::string png = dir + "/bench-picture.png";
    if (std::system((generator + " 272 7 > " + log).c_str()) != 0) {
        std::fprintf(stderr, "cannot generate %s\n", log.c_str());
        return 2;
    }
    const double base = PeakBytes(render, 64, png, log);
    bool ok = base > 0;
    std::printf("64x64: peak %.0f MB\n", base / 1e6);
    for (const int side : {4096, 16384}) {
        const double peak = PeakBytes(render, side, png, log);
        const double picture = 4.0 * side * side;
        std::printf("%dx%d: peak %.0f MB, picture %.0f MB\n", side, side, peak / 1e6,
                    picture / 1e6);
        if (peak < 0 || base < 0) {
            std::fprintf(stderr, "logview-render failed at %d\n", side);
            ok = false;
            continue;
        }
        const std::string what = "Picture " + std::to_string(side) + "x" + std::to_string(side) +
                                 ": peak memory above a 64x64 run vs 2 pictures";
        ok = PrintTableRow(what.c_str(), peak - base, 2 * picture, 1.25, "B") && ok;
    }
    std::remove(log.c_str());
    std::remove(png.c_str());
    return ok ? 0 : 1;
}
