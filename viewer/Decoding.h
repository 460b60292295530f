// Decoders in the window and the tool: a chart's decoder (its setup text and items), the
// items as annotations of the chart, and the tool's listing of items, which the window's
// list saves as well.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "chart/ChartAnnotations.h"
#include "decode/DecodedItems.h"

// An item of one of several decoders' stores.
struct TDecodedRef
{
    int Decoder = 0;
    size_t Item = 0;
};

// Every decoder's items by start time; ties keep the decoders' order and each decoder's own.
std::vector<TDecodedRef> MergeDecoded(const std::vector<TDecodedItems>& decoded);
// The tool's line for an item: "N\tSTART\tEND\tFIELD\tVALUE[\tTEXT]\n", N 1-based.
std::string DecodedLine(const TDecodedItems& items, size_t item, int number);

// The bit whose chart shows a decoder's items: UART rx, SPI mosi (else miso, else clk),
// I2C sda.
int DataBitOf(const TDecoderSetup& setup);

// Whether an item is a protocol error, drawn red.
bool IsErrorField(TDecodeField field);
// The short text of an item's box: its value (with the character of a printable UART byte),
// or a short name for an item without a value.
std::string ItemLabel(const TDecodedItems& items, size_t item);

// A decoder set on a chart: its setup as typed and the items of the last build.
class TChartDecoder : public TChartAnnotationSource
{
public:
    std::string SetupText;
    TDecoderSetup Setup;
    TDecodedItems Items;

    size_t AnnotationCount() const override { return Items.Size(); }
    size_t FirstReaching(double time) const override { return Items.FirstReaching(time); }
    size_t FirstAfter(double time) const override { return Items.FirstAfter(time); }
    void Spans(size_t first, size_t count, TAnnotationSpan* spans) const override;
    std::string Label(size_t item) const override { return ItemLabel(Items, item); }
};
