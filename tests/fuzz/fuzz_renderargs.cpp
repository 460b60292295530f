// logview-render's command line: the bytes split at NULs into arguments.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/FuzzSupport.h"
#include "viewer/RenderTool.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size && args.size() < 64; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    const TRenderParse parsed = ParseRenderArguments(args);
    if (!parsed.Ok) {
        FUZZ_CHECK(!parsed.Error.empty());
        return 0;
    }
    const TRenderOptions& o = parsed.Options;
    if (o.Help) return 0;
    FUZZ_CHECK(!o.FileName.empty());
    FUZZ_CHECK((o.Width == 0 && o.Height == 0) ||
               (o.Width >= 1 && o.Width <= 16384 && o.Height >= 1 && o.Height <= 16384));
    FUZZ_CHECK(!o.Zoom || (o.ZoomFrom == o.ZoomFrom && o.ZoomTo == o.ZoomTo));
    // The point format reads back to the same value.
    for (const double v : {o.ZoomFrom, o.ZoomTo}) {
        const std::string text = FormatPointValue(v);
        FUZZ_CHECK(std::stod(text) == v);
    }
    return 0;
}
