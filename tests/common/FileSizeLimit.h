// Lowers the size a file may grow to for a scope, so that a write fails with EFBIG as
// on a full disk, without mounting anything.
#pragma once

#include <sys/resource.h>

#include <csignal>

// Files may grow to Limit bytes for the scope, the signal that would kill the process
// ignored.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldSignal = signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = FOld;
        lowered.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FOld);
        signal(SIGXFSZ, FOldSignal);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit FOld{};
    void (*FOldSignal)(int) = nullptr;
};
