// A query, a NUL, then a log's text: the query read, and the log searched with it; every match
// starts at a sample line before the first bad one, at that line's time, in time order.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "samples/Find.h"
#include "tests/common/SampleLines.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [queryText, log] = SplitAtNul(data, size);
    TFindQuery query;
    std::string error;
    if (!ParseFindQuery(queryText, query, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(error.empty());
    const TSampleModel model{TSplitLines(log)};
    const int samples = model.FirstBadLine() < 0 ? model.SampleCount() : model.FirstBadLine();
    const std::vector<TFindMatch> matches = FindMatches(model, samples, query);
    FUZZ_CHECK(matches.size() <= static_cast<size_t>(samples));
    for (size_t i = 0; i < matches.size(); ++i) {
        const TFindMatch& m = matches[i];
        FUZZ_CHECK(m.Line >= 0 && m.Line < samples);
        const int sample = model.SampleOfLine(m.Line);
        FUZZ_CHECK(sample >= 0 && model.Time(sample) == m.Start);
        FUZZ_CHECK(m.Start <= m.End);
        FUZZ_CHECK(i == 0 || matches[i - 1].Start <= m.Start);
        const int64_t span = int64_t{m.End} - m.Start;
        switch (query.Kind) {
        case TFindKind::Word:
            FUZZ_CHECK(span == 0 && (model.Word(sample) & query.Mask) == query.Value);
            break;
        case TFindKind::Edge:
            FUZZ_CHECK(span == 0);
            break;
        case TFindKind::Gap:
            FUZZ_CHECK(span > query.Longer);
            break;
        case TFindKind::Pulse:
            FUZZ_CHECK(model.Bit(sample, query.Bit) == query.Level);
            if (query.HasShorter || query.HasLonger)
                FUZZ_CHECK((query.HasShorter && span < query.Shorter) ||
                           (query.HasLonger && span > query.Longer));
            break;
        }
    }
    return 0;
}
