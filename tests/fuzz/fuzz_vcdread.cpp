// Random text through the dump reader, by default and with the signals named on its first
// line: it never crashes, a malformed text gets a line and a reason, and a converted one is
// sample lines whose times never go back and whose words each differ from the one before.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/VcdRead.h"
#include "samples/SampleLine.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

void Check(std::string_view text, const std::vector<std::string>& signals)
{
    const TVcdConversion read = ReadVcd(text, signals);
    if (read.Status == TVcdStatus::Malformed || read.Status == TVcdStatus::TimeOverflow) {
        FUZZ_CHECK(read.Line >= 1 && !read.Reason.empty() && read.LogText.empty());
        return;
    }
    if (read.Status == TVcdStatus::UnknownSignal) {
        FUZZ_CHECK(!signals.empty() && !read.Reason.empty() && read.LogText.empty());
        return;
    }
    FUZZ_CHECK(read.Signals.size() <= size_t{MaxVcdSignals});
    FUZZ_CHECK(signals.empty() || read.Signals.size() == signals.size());
    std::string_view rest = read.LogText;
    bool first = true;
    TSampleLineRead previous;
    while (!rest.empty()) {
        const size_t end = rest.find("\r\n");
        const TSampleLineRead line = ReadSampleLine(rest.substr(0, end));
        FUZZ_CHECK(line.IsSample());
        FUZZ_CHECK(read.Signals.size() == 32 || line.Word >> read.Signals.size() == 0);
        FUZZ_CHECK(first || (line.Time > previous.Time && line.Word != previous.Word));
        first = false;
        previous = line;
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
        FUZZ_CHECK(end == std::string_view::npos || !rest.empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Check(text, {});
    const size_t end = text.find('\n');
    std::vector<std::string> signals;
    for (std::string_view names = text.substr(0, end); !names.empty();) {
        const size_t comma = names.find(',');
        signals.emplace_back(names.substr(0, comma));
        names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 1);
    }
    if (!signals.empty() && signals.size() <= size_t{MaxVcdSignals}) Check(text, signals);
    return 0;
}
