#include "viewer/TextSamples.h"

#include "toolkit/StdCtrls.h"

// The text view hands out lines cut where the sample rule cuts them: one length, owned by
// the sample rule, which the view cannot see.
static_assert(TMemoStrings::MaxLineLength == MaxSampleLineLength);

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
