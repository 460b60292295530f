// What the benchmarks share: a steady clock, the generated log they open, and medians.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using TClock = std::chrono::steady_clock;

inline double Since(TClock::time_point start)
{
    return std::chrono::duration<double>(TClock::now() - start).count();
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
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(2);
    }
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
