#include "viewer/Decoding.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "chart/Chart.h"
#include "formats/VcdExport.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Menus.h"
#include "toolkit/StdCtrls.h"
#include "viewer/DecodedList.h"
#include "viewer/RenderTool.h"
#include "viewer/TextSamples.h"
#include "viewer/Waveform.h"

std::vector<TDecodedRef> MergeDecoded(const std::vector<TDecodedItems>& decoded)
{
    std::vector<TDecodedRef> merged;
    size_t total = 0;
    for (const TDecodedItems& items : decoded)
        total += items.Size();
    merged.reserve(total);
    for (size_t d = 0; d < decoded.size(); ++d)
        for (size_t i = 0; i < decoded[d].Size(); ++i)
            merged.push_back({static_cast<int>(d), i});
    std::stable_sort(merged.begin(), merged.end(),
                     [&decoded](const TDecodedRef& a, const TDecodedRef& b) {
                         return decoded[static_cast<size_t>(a.Decoder)][a.Item].Start <
                                decoded[static_cast<size_t>(b.Decoder)][b.Item].Start;
                     });
    return merged;
}

std::string DecodedLine(const TDecodedItems& items, size_t item, int number)
{
    const TCompactItem& it = items[item];
    std::string line = std::to_string(number);
    line += '\t';
    line += FormatPointValue(it.Start);
    line += '\t';
    line += FormatPointValue(it.End);
    line += '\t';
    line += FieldName(it.Field);
    line += '\t';
    line += items.ValueText(item);
    if (const std::string text = items.Text(item); !text.empty()) {
        line += '\t';
        line += text;
    }
    line += '\n';
    return line;
}

int DataBitOf(const TDecoderSetup& setup)
{
    switch (setup.Protocol) {
    case TDecodeProtocol::Uart:
        return setup.Uart.Rx;
    case TDecodeProtocol::Spi:
        return setup.Spi.Mosi >= 0   ? setup.Spi.Mosi
               : setup.Spi.Miso >= 0 ? setup.Spi.Miso
                                     : setup.Spi.Clk;
    case TDecodeProtocol::I2c:
        return setup.I2c.Sda;
    }
    return -1;
}

bool IsErrorField(TDecodeField field)
{
    return field == TDecodeField::ParityError || field == TDecodeField::FrameError ||
           field == TDecodeField::Break || field == TDecodeField::Incomplete;
}

std::string ItemLabel(const TDecodedItems& items, size_t item)
{
    const TCompactItem& it = items[item];
    if (it.Digits > 0) {
        std::string label = items.ValueText(item);
        if (const std::string text = items.Text(item); !text.empty()) label += " '" + text + "'";
        return label;
    }
    switch (it.Field) {
    case TDecodeField::Start:
        return "S";
    case TDecodeField::RepeatedStart:
        return "Sr";
    case TDecodeField::Stop:
        return "P";
    case TDecodeField::Ack:
        return "ACK";
    case TDecodeField::Nack:
        return "NACK";
    default:
        return FieldName(it.Field);
    }
}

void TChartDecoder::Spans(size_t first, size_t count, TAnnotationSpan* spans) const
{
    const std::vector<TCompactItem>& all = Items.Items();
    for (size_t i = 0; i < count; ++i) {
        const TCompactItem& item = all[first + i];
        spans[i] = {item.Start, item.End, IsErrorField(item.Field)};
    }
}

