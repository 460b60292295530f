#include "viewer/RenderTool.h"

#include <charconv>
#include <cmath>
#include <utility>

#include "formats/VcdExport.h"
#include "formats/VcdRead.h"
#include "viewer/SampleLine.h"

const char* const RenderUsage =
    "usage: logview-render [--bits A,B] [--points] [--png OUT.png] [--size WxH] "
    "[--zoom T0,T1] FILE\n"
    "       logview-render --vcd OUT.vcd [--timescale '1 ns'] FILE\n"
    "       logview-render --decode DECODER [--decode DECODER ...] [--timescale '1 ns'] "
    "[--png OUT.png [--bits A,B] [--size WxH] [--zoom T0,T1]] FILE\n"
    "         DECODER: uart:rx=BIT[,baud=RATE|bit=TICKS][,data=8][,parity=none][,stop=1]"
    "[,order=lsb][,invert=no]\n"
    "               spi:clk=BIT[,mosi=BIT][,miso=BIT][,cs=BIT][,cs-active=low][,mode=0]"
    "[,word=8][,order=msb]\n"
    "               i2c:scl=BIT,sda=BIT\n"
    "       logview-render --find QUERY [--find QUERY ...] FILE\n"
    "         QUERY: pulse:bit=B,level=high|low[,shorter=T][,longer=T]\n"
    "                edge:bit=B[,dir=rise|fall|any]\n"
    "                word:PATTERN (0, 1 and x from the highest bit given down to bit 0)\n"
    "                gap:longer=T\n"
    "         prints N LINE START END a match; exit 0 found, 3 nothing found\n"
    "       logview-render --convert OUT.log [--signals NAME,NAME,...] FILE\n"
    "         FILE: a VCD, a sigrok session or a CSV, known by its content\n"
    "         NAME: scope.sub.signal, or scope.vector[3] for a vector's bit (VCD);\n"
    "               a probe's name (session); a column's name, or bus[3] (CSV)\n"
    "       logview-render --csv OUT.csv FILE";

