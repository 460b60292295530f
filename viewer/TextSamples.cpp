#include "viewer/TextSamples.h"

#include "toolkit/StdCtrls.h"

int TStringsSampleLines::Count() const
{
    return FLines.Count();
}

std::string_view TStringsSampleLines::Line(int index) const
{
    return FLines.Line(index);
}

const TSampleModel& TTextSamples::Current()
{
    const uint64_t revision = FLines.Revision();
    if (FParsed && revision == FRevision) return FModel;
    // The old model goes first: two of them at once would double the peak for a big text.
    FModel = TSampleModel();
    FParsed = false;
    FModel = TSampleModel(TStringsSampleLines(FLines));
    FParsed = true;
    FRevision = revision;
    ++FParseCount;
    return FModel;
}
