// What the benchmarks share: a steady clock, the generated log they open, and medians.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using TClock = std::chrono::steady_clock;

inline double Since(TClock::time_point start)
{
    return std::chrono::duration<double>(TClock::now() - start).count();
}

// Text as the whole of the file Path; a benchmark without its input has nothing to measure.
inline void WriteFileOrExit(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(2);
    }
}

// Lines of a rising time and a hex word, CR LF between them.
inline void WriteLog(const std::string& path, size_t lines)
{
    std::string text;
    text.reserve(lines * 14);
    char buf[40];
    for (size_t i = 0; i < lines; ++i) {
        const int n = std::snprintf(buf, sizeof buf, "%zu:%02zX\r\n", 10 * i + i % 7, i & 0xFF);
        text.append(buf, static_cast<size_t>(n));
    }
    WriteFileOrExit(path, text);
}

// The whole process's run time of Args (the program first), its stdout to the file Out; a
// run that fails ends the benchmark, since its time would mean nothing.
inline double RunToFile(const std::vector<std::string>& args, const std::string& out)
{
    const auto start = TClock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || dup2(fd, 1) < 0) _exit(126);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = Since(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::string line;
        for (const std::string& a : args)
            line += a + " ";
        std::fprintf(stderr, "failed: %s\n", line.c_str());
        std::exit(1);
    }
    return seconds;
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

inline double Max(const std::vector<double>& v)
{
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// A program built beside the benchmarks (logview-render in the build folder above bench/).
inline std::string BuiltProgram(const char* name)
{
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path() / name).string();
}

// A fresh folder for one benchmark's files, named after it and this process.
inline std::filesystem::path ScratchFolder(const std::string& bench)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / (bench + "." + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}
