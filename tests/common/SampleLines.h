// Lines for the sample model in tests and fuzz targets: a list of strings, or a text cut at
// its LFs.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "samples/SampleModel.h"

class TLineList : public TSampleLines
{
public:
    explicit TLineList(std::vector<std::string> lines) : FLines(std::move(lines)) {}
    int Count() const override { return static_cast<int>(FLines.size()); }
    std::string_view Line(int index) const override { return FLines[static_cast<size_t>(index)]; }

private:
    std::vector<std::string> FLines;
};

// Views into Text, which must outlive it.
class TSplitLines : public TSampleLines
{
public:
    explicit TSplitLines(std::string_view text)
    {
        while (!text.empty()) {
            const size_t end = text.find('\n');
            FLines.push_back(text.substr(0, end));
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        }
    }
    int Count() const override { return static_cast<int>(FLines.size()); }
    std::string_view Line(int index) const override { return FLines[static_cast<size_t>(index)]; }

private:
    std::vector<std::string_view> FLines;
};
