// I2C: start and stop conditions, then address and data bytes with their acknowledge bits,
// read from the log's changes only.
//
// Conventions:
// - A sample is read as a whole: a start or stop is an SDA edge with SCL high both before and
//   at the sample, and a bit is the SDA level the sample of an SCL rise carries. So SDA
//   changing in the same sample as SCL is data moving with the clock, never a condition.
// - Start, repeated start and stop span no time: Start = End = the SDA edge's sample.
// - A byte spans its first SCL rise to its eighth; an ack or nack is its ninth rise alone.
// - A byte cut by a start or stop gives no item: its value is unknown.
#include "decode/Decode.h"
#include "decode/DecodedItems.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "samples/SampleModel.h"

void DecodeI2c(const TSampleModel& model, int samples, const TI2cSettings& settings,
               TDecodedItems& items)
{
    samples = std::min(samples, model.SampleCount());
    // A bit number out of 0..31 would be an undefined shift, not just a quiet line.
    const auto valid = [](int bit) { return bit >= 0 && bit < 32; };
    if (samples <= 0 || !valid(settings.Scl) || !valid(settings.Sda)) return;

    const std::vector<int> order = model.TimeOrder(samples);
    const auto sampleAt = [&](int i) { return order.empty() ? i : order[static_cast<size_t>(i)]; };
    const auto bit = [](uint32_t word, int index) { return ((word >> index) & 1u) != 0; };

    bool inTransfer = false;
    bool address = false;
    bool reading = false;
    // Bits of the current byte so far, the ninth being its acknowledge bit.
    int bits = 0;
    unsigned value = 0;
    double byteStart = 0;

    uint32_t previous = model.Word(sampleAt(0));
    for (int i = 1; i < samples; ++i) {
        const int sample = sampleAt(i);
        const uint32_t word = model.Word(sample);
        const double time = model.Time(sample);
        const bool sclWas = bit(previous, settings.Scl);
        const bool scl = bit(word, settings.Scl);
        const bool sdaWas = bit(previous, settings.Sda);
        const bool sda = bit(word, settings.Sda);
        previous = word;
        if (sclWas && scl && sdaWas != sda) {
            if (sda) {
                items.Add(time, time, TDecodeField::Stop);
                inTransfer = false;
            } else {
                items.Add(time, time,
                          inTransfer ? TDecodeField::RepeatedStart : TDecodeField::Start);
                inTransfer = true;
                address = true;
            }
            bits = 0;
            value = 0;
            continue;
        }
        if (!inTransfer || sclWas || !scl) continue;
        if (bits == 0) byteStart = time;
        if (bits < 8) {
            value = (value << 1) | (sda ? 1u : 0u);
            if (++bits < 8) continue;
            TDecodeField field = TDecodeField::DataWrite;
            if (address) {
                reading = (value & 1u) != 0;
                field = reading ? TDecodeField::AddressRead : TDecodeField::AddressWrite;
                value >>= 1;
            } else if (reading) {
                field = TDecodeField::DataRead;
            }
            // Two digits even for a 7-bit address.
            items.Add(byteStart, time, field, value, 8);
            continue;
        }
        items.Add(time, time, sda ? TDecodeField::Nack : TDecodeField::Ack);
        address = false;
        bits = 0;
        value = 0;
    }
}

std::vector<TDecodedItem> DecodeI2c(const TSampleModel& model, int samples,
                                    const TI2cSettings& settings)
{
    TDecodedItems items;
    DecodeI2c(model, samples, settings, items);
    return items.ToItems();
}
