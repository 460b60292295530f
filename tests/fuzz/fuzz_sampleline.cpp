// A sample line through the split and both conversions, checked against simple models.
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/FuzzSupport.h"
#include "toolkit/SysUtils.h"
#include "viewer/SampleLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const TSampleFields fields = SplitSampleLine(line);
    FUZZ_CHECK(fields.Time.find(':') == std::string_view::npos);
    FUZZ_CHECK(fields.Value.size() <= MaxValueFieldLength);
    try {
        const int32_t time = TextToInt(fields.Time);
        // A plain decimal text must read as its value.
        const std::string_view t = fields.Time;
        bool decimal = !t.empty() && t.size() < 10;
        for (const char c : t)
            decimal = decimal && c >= '0' && c <= '9';
        if (decimal) FUZZ_CHECK(time == std::stoi(std::string(t)));
    } catch (const EConvertError&) {
    }
    try {
        const uint32_t word = HexStrToInt(fields.Value);
        // Only the last eight digits count.
        uint32_t model = 0;
        for (const char c : fields.Value) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            FUZZ_CHECK(digit >= 0);
            model = (model << 4) | static_cast<uint32_t>(digit);
        }
        FUZZ_CHECK(word == model);
        for (const std::string_view bit : {fields.Time, fields.Value, std::string_view("3")}) {
            const uint8_t mask = BitMaskOf(bit);
            FUZZ_CHECK(mask == 0 || (mask & (mask - 1)) == 0);
            try {
                FUZZ_CHECK(BitValue(word, mask) <= 1);
            } catch (const EDivByZero&) {
                FUZZ_CHECK(mask == 0);
            }
        }
    } catch (const EConvertError&) {
    }
    return 0;
}
