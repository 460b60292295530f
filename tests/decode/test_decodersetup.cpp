// Decoder setups as the tool's --decode reads them: the settings they give, and for a wrong
// one an error that names the key and the reason.
#include <gtest/gtest.h>

#include <string>

#include "decode/Decode.h"

TEST(DecoderSetup, ReadsSettingsOrNamesTheFault)
{
    struct Row
    {
        const char* text;
        // Empty for a setup that reads; else words the error must hold.
        std::string error1, error2;
    } rows[] = {
        {"uart:rx=3", "", ""},
        {"uart:rx=31,baud=115200,data=7,parity=odd,stop=1.5,order=msb,invert=yes", "", ""},
        {"uart:rx=0,bit=8.680556,parity=ignore,stop=2", "", ""},
        {"uart:rx=0,baud=auto", "", ""},
        {"spi:clk=0,miso=2,cs=3,cs-active=high,mode=3,word=256,order=lsb", "", ""},
        {"i2c:scl=4,sda=5", "", ""},
        {"can:rx=1", "can", "unknown protocol"},
        {"uart", "rx", "missing required key"},
        {"uart:baud=9600", "rx", "missing required key"},
        {"uart:rx=1,colour=red", "colour", "unknown key"},
        {"uart:rx=1,rx=2", "rx", "repeated key"},
        {"uart:rx=32", "rx", "bad value"},
        {"uart:rx=-1", "rx", "bad value"},
        {"uart:rx=1,data=10", "data", "bad value"},
        {"uart:rx=1,data=4", "data", "bad value"},
        {"uart:rx=1,stop=3", "stop", "bad value"},
        {"uart:rx=1,parity=yes", "parity", "bad value"},
        {"uart:rx=1,baud=0", "baud", "bad value"},
        {"uart:rx=1,baud=1e-300", "baud", "out of range"},
        {"uart:rx=1,bit=nan", "bit", "bad value"},
        {"uart:rx=1,baud=9600,bit=10", "bit", "baud and bit"},
        {"uart:rx", "rx", "needs =VALUE"},
        {"uart:rx=1,", "rx=1", "comma"},
        {"spi:clk=0", "mosi", "missing required key"},
        {"spi:mosi=1", "clk", "missing required key"},
        {"spi:clk=0,mosi=1,mode=4", "mode", "bad value"},
        {"spi:clk=0,mosi=1,word=0", "word", "bad value"},
        {"spi:clk=0,mosi=1,cs-active=yes", "cs-active", "bad value"},
        {"i2c:scl=0", "sda", "missing required key"},
        {"i2c:scl=1,sda=1", "sda", "same bit"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        TDecoderSetup setup;
        std::string error;
        const bool ok = ParseDecoderSetup(row.text, 1e-9, setup, error);
        EXPECT_EQ(ok, row.error1.empty()) << error;
        EXPECT_EQ(error.empty(), ok);
        EXPECT_NE(error.find(row.error1), std::string::npos) << error;
        EXPECT_NE(error.find(row.error2), std::string::npos) << error;
    }
}

TEST(DecoderSetup, BaudRateBecomesBitLengthInTheLogsUnit)
{
    struct Row
    {
        const char* text;
        double timescale;
        double bitTicks;
    } rows[] = {
        {"uart:rx=0,baud=115200", 1e-9, 1e9 / 115200},
        {"uart:rx=0,baud=9600", 1e-6, 1e6 / 9600},
        {"uart:rx=0,bit=8.680556", 1e-9, 8.680556},
        {"uart:rx=0", 1e-9, 0},
        {"uart:rx=0,baud=auto", 1e-9, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        TDecoderSetup setup;
        std::string error;
        ASSERT_TRUE(ParseDecoderSetup(row.text, row.timescale, setup, error)) << error;
        EXPECT_EQ(setup.Protocol, TDecodeProtocol::Uart);
        EXPECT_DOUBLE_EQ(setup.Uart.BitTicks, row.bitTicks);
    }
    TDecoderSetup setup;
    std::string error;
    ASSERT_TRUE(ParseDecoderSetup("uart:rx=31,data=7,parity=mark,stop=1.5,order=msb,invert=yes",
                                  1e-9, setup, error));
    EXPECT_EQ(setup.Uart.Rx, 31);
    EXPECT_EQ(setup.Uart.DataBits, 7);
    EXPECT_EQ(setup.Uart.Parity, TUartParity::Mark);
    EXPECT_EQ(setup.Uart.StopBits, 1.5);
    EXPECT_TRUE(setup.Uart.MsbFirst);
    EXPECT_TRUE(setup.Uart.Invert);
    ASSERT_TRUE(ParseDecoderSetup("spi:clk=2,mosi=5,mode=1,word=12", 1e-9, setup, error));
    EXPECT_EQ(setup.Protocol, TDecodeProtocol::Spi);
    EXPECT_EQ(setup.Spi.Clk, 2);
    EXPECT_EQ(setup.Spi.Mosi, 5);
    EXPECT_EQ(setup.Spi.Miso, -1);
    EXPECT_EQ(setup.Spi.Mode, 1);
    EXPECT_EQ(setup.Spi.WordBits, 12);
}
