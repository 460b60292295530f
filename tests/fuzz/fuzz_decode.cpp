// A decoder setup, a NUL, then a log's text: the setup read, and the log decoded with it.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "decode/Decode.h"
#include "samples/SampleModel.h"
#include "tests/common/SampleLines.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto [setupText, log] = SplitAtNul(data, size);
    TDecoderSetup setup;
    std::string error;
    if (!ParseDecoderSetup(setupText, 1e-9, setup, error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(error.empty());
    const TSampleModel model{TSplitLines(log)};
    const int samples = model.FirstBadLine() < 0 ? model.SampleCount() : model.FirstBadLine();
    const std::vector<TDecodedItem> items = Decode(model, samples, setup);
    const bool uart = setup.Protocol == TDecodeProtocol::Uart;
    // Every UART item needs a change of the line: a falling edge opens at most a frame and
    // its two errors.
    if (uart) FUZZ_CHECK(items.size() <= 3 * static_cast<size_t>(samples));
    for (size_t i = 0; i < items.size(); ++i) {
        const TDecodedItem& item = items[i];
        FUZZ_CHECK(std::isfinite(item.Start) && std::isfinite(item.End));
        FUZZ_CHECK(item.Start <= item.End);
        FUZZ_CHECK(i == 0 || items[i - 1].Start <= item.Start);
        for (const char c : item.Value)
            FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
        if (uart && item.Field == TDecodeField::Data) {
            FUZZ_CHECK(item.Value.size() == static_cast<size_t>((setup.Uart.DataBits + 3) / 4));
            FUZZ_CHECK(item.Text.size() <= 1);
        } else if (uart) {
            FUZZ_CHECK(item.Value.empty());
        }
        if (item.Field == TDecodeField::Mosi || item.Field == TDecodeField::Miso)
            FUZZ_CHECK(item.Value.size() == static_cast<size_t>((setup.Spi.WordBits + 3) / 4));
    }
    return 0;
}
