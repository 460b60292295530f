// Decoders in the window and the tool: a chart's decoder (its setup text and items), the
// items as annotations of the chart, and the tool's listing of items, which the window's
// list saves as well.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
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
    // The log's time unit a baud rate is counted in.
    std::string Timescale = "1 ns";

    size_t AnnotationCount() const override { return Items.Size(); }
    size_t FirstReaching(double time) const override { return Items.FirstReaching(time); }
    size_t FirstAfter(double time) const override { return Items.FirstAfter(time); }
    void Spans(size_t first, size_t count, TAnnotationSpan* spans) const override;
    std::string Label(size_t item) const override { return ItemLabel(Items, item); }
};

class TChart;
class TMemo;
class TTextSamples;
class TDecodedListForm;
struct TMenuItem;
struct TWaveformBuildResult;

// The window's decoders: at most one a chart, set from the chart's menu through a settings
// dialog, decoded again after every build, drawn as the chart's annotations, pointed at,
// double-clicked and listed.
class TWindowDecoding
{
public:
    TWindowDecoding(TMemo* memo, const TTextSamples* samples, std::vector<TChart*> charts);
    ~TWindowDecoding();
    TWindowDecoding(const TWindowDecoding&) = delete;
    TWindowDecoding& operator=(const TWindowDecoding&) = delete;

    // After every waveform build: the samples before the first bad line decoded again.
    void Rebuilt(const TWaveformBuildResult& build);

    // The decoder entries of Chart's menu.
    std::vector<TMenuItem> MenuItems(int chart);
    // The settings dialog for a new decoder of Protocol on Chart; false when cancelled.
    bool EditDecoder(int chart, TDecodeProtocol protocol);
    // The settings dialog with the chart's decoder's settings.
    bool ChangeDecoder(int chart);
    void RemoveDecoder(int chart);
    // Sets Chart's decoder from a setup as the tool reads it; false with Error for a wrong one.
    bool SetDecoder(int chart, const std::string& setupText, const std::string& timescale,
                    std::string& error);
    const TChartDecoder* Decoder(int chart) const;

    // The item of Chart's decoder under (X, Y) of its annotation band; -1 for none.
    long ItemAt(int chart, int x, int y) const;
    // What the readout adds for the pointer at (X, Y): the item under it, or "".
    std::string ReadoutAt(int chart, int x, int y) const;
    // The line of the log where an item starts; -1 when none is built.
    int LineOfItem(int chart, size_t item) const;
    // A double-click: the caret on the line where the item under (X, Y) starts; false when
    // no item is there.
    bool JumpToItem(int chart, int x, int y);
    // The chart's items in a window of their own.
    void ShowList(int chart);
    TDecodedListForm* ListForm() const { return FList.get(); }

    // Centres the charts on a time, their zoom kept.
    std::function<void(double time)> OnCentre;

private:
    void Decode(int chart);
    void ItemChosen(int chart, size_t item);

    TMemo* FMemo = nullptr;
    const TTextSamples* FSamples = nullptr;
    std::vector<TChart*> FCharts;
    std::vector<std::unique_ptr<TChartDecoder>> FDecoders;
    // The charts' bits at the last build (-1 for a field naming none).
    std::vector<int> FBits;
    int FUsable = 0;
    bool FBuilt = false;
    std::unique_ptr<TDecodedListForm> FList;
    int FListChart = -1;
};
