// I2C decoding against an encoder: random transactions (reads, writes, repeated starts,
// nacks) written as a log with other bits toggling must decode to exactly their items.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "decode/Decode.h"
#include "samples/SampleModel.h"
#include "tests/decode/DecodeLog.h"

namespace {

std::string Hex2(unsigned value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

TEST(I2c, RandomTransactionsDecodeToTheirItems)
{
    std::mt19937 random(4021);
    int bytes = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<int> channels(32);
        std::iota(channels.begin(), channels.end(), 0);
        std::shuffle(channels.begin(), channels.end(), random);
        const TI2cSettings settings{channels[0], channels[1]};
        TLogWriter log(random, {channels.begin() + 2, channels.begin() + 2 + random() % 4},
                       random() % 2 == 0);
        std::vector<TDecodedItem> expected;
        const auto expect = [&](double start, double end, TDecodeField field, std::string value) {
            expected.push_back({start, end, field, std::move(value), {}});
        };
        // A bit with SCL low before and after; SDA set alone, with the rise, and sometimes
        // changed again with the fall. Returns the rise's time.
        const auto clockBit = [&](bool level) {
            const unsigned choice = random() % 2;
            if (choice == 0) {
                log.Set(settings.Sda, level);
                log.Emit();
            }
            log.Set(settings.Scl, true);
            log.Set(settings.Sda, level);
            const double rise = log.Emit();
            log.Set(settings.Scl, false);
            if (random() % 3 == 0) log.Set(settings.Sda, random() % 2 == 0);
            log.Emit();
            return rise;
        };
        const auto byte = [&](unsigned value, TDecodeField field, std::string text, bool ack) {
            double first = 0;
            double last = 0;
            for (int i = 7; i >= 0; --i) {
                last = clockBit(((value >> i) & 1u) != 0);
                if (i == 7) first = last;
            }
            expect(first, last, field, std::move(text));
            const double ackTime = clockBit(!ack);
            expect(ackTime, ackTime, ack ? TDecodeField::Ack : TDecodeField::Nack, {});
            ++bytes;
        };

        log.Set(settings.Scl, true);
        log.Set(settings.Sda, true);
        log.Emit();
        const int transactions = 1 + static_cast<int>(random() % 4);
        bool repeated = false;
        for (int t = 0; t < transactions; ++t) {
            log.Set(settings.Sda, false);
            const double start = log.Emit();
            expect(start, start, repeated ? TDecodeField::RepeatedStart : TDecodeField::Start, {});
            log.Set(settings.Scl, false);
            log.Emit();
            const unsigned address = random() % 128;
            const bool read = random() % 2 == 0;
            bool ack = random() % 4 != 0;
            byte(address << 1 | (read ? 1u : 0u),
                 read ? TDecodeField::AddressRead : TDecodeField::AddressWrite, Hex2(address), ack);
            for (int n = static_cast<int>(random() % 4); ack && n > 0; --n) {
                const unsigned data = random() % 256;
                ack = random() % 4 != 0;
                byte(data, read ? TDecodeField::DataRead : TDecodeField::DataWrite, Hex2(data),
                     ack);
            }
            // SDA set for a repeated start (high) or a stop (low) while SCL is low.
            repeated = t + 1 < transactions && random() % 2 == 0;
            log.Set(settings.Sda, repeated);
            log.Emit();
            log.Set(settings.Scl, true);
            log.Emit();
            if (!repeated && (t + 1 < transactions || random() % 4 != 0)) {
                log.Set(settings.Sda, true);
                const double stop = log.Emit();
                expect(stop, stop, TDecodeField::Stop, {});
            }
        }

        const TSampleModel model{TLineList(log.Lines())};
        ASSERT_EQ(model.SampleCount(), static_cast<int>(log.Lines().size()));
        ASSERT_EQ(Texts(DecodeI2c(model, model.SampleCount(), settings)), Texts(expected))
            << "round " << round;
    }
    EXPECT_GT(bytes, 1000);
}

TEST(I2c, ChannelsOutOfTheWordGiveNoItemsInsteadOfReadingGarbage)
{
    const TSampleModel model{TLineList({"0:3", "1:1", "2:0", "3:2", "4:3"})};
    ASSERT_EQ(DecodeI2c(model, model.SampleCount(), {0, 1}).size(), 1u);
    EXPECT_TRUE(DecodeI2c(model, model.SampleCount(), {0, 32}).empty());
    EXPECT_TRUE(DecodeI2c(model, model.SampleCount(), {-1, 1}).empty());
}

} // namespace
