#include "formats/Import.h"

#include "formats/VcdRead.h"

TFileFormat DetectFormat(std::string_view bytes)
{
    if (LooksLikeVcd(bytes)) return TFileFormat::Vcd;
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
    case TVcdStatus::Malformed:
        break;
    }
    return TImportStatus::Malformed;
}

} // namespace

TImportListing ListSignals(TFileFormat format, std::string_view bytes)
{
    TImportListing listing;
    if (format != TFileFormat::Vcd) {
        listing.Reason = std::string("no signals to list in a ") + FormatName(format);
        return listing;
    }
    // The default choice names the first 32 bits; each is its own signal here.
    TVcdConversion converted = ReadVcd(bytes);
    listing.Status = StatusOf(converted.Status);
    listing.Line = converted.Line;
    listing.Reason = converted.Reason;
    for (const std::string& bit : converted.Signals) {
        listing.BitSignal.push_back(static_cast<int>(listing.Signals.size()));
        listing.Signals.push_back({bit, std::string(), 1});
        listing.Bits.push_back(bit);
    }
    return listing;
}

TImportResult ImportFile(TFileFormat format, std::string_view bytes,
                         const std::vector<std::string>& signals, int coarser)
{
    TImportResult result;
    if (format != TFileFormat::Vcd || coarser != 0) {
        result.Reason = std::string("cannot convert a ") + FormatName(format);
        return result;
    }
    TVcdConversion converted = ReadVcd(bytes, signals);
    result.Status = StatusOf(converted.Status);
    result.Line = converted.Line;
    result.Reason = std::move(converted.Reason);
    result.LogText = std::move(converted.LogText);
    result.Unit = converted.Timescale;
    result.UnknownValues = converted.UnknownValues;
    result.Signals = std::move(converted.Signals);
    return result;
}
