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

std::vector<TDecodedItem> Decode(const TSampleModel& model, int samples, const TDecoderSetup& setup)
{
    switch (setup.Protocol) {
    case TDecodeProtocol::Uart:
        return DecodeUart(model, samples, setup.Uart);
    case TDecodeProtocol::Spi:
        return DecodeSpi(model, samples, setup.Spi);
    case TDecodeProtocol::I2c:
        return DecodeI2c(model, samples, setup.I2c);
    }
    return {};
}
