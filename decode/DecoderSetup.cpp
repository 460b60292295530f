#include <charconv>
#include <cmath>
#include <set>
#include <string>

#include "decode/Decode.h"

namespace {

// from_chars rather than strtod: a decimal comma from the locale must not change a setup.
bool ReadDouble(std::string_view text, double& value)
{
    if (text.empty() || text.front() == '+' || text.front() == '-') return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool ReadInt(std::string_view text, int low, int high, int& value)
{
    if (text.empty() || text.front() == '+' || text.front() == '-') return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

// Of Names, the index of Text, or -1.
template <size_t N> int Choice(std::string_view text, const char* const (&names)[N])
{
    for (size_t i = 0; i < N; ++i)
        if (text == names[i]) return static_cast<int>(i);
    return -1;
}

// A bit length beyond the 32-bit time range could never fit a frame in a log.
constexpr double MaxBitTicks = 4294967296.0;

class TSetupReader
{
public:
    TSetupReader(std::string_view protocol, std::string& error) : FProtocol(protocol), FError(error)
    {
    }

    bool Fail(std::string_view key, const std::string& reason)
    {
        FError = std::string(FProtocol) + ": " + std::string(key) + ": " + reason;
        return false;
    }
    bool Bad(std::string_view key, std::string_view value, const char* expected)
    {
        return Fail(key, "bad value '" + std::string(value) + "', expected " + expected);
    }
    bool Has(std::string_view key) const { return FKeys.count(std::string(key)) != 0; }
    // False for a key given twice.
    bool Note(std::string_view key)
    {
        if (!FKeys.insert(std::string(key)).second) return Fail(key, "repeated key");
        return true;
    }
    bool Require(std::initializer_list<const char*> keys)
    {
        for (const char* key : keys)
            if (!Has(key)) return Fail(key, "missing required key");
        return true;
    }
    bool Bit(std::string_view key, std::string_view value, int& bit)
    {
        return ReadInt(value, 0, 31, bit) || Bad(key, value, "a bit number 0 to 31");
    }
    // A key of two words: Second tells whether the value is the second of them.
    bool Either(std::string_view key, std::string_view value, const char* first, const char* second,
                bool& isSecond)
    {
        if (value != first && value != second)
            return Fail(key, "bad value '" + std::string(value) + "', expected " + first + " or " +
                                 second);
        isSecond = value == second;
        return true;
    }

private:
    std::string_view FProtocol;
    std::string& FError;
    std::set<std::string> FKeys;
};

bool ReadUartKey(TSetupReader& r, std::string_view key, std::string_view value, double timescale,
                 TUartSettings& s)
{
    static const char* const Parities[] = {"none", "odd", "even", "mark", "space", "ignore"};
    if (key == "rx") return r.Bit(key, value, s.Rx);
    if (key == "baud") {
        if (value == "auto") return true;
        double rate = 0;
        if (!ReadDouble(value, rate) || rate <= 0) return r.Bad(key, value, "a rate or auto");
        s.BitTicks = 1 / (rate * timescale);
        if (!(s.BitTicks <= MaxBitTicks))
            return r.Fail(key, "rate " + std::string(value) + " is out of range for the timescale");
        return true;
    }
    if (key == "bit") {
        if (!ReadDouble(value, s.BitTicks) || s.BitTicks <= 0 || s.BitTicks > MaxBitTicks)
            return r.Bad(key, value, "a length in time units above 0");
        return true;
    }
    if (key == "data") return ReadInt(value, 5, 9, s.DataBits) || r.Bad(key, value, "5 to 9");
    if (key == "parity") {
        const int at = Choice(value, Parities);
        if (at < 0) return r.Bad(key, value, "none, odd, even, mark, space or ignore");
        s.Parity = static_cast<TUartParity>(at);
        return true;
    }
    if (key == "stop") {
        if (value == "1" || value == "1.5" || value == "2") {
            s.StopBits = value == "1" ? 1 : value == "2" ? 2 : 1.5;
            return true;
        }
        return r.Bad(key, value, "1, 1.5 or 2");
    }
    if (key == "order") return r.Either(key, value, "lsb", "msb", s.MsbFirst);
    if (key == "invert") return r.Either(key, value, "no", "yes", s.Invert);
    return r.Fail(key, "unknown key");
}

bool ReadSpiKey(TSetupReader& r, std::string_view key, std::string_view value, TSpiSettings& s)
{
    if (key == "clk") return r.Bit(key, value, s.Clk);
    if (key == "mosi") return r.Bit(key, value, s.Mosi);
    if (key == "miso") return r.Bit(key, value, s.Miso);
    if (key == "cs") return r.Bit(key, value, s.Cs);
    if (key == "cs-active") return r.Either(key, value, "low", "high", s.CsActiveHigh);
    if (key == "mode") return ReadInt(value, 0, 3, s.Mode) || r.Bad(key, value, "0 to 3");
    if (key == "word") return ReadInt(value, 1, 256, s.WordBits) || r.Bad(key, value, "1 to 256");
    if (key == "order") {
        bool lsbFirst = false;
        if (!r.Either(key, value, "msb", "lsb", lsbFirst)) return false;
        s.MsbFirst = !lsbFirst;
        return true;
    }
    return r.Fail(key, "unknown key");
}

bool ReadI2cKey(TSetupReader& r, std::string_view key, std::string_view value, TI2cSettings& s)
{
    if (key == "scl") return r.Bit(key, value, s.Scl);
    if (key == "sda") return r.Bit(key, value, s.Sda);
    return r.Fail(key, "unknown key");
}

} // namespace

bool ParseDecoderSetup(std::string_view text, double timescaleSeconds, TDecoderSetup& setup,
                       std::string& error)
{
    setup = TDecoderSetup();
    error.clear();
    const size_t colon = text.find(':');
    const std::string_view protocol = text.substr(0, colon);
    std::string_view rest =
        colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    if (protocol == "uart")
        setup.Protocol = TDecodeProtocol::Uart;
    else if (protocol == "spi")
        setup.Protocol = TDecodeProtocol::Spi;
    else if (protocol == "i2c")
        setup.Protocol = TDecodeProtocol::I2c;
    else {
        error = "unknown protocol '" + std::string(protocol) + "', expected uart, spi or i2c";
        return false;
    }
    TSetupReader reader(protocol, error);
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string_view pair = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (comma != std::string_view::npos && rest.empty())
            return reader.Fail(pair, "a comma ends the setup");
        const size_t eq = pair.find('=');
        const std::string_view key = pair.substr(0, eq);
        if (key.empty()) return reader.Fail("''", "empty key");
        if (eq == std::string_view::npos) return reader.Fail(key, "needs =VALUE");
        const std::string_view value = pair.substr(eq + 1);
        if (!reader.Note(key)) return false;
        bool ok = false;
        switch (setup.Protocol) {
        case TDecodeProtocol::Uart:
            ok = ReadUartKey(reader, key, value, timescaleSeconds, setup.Uart);
            break;
        case TDecodeProtocol::Spi:
            ok = ReadSpiKey(reader, key, value, setup.Spi);
            break;
        case TDecodeProtocol::I2c:
            ok = ReadI2cKey(reader, key, value, setup.I2c);
            break;
        }
        if (!ok) return false;
    }
    switch (setup.Protocol) {
    case TDecodeProtocol::Uart:
        if (reader.Has("baud") && reader.Has("bit"))
            return reader.Fail("bit", "baud and bit both give the bit length");
        return reader.Require({"rx"});
    case TDecodeProtocol::Spi:
        if (!reader.Require({"clk"})) return false;
        if (!reader.Has("mosi") && !reader.Has("miso"))
            return reader.Fail("mosi", "missing required key (mosi or miso, or both)");
        return true;
    case TDecodeProtocol::I2c:
        if (!reader.Require({"scl", "sda"})) return false;
        if (setup.I2c.Scl == setup.I2c.Sda) return reader.Fail("sda", "the same bit as scl");
        return true;
    }
    return true;
}
