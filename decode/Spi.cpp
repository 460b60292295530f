// SPI: words shifted on a clock and framed by an optional chip select, read from the log's
// changes only, so that a long quiet stretch costs nothing.
//
// Conventions:
// - A sample is read as a whole: its word's chip select decides whether its clock edge
//   counts, and the data bits read at a sampling edge are the ones that sample carries.
// - A word starts at the clock's first edge away from its idle level and ends at its last
//   sampling edge; both MOSI and MISO items get that span.
// - A word that chip select deasserts (or the log's end cuts) after its first clock edge is
//   one "incomplete" item from the word's start to the deassertion (or the last sample).
#include "decode/Decode.h"
#include "decode/DecodedItems.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "samples/SampleModel.h"

namespace {

bool ValidBit(int bit)
{
    return bit >= 0 && bit < 32;
}

// A word's bits in the order they came off the wire, as the hex digits of its value; up to
// 256 bits, so no integer holds them.
std::string WordHex(const std::vector<uint8_t>& bits, bool msbFirst)
{
    const size_t count = bits.size();
    const size_t digits = (count + 3) / 4;
    std::vector<int> nibbles(digits, 0);
    for (size_t i = 0; i < count; ++i) {
        const size_t weight = msbFirst ? count - 1 - i : i;
        if (bits[i] != 0) nibbles[digits - 1 - weight / 4] |= 1 << (weight % 4);
    }
    std::string hex(digits, '0');
    for (size_t i = 0; i < digits; ++i)
        hex[i] = "0123456789ABCDEF"[nibbles[i]];
    return hex;
}

bool ValidSettings(const TSpiSettings& s)
{
    const auto optional = [](int bit) { return bit == -1 || ValidBit(bit); };
    return ValidBit(s.Clk) && optional(s.Mosi) && optional(s.Miso) && optional(s.Cs) &&
           (s.Mosi != -1 || s.Miso != -1) && s.Mode >= 0 && s.Mode <= 3 && s.WordBits >= 1 &&
           s.WordBits <= 256;
}

} // namespace

void DecodeSpi(const TSampleModel& model, int samples, const TSpiSettings& settings,
               TDecodedItems& items)
{
    samples = std::min(samples, model.SampleCount());
    // A bit number out of 0..31 would be an undefined shift, not just a quiet line.
    if (samples <= 0 || !ValidSettings(settings)) return;

    const std::vector<int> order = model.TimeOrder(samples);
    const auto sampleAt = [&](int i) { return order.empty() ? i : order[static_cast<size_t>(i)]; };
    const auto bit = [](uint32_t word, int index) { return ((word >> index) & 1u) != 0; };
    const bool hasCs = settings.Cs != -1;
    const auto selected = [&](uint32_t word) {
        return !hasCs || bit(word, settings.Cs) == settings.CsActiveHigh;
    };
    const bool idle = (settings.Mode & 2) != 0;
    const bool sampleOnTrailing = (settings.Mode & 1) != 0;
    const size_t wordBits = static_cast<size_t>(settings.WordBits);

    bool started = false;
    double wordStart = 0;
    std::vector<uint8_t> mosi;
    std::vector<uint8_t> miso;
    const auto restart = [&] {
        started = false;
        mosi.clear();
        miso.clear();
    };
    // Words that fit 32 bits are kept as numbers; longer ones go to the store's pool as digits.
    const auto addWord = [&](double end, TDecodeField field, const std::vector<uint8_t>& bits) {
        if (wordBits > 32) {
            items.AddHex(wordStart, end, field, WordHex(bits, settings.MsbFirst));
            return;
        }
        uint32_t value = 0;
        for (size_t i = 0; i < bits.size(); ++i)
            if (bits[i] != 0) value |= 1u << (settings.MsbFirst ? bits.size() - 1 - i : i);
        items.Add(wordStart, end, field, value, static_cast<int>(bits.size()));
    };
    const auto cut = [&](double end) {
        if (started) items.Add(wordStart, end, TDecodeField::Incomplete);
        restart();
    };

    uint32_t previous = model.Word(sampleAt(0));
    bool wasSelected = selected(previous);
    for (int i = 1; i < samples; ++i) {
        const int sample = sampleAt(i);
        const uint32_t word = model.Word(sample);
        const double time = model.Time(sample);
        const bool isSelected = selected(word);
        if (isSelected != wasSelected) {
            if (isSelected)
                restart();
            else
                cut(time);
            wasSelected = isSelected;
        }
        const bool clockWas = bit(previous, settings.Clk);
        const bool clock = bit(word, settings.Clk);
        previous = word;
        if (!isSelected || clockWas == clock) continue;
        const bool leading = clockWas == idle;
        if (leading && !started) {
            started = true;
            wordStart = time;
        }
        if (leading == sampleOnTrailing) continue;
        // A word whose clock was already away from idle (the log or the selection began
        // mid-bit) starts at its first sampling edge.
        if (!started) {
            started = true;
            wordStart = time;
        }
        if (settings.Mosi != -1) mosi.push_back(bit(word, settings.Mosi) ? 1 : 0);
        if (settings.Miso != -1) miso.push_back(bit(word, settings.Miso) ? 1 : 0);
        if (std::max(mosi.size(), miso.size()) < wordBits) continue;
        if (settings.Mosi != -1) addWord(time, TDecodeField::Mosi, mosi);
        if (settings.Miso != -1) addWord(time, TDecodeField::Miso, miso);
        restart();
    }
    cut(model.Time(sampleAt(samples - 1)));
}

std::vector<TDecodedItem> DecodeSpi(const TSampleModel& model, int samples,
                                    const TSpiSettings& settings)
{
    TDecodedItems items;
    DecodeSpi(model, samples, settings, items);
    return items.ToItems();
}
