#include "decode/Decode.h"

const char* FieldName(TDecodeField field)
{
    switch (field) {
    case TDecodeField::Data:
        return "data";
    case TDecodeField::ParityError:
        return "parity-error";
    case TDecodeField::FrameError:
        return "frame-error";
    case TDecodeField::Break:
        return "break";
    case TDecodeField::Mosi:
        return "mosi";
    case TDecodeField::Miso:
        return "miso";
    case TDecodeField::Incomplete:
        return "incomplete";
    case TDecodeField::Start:
        return "start";
    case TDecodeField::RepeatedStart:
        return "repeated-start";
    case TDecodeField::Stop:
        return "stop";
    case TDecodeField::AddressRead:
        return "address-read";
    case TDecodeField::AddressWrite:
        return "address-write";
    case TDecodeField::DataRead:
        return "data-read";
    case TDecodeField::DataWrite:
        return "data-write";
    case TDecodeField::Ack:
        return "ack";
    case TDecodeField::Nack:
        return "nack";
    }
    return "";
}

// Until the SPI and I2C decoders' own files are in the tree, their protocols decode to
// nothing rather than leave the library unlinkable.
#if __has_include("Spi.cpp") && __has_include("I2c.cpp")
#define LOGVIEW_DECODE_SERIAL_BUSES 1
#else
#define LOGVIEW_DECODE_SERIAL_BUSES 0
#endif

std::vector<TDecodedItem> Decode(const TSampleModel& model, int samples, const TDecoderSpec& spec)
{
    switch (spec.Protocol) {
    case TDecodeProtocol::Uart:
        return DecodeUart(model, samples, spec.Uart);
#if LOGVIEW_DECODE_SERIAL_BUSES
    case TDecodeProtocol::Spi:
        return DecodeSpi(model, samples, spec.Spi);
    case TDecodeProtocol::I2c:
        return DecodeI2c(model, samples, spec.I2c);
#else
    case TDecodeProtocol::Spi:
    case TDecodeProtocol::I2c:
        break;
#endif
    }
    return {};
}
