// Decoded items kept compactly: a million items of a long capture cost 24 bytes each. Values
// wider than 32 bits (long SPI words) live in a side pool of hex digits; the text for people
// is made when asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "decode/Decode.h"

struct TCompactItem
{
    double Start = 0;
    double End = 0;
    // The value itself, or for one of more than 8 digits the offset of its digits in the pool.
    uint32_t Value = 0;
    TDecodeField Field = TDecodeField::Data;
    // Hex digits the value is printed with; 0 for an item without a value.
    uint8_t Digits = 0;
};

class TDecodedItems
{
public:
    void Add(double start, double end, TDecodeField field)
    {
        Track(start, end);
        FItems.push_back({start, end, 0, field, 0});
    }
    // A value of Bits bits (1 to 32), printed with as many digits as they need.
    void Add(double start, double end, TDecodeField field, uint32_t value, int bits);
    // A value given as its upper-case hex digits (1 to 255 of them).
    void AddHex(double start, double end, TDecodeField field, const std::string& digits);

    size_t Size() const { return FItems.size(); }
    bool Empty() const { return FItems.empty(); }
    const TCompactItem& operator[](size_t i) const { return FItems[i]; }
    const std::vector<TCompactItem>& Items() const { return FItems; }

    // Upper-case hex, no prefix; empty for an item without a value.
    std::string ValueText(size_t i) const;
    // For people: a printable UART byte's character; may be empty.
    std::string Text(size_t i) const;
    TDecodedItem Item(size_t i) const;
    std::vector<TDecodedItem> ToItems() const;

    // The first item whose span may reach Time or later: items before it all end before Time.
    // Items are in order of their start, so a binary search over the starts, widened by the
    // longest span, finds it.
    size_t FirstReaching(double time) const;
    // The first item starting after Time.
    size_t FirstAfter(double time) const;
    // The item under Time, preferring the shortest one (an error over its frame); -1 for none.
    long ItemAt(double from, double to) const;

    // Heap bytes held for the items and their pool.
    size_t MemoryBytes() const;
    void Reserve(size_t items) { FItems.reserve(items); }

private:
    std::vector<TCompactItem> FItems;
    std::string FPool;
    double FLongest = 0;

    void Track(double start, double end)
    {
        if (end - start > FLongest) FLongest = end - start;
    }
};

// As Decode, into the compact store.
TDecodedItems DecodeItems(const TSampleModel& model, int samples, const TDecoderSetup& setup);
void DecodeUart(const TSampleModel& model, int samples, const TUartSettings& settings,
                TDecodedItems& items);
void DecodeSpi(const TSampleModel& model, int samples, const TSpiSettings& settings,
               TDecodedItems& items);
void DecodeI2c(const TSampleModel& model, int samples, const TI2cSettings& settings,
               TDecodedItems& items);
