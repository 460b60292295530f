// What the decoder tests share: sample lines for a model, a writer of logs with other bits
// toggling and uneven steps, and items as comparable text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "decode/Decode.h"
#include "samples/SampleModel.h"
#include "tests/common/SampleLines.h"

inline std::vector<std::string> Texts(const std::vector<TDecodedItem>& items)
{
    std::vector<std::string> texts;
    for (const TDecodedItem& item : items)
        texts.push_back(std::string(FieldName(item.Field)) + " " + std::to_string(item.Start) +
                        ".." + std::to_string(item.End) + " " + item.Value);
    return texts;
}

// Writes sample lines: each emitted sample may be preceded by one where only unrelated bits
// change, and the step between samples varies.
class TLogWriter
{
public:
    TLogWriter(std::mt19937& random, std::vector<int> noise, bool equalTimes)
        : FRandom(random), FNoise(std::move(noise)), FEqualTimes(equalTimes)
    {
    }
    void Set(int bit, bool level) { FWord = level ? FWord | (1u << bit) : FWord & ~(1u << bit); }
    bool Get(int bit) const { return ((FWord >> bit) & 1u) != 0; }
    // The time of the sample written. A sample of other bits only goes before it at times,
    // with the levels of the sample before.
    int32_t Emit()
    {
        if (!FLines.empty() && !FNoise.empty() && FRandom() % 4 == 0) {
            ToggleNoise();
            Write(FWritten);
        }
        ToggleNoise();
        FWritten = FWord;
        return Write(FWord);
    }
    int32_t LastTime() const { return FTime; }
    const std::vector<std::string>& Lines() const { return FLines; }

private:
    void ToggleNoise()
    {
        for (int bit : FNoise)
            if (FRandom() % 3 == 0) {
                FWord ^= 1u << bit;
                FWritten ^= 1u << bit;
            }
    }
    int32_t Write(uint32_t word)
    {
        if (!FLines.empty()) FTime += static_cast<int32_t>(FRandom() % 5) + (FEqualTimes ? 0 : 1);
        char line[32];
        std::snprintf(line, sizeof line, "%d:%x", FTime, word);
        FLines.emplace_back(line);
        return FTime;
    }

    std::mt19937& FRandom;
    std::vector<int> FNoise;
    bool FEqualTimes = false;
    uint32_t FWord = 0;
    uint32_t FWritten = 0;
    int32_t FTime = 0;
    std::vector<std::string> FLines;
};
