#include "formats/SigrokRead.h"

#include <zip.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>

#include "formats/LogWriter.h"

namespace {

constexpr int MostBits = 32;
constexpr size_t MostUnitSize = 8;

struct TZipCloser
{
    void operator()(zip_t* zip) const { zip_discard(zip); }
};
struct TZipFileCloser
{
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using TZip = std::unique_ptr<zip_t, TZipCloser>;
using TZipFile = std::unique_ptr<zip_file_t, TZipFileCloser>;

// The archive over the bytes in memory; Reason says why it cannot be opened.
TZip OpenZip(std::string_view bytes, std::string& reason)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* zip = source == nullptr ? nullptr : zip_open_from_source(source, ZIP_RDONLY, &error);
    if (zip == nullptr) {
        if (source != nullptr) zip_source_free(source);
        reason = std::string("not a whole zip file: ") + zip_error_strerror(&error);
    }
    zip_error_fini(&error);
    return TZip(zip);
}

bool HasEntry(zip_t* zip, const std::string& name)
{
    return zip_name_locate(zip, name.c_str(), 0) >= 0;
}

struct TSession
{
    std::string CaptureFile = "logic-1";
    size_t UnitSize = 1;
    int TotalProbes = 0;
    // Probe numbers (1-based, bit number + 1) and their names, in number order.
    std::map<int, std::string> Probes;
};

struct TFault
{
    std::string Entry;
    std::string Reason;
};

bool ReadEntry(zip_t* zip, const std::string& name, std::string& text, TFault& fault)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    TZipFile file(zip_fopen(zip, name.c_str(), 0));
    if (file == nullptr || zip_stat(zip, name.c_str(), 0, &stat) != 0) {
        fault = {name, "the entry cannot be opened: " + std::string(zip_strerror(zip))};
        return false;
    }
    text.clear();
    char buffer[1 << 14];
    for (;;) {
        const zip_int64_t n = zip_fread(file.get(), buffer, sizeof buffer);
        if (n < 0) {
            fault = {name, zip_file_strerror(file.get())};
            return false;
        }
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > (1u << 20)) {
            fault = {name, "larger than 1 MiB: no metadata is"};
            return false;
        }
    }
    return true;
}

bool ParseCount(std::string_view text, int& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The "[device 1]" section of the metadata: the one logic capture a session holds.
bool ReadMetadata(zip_t* zip, TSession& session, TFault& fault)
{
    const std::string entry = "metadata";
    if (!HasEntry(zip, entry)) {
        fault = {entry, "the session has no metadata entry"};
        return false;
    }
    std::string text;
    if (!ReadEntry(zip, entry, text, fault)) return false;
    bool inDevice = false;
    bool sawDevice = false;
    std::string_view rest = text;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        const std::string_view line = Trim(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty()) continue;
        if (line.front() == '[') {
            inDevice = line == "[device 1]";
            sawDevice = sawDevice || inDevice;
            continue;
        }
        const size_t equals = line.find('=');
        if (!inDevice || equals == std::string_view::npos) continue;
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        int number = 0;
        if (key == "capturefile") {
            session.CaptureFile = value;
        } else if (key == "unitsize") {
            if (!ParseCount(value, number) || number < 1 || size_t(number) > MostUnitSize) {
                fault = {entry,
                         "unitsize '" + std::string(value.substr(0, 20)) + "' is not 1 to 8 bytes"};
                return false;
            }
            session.UnitSize = static_cast<size_t>(number);
        } else if (key == "total probes") {
            if (!ParseCount(value, number) || number < 0 || number > 64) {
                fault = {entry,
                         "total probes '" + std::string(value.substr(0, 20)) + "' is not 0 to 64"};
                return false;
            }
            session.TotalProbes = number;
        } else if (key.substr(0, 5) == "probe" && ParseCount(key.substr(5), number)) {
            if (number < 1 || number > 64) {
                fault = {entry, std::string(key) + " is no probe of a 64-bit sample"};
                return false;
            }
            session.Probes[number] = value;
        }
    }
    if (!sawDevice) {
        fault = {entry, "no [device 1] section"};
        return false;
    }
    // A session that names none of its probes still holds them: they get their numbers.
    if (session.Probes.empty())
        for (int p = 1; p <= session.TotalProbes && size_t(p) <= session.UnitSize * 8; ++p)
            session.Probes[p] = "probe" + std::to_string(p);
    for (const auto& [number, name] : session.Probes)
        if (size_t(number) > session.UnitSize * 8) {
            fault = {entry, "probe" + std::to_string(number) + " lies beyond a sample of " +
                                std::to_string(session.UnitSize) + " bytes"};
            return false;
        }
    return true;
}

