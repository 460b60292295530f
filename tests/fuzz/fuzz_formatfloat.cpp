// The number format: any double (from its bit pattern) with any pattern and separators.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/FormatFloat.h"
#include "toolkit/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 10) return 0;
    double value = 0;
    std::memcpy(&value, data, sizeof value);
    TFormatSettings settings;
    settings.DecimalSeparator = static_cast<char>(data[8]);
    settings.ThousandSeparator = static_cast<char>(data[9]);
    const std::string pattern(reinterpret_cast<const char*>(data + 10), size - 10);
    try {
        const std::string text = FormatFloat(pattern.substr(0, 256), value, settings);
        // A plain integer pattern shows a small integer exactly.
        if (pattern == "0" && std::isfinite(value) && value == std::floor(value) &&
            std::fabs(value) < 1e9)
            FUZZ_CHECK(text == std::to_string(static_cast<long long>(value)));
    } catch (const Exception&) {
    }
    return 0;
}