namespace {

struct TSetupKey
{
    const char* Key;
    std::vector<std::string> Choices;
};

// The dialog's fields: the setup's keys, then (for UART) the time unit of a baud rate.
const char* const TimeUnitLabel = "time unit";

std::vector<TSetupKey> SetupKeys(TDecodeProtocol protocol)
{
    switch (protocol) {
    case TDecodeProtocol::Uart:
        return {{"rx", {}},
                {"baud", {}},
                {"bit", {}},
                {"data", {}},
                {"parity", {"none", "odd", "even", "mark", "space", "ignore"}},
                {"stop", {"1", "1.5", "2"}},
                {"order", {"lsb", "msb"}},
                {"invert", {"no", "yes"}},
                {TimeUnitLabel, {}}};
    case TDecodeProtocol::Spi:
        return {{"clk", {}},
                {"mosi", {}},
                {"miso", {}},
                {"cs", {}},
                {"cs-active", {"low", "high"}},
                {"mode", {"0", "1", "2", "3"}},
                {"word", {}},
                {"order", {"msb", "lsb"}}};
    case TDecodeProtocol::I2c:
        return {{"scl", {}}, {"sda", {}}};
    }
    return {};
}

const char* ProtocolName(TDecodeProtocol protocol)
{
    switch (protocol) {
    case TDecodeProtocol::Uart:
        return "uart";
    case TDecodeProtocol::Spi:
        return "spi";
    case TDecodeProtocol::I2c:
        return "i2c";
    }
    return "";
}

// The setup text's values by key ("uart:rx=0,baud=9600" -> rx 0, baud 9600).
std::vector<std::pair<std::string, std::string>> SetupValues(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> values;
    const size_t colon = text.find(':');
    if (colon == std::string::npos) return values;
    size_t at = colon + 1;
    while (at <= text.size()) {
        size_t end = text.find(',', at);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(at, end - at);
        const size_t eq = part.find('=');
        if (eq != std::string::npos) values.emplace_back(part.substr(0, eq), part.substr(eq + 1));
        at = end + 1;
    }
    return values;
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

TWindowDecoding::TWindowDecoding(TMemo* memo, const TTextSamples* samples,
                                 std::vector<TChart*> charts)
    : FMemo(memo), FSamples(samples), FCharts(std::move(charts)), FDecoders(FCharts.size())
{
    for (size_t i = 0; i < FCharts.size(); ++i)
        FBits.push_back(static_cast<int>(i));
}

TWindowDecoding::~TWindowDecoding()
{
    for (TChart* chart : FCharts)
        chart->SetAnnotations(nullptr);
}

void TWindowDecoding::Rebuilt(const TWaveformBuildResult& build)
{
    for (size_t i = 0; i < FBits.size() && i < build.Bits.size(); ++i)
        FBits[i] = build.Bits[i];
    const TSampleModel& model = FSamples->Last();
    const int bad = model.FirstBadLine();
    // As the tool decodes: every line before the first bad one is a sample.
    FUsable = bad >= 0 ? std::min(bad, model.SampleCount()) : model.SampleCount();
    FBuilt = true;
    for (size_t i = 0; i < FDecoders.size(); ++i)
        Decode(static_cast<int>(i));
}

void TWindowDecoding::Decode(int chart)
{
    TChartDecoder* decoder = FDecoders[static_cast<size_t>(chart)].get();
    TChart* c = FCharts[static_cast<size_t>(chart)];
    if (decoder == nullptr) {
        c->SetAnnotations(nullptr);
    } else {
        decoder->Items =
            FBuilt ? DecodeItems(FSamples->Last(), FUsable, decoder->Setup) : TDecodedItems();
        c->SetAnnotations(decoder);
    }
    c->RequestRepaint();
    if (FList && FListChart == chart) FList->SetItems(decoder);
}

std::vector<TMenuItem> TWindowDecoding::MenuItems(int chart)
{
    const bool has = Decoder(chart) != nullptr;
    std::vector<TMenuItem> items;
    const auto add = [&](const char* caption, bool enabled, std::function<void()> action) {
        TMenuItem item;
        item.Caption = caption;
        item.Enabled = enabled;
        item.OnClick = [action](TObject*) { action(); };
        items.push_back(item);
    };
    add("Decode UART...", true, [this, chart] { EditDecoder(chart, TDecodeProtocol::Uart); });
    add("Decode SPI...", true, [this, chart] { EditDecoder(chart, TDecodeProtocol::Spi); });
    add("Decode I2C...", true, [this, chart] { EditDecoder(chart, TDecodeProtocol::I2c); });
    add("Change decoder...", has, [this, chart] { ChangeDecoder(chart); });
    add("Remove decoder", has, [this, chart] { RemoveDecoder(chart); });
    add("Decoded items...", has, [this, chart] { ShowList(chart); });
    return items;
}

bool TWindowDecoding::EditDecoder(int chart, TDecodeProtocol protocol)
{
    const TChartDecoder* current = Decoder(chart);
    std::vector<std::pair<std::string, std::string>> given;
    std::string timescale = "1 ns";
    if (current != nullptr && current->Setup.Protocol == protocol) {
        given = SetupValues(current->SetupText);
        timescale = current->Timescale;
    } else {
        // The chart's bit is the data line; a clock takes the other chart's bit.
        const int bit = std::max(FBits[static_cast<size_t>(chart)], 0);
        int other = bit == 0 ? 1 : 0;
        for (size_t i = 0; i < FBits.size(); ++i)
            if (static_cast<int>(i) != chart && FBits[i] >= 0 && FBits[i] != bit) other = FBits[i];
        const std::string b = std::to_string(bit);
        const std::string o = std::to_string(other);
        switch (protocol) {
        case TDecodeProtocol::Uart:
            given = {{"rx", b}, {"data", "8"}};
            break;
        case TDecodeProtocol::Spi:
            given = {{"clk", o}, {"mosi", b}, {"word", "8"}};
            break;
        case TDecodeProtocol::I2c:
            given = {{"scl", o}, {"sda", b}};
            break;
        }
    }
    const std::vector<TSetupKey> entries = SetupKeys(protocol);
    TFieldsDialogRequest request;
    request.Title = std::string("Decode ") + (protocol == TDecodeProtocol::Uart  ? "UART"
                                              : protocol == TDecodeProtocol::Spi ? "SPI"
                                                                                 : "I2C");
    for (const TSetupKey& entry : entries) {
        TDialogField field;
        field.Label = entry.Key;
        field.Choices = entry.Choices;
        if (!entry.Choices.empty()) field.Value = entry.Choices.front();
        if (entry.Key == std::string(TimeUnitLabel)) field.Value = timescale;
        for (const auto& [key, value] : given)
            if (key == entry.Key) field.Value = value;
        request.Fields.push_back(field);
    }
    // The setup as the tool would read it, and its time unit.
    const auto compose = [protocol, entries](const std::vector<std::string>& values,
                                             std::string& unit) {
        std::string text = ProtocolName(protocol);
        text += ':';
        bool first = true;
        for (size_t i = 0; i < entries.size() && i < values.size(); ++i) {
            const std::string value = Trimmed(values[i]);
            if (entries[i].Key == std::string(TimeUnitLabel)) {
                unit = value;
                continue;
            }
            if (value.empty()) continue;
            if (!first) text += ',';
            first = false;
            text += entries[i].Key;
            text += '=';
            text += value;
        }
        return text;
    };
    request.Check = [compose](const std::vector<std::string>& values) -> std::string {
        std::string unit = "1 ns";
        const std::string text = compose(values, unit);
        const std::string normal = NormaliseTimescale(unit.empty() ? "1 ns" : unit);
        if (normal.empty()) return "time unit: not a time unit such as 1 ns or 10 us";
        TDecoderSetup setup;
        std::string error;
        if (!ParseDecoderSetup(text, TimescaleSeconds(normal), setup, error)) return error;
        return {};
    };
    std::vector<std::string> values;
    if (!ExecuteFieldsDialog(request, values)) return false;
    std::string unit = "1 ns";
    const std::string text = compose(values, unit);
    std::string error;
    return SetDecoder(chart, text, unit.empty() ? "1 ns" : unit, error);
}

bool TWindowDecoding::ChangeDecoder(int chart)
{
    const TChartDecoder* decoder = Decoder(chart);
    return decoder != nullptr && EditDecoder(chart, decoder->Setup.Protocol);
}

void TWindowDecoding::RemoveDecoder(int chart)
{
    FDecoders[static_cast<size_t>(chart)].reset();
    Decode(chart);
}

bool TWindowDecoding::SetDecoder(int chart, const std::string& setupText,
                                 const std::string& timescale, std::string& error)
{
    if (chart < 0 || chart >= static_cast<int>(FCharts.size())) return false;
    const std::string normal = NormaliseTimescale(timescale);
    if (normal.empty()) {
        error = "time unit: not a time unit such as 1 ns or 10 us";
        return false;
    }
    auto decoder = std::make_unique<TChartDecoder>();
    if (!ParseDecoderSetup(setupText, TimescaleSeconds(normal), decoder->Setup, error))
        return false;
    decoder->SetupText = setupText;
    decoder->Timescale = normal;
    FDecoders[static_cast<size_t>(chart)] = std::move(decoder);
    Decode(chart);
    return true;
}

const TChartDecoder* TWindowDecoding::Decoder(int chart) const
{
    if (chart < 0 || chart >= static_cast<int>(FDecoders.size())) return nullptr;
    return FDecoders[static_cast<size_t>(chart)].get();
}

long TWindowDecoding::ItemAt(int chart, int x, int y) const
{
    const TChartDecoder* decoder = Decoder(chart);
    if (decoder == nullptr || decoder->Items.Empty()) return -1;
    const TChart* c = FCharts[static_cast<size_t>(chart)];
    if (!c->AnnotationBand().Contains(x, y)) return -1;
    // The pixel's own stretch of time, so that an item spanning no time can be hit.
    const double a = c->BottomAxis()->PixelToValue(x);
    const double b = c->BottomAxis()->PixelToValue(x + 1);
    const double half = std::fabs(b - a) / 2;
    return decoder->Items.ItemAt(a - half, a + half);
}

std::string TWindowDecoding::ReadoutAt(int chart, int x, int y) const
{
    const long item = ItemAt(chart, x, y);
    if (item < 0) return {};
    const TDecodedItems& items = Decoder(chart)->Items;
    const size_t i = static_cast<size_t>(item);
    std::string text = FieldName(items[i].Field);
    if (const std::string value = ItemLabel(items, i); items[i].Digits > 0) text += " " + value;
    text += " " + FormatPointValue(items[i].Start) + ".." + FormatPointValue(items[i].End);
    return text;
}

int TWindowDecoding::LineOfItem(int chart, size_t item) const
{
    const TChartDecoder* decoder = Decoder(chart);
    if (decoder == nullptr || item >= decoder->Items.Size()) return -1;
    const TSampleModel& model = FSamples->Last();
    const double start = decoder->Items[item].Start;
    if (const int line = model.FirstLineAtTime(start, FUsable); line >= 0) return line;
    // An item can start where no line is (an error bit at the level before it): the line in
    // force then, the last sample before it, the last in line order among equal times.
    const int samples = std::min(FUsable, model.SampleCount());
    int before = -1;
    if (samples <= model.AscendingSamples()) {
        int lo = 0;
        int hi = samples;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (model.Time(mid) < start)
                lo = mid + 1;
            else
                hi = mid;
        }
        before = lo - 1;
    } else {
        for (int s = 0; s < samples; ++s)
            if (model.Time(s) < start && (before < 0 || model.Time(s) >= model.Time(before)))
                before = s;
    }
    return model.LineOfSample(before);
}

bool TWindowDecoding::JumpToItem(int chart, int x, int y)
{
    const long item = ItemAt(chart, x, y);
    if (item < 0) return false;
    const int line = LineOfItem(chart, static_cast<size_t>(item));
    if (line < 0) return false;
    FMemo->SetCaretPos(TTextPos{static_cast<size_t>(line), 0});
    return true;
}

void TWindowDecoding::ShowList(int chart)
{
    const TChartDecoder* decoder = Decoder(chart);
    if (decoder == nullptr) return;
    if (!FList) FList = std::make_unique<TDecodedListForm>();
    FListChart = chart;
    FList->OnItemChosen = [this](size_t item) { ItemChosen(FListChart, item); };
    FList->SetItems(decoder);
    FList->ShowForm();
}

void TWindowDecoding::ItemChosen(int chart, size_t item)
{
    const TChartDecoder* decoder = Decoder(chart);
    if (decoder == nullptr || item >= decoder->Items.Size()) return;
    const TCompactItem& it = decoder->Items[item];
    if (OnCentre) OnCentre((it.Start + it.End) / 2);
    const int line = LineOfItem(chart, item);
    if (line >= 0) FMemo->SetCaretPos(TTextPos{static_cast<size_t>(line), 0});
}
