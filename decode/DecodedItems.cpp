#include "decode/DecodedItems.h"

#include <algorithm>

static_assert(sizeof(TCompactItem) <= 24, "a decoded item must stay small");

namespace {

const char HexDigits[] = "0123456789ABCDEF";

} // namespace

void TDecodedItems::Add(double start, double end, TDecodeField field, uint32_t value, int bits)
{
    Track(start, end);
    FItems.push_back({start, end, value, field, static_cast<uint8_t>((bits + 3) / 4)});
}

void TDecodedItems::AddHex(double start, double end, TDecodeField field, const std::string& digits)
{
    if (digits.size() <= 8) {
        uint32_t value = 0;
        for (const char c : digits)
            value = (value << 4) | static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
        Track(start, end);
        FItems.push_back({start, end, value, field, static_cast<uint8_t>(digits.size())});
        return;
    }
    Track(start, end);
    FItems.push_back({start, end, static_cast<uint32_t>(FPool.size()), field,
                      static_cast<uint8_t>(std::min<size_t>(digits.size(), 255))});
    FPool.append(digits, 0, 255);
}

std::string TDecodedItems::ValueText(size_t i) const
{
    const TCompactItem& item = FItems[i];
    if (item.Digits > 8) return FPool.substr(item.Value, item.Digits);
    std::string text(item.Digits, '0');
    uint32_t value = item.Value;
    for (size_t d = text.size(); d-- > 0; value >>= 4)
        text[d] = HexDigits[value & 15u];
    return text;
}

std::string TDecodedItems::Text(size_t i) const
{
    const TCompactItem& item = FItems[i];
    // Only UART gives data items; up to 8 data bits take at most two digits.
    if (item.Field == TDecodeField::Data && item.Digits <= 2 && item.Value >= 0x20 &&
        item.Value < 0x7F)
        return std::string(1, static_cast<char>(item.Value));
    return {};
}

TDecodedItem TDecodedItems::Item(size_t i) const
{
    const TCompactItem& item = FItems[i];
    return {item.Start, item.End, item.Field, ValueText(i), Text(i)};
}

std::vector<TDecodedItem> TDecodedItems::ToItems() const
{
    std::vector<TDecodedItem> items;
    items.reserve(FItems.size());
    for (size_t i = 0; i < FItems.size(); ++i)
        items.push_back(Item(i));
    return items;
}

size_t TDecodedItems::FirstReaching(double time) const
{
    const auto it =
        std::lower_bound(FItems.begin(), FItems.end(), time - FLongest,
                         [](const TCompactItem& item, double t) { return item.Start < t; });
    return static_cast<size_t>(it - FItems.begin());
}

size_t TDecodedItems::FirstAfter(double time) const
{
    const auto it =
        std::upper_bound(FItems.begin(), FItems.end(), time,
                         [](double t, const TCompactItem& item) { return t < item.Start; });
    return static_cast<size_t>(it - FItems.begin());
}

long TDecodedItems::ItemAt(double from, double to) const
{
    long best = -1;
    double bestSpan = 0;
    for (size_t i = FirstReaching(from), end = FirstAfter(to); i < end; ++i) {
        const TCompactItem& item = FItems[i];
        if (item.End < from) continue;
        const double span = item.End - item.Start;
        if (best < 0 || span < bestSpan) {
            best = static_cast<long>(i);
            bestSpan = span;
        }
    }
    return best;
}

size_t TDecodedItems::MemoryBytes() const
{
    return FItems.capacity() * sizeof(TCompactItem) + FPool.capacity();
}

TDecodedItems DecodeItems(const TSampleModel& model, int samples, const TDecoderSetup& setup)
{
    TDecodedItems items;
    switch (setup.Protocol) {
    case TDecodeProtocol::Uart:
        DecodeUart(model, samples, setup.Uart, items);
        break;
    case TDecodeProtocol::Spi:
        DecodeSpi(model, samples, setup.Spi, items);
        break;
    case TDecodeProtocol::I2c:
        DecodeI2c(model, samples, setup.I2c, items);
        break;
    }
    return items;
}
