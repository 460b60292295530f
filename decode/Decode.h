// Protocol decoders over the sample model: what a serial line's bits carry (UART, SPI, I2C),
// as items spanning times of the log. Plain C++, so tests and fuzzers link it alone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TSampleModel;

enum class TDecodeField : uint8_t {
    // UART
    Data,
    ParityError,
    FrameError,
    Break,
    // SPI
    Mosi,
    Miso,
    Incomplete,
    // I2C
    Start,
    RepeatedStart,
    Stop,
    AddressRead,
    AddressWrite,
    DataRead,
    DataWrite,
    Ack,
    Nack,
};

// The field's name as the tool prints it: "data", "parity-error", "address-read", ...
const char* FieldName(TDecodeField field);

struct TDecodedItem
{
    // Times of the log; fractional where a bit length is.
    double Start = 0;
    double End = 0;
    TDecodeField Field = TDecodeField::Data;
    // Upper-case hexadecimal digits without a prefix, as many as the item needs; empty for
    // an item without a value.
    std::string Value;
    // For people (a printable UART byte's character, say); may be empty.
    std::string Text;
};

enum class TUartParity : uint8_t { None, Odd, Even, Mark, Space, Ignore };

struct TUartSettings
{
    int Rx = 0;
    // The bit length in the log's time units; 0: detected from the pulse widths.
    double BitTicks = 0;
    int DataBits = 8;
    TUartParity Parity = TUartParity::None;
    // 1, 1.5 or 2.
    double StopBits = 1;
    bool MsbFirst = false;
    bool Invert = false;
};

struct TSpiSettings
{
    int Clk = 0;
    // -1: not given; at least one of Mosi and Miso is.
    int Mosi = -1;
    int Miso = -1;
    int Cs = -1;
    bool CsActiveHigh = false;
    // 0 to 3: CPOL is bit 1, CPHA bit 0.
    int Mode = 0;
    // 1 to 256.
    int WordBits = 8;
    bool MsbFirst = true;
};

struct TI2cSettings
{
    int Scl = 0;
    int Sda = 1;
};

enum class TDecodeProtocol : uint8_t { Uart, Spi, I2c };

struct TDecoderSetup
{
    TDecodeProtocol Protocol = TDecodeProtocol::Uart;
    TUartSettings Uart;
    TSpiSettings Spi;
    TI2cSettings I2c;
};

// Reads "uart:rx=0,baud=115200", "spi:clk=0,mosi=1,cs=3,mode=1", "i2c:scl=0,sda=1" ...; a baud
// rate becomes a bit length through TimescaleSeconds, the log's time unit in seconds. False
// with Error naming the key and the reason for a wrong setup.
bool ParseDecoderSetup(std::string_view text, double timescaleSeconds, TDecoderSetup& setup,
                       std::string& error);

// Each decodes samples 0 .. Samples-1 of Model (those before its first bad line, say), taken
// in time order; after the last sample every level holds. Items in time order.
std::vector<TDecodedItem> DecodeUart(const TSampleModel& model, int samples,
                                     const TUartSettings& settings);
std::vector<TDecodedItem> DecodeSpi(const TSampleModel& model, int samples,
                                    const TSpiSettings& settings);
std::vector<TDecodedItem> DecodeI2c(const TSampleModel& model, int samples,
                                    const TI2cSettings& settings);
std::vector<TDecodedItem> Decode(const TSampleModel& model, int samples,
                                 const TDecoderSetup& setup);