// The sample chunks in order: "logic-1-1", "logic-1-2", ..., or the older single "logic-1".
std::vector<std::string> Chunks(zip_t* zip, const TSession& session)
{
    std::vector<std::string> chunks;
    for (int n = 1;; ++n) {
        std::string name = session.CaptureFile + "-" + std::to_string(n);
        if (!HasEntry(zip, name)) break;
        chunks.push_back(std::move(name));
    }
    if (chunks.empty() && HasEntry(zip, session.CaptureFile)) chunks.push_back(session.CaptureFile);
    return chunks;
}

struct TOpened
{
    TZip Zip;
    TSession Session;
};

bool Open(std::string_view bytes, TOpened& opened, TFault& fault)
{
    opened.Zip = OpenZip(bytes, fault.Reason);
    if (opened.Zip == nullptr) return false;
    return ReadMetadata(opened.Zip.get(), opened.Session, fault);
}

// Every sample's bytes to the word: one table per byte of the sample, so that any choice
// and order of probes costs one look-up per byte.
class TWordTable
{
public:
    TWordTable(size_t unitSize, const std::vector<int>& bitOfWord) : FUnitSize(unitSize)
    {
        FTable.assign(unitSize * 256, 0);
        for (size_t b = 0; b < bitOfWord.size(); ++b) {
            const int source = bitOfWord[b];
            const size_t byte = static_cast<size_t>(source / 8);
            for (unsigned value = 0; value < 256; ++value)
                if (value >> (source % 8) & 1u) FTable[byte * 256 + value] |= uint32_t{1} << b;
        }
    }

    uint32_t Word(const unsigned char* sample) const
    {
        uint32_t word = 0;
        for (size_t i = 0; i < FUnitSize; ++i)
            word |= FTable[i * 256 + sample[i]];
        return word;
    }

private:
    size_t FUnitSize;
    std::vector<uint32_t> FTable;
};

} // namespace

bool LooksLikeSigrokSession(std::string_view bytes)
{
    if (bytes.substr(0, 4) != std::string_view("PK\x03\x04", 4)) return false;
    std::string reason;
    const TZip zip = OpenZip(bytes, reason);
    if (zip != nullptr) return HasEntry(zip.get(), "metadata");
    // A cut session still shows its first entries' names, so that it is reported as the
    // broken session it is instead of being read as text.
    return bytes.substr(0, 1 << 16).find("metadata") != std::string_view::npos;
}

TImportListing ListSigrokSession(std::string_view bytes)
{
    TImportListing listing;
    TOpened opened;
    TFault fault;
    if (!Open(bytes, opened, fault)) {
        listing.Entry = fault.Entry;
        listing.Reason = fault.Reason;
        return listing;
    }
    listing.Status = TImportStatus::Converted;
    for (const auto& [number, name] : opened.Session.Probes) {
        listing.BitSignal.push_back(static_cast<int>(listing.Signals.size()));
        listing.Bits.push_back(name);
        listing.Signals.push_back({name, std::string(), 1});
    }
    return listing;
}