namespace {

// from_chars rather than strtod: the application object sets the C locale
// from the environment, and a decimal comma must not change what a script means.
bool ParseDouble(std::string_view text, double& value)
{
    if (text.empty()) return false;
    if (text.front() == '+') text.remove_prefix(1);
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool ParseInt(std::string_view text, int& value)
{
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool SplitPair(std::string_view text, char separator, std::string_view& first,
               std::string_view& second)
{
    const auto at = text.find(separator);
    if (at == std::string_view::npos) return false;
    first = text.substr(0, at);
    second = text.substr(at + 1);
    return true;
}

constexpr int MaxSide = 16384;

} // namespace

TRenderParse ParseRenderArguments(const std::vector<std::string>& args)
{
    TRenderParse result;
    TRenderOptions& o = result.Options;
    bool optionsEnded = false;
    std::vector<std::string> files;
    bool timescaleGiven = false;
    bool bitsGiven = false;
    std::vector<std::string> decodeTexts;
    std::vector<std::string> findTexts;
    auto fail = [&](std::string message) {
        result.Error = std::move(message);
        return result;
    };

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg;
        std::string value;
        bool hasValue = false;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        auto takeValue = [&]() {
            if (hasValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };

        if (name == "--points" || name == "--help" || name == "-h") {
            if (hasValue) return fail(name + " takes no value");
            (name == "--points" ? o.Points : o.Help) = true;
        } else if (name == "--bits") {
            std::string_view a, b;
            if (!takeValue() || !SplitPair(value, ',', a, b))
                return fail("--bits needs two bit numbers A,B");
            for (const std::string_view bit : {a, b})
                if (BitMaskOf(bit) == 0)
                    return fail("--bits: '" + std::string(bit) + "' is no bit number 0 to 7");
            bitsGiven = true;
            o.BitTexts = {std::string(a), std::string(b)};
        } else if (name == "--png") {
            if (!takeValue() || value.empty()) return fail("--png needs a file name");
            o.PngPath = value;
        } else if (name == "--size") {
            std::string_view w, h;
            if (!takeValue() || !SplitPair(value, 'x', w, h) || !ParseInt(w, o.Width) ||
                !ParseInt(h, o.Height) || o.Width < 1 || o.Height < 1 || o.Width > MaxSide ||
                o.Height > MaxSide)
                return fail("--size needs WxH, each 1 to 16384");
        } else if (name == "--zoom") {
            std::string_view a, b;
            if (!takeValue() || !SplitPair(value, ',', a, b) || !ParseDouble(a, o.ZoomFrom) ||
                !ParseDouble(b, o.ZoomTo))
                return fail("--zoom needs two times T0,T1");
            o.Zoom = true;
        } else if (name == "--vcd") {
            if (!takeValue() || value.empty()) return fail("--vcd needs a file name");
            o.VcdPath = value;
        } else if (name == "--decode") {
            if (!takeValue() || value.empty()) return fail("--decode needs a decoder setup");
            decodeTexts.push_back(value);
        } else if (name == "--find") {
            if (!takeValue() || value.empty()) return fail("--find needs a query");
            findTexts.push_back(value);
        } else if (name == "--convert") {
            if (!takeValue() || value.empty()) return fail("--convert needs a file name");
            o.ConvertPath = value;
        } else if (name == "--signals") {
            if (!takeValue() || value.empty()) return fail("--signals needs signal names");
            o.Signals.clear();
            for (std::string_view rest = value;;) {
                const auto comma = rest.find(',');
                const std::string_view signal = rest.substr(0, comma);
                if (signal.empty()) return fail("--signals: an empty signal name");
                o.Signals.emplace_back(signal);
                if (comma == std::string_view::npos) break;
                rest.remove_prefix(comma + 1);
            }
            if (o.Signals.size() > size_t{MaxVcdSignals})
                return fail("--signals: more than 32 signals, the word has 32 bits");
        } else if (name == "--csv") {
            if (!takeValue() || value.empty()) return fail("--csv needs a file name");
            o.CsvPath = value;
        } else if (name == "--timescale") {
            if (!takeValue() || (o.Timescale = NormaliseTimescale(value)).empty())
                return fail("--timescale needs 1, 10 or 100 and a unit: s, ms, us, ns, ps or fs");
            timescaleGiven = true;
        } else {
            return fail("unknown option " + name);
        }
    }

    if (o.Help) {
        result.Ok = true;
        return result;
    }
    // A conversion and a table are outputs of their own, with nothing shown or listed.
    if (!o.ConvertPath.empty() || !o.CsvPath.empty()) {
        const std::string mode = o.ConvertPath.empty() ? "--csv" : "--convert";
        if ((!o.ConvertPath.empty() && !o.CsvPath.empty()) || !o.VcdPath.empty() ||
            !decodeTexts.empty() || !findTexts.empty() || timescaleGiven || bitsGiven || o.Points ||
            !o.PngPath.empty() || o.Width > 0 || o.Zoom)
            return fail(mode + " takes no other output and no --timescale, --bits, --points, "
                               "--png, --size or --zoom");
    }
    if (!o.Signals.empty() && o.ConvertPath.empty()) return fail("--signals needs --convert");
    // The dump holds every bit and no picture, so options about those would be ignored.
    if (!o.VcdPath.empty() &&
        (bitsGiven || o.Points || !o.PngPath.empty() || o.Width > 0 || o.Zoom))
        return fail("--vcd takes no --bits, --points, --png, --size or --zoom");
    // With --png the picture shows the items as well; --size, --zoom and --bits shape it.
    if (!decodeTexts.empty() && (!o.VcdPath.empty() || o.Points ||
                                 (o.PngPath.empty() && (bitsGiven || o.Width > 0 || o.Zoom))))
        return fail("--decode takes no --vcd or --points, and --bits, --size or --zoom only "
                    "with --png");
    // The queries read times in the log's own units, so a timescale would mean nothing.
    if (!findTexts.empty() &&
        (!decodeTexts.empty() || !o.VcdPath.empty() || timescaleGiven || bitsGiven || o.Points ||
         !o.PngPath.empty() || o.Width > 0 || o.Zoom))
        return fail("--find takes no --decode, --vcd, --timescale, --bits, --points, --png, "
                    "--size or --zoom");
    if (timescaleGiven && o.VcdPath.empty() && decodeTexts.empty())
        return fail("--timescale needs --vcd or --decode");
    for (size_t i = 0; i < decodeTexts.size(); ++i) {
        TDecoderSetup setup;
        std::string error;
        if (!ParseDecoderSetup(decodeTexts[i], TimescaleSeconds(o.Timescale), setup, error))
            return fail("--decode " + decodeTexts[i] + ": " + error);
        o.Decoders.push_back(setup);
        o.DecoderTexts.push_back(decodeTexts[i]);
    }
    for (const std::string& text : findTexts) {
        TFindQuery query;
        std::string error;
        if (!ParseFindQuery(text, query, error)) return fail("--find " + text + ": " + error);
        o.Queries.push_back(query);
    }
    if (files.empty()) return fail("no file given");
    if (files.size() > 1) return fail("only one file can be given");
    o.FileName = files.front();
    if (o.FileName.empty()) return fail("no file given");
    result.Ok = true;
    return result;
}

double TimescaleSeconds(std::string_view normalised)
{
    static constexpr std::pair<std::string_view, double> Units[] = {
        {"s", 1}, {"ms", 1e-3}, {"us", 1e-6}, {"ns", 1e-9}, {"ps", 1e-12}, {"fs", 1e-15}};
    const auto space = normalised.find(' ');
    if (space == std::string_view::npos) return 0;
    double number = 0;
    if (!ParseDouble(normalised.substr(0, space), number)) return 0;
    for (const auto& [unit, seconds] : Units)
        if (normalised.substr(space + 1) == unit) return number * seconds;
    return 0;
}

std::string FormatPointValue(double value)
{
    char buffer[64];
    const double magnitude = std::fabs(value);
    // Fixed notation keeps "1000000" from turning into "1e+06"; beyond this
    // range the exponent form is the shorter and the more readable one.
    const bool plain = value == 0 || (magnitude >= 1e-6 && magnitude < 1e17);
    const auto r =
        plain ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
              : std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}
