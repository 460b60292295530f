// Helpers shared by the fuzz targets: a failed property aborts, so libFuzzer keeps the
// input and the replay test fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// An input of two parts: the text before its first NUL, and what follows that NUL.
inline std::pair<std::string_view, std::string_view> SplitAtNul(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const size_t nul = bytes.find('\0');
    return {bytes.substr(0, nul),
            nul == std::string_view::npos ? std::string_view() : bytes.substr(nul + 1)};
}