TImportResult ImportSigrokSession(std::string_view bytes, const std::vector<std::string>& signals,
                                  int coarser)
{
    TImportResult result;
    TOpened opened;
    TFault fault;
    const auto fail = [&result](TFault& f) {
        result.Status = TImportStatus::Malformed;
        result.Entry = std::move(f.Entry);
        result.Reason = std::move(f.Reason);
        result.LogText.clear();
        result.Signals.clear();
        return result;
    };
    if (!Open(bytes, opened, fault)) return fail(fault);
    const TSession& session = opened.Session;

    std::vector<int> bitOfWord;
    if (signals.empty()) {
        for (const auto& [number, name] : session.Probes) {
            if (bitOfWord.size() == size_t{MostBits}) break;
            bitOfWord.push_back(number - 1);
            result.Signals.push_back(name);
        }
    } else {
        for (const std::string& wanted : signals) {
            int found = 0;
            for (const auto& [number, name] : session.Probes)
                if (name == wanted && found == 0) found = number;
            if (found == 0 || bitOfWord.size() == size_t{MostBits}) {
                result.Status = TImportStatus::UnknownSignal;
                result.Reason = found == 0 ? "no signal " + wanted + " in the file"
                                           : "more than 32 signals named";
                result.Signals.clear();
                return result;
            }
            bitOfWord.push_back(found - 1);
            result.Signals.push_back(wanted);
        }
    }

    const std::vector<std::string> chunks = Chunks(opened.Zip.get(), session);
    if (chunks.empty()) {
        fault = {session.CaptureFile + "-1", "the session has no sample entry"};
        return fail(fault);
    }
    result.Unit = CoarserUnit("1 sample", coarser);
    const TWordTable table(session.UnitSize, bitOfWord);
    const size_t unit = session.UnitSize;
    TLogWriter writer(result.LogText);
    std::vector<unsigned char> buffer(size_t{1} << 20);
    // A sample may lie across two reads, or (in a careless writer's file) two chunks.
    std::array<unsigned char, MostUnitSize> carried{};
    size_t carriedBytes = 0;
    int64_t sample = 0;
    int64_t rounded = 0;
    bool haveWord = false;
    uint32_t lastWord = 0;
    const auto add = [&](uint32_t word) {
        if (haveWord && word == lastWord) return true;
        bool wasRounded = false;
        const int64_t time = DivideRounded(sample, coarser, wasRounded);
        rounded += wasRounded ? 1 : 0;
        haveWord = true;
        lastWord = word;
        return writer.Add(time, word);
    };
    for (const std::string& chunk : chunks) {
        TZipFile file(zip_fopen(opened.Zip.get(), chunk.c_str(), 0));
        if (file == nullptr) {
            fault = {chunk,
                     "the entry cannot be opened: " + std::string(zip_strerror(opened.Zip.get()))};
            return fail(fault);
        }
        for (;;) {
            const zip_int64_t n = zip_fread(file.get(), buffer.data(), buffer.size());
            if (n < 0) {
                fault = {chunk, zip_file_strerror(file.get())};
                return fail(fault);
            }
            if (n == 0) break;
            const unsigned char* at = buffer.data();
            const unsigned char* end = at + n;
            if (carriedBytes > 0) {
                while (carriedBytes < unit && at < end)
                    carried[carriedBytes++] = *at++;
                if (carriedBytes < unit) continue;
                if (!add(table.Word(carried.data()))) break;
                ++sample;
                carriedBytes = 0;
            }
            bool fits = true;
            if (unit == 1) {
                for (; at < end; ++at, ++sample) {
                    const uint32_t word = table.Word(at);
                    if (word != lastWord || !haveWord)
                        if (!(fits = add(word))) break;
                }
            } else {
                for (; end - at >= static_cast<ptrdiff_t>(unit); at += unit, ++sample)
                    if (!(fits = add(table.Word(at)))) break;
            }
            if (!fits) {
                result.Status = TImportStatus::TimeOverflow;
                result.Entry = chunk;
                result.Reason = "sample " + std::to_string(sample) +
                                " does not fit a 32-bit time stamp in " + result.Unit;
                result.LogText.clear();
                return result;
            }
            while (at < end)
                carried[carriedBytes++] = *at++;
        }
    }
    if (carriedBytes > 0) {
        fault = {chunks.back(), std::to_string(carriedBytes) + " bytes left over: not a whole " +
                                    std::to_string(unit) + "-byte sample"};
        return fail(fault);
    }
    writer.Finish();
    result.Status = TImportStatus::Converted;
    result.Loss = RoundingLoss(rounded, result.Unit);
    return result;
}
