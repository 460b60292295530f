// The sample model of the text view's lines, parsed again only when the text has changed
// since the last parse, so that a new bit number redraws without reading the text.
#pragma once

#include <cstdint>

#include "samples/SampleModel.h"

class TStrings;
class TMemoStrings;

// Any line list as the model's lines; a text view's list already leaves out an empty last
// line.
class TStringsSampleLines : public TSampleLines
{
public:
    explicit TStringsSampleLines(const TStrings& lines) : FLines(lines) {}
    int Count() const override;
    std::string_view Line(int index) const override;

private:
    const TStrings& FLines;
};

class TTextSamples
{
public:
    explicit TTextSamples(const TMemoStrings& lines) : FLines(lines) {}

    // The model of the text as it is now.
    const TSampleModel& Current();
    // The model of the last Current(), whatever the text did since.
    const TSampleModel& Last() const { return FModel; }
    // How often the text was parsed: a test's view of the reuse.
    uint64_t ParseCount() const { return FParseCount; }

private:
    const TMemoStrings& FLines;
    TSampleModel FModel;
    bool FParsed = false;
    uint64_t FRevision = 0;
    uint64_t FParseCount = 0;
};
