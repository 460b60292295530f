// Random bytes through the sigrok session reader: as they are (mostly no zip at all) and
// with the bytes after the first NUL as the sample chunk of a session whose metadata is the
// part before it, so that the metadata and the chunks are fuzzed inside a real zip. It never
// crashes, a failure says which entry and why, and a conversion is sample lines whose times
// never go back and whose words each differ from the one before.
#include <zip.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/SigrokRead.h"
#include "samples/SampleLine.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

std::string Session(std::string_view metadata, std::string_view chunk)
{
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, nullptr);
    zip_source_keep(out);
    zip_t* zip = zip_open_from_source(out, ZIP_TRUNCATE, nullptr);
    zip_file_add(zip, "metadata", zip_source_buffer(zip, metadata.data(), metadata.size(), 0), 0);
    zip_file_add(zip, "logic-1-1", zip_source_buffer(zip, chunk.data(), chunk.size(), 0), 0);
    zip_close(zip);
    zip_stat_t stat;
    zip_source_stat(out, &stat);
    std::string bytes(stat.size, '\0');
    zip_source_open(out);
    zip_source_read(out, bytes.data(), stat.size);
    zip_source_close(out);
    zip_source_free(out);
    return bytes;
}

void Check(std::string_view bytes)
{
    const TImportListing listing = ListSigrokSession(bytes);
    FUZZ_CHECK(listing.Status != TImportStatus::Converted || listing.Bits.size() <= 64);
    for (const int coarser : {0, 2}) {
        const TImportResult read = ImportSigrokSession(bytes, {}, coarser);
        if (read.Status != TImportStatus::Converted) {
            FUZZ_CHECK(!read.Reason.empty() && read.LogText.empty());
            FUZZ_CHECK(read.Status != TImportStatus::UnknownSignal);
            continue;
        }
        FUZZ_CHECK(listing.Status == TImportStatus::Converted);
        std::string_view rest = read.LogText;
        bool first = true;
        TSampleLineRead previous;
        while (!rest.empty()) {
            const size_t end = rest.find("\r\n");
            const TSampleLineRead line = ReadSampleLine(rest.substr(0, end));
            FUZZ_CHECK(line.IsSample());
            FUZZ_CHECK(first || (line.Time > previous.Time && line.Word != previous.Word));
            first = false;
            previous = line;
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    LooksLikeSigrokSession(bytes);
    Check(bytes);
    const auto [metadata, chunk] = SplitAtNul(data, size);
    if (metadata.size() < size) Check(Session(metadata, chunk));
    return 0;
}
