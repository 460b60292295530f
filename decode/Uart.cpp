#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "decode/Decode.h"
#include "decode/DecodedItems.h"
#include "samples/SampleModel.h"

namespace {

// The rx line as its changes: a change always flips the level, so the times alone carry it.
struct TLine
{
    int First = 1;
    std::vector<int32_t> Changes;
    int32_t LastTime = 0;

    int LevelAfter(size_t changes) const { return First ^ static_cast<int>(changes & 1u); }
};

TLine ReadLine(const TSampleModel& model, int samples, int bit, bool invert)
{
    TLine line;
    const std::vector<int> order = model.TimeOrder(samples);
    const auto sampleAt = [&order](int rank) {
        return order.empty() ? rank : order[static_cast<size_t>(rank)];
    };
    if (samples <= 0) return line;
    const int flip = invert ? 1 : 0;
    line.First = model.Bit(sampleAt(0), bit) ^ flip;
    int level = line.First;
    for (int rank = 1; rank < samples; ++rank) {
        const int sample = sampleAt(rank);
        const int now = model.Bit(sample, bit) ^ flip;
        if (now == level) continue;
        level = now;
        line.Changes.push_back(model.Time(sample));
    }
    line.LastTime = model.Time(sampleAt(samples - 1));
    return line;
}

// The bit length from the pulse widths: the shortest plausible pulse (a low percentile,
// so that a glitch does not set it) is refined by averaging the widths that lie near its
// multiples, first the short ones, where jitter cannot make a multiple ambiguous, then up
// to the longest run a frame can hold. 0 when the line has no complete pulse.
double DetectBitTicks(const TLine& line, int longestRun)
{
    std::vector<double> widths;
    for (size_t i = 1; i < line.Changes.size(); ++i)
        widths.push_back(static_cast<double>(line.Changes[i]) - line.Changes[i - 1]);
    std::erase_if(widths, [](double w) { return w <= 0; });
    if (widths.empty()) return 0;
    std::vector<double> sorted = widths;
    const size_t at = sorted.size() / 100;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(at),
                     sorted.end());
    double unit = sorted[at];
    for (const int longest : {3, longestRun, longestRun}) {
        double sumWidths = 0;
        double sumBits = 0;
        for (const double w : widths) {
            const double bits = std::round(w / unit);
            if (bits < 1 || bits > longest || std::fabs(w / unit - bits) > 0.3) continue;
            sumWidths += w;
            sumBits += bits;
        }
        if (sumBits > 0) unit = sumWidths / sumBits;
    }
    return unit;
}

} // namespace

// A data item spans the frame, from the start bit's leading edge to the end of its stop
// bits; an error item spans the bit found wrong.
void DecodeUart(const TSampleModel& model, int samples, const TUartSettings& settings,
                TDecodedItems& items)
{
    samples = std::clamp(samples, 0, model.SampleCount());
    if (samples == 0 || settings.Rx < 0 || settings.Rx > 31 || settings.DataBits < 1 ||
        settings.DataBits > 31)
        return;
    const TLine line = ReadLine(model, samples, settings.Rx, settings.Invert);
    const int dataBits = settings.DataBits;
    const int parityBits = settings.Parity == TUartParity::None ? 0 : 1;
    const double stopBits = settings.StopBits > 0 ? settings.StopBits : 1;
    const double frameBits = 1 + dataBits + parityBits + stopBits;
    const double bit =
        settings.BitTicks > 0
            ? settings.BitTicks
            : DetectBitTicks(line, 1 + dataBits + parityBits + static_cast<int>(stopBits + 1));
    if (!(bit > 0) || !std::isfinite(bit)) return;

    const std::vector<int32_t>& changes = line.Changes;
    // Changes at or before the time last looked at; times looked at only grow.
    size_t passed = 0;
    const auto levelAt = [&](double time) {
        while (passed < changes.size() && changes[passed] <= time)
            ++passed;
        return line.LevelAfter(passed);
    };

    while (passed < changes.size()) {
        // The next falling edge is a start bit's leading edge.
        if (line.LevelAfter(passed + 1) != 0) {
            ++passed;
            continue;
        }
        const double start = changes[passed];
        ++passed;
        // A low shorter than half a bit is a glitch, not a start bit.
        if (levelAt(start + 0.5 * bit) != 0) continue;
        const double rise = passed < changes.size() ? static_cast<double>(changes[passed])
                                                    : std::max(static_cast<double>(line.LastTime),
                                                               start + frameBits * bit);
        if (rise - start >= frameBits * bit) {
            items.Add(start, rise, TDecodeField::Break);
            levelAt(rise);
            continue;
        }
        uint32_t value = 0;
        int ones = 0;
        for (int i = 0; i < dataBits; ++i) {
            const int level = levelAt(start + (1.5 + i) * bit);
            ones += level;
            const int place = settings.MsbFirst ? dataBits - 1 - i : i;
            value |= static_cast<uint32_t>(level) << place;
        }
        const double parityStart = start + (1 + dataBits) * bit;
        bool parityBad = false;
        if (parityBits == 1) {
            const int level = levelAt(parityStart + 0.5 * bit);
            switch (settings.Parity) {
            case TUartParity::Odd:
                parityBad = (ones + level) % 2 == 0;
                break;
            case TUartParity::Even:
                parityBad = (ones + level) % 2 == 1;
                break;
            case TUartParity::Mark:
                parityBad = level == 0;
                break;
            case TUartParity::Space:
                parityBad = level == 1;
                break;
            case TUartParity::None:
            case TUartParity::Ignore:
                break;
            }
        }
        // Each stop bit is looked at in its middle, a half one in the middle of its half.
        const double stopStart = parityStart + parityBits * bit;
        const double frameEnd = start + frameBits * bit;
        double badStop = -1;
        for (double at = 0; at < stopBits; at += 1) {
            const double length = std::min(1.0, stopBits - at);
            if (levelAt(stopStart + (at + length / 2) * bit) == 0 && badStop < 0)
                badStop = stopStart + at * bit;
        }
        items.Add(start, frameEnd, TDecodeField::Data, value, dataBits);
        if (parityBad) items.Add(parityStart, parityStart + bit, TDecodeField::ParityError);
        if (badStop >= 0)
            items.Add(badStop, std::min(badStop + bit, frameEnd), TDecodeField::FrameError);
    }
}

std::vector<TDecodedItem> DecodeUart(const TSampleModel& model, int samples,
                                     const TUartSettings& settings)
{
    TDecodedItems items;
    DecodeUart(model, samples, settings, items);
    return items.ToItems();
}
