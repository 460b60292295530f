#include "viewer/Decoding.h"

#include <algorithm>

#include "viewer/RenderTool.h"

std::vector<TDecodedRef> MergeDecoded(const std::vector<TDecodedItems>& decoded)
{
    std::vector<TDecodedRef> merged;
    size_t total = 0;
    for (const TDecodedItems& items : decoded)
        total += items.Size();
    merged.reserve(total);
    for (size_t d = 0; d < decoded.size(); ++d)
        for (size_t i = 0; i < decoded[d].Size(); ++i)
            merged.push_back({static_cast<int>(d), i});
    std::stable_sort(merged.begin(), merged.end(),
                     [&decoded](const TDecodedRef& a, const TDecodedRef& b) {
                         return decoded[static_cast<size_t>(a.Decoder)][a.Item].Start <
                                decoded[static_cast<size_t>(b.Decoder)][b.Item].Start;
                     });
    return merged;
}

std::string DecodedLine(const TDecodedItems& items, size_t item, int number)
{
    const TCompactItem& it = items[item];
    std::string line = std::to_string(number);
    line += '\t';
    line += FormatPointValue(it.Start);
    line += '\t';
    line += FormatPointValue(it.End);
    line += '\t';
    line += FieldName(it.Field);
    line += '\t';
    line += items.ValueText(item);
    if (const std::string text = items.Text(item); !text.empty()) {
        line += '\t';
        line += text;
    }
    line += '\n';
    return line;
}

int DataBitOf(const TDecoderSetup& setup)
{
    switch (setup.Protocol) {
    case TDecodeProtocol::Uart:
        return setup.Uart.Rx;
    case TDecodeProtocol::Spi:
        return setup.Spi.Mosi >= 0   ? setup.Spi.Mosi
               : setup.Spi.Miso >= 0 ? setup.Spi.Miso
                                     : setup.Spi.Clk;
    case TDecodeProtocol::I2c:
        return setup.I2c.Sda;
    }
    return -1;
}

bool IsErrorField(TDecodeField field)
{
    return field == TDecodeField::ParityError || field == TDecodeField::FrameError ||
           field == TDecodeField::Break || field == TDecodeField::Incomplete;
}

std::string ItemLabel(const TDecodedItems& items, size_t item)
{
    const TCompactItem& it = items[item];
    if (it.Digits > 0) {
        std::string label = items.ValueText(item);
        if (const std::string text = items.Text(item); !text.empty()) label += " '" + text + "'";
        return label;
    }
    switch (it.Field) {
    case TDecodeField::Start:
        return "S";
    case TDecodeField::RepeatedStart:
        return "Sr";
    case TDecodeField::Stop:
        return "P";
    case TDecodeField::Ack:
        return "ACK";
    case TDecodeField::Nack:
        return "NACK";
    default:
        return FieldName(it.Field);
    }
}

void TChartDecoder::Spans(size_t first, size_t count, TAnnotationSpan* spans) const
{
    const std::vector<TCompactItem>& all = Items.Items();
    for (size_t i = 0; i < count; ++i) {
        const TCompactItem& item = all[first + i];
        spans[i] = {item.Start, item.End, IsErrorField(item.Field)};
    }
}
