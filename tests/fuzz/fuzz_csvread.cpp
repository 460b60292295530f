// Random text through the CSV reader, by default and with the signals named on its first
// line, and with the listing's own names: it never crashes, a failure says where and why,
// and a conversion is sample lines whose times never go back and whose words each differ
// from the one before.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/CsvRead.h"
#include "samples/SampleLine.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

void CheckLog(const TImportResult& read, const std::vector<std::string>& signals)
{
    if (read.Status != TImportStatus::Converted) {
        FUZZ_CHECK(!read.Reason.empty() && read.LogText.empty());
        FUZZ_CHECK(read.Status != TImportStatus::UnknownSignal || !signals.empty());
        return;
    }
    FUZZ_CHECK(read.Signals.size() <= 32);
    FUZZ_CHECK(signals.empty() || read.Signals == signals);
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
    LooksLikeCsv(text);
    const TImportListing listing = ListCsv(text);
    FUZZ_CHECK(listing.Bits.size() == listing.BitSignal.size());
    CheckLog(ImportCsv(text, {}, 0), {});
    CheckLog(ImportCsv(text, {}, 3), {});
    if (listing.Status == TImportStatus::Converted && listing.Bits.size() <= 32) {
        // Every name the listing offers is one the conversion takes.
        const TImportResult all = ImportCsv(text, listing.Bits, 0);
        FUZZ_CHECK(all.Status != TImportStatus::UnknownSignal);
        CheckLog(all, listing.Bits);
    }
    const size_t end = text.find('\n');
    std::vector<std::string> signals;
    for (std::string_view names = text.substr(0, end); !names.empty() && signals.size() <= 32;) {
        const size_t comma = names.find('|');
        signals.emplace_back(names.substr(0, comma));
        names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 1);
    }
    if (!signals.empty() && signals.size() <= 32) CheckLog(ImportCsv(text, signals, 0), signals);
    return 0;
}
