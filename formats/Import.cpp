#include "formats/Import.h"

#include "formats/CsvRead.h"
#include "formats/SigrokRead.h"
#include "formats/VcdRead.h"

TFileFormat DetectFormat(std::string_view bytes)
{
    // A log is never taken for anything else, however its first line could also be read.
    if (StartsWithSampleLine(bytes)) return TFileFormat::Log;
    if (LooksLikeSigrokSession(bytes)) return TFileFormat::SigrokSession;
    if (LooksLikeVcd(bytes)) return TFileFormat::Vcd;
    if (LooksLikeCsv(bytes)) return TFileFormat::Csv;
    return TFileFormat::Log;
}

const char* FormatName(TFileFormat format)
{
    switch (format) {
    case TFileFormat::Vcd:
        return "VCD";
    case TFileFormat::SigrokSession:
        return "sigrok session";
    case TFileFormat::Csv:
        return "CSV";
    case TFileFormat::Log:
        break;
    }
    return "log";
}

namespace {

TImportStatus StatusOf(TVcdStatus status)
{
    switch (status) {
    case TVcdStatus::Converted:
        return TImportStatus::Converted;
    case TVcdStatus::UnknownSignal:
        return TImportStatus::UnknownSignal;
    case TVcdStatus::TimeOverflow:
        return TImportStatus::TimeOverflow;
    case TVcdStatus::Malformed:
        break;
    }
    return TImportStatus::Malformed;
}

TImportListing ListVcd(std::string_view bytes)
{
    TImportListing listing;
    TVcdDefinitions read = ReadVcdDefinitions(bytes);
    listing.Status = StatusOf(read.Status);
    listing.Line = read.Line;
    listing.Reason = std::move(read.Reason);
    for (TVcdVariable& variable : read.Variables) {
        for (std::string& bit : variable.Bits) {
            listing.Bits.push_back(std::move(bit));
            listing.BitSignal.push_back(static_cast<int>(listing.Signals.size()));
        }
        listing.Signals.push_back(
            {std::move(variable.Name), std::move(variable.Scope), variable.Width});
    }
    return listing;
}

TImportResult ImportVcd(std::string_view bytes, const std::vector<std::string>& signals,
                        int coarser)
{
    TImportResult result;
    TVcdConversion converted = ReadVcd(bytes, signals, coarser);
    result.Status = StatusOf(converted.Status);
    result.Line = converted.Line;
    result.Reason = std::move(converted.Reason);
    result.LogText = std::move(converted.LogText);
    result.Unit = std::move(converted.Timescale);
    result.Loss = std::move(converted.Loss);
    result.UnknownValues = converted.UnknownValues;
    result.SkippedValues = converted.SkippedValues;
    result.Signals = std::move(converted.Signals);
    return result;
}

} // namespace

TImportListing ListSignals(TFileFormat format, std::string_view bytes)
{
    switch (format) {
    case TFileFormat::Vcd:
        return ListVcd(bytes);
    case TFileFormat::SigrokSession:
        return ListSigrokSession(bytes);
    case TFileFormat::Csv:
        return ListCsv(bytes);
    case TFileFormat::Log:
        break;
    }
    TImportListing listing;
    listing.Reason = "a log has no signals to list: it needs no converting";
    return listing;
}

TImportResult ImportFile(TFileFormat format, std::string_view bytes,
                         const std::vector<std::string>& signals, int coarser)
{
    switch (format) {
    case TFileFormat::Vcd:
        return ImportVcd(bytes, signals, coarser);
    case TFileFormat::SigrokSession:
        return ImportSigrokSession(bytes, signals, coarser);
    case TFileFormat::Csv:
        return ImportCsv(bytes, signals, coarser);
    case TFileFormat::Log:
        break;
    }
    TImportResult result;
    result.Reason = "a log needs no converting";
    return result;
}
